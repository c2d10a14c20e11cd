#include "ReceivablesAging.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Format.h"
#include "InputError.h"
#include "Layouts.h"
#include "ListCombo.h"
#include "Query.h"
#include "Schema.h"
#include "ShopWindows.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TReceivablesAging> ReceivablesAging;

namespace kestrum::reports {

namespace {

const char* const FigureColumns[AgingColumns] = {"Current_Due", "Days_1_30", "Days_31_60",
                                                 "Days_61_90",  "Over_90",   "Total_Due"};
const char* const FigureTitles[AgingColumns] = {"Current", "1-30", "31-60", "61-90", "Over 90", "Total"};

// The invoices dated on or before `asOf` whose total, less what was paid by then, is not zero:
// CustomerName_Inv, InvoiceNo_Inv, InvoiceDate_Inv, DueDate_Inv, Total_Due, Paid, Balance. The
// total is the invoice window's (parts plus labor plus the parts tax at its month's rate), kept
// per invoice in InvoiceSums with the payments' sum and latest date, whether a balance is left and
// the header's customer, date and due date, so only that table is read; the work grows with the
// open invoices, not with every invoice ever written. A row without a header has no total.
// Two parts that share no invoice: those whose payments all lie before the day after `asOf`
// (Kept), and those paid (also) later (PaidLater).
enum class Part { Kept, PaidLater };

QString openInvoices(schema::Engine engine, Part part, const QDate& asOf, const std::optional<QString>& customer,
                     QVariantList& values)
{
    const QDate after = asOf.addDays(1);
    QString sql;
    if (part == Part::Kept) {
        // The kept paid sum is the sum as of the date asked for, so the kept mark says whether a
        // balance is left then: read in the open mark's index order alone. The kept total is
        // rounded to cents already (rounding each row again cost a third of the statement).
        sql = QStringLiteral(
            "Select S.CustomerName_Sums As CustomerName_Inv, S.InvoiceNo_Sums As InvoiceNo_Inv,"
            " S.InvoiceDate_Sums As InvoiceDate_Inv, S.DueDate_Sums As DueDate_Inv, S.Total_Sums As Total_Due,"
            " Coalesce(S.Paid_Sums, 0) As Paid, S.Total_Sums - Coalesce(S.Paid_Sums, 0) As Balance"
            " From InvoiceSums S where S.Open_Sums = ? And (S.LastPay_Sums Is Null Or S.LastPay_Sums < ?)");
        values << true << after;
    } else {
        // Paid after the date: their payments up to it are summed here, by number. Joined rather
        // than looked up per invoice: PostgreSQL's estimate of a look-up per row set off seconds
        // of just-in-time compiling.
        sql = QStringLiteral(
            "Select S.CustomerName_Sums As CustomerName_Inv, S.InvoiceNo_Sums As InvoiceNo_Inv,"
            " S.InvoiceDate_Sums As InvoiceDate_Inv, S.DueDate_Sums As DueDate_Inv, Round(S.Total_Sums, 2) As Total_Due,"
            " Coalesce(L.Amount, 0) As Paid From InvoiceSums S"
            " Left Join (Select InvoiceNo_Receivable As Inv, Sum(Amount_Receivable) As Amount From Receivable"
            " where InvoiceNo_Receivable In (Select InvoiceNo_Sums From InvoiceSums where LastPay_Sums >= ?)"
            " And (PayDate_Receivable < ? Or PayDate_Receivable Is Null) Group By InvoiceNo_Receivable) L"
            " On L.Inv = S.InvoiceNo_Sums where S.LastPay_Sums >= ?");
        values << after << after << after;
    }
    sql += " And S.Total_Sums Is Not Null And (S.InvoiceDate_Sums < ? Or S.InvoiceDate_Sums Is Null)";
    values << after;
    if (customer) {
        // PostgreSQL keeps the name as plain text: compared as citext compares.
        sql += engine == schema::Engine::PostgreSQL ? QStringLiteral(" And Lower(S.CustomerName_Sums) = Lower(?)")
                                                    : QStringLiteral(" And S.CustomerName_Sums = ?");
        values << *customer;
    }
    if (part == Part::Kept)
        return sql;
    return "Select CustomerName_Inv, InvoiceNo_Inv, InvoiceDate_Inv, DueDate_Inv, Total_Due, Paid,"
           " Total_Due - Paid As Balance From (" + sql + ") Paid_Later where Round(Total_Due - Paid, 2) <> 0";
}

}  // namespace

QString agingSql(schema::Engine engine, const QDate& asOf, const std::optional<QString>& customer, QVariantList& values)
{
    // Days past due, counted in whole days from the due date to the date asked for.
    const QDate d0 = asOf, d30 = asOf.addDays(-30), d60 = asOf.addDays(-60), d90 = asOf.addDays(-90);
    // PostgreSQL groups and orders the names by their lower case (the kept name is plain text),
    // which is what citext compares, without folding both names at every comparison of the sort.
    const bool pg = engine == schema::Engine::PostgreSQL;
    const QString key = pg ? QStringLiteral("Lower(CustomerName_Inv::text)") : QStringLiteral("CustomerName_Inv");
    const QString name = pg ? QStringLiteral("Min(CustomerName_Inv) As CustomerName_Inv") : QStringLiteral("CustomerName_Inv");
    const auto figures = [&] {
        values << d0 << d0 << d30 << d30 << d60 << d60 << d90 << d90;
        return "Select " + name + QStringLiteral(
            ", Sum(Case When DueDate_Inv Is Null Or DueDate_Inv >= ? Then Balance Else 0 End) As Current_Due,"
            " Sum(Case When DueDate_Inv < ? And DueDate_Inv >= ? Then Balance Else 0 End) As Days_1_30,"
            " Sum(Case When DueDate_Inv < ? And DueDate_Inv >= ? Then Balance Else 0 End) As Days_31_60,"
            " Sum(Case When DueDate_Inv < ? And DueDate_Inv >= ? Then Balance Else 0 End) As Days_61_90,"
            " Sum(Case When DueDate_Inv < ? Then Balance Else 0 End) As Over_90,"
            " Sum(Balance) As Total_Due From (");
    };
    // Values are appended in the order their marks stand in the text.
    QString sql = QStringLiteral("Select CustomerName_Inv");
    for (const char* column : FigureColumns)
        sql += QStringLiteral(", %1 + 0.0 As %1").arg(QLatin1String(column));
    sql += " From (";
    if (pg) {
        // Both parts' rows grouped at once: a second grouping of the customers costs more than
        // the sort saves.
        sql += figures();
        sql += openInvoices(engine, Part::Kept, asOf, customer, values);
        sql += " Union All ";
        sql += openInvoices(engine, Part::PaidLater, asOf, customer, values);
        sql += ") Open_Invoices Group By " + key;
    } else {
        // Each part grouped by customer on its own (the kept part in its index's order, without a
        // sort), then the customers of both added up.
        sql += "Select " + name;
        for (const char* column : FigureColumns)
            sql += QStringLiteral(", Sum(%1) As %1").arg(QLatin1String(column));
        sql += " From (";
        for (Part part : {Part::Kept, Part::PaidLater}) {
            if (part == Part::PaidLater)
                sql += " Union All ";
            sql += figures();
            sql += openInvoices(engine, part, asOf, customer, values);
            sql += ") Open_Invoices Group By " + key;
        }
        sql += ") Ages Group By " + key;
    }
    sql += ") Customers Order By " + key;
    return sql;
}

QString agingSql(const QDate& asOf, const std::optional<QString>& customer, QVariantList& values)
{
    return agingSql(schema::engineOf(DM->database()), asOf, customer, values);
}

QString openInvoicesSql(schema::Engine engine, const QDate& asOf, const QString& customer, QVariantList& values)
{
    const QString age = engine == schema::Engine::PostgreSQL
                            ? QStringLiteral("Cast(? As Date) - Cast(DueDate_Inv As Date)")
                            : QStringLiteral("Cast(julianday(Date(?)) - julianday(Date(DueDate_Inv)) As Integer)");
    values << asOf;
    QString sql = "Select InvoiceNo_Inv, InvoiceDate_Inv, DueDate_Inv, " + age +
                  " As Age, Total_Due + 0.0 As Total_Due, Paid + 0.0 As Paid, Balance + 0.0 As Balance From (";
    sql += openInvoices(engine, Part::Kept, asOf, customer, values);
    sql += " Union All ";
    sql += openInvoices(engine, Part::PaidLater, asOf, customer, values);
    sql += ") Open_Invoices Order By DueDate_Inv, InvoiceNo_Inv";
    return sql;
}

}  // namespace kestrum::reports

using namespace kestrum;
using namespace kestrum::reports;

TReceivablesAging::TReceivablesAging(QWidget* parent)
    : ReportWindow(parent), grid1_(new QTableView), grid2_(new QTableView), invoicesCaption_(new QLabel),
      customers_(new Query(DM->database(), "QAging1", this)), invoices_(new Query(DM->database(), "QAging2", this)),
      engine_(schema::engineOf(DM->database()))
{
    ReceivablesAging = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Receivables Aging"));

    auto* date = new QLineEdit;
    date->setObjectName("Edit1");
    auto* picker = new QDateEdit;
    picker->setObjectName("DateTimePicker1");
    picker->setCalendarPopup(true);
    picker->setMaximumWidth(22);
    picker->setAccessibleName(QStringLiteral("Pick the date"));
    auto* customer = new records::ListCombo;
    customer->setObjectName("ComboBox1");
    customer->setEditable(true);
    customer->setInsertPolicy(QComboBox::NoInsert);
    auto* show = new QPushButton(QStringLiteral("Show"));
    show->setObjectName("Button3");
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName("Button1");
    auto* printButton = new QPushButton(QStringLiteral("Print"));
    printButton->setObjectName("Button2");
    for (QPushButton* b : {show, close, printButton})
        b->setAutoDefault(false);
    grid1_->setObjectName("DBGrid1");
    grid2_->setObjectName("DBGrid2");
    grid1_->setAccessibleName(QStringLiteral("Customers with an open balance"));
    grid2_->setAccessibleName(QStringLiteral("Open invoices of the customer"));

    auto* filters = new QGridLayout;
    addCaptioned(filters, 0, 0, QStringLiteral("As of"), date);
    filters->addWidget(picker, 0, 2);
    addCaptioned(filters, 0, 3, QStringLiteral("Customer"), customer);
    filters->addWidget(show, 0, 5);
    filters->setColumnStretch(4, 1);

    auto* figures = new QHBoxLayout;
    auto* totalsCaption = new QLabel(QStringLiteral("Totals"));
    figures->addWidget(totalsCaption);
    for (int i = 0; i < AgingColumns; ++i) {
        auto* caption = new QLabel(QLatin1String(FigureTitles[i]));
        totalLabels_[size_t(i)] = new QLabel;
        totalLabels_[size_t(i)]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        caption->setBuddy(totalLabels_[size_t(i)]);
        figures->addWidget(caption);
        figures->addWidget(totalLabels_[size_t(i)]);
    }
    figures->addStretch();
    invoicesCaption_->setBuddy(grid2_);
    invoicesCaption_->setText(QStringLiteral("Open invoices (double-click a customer)"));

    auto* foot = new QHBoxLayout;
    foot->addWidget(close);
    foot->addWidget(printButton);
    foot->addStretch();

    auto* main = new QVBoxLayout(this);
    main->addLayout(filters);
    main->addWidget(grid1_, 3);
    main->addLayout(figures);
    main->addWidget(invoicesCaption_);
    main->addWidget(grid2_, 2);
    main->addLayout(foot);

    QList<ui::GridColumn> columns{{"Customer", 200}};
    for (const char* title : FigureTitles)
        columns << ui::GridColumn{QLatin1String(title), 80};
    makeGrid(grid1_, customers_, this, columns, {1, 2, 3, 4, 5, 6});
    makeGrid(grid2_, invoices_, this,
             {{"Invoice #", 70}, {"Invoice Date", 90}, {"Due Date", 90}, {"Days Past Due", 90}, {"Total", 80},
              {"Paid", 80}, {"Balance", 80}},
             {4, 5, 6});

    setupReportWindow();
    addChoice("ComboBox1", "Invoice", "CustomerName_Inv");
    connect(show, &QPushButton::clicked, this, [this] { ui::runGuarded(this, [this] { showAging(); }); });
    connect(grid1_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { ui::runGuarded(this, [&] { showCustomer(index.row()); }); });
}

void TReceivablesAging::showAging()
{
    asOf_ = requireDate(controlText(QStringLiteral("Edit1")), QStringLiteral("As of"));
    QVariantList values;
    const QString sql = agingSql(engine_, asOf_, choice(QStringLiteral("ComboBox1")), values);
    invoices_->Close();
    openStatement(customers_, sql, values);
    totals_ = {};
    for (int row = 0; row < customers_->RecordCount(); ++row)
        for (int i = 0; i < AgingColumns; ++i)
            totals_[size_t(i)] += customers_->fieldAt(row, i + 1).AsCurrency();
    for (int i = 0; i < AgingColumns; ++i)
        totalLabels_[size_t(i)]->setText(formatMoney(totals_[size_t(i)].rounded(2)));
}

void TReceivablesAging::showCustomer(int row)
{
    if (!customers_->Active() || row < 0 || row >= customers_->fetchedCount())
        return;
    const QString name = customers_->fieldAt(row, 0).AsString();
    QVariantList values;
    const QString sql = openInvoicesSql(engine_, asOf_, name, values);
    openStatement(invoices_, sql, values);
    invoicesCaption_->setText(QStringLiteral("Open invoices of %1").arg(name));
}

void TReceivablesAging::print()
{
    if (!customers_->Active())
        showAging();
    ListLayout layout{QStringLiteral("Receivables Aging as of ") + formatShortDate(asOf_),
                      {fieldColumn("Customer", 0, 220, "CustomerName_Inv")},
                      {},
                      {},
                      true};
    for (int i = 0; i < AgingColumns; ++i)
        layout.columns.push_back(
            summedMoneyColumn(QLatin1String(FigureTitles[i]), 230 + i * 90, 86, QLatin1String(FigureColumns[i])));
    showListReport(layout, customers_, this);
}

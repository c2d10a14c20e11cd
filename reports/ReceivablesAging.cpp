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

// Every invoice dated on or before `asOf` whose total, less what was paid by then, is not zero:
// CustomerName_Inv, InvoiceNo_Inv, InvoiceDate_Inv, DueDate_Inv, Total_Due, Paid, Balance. The
// total is the invoice window's (parts plus labor plus the parts tax at its month's rate), kept
// per invoice in InvoiceSums with the payments' sum and latest date, whether a balance is left and
// the header's customer, date and due date, so only that table is read; the work grows with the
// open invoices, not with every invoice ever written. A row without a header has no total.
QString openInvoices(const QDate& asOf, const std::optional<QString>& customer, QVariantList& values)
{
    const QDate after = asOf.addDays(1);
    // The kept paid sum is the sum as of the date asked for where the latest payment lies before
    // the day after it; only invoices paid (also) later have theirs summed here, by number.
    QString sql = QStringLiteral(
        "Select S.CustomerName_Sums As CustomerName_Inv, S.InvoiceNo_Sums As InvoiceNo_Inv,"
        " S.InvoiceDate_Sums As InvoiceDate_Inv, S.DueDate_Sums As DueDate_Inv, Round(S.Total_Sums, 2) As Total_Due,"
        " Case When S.LastPay_Sums Is Null Or S.LastPay_Sums < ? Then Coalesce(S.Paid_Sums, 0) Else Coalesce(L.Amount, 0)"
        " End As Paid From InvoiceSums S"
        // Joined rather than looked up per invoice: PostgreSQL's estimate of a look-up per row
        // set off seconds of just-in-time compiling.
        " Left Join (Select InvoiceNo_Receivable As Inv, Sum(Amount_Receivable) As Amount From Receivable"
        " where InvoiceNo_Receivable In (Select InvoiceNo_Sums From InvoiceSums where LastPay_Sums >= ?)"
        " And (PayDate_Receivable < ? Or PayDate_Receivable Is Null) Group By InvoiceNo_Receivable) L"
        " On L.Inv = S.InvoiceNo_Sums"
        // Only the invoices with a balance today, and those paid after the date, can have one then.
        " where (S.Open_Sums = ? Or S.LastPay_Sums >= ?) And S.Total_Sums Is Not Null"
        " And (S.InvoiceDate_Sums < ? Or S.InvoiceDate_Sums Is Null)");
    values << after << after << after << true << after << after;
    if (customer) {
        sql += " And S.CustomerName_Sums = ?";
        values << *customer;
    }
    return "Select CustomerName_Inv, InvoiceNo_Inv, InvoiceDate_Inv, DueDate_Inv, Total_Due, Paid,"
           " Total_Due - Paid As Balance From (" + sql + ") Figures where Round(Total_Due - Paid, 2) <> 0";
}

}  // namespace

QString agingSql(schema::Engine engine, const QDate& asOf, const std::optional<QString>& customer, QVariantList& values)
{
    // Days past due, counted in whole days from the due date to the date asked for.
    const QDate d0 = asOf, d30 = asOf.addDays(-30), d60 = asOf.addDays(-60), d90 = asOf.addDays(-90);
    // PostgreSQL groups and orders the names by their lower case as text, which is what citext
    // compares, without folding both names at every comparison of the sort.
    const bool pg = engine == schema::Engine::PostgreSQL;
    const QString key = pg ? QStringLiteral("Lower(CustomerName_Inv::text)") : QStringLiteral("CustomerName_Inv");
    QString sql = pg ? QStringLiteral("Select Min(CustomerName_Inv) As CustomerName_Inv,") : QStringLiteral("Select CustomerName_Inv,");
    sql += QStringLiteral(
        " Sum(Case When DueDate_Inv Is Null Or DueDate_Inv >= ? Then Balance Else 0 End) + 0.0 As Current_Due,"
        " Sum(Case When DueDate_Inv < ? And DueDate_Inv >= ? Then Balance Else 0 End) + 0.0 As Days_1_30,"
        " Sum(Case When DueDate_Inv < ? And DueDate_Inv >= ? Then Balance Else 0 End) + 0.0 As Days_31_60,"
        " Sum(Case When DueDate_Inv < ? And DueDate_Inv >= ? Then Balance Else 0 End) + 0.0 As Days_61_90,"
        " Sum(Case When DueDate_Inv < ? Then Balance Else 0 End) + 0.0 As Over_90,"
        " Sum(Balance) + 0.0 As Total_Due From (");
    values << d0 << d0 << d30 << d30 << d60 << d60 << d90 << d90;
    sql += openInvoices(asOf, customer, values);
    sql += ") Open_Invoices Group By " + key + " Order By " + key;
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
    sql += openInvoices(asOf, customer, values);
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

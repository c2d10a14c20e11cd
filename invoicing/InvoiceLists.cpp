#include "InvoiceLists.h"

#include "ui_TInvoiceList.h"

#include "Concurrency.h"
#include "Session.h"
#include "DataModule.h"
#include "Dialogs.h"
#include "Figures.h"
#include "Format.h"
#include "InputError.h"
#include "Mdi.h"
#include "Query.h"
#include "QueryDataSet.h"
#include "Report.h"
#include "ReportPreview.h"
#include "Transaction.h"

QPointer<TOpenInvoice> OpenInvoice;
QPointer<TFinishedInvoiceReport> FinishedInvoiceReport;

using namespace kestrum::report;

namespace kestrum::invoicing {

namespace {

void run(kestrum::Query* q, const QStringList& lines, const QVariantList& values)
{
    q->setStatement(lines.join(u'\n'), values);
    q->ExecSQL();
}

// The last step of a print's transaction: the report's rows, all of them. From the commit on another
// workstation's print may replace them, so none may be left to read later (nor a cursor that a
// commit closes). PostgreSQL's driver holds the whole result once the statement has run, unless it
// reads through a cursor: then the rows are turned into values as the report lays them out, and
// its first page need not wait for the last row.
void readWorkTable(const QString& sql)
{
    kestrum::Query* q = DM->Q1;
    q->setStatement(sql);
    q->Open();
    if (kestrum::isPostgreSQL(q->database())) {
        kestrum::Query* cursors = DM->QPo1;
        cursors->setStatement(QStringLiteral("Select Count(*) As Open_Cursors From pg_cursors"));
        cursors->Open();
        const bool held = cursors->FieldByName(QStringLiteral("Open_Cursors")).AsInteger() == 0;
        cursors->Close();
        if (held)
            return;
    }
    q->RecordCount();
}

/// The shop's name centred at the top of the page header, as both lists print it.
void shopHeading(Report& r, ReportDataSet* shop)
{
    const ReportDataSet* reg = shop;
    r.pageHeader().text(0, 0, r.bodyWidth(), 34, RowText([reg](const Row&) {
                            return Row(reg, reg->currentRow())["Name_R"];
                        }),
                        report::bold(20))
        .centre();
}

}  // namespace

InvoiceListWindow::InvoiceListWindow(Kind kind, QWidget* parent)
    : QWidget(parent), kind_(kind), ui(std::make_unique<Ui::TInvoiceList>())
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui->setupUi(this);
    const bool open = kind_ == Kind::Open;
    setWindowTitle(open ? "OpenInvoice" : "FinishedInvoiceReport");
    ui->CaptionPanel->setText(open ? "Open Invoice Report" : "Finished Invoice Report");
    ui->ComboBox3->addItems(open ? QStringList{"Open", "Paid"} : QStringList{"All", "Paid"});
    ui->ComboBox3->setCurrentText(open ? "Open" : "Paid");
    if (open) {
        ui->ComboBox1->setEditText("All");
        connect(ui->ComboBox1, &records::ListCombo::dropDown, this,
                [this] { ui::runGuarded(this, [&] { fillCustomers(); }); });
    } else {
        ui->capComboBox1->hide();
        ui->ComboBox1->hide();
    }

    const QDate today = QDate::currentDate();
    ui->DateTimePicker1->setDate(today);
    ui->DateTimePicker2->setDate(today);
    ui->Edit1->setText(formatShortDate(today));
    ui->Edit2->setText(formatShortDate(today));
    connect(ui->DateTimePicker1, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { ui->Edit1->setText(formatShortDate(d)); });
    connect(ui->DateTimePicker2, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { ui->Edit2->setText(formatShortDate(d)); });

    connect(ui->Button3, &QAbstractButton::clicked, this, [this] { ui::runGuarded(this, [&] { print(); }); });
    connect(ui->Button1, &QAbstractButton::clicked, this, [this] { ui::closeWindow(this); });
}

InvoiceListWindow::~InvoiceListWindow() = default;

void InvoiceListWindow::fillCustomers()
{
    ui->ComboBox1->setValues(QStringList{"All"} +
                             records::columnValues(DM->QCompany2, "Select distinct Name_Customer From Customer",
                                                   "Name_Customer"));
}

void InvoiceListWindow::print()
{
    // Both dates are checked first: a bad one is named and the last list stays as it was.
    const QDate from = requireDate(ui->Edit1->text(), ui->capEdit1->text());
    const QDate to = requireDate(ui->Edit2->text(), ui->capEdit2->text());
    if (kind_ == Kind::Open) {
        fillOpenInvoices(from, to);
        showOpenInvoices();
    } else {
        fillFinishedInvoices(from, to);
        showFinishedInvoices();
    }
}

void InvoiceListWindow::fillOpenInvoices(const QDate& from, const QDate& to)
{
    // One row per invoice of the range with what has been paid on it so far.
    QStringList sql{" Insert Into OpenInvoice ( InvNo, Name, DateT, PaidT, Amount)",
                    " Select I.InvoiceNo_Inv, I.CustomerName_Inv, I.InvoiceDate_Inv,",
                    " Coalesce((Select Sum(R.Amount_Receivable) From Receivable R"
                    " where R.InvoiceNo_Receivable = I.InvoiceNo_Inv), 0),",
                    " Coalesce(I.Amount_Inv, 0)",
                    " From Invoice I where I.InvoiceDate_Inv Between ? and ?"};
    QVariantList values{from, to};
    const QString customer = ui->ComboBox1->currentText();
    if (customer != QLatin1String("All")) {
        sql << " And I.CustomerName_Inv = ?";
        values << customer;
    }
    sql << " And I.Paid_Inv = ?";
    values << (ui->ComboBox3->currentText() == QLatin1String("Paid"));

    kestrum::Transaction transaction(DM->database());
    kestrum::emptyWorkTables(DM->QPo1, {QStringLiteral("OpenInvoice")});
    run(DM->QPo1, sql, values);
    readWorkTable("select * From  OpenInvoice Order By InvNo");
    transaction.commit();
}

void InvoiceListWindow::fillFinishedInvoices(const QDate& from, const QDate& to)
{
    // Every payment of every invoice that received a payment in the range, whenever it was paid.
    QStringList sql{" Insert Into TotalReport ( InvNo, Name, Via, DateT, Amount)",
                    " Select R.InvoiceNo_Receivable, R.Name_Receivable, R.ViaPayment_Receivable,"
                    " R.PayDate_Receivable, Coalesce(R.Amount_Receivable, 0)",
                    " From Receivable R, Invoice I where I.InvoiceNo_Inv = R.InvoiceNo_Receivable",
                    " And R.InvoiceNo_Receivable In (Select P.InvoiceNo_Receivable From Receivable P"
                    " where P.PayDate_Receivable Between ? and ?)"};
    QVariantList values{from, to};
    if (ui->ComboBox3->currentText() != QLatin1String("All")) {
        sql << " And I.Paid_Inv = ?";
        values << true;
    }
    kestrum::Transaction transaction(DM->database());
    kestrum::emptyWorkTables(DM->QPo1, {QStringLiteral("TotalReport")});
    run(DM->QPo1, sql, values);
    readWorkTable("select * From  TotalReport Order By InvNo, DateT");
    transaction.commit();
}

void InvoiceListWindow::showOpenInvoices()
{
    QueryDataSet rows(DM->Q1, "frxDBDataset1");
    QueryDataSet shop(DM->QReg1, "frxDBDataset2");
    Report r;
    r.setTitle("Open Invoice Report");
    r.setPdfExport(false);
    r.useDataSet(&shop);
    shopHeading(r, &shop);
    Band& h = r.pageHeader();
    h.setHeight(96);
    h.text(0, 40, r.bodyWidth(), 20,
           QStringLiteral("Open invoices between date          /        /                 to          /        /  "),
           report::font(10));
    const std::pair<double, const char*> heads[] = {{8, "Inv No"},  {101, "Customer Name"}, {343, "Date"},
                                                    {413, "Paid"},  {499, "Amount"},        {626, "Balance"}};
    for (const auto& [x, t] : heads)
        h.text(x, 70, 120, 22, QString::fromLatin1(t), report::bold(12));

    DataBand& row = r.masterData(&rows, 20);
    row.rect(0, 0, 726, 20);
    row.field(8, 2, 90, 16, "InvNo", report::font(10));
    row.field(101, 2, 240, 16, "Name", report::font(10)).wrap(false);
    row.field(343, 2, 68, 16, "DateT", report::font(10));
    row.field(413, 2, 84, 16, "PaidT", report::font(10));
    row.field(499, 2, 125, 16, "Amount", report::font(10));
    row.text(626, 2, 100, 16, RowText([](const Row& x) {
                 return (x.decimal("Amount") - x.decimal("PaidT")).toString();
             }),
             report::font(10));
    const Sum paid = row.sum(QStringLiteral("PaidT"));
    const Sum amount = row.sum(QStringLiteral("Amount"));
    Band& f = row.footer();
    f.setHeight(24);
    f.text(139, 4, 180, 18, ContextText([paid](const Context& c) {
               return "Total Paid  : " + formatReportMoney(c.sum(paid));
           }),
           report::bold(10));
    f.text(323, 4, 240, 18, ContextText([amount](const Context& c) {
               return "Total  Amount: " + formatReportMoney(c.sum(amount));
           }),
           report::bold(10));
    showReport(r, this);
}

void InvoiceListWindow::showFinishedInvoices()
{
    QueryDataSet rows(DM->Q1, "frxDBDataset1");
    QueryDataSet shop(DM->QReg1, "frxDBDataset2");
    Report r;
    r.setTitle("Finished Invoice Report");
    r.setPdfExport(false);
    r.useDataSet(&shop);
    shopHeading(r, &shop);
    Band& h = r.pageHeader();
    h.setHeight(70);
    const std::pair<double, const char*> heads[] = {
        {8, "Inv No"}, {101, "Customer Name"}, {359, "Via Payment"}, {490, "Date"}, {598, "Amount"}};
    for (const auto& [x, t] : heads)
        h.text(x, 44, 130, 22, QString::fromLatin1(t), report::bold(12));

    DataBand& row = r.masterData(&rows, 20);
    row.rect(0, 0, 726, 20);
    row.field(8, 2, 90, 16, "InvNo", report::font(10));
    row.field(101, 2, 255, 16, "Name", report::font(10)).wrap(false);
    row.field(359, 2, 128, 16, "Via", report::font(10)).wrap(false);
    row.field(490, 2, 105, 16, "DateT", report::font(10));
    row.field(598, 2, 128, 16, "Amount", report::font(10));
    const Sum amount = row.sum(QStringLiteral("Amount"));
    Band& f = row.footer();
    f.setHeight(24);
    f.text(529, 4, 197, 18, ContextText([amount](const Context& c) {
               return "Total  : " + formatReportMoney(c.sum(amount));
           }),
           report::bold(10));
    showReport(r, this);
}

}  // namespace kestrum::invoicing

TOpenInvoice::TOpenInvoice(QWidget* parent) : InvoiceListWindow(Kind::Open, parent)
{
    OpenInvoice = this;
}

TFinishedInvoiceReport::TFinishedInvoiceReport(QWidget* parent) : InvoiceListWindow(Kind::Finished, parent)
{
    FinishedInvoiceReport = this;
}

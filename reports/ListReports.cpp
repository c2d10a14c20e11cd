#include "ListReports.h"

#include "ui_TReportBank.h"
#include "ui_TReportCustomer.h"
#include "ui_TReportItems.h"
#include "ui_TReportPayable.h"
#include "ui_TReportReceivable.h"
#include "ui_TReportVendor1.h"

#include "DataModule.h"
#include "PartedQueryDataSet.h"
#include "Query.h"
#include "Schema.h"

using namespace kestrum;
using namespace kestrum::reports;

QPointer<TReportPayable> ReportPayable;
QPointer<TReportReceivable> ReportReceivable;
QPointer<TReportVendor1> ReportVendor1;
QPointer<TReportItems> ReportItems;
QPointer<TReportCustomer> ReportCustomer;
QPointer<TReportBank> ReportBank;

namespace kestrum::reports {

ListLayout payableLayout()
{
    return {QStringLiteral("Payable Report"),
            {fieldColumn("Bill No", 0, 90, "BillNo_Payable"),
             fieldColumn("Description", 92, 168, "Name_Payable"),
             fieldColumn("Via Payment", 262, 96, "ViaPayment_Payable"),
             fieldColumn("Date", 360, 80, "PayDate_Payable"),
             moneyColumn("Amount $", 442, 98, "Amount_Payable"),
             {"Accounts", 542, 196,
              [](const report::Row& r) { return r.text("Chart_Payable") + " " + r.text("SubChart_Payable"); }}},
            QStringLiteral("Total  $: "),
            QStringLiteral("Amount_Payable")};
}

ListLayout receivableLayout()
{
    return {QStringLiteral("Receivable Report"),
            {fieldColumn("Inv No", 0, 70, "InvoiceNo_Receivable"),
             fieldColumn("Customer Name", 72, 236, "Name_Receivable"),
             fieldColumn("Via Payment", 310, 120, "ViaPayment_Receivable"),
             fieldColumn("Date", 432, 100, "PayDate_Receivable"),
             moneyColumn("Amount", 534, 160, "Amount_Receivable")},
            QStringLiteral("Total  $: "),
            QStringLiteral("Amount_Receivable")};
}

ListLayout depositLayout()
{
    return {QStringLiteral("Bank Report"),
            {fieldColumn("Deposit To", 0, 200, "DepositTo_Dep"),
             fieldColumn("Date", 202, 110, "Date_Dep"),
             fieldColumn("From", 314, 250, "From_Dep"),
             moneyColumn("Amount", 566, 160, "Amount_Dep")},
            QStringLiteral("Total  $: "),
            QStringLiteral("Amount_Dep")};
}

namespace {

GroupedLayout orderLayout(const QString& title)
{
    return {title,
            QStringLiteral("Po_Order"),
            {{"Po#", "Po_Order"}, {"Vendor:", "Vendor_Order"}, {"Order Date:", "OrderDate_Order"},
             {"Customer:", "SideMark_Order"}},
            {},
            {fieldColumn("Part Name", 0, 360, "Name_Item"), fieldColumn("Qty", 370, 80, "Qty_Item"),
             moneyColumn("Rate", 460, 120, "Rate_Item"), moneyColumn("Amount", 590, 140, "Amount_Item")},
            QStringLiteral("Amount_Item"),
            QStringLiteral("Total Order"),
            QStringLiteral("Total")};
}

GroupedLayout customerLayout(bool parts)
{
    const QString name = parts ? "Name_Item" : "Description_Labor";
    const QString qty = parts ? "Qty_Item" : "Qty_Labor";
    const QString rate = parts ? "Rate_Item" : "Rate_Labor";
    const QString amount = parts ? "Amount_Item" : "Amount_Labor";
    return {parts ? QStringLiteral("Customer Report Parts") : QStringLiteral("Customer Report Labor"),
            QStringLiteral("InvoiceNo_Inv"),
            {{"Invoice #", "InvoiceNo_Inv"}, {"Customer :", "CustomerName_Inv"}, {"Invoice Date:", "InvoiceDate_Inv"},
             {"Po # :", "Po_Inv"}, {"Amount $:", "Amount_Inv"}, {"Paid :", "Paid_Inv"}, {"Truck # :", "TruckNo_Inv"}},
            QStringLiteral("Parts"),
            {fieldColumn("Part Name", 70, 300, name), fieldColumn("Qty", 380, 70, qty),
             moneyColumn("Rate", 460, 120, rate), moneyColumn("Amount", 590, 140, amount)},
            amount,
            parts ? QStringLiteral("Total Items") : QStringLiteral("Total Labors"),
            parts ? QStringLiteral("Total Parts") : QStringLiteral("Total Labors")};
}

const char* const OrderLines =
    "select O.Po_Order,O.SideMark_Order,O.OrderDate_Order,O.Vendor_Order,I.Po_Item,I.Name_Item,I.Qty_Item,"
    "I.Rate_Item,I.Amount_Item From  Orders O,Items I where ";

// Lines have no key column: the engine's own row identity (SQLite's rowid, PostgreSQL's row
// position) gives them in the order they were entered, as the document windows list them,
// whatever order the join's plan leaves them in.
QString enteredOrder(const QString& alias, const QSqlDatabase& db) {
    return alias + (schema::engineOf(db) == schema::Engine::PostgreSQL ? "ctid" : "rowid");
}

}  // namespace

}  // namespace kestrum::reports

// --- payments made -----------------------------------------------------------------------------

TReportPayable::TReportPayable(QWidget* parent) : ReportWindow(parent), ui(std::make_unique<Ui::TReportPayable>())
{
    ui->setupUi(this);
    setupReportWindow();
    addChoice("ComboBox1", "Bill", "Vendor_Bill");
    addChoice("ComboBox2", "Payable", "ViaPayment_Payable");
    addChoice("ComboBox3", "Bill", "Chart_Bill");
    addChoice("ComboBox4", "Bill", "SubChart_Bill");
    setItems("ComboBox5", {"Bill", "Order"}, "Bill");
    ReportPayable = this;
}

TReportPayable::~TReportPayable() = default;

void TReportPayable::print()
{
    const Period p = period();
    const QString kind = controlText("ComboBox5").trimmed();
    QString table;
    if (kind == "Bill")
        table = "Payable";
    else if (kind == "Order")
        table = "PayableOrder";
    else
        return;
    Query* q = DM->Q1;
    q->Clear();
    q->Add("select * From " + table + " where " + periodCondition("PayDate_Payable"));
    bindPeriod(q, p);
    addChosen(q, " And Name_Payable =", choice("ComboBox1"));
    addChosen(q, " And ViaPayment_Payable =", choice("ComboBox2"));
    addChosen(q, " And Chart_Payable =", choice("ComboBox3"));
    addChosen(q, " And SubChart_Payable =", choice("ComboBox4"));
    q->Add(" Order By PayDate_Payable, BillNo_Payable");
    q->Open();
    q->First();
    showListReport(payableLayout(), q, this);
}

// --- payments received -------------------------------------------------------------------------

TReportReceivable::TReportReceivable(QWidget* parent)
    : ReportWindow(parent), ui(std::make_unique<Ui::TReportReceivable>())
{
    ui->setupUi(this);
    setupReportWindow();
    addChoice("ComboBox1", "Customer", "Name_Customer");
    addChoice("ComboBox2", "Receivable", "ViaPayment_Receivable");
    // The payments' chart columns are never filled, so there is nothing to pick.
    addUnrestrictingChoice("ComboBox3");
    addUnrestrictingChoice("ComboBox4");
    ReportReceivable = this;
}

TReportReceivable::~TReportReceivable() = default;

void TReportReceivable::print()
{
    const Period p = period();
    Query* q = DM->Q1;
    q->Clear();
    q->Add("select * From Receivable where " + periodCondition("PayDate_Receivable"));
    bindPeriod(q, p);
    addChosen(q, " And Name_Receivable =", choice("ComboBox1"));
    addChosen(q, " And ViaPayment_Receivable =", choice("ComboBox2"));
    q->Add(" Order By PayDate_Receivable, InvoiceNo_Receivable");
    q->Open();
    q->First();
    showListReport(receivableLayout(), q, this);
}

// --- purchase orders by vendor -------------------------------------------------------------------

TReportVendor1::TReportVendor1(QWidget* parent) : ReportWindow(parent), ui(std::make_unique<Ui::TReportVendor1>())
{
    ui->setupUi(this);
    setupReportWindow();
    addChoice("ComboBox1", "Company", "Name_Company");
    // Orders carry no payment method or chart.
    addUnrestrictingChoice("ComboBox2");
    addUnrestrictingChoice("ComboBox3");
    addUnrestrictingChoice("ComboBox4");
    ReportVendor1 = this;
}

TReportVendor1::~TReportVendor1() = default;

void TReportVendor1::print()
{
    const Period p = period();
    Query* q = DM->Q1;
    q->Clear();
    q->Add(OrderLines + periodCondition("O.OrderDate_Order"));
    bindPeriod(q, p);
    addChosen(q, " And O.Vendor_Order =", choice("ComboBox1"));
    q->Add(" And O.Po_Order = I.Po_Item");
    // Groups break when the order changes, so each order's lines must come together.
    q->Add(" Order By O.Po_Order, " + enteredOrder(QStringLiteral("I."), q->database()));
    q->Open();
    q->First();
    showGroupedReport(orderLayout("Vendors Report"), q, this);
}

// --- purchase orders by part ---------------------------------------------------------------------

TReportItems::TReportItems(QWidget* parent) : ReportWindow(parent), ui(std::make_unique<Ui::TReportItems>())
{
    ui->setupUi(this);
    setupReportWindow();
    addChoice("ComboBox1", "Company", "Name_Company");
    addChoice("ComboBox2", "Customer", "Name_Customer");
    ReportItems = this;
}

TReportItems::~TReportItems() = default;

void TReportItems::print()
{
    const QString part = controlText("Edit3");
    if (part.isEmpty())
        return;
    const Period p = period();
    Query* q = DM->Q1;
    q->Clear();
    q->Add(OrderLines + QStringLiteral("I.Color_Item Like ? ESCAPE '\\'"));
    q->Bind(containsPattern(part));
    q->Add(" And " + periodCondition("O.OrderDate_Order"));
    bindPeriod(q, p);
    addChosen(q, " And O.Vendor_Order =", choice("ComboBox1"));
    addChosen(q, " And O.SideMark_Order =", choice("ComboBox2"));
    q->Add(" And O.Po_Order = I.Po_Item");
    q->Add(" Order By O.Po_Order, " + enteredOrder(QStringLiteral("I."), q->database()));
    q->Open();
    q->First();
    showGroupedReport(orderLayout("Parts Order Report"), q, this);
}

// --- invoices by customer -----------------------------------------------------------------------

TReportCustomer::TReportCustomer(QWidget* parent)
    : ReportWindow(parent), ui(std::make_unique<Ui::TReportCustomer>())
{
    ui->setupUi(this);
    setupReportWindow();
    addChoice("ComboBox1", "Customer", "Name_Customer");
    setItems("ComboBox2", {"Parts", "Labor"}, "Parts");
    // Invoices carry no chart.
    addUnrestrictingChoice("ComboBox3");
    addUnrestrictingChoice("ComboBox4");
    ReportCustomer = this;
}

TReportCustomer::~TReportCustomer() = default;

void TReportCustomer::print()
{
    const Period p = period();
    const bool parts = controlText("ComboBox2").trimmed() == "Parts";
    const std::optional<QString> customer = choice("ComboBox1");
    Query* q = DM->Q1;
    // The year's lines are read a run of invoices at a time: first the invoice numbers the report
    // can print, in its order, on a scratch query.
    q->Clear();
    q->Add("select O.InvoiceNo_Inv From Invoice O where " + periodCondition("O.InvoiceDate_Inv"));
    bindPeriod(q, p);
    addChosen(q, " And O.CustomerName_Inv =", customer);
    const QString numbersConditions = q->SQLText().section(QStringLiteral(" where "), 1);
    q->Add(" Order By O.InvoiceNo_Inv");
    const QString numbersSql = q->SQLText();
    const QVariantList numbersValues = q->boundValues();
    q->Clear();
    std::vector<QVariant> numbers;
    {
        Query keys(q->database(), q->Name() + QStringLiteral(" (invoices)"));
        keys.setStatement(numbersSql, numbersValues);
        keys.Open();
        const int count = keys.RecordCount();
        numbers.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            numbers.push_back(keys.fieldAt(i, 0).AsVariant());
    }

    const QString head =
        "select O.InvoiceNo_Inv,O.Customername_Inv,O.Invoicedate_Inv,O.Po_Inv,O.Amount_Inv,O.Paid_Inv,O.TruckNo_Inv,";
    if (parts)
        q->Add(head + "I.Inv_Item,I.Name_Item,I.Qty_Item,I.Rate_Item,I.Amount_Item From  Invoice O,InvItem I where ");
    else
        q->Add(head +
               "L.Inv_Labor,L.Description_Labor,L.Qty_Labor,L.Rate_Labor,L.Amount_Labor From  Invoice O,InvLabor L where ");
    q->Add(periodCondition("O.InvoiceDate_Inv"));
    bindPeriod(q, p);
    addChosen(q, " And O.CustomerName_Inv =", customer);
    q->Add(parts ? " And O.InvoiceNo_Inv = I.Inv_Item" : " And O.InvoiceNo_Inv = L.Inv_Labor");
    // Later parts read the invoice's columns once an invoice, and only the line's on every line.
    const QString conditions = q->SQLText().section(QStringLiteral(" where "), 1);
    const QString line = parts ? "select I.Inv_Item,I.Name_Item,I.Qty_Item,I.Rate_Item,I.Amount_Item From  Invoice O,InvItem I where "
                               : "select L.Inv_Labor,L.Description_Labor,L.Qty_Labor,L.Rate_Labor,L.Amount_Labor From  Invoice O,InvLabor L where ";
    const QString lineOrder = enteredOrder(parts ? QStringLiteral("I.") : QStringLiteral("L."), q->database());
    report::PartedStatement statement{q->SQLText(),
                                      q->boundValues(),
                                      QStringLiteral("O.InvoiceNo_Inv"),
                                      " Order By O.InvoiceNo_Inv, " + lineOrder,
                                      head.chopped(1) + " From Invoice O where " + numbersConditions,
                                      line + conditions};
    report::PartedQueryDataSet rows(q, std::move(statement), std::move(numbers), QStringLiteral("frxDBDataset1"));
    rows.open();
    showGroupedReport(customerLayout(parts), &rows, this);
}

// --- deposits by account -------------------------------------------------------------------------

TReportBank::TReportBank(QWidget* parent) : ReportWindow(parent), ui(std::make_unique<Ui::TReportBank>())
{
    ui->setupUi(this);
    setupReportWindow();
    addChoice("ComboBox1", "Bank", "Name_Bank");
    ReportBank = this;
}

TReportBank::~TReportBank() = default;

void TReportBank::print()
{
    const Period p = period();
    Query* q = DM->Q1;
    q->Clear();
    q->Add("select * From Deposit where " + periodCondition("Date_Dep"));
    bindPeriod(q, p);
    addChosen(q, " And DepositTo_Dep =", choice("ComboBox1"));
    q->Add(" Order By DepositTo_Dep, Date_Dep");
    q->Open();
    q->First();
    showListReport(depositLayout(), q, this);
}

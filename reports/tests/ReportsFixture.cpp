#include "ReportsFixture.h"

#include "AuxWindow.h"
#include "ReportPreview.h"
#include "ReportWindows.h"

#include <QAbstractItemModel>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>

namespace reportstest {

using kestrum::report::PreparedReport;

Decimal dec(const char* text)
{
    return *Decimal::parse(QString::fromLatin1(text));
}

Decimal rateOf(const QDate& date)
{
    if (date.year() != 2026)
        return {};
    return date.month() <= 6 ? dec("0.0725") : dec("0.08");
}

Decimal sum(const std::vector<Decimal>& amounts)
{
    Decimal s;
    for (const Decimal& a : amounts)
        s += a;
    return s;
}

void ReportsTest::SetUp()
{
    WindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    kestrum::registerReportWindows();
    seed();
}

void ReportsTest::TearDown()
{
    kestrum::ui::destroyAuxWindows();
    WindowTest::TearDown();
}

void ReportsTest::seed()
{
    exec("Update Reg Set Name_R = ? Where Id_R = 1", {QString("Kestrel Auto Repair")});
    DM->QReg1->Open();  // the profile is read once; re-read it for the test's shop name

    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (1, 2026, 1, 6, ?)", {QVariant::fromValue(dec("0.0725"))});
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (2, 2026, 7, 12, ?)", {QVariant::fromValue(dec("0.08"))});

    invoices = {
        {1, "Dana Whitfield", QDate(2026, 1, 15), true, true, {dec("100.10"), dec("25.05")}, {dec("80")}},
        {2, "O'Neil Garage", QDate(2026, 2, 3), false, true, {dec("40")}, {dec("120.50")}},
        {3, "Dana Whitfield", QDate(2026, 3, 20), true, false, {dec("15.25")}, {dec("60")}},
        {4, "Brook Farm", QDate(2026, 7, 4), true, true, {dec("200"), dec("12.34")}, {dec("45.5")}},
        {5, "O'Neil Garage", QDate(2026, 8, 30), true, true, {}, {dec("99.99")}},
        {6, "Brook Farm", QDate(2026, 12, 31), false, false, {dec("5")}, {}},
        {7, "Dana Whitfield", QDate(2025, 11, 15), true, true, {dec("50")}, {dec("10")}},
    };
    for (const Inv& i : invoices) {
        const Decimal total = sum(i.parts) + sum(i.labor);
        exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, RepairPerson_Inv, InvoiceDate_Inv, "
             "PO_Inv, Amount_Inv, TruckNo_Inv, Tax_Inv) Values (?,?,?,?,?,?,?,?,?)",
             {i.no, i.paid, i.customer, QString("Sam"), i.date, QString("PO-%1").arg(i.no), QVariant::fromValue(total),
              QString("T-%1").arg(i.no), i.taxable});
        int n = 0;
        for (const Decimal& a : i.parts)
            exec("Insert Into InvItem (Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item, Amount_Item, "
                 "Inv_Item) Values (?,?,?,?,?,?,?,?)",
                 {QString("Part %1-%2").arg(i.no).arg(++n), QString("Mfg"), 1, QString(""),
                  n == 1 ? QString("BP-12") : QString("RT-120"), QVariant::fromValue(a), QVariant::fromValue(a), i.no});
        n = 0;
        for (const Decimal& a : i.labor)
            exec("Insert Into InvLabor (Description_Labor, PartNo_Labor, Qty_Labor, Rate_Labor, Amount_Labor, "
                 "Remark_Labor, Inv_Labor) Values (?,?,?,?,?,?,?)",
                 {n++ == 0 ? QString("Brake job") : QString("Driver's seat"), QString("Lift"), 1,
                  QVariant::fromValue(a), QVariant::fromValue(a), QString(""), i.no});
    }
    exec("Insert Into InvLabor (Description_Labor, PartNo_Labor, Qty_Labor, Rate_Labor, Amount_Labor, Remark_Labor, "
         "Inv_Labor) Values (?,?,?,?,?,?,?)",
         {QString("Driver's seat"), QString(""), 1, 30, 30, QString(""), 3});
    invoices[2].labor.push_back(dec("30"));

    payments = {
        {1, "Dana Whitfield", "Cash", QDate(2026, 1, 20), "r1", dec("100")},
        {1, "Dana Whitfield", "Check", QDate(2026, 2, 10), "r2", dec("113.24")},  // second instalment
        {2, "O'Neil Garage", "Check", QDate(2026, 2, 15), "r3", dec("50")},
        {3, "Dana Whitfield", "Card", QDate(2026, 3, 25), "r4", dec("105.25")},
        {4, "Brook Farm", "Check", QDate(2026, 7, 10), "r5", dec("200")},
        {4, "Brook Farm", "Cash", QDate(2026, 8, 5), "r6", dec("74.57")},  // after July
        {5, "O'Neil Garage", "Card", QDate(2026, 9, 1), "r7", dec("99.99")},
        {7, "Dana Whitfield", "Cash", QDate(2026, 1, 5), "r8", dec("63.69")},
    };
    for (const Pay& p : payments)
        exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, ViaPayment_Receivable, "
             "DepositTo_Receivable, PayDate_Receivable, Ref_Receivable, Amount_Receivable, Remark_Receivable) "
             "Values (?,?,?,?,?,?,?,?)",
             {p.invoice, p.name, p.via, QString("Main Checking"), p.date, p.ref, QVariant::fromValue(p.amount),
              QString("")});

    for (const auto& [ref, vendor] : {std::pair{"B-1", "Acme Parts"}, {"B-2", "Acme Parts"}, {"B-3", "Zed Supply"},
                                      {"B-1", "Zed Supply"}})
        exec("Insert Into Bill (Ref_Bill, Vendor_Bill, BillDate_Bill, DueDate_Bill, Amount_Bill, Address_Bill, "
             "Chart_Bill, SubChart_Bill, Remark_Bill) Values (?,?,?,?,?,?,?,?,?)",
             {QString(ref), QString(vendor), QDate(2026, 1, 2), QDate(2026, 2, 2), 500, QString("1 Dock St"),
              QString("Parts"), QString("Brakes"), QString("")});
    billPayments = {
        {"B-1", "Acme Parts", "Check", QDate(2026, 1, 5), dec("300"), "Parts", "Brakes", false},
        {"B-2", "Acme Parts", "Cash", QDate(2026, 2, 5), dec("45.50"), "Parts", "Filters", false},
        {"B-3", "Zed Supply", "Check", QDate(2026, 2, 20), dec("99.95"), "Tools", "", false},
        {"B-1", "Zed Supply", "Check", QDate(2026, 2, 21), dec("12.01"), "Parts", "Brakes", false},
        {"7", "Acme Parts", "Check", QDate(2026, 2, 1), dec("120"), "Parts", "Brakes", true},
        {"8", "Zed Supply", "Cash", QDate(2026, 3, 1), dec("20.75"), "Parts", "", true},
    };
    for (const BillPay& b : billPayments)
        exec(QString("Insert Into %1 (BillNo_Payable, Name_Payable, ViaPayment_Payable, PayDate_Payable, Ref_Payable, "
                     "Amount_Payable, Chart_Payable, SubChart_Payable, Remark_Payable) Values (?,?,?,?,?,?,?,?,?)")
                 .arg(b.order ? "PayableOrder" : "Payable"),
             {b.bill, b.vendor, b.via, b.date, QString(""), QVariant::fromValue(b.amount), b.chart, b.subChart,
              QString("")});

    orders = {{7, "Dana Whitfield", QDate(2026, 2, 1), "Acme Parts"},
              {8, "Brook Farm", QDate(2026, 2, 14), "Zed Supply"},
              {9, "Stock", QDate(2026, 7, 1), "Acme Parts"}};
    for (const Order& o : orders)
        exec("Insert Into Orders (Po_Order, SideMark_Order, OrderBy_Order, OrderDate_Order, Vendor_Order, "
             "ForInvoice_Order) Values (?,?,?,?,?,?)",
             {o.po, o.sideMark, QString("Sam"), o.date, o.vendor, QString("Stock")});
    lines = {{7, "Brake pad", "BP-12", dec("2"), dec("20")},     {8, "Filter", "F-9", dec("3"), dec("4.25")},
             {7, "Rotor", "RT-120", dec("1"), dec("55.5")},      {8, "Wear sensor", "X12", dec("1"), dec("8")},
             {8, "Clip", "A_1", dec("10"), dec("0.35")},         {9, "Brake pad", "BP-12", dec("4"), dec("19")},
             {9, "Bolt", "AB1", dec("6"), dec("1.1")}};
    for (const Line& l : lines)
        exec("Insert Into Items (Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item, Amount_Item, "
             "Po_Item) Values (?,?,?,?,?,?,?,?)",
             {l.name, QString("Mfg"), QVariant::fromValue(l.qty), QString(""), l.partNo, QVariant::fromValue(l.rate),
              QVariant::fromValue(l.amount()), l.po});

    deposits = {{"Main Checking", QDate(2026, 1, 21), "Dana Whitfield", "501", dec("100")},
                {"Main Checking", QDate(2026, 2, 11), "Dana Whitfield", "502", dec("113.24")},
                {"Main Checking Old", QDate(2026, 2, 12), "Brook Farm", "503", dec("7")},
                {"Main Checking", QDate(2026, 3, 26), "O'Neil Garage", "", dec("50")},
                {"Main Checking", QDate(2026, 3, 26), "O'Neil Garage", "", dec("50")}};  // entered twice
    for (const Dep& d : deposits)
        exec("Insert Into Deposit (DepositTo_Dep, Date_Dep, From_Dep, Acc_Dep, SubAcc_Dep, Chk_Dep, Amount_Dep, "
             "Remark_Dep) Values (?,?,?,?,?,?,?,?)",
             {d.to, d.date, d.from, QString("Sales"), QString(""), d.chk, QVariant::fromValue(d.amount), QVariant()});
}

PreparedReport ReportsTest::printed(const std::function<void()>& print)
{
    kestrum::report::ReportCapture capture;
    print();
    EXPECT_EQ(capture.reports().size(), 1u) << dialogs_->last().toStdString();
    if (capture.reports().empty())
        return {};
    return capture.reports().back();
}

QString ReportsTest::textOf(const PreparedReport& r)
{
    QStringList pages;
    for (int i = 0; i < r.pageCount(); ++i)
        pages << r.pageText(i);
    return pages.join(u'\n');
}

QString ReportsTest::pdfTextOf(const PreparedReport& r)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return {};
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    EXPECT_TRUE(r.exportPdf(file, &error)) << error.toStdString();
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList ReportsTest::gridRows(QWidget* window)
{
    QStringList rows;
    auto* grid = window ? window->findChild<QTableView*>(QStringLiteral("DBGrid1")) : nullptr;
    if (!grid || !grid->model())
        return rows;
    QAbstractItemModel* m = grid->model();
    while (m->canFetchMore({}))
        m->fetchMore({});
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

QString ReportsTest::money(const Decimal& d)
{
    return kestrum::report::formatReportMoney(d);
}

}  // namespace reportstest

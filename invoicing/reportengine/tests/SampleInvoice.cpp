#include "SampleInvoice.h"

using namespace kestrum;
using namespace kestrum::report;

namespace {
QStringList names(const char* list) { return QString::fromLatin1(list).split(QLatin1Char(',')); }
}  // namespace

SampleInvoice::SampleInvoice(int parts)
    : invoice(QStringLiteral("frxDBDataset1"),
              names("InvoiceNo_Inv,InvoiceDate_Inv,DueDate_Inv,PO_Inv,CustomerName_Inv,JobLocation_Inv,Vin_Inv,"
                    "TruckNo_Inv,Make_Inv,Year_Inv,Model_Inv,Mileage_Inv,Plate_Inv,Remark_Inv")),
      items(QStringLiteral("frxDBDataset2"), names("Name_Item,Color_Item,Qty_Item,Rate_Item,Amount_Item")),
      labor(QStringLiteral("frxDBDataset3"), names("Description_Labor,Qty_Labor,Rate_Labor,Amount_Labor")),
      tax(QStringLiteral("frxDBDataset4"), names("Tax_T")),
      shop(QStringLiteral("frxDBDataset5"),
           names("Name_R,Catagory_R,Address_R,City_R,State_R,Zip_R,Tel_R,Fax_R,Cell_R,Web_R,Email_R")) {
    invoice.addRow({1041, QDate(2026, 12, 8), QDate(2027, 1, 7), "Dana Whitfield", "Whitfield Hauling",
                    "12 Orchard Rd, Millbrook", "1FTFW1E50NFA00001", "T-7", "Ford", 2022, "F-150", 48211,
                    "KST 204", "Customer waits for the car"});
    for (int i = 1; i <= parts; ++i) {
        const Decimal rate = Decimal::fromRaw(12340000) * Decimal::fromInt(i);
        items.addRow({QStringLiteral("Brake pad set %1").arg(i), QStringLiteral("BP-%1").arg(100 + i), 2,
                      QVariant::fromValue(rate), QVariant::fromValue(rate * Decimal::fromInt(2))});
    }
    labor.addRow({"Replace front brake pads", "1.5", "95", "142.5"});
    labor.addRow({"Road test", "0.5", "95", "47.5"});
    tax.addRow({"0.0825"});
    shop.addRow({"Kestrel Auto Repair", "Brakes - Engines - Inspections", "400 Main Street", "Millbrook", "NY",
                 "12545", "845-555-0100", "845-555-0101", "845-555-0102", "www.kestrel-auto.example",
                 "office@kestrel-auto.example"});

    report.setTitle(QStringLiteral("Invoice 1041"));
    report.setCopies(3);
    report.useDataSet(&invoice);
    report.useDataSet(&tax);
    report.useDataSet(&shop);
    const auto inv = [this](const QString& f) { return RowText([this, f](const Row&) { return Row(&invoice, invoice.currentRow())[f]; }); };
    const auto reg = [this](const QString& f) { return Row(&shop, shop.currentRow())[f]; };

    Band& h = report.pageHeader();
    h.setHeight(220);
    h.rect(0, 0, 731, 191);
    h.text(15, 5, 300, 30, RowText([reg](const Row&) { return " " + reg("Name_R"); }), bold(20));
    h.text(15, 34, 300, 16, RowText([reg](const Row&) { return " " + reg("Catagory_R"); }), font(10));
    h.text(20, 49, 290, 80, RowText([reg](const Row&) {
               return "Address:  " + reg("Address_R") + "\n" + reg("City_R") + " " + reg("State_R") + ", " +
                      reg("Zip_R") + "\nTel:" + reg("Tel_R") + "\nFax:" + reg("Fax_R") + "\nCell:" + reg("Cell_R");
           }), bold(10));
    h.text(508, 9, 220, 16, ContextText([reg](const Context& c) {
               const QStringList labels = {" " + reg("Name_R") + " Copy", "Customer Copy", "Accounting Copy"};
               return labels.value(c.copy());
           }), font(10)).centre();
    h.text(328, 8, 90, 16, QStringLiteral("Invoice Date:"), bold(10));
    h.text(419, 8, 90, 16, inv(QStringLiteral("InvoiceDate_Inv")), font(10));
    h.text(348, 34, 70, 16, QStringLiteral("Due Date:"), font(10));
    h.text(419, 34, 90, 16, inv(QStringLiteral("DueDate_Inv")), font(10));
    h.text(579, 29, 120, 28, QStringLiteral("Invoice"), bold(18));
    h.text(569, 58, 120, 28, inv(QStringLiteral("InvoiceNo_Inv")), bold(18)).centre();
    struct Pair { double lx, vx, y; const char* label; const char* field; };
    const Pair pairs[] = {{317, 419, 57, "Contact Name:", "PO_Inv"},
                          {339, 452, 100, "Customer Name:", "CustomerName_Inv"},
                          {343, 454, 124, "Billing Address:", "JobLocation_Inv"},
                          {17, 60, 132, "Vin#:", "Vin_Inv"},
                          {187, 254, 130, "Car No:", "TruckNo_Inv"},
                          {11, 54, 152, "Make:", "Make_Inv"},
                          {201, 246, 152, "Year:", "Year_Inv"},
                          {6, 59, 170, "Model:", "Model_Inv"},
                          {189, 243, 170, "Milage:", "Mileage_Inv"},
                          {331, 387, 170, "Plate #:", "Plate_Inv"}};
    for (const Pair& p : pairs) {
        h.text(p.lx, p.y, p.vx - p.lx, 16, QString::fromLatin1(p.label), bold(10));
        h.text(p.vx, p.y, p.vx < 300 ? 125 : 260, 16, inv(QString::fromLatin1(p.field)), font(10));
    }
    const std::pair<double, const char*> heads[] = {{22, "Description"}, {490, "Part No"}, {562, "Qty"},
                                                    {606, "Rate"}, {660, "Amount"}};
    for (const auto& [x, t] : heads)
        h.text(x, 198, 120, 20, QString::fromLatin1(t), bold(12));

    DataBand& part = report.masterData(&items, 20);
    part.rect(0, 0, 732, 20);
    part.text(11, 2, 481, 16, [](const Row& r) { return "Part : " + r["Name_Item"]; }, font(8));
    part.field(488, 2, 76, 16, QStringLiteral("Color_Item"), font(8));
    part.field(568, 2, 38, 16, QStringLiteral("Qty_Item"), font(8));
    part.moneyField(608, 2, 58, 16, QStringLiteral("Rate_Item"), font(8));
    part.moneyField(666, 2, 64, 16, QStringLiteral("Amount_Item"), font(8));
    partTotal = part.sum(QStringLiteral("Amount_Item"));

    DataBand& lab = report.masterData(&labor, 26);
    lab.rect(0, 0, 732, 26);
    lab.text(10, 4, 558, 18, [](const Row& r) { return "Labor : " + r["Description_Labor"]; }, font(8));
    lab.field(570, 4, 38, 18, QStringLiteral("Qty_Labor"), font(8));
    lab.moneyField(610, 4, 56, 18, QStringLiteral("Rate_Labor"), font(8));
    lab.moneyField(668, 4, 62, 18, QStringLiteral("Amount_Labor"), font(8));
    laborTotal = lab.sum(QStringLiteral("Amount_Labor"));

    Band& t = report.reportSummary();
    t.setHeight(100);
    t.rect(0, 4, 450, 96);
    t.text(4, 6, 440, 60, RowText([inv](const Row& r) { return "Remark :" + inv(QStringLiteral("Remark_Inv"))(r); }), font(7));
    t.text(4, 68, 440, 14, RowText([reg](const Row&) {
               return "Please Remit to " + reg("Name_R") + "  and Mail it to Below Address.";
           }), font(8));
    t.text(4, 83, 440, 14, QStringLiteral("We Thank You for Your Business and Greatly Appreciate Your Referrals"), font(8));
    t.rect(494, 4, 243, 96);
    const Sum p = partTotal, l = laborTotal;
    const auto rate = [this] { return Row(&tax, tax.currentRow()).decimal(QStringLiteral("Tax_T")); };
    t.text(498, 7, 235, 18, ContextText([p](const Context& c) { return "Total  Part   : " + formatReportMoney(c.sum(p)); }), font(10));
    t.text(498, 30, 235, 18, ContextText([l](const Context& c) { return "Total Labor  : " + formatReportMoney(c.sum(l)); }), font(10));
    t.text(498, 52, 235, 18, ContextText([p, rate](const Context& c) {
               return "Tax on Part : " + formatReportMoney(c.sum(p) * rate());
           }), font(10));
    t.text(498, 77, 235, 18, ContextText([p, l, rate](const Context& c) {
               return "Total invoice : " + formatReportMoney(c.sum(p) + c.sum(l) + c.sum(p) * rate());
           }), bold(10));

    Band& f = report.pageFooter();
    f.setHeight(123);
    f.rect(0, 0, 731, 123);
    const QStringList lines = {
        QStringLiteral("I hereby authorize the work to be done along with the necessary material. "),
        QStringLiteral("Our labor is warranted for 90 days. Warranty valid only if returned to us, at the customer\u2019s "
                       "expense, for adjustment. No labor warranty for misuse, abuse or customer supplied parts."),
        QStringLiteral("Terms: Cash unless other arrangements are made.     X ______________________"),
        QStringLiteral("                                                                          Customer Signature"),
        QStringLiteral("I acknowledge and oral approval of an increase in the original estimated price."),
        QStringLiteral("X _____________________"),
        QStringLiteral("          Customer Signature")};
    // One wrapping memo, so the long warranty line runs on to a second line instead of being cut.
    f.text(6, 3, 720, 118, RowText([reg, lines](const Row&) {
               return lines.join(QLatin1Char('\n')) + "\nADDRESS : " + reg("Address_R") + ", " + reg("City_R") + " ," +
                      reg("State_R") + " " + reg("Zip_R") + "   Web Site :" + reg("Web_R") + "      Email: " +
                      reg("Email_R");
           }), font(7));
}

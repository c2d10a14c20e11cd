#include "InvoiceReport.h"

#include "Query.h"

using namespace kestrum::report;

namespace kestrum::invoicing {

InvoiceReport::InvoiceReport(const InvoiceSources& s, bool taxed, const Decimal& taxRate, const QString& title)
    : header_(s.header, "frxDBDataset1"), items_(s.items, "frxDBDataset2"), labor_(s.labor, "frxDBDataset3"),
      shop_(s.shop, "frxDBDataset5")
{
    Report& r = report_;
    r.setCopies(3);
    r.setPdfExport(true);
    r.useDataSet(&header_);
    r.useDataSet(&shop_);
    // Memos outside a data band print the current row of their dataset.
    const ReportDataSet* inv = &header_;
    const ReportDataSet* reg = &shop_;
    const auto invText = [inv](const QString& f) {
        return RowText([inv, f](const Row&) { return Row(inv, inv->currentRow())[f]; });
    };
    const auto shop = [reg](const QString& f) { return Row(reg, reg->currentRow())[f]; };
    r.setTitle(title);
    if (s.header && s.header->Active())
        r.setFileName(title + "-" + s.header->FieldByName("InvoiceNo_Inv").AsString().trimmed());

    Band& h = r.pageHeader();
    h.setHeight(220);
    h.rect(0, 0, 731, 191);
    // Every one-line value shrinks to show all of itself inside its place.
    h.text(15, 5, 300, 30, RowText([shop](const Row&) { return " " + shop("Name_R"); }), bold(20)).fit();
    h.text(15, 34, 300, 16, RowText([shop](const Row&) { return " " + shop("Catagory_R"); }), font(10)).fit();
    h.text(20, 49, 290, 80, RowText([shop](const Row&) {
               return "Address:  " + shop("Address_R") + "\n" + shop("City_R") + " " + shop("State_R") + ", " +
                      shop("Zip_R") + "\nTel:" + shop("Tel_R") + "\nFax:" + shop("Fax_R") + "\nCell:" + shop("Cell_R");
           }),
           bold(10));
    h.text(508, 9, 220, 16, ContextText([shop](const Context& c) {
               const QStringList labels = {" " + shop("Name_R") + " Copy", "Customer Copy", "Accounting Copy"};
               return labels.value(c.copy());
           }),
           font(10))
        .centre()
        .fit();
    h.text(328, 8, 90, 16, QStringLiteral("Invoice Date:"), bold(10));
    h.text(419, 8, 90, 16, invText("InvoiceDate_Inv"), font(10)).fit();
    h.text(348, 34, 70, 16, QStringLiteral("Due Date:"), bold(10));
    h.text(419, 34, 90, 16, invText("DueDate_Inv"), font(10)).fit();
    h.text(579, 29, 140, 28, title, bold(18));
    h.text(569, 58, 120, 28, invText("InvoiceNo_Inv"), bold(18)).centre().fit();
    struct Pair {
        double labelX, valueX, y;
        const char* label;
        const char* field;
    };
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
        h.text(p.labelX, p.y, p.valueX - p.labelX, 16, QString::fromLatin1(p.label), bold(10));
        const bool address = p.field == QLatin1String("JobLocation_Inv");
        TextItem& value = h.text(p.valueX, p.y, p.valueX < 300 ? 125 : 270, address ? 60 : 16,
                                 invText(QString::fromLatin1(p.field)), font(10));
        if (!address)
            value.fit();
    }
    const std::pair<double, const char*> heads[] = {
        {22, "Description"}, {490, "Part No"}, {562, "Qty"}, {606, "Rate"}, {660, "Amount"}};
    for (const auto& [x, t] : heads)
        h.text(x, 196, 120, 20, QString::fromLatin1(t), bold(12));

    DataBand& part = r.masterData(&items_, 20);
    part.rect(0, 0, 732, 20);
    part.text(11, 2, 477, 16, [](const Row& row) { return "Part : " + row["Name_Item"]; }, font(8)).fit();
    part.field(488, 2, 76, 16, QStringLiteral("Color_Item"), font(8)).fit();
    part.field(568, 2, 38, 16, QStringLiteral("Qty_Item"), font(8)).fit();
    part.moneyField(608, 2, 58, 16, QStringLiteral("Rate_Item"), font(8)).fit();
    part.moneyField(666, 2, 64, 16, QStringLiteral("Amount_Item"), font(8)).fit();
    const Sum partTotal = part.sum(QStringLiteral("Amount_Item"));

    DataBand& lab = r.masterData(&labor_, 26);
    lab.rect(0, 0, 732, 26);
    lab.text(10, 4, 558, 18, [](const Row& row) { return "Labor : " + row["Description_Labor"]; }, font(8)).fit();
    lab.field(570, 4, 38, 18, QStringLiteral("Qty_Labor"), font(8)).fit();
    lab.moneyField(610, 4, 56, 18, QStringLiteral("Rate_Labor"), font(8)).fit();
    lab.moneyField(668, 4, 62, 18, QStringLiteral("Amount_Labor"), font(8)).fit();
    const Sum laborTotal = lab.sum(QStringLiteral("Amount_Labor"));

    Band& t = r.reportSummary();
    t.setHeight(100);
    t.rect(0, 4, 450, 96);
    t.text(4, 6, 440, 60, RowText([invText](const Row& row) { return "Remark :" + invText("Remark_Inv")(row); }),
           font(7));
    t.text(4, 68, 440, 14, RowText([shop](const Row&) {
               return "Please Remit to " + shop("Name_R") + "  and Mail it to Below Address.";
           }),
           font(8));
    t.text(4, 83, 440, 14, QStringLiteral("We Thank You for Your Business and Greatly Appreciate Your Referrals"),
           font(8));
    t.rect(494, 4, 243, 96);
    // No tax row for the month: the rate is 0 and the total is parts plus labor.
    const auto rate = [taxRate] { return taxRate; };
    const Sum p = partTotal, l = laborTotal;
    t.text(498, 7, 235, 18,
           ContextText([p](const Context& c) { return "Total  Part   : " + formatReportMoney(c.sum(p)); }), font(10));
    t.text(498, 30, 235, 18,
           ContextText([l](const Context& c) { return "Total Labor  : " + formatReportMoney(c.sum(l)); }), font(10));
    if (taxed) {
        t.text(498, 52, 235, 18, ContextText([p, rate](const Context& c) {
                   return "Tax on Part : " + formatReportMoney(c.sum(p) * rate());
               }),
               font(10));
        t.text(498, 77, 235, 18, ContextText([p, l, rate](const Context& c) {
                   return "Total invoice : " + formatReportMoney(c.sum(p) + c.sum(l) + c.sum(p) * rate());
               }),
               bold(10));
    } else {
        t.text(498, 52, 235, 18, ContextText([](const Context& c) {
                   return c.copy() == 0 ? QStringLiteral("Tax on Part : No Tax ") : QStringLiteral("Tax on Part : No Tax");
               }),
               font(10));
        t.text(498, 77, 235, 18, ContextText([p, l](const Context& c) {
                   return "Total invoice : " + formatReportMoney(c.sum(p) + c.sum(l));
               }),
               bold(10));
    }

    Band& f = r.pageFooter();
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
    // One wrapping memo, so the long warranty line runs on instead of being cut.
    f.text(6, 3, 720, 118, RowText([shop, lines](const Row&) {
               return lines.join(QLatin1Char('\n')) + "\nADDRESS : " + shop("Address_R") + ", " + shop("City_R") +
                      " ," + shop("State_R") + " " + shop("Zip_R") + "   Web Site :" + shop("Web_R") +
                      "      Email: " + shop("Email_R");
           }),
           font(7));
}

}  // namespace kestrum::invoicing

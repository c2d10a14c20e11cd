#include "ReceivableListReport.h"

#include "Query.h"
#include "QueryDataSet.h"
#include "Report.h"

namespace kestrum::receivables {

using namespace kestrum::report;

ReceivableListReport::ReceivableListReport(Query* payments)
    : dataSet(std::make_unique<QueryDataSet>(payments, QStringLiteral("frxDBDataset1Rec"))),
      report(std::make_unique<Report>())
{
    Report& r = *report;
    r.setTitle(QStringLiteral("Reveivable List"));
    r.setPaper(210, 280);
    r.setMargins(10, 10, 10, 10);
    r.setPdfExport(true);

    // Columns across the 190 mm body (718 units): left edge and width of each.
    struct Col {
        double x, w;
    };
    const Col inv{0, 72}, name{72, 160}, date{232, 78}, via{310, 80}, ref{390, 90}, amount{480, 92},
        chart{578, 70}, sub{648, 70};

    Band& title = r.reportTitle();
    title.setHeight(70);
    title.text(0, 4, r.bodyWidth(), 26, QStringLiteral("Reveivable List"), bold(14)).centre();
    const double headY = 46;
    title.text(inv.x, headY, inv.w, 18, QStringLiteral("Invoice No"), bold(9)).wrap(false);
    title.text(name.x, headY, name.w, 18, QStringLiteral("Customer Name"), bold(9));
    title.text(date.x, headY, date.w, 18, QStringLiteral("Pay Date"), bold(9));
    title.text(via.x, headY, via.w, 18, QStringLiteral("Via Payment"), bold(9));
    title.text(ref.x, headY, ref.w, 18, QStringLiteral("Ref"), bold(9));
    title.text(amount.x, headY, amount.w, 18, QStringLiteral("Amount"), bold(9)).right();
    title.text(chart.x, headY, chart.w + sub.w, 18, QStringLiteral("Chart of Acount"), bold(9));

    DataBand& rows = r.masterData(dataSet.get(), 22);
    rows.rect(0, 0, r.bodyWidth(), 22);
    const Font f = font(9);
    rows.field(inv.x + 3, 3, inv.w - 3, 16, QStringLiteral("InvoiceNo_Receivable"), f);
    rows.field(name.x, 3, name.w, 16, QStringLiteral("Name_Receivable"), f);
    rows.field(date.x, 3, date.w, 16, QStringLiteral("PayDate_Receivable"), f);
    rows.field(via.x, 3, via.w, 16, QStringLiteral("ViaPayment_Receivable"), f);
    rows.field(ref.x, 3, ref.w, 16, QStringLiteral("Ref_Receivable"), f);
    rows.moneyField(amount.x, 3, amount.w, 16, QStringLiteral("Amount_Receivable"), f).right();
    rows.field(chart.x + 6, 3, chart.w - 6, 16, QStringLiteral("Chart_Receivable"), f);
    rows.field(sub.x, 3, sub.w - 3, 16, QStringLiteral("SubChart_Receivable"), f);

    const Sum total = rows.sum(QStringLiteral("Amount_Receivable"));
    rows.footer().setHeight(30);
    rows.footer().text(
        amount.x - 260, 8, 260 + amount.w, 18,
        [total](const Context& c) { return QStringLiteral("Total  Amount   : ") + formatReportMoney(c.sum(total)); },
        bold(10)).right();

    r.pageFooter().setHeight(24);
    r.pageFooter().text(0, 4, r.bodyWidth(), 16, QStringLiteral("[Page#]"), font(9)).right();
}

ReceivableListReport::~ReceivableListReport() = default;

}  // namespace kestrum::receivables

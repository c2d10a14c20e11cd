#include "Layouts.h"

#include "DataModule.h"
#include "Query.h"
#include "QueryDataSet.h"
#include "ReportPreview.h"

namespace kestrum::reports {

using report::bold;
using report::Context;
using report::font;
using report::Row;

namespace {

constexpr double HeadHeight = 18;
constexpr double LineHeight = 20;

// The shop name across the whole width, as every report starts.
void shopLine(report::Band& b, const report::Report& r, double y, const QString& shop)
{
    b.text(0, y, r.bodyWidth(), 28, shop, bold(16)).centre();
}

void heads(report::Band& b, double y, const std::vector<ListColumn>& columns)
{
    for (const ListColumn& c : columns)
        b.text(c.x, y, c.width, HeadHeight, c.head, bold(10));
}

void cells(report::Band& b, double y, const std::vector<ListColumn>& columns)
{
    for (const ListColumn& c : columns)
        b.text(c.x, y, c.width, HeadHeight, c.text, font(10));
}

}  // namespace

ListColumn fieldColumn(const QString& head, double x, double width, const QString& field)
{
    return {head, x, width, [field](const Row& row) { return row.text(field); }};
}

ListColumn moneyColumn(const QString& head, double x, double width, const QString& field)
{
    return {head, x, width, [field](const Row& row) { return report::formatReportMoney(row.decimal(field)); }};
}

ListColumn summedMoneyColumn(const QString& head, double x, double width, const QString& field)
{
    ListColumn c = moneyColumn(head, x, width, field);
    c.sumField = field;
    return c;
}

void buildListReport(report::Report& r, const ListLayout& layout, report::ReportDataSet* rows, const QString& shop)
{
    r.setTitle(layout.title);
    if (layout.landscape)
        r.setPaper(r.paperHeightMm(), r.paperWidthMm());
    report::Band& header = r.pageHeader();
    header.setHeight(66);
    shopLine(header, r, 0, shop);
    heads(header, 42, layout.columns);

    report::DataBand& data = r.masterData(rows, LineHeight + 4);
    data.rect(0, 0, r.bodyWidth(), LineHeight + 4);
    cells(data, 3, layout.columns);

    report::Band& footer = data.footer();
    footer.setHeight(30);
    for (const ListColumn& c : layout.columns) {
        if (c.sumField.isEmpty())
            continue;
        const report::Sum sum = data.sum(c.sumField);
        footer.text(c.x, 8, c.width, HeadHeight, report::ContextText([sum](const Context& ctx) {
                        return report::formatReportMoney(ctx.sum(sum));
                    }), bold(10));
    }
    if (layout.totalField.isEmpty())
        return;
    const report::Sum total = data.sum(layout.totalField);
    footer.text(r.bodyWidth() - 300, 8, 300, HeadHeight, report::ContextText([label = layout.totalLabel, total](const Context& c) {
                    return label + report::formatReportMoney(c.sum(total));
                }), bold(10))
        .right();
}

void buildGroupedReport(report::Report& r, const GroupedLayout& layout, report::ReportDataSet* rows,
                        const QString& shop)
{
    r.setTitle(layout.title);
    const double width = r.bodyWidth();
    report::Band& header = r.pageHeader();
    header.setHeight(64);
    header.text(0, 0, 120, HeadHeight, QStringLiteral("[Page#]/[TotalPages#]"), font(9));
    shopLine(header, r, 0, shop);
    header.text(width - 160, 0, 160, HeadHeight, QStringLiteral("[Time]"), font(9)).right();
    header.text(width - 160, HeadHeight, 160, HeadHeight, QStringLiteral("[Date]"), font(9)).right();
    header.text(0, 34, width, 24, layout.title, bold(14)).centre();

    report::DataBand& data = r.masterData(rows, LineHeight + 2);
    cells(data, 1, layout.lines);
    data.line(0, LineHeight + 1, width, LineHeight + 1, 0.5);

    // The group's labels, four pairs to a row, then the heads between two rules.
    report::Group& group = data.groupOn(layout.groupField);
    report::Band& top = group.header();
    constexpr int PerRow = 4;
    const double pairWidth = width / PerRow;
    int i = 0;
    for (const GroupLabel& g : layout.groupLabels) {
        const double x = (i % PerRow) * pairWidth;
        const double y = 6 + (i / PerRow) * LineHeight;
        top.text(x, y, 92, HeadHeight, g.label, bold(9)).wrap(false);
        top.text(x + 92, y, pairWidth - 96, HeadHeight, [field = g.field](const Row& row) { return row.text(field); },
                 font(9));
        ++i;
    }
    const double rule = 10 + ((int(layout.groupLabels.size()) + PerRow - 1) / PerRow) * LineHeight;
    top.line(0, rule, width, rule);
    if (!layout.leadHead.isEmpty())
        top.text(0, rule + 3, 60, HeadHeight, layout.leadHead, bold(10));
    heads(top, rule + 3, layout.lines);
    top.line(0, rule + 5 + HeadHeight, width, rule + 5 + HeadHeight);
    top.setHeight(rule + 8 + HeadHeight);

    const ListColumn& amount = layout.lines.back();
    const report::Sum groupSum = group.sum(layout.amountField);
    report::Band& foot = group.footer();
    foot.setHeight(30);
    foot.text(amount.x - 200, 4, 196, HeadHeight, layout.groupTotalLabel, bold(10)).right();
    foot.money(amount.x, 4, amount.width + 40, HeadHeight, report::ContextNumber([groupSum](const Context& c) {
                   return c.sum(groupSum);
               }), bold(10));

    const report::Sum reportSum = data.sum(layout.amountField);
    report::Band& end = r.reportSummary();
    end.setHeight(40);
    end.rect(amount.x - 210, 6, width - (amount.x - 210), 28);
    end.text(amount.x - 200, 11, 196, HeadHeight, layout.reportTotalLabel, bold(11)).right();
    end.money(amount.x, 11, amount.width + 40, HeadHeight, report::ContextNumber([reportSum](const Context& c) {
                  return c.sum(reportSum);
              }), bold(11));
}

void buildTotalsReport(report::Report& r, const TotalsLayout& layout, const PeriodFigures& figures,
                       const QString& shop)
{
    r.setTitle(layout.title);
    const double width = r.bodyWidth();
    report::Band& page = r.pageHeader();
    page.setHeight(320);
    shopLine(page, r, 0, shop);
    page.text(0, 34, width, 26, layout.title, bold(14)).centre();
    page.text(0, 66, width, HeadHeight,
              QStringLiteral("Report From        /      /                  to          /      /  "), font(10))
        .centre();

    page.rect(0, 100, width, 96);
    page.text(10, 106, width - 20, HeadHeight, layout.boxHeading, bold(12));
    const double column = (width - 20) / 4;
    const struct {
        const char* head;
        Decimal value;
    } boxes[] = {{"Total Amounts", figures.total()},
                 {"Total Parts", figures.parts},
                 {"Total Labors", figures.labor},
                 {"Total Taxs on Parts", figures.tax}};
    double x = 10;
    for (const auto& b : boxes) {
        page.text(x, 136, column - 6, HeadHeight, QString::fromLatin1(b.head), bold(10));
        page.text(x, 162, column - 6, HeadHeight, report::formatReportMoney(b.value), font(11));
        x += column;
    }

    page.rect(0, 216, width, 90);
    page.text(10, 222, width - 20, HeadHeight, QStringLiteral("P.O. Total Report"), bold(12));
    page.text(10, 252, column - 6, HeadHeight, QStringLiteral("Total Amounts"), bold(10));
    page.text(10, 278, column - 6, HeadHeight, report::formatReportMoney(figures.orders), font(11));
}

QString shopName()
{
    if (!DM || !DM->QReg1->Active())
        return {};
    return DM->QReg1->FieldByName(QStringLiteral("Name_R")).AsString();
}

}  // namespace kestrum::reports

namespace kestrum::reports {

void showListReport(const ListLayout& layout, Query* q, QWidget* parent)
{
    report::QueryDataSet rows(q, QStringLiteral("frxDBD1"));
    report::Report r;
    buildListReport(r, layout, &rows, shopName());
    report::showReport(r, parent);
}

void showGroupedReport(const GroupedLayout& layout, Query* q, QWidget* parent)
{
    report::QueryDataSet rows(q, QStringLiteral("frxDBDataset1"));
    showGroupedReport(layout, &rows, parent);
}

void showGroupedReport(const GroupedLayout& layout, report::ReportDataSet* rows, QWidget* parent)
{
    report::Report r;
    buildGroupedReport(r, layout, rows, shopName());
    report::showReport(r, parent);
}

}  // namespace kestrum::reports

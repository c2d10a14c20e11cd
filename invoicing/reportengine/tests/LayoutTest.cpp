// Band walking, page breaks, groups, details and sums, read back from the built pages.
#include "PreparedReport.h"

#include <gtest/gtest.h>

using namespace kestrum;
using namespace kestrum::report;

namespace {

// Letter with 10 mm margins leaves 980.4 units of body; with a 100 high page header and an 80
// high page footer, exactly 40 rows of 20 fit on a page.
struct ListReport {
    MemoryDataSet rows{QStringLiteral("rows"), {QStringLiteral("No"), QStringLiteral("Amount")}};
    Report report;
    Sum total;

    explicit ListReport(int n) {
        for (int i = 1; i <= n; ++i)
            rows.addRow({i, QStringLiteral("%1.%2").arg(i).arg(i % 100, 2, 10, QLatin1Char('0'))});
        report.setTitle(QStringLiteral("List"));
        report.pageHeader().setHeight(100);
        report.pageHeader().text(0, 0, 300, 20, QStringLiteral("Heading"));
        report.pageFooter().setHeight(80);
        report.pageFooter().text(0, 0, 300, 20, QStringLiteral("Page [Page#] of [TotalPages#]"));
        DataBand& band = report.masterData(&rows, 20);
        band.text(0, 0, 200, 20, [](const Row& r) { return "Row " + r["No"]; });
        total = band.sum(QStringLiteral("Amount"));
        report.reportSummary().setHeight(20);
        report.reportSummary().money(0, 0, 200, 20, [this](const Context& c) { return c.sum(total); });
    }
};

int rowsOn(const PreparedReport& p, int page) {
    int n = 0;
    for (const QString& t : p.pageText(page).split(QLatin1Char('\n')))
        n += t.startsWith(QStringLiteral("Row ")) ? 1 : 0;
    return n;
}

}  // namespace

TEST(ReportLayout, RowsOverflowOntoNewPagesWithHeaderAndFooterOnEach) {
    ListReport l(100);
    const PreparedReport p = prepareReport(l.report);
    ASSERT_EQ(p.pageCount(), 3);
    EXPECT_EQ(rowsOn(p, 0), 40);
    EXPECT_EQ(rowsOn(p, 1), 40);
    EXPECT_EQ(rowsOn(p, 2), 20);
    const double footerTop = mmToUnits(279.4 - 10) - 80;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(p.pageText(i).startsWith(QStringLiteral("Heading"))) << i;
        EXPECT_EQ(p.textsIn(i, footerTop, 80), QStringList{QStringLiteral("Page %1 of 3").arg(i + 1)}) << i;
    }
    // Rows keep their order across the page break.
    EXPECT_TRUE(p.pageText(1).contains(QStringLiteral("Row 41\nRow 42")));
    EXPECT_FALSE(p.pageText(1).contains(QStringLiteral("Row 40\n")));
}

TEST(ReportLayout, ExactlyFullPageDoesNotStartAnEmptyOneAndSummaryMovesOn) {
    ListReport l(40);
    l.report.reportSummary().setHeight(0); // summary items stay, but take no room
    EXPECT_EQ(prepareReport(l.report).pageCount(), 1);

    ListReport full(40);
    const PreparedReport p = prepareReport(full.report);
    ASSERT_EQ(p.pageCount(), 2); // the 20 high summary no longer fits under row 40
    EXPECT_EQ(rowsOn(p, 1), 0);
    EXPECT_TRUE(p.pageText(1).contains(QStringLiteral("$")));
    EXPECT_TRUE(p.pageText(1).contains(QStringLiteral("Page 2 of 2")));
}

TEST(ReportLayout, EmptyDataSetStillPrintsHeaderFooterAndZeroTotal) {
    ListReport l(0);
    const PreparedReport p = prepareReport(l.report);
    ASSERT_EQ(p.pageCount(), 1);
    EXPECT_EQ(p.pageText(0), QStringLiteral("Heading\n$0.00\nPage 1 of 1"));
}

TEST(ReportLayout, SumIsExactAndEqualsAnIndependentSum) {
    ListReport l(1000);
    // Cents summed as integers: the amounts are i + (i % 100) / 100.
    qint64 cents = 0;
    for (int i = 1; i <= 1000; ++i)
        cents += qint64(i) * 100 + i % 100;
    const PreparedReport p = prepareReport(l.report);
    const QString expected = formatReportMoney(Decimal::fromRaw(cents * (Decimal::Scale / 100)));
    EXPECT_EQ(expected, QStringLiteral("$500,995.00"));
    EXPECT_TRUE(p.pageText(p.pageCount() - 1).contains(expected));

    // Ten thousand times 0.1 drifts in binary floating point; the report's sum does not.
    MemoryDataSet tenths(QStringLiteral("t"), {QStringLiteral("A")});
    for (int i = 0; i < 10000; ++i)
        tenths.addRow({0.1});
    Report r;
    Sum s = r.masterData(&tenths, 0).sum(QStringLiteral("A"));
    r.reportSummary().text(0, 0, 100, 20, [s](const Context& c) { return c.sum(s).toString(); });
    EXPECT_EQ(prepareReport(r).pageText(0), QStringLiteral("1000"));
}

TEST(ReportLayout, GroupsBreakOnKeyChangeWithGroupSumsAndNesting) {
    MemoryDataSet set(QStringLiteral("orders"), {QStringLiteral("Vendor"), QStringLiteral("Po"), QStringLiteral("Amount")});
    set.addRow({"Acme", 1, "10.5"});
    set.addRow({"Acme", 1, "2.25"});
    set.addRow({"Acme", 2, "1"});
    set.addRow({"Bolt", 3, "7"});
    set.addRow({"Acme", 4, "3"}); // key comes back: a new group, rows are not re-sorted
    Report r;
    DataBand& band = r.masterData(&set, 10);
    band.text(0, 0, 100, 10, [](const Row& row) { return "  " + row["Amount"]; });
    Group& vendor = band.groupOn(QStringLiteral("Vendor"));
    vendor.header().setHeight(10);
    vendor.header().field(0, 0, 100, 10, QStringLiteral("Vendor"));
    Sum vendorSum = vendor.sum(QStringLiteral("Amount"));
    vendor.footer().setHeight(10);
    vendor.footer().money(0, 0, 100, 10, [vendorSum](const Context& c) { return c.sum(vendorSum); });
    Group& po = band.groupOn(QStringLiteral("Po"));
    po.header().setHeight(10);
    po.header().text(0, 0, 100, 10, [](const Row& row) { return " Po " + row["Po"]; });
    Sum poSum = po.sum(QStringLiteral("Amount"));
    po.footer().setHeight(10);
    po.footer().text(0, 0, 100, 10, [poSum](const Context& c) { return " po total " + c.sum(poSum).toString(); });
    Sum all = band.sum(QStringLiteral("Amount"));
    r.reportSummary().setHeight(10);
    r.reportSummary().money(0, 0, 100, 10, [all](const Context& c) { return c.sum(all); });

    const QStringList expected = {
        "Acme", " Po 1", "  10.5", "  2.25", " po total 12.75", " Po 2", "  1", " po total 1", "$13.75",
        "Bolt", " Po 3", "  7", " po total 7", "$7.00",
        "Acme", " Po 4", "  3", " po total 3", "$3.00",
        "$23.75"};
    EXPECT_EQ(prepareReport(r).pageText(0), expected.join(QLatin1Char('\n')));
}

TEST(ReportLayout, SequentialBandsDetailsCopiesAndCurrentRow) {
    MemoryDataSet head(QStringLiteral("head"), {QStringLiteral("No"), QStringLiteral("Customer")});
    head.addRow({7, "First"});
    head.addRow({8, "Second"});
    head.setCurrentRow(1);
    MemoryDataSet parts(QStringLiteral("parts"), {QStringLiteral("Inv"), QStringLiteral("Name")});
    parts.addRow({8, "Filter"});
    parts.addRow({7, "Belt"});
    parts.addRow({8, "Plug"});
    MemoryDataSet labor(QStringLiteral("labor"), {QStringLiteral("Description")});
    labor.addRow({"Oil change"});

    Report r;
    r.setCopies(2);
    r.useDataSet(&head);
    r.pageHeader().setHeight(10);
    r.pageHeader().text(0, 0, 300, 10, [&head](const Context& c) {
        return QStringLiteral("Copy %1 #%2 %3").arg(c.copy()).arg(c.current(head)["No"], c.current(head)["Customer"]);
    });
    r.masterData(&parts, 10).field(0, 0, 100, 10, QStringLiteral("Name"));
    r.masterData(&labor, 10).text(0, 0, 100, 10, [](const Row& row) { return "Labor : " + row["Description"]; });
    const PreparedReport p = prepareReport(r);
    ASSERT_EQ(p.pageCount(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(p.pageText(i), QStringLiteral("Copy %1 #8 Second\nFilter\nBelt\nPlug\nLabor : Oil change").arg(i));

    Report d;
    DataBand& master = d.masterData(&head, 10);
    master.field(0, 0, 100, 10, QStringLiteral("Customer"));
    master.detail(&parts, 10, QStringLiteral("No"), QStringLiteral("Inv"))
        .text(0, 0, 100, 10, [](const Row& row) { return "- " + row["Name"]; });
    EXPECT_EQ(prepareReport(d).pageText(0), QStringLiteral("First\n- Belt\nSecond\n- Filter\n- Plug"));
}

TEST(ReportLayout, UnknownFieldIsAClearErrorAndNoRowPrintsEmpty) {
    MemoryDataSet set(QStringLiteral("frxDBDataset2"), {QStringLiteral("Name_Item")});
    set.addRow({"Belt"});
    Report r;
    r.masterData(&set, 10).field(0, 0, 100, 10, QStringLiteral("Name_Itm"));
    try {
        prepareReport(r);
        FAIL() << "no error for an unknown field";
    } catch (const ReportError& e) {
        EXPECT_STREQ(e.what(), "frxDBDataset2 has no field Name_Itm");
    }

    MemoryDataSet none(QStringLiteral("inv"), {QStringLiteral("InvoiceNo_Inv")});
    Report h;
    h.pageHeader().setHeight(10);
    h.pageHeader().text(0, 0, 100, 10, [&none](const Context& c) { return "No " + c.current(none)["InvoiceNo_Inv"]; });
    EXPECT_EQ(prepareReport(h).pageText(0), QStringLiteral("No "));
}

TEST(ReportLayout, BandTallerThanAPageDoesNotLoopForever) {
    MemoryDataSet set(QStringLiteral("s"), {QStringLiteral("A")});
    set.addRow({1});
    set.addRow({2});
    Report r;
    r.masterData(&set, 5000).field(0, 0, 100, 10, QStringLiteral("A"));
    EXPECT_EQ(prepareReport(r).pageCount(), 2);
}

TEST(ReportFormat, MoneyAndLiterals) {
    EXPECT_EQ(formatReportMoney(*Decimal::parse("1234.5")), QStringLiteral("$1,234.50"));
    EXPECT_EQ(formatReportMoney(Decimal()), QStringLiteral("$0.00"));
    EXPECT_EQ(formatReportMoney(*Decimal::parse("0.005")), QStringLiteral("$0.01"));
    EXPECT_EQ(formatReportMoney(*Decimal::parse("-1234567.994")), QStringLiteral("-$1,234,567.99"));
    EXPECT_EQ(formatReportMoney(*Decimal::parse("-0.004")), QStringLiteral("$0.00"));
    EXPECT_EQ(formatReportMoney(*Decimal::parse("999.999")), QStringLiteral("$1,000.00"));

    MemoryDataSet set(QStringLiteral("s"), {QStringLiteral("A")});
    set.addRow({QStringLiteral("[Page#]")});
    Report r;
    r.pageHeader().setHeight(10);
    r.pageHeader().text(0, 0, 300, 10, QStringLiteral("[Date] [Time]"));
    r.masterData(&set, 10).field(0, 0, 100, 10, QStringLiteral("A"));
    const QStringList texts = prepareReport(r).pageText(0).split(QLatin1Char('\n'));
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[0].startsWith(QDate::currentDate().toString(QStringLiteral("M/d/yyyy ")))) << texts[0].toStdString();
    EXPECT_TRUE(texts[0].endsWith(QStringLiteral("M"))); // AM or PM
    EXPECT_EQ(texts[1], QStringLiteral("[Page#]")); // data is printed as stored, never expanded
}

// A report's first page is shown before its last row is read; the later pages, the printout and
// the PDF are the pages a whole layout gives; a fault on a later page is shown, never swallowed.
#include "ReportPreview.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kestrum;
using namespace kestrum::report;

namespace {

// Rows in memory that tell how far the layout has read them, and that can fail at one row.
class WatchedRows : public MemoryDataSet {
public:
    WatchedRows() : MemoryDataSet(QStringLiteral("lines"), {QStringLiteral("Inv"), QStringLiteral("Name"), QStringLiteral("Amount")}) {}
    bool hasRow(int row) override {
        furthest = std::max(furthest, row);
        if (row == failAt)
            throw ReportError(QStringLiteral("the connection was lost"));
        return MemoryDataSet::hasRow(row);
    }
    int furthest = -1;
    int failAt = -1;
};

// A grouped year's report in small: invoices of one to five lines, a header per invoice, a total
// per invoice and at the end, and "page/pages" in the page header.
struct YearReport {
    WatchedRows rows;
    Report report;

    explicit YearReport(int invoices) {
        for (int inv = 1; inv <= invoices; ++inv)
            for (int line = 0; line <= inv % 5; ++line)
                rows.addRow({inv, QStringLiteral("Part %1-%2").arg(inv).arg(line), QStringLiteral("%1.%2").arg(inv % 70).arg(line * 7)});
        report.setTitle(QStringLiteral("Customer Report Parts"));
        report.pageHeader().setHeight(40);
        report.pageHeader().text(0, 0, 120, 18, QStringLiteral("[Page#]/[TotalPages#]"));
        report.pageHeader().text(200, 0, 300, 18, QStringLiteral("Customer Report"));
        DataBand& data = report.masterData(&rows, 22);
        data.field(0, 0, 300, 18, QStringLiteral("Name"));
        data.moneyField(400, 0, 100, 18, QStringLiteral("Amount"));
        data.line(0, 21, 600, 21, 0.5);
        Group& g = data.groupOn(QStringLiteral("Inv"));
        g.header().setHeight(30);
        g.header().text(0, 6, 200, 18, [](const Row& r) { return "Invoice # " + r["Inv"]; }, bold(10));
        const Sum invoice = g.sum(QStringLiteral("Amount"));
        g.footer().setHeight(24);
        g.footer().money(400, 2, 120, 18, [invoice](const Context& c) { return c.sum(invoice); });
        const Sum all = data.sum(QStringLiteral("Amount"));
        report.reportSummary().setHeight(30);
        report.reportSummary().rect(300, 2, 300, 26);
        report.reportSummary().money(400, 6, 120, 18, [all](const Context& c) { return c.sum(all); });
    }
};

// Everything a page draws, as text: what a full layout and a page-by-page one must agree on.
QString described(const PreparedReport& r, int page) {
    QStringList out;
    for (const DrawOp& op : r.pageOps(page)) {
        out << QStringLiteral("%1 %2,%3 %4x%5 %6,%7-%8,%9 %10 %11 %12 %13 %14 %15 %16 %17")
                   .arg(int(op.kind))
                   .arg(op.rect.x()).arg(op.rect.y()).arg(op.rect.width()).arg(op.rect.height())
                   .arg(op.line.x1()).arg(op.line.y1()).arg(op.line.x2()).arg(op.line.y2())
                   .arg(op.text, op.font.family)
                   .arg(op.font.pointSize).arg(op.font.bold).arg(int(op.align)).arg(op.wordWrap).arg(op.framed)
                   .arg(op.width);
    }
    return out.join(QLatin1Char('\n'));
}

void expectSamePages(const PreparedReport& a, const PreparedReport& b) {
    ASSERT_EQ(a.pageCount(), b.pageCount());
    for (int i = 0; i < a.pageCount(); ++i)
        ASSERT_EQ(described(a, i), described(b, i)) << "page " << i + 1;
}

QLabel* pageLabel(const TReportPreview& p) { return p.findChild<QLabel*>(QStringLiteral("PageLabel")); }
QPushButton* button(const TReportPreview& p, const char* name) { return p.findChild<QPushButton*>(QLatin1String(name)); }

int pdfPageCount(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    return int(QString::fromLatin1(f.readAll()).count(page));
}

}  // namespace

TEST(FirstPage, IsLaidOutFromTheFirstRowsAloneAndTheCountFollowsWhenKnown) {
    YearReport y(2000);
    const int rowCount = y.rows.rowCount();
    PageProducer producer(y.report);
    ASSERT_TRUE(producer.producePage(0));
    EXPECT_FALSE(producer.done());
    EXPECT_LT(y.rows.furthest, 60) << "the first page read rows far beyond itself";
    EXPECT_FALSE(producer.pages().complete());
    EXPECT_EQ(producer.pages().textsIn(0, mmToUnits(10), 18).first(), QStringLiteral("1/\u2026"));
    EXPECT_FALSE(producer.producePage(1'000'000));  // there is no such page; every row is read now
    EXPECT_TRUE(producer.done());
    EXPECT_EQ(y.rows.furthest, rowCount);
    const PreparedReport& pages = producer.pages();
    ASSERT_GT(pages.pageCount(), 50);
    EXPECT_EQ(pages.textsIn(0, mmToUnits(10), 18).first(), QStringLiteral("1/%1").arg(pages.pageCount()));
    EXPECT_EQ(pages.textsIn(pages.pageCount() - 1, mmToUnits(10), 18).first(),
              QStringLiteral("%1/%1").arg(pages.pageCount()));
}

TEST(FirstPage, PagesLaidOutBitByBitEqualAWholeLayout) {
    YearReport y(800);
    const PreparedReport whole = prepareReport(y.report);
    PageProducer producer(y.report);
    // Pages are read while later ones are laid out, as the preview does.
    while (producer.produceFor(0))
        if (producer.finishedPages() > 0)
            producer.pages().pageText(producer.finishedPages() - 1);
    expectSamePages(producer.pages(), whole);
    // The total at the end is that of every row, though no page holds them all.
    Decimal total;
    for (int i = 0; i < y.rows.rowCount(); ++i)
        total += Row(&y.rows, i).decimal(QStringLiteral("Amount"));
    EXPECT_TRUE(whole.pageText(whole.pageCount() - 1).endsWith(formatReportMoney(total)))
        << whole.pageText(whole.pageCount() - 1).right(40).toStdString();
}

TEST(FirstPage, PreviewShowsPageOneAtOnceAndLaysOutTheRestBetweenEvents) {
    YearReport y(1500);
    const PreparedReport whole = prepareReport(y.report);
    TReportPreview preview(std::make_unique<PageProducer>(y.report));
    preview.show();
    EXPECT_FALSE(preview.complete());
    EXPECT_EQ(pageLabel(preview)->text(), QStringLiteral("Page 1 of \u2026"));
    EXPECT_TRUE(button(preview, "NextButton")->isEnabled());
    EXPECT_TRUE(button(preview, "LastButton")->isEnabled());
    // A page asked for before its turn is laid out on the spot.
    button(preview, "NextButton")->click();
    EXPECT_EQ(preview.currentPage(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(preview.complete(), 60000);
    EXPECT_EQ(pageLabel(preview)->text(), QStringLiteral("Page 2 of %1").arg(whole.pageCount()));
    expectSamePages(preview.report(), whole);
    button(preview, "LastButton")->click();
    EXPECT_EQ(preview.currentPage(), whole.pageCount() - 1);
    EXPECT_FALSE(button(preview, "NextButton")->isEnabled());
}

TEST(FirstPage, PrintAndPdfFromAPreviewStillLayingOutGiveEveryPage) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("year.pdf"));
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    QStringList errors;
    const PreviewHooks previous = setPreviewHooks(
        {[&](QWidget*, const QString&) { return pdf; },
         [&](QPrinter& printer, QWidget*) {
             printer.setOutputFormat(QPrinter::PdfFormat);
             printer.setOutputFileName(printed);
             return true;
         },
         [&](QWidget*, const QString& text) { errors << text; }});
    YearReport y(400);
    const int pages = prepareReport(y.report).pageCount();
    ASSERT_GT(pages, 10);
    for (const char* which : {"ExportPdfButton", "PrintButton"}) {
        SCOPED_TRACE(which);
        TReportPreview preview(std::make_unique<PageProducer>(y.report));
        preview.show();
        ASSERT_FALSE(preview.complete());
        button(preview, which)->click();
        EXPECT_TRUE(preview.complete());
        EXPECT_EQ(pageLabel(preview)->text(), QStringLiteral("Page 1 of %1").arg(pages));
    }
    EXPECT_EQ(pdfPageCount(pdf), pages);
    EXPECT_EQ(pdfPageCount(printed), pages);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    setPreviewHooks(previous);
}

TEST(FirstPage, ClosingMidwayLeavesNothingBehindAndTheReportRunsAgainWhole) {
    YearReport y(1500);
    const PreparedReport whole = prepareReport(y.report);
    for (int round = 0; round < 2; ++round) {
        auto* preview = new TReportPreview(std::make_unique<PageProducer>(y.report));
        preview->show();
        QApplication::processEvents();
        ASSERT_FALSE(preview->complete());
        preview->close();
        delete preview;  // with its timer and the rest of the layout
        QApplication::processEvents();
    }
    // Run again: the same report and rows give the same pages as before.
    TReportPreview again(std::make_unique<PageProducer>(y.report));
    ASSERT_TRUE(again.finishReport());
    expectSamePages(again.report(), whole);
}

TEST(FirstPage, AFaultOnALaterPageIsShownAndNothingHalfIsPrinted) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("half.pdf"));
    QStringList errors;
    const PreviewHooks previous = setPreviewHooks({[&](QWidget*, const QString&) { return pdf; },
                                                   [&](QPrinter&, QWidget*) { return true; },
                                                   [&](QWidget*, const QString& text) { errors << text; }});
    YearReport y(2000);
    y.rows.failAt = 3000;
    {
        TReportPreview preview(std::make_unique<PageProducer>(y.report));
        preview.show();
        QTRY_VERIFY_WITH_TIMEOUT(preview.failed(), 60000);
        ASSERT_EQ(errors.size(), 1);
        EXPECT_EQ(errors.first(), QStringLiteral("The report could not be finished: the connection was lost"));
        EXPECT_FALSE(preview.complete());
        EXPECT_TRUE(pageLabel(preview)->text().endsWith(QStringLiteral("(stopped)"))) << pageLabel(preview)->text().toStdString();
        EXPECT_FALSE(button(preview, "PrintButton")->isEnabled());
        EXPECT_FALSE(preview.exportPdf());
        EXPECT_FALSE(QFile::exists(pdf));
        EXPECT_FALSE(preview.finishReport());
        // The pages laid out before the fault stay to be read.
        EXPECT_GT(preview.report().pageCount(), 1);
    }
    // A whole layout throws the fault to the caller.
    EXPECT_THROW(prepareReport(y.report), ReportError);
    // A fault on the first page is thrown from the preview's construction, as showReport did.
    y.rows.failAt = 0;
    EXPECT_THROW(TReportPreview(std::make_unique<PageProducer>(y.report)), ReportError);
    setPreviewHooks(previous);
}

TEST(FirstPage, ThePreviewHookGetsThePreviewWithItsFirstPage) {
    // Far more rows than a few dozen milliseconds lay out, even on a fast machine.
    YearReport y(40000);
    int shown = 0;
    const PreviewHook previous = setPreviewHook([&](TReportPreview& preview) {
        ++shown;
        EXPECT_TRUE(preview.isVisible());
        EXPECT_FALSE(preview.complete());
        EXPECT_GE(preview.report().pageCount(), 1);
        EXPECT_LT(y.rows.furthest, y.rows.rowCount());
    });
    showReport(y.report);
    setPreviewHook(previous);
    EXPECT_EQ(shown, 1);
}

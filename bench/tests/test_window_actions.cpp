// The window benchmark on a tiny generated shop: every action runs, shows no error box, and what
// the windows show agrees with the database; its figures table marks the goals it misses.
#include "DataModule.h"
#include "InvoicingWindows.h"
#include "ReceivablesWindows.h"
#include "RecordWindows.h"
#include "ReportWindows.h"
#include "ShopGenerator.h"
#include "TestDatabase.h"
#include "WindowActions.h"

#include <QApplication>
#include <QSqlQuery>

#include <gtest/gtest.h>

using testsupport::Engine;
namespace bench = kestrum::bench;

namespace {

class WindowActionsTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override { TESTSUPPORT_REQUIRE_ENGINE(GetParam()); }
};

qint64 rows(const QString& table)
{
    QSqlQuery q(DM->database());
    EXPECT_TRUE(q.exec("Select Count(*) From " + table));
    return q.next() ? q.value(0).toLongLong() : -1;
}

TEST_P(WindowActionsTest, EveryActionRunsTwiceWithoutErrorsAndShowsWhatTheDatabaseHolds)
{
    testsupport::TestDatabase db(GetParam());
    kestrum::shop::Options shop;
    shop.connect = db.kestrumConnection();
    shop.seed = 3;
    shop.scale = 0.001;
    shop.until = QDate(2026, 6, 30);
    kestrum::shop::makeShop(shop);

    TDM dm(QString::fromStdString(db.kestrumConnection()));
    DM = &dm;
    kestrum::registerRecordWindows();
    kestrum::registerInvoicingWindows();
    kestrum::registerReceivablesWindows();
    kestrum::registerReportWindows();
    const qint64 parts = rows("Part"), customers = rows("Customer");

    bench::ActionOptions o;
    o.runs = 2;
    o.save = true;
    o.year = 2025;
    const bench::ActionResults r = bench::runWindowActions(o);

    EXPECT_TRUE(r.errors.isEmpty()) << r.errors.join("\n").toStdString();
    EXPECT_TRUE(r.faults.isEmpty()) << r.faults.join("\n").toStdString();
    std::vector<std::string> expected;
    for (const QString& w : bench::masterWindows()) {
        for (const char* a : {"open", "select row", "New", "Save", "Last"})
            expected.push_back((w + " " + a).toStdString());
        if (w != "TTax")
            for (const char* a : {"title sort", "search"})
                expected.push_back((w + " " + a).toStdString());
        if (w == "TPart")
            expected.push_back("TPart open, list counted");
    }
    for (const char* a : {"TInvoice open", "TInvoice open, list counted", "TInvoice select invoice",
                          "TInvoice printout to PDF", "TInvItem open", "TInvPartFind open",
                          "TInvPartFind open, list counted", "TInvItem save line",
                          "TInvItem close"})
        expected.push_back(a);
    for (const char* a : {"TVehicleHistory look-up by VIN", "TVehicleHistory look-up by plate",
                          "TReceivablesAging as of a date", "TInvoice CSV of the full list"})
        expected.push_back(a);
    for (const QString& w : bench::reportWindows()) {
        expected.push_back((w + " open").toStdString());
        expected.push_back((w + " first page shown").toStdString());
        expected.push_back((w + " whole report ready").toStdString());
    }
    for (const std::string& action : expected) {
        ASSERT_TRUE(r.samples.count(action)) << action << " was not timed";
        EXPECT_EQ(r.samples.at(action).size(), 2u) << action;
    }
    // A list longer than a page of rows is scrolled up from its end a page at a time.
    size_t scrolled = 0;
    for (const auto& [action, samples] : r.samples)
        if (action.ends_with(" scroll up 256 rows")) ++scrolled;
    EXPECT_EQ(r.samples.size(), expected.size() + scrolled);
    // Each run's Save added one record.
    EXPECT_EQ(rows("Part"), parts + 2);
    EXPECT_EQ(rows("Customer"), customers + 2);
    DM = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Engines, WindowActionsTest, TESTSUPPORT_ENGINES);

TEST(FiguresTable, MarksTheActionsThatMissAGoalAndOnlyThose)
{
    bench::ActionResults r;
    r.samples["fast"] = {10, 12, 11, 9, 30};
    r.samples["slow median"] = {60, 61, 62};
    r.samples["slow tail"] = {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 400, 400};
    const QStringList lines = bench::figuresTable(r).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].startsWith("fast") && !lines[1].endsWith("miss")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(" 11.0 ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith("miss")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].endsWith("miss")) << lines[3].toStdString();
    // A year's report is held to its own goals: the first page in 300 ms, the whole in a second.
    bench::ActionResults reports;
    reports.samples["TReportCustomer first page shown"] = {200, 250, 280};
    reports.samples["TReportCustomer whole report ready"] = {900, 1200, 1100};
    const QStringList reportLines = bench::figuresTable(reports).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(reportLines.size(), 3);
    EXPECT_FALSE(reportLines[1].endsWith("miss")) << reportLines[1].toStdString();
    EXPECT_TRUE(reportLines[2].endsWith("miss")) << reportLines[2].toStdString();
    EXPECT_DOUBLE_EQ(bench::percentile({5, 1, 3}, 0.5), 3);
    EXPECT_DOUBLE_EQ(bench::percentile({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}, 0.95), 19);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

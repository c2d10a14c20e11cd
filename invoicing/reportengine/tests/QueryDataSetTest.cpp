// The report reads a pool query as it stands: every row, without moving its current row.
#include "Query.h"
#include "QueryDataSet.h"
#include "ReportPreview.h"
#include "TestDatabase.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>

#include <gtest/gtest.h>

using namespace kestrum;
using namespace kestrum::report;
using testsupport::Engine;

class QueryDataSetTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        db_ = std::make_unique<testsupport::TestDatabase>(GetParam());
        db_->exec("create table InvItem (Inv_Item integer, Name_Item varchar(40), Amount_Item numeric(12,2))");
        std::string insert = "insert into InvItem (Inv_Item, Name_Item, Amount_Item) values ";
        for (int i = 1; i <= 150; ++i) {
            char row[80];
            std::snprintf(row, sizeof row, "%s(%d, 'Part %03d', %d.%02d)", i > 1 ? "," : "", i, i, i, i % 100);
            insert += row;
        }
        db_->exec(insert);
        auto sql = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connection_);
        sql.setDatabaseName(QString::fromStdString(db_->kestrumConnection()));
        ASSERT_TRUE(sql.open()) << sql.lastError().text().toStdString();
    }
    void TearDown() override {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }

    QSqlDatabase database() const { return QSqlDatabase::database(connection_, false); }

    std::unique_ptr<testsupport::TestDatabase> db_;
    const QString connection_ = QStringLiteral("reportengine-test");
};

TEST_P(QueryDataSetTest, PrintsEveryRowAndLeavesTheCurrentRowAlone) {
    {
        Query q(database(), QStringLiteral("QInvItem3"));
        q.Add(QStringLiteral("select Inv_Item, Name_Item, Amount_Item from InvItem order by Name_Item"));
        q.Open();
        ASSERT_TRUE(q.SetRecNo(5));
        const int fetchedBefore = q.fetchedCount();
        ASSERT_LT(fetchedBefore, 150); // still lazily fetched: the report must fetch the rest itself
        QSignalSpy moved(&q, &Query::currentChanged);
        QSignalSpy reloaded(&q, &Query::reloaded);

        QueryDataSet items(&q, QStringLiteral("frxDBDataset2"));
        Report r;
        r.useDataSet(&items);
        r.pageHeader().setHeight(20);
        r.pageHeader().text(0, 0, 300, 20, [&items](const Context& c) { return "Current " + c.current(items)["Name_Item"]; });
        DataBand& band = r.masterData(&items, 0);
        band.text(0, 0, 300, 20, [](const Row& row) { return row["name_item"] + " " + row["Amount_Item"]; });
        Sum total = band.sum(QStringLiteral("Amount_Item"));
        r.reportSummary().money(0, 0, 300, 20, [total](const Context& c) { return c.sum(total); });

        ReportCapture capture;
        showReport(r);
        ASSERT_EQ(capture.reports().size(), 1u);
        const QStringList lines = capture.reports()[0].pageText(0).split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 152);
        EXPECT_EQ(lines[0], QStringLiteral("Current Part 006"));
        EXPECT_EQ(lines[1], QStringLiteral("Part 001 1.01"));
        EXPECT_EQ(lines[150], QStringLiteral("Part 150 150.5"));
        // 1 + ... + 150 plus the cents: 11325 + (4950 + 1275) / 100.
        EXPECT_EQ(lines[151], QStringLiteral("$11,387.25"));

        EXPECT_TRUE(q.Active());
        EXPECT_EQ(q.RecNo(), 5);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Name_Item")).AsString(), QStringLiteral("Part 006"));
        EXPECT_EQ(moved.count(), 0);
        EXPECT_EQ(reloaded.count(), 0);

        // A layout naming a column the statement does not return fails clearly.
        Report bad;
        bad.masterData(&items, 10).field(0, 0, 100, 10, QStringLiteral("Qty_Item"));
        try {
            prepareReport(bad);
            ADD_FAILURE() << "no error for an unknown column";
        } catch (const ReportError& e) {
            EXPECT_STREQ(e.what(), "frxDBDataset2 has no field Qty_Item");
        }

        // An empty result prints the header memo empty.
        q.Close();
        q.Clear();
        q.Add(QStringLiteral("select Inv_Item, Name_Item, Amount_Item from InvItem where Inv_Item = ?"));
        q.Bind(-1);
        q.Open();
        EXPECT_EQ(prepareReport(r).pageText(0), QStringLiteral("Current \n$0.00"));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, QueryDataSetTest, TESTSUPPORT_ENGINES);

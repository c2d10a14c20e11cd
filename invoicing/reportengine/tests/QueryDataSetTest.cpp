// The report reads a pool query as it stands: every row, without moving its current row.
#include "Query.h"
#include "PartedQueryDataSet.h"
#include "QueryDataSet.h"
#include "ReportPreview.h"
#include "TestDatabase.h"

#include <QSignalSpy>
#include <QTest>
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

// Thirty rows to a page: the first page is shown before the query is read to its end.
TEST_P(QueryDataSetTest, FirstPageIsShownBeforeTheQueryIsReadToItsEndAndTheRestMatchesAWholeLayout) {
    Query q(database(), QStringLiteral("Q1"));
    q.Add(QStringLiteral("select Inv_Item, Name_Item, Amount_Item from InvItem where Inv_Item > ? order by Inv_Item"));
    q.Bind(0);
    q.Open();
    QueryDataSet items(&q, QStringLiteral("frxDBDataset1"));
    Report r;
    r.pageHeader().setHeight(30);
    r.pageHeader().text(0, 0, 200, 20, QStringLiteral("Page [Page#] of [TotalPages#]"));
    DataBand& band = r.masterData(&items, 30);
    band.text(0, 0, 300, 20, [](const Row& row) { return row["Name_Item"] + " " + row["Amount_Item"]; });
    const Sum total = band.sum(QStringLiteral("Amount_Item"));
    r.reportSummary().setHeight(20);
    r.reportSummary().money(0, 0, 300, 20, [total](const Context& c) { return c.sum(total); });

    {
        TReportPreview preview(std::make_unique<PageProducer>(r));
        preview.show();
        EXPECT_LT(q.fetchedCount(), 150);
        EXPECT_TRUE(q.canFetchMore());
        EXPECT_FALSE(preview.complete());
        EXPECT_EQ(preview.report().pageText(0).section(QLatin1Char('\n'), 0, 1), QStringLiteral("Page 1 of \u2026\nPart 001 1.01"));
        ASSERT_TRUE(preview.finishReport());
        EXPECT_EQ(q.fetchedCount(), 150);
        const PreparedReport whole = prepareReport(r);
        ASSERT_EQ(preview.report().pageCount(), whole.pageCount());
        EXPECT_EQ(whole.pageCount(), 5);
        for (int i = 0; i < whole.pageCount(); ++i)
            EXPECT_EQ(preview.report().pageText(i), whole.pageText(i)) << i;
        EXPECT_TRUE(whole.pageText(0).startsWith(QStringLiteral("Page 1 of 5\nPart 001 1.01")));
        EXPECT_TRUE(whole.pageText(4).endsWith(QStringLiteral("Part 150 150.5\n$11,387.25")));
    }
}

// The report's query opened again while its later pages are laid out (another window re-running
// it): the report stops with a message instead of mixing two results.
TEST_P(QueryDataSetTest, AQueryOpenedAgainMidwayStopsTheReportWithAMessage) {
    QStringList errors;
    const PreviewHooks hooks = setPreviewHooks({{}, {}, [&](QWidget*, const QString& text) { errors << text; }});
    Query q(database(), QStringLiteral("Q1"));
    q.Add(QStringLiteral("select Inv_Item, Name_Item, Amount_Item from InvItem order by Inv_Item"));
    q.Open();
    QueryDataSet items(&q, QStringLiteral("frxDBDataset1"));
    Report r;
    r.masterData(&items, 30).field(0, 0, 300, 20, QStringLiteral("Name_Item"));
    {
        TReportPreview preview(std::make_unique<PageProducer>(r));
        preview.show();
        q.Close();
        q.Open();
        QTRY_VERIFY_WITH_TIMEOUT(preview.failed(), 20000);
        ASSERT_EQ(errors.size(), 1);
        EXPECT_EQ(errors.first(), QStringLiteral("The report could not be finished: The rows of frxDBDataset1 changed "
                                                 "while the report was laid out; run it again."));
        EXPECT_FALSE(preview.complete());
    }
    // Run again on the query as it now stands: whole.
    EXPECT_EQ(prepareReport(r).pageCount(), 5);
    setPreviewHooks(hooks);
}

// A statement read in parts of a few keys: lines of keys 1..40, key k with k % 4 lines (none for
// every fourth key, so some parts hold no rows at all), grouped by key with group and report sums.
class PartedReport {
public:
    explicit PartedReport(testsupport::TestDatabase& db) {
        db.exec("create table Line (No_L integer, Inv_L integer, Name_L varchar(40), Amount_L numeric(12,2))");
        std::string insert = "insert into Line (No_L, Inv_L, Name_L, Amount_L) values ";
        int no = 0;
        for (int key = 1; key <= 40; ++key)
            for (int line = 1; line <= key % 4; ++line) {
                char row[96];
                ++no;
                std::snprintf(row, sizeof row, "%s(%d, %d, 'Line %d-%d', %d.%02d)", no > 1 ? "," : "", no, key, key,
                              line, key * 3 + line, (key * 7 + line) % 100);
                insert += row;
            }
        db.exec(insert);
    }

    static PartedStatement statement() {
        return {QStringLiteral("select Inv_L, Name_L, Amount_L from Line where Amount_L >= ?"), {0},
                QStringLiteral("Inv_L"), QStringLiteral(" order by Inv_L, No_L")};
    }
    static std::vector<QVariant> keys() {
        std::vector<QVariant> k;
        for (int key = 1; key <= 40; ++key)
            k.emplace_back(key);
        return k;
    }

    // Twenty lines to a page: the sums of a group cross part and page boundaries.
    static void layout(Report& r, ReportDataSet* rows) {
        r.pageHeader().setHeight(20);
        r.pageHeader().text(0, 0, 200, 20, QStringLiteral("Page [Page#] of [TotalPages#]"));
        DataBand& band = r.masterData(rows, 40);
        band.text(0, 0, 300, 20, [](const Row& row) { return row["Name_L"] + " " + row["Amount_L"]; });
        Group& group = band.groupOn(QStringLiteral("Inv_L"));
        group.header().setHeight(30);
        group.header().field(0, 0, 100, 20, QStringLiteral("Inv_L"));
        const Sum inGroup = group.sum(QStringLiteral("Amount_L"));
        group.footer().setHeight(30);
        group.footer().money(0, 0, 300, 20, [inGroup](const Context& c) { return c.sum(inGroup); });
        const Sum total = band.sum(QStringLiteral("Amount_L"));
        r.reportSummary().setHeight(20);
        r.reportSummary().money(0, 0, 300, 20, [total](const Context& c) { return c.sum(total); });
    }
};

TEST_P(QueryDataSetTest, AStatementReadInPartsPrintsWhatTheWholeStatementPrints) {
    PartedReport data(*db_);
    Query whole(database(), QStringLiteral("Q2"));
    const PartedStatement s = PartedReport::statement();
    whole.setStatement(s.select + s.orderBy, s.values);
    whole.Open();
    QueryDataSet wholeRows(&whole, QStringLiteral("frxDBDataset1"));
    Report wholeReport;
    PartedReport::layout(wholeReport, &wholeRows);
    const PreparedReport expected = prepareReport(wholeReport);
    ASSERT_GT(expected.pageCount(), 3);
    EXPECT_TRUE(expected.pageText(expected.pageCount() - 1).endsWith(QStringLiteral("$3,788.40")))
        << expected.pageText(expected.pageCount() - 1).toStdString();

    const int firstBefore = PartedQueryDataSet::firstPartSize(), laterBefore = PartedQueryDataSet::laterPartSize();
    for (const auto& [first, later] : {std::pair{1, 1}, {2, 3}, {3, 2}, {5, 7}, {40, 40}, {100, 100}}) {
        PartedQueryDataSet::setPartSizes(first, later);
        Query q(database(), QStringLiteral("Q1"));
        PartedQueryDataSet rows(&q, PartedReport::statement(), PartedReport::keys(), QStringLiteral("frxDBDataset1"));
        rows.open();
        ASSERT_TRUE(q.Active());
        // The pool query holds the first part, positioned on its first row.
        EXPECT_EQ(q.FieldByName(QStringLiteral("Name_L")).AsString(), QStringLiteral("Line 1-1"));
        EXPECT_EQ(q.SQLText().contains(QStringLiteral("Between")), first < 40) << first;
        Report r;
        PartedReport::layout(r, &rows);
        PageProducer producer(r);
        // The first page needs only the first parts.
        ASSERT_TRUE(producer.producePage(0));
        if (first < 40)
            EXPECT_LT(rows.rowCount(), 40) << first;
        const PreparedReport got = producer.take();
        ASSERT_EQ(got.pageCount(), expected.pageCount()) << first << "/" << later;
        for (int i = 0; i < got.pageCount(); ++i)
            EXPECT_EQ(got.pageText(i), expected.pageText(i)) << first << "/" << later << " page " << i + 1;
        if (first < 40)
            EXPECT_GT(rows.partsRead(), 0);
    }
    PartedQueryDataSet::setPartSizes(firstBefore, laterBefore);
}

TEST_P(QueryDataSetTest, APartedReportStopsWhenItsPoolQueryIsOpenedAgainAndNeverReadsRowsNoLongerHeld) {
    PartedReport data(*db_);
    const int firstBefore = PartedQueryDataSet::firstPartSize(), laterBefore = PartedQueryDataSet::laterPartSize();
    PartedQueryDataSet::setPartSizes(2, 2);
    Query q(database(), QStringLiteral("Q1"));
    PartedQueryDataSet rows(&q, PartedReport::statement(), PartedReport::keys(), QStringLiteral("frxDBDataset1"));
    rows.open();
    rows.prepare();
    ASSERT_TRUE(rows.hasRow(0));
    EXPECT_EQ(rows.text(0, QStringLiteral("Name_L")), QStringLiteral("Line 1-1"));
    // Keys 1..2 in the first part (3 lines); 3..4 then 5..6 then 7..8 (3, 2, 3 lines)...
    ASSERT_TRUE(rows.hasRow(10));
    EXPECT_EQ(rows.text(10, QStringLiteral("Name_L")), QStringLiteral("Line 7-2"));
    EXPECT_EQ(rows.text(0, QStringLiteral("Name_L")), QStringLiteral("Line 1-1"));  // the first part stays
    EXPECT_THROW(rows.text(3, QStringLiteral("Name_L")), ReportError);             // key 3: dropped
    EXPECT_THROW(rows.text(10, QStringLiteral("No_Such")), ReportError);
    EXPECT_FALSE(rows.hasRow(1000));
    EXPECT_EQ(rows.rowCount(), 60);

    rows.prepare();
    ASSERT_TRUE(rows.hasRow(4));
    q.Close();
    EXPECT_THROW(rows.hasRow(5), ReportError);
    PartedQueryDataSet::setPartSizes(firstBefore, laterBefore);
}

// Later parts read as two statements: the heads once a key, the lines on each row, matched by key.
// Keys without lines and a head column of another type than the line's key are part of it.
TEST_P(QueryDataSetTest, PartsReadAsHeadsAndLinesPrintWhatTheJoinedStatementPrints) {
    PartedReport data(*db_);
    db_->exec("create table Head (Inv_H integer, Note_H varchar(20), Total_H numeric(12,2))");
    std::string insert = "insert into Head (Inv_H, Note_H, Total_H) values ";
    for (int key = 1; key <= 40; ++key) {
        char row[64];
        std::snprintf(row, sizeof row, "%s(%d, 'Note %d', %d.5)", key > 1 ? "," : "", key, key, key);
        insert += row;
    }
    db_->exec(insert);
    PartedStatement s{QStringLiteral("select H.Inv_H, H.Note_H, H.Total_H, L.Inv_L, L.Name_L, L.Amount_L from Head H, Line L "
                                     "where L.Amount_L >= ? and H.Inv_H = L.Inv_L"),
                      {0}, QStringLiteral("H.Inv_H"), QStringLiteral(" order by H.Inv_H, L.No_L"),
                      QStringLiteral("select H.Inv_H, H.Note_H, H.Total_H from Head H where H.Total_H >= ?"),
                      QStringLiteral("select L.Inv_L, L.Name_L, L.Amount_L from Head H, Line L where L.Amount_L >= ? and "
                                     "H.Inv_H = L.Inv_L")};
    const auto layout = [](Report& r, ReportDataSet* rows) {
        PartedReport::layout(r, rows);
        DataBand& band = *r.dataBands().front();
        band.groups().front()->header().text(100, 0, 300, 20, [](const Row& row) {
            return row["Note_H"] + " " + row["Total_H"];
        });
    };
    Query whole(database(), QStringLiteral("Q2"));
    whole.setStatement(s.select + s.orderBy, s.values);
    whole.Open();
    QueryDataSet wholeRows(&whole, QStringLiteral("frxDBDataset1"));
    Report wholeReport;
    layout(wholeReport, &wholeRows);
    const PreparedReport expected = prepareReport(wholeReport);
    ASSERT_TRUE(expected.pageText(0).contains(QStringLiteral("Note 2 2.5")));

    const int firstBefore = PartedQueryDataSet::firstPartSize(), laterBefore = PartedQueryDataSet::laterPartSize();
    // Read when the layout needs them, and read ahead on a connection of the dataset's own.
    for (const bool ahead : {false, true}) {
        PartedQueryDataSet::setReadAhead(ahead);
        for (const auto& [first, later] : {std::pair{1, 1}, {2, 3}, {3, 5}}) {
            PartedQueryDataSet::setPartSizes(first, later);
            Query q(database(), QStringLiteral("Q1"));
            PartedQueryDataSet rows(&q, s, PartedReport::keys(), QStringLiteral("frxDBDataset1"));
            rows.open();
            Report r;
            layout(r, &rows);
            const PreparedReport got = prepareReport(r);
            EXPECT_GT(rows.partsRead(), 5);
            if (ahead)
                EXPECT_EQ(rows.partsReadAhead(), rows.partsRead() - 1) << first << "/" << later;
            else
                EXPECT_EQ(rows.partsReadAhead(), 0);
            ASSERT_EQ(got.pageCount(), expected.pageCount()) << first;
            for (int i = 0; i < got.pageCount(); ++i)
                EXPECT_EQ(got.pageText(i), expected.pageText(i))
                    << ahead << " " << first << "/" << later << " page " << i + 1;

            // Laid out again from the start (a part asked for ahead is dropped), then left halfway
            // while a part is being read ahead: the dataset waits for it and lets go.
            PageProducer again(r);
            ASSERT_TRUE(again.producePage(1));
            EXPECT_EQ(again.pages().pageText(1).replace(QStringLiteral("\u2026"), QString::number(expected.pageCount())),
                      expected.pageText(1));
        }
    }
    PartedQueryDataSet::setReadAhead(true);
    PartedQueryDataSet::setPartSizes(firstBefore, laterBefore);
}


// On PostgreSQL later parts come as the server's text a block of rows at a time: every value a
// layout reads is the value the joined statement gives, whatever its kind, with long texts (more
// than a block's slot), letters outside ASCII, NULLs, dates and truth values among them.
TEST_P(QueryDataSetTest, PartsReadAsTextGiveEveryValueTheJoinedStatementGives) {
    PartedReport data(*db_);
    db_->exec("create table Head (Inv_H integer, Note_H varchar(400), Day_H timestamp, Done_H boolean, "
              "Total_H numeric(12,2))");
    std::string insert = "insert into Head (Inv_H, Note_H, Day_H, Done_H, Total_H) values ";
    for (int key = 1; key <= 40; ++key) {
        std::string note = key % 5 == 0 ? "NULL" : "'Caf\xC3\xA9 \xE2\x82\xAC" + std::to_string(key) + "'";
        if (key % 7 == 0)
            note = "'" + std::string(size_t(290 + key), 'x') + " \xC3\xA9nd'";
        char row[600];
        std::snprintf(row, sizeof row, "%s(%d, %s, %s, %s, %s)", key > 1 ? "," : "", key, note.c_str(),
                      key % 6 == 0 ? "NULL" : ("'2025-0" + std::to_string(key % 9 + 1) + "-1" + std::to_string(key % 10) +
                                               " 10:11:12'").c_str(),
                      key % 3 == 0 ? "NULL" : (key % 2 ? "true" : "false"), key % 4 == 1 ? "NULL" : "12.5");
        insert += row;
    }
    db_->exec(insert);
    const QString fields = QStringLiteral("H.Inv_H, H.Note_H, H.Day_H, H.Done_H, H.Total_H");
    PartedStatement s{QStringLiteral("select ") + fields + QStringLiteral(", L.Inv_L, L.Name_L, L.Amount_L from Head H, Line L "
                                                                       "where L.Amount_L >= ? and H.Inv_H = L.Inv_L"),
                      {0}, QStringLiteral("H.Inv_H"), QStringLiteral(" order by H.Inv_H, L.No_L"),
                      QStringLiteral("select ") + fields + QStringLiteral(" from Head H where H.Inv_H >= ?"),
                      QStringLiteral("select L.Inv_L, L.Name_L, L.Amount_L from Head H, Line L where L.Amount_L >= ? "
                                     "and H.Inv_H = L.Inv_L")};
    Query whole(database(), QStringLiteral("Q2"));
    whole.setStatement(s.select + s.orderBy, s.values);
    whole.Open();
    const int total = whole.RecordCount();
    ASSERT_GT(total, 40);
    EXPECT_EQ(Query::readsText(database()), GetParam() == Engine::PostgreSQL);

    const int firstBefore = PartedQueryDataSet::firstPartSize(), laterBefore = PartedQueryDataSet::laterPartSize();
    PartedQueryDataSet::setPartSizes(2, 5);
    for (const bool ahead : {false, true}) {
        PartedQueryDataSet::setReadAhead(ahead);
        Query q(database(), QStringLiteral("Q1"));
        PartedQueryDataSet rows(&q, s, PartedReport::keys(), QStringLiteral("frxDBDataset1"));
        rows.open();
        rows.prepare();
        int longNotes = 0;
        for (int r = 0; r < total; ++r) {
            ASSERT_TRUE(rows.hasRow(r)) << r;
            for (int c = 0; c < whole.FieldCount(); ++c) {
                const QString field = whole.FieldNames()[c];
                const QVariant expected = whole.fieldAt(r, c).AsVariant();
                const QVariant got = rows.value(r, field);
                EXPECT_EQ(got.isNull(), expected.isNull()) << ahead << " row " << r << " " << field.toStdString();
                EXPECT_EQ(got.metaType(), expected.metaType()) << ahead << " row " << r << " " << field.toStdString();
                EXPECT_EQ(rows.text(r, field), whole.fieldAt(r, c).AsString())
                    << ahead << " row " << r << " " << field.toStdString();
                if (field.compare(QStringLiteral("Note_H"), Qt::CaseInsensitive) == 0 && got.toString().size() > 256)
                    ++longNotes;
            }
        }
        EXPECT_FALSE(rows.hasRow(total));
        EXPECT_GT(longNotes, 0);
        EXPECT_GT(rows.partsRead(), 5);
        if (ahead)
            EXPECT_EQ(rows.partsReadAhead(), rows.partsRead() - 1);
    }
    PartedQueryDataSet::setReadAhead(true);
    PartedQueryDataSet::setPartSizes(firstBefore, laterBefore);
}


INSTANTIATE_TEST_SUITE_P(Engines, QueryDataSetTest, TESTSUPPORT_ENGINES);

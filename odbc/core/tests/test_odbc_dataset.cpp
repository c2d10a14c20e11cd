// The read-only dataset on both engines: opening and field types, navigation both ways,
// bookmarks, counting, block cursors, locating, filtering, refresh, parameters and errors.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/framework/Streaming.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace vantrel;
using testsupport::Engine;

namespace {

using vantrel::odbctest::errorOf;

} // namespace

TEST(ParamParsing, QuotesEscapesAndNameEnds) {
    std::vector<String> names;
    String text = "SELECT * FROM t WHERE a = :a AND b = ':b' AND c = x::y";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "SELECT * FROM t WHERE a = ? AND b = ':b' AND c = x:y");
    EXPECT_EQ(names, (std::vector<String>{"a"}));

    names.clear();
    text = "WHERE x = :\"a b\" OR y = :'c d' OR z IN (:e,:f);:g\t:h\n";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "WHERE x = ? OR y = ? OR z IN (?,?);?\t?\n");
    EXPECT_EQ(names, (std::vector<String>{"a b", "c d", "e", "f", "g", "h"}));

    // A single quote inside a double-quoted name does not open a string, and only a matching pair
    // of quotes is stripped. A name whose quote never closes is no name: it would take the rest
    // of the statement, so the colon stays plain text and the driver gets the statement whole.
    names.clear();
    text = "SELECT \"it's\" FROM t WHERE p = :p AND q = :\"open";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "SELECT \"it's\" FROM t WHERE p = ? AND q = :\"open");
    EXPECT_EQ(names, (std::vector<String>{"p"}));

    names.clear();
    text = "DELETE FROM t WHERE id = :'id AND owner = :o";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "DELETE FROM t WHERE id = :'id AND owner = :o");
    EXPECT_TRUE(names.empty());
    names.clear();
    text = "WHERE a = :a'b c OR d = :d";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "WHERE a = :a'b c OR d = :d");
    EXPECT_TRUE(names.empty());
    names.clear();
    text = "WHERE a = :a'b c' OR d = :'e\" f'";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "WHERE a = ? OR d = ?");
    EXPECT_EQ(names, (std::vector<String>{"a'b c'", "e\" f"}));
    names.clear();
    text = "WHERE a = :'x y' AND b = :\"z";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "WHERE a = ? AND b = :\"z");
    EXPECT_EQ(names, (std::vector<String>{"x y"}));

    names.clear();
    text = "a : b, :";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "a : b, :");
    EXPECT_TRUE(names.empty());
    // An empty quoted name names nothing either (it used to make a parameter named "").
    text = "WHERE a = :'' OR b = :\"\" OR c = :'\"\"' OR d = :d";
    ODBCParseParams(text, &names);
    EXPECT_EQ(text, "WHERE a = :'' OR b = :\"\" OR c = :'\"\"' OR d = ?");
    EXPECT_EQ(names, (std::vector<String>{"d"}));

    // The same name twice is two parameters.
    TODBCQuery q(nullptr);
    q.SetSQLText("SELECT :x, :y, :X");
    ASSERT_EQ(q.ParamsCount(), 3);
    EXPECT_EQ(q.Params()->Items(2)->Name(), "X");
    EXPECT_EQ(q.ConvertedSQL(), "SELECT ?, ?, ?\n");
}

namespace {
// Opens the protected editing hooks for the message checks.
class ExposedDataSet : public TODBCDataSet {
public:
    using TODBCDataSet::TODBCDataSet;
    using TODBCDataSet::GetBookmarkFlag;
    using TODBCDataSet::GetRecordSize;
    using TODBCDataSet::InternalAddRecord;
    using TODBCDataSet::InternalDelete;
    using TODBCDataSet::InternalInitRecord;
    using TODBCDataSet::InternalPost;
    using TODBCDataSet::SetBookmarkData;
    using TODBCDataSet::SetBookmarkFlag;
};
} // namespace

TEST(DataSetMessages, EditingCallsAndBadBuffersRaiseTheLibrarysTexts) {
    ExposedDataSet ds(nullptr);
    const std::string ni = "ODBC This function not implemented";
    char buffer[16] = {};
    EXPECT_EQ(errorOf([&] { ds.InternalPost(); }), "TODBCDataSet.InternalPost :" + ni);
    EXPECT_EQ(errorOf([&] { ds.InternalAddRecord(buffer, true); }), "TODBCDataSet.InternalAddRecord:" + ni);
    EXPECT_EQ(errorOf([&] { ds.InternalDelete(); }), "TODBCDataSet.InternalDelete: " + ni);
    EXPECT_EQ(errorOf([&] { ds.InternalInitRecord(buffer); }), "TODBCDataSet.InternalInitRecord: " + ni);
    EXPECT_EQ(errorOf([&] { ds.SetBookmarkFlag(buffer, bfEOF); }), "TODBCDataSet.SetBookmarkFlag: " + ni);
    EXPECT_EQ(errorOf([&] { ds.SetBookmarkData(buffer, buffer); }), "TODBCDataSet.SetBookmarkData: " + ni);
    EXPECT_EQ(errorOf([&] { ds.GetRecordSize(); }), "TODBCDataSet.GetRecordSize: " + ni);
    buffer[4] = 3;
    EXPECT_EQ(ds.GetBookmarkFlag(buffer), bfInserted);
    buffer[4] = 4;
    EXPECT_EQ(errorOf([&] { ds.GetBookmarkFlag(buffer); }),
              "ODBC Internal component error 330. Contact programmers team.");
    EXPECT_EQ(errorOf([&] { ds.Prepare(); }), "ODBC This operation is not allowed on closed database");
}

class DataSetTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE item (id INTEGER PRIMARY KEY, name VARCHAR(20), price NUMERIC(12,2), "
                  "made DATE, stamp TIMESTAMP, note " +
                  std::string(postgres() ? "TEXT" : "TEXT") + ")");
        for (int i = 1; i <= 25; ++i)
            tdb->exec("INSERT INTO item VALUES (" + std::to_string(i) + ", 'name" + std::to_string(i) + "', " +
                      std::to_string(i) + ".25, '2024-01-" + (i < 10 ? "0" : "") + std::to_string(i) +
                      "', '2024-02-03 04:05:06', 'note " + std::to_string(i) + "')");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
        q = std::make_unique<TODBCQuery>(nullptr);
        q->SetODBCDatabase(db.get());
    }
    void TearDown() override {
        q.reset();
        db.reset();
        tdb.reset();
    }
    bool postgres() const { return GetParam() == Engine::PostgreSQL; }
    void openSql(const std::string& sql) {
        q->SQL()->Clear();
        q->SQL()->Add(sql);
        q->Open();
    }
    std::vector<int> readIds(TODBCDataSet& ds) {
        std::vector<int> ids;
        for (ds.First(); !ds.Eof(); ds.Next())
            ids.push_back(ds.FieldByName("id")->AsInteger());
        return ids;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
    std::unique_ptr<TODBCQuery> q;
};

TEST_P(DataSetTest, OpensAndReadsForward) {
    openSql("SELECT id, name, price, made, stamp FROM item ORDER BY id");
    ASSERT_TRUE(q->Active());
    EXPECT_EQ(q->FieldCount(), 5);
    int n = 0;
    while (!q->Eof()) {
        ++n;
        EXPECT_EQ(q->FieldByName("id")->AsInteger(), n);
        EXPECT_EQ(q->FieldByName("name")->AsString(), "name" + std::to_string(n));
        EXPECT_DOUBLE_EQ(q->FieldByName("price")->AsFloat(), n + 0.25);
        EXPECT_EQ(static_cast<double>(q->FieldByName("made")->AsDateTime()),
                  static_cast<double>(EncodeDate(2024, 1, n)));
        EXPECT_EQ(DateTimeToStr(q->FieldByName("stamp")->AsDateTime()), "2024-02-03 04:05:06");
        q->Next();
    }
    EXPECT_EQ(n, 25);
}


TEST_P(DataSetTest, NullsOfEveryTypeAndTheTypeMapping) {
    const std::string blob = postgres() ? "BYTEA" : "BLOB";
    tdb->exec("CREATE TABLE typed (i INTEGER, s SMALLINT, b BIGINT, v VARCHAR(10), n NUMERIC(10,2), "
              "f DOUBLE PRECISION, d DATE, t TIME, ts TIMESTAMP, m TEXT, bl " + blob + ")");
    tdb->exec("INSERT INTO typed VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    tdb->exec("INSERT INTO typed VALUES (7, 3, 5000000000, 'abc', 12.5, 0.125, '1999-12-31', '23:59:58', "
              "'2001-02-03 04:05:06.789', 'memo', NULL)");
    openSql("SELECT * FROM typed ORDER BY i");
    EXPECT_EQ(q->FieldByName("i")->DataType(), ftInteger);
    EXPECT_EQ(q->FieldByName("s")->DataType(), ftSmallint);
    EXPECT_EQ(q->FieldByName("b")->DataType(), ftLargeint);
    EXPECT_EQ(q->FieldByName("v")->DataType(), ftString);
    EXPECT_EQ(q->FieldByName("v")->Size(), 10);
    EXPECT_EQ(q->FieldByName("n")->DataType(), ftFloat);
    EXPECT_EQ(q->FieldByName("f")->DataType(), ftFloat);
    EXPECT_EQ(q->FieldByName("d")->DataType(), ftDate);
    EXPECT_EQ(q->FieldByName("t")->DataType(), ftTime);
    EXPECT_EQ(q->FieldByName("ts")->DataType(), ftDateTime);
    EXPECT_EQ(q->FieldByName("m")->DataType(), ftMemo);
    EXPECT_EQ(q->FieldByName("bl")->DataType(), ftBlob);
    // Nulls first in both engines' order.
    if (!q->FieldByName("i")->IsNull()) q->Next();
    for (TField* f : *q->Fields()) EXPECT_TRUE(f->IsNull()) << f->FieldName();
    EXPECT_EQ(q->FieldByName("m")->AsString(), "");
    q->First();
    if (q->FieldByName("i")->IsNull()) q->Next();
    for (TField* f : *q->Fields())
        if (f->FieldName() != "bl") {
            EXPECT_FALSE(f->IsNull()) << f->FieldName();
        }
    EXPECT_EQ(q->FieldByName("s")->AsInteger(), 3);
    EXPECT_EQ(q->FieldByName("b")->AsLargeInt(), 5000000000LL);
    // 64 bits are read whole; where 32 bits are required the value refuses instead of wrapping.
    EXPECT_NE(errorOf([&] { q->FieldByName("b")->AsInteger(); }).find("32-bit"), std::string::npos);
    EXPECT_EQ(q->FieldByName("v")->AsString(), "abc");
    EXPECT_DOUBLE_EQ(q->FieldByName("n")->AsFloat(), 12.5);
    EXPECT_DOUBLE_EQ(q->FieldByName("f")->AsFloat(), 0.125);
    EXPECT_EQ(DateToStr(q->FieldByName("d")->AsDateTime()), "1999-12-31");
    EXPECT_EQ(TimeToStr(q->FieldByName("t")->AsDateTime()), "23:59:58");
    EXPECT_EQ(DateTimeToStr(q->FieldByName("ts")->AsDateTime()), "2001-02-03 04:05:06.789");
    EXPECT_EQ(q->FieldByName("m")->AsString(), "memo");
    q->Close();

    // A stored 32-bit field over the BIGINT column reads what fits and refuses what does not.
    tdb->exec("INSERT INTO typed (i, b) VALUES (8, -5)");
    auto* narrow = new TIntegerField(q.get());
    narrow->SetFieldName("b");
    narrow->SetDataSet(q.get());
    openSql("SELECT b FROM typed WHERE b IS NOT NULL ORDER BY b");
    EXPECT_EQ(narrow->AsInteger(), -5);
    q->Next();
    EXPECT_THROW(narrow->AsInteger(), EDatabaseError);
    q->Close();
    delete narrow;
}

TEST_P(DataSetTest, NavigatesBothWaysAndBookmarksComeBack) {
    openSql("SELECT id FROM item ORDER BY id");
    auto* id = q->FieldByName("id");
    q->Last();
    EXPECT_EQ(id->AsInteger(), 25);
    std::vector<int> backward;
    for (; !q->Bof(); q->Prior()) backward.push_back(id->AsInteger());
    ASSERT_EQ(backward.size(), 25u);
    EXPECT_EQ(backward.front(), 25);
    EXPECT_EQ(backward.back(), 1);
    EXPECT_EQ(q->MoveBy(9), 9);
    EXPECT_EQ(id->AsInteger(), 10);
    TBookmark ten = q->GetBookmark();
    q->Last();
    q->MoveBy(-3);
    TBookmark fromEnd = q->GetBookmark();
    EXPECT_EQ(id->AsInteger(), 22);
    // After Last the offsets count from the end: anchor -1, offset -3.
    int32_t raw[2];
    std::memcpy(raw, fromEnd.Data(), 8);
    EXPECT_EQ(raw[0], -1);
    EXPECT_EQ(raw[1], -3);
    q->GotoBookmark(ten);
    EXPECT_EQ(id->AsInteger(), 10);
    q->Next();
    EXPECT_EQ(id->AsInteger(), 11);
    q->GotoBookmark(fromEnd);
    EXPECT_EQ(id->AsInteger(), 22);
    q->Prior();
    EXPECT_EQ(id->AsInteger(), 21);
    // A search that scans from the first row leaves records counted from the end valid.
    q->Last();
    EXPECT_EQ(q->Lookup("id", 5, "id").AsInteger(), 5);
    q->Prior();
    EXPECT_EQ(id->AsInteger(), 24);
    q->First();
    EXPECT_EQ(q->CompareBookmarks(ten, q->GetBookmark()), 1);
    EXPECT_EQ(readIds(*q).size(), 25u);

    // A bookmark of another dataset, or from before a re-open, is refused.
    TODBCQuery other(nullptr);
    other.SetODBCDatabase(db.get());
    other.SetSQLText("SELECT id FROM item ORDER BY id");
    other.Open();
    EXPECT_THROW(other.GotoBookmark(ten), EDatabaseError);
    q->Close();
    q->Open();
    EXPECT_THROW(q->GotoBookmark(ten), EDatabaseError);
    EXPECT_THROW(q->SilentOpen(ten), EDatabaseError);
}

TEST_P(DataSetTest, CountsOnScrollableAndForwardOnlyCursorsKeepThePosition) {
    tdb->exec(postgres() ? "INSERT INTO item SELECT g, 'x', 0, NULL, NULL, NULL FROM generate_series(26, 337) g"
                         : "WITH RECURSIVE c(x) AS (SELECT 26 UNION ALL SELECT x + 1 FROM c WHERE x < 337) "
                           "INSERT INTO item SELECT x, 'x', 0, NULL, NULL, NULL FROM c");
    openSql("SELECT id FROM item ORDER BY id");
    auto* id = q->FieldByName("id");
    q->MoveBy(4);
    EXPECT_EQ(q->GetRecordCountExt(), 337);
    EXPECT_EQ(q->RecordCount(), 337);
    q->Next();
    EXPECT_EQ(id->AsInteger(), 6);
    q->Last();
    q->Prior();
    q->Close();
    q->Open();
    id = q->FieldByName("id");  // the fields are made again at each open
    q->Last();
    q->MoveBy(-2);
    EXPECT_EQ(q->RecordCount(), 337);
    q->Prior();
    EXPECT_EQ(id->AsInteger(), 334);
    // The cache belongs to one run of the statement.
    tdb->exec("DELETE FROM item WHERE id > 300");
    q->Refresh();
    EXPECT_EQ(q->GetRecordCountExt(), 300);

    TODBCQuery fwd(nullptr);
    fwd.SetODBCDatabase(db.get());
    fwd.SetUniDirectional(true);
    fwd.SetSQLText("SELECT id FROM item ORDER BY id");
    fwd.Open();
    fwd.MoveBy(9);
    EXPECT_EQ(fwd.RecordCount(), 300);
    EXPECT_EQ(fwd.FieldByName("id")->AsInteger(), 10);
    fwd.Next();
    EXPECT_EQ(fwd.FieldByName("id")->AsInteger(), 11);
}

TEST_P(DataSetTest, BlockCursorReadsTheSameRowsAsThePlainCursor) {
    const std::string sql = "SELECT id, name, price, made, stamp, note FROM item ORDER BY id";
    tdb->exec("UPDATE item SET name = NULL, made = NULL WHERE id % 4 = 0");
    tdb->exec("UPDATE item SET price = NULL, stamp = NULL, note = NULL WHERE id % 3 = 0");
    openSql(sql);
    std::vector<std::string> plain;
    for (; !q->Eof(); q->Next()) {
        std::string row;
        for (TField* f : *q->Fields()) row += (f->IsNull() ? "<null>" : f->AsString()) + "|";
        plain.push_back(row);
    }
    for (int rowSet : {1, 7, 25, 100}) {
        TODBCQuery block(nullptr);
        block.SetODBCDatabase(db.get());
        block.SetUniDirectional(true);
        block.SetBlockCursor(true);
        block.SetSQLText(sql);
        // Prepared before the size changes: the made statement follows the new size.
        block.Prepare();
        block.SetRowSetSize(rowSet);
        block.Open();
        EXPECT_EQ(block.RowSetSize(), rowSet);
        EXPECT_TRUE(block.BlockMode());
        // Counting in the middle of a block comes back to the same row of the same block.
        block.MoveBy(12);
        EXPECT_EQ(block.RecordCount(), 25);
        EXPECT_EQ(block.FieldByName("id")->AsInteger(), 13);
        block.Next();
        EXPECT_EQ(block.FieldByName("id")->AsInteger(), 14);
        block.First();
        std::vector<std::string> rows;
        for (; !block.Eof(); block.Next()) {
            std::string row;
            for (TField* f : *block.Fields()) row += (f->IsNull() ? "<null>" : f->AsString()) + "|";
            rows.push_back(row);
        }
        EXPECT_EQ(rows, plain) << "row set " << rowSet;
        // The statement fetches exactly what the arrays hold.
        SQLULEN driverRows = 0;
        SQLGetStmtOption(block.Handle(), SQL_ROWSET_SIZE, &driverRows);
        EXPECT_EQ(driverRows, static_cast<SQLULEN>(rowSet));
        EXPECT_EQ(errorOf([&] { block.SetBlockCursor(false); }),
                  "ODBC This operation is not allowed on open dataset");
        EXPECT_EQ(errorOf([&] { block.SetRowSetSize(3); }), "ODBC This operation is not allowed on open dataset");
        // A forward-only dataset starts again by running again.
        block.First();
        EXPECT_EQ(block.FieldByName("id")->AsInteger(), 1);
    }
}

TEST_P(DataSetTest, LocatesExactPartialAndCaseInsensitive) {
    tdb->exec("UPDATE item SET name = NULL WHERE id = 13");
    openSql("SELECT id, name, price, made FROM item ORDER BY id");
    auto* id = q->FieldByName("id");
    EXPECT_TRUE(q->Locate("name", "name7", 0));
    EXPECT_EQ(id->AsInteger(), 7);
    EXPECT_FALSE(q->Locate("name", "NAME8", 0));
    EXPECT_EQ(id->AsInteger(), 7) << "a failed search keeps the position";
    EXPECT_TRUE(q->Locate("name", "NAME8", loCaseInsensitive));
    EXPECT_EQ(id->AsInteger(), 8);
    EXPECT_TRUE(q->Locate("name", "name2", loPartialKey));
    EXPECT_EQ(id->AsInteger(), 2);
    EXPECT_TRUE(q->Locate("name", "NAME2", loPartialKey | loCaseInsensitive));
    EXPECT_EQ(id->AsInteger(), 2);
    EXPECT_TRUE(q->Locate("id;price", VarArrayOf({Variant(21), Variant(21.25)}), 0));
    EXPECT_EQ(id->AsInteger(), 21);
    EXPECT_TRUE(q->Locate("made", Variant(EncodeDate(2024, 1, 17)), 0));
    EXPECT_EQ(id->AsInteger(), 17);
    // Null finds only the null row, and no number matches a null.
    EXPECT_TRUE(q->Locate("name", Variant::Null(), 0));
    EXPECT_EQ(id->AsInteger(), 13);
    EXPECT_FALSE(q->Locate("id", 99, 0));
    EXPECT_EQ(errorOf([&] { q->Locate("id;price", VarArrayOf({Variant(1)}), 0); }),
              "ODBC Fields and values are not correct");
    EXPECT_EQ(errorOf([&] { q->FindRecordByValues({"id", "name"}, {Variant(1)}, true); }),
              "ODBC Fields and values are not correct");
    EXPECT_TRUE(q->FindRecordByValues({"id", "name"}, {Variant(4), Variant("name4")}, true));
    EXPECT_EQ(id->AsInteger(), 4);
    EXPECT_FALSE(q->FindRecordByValues({"id"}, {Variant(2)}, false)) << "searches forward from the next record";
    EXPECT_EQ(id->AsInteger(), 4);

    // Forward-only: searching starts again from the first row.
    q->Close();
    q->SetUniDirectional(true);
    q->Open();
    q->MoveBy(10);
    EXPECT_TRUE(q->Locate("name", "NAME3", loCaseInsensitive));
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 3);
    q->Next();
    EXPECT_TRUE(q->TDataSet::Locate("id", 6, 0)) << "the framework's search reopens the same way";
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 6);
    q->Next();
    EXPECT_TRUE(q->FindRecordByValues({"id"}, {Variant(2)}, true));
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 2);
}

TEST_P(DataSetTest, FiltersBothWaysAndRefreshKeepsTheRecord) {
    openSql("SELECT id FROM item ORDER BY id");
    q->OnFilterRecord = [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("id")->AsInteger() % 5 == 0; };
    q->SetFiltered(true);
    EXPECT_EQ(readIds(*q), (std::vector<int>{5, 10, 15, 20, 25}));
    q->Last();
    q->Prior();
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 20);
    q->SetFiltered(false);
    q->MoveBy(11);
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 12);
    tdb->exec("DELETE FROM item WHERE id < 5");
    q->Refresh();
    // The record at the same place of the new result.
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 16);
    q->First();
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 5);
}

TEST_P(DataSetTest, ParametersAreBoundAndRowsAffectedCounted) {
    q->SQL()->Add("SELECT id FROM item WHERE id > :lo AND id <= :hi AND name <> ':nope' ORDER BY id");
    ASSERT_EQ(q->ParamsCount(), 2);
    EXPECT_EQ(q->ConvertedSQL(), "SELECT id FROM item WHERE id > ? AND id <= ? AND name <> ':nope' ORDER BY id\n");
    q->ParamByName("lo")->SetAsInteger(3);
    q->ParamByName("HI")->SetAsInteger(6);
    q->Open();
    EXPECT_EQ(readIds(*q), (std::vector<int>{4, 5, 6}));
    q->Close();
    q->ParamByName("hi")->SetAsInteger(4);
    q->Open();
    EXPECT_EQ(readIds(*q), (std::vector<int>{4}));

    TODBCQuery upd(nullptr);
    upd.SetODBCDatabase(db.get());
    upd.SetSQLText("UPDATE item SET name = :n WHERE id < :id");
    upd.ParamByName("n")->SetAsString("it's; :x");
    upd.ParamByName("id")->SetAsInteger(4);
    upd.ExecSQL();
    EXPECT_EQ(upd.GetRowsAffected(), 3);
    q->Close();
    q->SetSQLText("SELECT name FROM item WHERE id = 2");
    q->Open();
    EXPECT_EQ(q->FieldByName("name")->AsString(), "it's; :x");
}

// A quoted name that never closes used to become one parameter holding the rest of the
// statement, which then ran cut short at it; now the driver gets the whole text and refuses it.
TEST_P(DataSetTest, AQuotedNameThatNeverClosesLeavesTheStatementWhole) {
    TODBCQuery del(nullptr);
    del.SetODBCDatabase(db.get());
    del.SetSQLText("DELETE FROM item WHERE id > :'lo AND id > 99");
    EXPECT_EQ(del.ParamsCount(), 0);
    EXPECT_EQ(del.ConvertedSQL(), "DELETE FROM item WHERE id > :'lo AND id > 99\n");
    EXPECT_THROW(del.ExecSQL(), Exception);
    openSql("SELECT COUNT(*) AS n FROM item");
    EXPECT_EQ(q->FieldByName("n")->AsInteger(), 25);
}

TEST_P(DataSetTest, WideValuesNeverOverflowTheRecord) {
    const std::string longText(20000, 'w');
    tdb->exec("CREATE TABLE wide (id INTEGER, v VARCHAR(5), m TEXT)");
    // SQLite keeps text longer than the declared width; the column buffer is the declared width.
    tdb->exec("INSERT INTO wide VALUES (1, '" + std::string(postgres() ? "abcde" : "abcdefghijklmnopqrstuvwxyz") +
              "', '" + longText + "x')");
    tdb->exec("INSERT INTO wide VALUES (2, 'ab', 'short')");
    for (bool uni : {false, true}) {
        q->Close();
        q->SetUniDirectional(uni);
        openSql("SELECT id, v, m FROM wide ORDER BY id");
        TField* v = q->FieldByName("v");
        EXPECT_EQ(v->AsString(), "abcde");
        EXPECT_EQ(q->FieldTruncated(v), !postgres());
        EXPECT_TRUE(q->FieldByName("m")->AsString() == longText + "x") << "memo read whole, uni " << uni;
        EXPECT_TRUE(q->FieldByName("m")->AsString() == longText + "x") << "and again, uni " << uni;
        q->Next();
        EXPECT_EQ(v->AsString(), "ab");
        EXPECT_FALSE(q->FieldTruncated(v));
        EXPECT_EQ(q->FieldByName("m")->AsString(), "short");
    }
    q->Close();
    q->SetUniDirectional(false);
    openSql("SELECT id, v, m FROM wide ORDER BY id");
    q->Next();
    q->Prior();
    EXPECT_TRUE(q->FieldByName("m")->AsString() == longText + "x") << "scrolled back to the long row";
    q->Close();
    q->SetUniDirectional(true);
    q->SetBlockCursor(true);
    q->SetRowSetSize(10);
    openSql("SELECT id, m FROM wide ORDER BY id");
    // psqlODBC reads the rest of a value in a block; the SQLite driver cannot, which is reported.
    if (postgres())
        EXPECT_TRUE(q->FieldByName("m")->AsString() == longText + "x") << "first row of a block";
    else
        EXPECT_THROW(q->FieldByName("m")->AsString(), EDatabaseError);
    q->Next();
    EXPECT_EQ(q->FieldByName("m")->AsString(), "short");
}

TEST_P(DataSetTest, NamesOriginsTrimmingAndTheDescription) {
    tdb->exec("CREATE TABLE fixed (c CHAR(6))");
    tdb->exec("INSERT INTO fixed VALUES ('ab    ')");
    openSql("SELECT id, id, id, name FROM item");
    EXPECT_EQ(q->Fields()->Fields(0)->FieldName(), "id");
    EXPECT_EQ(q->Fields()->Fields(1)->FieldName(), "id_1");
    EXPECT_EQ(q->Fields()->Fields(2)->FieldName(), "id_2");
    if (!postgres()) {
        EXPECT_EQ(q->FieldByName("name")->Origin(), "item.name");
    }
    q->Close();
    db->SetStringTrimRight(true);
    openSql("SELECT c FROM fixed");
    EXPECT_EQ(q->FieldByName("c")->AsString(), "ab");
    q->Close();
    db->SetStringTrimRight(false);
    openSql("SELECT c FROM fixed");
    EXPECT_EQ(q->FieldByName("c")->AsString(), "ab    ");
    q->Close();
    // The description alone, on a closed dataset, reads no row and leaves it closed.
    q->SetSQLText("SELECT id, name AS label FROM item");
    q->FieldDefs()->Update();
    ASSERT_EQ(q->FieldDefs()->Count(), 2);
    EXPECT_EQ(q->FieldDefs()->Items(1)->Name(), "label");
    EXPECT_EQ(q->FieldDefs()->Items(1)->DataType(), ftString);
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(q->Handle(), nullptr);
    q->SetSQLText("SELECT id FROM item");
    EXPECT_TRUE(q->IsDataSet());
    q->Close();
    q->SetSQLText("DELETE FROM item WHERE id = 0");
    EXPECT_FALSE(q->IsDataSet());
}

TEST_P(DataSetTest, MovingToAnotherConnectionClosesThroughTheFramework) {
    openSql("SELECT id FROM item");
    int closes = 0;
    q->AfterClose = [&](TDataSet*) { ++closes; };
    TODBCDatabase other(nullptr);
    other.SetConnectStr(tdb->connectionString());
    other.SetConnected(true);
    q->SetODBCDatabase(&other);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(db->GetDatasetCount(), 0);
    EXPECT_EQ(other.GetDatasetCount(), 1);
    q->Open();
    other.SetConnected(false);
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(errorOf([&] { q->Open(); }), "ODBC This operation is not allowed on closed database");
}

TEST_P(DataSetTest, SilentReopenImmediateOpenAndCountsAtTheEnds) {
    openSql("SELECT id FROM item ORDER BY id");
    auto* id = q->FieldByName("id");
    q->MoveBy(6);
    TBookmark seven = q->SilentClose();
    tdb->exec("UPDATE item SET name = 'changed' WHERE id = 7");
    q->SilentOpen(seven);
    EXPECT_EQ(id->AsInteger(), 7);
    q->Next();
    EXPECT_EQ(id->AsInteger(), 8);
    q->ImmediatelyOpen();
    q->First();
    EXPECT_EQ(id->AsInteger(), 1);
    // Counting from either end (cursor before the first or after the last row) keeps it there.
    q->Last();
    EXPECT_EQ(q->RecordCount(), 25);
    q->Prior();
    EXPECT_EQ(id->AsInteger(), 24);
    q->Refresh();
    q->First();
    EXPECT_EQ(q->GetRecordCountExt(), 25);
    q->Next();
    EXPECT_EQ(id->AsInteger(), 2);
    EXPECT_FALSE(q->CursorName().empty());
}

TEST_P(DataSetTest, LongParametersGoAtExecutionAndEmptyNamesBecomeUnknown) {
    tdb->exec("CREATE TABLE longs (id INTEGER, m TEXT)");
    const std::string big(9000, 'p');
    TODBCQuery ins(nullptr);
    ins.SetODBCDatabase(db.get());
    ins.SetSQLText("INSERT INTO longs VALUES (:id, :m)");
    ins.ParamByName("id")->SetAsInteger(1);
    ins.ParamByName("m")->SetAsMemo(big);
    ins.ExecSQL();
    EXPECT_EQ(ins.GetRowsAffected(), 1);
    ins.ParamByName("id")->SetAsInteger(2);
    ins.ParamByName("m")->Clear();
    ins.ExecSQL();
    openSql("SELECT id, m FROM longs ORDER BY id");
    EXPECT_TRUE(q->FieldByName("m")->AsString() == big);
    q->Next();
    EXPECT_TRUE(q->FieldByName("m")->IsNull());
    q->Close();
    if (!postgres()) {
        openSql("SELECT 1 AS \"\"");
        EXPECT_EQ(q->Fields()->Fields(0)->FieldName(), "unknown");
    }
    // A database that goes detaches its datasets.
    db.reset();
    EXPECT_EQ(q->ODBCDatabase(), nullptr);
    EXPECT_FALSE(q->Active());
}

TEST_P(DataSetTest, TheLibrarysErrors) {
    q->SetSQLText("x");
    EXPECT_EQ(errorOf([&] { q->Prepare(); }), "ODBC Empty sql statement");
    EXPECT_NO_THROW(q->SetBlobBufferSize(8192));
    EXPECT_EQ(errorOf([&] { q->SetBlobBufferSize(8193); }),
              "ODBC Not correct BlobBufferSize=8193 (0 < BlobBufferSize <= 8192)");
    EXPECT_EQ(errorOf([&] { q->SetBlobBufferSize(0); }),
              "ODBC Not correct BlobBufferSize=0 (0 < BlobBufferSize <= 8192)");
    EXPECT_EQ(errorOf([&] { q->SetMaxBlobBuffer(0); }), "ODBC Not correct MaxBlobBuffer=0 (0 < BlobBufferSize)");
    EXPECT_EQ(q->BlobBufferSize(), 8192);
    openSql("SELECT id FROM item ORDER BY id");
    EXPECT_EQ(errorOf([&] { q->SetFieldData(q->FieldByName("id"), nullptr); }),
              "TODBCDataSet.SetFieldData: ODBC This function not implemented");
    EXPECT_THROW(q->Edit(), EDatabaseError);
    EXPECT_EQ(q->RecNo(), -1);
    EXPECT_EQ(errorOf([&] { q->CreateBlobStream(q->FieldByName("id"), bmWrite); }), "ODBC Field id read only");
    q->Close();
    q->SetSQLText("SELECT nosuchcolumn FROM item");
    EXPECT_THROW(q->Open(), EODBCError);
    EXPECT_FALSE(q->Active());
    if (postgres()) {
        // A column type without a field type fails the open.
        q->SetSQLText("SELECT CAST('a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11' AS uuid) AS u");
        EXPECT_EQ(errorOf([&] { q->Open(); }), "TODBCDataSet.InternalInitRecord: ODBC This function not implemented");
        EXPECT_FALSE(q->Active());
    }
}

TEST(DataSetForm, StoredQueryKeepsItsTextParametersAndOpensAfterLoading) {
    testsupport::TestDatabase t(Engine::SQLite);
    t.exec("CREATE TABLE f (id INTEGER, name VARCHAR(10))");
    t.exec("INSERT INTO f VALUES (1, 'one')");
    t.exec("INSERT INTO f VALUES (3, 'three')");
    TMemoryStream stream;
    {
        TComponent form(nullptr);
        form.SetName("Form1");
        auto* db = new TODBCDatabase(&form);
        db->SetName("ODBCDatabase1");
        db->SetConnectStr(t.connectionString());
        db->Open();
        auto* q = new TODBCQuery(&form);
        q->SetName("ODBCQuery1");
        q->SetODBCDatabase(db);
        q->SetSQLText("SELECT name FROM f WHERE id = :id");
        q->ParamByName("id")->SetAsInteger(3);
        q->SetUniDirectional(true);
        q->SetRowSetSize(50);
        q->Open();
        WriteComponent(stream, &form);
    }
    stream.SetPosition(0);
    std::unique_ptr<TComponent> form(ReadComponent(stream, nullptr));
    auto* q = dynamic_cast<TODBCQuery*>(form->FindComponent("ODBCQuery1"));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->ODBCDatabase(), form->FindComponent("ODBCDatabase1"));
    EXPECT_TRUE(q->UniDirectional());
    EXPECT_EQ(q->RowSetSize(), 50);
    ASSERT_EQ(q->ParamsCount(), 1);
    EXPECT_EQ(q->ParamByName("id")->GetAsInteger(), 3);
    ASSERT_TRUE(q->Active());
    EXPECT_EQ(q->FieldByName("name")->AsString(), "three");
}

// Dates and time stamps of the whole calendar come out of the record as the dates they are:
// both sides of February, leap days of the 400-year rule, the base day and the ends of the range.
TEST_P(DataSetTest, DatesAcrossTheCalendarReadBackExactly) {
    tdb->exec("CREATE TABLE cal (id INTEGER, made DATE, stamp TIMESTAMP)");
    const std::vector<std::vector<int>> dates = {{1, 1, 1},     {1, 3, 1},     {1600, 2, 29}, {1700, 3, 1},
                                                 {1899, 12, 30}, {1899, 12, 29}, {1900, 2, 28}, {1900, 3, 1},
                                                 {2000, 2, 29},  {2000, 3, 1},  {2024, 1, 31}, {2024, 12, 31},
                                                 {9999, 12, 31}};
    auto text = [](const std::vector<int>& d) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d[0], d[1], d[2]);
        return std::string(buf);
    };
    for (size_t i = 0; i < dates.size(); ++i)
        tdb->exec("INSERT INTO cal VALUES (" + std::to_string(i) + ", '" + text(dates[i]) + "', '" + text(dates[i]) +
                  " 23:59:58')");
    for (const bool block : {true, false}) {
        q->Close();
        q->SetUniDirectional(block);
        q->SetBlockCursor(block);
        openSql("SELECT id, made, stamp FROM cal ORDER BY id");
        size_t i = 0;
        for (; !q->Eof(); q->Next(), ++i) {
            const std::vector<int>& d = dates[i];
            EXPECT_EQ(static_cast<double>(q->FieldByName("made")->AsDateTime()),
                      static_cast<double>(EncodeDate(d[0], d[1], d[2])))
                << text(d);
            int y, m, day, h, n, sec, ms;
            DecodeDateTime(q->FieldByName("stamp")->AsDateTime(), y, m, day, h, n, sec, ms);
            EXPECT_EQ((std::vector<int>{y, m, day, h, n, sec}), (std::vector<int>{d[0], d[1], d[2], 23, 59, 58}))
                << text(d);
        }
        EXPECT_EQ(i, dates.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, DataSetTest, TESTSUPPORT_ENGINES);

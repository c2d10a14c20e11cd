// Text of the read-only dataset on both engines: the text view that allocates nothing, OEM code
// page translation of fields and parameters, and the lock a dataset takes around its statement.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/core/ODBCParams.h>

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

using namespace vantrel;
using testsupport::Engine;

namespace {

using vantrel::odbctest::errorOf;

// "Grüße ½ ╬ é" in UTF-8 and in code page 850.
const std::string kUtf8 = "Gr\xC3\xBC\xC3\x9F" "e \xC2\xBD \xE2\x95\xAC \xC3\xA9";
const std::string kCp850 = "Gr\x81\xE1" "e \xAB \xCE \x82";
// "╟": 0xC7 in code page 437, where 850 has "Ã" instead.
const std::string kTextOnly437 = "\xE2\x95\x9F";

} // namespace

class DataSetTextTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        connect(tdb->connectionString());
    }
    void TearDown() override {
        db.reset();
        if (!oemDatabase.empty())
            testsupport::execOn(testsupport::postgresAdminConnection(), "DROP DATABASE IF EXISTS " + oemDatabase + " WITH (FORCE)");
        tdb.reset();
    }
    bool postgres() const { return GetParam() == Engine::PostgreSQL; }
    void connect(const std::string& connectionString) {
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(connectionString);
        db->SetConnected(true);
    }
    // A database that keeps the bytes it is given: PostgreSQL's test databases check UTF-8, so
    // OEM text goes to one of its own with no encoding.
    void useByteDatabase() {
        if (!postgres())
            return;
        oemDatabase = "kt_oem_" + std::to_string(getpid());
        testsupport::execOn(testsupport::postgresAdminConnection(), "DROP DATABASE IF EXISTS " + oemDatabase + " WITH (FORCE)");
        testsupport::execOn(testsupport::postgresAdminConnection(), "CREATE DATABASE " + oemDatabase +
                                             " ENCODING 'SQL_ASCII' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0");
        db.reset();
        // The client side keeps the bytes too, or the server checks them as UTF-8.
        connect(std::regex_replace(tdb->connectionString(), std::regex("Database=[^;]*", std::regex::icase),
                                   "Database=" + oemDatabase) +
                ";ConnSettings={SET client_encoding TO 'SQL_ASCII'};");
    }
    void exec(const std::string& sql) {
        TODBCQuery q(nullptr);
        q.SetODBCDatabase(db.get());
        q.SetSQLText(sql);
        q.ExecSQL();
    }
    std::unique_ptr<TODBCQuery> query(const std::string& sql) {
        auto q = std::make_unique<TODBCQuery>(nullptr);
        q->SetODBCDatabase(db.get());
        q->SetSQLText(sql);
        return q;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
    std::string oemDatabase;
};

// The view reads what AsString reads, null as empty, on every kind of cursor, and a million-row
// loop over it allocates nothing per row.
TEST_P(DataSetTextTest, TheTextViewReadsWhatAsStringReadsWithoutAllocating) {
    exec("CREATE TABLE t (id INTEGER, name VARCHAR(40), fixed CHAR(6), n INTEGER)");
    for (int i = 1; i <= 40; ++i)
        exec("INSERT INTO t VALUES (" + std::to_string(i) + ", " +
             (i % 7 == 0 ? std::string("NULL") : "'name number " + std::to_string(i * 1000003) + "'") + ", 'ab', " +
             std::to_string(i) + ")");
    for (const auto [uni, block] : {std::pair{true, true}, {true, false}, {false, false}}) {
        auto q = query("SELECT id, name, fixed, n FROM t ORDER BY id");
        q->SetUniDirectional(uni);
        q->SetBlockCursor(block);
        q->SetRowSetSize(8);
        q->Open();
        TField* name = q->FieldByName("name");
        TField* n = q->FieldByName("n");
        int rows = 0;
        for (; !q->Eof(); q->Next(), ++rows) {
            const std::string_view view = name->AsStringView();
            EXPECT_EQ(std::string(view), name->AsString());
            EXPECT_EQ(view.empty(), name->IsNull());
            // Non-text fields give their text too.
            EXPECT_EQ(std::string(n->AsStringView()), std::to_string(rows + 1));
        }
        EXPECT_EQ(rows, 40) << uni << block;
        if (!uni) {
            q->Last();
            EXPECT_EQ(std::string(name->AsStringView()), "name number " + std::to_string(40 * 1000003));
            q->Prior();
            EXPECT_EQ(std::string(name->AsStringView()), "name number " + std::to_string(39 * 1000003));
        }
    }
}

TEST_P(DataSetTextTest, AManyRowLoopOverTheTextViewAllocatesNothing) {
    exec("CREATE TABLE r (id INTEGER, name VARCHAR(40))");
    if (postgres())
        exec("INSERT INTO r SELECT g, 'a name of some length ' || g FROM generate_series(1, 200000) g");
    else
        exec("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 200000) "
             "INSERT INTO r SELECT x, 'a name of some length ' || x FROM c");
    auto q = query("SELECT id, name FROM r");
    q->SetUniDirectional(true);
    q->SetBlockCursor(true);
    q->Open();
    TField* name = q->FieldByName("name");
    size_t bytes = 0;
    long before = 0;
    int rows = 0;
    for (; !q->Eof(); q->Next(), ++rows) {
        if (rows == 10)
            before = testsupport::allocations.load();
        bytes += name->AsStringView().size();
    }
    EXPECT_EQ(testsupport::allocations.load() - before, 0);
    EXPECT_EQ(rows, 200000);
    EXPECT_GT(bytes, 200000u * 22);
}

// Parameters are written in the OEM page and fields read back from it; with the flag off (or a
// parameter's own Translate off) the bytes go and come as they are.
TEST_P(DataSetTextTest, OEMTextRoundTripsThroughParametersAndFields) {
    useByteDatabase();
    exec("CREATE TABLE o (id INTEGER, name VARCHAR(40), note TEXT)");
    auto ins = query("INSERT INTO o VALUES (:id, :name, :note)");
    ins->SetOEMTranslate(true);
    EXPECT_EQ(ins->OEMCodePage(), "CP850");
    ins->ParamByName("id")->SetAsInteger(1);
    ins->ParamByName("name")->SetAsString(kUtf8);
    ins->ParamByName("note")->SetAsMemo(kUtf8 + " memo");
    ins->ExecSQL();
    // This one's name passes untranslated: its bytes are already the stored form.
    ins->ParamByName("id")->SetAsInteger(2);
    ins->ParamByName("name")->SetAsString(kCp850);
    ins->ParamByName("name")->SetTranslate(false);
    ins->ParamByName("note")->Clear();
    ins->ExecSQL();

    auto raw = query("SELECT id, name, note FROM o ORDER BY id");
    raw->Open();
    EXPECT_EQ(raw->FieldByName("name")->AsString(), kCp850);
    EXPECT_EQ(raw->FieldByName("note")->AsString(), kCp850 + " memo");
    EXPECT_EQ(raw->FieldByName("name")->AsStringView(), kCp850);
    raw->Next();
    EXPECT_EQ(raw->FieldByName("name")->AsString(), kCp850);

    auto oem = query("SELECT id, name, note FROM o ORDER BY id");
    oem->SetOEMTranslate(true);
    oem->Open();
    TField* name = oem->FieldByName("name");
    EXPECT_EQ(name->AsString(), kUtf8);
    EXPECT_EQ(std::string(name->AsStringView()), kUtf8);
    EXPECT_EQ(name->AsVariant().AsString(), kUtf8);
    EXPECT_EQ(oem->FieldByName("note")->AsString(), kUtf8 + " memo");
    EXPECT_TRUE(oem->Locate("name", Variant(String(kUtf8)), 0));
    // A field told not to translate reads the stored bytes.
    name->SetTransliterate(false);
    EXPECT_EQ(name->AsString(), kCp850);
    EXPECT_EQ(name->AsStringView(), kCp850);
    name->SetTransliterate(true);
    oem->Next();
    EXPECT_EQ(name->AsString(), kUtf8);
    EXPECT_TRUE(oem->FieldByName("note")->IsNull());
    EXPECT_EQ(oem->FieldByName("note")->AsString(), "");
    // Switched off, the dataset reads the bytes again.
    oem->SetOEMTranslate(false);
    EXPECT_EQ(name->AsString(), kCp850);
}

// Another OEM page converts by its own table; text the page cannot hold is refused before
// anything is written, and an unknown page is refused when set.
TEST_P(DataSetTextTest, OtherCodePagesAndTextAPageCannotHold) {
    useByteDatabase();
    exec("CREATE TABLE o (id INTEGER, name VARCHAR(40))");
    auto ins = query("INSERT INTO o VALUES (:id, :name)");
    ins->SetOEMCodePage("CP437");
    ins->SetOEMTranslate(true);
    ins->ParamByName("id")->SetAsInteger(1);
    ins->ParamByName("name")->SetAsString(kTextOnly437 + "\xC2\xA5"); // "╟¥": 0xC7 0x9D in 437
    ins->ExecSQL();
    // "€" is in neither page, "ő" not in 850.
    ins->ParamByName("id")->SetAsInteger(2);
    ins->ParamByName("name")->SetAsString("10 \xE2\x82\xAC");
    EXPECT_EQ(errorOf([&] { ins->ExecSQL(); }), "Text '10 \xE2\x82\xAC' cannot be written in code page CP437");
    ins->SetOEMCodePage("CP850");
    ins->ParamByName("name")->SetAsString("\xC5\x91");
    EXPECT_EQ(errorOf([&] { ins->ExecSQL(); }), "Text '\xC5\x91' cannot be written in code page CP850");
    EXPECT_EQ(errorOf([&] { ins->SetOEMCodePage("NO-SUCH-PAGE"); }), "Unknown code page NO-SUCH-PAGE");
    EXPECT_EQ(ins->OEMCodePage(), "CP850");

    auto count = query("SELECT COUNT(*) AS n FROM o");
    count->Open();
    EXPECT_EQ(count->FieldByName("n")->AsInteger(), 1);
    auto raw = query("SELECT name FROM o");
    raw->Open();
    EXPECT_EQ(raw->FieldByName("name")->AsString(), "\xC7\x9D");
    auto read437 = query("SELECT name FROM o");
    read437->SetOEMCodePage("CP437");
    read437->SetOEMTranslate(true);
    read437->Open();
    EXPECT_EQ(read437->FieldByName("name")->AsString(), kTextOnly437 + "\xC2\xA5");
    // The same bytes mean other letters in 850.
    auto read850 = query("SELECT name FROM o");
    read850->SetOEMTranslate(true);
    read850->Open();
    EXPECT_EQ(read850->FieldByName("name")->AsString(), "\xC3\x83\xC3\x98"); // "ÃØ"
}

namespace {

// A query that counts the statement locks it hands out and checks they are given back.
class CountingQuery : public TODBCQuery {
public:
    using TODBCQuery::TODBCQuery;
    int Taken = 0;
    int Held = 0;
    int Deepest = 0;

protected:
    TODBCStatementLock LockStatement() override {
        ++Taken;
        Deepest = std::max(Deepest, ++Held);
        return TODBCStatementLock(this, [](void* self) noexcept { --static_cast<CountingQuery*>(self)->Held; });
    }
};

} // namespace

// Every public statement operation holds the lock while it runs and gives it back, also when it
// fails; fetching rows takes none.
TEST_P(DataSetTextTest, StatementOperationsHoldTheLockAndRowsDoNot) {
    exec("CREATE TABLE k (id INTEGER, name VARCHAR(10))");
    exec("INSERT INTO k VALUES (1, 'one')");
    exec("INSERT INTO k VALUES (2, 'two')");
    CountingQuery q(nullptr);
    q.SetODBCDatabase(db.get());
    auto took = [&](const char* what, auto&& step) {
        const int before = q.Taken;
        step();
        EXPECT_GT(q.Taken, before) << what;
        EXPECT_EQ(q.Held, 0) << what;
    };
    q.SetSQLText("UPDATE k SET name = :name WHERE id = 1");
    q.ParamByName("name")->SetAsString("uno");
    took("Prepare", [&] { q.Prepare(); });
    took("BindAllParam", [&] { q.BindAllParam(); });
    took("ExecSQL", [&] { q.ExecSQL(); });
    took("GetRowsAffected", [&] { EXPECT_EQ(q.GetRowsAffected(), 1); });
    took("IsDataSet", [&] { EXPECT_FALSE(q.IsDataSet()); });
    took("UnPrepare", [&] { q.UnPrepare(); });
    took("Disconnect", [&] { q.Disconnect(); });
    q.SetSQLText("SELECT id, name FROM k ORDER BY id");
    took("CreateHandle", [&] { q.CreateHandle(); });
    if (postgres()) {
        took("SetCursorName", [&] { q.SetCursorName("C_ONE"); });
        took("CursorName", [&] { EXPECT_EQ(q.CursorName(), "C_ONE"); });
    } else {
        // The SQLite driver cannot set cursor names: the failing call gives the lock back.
        took("SetCursorName", [&] { EXPECT_THROW(q.SetCursorName("C_ONE"), EODBCError); });
        took("CursorName", [&] { (void)q.CursorName(); });
    }
    took("SetUniDirectional", [&] { q.SetUniDirectional(false); });
    took("SetBlockCursor", [&] { q.SetBlockCursor(false); });
    took("SetRowSetSize", [&] { q.SetRowSetSize(10); });
    q.Open();
    took("ImmediatelyOpen", [&] { q.ImmediatelyOpen(); });
    took("Locate", [&] { EXPECT_TRUE(q.Locate("id", Variant(2), 0)); });
    took("FindRecordByValues", [&] { EXPECT_TRUE(q.FindRecordByValues({"id"}, {Variant(1)}, true)); });
    String whole;
    took("ReadColumnData", [&] { EXPECT_TRUE(q.ReadColumnData(q.FieldByName("name"), whole)); });
    EXPECT_EQ(whole, "uno");
    TBookmark mark;
    took("SilentClose", [&] { mark = q.SilentClose(); });
    took("SilentOpen", [&] { q.SilentOpen(mark); });
    EXPECT_EQ(q.FieldByName("id")->AsInteger(), 1);
    // Locks nest (a step calls another), so the overrider's lock must be re-entrant.
    EXPECT_GT(q.Deepest, 1);

    const int before = q.Taken;
    for (q.First(); !q.Eof(); q.Next())
        (void)q.FieldByName("name")->AsStringView();
    EXPECT_EQ(q.Taken, before);

    // A failing step gives the lock back too.
    q.Close();
    q.SetSQLText("SELECT nothing FROM no_such_table");
    EXPECT_THROW(q.ExecSQL(), EODBCError);
    EXPECT_EQ(q.Held, 0);
}

namespace {

// A query that counts how often the framework asks it for field data.
class AskedQuery : public TODBCQuery {
public:
    using TODBCQuery::TODBCQuery;
    int Asked = 0;
    bool GetFieldData(TField* field, void* buffer) override {
        ++Asked;
        return TODBCQuery::GetFieldData(field, buffer);
    }
};

} // namespace

// While browsing, a field tells null from a value by the record's indicator alone and agrees
// with the dataset's answer on every cursor; outside browsing it asks the dataset again.
TEST_P(DataSetTextTest, NullTestsReadTheRecordAndAgreeWithTheDataset) {
    exec("CREATE TABLE z (id INTEGER, name VARCHAR(10), made DATE)");
    for (int i = 1; i <= 12; ++i)
        exec("INSERT INTO z VALUES (" + std::to_string(i) + ", " + (i % 3 ? "'n'" : "NULL") + ", " +
             (i % 4 ? "'2024-01-02'" : "NULL") + ")");
    for (const bool block : {true, false}) {
        AskedQuery q(nullptr);
        q.SetODBCDatabase(db.get());
        q.SetUniDirectional(block);
        q.SetBlockCursor(block);
        q.SetSQLText("SELECT id, name, made FROM z ORDER BY id");
        q.Open();
        TField* name = q.FieldByName("name");
        TField* made = q.FieldByName("made");
        int i = 1;
        for (; !q.Eof(); q.Next(), ++i) {
            const int before = q.Asked;
            const bool nameNull = name->IsNull(), madeNull = made->IsNull();
            EXPECT_EQ(q.Asked, before) << i;
            EXPECT_EQ(nameNull, i % 3 == 0) << i;
            EXPECT_EQ(madeNull, i % 4 == 0) << i;
            EXPECT_EQ(nameNull, !name->GetData(nullptr));
            EXPECT_EQ(madeNull, !made->GetData(nullptr));
        }
        EXPECT_EQ(i, 13);
    }
    auto empty = query("SELECT id, name FROM z WHERE id < 0");
    empty->Open();
    EXPECT_TRUE(empty->FieldByName("name")->IsNull());
}

INSTANTIATE_TEST_SUITE_P(Engines, DataSetTextTest, TESTSUPPORT_ENGINES);

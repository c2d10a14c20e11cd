// Query tools on both engines: the one-call functions, export and import round trips of hostile
// values and every type, existing rows, and imports that fail as a whole naming the line.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/ODBCExtDataSet.h>
#include <vantrel/ext/ODBCTools.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vantrel;
using testsupport::Engine;

namespace {

using vantrel::odbctest::errorOf;

class ToolsEngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        std::string blob = postgres() ? "BYTEA" : "BLOB";
        for (const char* t : {"src", "dst"})
            tdb->exec(std::string("CREATE TABLE ") + t +
                      " (id INTEGER PRIMARY KEY, name VARCHAR(60), qty SMALLINT, price DOUBLE PRECISION, "
                      "total NUMERIC(12,2), made DATE, stamp TIMESTAMP, note TEXT, data " +
                      blob + ")");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
        DataBase = db.get();
        dir = std::filesystem::temp_directory_path() / ("vantrel-import-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        DataBase = nullptr;
        db.reset();
        tdb.reset();
        std::filesystem::remove_all(dir);
    }
    bool postgres() const { return GetParam() == Engine::PostgreSQL; }
    void insertSource(int id, const Variant& name, const Variant& qty, const Variant& price,
                      const Variant& total, const Variant& made, const Variant& stamp, const Variant& note,
                      const String* data) {
        auto q = CreateQuery();
        q->SQL()->Add(
            "insert into src values (:id, :name, :qty, :price, :total, :made, :stamp, :note, :data)");
        q->Prepare();
        auto set = [&](const char* n, const Variant& v, TFieldType nullType) {
            TODBCParam* p = q->ParamByName(n);
            if (v.IsNull()) {
                if (nullType == ftString)
                    p->SetAsString("");
                else if (nullType == ftDateTime)
                    p->SetAsDateTime(TDateTime(0));
                else if (nullType == ftFloat)
                    p->SetAsFloat(0);
                else
                    p->SetAsInteger(0);
                p->Clear();
            } else {
                p->SetAsVariant(v);
            }
        };
        q->ParamByName("id")->SetAsInteger(id);
        set("name", name, ftString);
        set("qty", qty, ftSmallint);
        set("price", price, ftFloat);
        set("total", total, ftFloat);
        set("made", made, ftDateTime);
        set("stamp", stamp, ftDateTime);
        if (note.IsNull()) {
            q->ParamByName("note")->SetAsMemo("");
            q->ParamByName("note")->Clear();
        } else {
            q->ParamByName("note")->SetAsMemo(note.AsString());
        }
        if (data)
            q->ParamByName("data")->SetBlobData(data->data(), data->size());
        else {
            q->ParamByName("data")->SetBlobData("", 0);
            q->ParamByName("data")->Clear();
        }
        q->ExecSQL();
    }
    // Every value of a table as text, "<null>" for nulls, rows by id.
    std::vector<std::vector<String>> dump(const String& table) {
        auto q = OpenQuery("select * from " + table + " order by id");
        std::vector<std::vector<String>> rows;
        for (; !q->Eof(); q->Next()) {
            std::vector<String> r;
            for (TField* f : *q->Fields())
                r.push_back(f->IsNull() ? String("<null>") : FormatExportValue(f));
            rows.push_back(r);
        }
        return rows;
    }
    void writeFile(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    String path(const std::string& name) { return (dir / name).string(); }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
    std::filesystem::path dir;
};

TEST_P(ToolsEngineTest, ExportThenImportGivesBackHostileValuesAndEveryType) {
    String hostile = "it's \"quoted\" a\\b\\x0A\r\nline2 ,comma, ''";
    String bytes("\0\x01'\\\r\n,\xff\0", 9);
    String empty;
    insertSource(1, Variant(hostile), Variant(int16_t(-3)), Variant(0.1), Variant(1234.56),
                 Variant(TDateTime(EncodeDate(2024, 2, 29))),
                 Variant(EncodeDateTime(2023, 12, 31, 23, 59, 58, 0)), Variant(String("memo ' \\ \n end")),
                 &bytes);
    insertSource(2, Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
                 Variant::Null(), Variant::Null(), nullptr);
    insertSource(3, Variant(String("")), Variant(int16_t(0)), Variant(-1e-7), Variant(-0.5),
                 Variant(TDateTime(EncodeDate(1999, 1, 1))), Variant(EncodeDateTime(2000, 1, 1, 0, 0, 0, 0)),
                 Variant(String("")), &empty);

    auto src = OpenQuery("select * from src order by id");
    ExportDataSet(*src, path("src.txt"));
    src.reset();
    ImportDataSet(path("src.txt"), "dst", "", itIgnoreExists);
    auto before = dump("src");
    auto after = dump("dst");
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after, before);
    EXPECT_EQ(after[1][1], "<null>");
    EXPECT_EQ(after[2][1], "''"); // an empty text stays an empty text
    auto q = OpenQuery("select name, data from dst where id = 1");
    EXPECT_EQ(q->FieldByName("name")->AsString(), hostile);
    EXPECT_EQ(q->FieldByName("data")->AsString(), bytes);
    EXPECT_FALSE(db->InTransaction());
}

TEST_P(ToolsEngineTest, ExistingRowsAreKeptOrReplacedByTheCondition) {
    ExecQueryLong("insert into dst (id, name) values (:id, :name)", {Variant(1), Variant(String("old"))});
    writeFile("in.txt", "id,name\r\n1,'new'\r\n2,'two'\r\n");
    ImportDataSet(path("in.txt"), "dst", "where id = :id", itIgnoreExists);
    auto q = OpenQuery("select id, name from dst order by id");
    EXPECT_EQ(q->FieldByName("name")->AsString(), "old");
    q->Next();
    EXPECT_EQ(q->FieldByName("name")->AsString(), "two");
    q.reset();
    writeFile("in2.txt", "id,name\r\n1,'new'\r\n3,'three'\r\n");
    ImportDataSet(path("in2.txt"), "dst", "where id = :id", itUpdateExists);
    auto rows = dump("dst");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], "'new'");
    EXPECT_EQ(rows[2][1], "'three'");
}

TEST_P(ToolsEngineTest, AFailingImportRollsBackAndNamesTheLine) {
    ExecQueryLong("insert into dst (id, name) values (:id, :name)", {Variant(9), Variant(String("kept"))});
    auto expectRejected = [&](const std::string& text, const std::string& part) {
        writeFile("bad.txt", text);
        std::string error = errorOf([&] { ImportDataSet(path("bad.txt"), "dst", "", itIgnoreExists); });
        EXPECT_NE(error.find(part), std::string::npos) << error;
        auto rows = dump("dst");
        ASSERT_EQ(rows.size(), 1u) << text;
        EXPECT_EQ(rows[0][1], "'kept'");
        EXPECT_FALSE(db->InTransaction());
    };
    expectRejected("id,name\r\n1,'a'\r\n2,'unterminated\r\n3,'c'\r\n", "line 3: unterminated quote");
    expectRejected("id,name\r\n1,'a'\r\n2,'bad \\q escape'\r\n", "line 3: bad escape");
    expectRejected("id,name\r\n1,'a'\r\n2\r\n", "line 3: 1 values for 2 columns");
    expectRejected("id,name\r\n1,'a','b'\r\n", "line 2: 3 values for 2 columns");
    expectRejected("id,name\r\n1,'a'b\r\n", "line 2: text after the closing quote");
    expectRejected("id,nosuch\r\n1,'a'\r\n", "line 1: 'nosuch' is not a column of dst");
    expectRejected("id,name\r\n1,'a'\r\nx,'b'\r\n", "line 3:");
    expectRejected("id,name\r\n1,'a'\r\n9,'duplicate key'\r\n", "line 3:"); // the insert itself fails
    // The connection works on after a failed import, with auto-commit back on.
    EXPECT_EQ(ExecQueryLong("insert into dst (id) values (:id)", {Variant(10)}), 1);
    odbctest::RawConnection other(tdb->connectionString());
    EXPECT_EQ(odbctest::scalarOn(other.get(), "select count(*) from dst"), 2);
    EXPECT_THROW(ImportDataSet(path("bad.txt"), "dst; drop table dst", "", itIgnoreExists), EDatabaseError);
}

TEST_P(ToolsEngineTest, OneCallFunctionsBindValuesAndCheckTheirCounts) {
    EXPECT_EQ(ExecuteQuery("insert into dst (id, name) values (1, 'x')"), 1);
    EXPECT_EQ(ExecQueryLong("insert into dst (id, name, qty) values (:a, :b, :c)",
                            {Variant(2), Variant::Null(), Variant(5)}, {-1}),
              1);
    EXPECT_EQ(ExecQueryLong("insert into dst (id, name, qty) values (:a, :b, :c)",
                            {Variant(3), Variant(String("y")), Variant(6)}, {1, 2}),
              1);
    auto q = OpenQueryLong("select name, qty from dst where id >= :a order by id", {Variant(2)});
    EXPECT_TRUE(q->FieldByName("name")->IsNull());
    EXPECT_EQ(q->FieldByName("qty")->AsInteger(), 5);
    q->Next();
    EXPECT_TRUE(q->FieldByName("name")->IsNull()); // cleared by its null index
    EXPECT_TRUE(q->FieldByName("qty")->IsNull());
    auto uni = OpenQueryLongUni("select id from dst where id <> :a order by id", {Variant(2)});
    EXPECT_TRUE(uni->UniDirectional());
    EXPECT_EQ(uni->FieldByName("id")->AsInteger(), 1);
    EXPECT_EQ(ExecuteQuery("update dst set qty = 1"), 3);

    EXPECT_NE(errorOf([] {
                  ExecQueryLong("update dst set qty = :a where id = :b", {Variant(1)});
              }).find("2 parameters but 1 values"),
              std::string::npos);
    EXPECT_NE(
        errorOf([] { ExecQueryLong("update dst set qty = :a", {Variant(1)}, {3}); }).find("Null index 3"),
        std::string::npos);
    EXPECT_THROW(OpenQueryLong("select * from dst where id = :a", {}), EDatabaseError);
    auto ext = CreateQueryExt();
    EXPECT_EQ(ext->ODBCDatabase(), db.get());
    EXPECT_EQ(ext->BlobBufferSize(), 255);
    EXPECT_EQ(ext->MaxBlobBuffer(), 1000);
    auto plain = CreateQuery();
    EXPECT_EQ(plain->BlobBufferSize(), 250);
    auto check = OpenQuery("select count(*) from dst where qty = 1");
    EXPECT_EQ(check->Fields()->Fields(0)->AsInteger(), 3); // the refused calls changed nothing
}

INSTANTIATE_TEST_SUITE_P(Engines, ToolsEngineTest, TESTSUPPORT_ENGINES);

} // namespace

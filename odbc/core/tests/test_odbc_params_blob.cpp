// Long values through a query on both drivers: 1 MB text and binary parameters go in at execution
// and come back equal through blob streams; nulls, trimmed memos, the field's own column, moving
// between rows, and the read-only refusal.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCBlob.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/ODBCExtDataSet.h>

#include <gtest/gtest.h>

#include <memory>

using namespace vantrel;
using testsupport::Engine;

namespace {

std::string pattern(size_t n, bool binary, uint32_t seed) {
    std::string s(n, '\0');
    uint32_t x = seed;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = binary ? static_cast<char>(x) : static_cast<char>('a' + x % 26);
    }
    return s;
}

std::string contents(TStream& s) {
    std::string out(static_cast<size_t>(s.Size()), '\0');
    s.SetPosition(0);
    if (!out.empty()) s.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
    return out;
}

std::string streamOf(TODBCDataSet& q, const char* field) {
    TODBCBlobStream s(q.FieldByName(field), bmRead);
    EXPECT_EQ(s.Position(), 0);
    return contents(s);
}

}  // namespace

class BlobStreamTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        const std::string binary = GetParam() == Engine::PostgreSQL ? "BYTEA" : "BLOB";
        tdb->exec("CREATE TABLE doc (id INTEGER, m TEXT, bl " + binary + ", m2 TEXT)");
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

    void insert(int id, const Variant& m, const Variant& bl, const Variant& m2) {
        TODBCQuery ins(nullptr);
        ins.SetODBCDatabase(db.get());
        ins.SetSQLText("INSERT INTO doc (id, m, bl, m2) VALUES (:id, :m, :bl, :m2)");
        ins.ParamByName("id")->SetAsInteger(id);
        auto set = [&](const char* name, const Variant& v, bool blob) {
            TODBCParam* p = ins.ParamByName(name);
            if (v.IsNull()) {
                p->SetDataType(blob ? ftBlob : ftMemo);
                p->Clear();
            } else if (blob) {
                String bytes = v.AsString();
                p->SetBlobData(bytes.data(), bytes.size());
            } else {
                p->SetAsMemo(v.AsString());
            }
        };
        set("m", m, false);
        set("bl", bl, true);
        set("m2", m2, false);
        ins.ExecSQL();
    }

    void open(const std::string& sql) {
        q->Close();
        q->SetSQLText(sql);
        q->Open();
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
    std::unique_ptr<TODBCQuery> q;
};

TEST_P(BlobStreamTest, MegabyteValuesGoInAtExecutionAndComeBackEqual) {
    const std::string text = pattern(1 << 20, false, 7);
    const std::string bytes = pattern(1 << 20, true, 11);
    insert(1, Variant(text), Variant(bytes), Variant("short"));
    open("SELECT id, m, bl, m2 FROM doc");
    ASSERT_FALSE(q->Eof());
    EXPECT_EQ(q->FieldByName("m")->DataType(), ftMemo);
    EXPECT_EQ(q->FieldByName("bl")->DataType(), ftBlob);
    std::string m = streamOf(*q, "m");
    EXPECT_EQ(m.size(), text.size());
    EXPECT_TRUE(m == text);
    std::string b = streamOf(*q, "bl");
    EXPECT_EQ(b.size(), bytes.size());
    EXPECT_TRUE(b == bytes);
    EXPECT_EQ(streamOf(*q, "m2"), "short");  // the field's own column, not its neighbour's
}

TEST_P(BlobStreamTest, NullsGiveEmptyStreamsAndEveryRowReadsItsOwnValue) {
    insert(1, Variant::Null(), Variant::Null(), Variant::Null());
    insert(2, Variant(pattern(20000, false, 3)), Variant(std::string("\0\0\1", 3)), Variant(""));
    insert(3, Variant("third"), Variant(pattern(9000, true, 5)), Variant("3"));
    open("SELECT id, m, bl, m2 FROM doc ORDER BY id");
    for (const char* f : {"m", "bl", "m2"}) {
        TODBCBlobStream s(q->FieldByName(f), bmRead);
        EXPECT_EQ(s.Size(), 0) << f;
    }
    q->Next();
    EXPECT_TRUE(streamOf(*q, "m") == pattern(20000, false, 3));
    EXPECT_EQ(streamOf(*q, "bl"), std::string("\0\0\1", 3));
    EXPECT_EQ(streamOf(*q, "m2"), "");
    q->Last();
    EXPECT_EQ(streamOf(*q, "m"), "third");
    EXPECT_TRUE(streamOf(*q, "bl") == pattern(9000, true, 5));
    // Back to an earlier row: the cursor is moved onto the record before reading.
    q->First();
    q->Next();
    EXPECT_TRUE(streamOf(*q, "m") == pattern(20000, false, 3));
}

TEST_P(BlobStreamTest, TrailingBlanksGoWhenTheDatabaseTrimsText) {
    insert(1, Variant(pattern(10000, false, 9) + "   "), Variant("x  "), Variant("  "));
    db->SetStringTrimRight(true);
    open("SELECT id, m, bl, m2 FROM doc");
    EXPECT_TRUE(streamOf(*q, "m") == pattern(10000, false, 9));
    EXPECT_EQ(streamOf(*q, "m2"), "");
    EXPECT_EQ(streamOf(*q, "bl"), "x  ");  // binary data keeps its bytes
}

TEST_P(BlobStreamTest, WritableStreamsAreRefusedOnABrowsingDataset) {
    insert(1, Variant("memo"), Variant("b"), Variant("c"));
    open("SELECT id, m, bl, m2 FROM doc");
    for (TBlobStreamMode mode : {bmWrite, bmReadWrite}) {
        try {
            TODBCBlobStream s(q->FieldByName("m"), mode);
            FAIL() << "opened for writing";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find("ODBC Field m read only"), std::string::npos) << e.what();
        }
    }
    // Writing into a read stream only changes the copy in memory.
    TODBCBlobStream s(q->FieldByName("m"), bmRead);
    s.Seek(0, soEnd);
    s.WriteBuffer("!!", 2);
    EXPECT_EQ(contents(s), "memo!!");
    EXPECT_EQ(streamOf(*q, "m"), "memo");
    s.Truncate();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_TRUE(s.Modified());

    TStringField loose(nullptr);
    EXPECT_THROW(TODBCBlobStream(&loose, bmRead), EDatabaseError);
}

TEST_P(BlobStreamTest, ParametersTakeFieldsAndGiveTheirValuesBack) {
    insert(1, Variant("memo text"), Variant(std::string("\0b", 2)), Variant::Null());
    open("SELECT id, m, bl, m2 FROM doc");
    TODBCParam p;
    p.Assign(q->FieldByName("id"));
    EXPECT_EQ(p.Name(), "id");
    EXPECT_EQ(p.DataType(), ftInteger);
    EXPECT_EQ(p.GetAsInteger(), 1);
    EXPECT_TRUE(p.Bound());
    p.AssignField(q->FieldByName("m"));  // a memo wider than 255 binds as text
    EXPECT_EQ(p.DataType(), ftString);
    EXPECT_EQ(p.GetAsString(), "memo text");
    p.AssignField(q->FieldByName("bl"));
    EXPECT_EQ(p.DataType(), ftBlob);
    EXPECT_EQ(VarToStr(p.Value()), std::string("\0b", 2));
    p.AssignField(q->FieldByName("m2"));
    EXPECT_TRUE(p.IsNull());
    EXPECT_TRUE(p.Bound());
    p.AssignFieldValue(q->FieldByName("id"), Variant(5));
    EXPECT_EQ(p.Name(), "m2");  // the value alone keeps the name
    EXPECT_EQ(p.GetAsInteger(), 5);

    // Into a field of an editable dataset: the value, or null.
    TODBCExtQuery ext(nullptr);
    ext.SetODBCDatabase(db.get());
    ext.SetSQLText("SELECT id, m FROM doc");
    ext.Open();
    ext.Edit();
    TODBCParam v;
    v.SetAsInteger(42);
    v.AssignTo(ext.FieldByName("id"));
    EXPECT_EQ(ext.FieldByName("id")->AsInteger(), 42);
    v.Clear();
    v.AssignTo(ext.FieldByName("id"));
    EXPECT_TRUE(ext.FieldByName("id")->IsNull());
    ext.Cancel();
}

INSTANTIATE_TEST_SUITE_P(Engines, BlobStreamTest, TESTSUPPORT_ENGINES);

// Reading a long value whole: probe for its length, one read of that length, and what happens
// when the driver gives no length or more than it first said. A scripted driver covers the
// answers real drivers rarely give; both real drivers read values around MaxBlobBuffer whole.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCBlob.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCParams.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

using namespace vantrel;
using testsupport::Engine;

namespace {

// One column of one row as a driver gives it with SQLGetData: in pieces from where the last
// call stopped, each text piece ended by a terminator.
struct ScriptedColumn {
    std::string value;
    bool isNull = false;
    bool text = false;
    bool probeKnowsLength = true; // else the zero-byte probe answers SQL_NO_TOTAL
    bool readsKnowTotal = true;   // else every cut read answers SQL_NO_TOTAL
    int64_t probeExtra = 0;       // the probe's length is an estimate this much too high
    size_t stopAt = SIZE_MAX;     // gives no data after this many bytes, whatever it reported
    size_t offset = 0;
    bool done = false;
    std::vector<int64_t> sizes; // buffer sizes asked for, probe included

    TODBCGetDataResult operator()(void* buffer, int64_t size) {
        sizes.push_back(size);
        if (done)
            return {SQL_NO_DATA_FOUND, 0};
        if (isNull) {
            done = true;
            return {SQL_SUCCESS, SQL_NULL_DATA};
        }
        if (offset >= stopAt)
            return {SQL_NO_DATA_FOUND, 0};
        const int64_t left = static_cast<int64_t>(value.size() - offset) + (size == 0 ? probeExtra : 0);
        const int64_t room = std::max<int64_t>(size - (text ? 1 : 0), 0);
        const int64_t real = static_cast<int64_t>(std::min(value.size(), stopAt) - offset);
        const int64_t n = std::min(room, real);
        if (n > 0)
            std::memcpy(buffer, value.data() + offset, static_cast<size_t>(n));
        if (text && size > 0)
            static_cast<char*>(buffer)[n] = 0;
        const bool complete = left <= room && (size > 0 || !text);
        const bool probe = size == 0;
        int64_t indicator = left;
        if ((probe && !probeKnowsLength) || (!probe && !complete && !readsKnowTotal))
            indicator = SQL_NO_TOTAL;
        offset += static_cast<size_t>(n);
        if (complete && offset == value.size()) {
            done = true;
            return {SQL_SUCCESS, indicator};
        }
        return {SQL_SUCCESS_WITH_INFO, indicator};
    }
};

struct NoTotal : std::runtime_error {
    NoTotal() : std::runtime_error("no total") {}
};

bool readWhole(ScriptedColumn& column, int maxBlobBuffer, String& data) {
    return ODBCReadLongValue([&](void* b, int64_t n) { return column(b, n); }, column.text, maxBlobBuffer,
                             data, [] { throw NoTotal(); });
}

std::string pattern(size_t n, bool binary) {
    std::string s(n, '\0');
    uint32_t x = 2463534242u + static_cast<uint32_t>(n);
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = binary ? static_cast<char>(x) : static_cast<char>('a' + x % 26);
    }
    return s;
}

} // namespace

TEST(LongValueRead, AReportedLengthIsReadInOneCallOfExactlyThatLength) {
    for (bool text : {false, true})
        for (size_t n : {1u, 99u, 100u, 101u, 70000u}) {
            ScriptedColumn c;
            c.text = text;
            c.value = pattern(n, !text);
            String data;
            ASSERT_TRUE(readWhole(c, 100, data));
            EXPECT_TRUE(data == c.value) << n;
            ASSERT_EQ(c.sizes.size(), 2u) << n;
            EXPECT_EQ(c.sizes[0], 0);
            EXPECT_EQ(c.sizes[1], static_cast<int64_t>(n) + (text ? 1 : 0));
        }
}

TEST(LongValueRead, WithoutALengthTheFirstReadIsMaxBlobBufferAndTheRestFollows) {
    for (bool text : {false, true})
        for (size_t n : {99u, 100u, 101u, 5000u}) {
            ScriptedColumn c;
            c.text = text;
            c.probeKnowsLength = false;
            c.value = pattern(n, !text);
            String data;
            ASSERT_TRUE(readWhole(c, 100, data));
            EXPECT_TRUE(data == c.value) << n << (text ? " text" : " binary");
            EXPECT_EQ(c.sizes[1], 100 + (text ? 1 : 0));
            EXPECT_EQ(c.sizes.size(), n > 100 ? 3u : 2u) << n;
        }
}

TEST(LongValueRead, AValueAboveMaxBlobBufferFromADriverWithoutTotalsFails) {
    for (bool text : {false, true}) {
        ScriptedColumn c;
        c.text = text;
        c.probeKnowsLength = false;
        c.readsKnowTotal = false;
        c.value = pattern(101, !text);
        String data;
        EXPECT_THROW(readWhole(c, 100, data), NoTotal);
        // At the limit it still fits.
        ScriptedColumn fits = c;
        fits.value = pattern(100, !text);
        fits.offset = 0;
        fits.done = false;
        fits.sizes.clear();
        ASSERT_TRUE(readWhole(fits, 100, data));
        EXPECT_TRUE(data == fits.value);
    }
}

TEST(LongValueRead, NullAndEmptyValues) {
    for (bool text : {false, true})
        for (bool knows : {false, true}) {
            ScriptedColumn null;
            null.text = text;
            null.isNull = true;
            null.probeKnowsLength = knows;
            String data = "left over";
            EXPECT_FALSE(readWhole(null, 100, data));
            EXPECT_TRUE(data.empty());

            ScriptedColumn empty;
            empty.text = text;
            empty.probeKnowsLength = knows;
            data = "left over";
            EXPECT_TRUE(readWhole(empty, 100, data));
            EXPECT_TRUE(data.empty());
        }
}

TEST(LongValueRead, ADriverThatGivesLessThanItReportedIsAnErrorNotACutValue) {
    for (bool text : {false, true}) {
        ScriptedColumn c;
        c.text = text;
        c.probeKnowsLength = false;
        c.value = pattern(300, !text);
        c.stopAt = 100; // says 300 in the first read, then has no more
        String data;
        EXPECT_THROW(readWhole(c, 100, data), EDatabaseError);
    }
    String data;
    // A value the driver gave away already is not read as null.
    ScriptedColumn given;
    given.value = "abc";
    given.done = true;
    EXPECT_THROW(readWhole(given, 100, data), EDatabaseError);

    // A probe that over-estimates (a converting driver) gives the value as it is, no padding.
    ScriptedColumn estimate;
    estimate.text = true;
    estimate.value = pattern(300, false);
    estimate.probeExtra = 50;
    ASSERT_TRUE(readWhole(estimate, 100, data));
    EXPECT_TRUE(data == estimate.value);
    EXPECT_EQ(estimate.sizes.size(), 2u);

    // Far above MaxBlobBuffer, with a length known only once reading, it is read to its end.
    ScriptedColumn grew;
    grew.text = true;
    grew.probeKnowsLength = false;
    grew.value = pattern(1000, false);
    ASSERT_TRUE(readWhole(grew, 10, data));
    EXPECT_TRUE(data == grew.value);
}

// ---- Both drivers --------------------------------------------------------------------------------

class BlobReadEngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        const std::string binary = GetParam() == Engine::PostgreSQL ? "BYTEA" : "BLOB";
        tdb->exec("CREATE TABLE doc (id INTEGER, m TEXT, bl " + binary + ")");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
    }
    void TearDown() override {
        db.reset();
        tdb.reset();
    }
    void insert(int id, const std::string* m, const std::string* bl) {
        TODBCQuery ins(nullptr);
        ins.SetODBCDatabase(db.get());
        ins.SetSQLText("INSERT INTO doc (id, m, bl) VALUES (:id, :m, :bl)");
        ins.ParamByName("id")->SetAsInteger(id);
        if (m) {
            ins.ParamByName("m")->SetAsMemo(*m);
        } else {
            ins.ParamByName("m")->SetDataType(ftMemo);
            ins.ParamByName("m")->Clear();
        }
        if (bl) {
            ins.ParamByName("bl")->SetBlobData(bl->data(), bl->size());
        } else {
            ins.ParamByName("bl")->SetDataType(ftBlob);
            ins.ParamByName("bl")->Clear();
        }
        ins.ExecSQL();
    }
    static std::string read(TODBCDataSet& q, const char* field) {
        TODBCBlobStream s(q.FieldByName(field), bmRead);
        std::string out(static_cast<size_t>(s.Size()), '\0');
        if (!out.empty())
            s.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
        return out;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
};

TEST_P(BlobReadEngineTest, ValuesBelowAtAndAboveMaxBlobBufferReadWhole) {
    const std::vector<size_t> sizes = {99, 100, 101, 20000};
    int id = 0;
    for (size_t n : sizes) {
        const std::string m = pattern(n, false), b = pattern(n, true);
        insert(++id, &m, &b);
    }
    const std::string empty;
    insert(++id, &empty, &empty);
    insert(++id, nullptr, nullptr);

    TODBCQuery q(nullptr);
    q.SetODBCDatabase(db.get());
    q.SetMaxBlobBuffer(100);
    q.SetBlobBufferSize(64); // every value above is longer than its bound column
    q.SetSQLText("SELECT id, m, bl FROM doc ORDER BY id");
    q.Open();
    for (size_t n : sizes) {
        ASSERT_FALSE(q.Eof());
        EXPECT_TRUE(read(q, "m") == pattern(n, false)) << n;
        EXPECT_TRUE(read(q, "bl") == pattern(n, true)) << n;
        EXPECT_TRUE(read(q, "m") == pattern(n, false)) << n << " read again";
        q.Next();
    }
    EXPECT_EQ(read(q, "m"), "");
    EXPECT_EQ(read(q, "bl"), "");
    EXPECT_FALSE(q.FieldByName("m")->IsNull());
    q.Next();
    EXPECT_TRUE(q.FieldByName("m")->IsNull());
    EXPECT_EQ(read(q, "m"), "");
    EXPECT_EQ(read(q, "bl"), "");
    // Back from the end to a long value: the row is read again from its start.
    q.First();
    q.Next();
    q.Next();
    q.Next();
    EXPECT_TRUE(read(q, "bl") == pattern(20000, true));
    q.Prior();
    EXPECT_TRUE(read(q, "m") == pattern(101, false));
}

TEST_P(BlobReadEngineTest, AForwardOnlyCursorReadsTheCurrentRowsValueWhole) {
    const std::string m = pattern(5000, false), b = pattern(5000, true);
    insert(1, &m, &b);
    insert(2, nullptr, &b);
    TODBCQuery q(nullptr);
    q.SetODBCDatabase(db.get());
    q.SetUniDirectional(true);
    q.SetMaxBlobBuffer(100);
    q.SetSQLText("SELECT id, m, bl FROM doc ORDER BY id");
    q.Open();
    EXPECT_TRUE(read(q, "m") == m);
    EXPECT_TRUE(read(q, "m") == m);
    EXPECT_TRUE(read(q, "bl") == b);
    q.Next();
    EXPECT_EQ(read(q, "m"), "");
    EXPECT_TRUE(read(q, "bl") == b);
}

INSTANTIATE_TEST_SUITE_P(Engines, BlobReadEngineTest, TESTSUPPORT_ENGINES);

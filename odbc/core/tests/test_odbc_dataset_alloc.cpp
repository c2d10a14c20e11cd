// Reading a million rows allocates nothing per row: forward-only, block and scrollable cursors
// on both engines, fields read through the framework's typed accessors.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

using namespace vantrel;
using testsupport::Engine;


namespace {

struct Mode {
    bool UniDirectional;
    bool Block;
};

} // namespace

class DataSetAllocTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
    }
    void TearDown() override {
        db.reset();
        tdb.reset();
    }
    // A typed table of n rows: integer, decimal, text and date columns.
    void fill(int n) {
        tdb->exec("CREATE TABLE r (id INTEGER, amount NUMERIC(12,2), name VARCHAR(20), day DATE)");
        if (GetParam() == Engine::PostgreSQL)
            tdb->exec("INSERT INTO r SELECT g, g * 0.5, 'row' || (g % 1000), DATE '2024-01-01' + (g % 300) "
                      "FROM generate_series(1, " + std::to_string(n) + ") g");
        else
            tdb->exec("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
                      std::to_string(n) + ") INSERT INTO r SELECT x, x * 0.5, 'row' || (x % 1000), "
                      "date('2024-01-01', '+' || (x % 300) || ' days') FROM c");
    }
    std::string rows(int n) const { return "SELECT id, amount, name, day FROM r WHERE id <= " + std::to_string(n); }

    // Reads every row and returns the allocations made after the first few rows.
    long readAll(Mode mode, int n, long& sum) {
        TODBCQuery q(nullptr);
        q.SetODBCDatabase(db.get());
        q.SetUniDirectional(mode.UniDirectional);
        q.SetBlockCursor(mode.Block);
        q.SetSQLText(rows(n));
        q.Open();
        TField* id = q.FieldByName("id");
        TField* amount = q.FieldByName("amount");
        auto* name = dynamic_cast<TStringField*>(q.FieldByName("name"));
        TField* day = q.FieldByName("day");
        EXPECT_NE(name, nullptr);
        String text;
        text.reserve(64);
        int count = 0;
        long before = 0;
        for (; !q.Eof(); q.Next()) {
            if (count == 10)
                before = testsupport::allocations.load();
            sum += id->AsInteger() + static_cast<long>(amount->AsFloat());
            if (name->GetValue(text))
                sum += static_cast<long>(text.size());
            sum += static_cast<long>(day->AsDateTime()) > 0 ? 1 : 0;
            ++count;
        }
        const long allocations = testsupport::allocations.load() - before;
        EXPECT_EQ(count, n);
        return allocations;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
};

TEST_P(DataSetAllocTest, AMillionRowsThroughTheBlockCursorAllocateNothing) {
    fill(1000000);
    long sum = 0;
    EXPECT_EQ(readAll({true, true}, 1000000, sum), 0);
    EXPECT_GT(sum, 0);
}

TEST_P(DataSetAllocTest, ForwardOnlyAndScrollableCursorsAllocateNothingPerRow) {
    fill(100000);
    long sum = 0;
    EXPECT_EQ(readAll({true, false}, 100000, sum), 0);
    EXPECT_EQ(readAll({false, false}, 100000, sum), 0);
    EXPECT_GT(sum, 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, DataSetAllocTest, TESTSUPPORT_ENGINES);

// Reading a million rows allocates nothing per row: forward-only, block and scrollable cursors
// on both engines, fields read through the framework's typed accessors.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

using namespace vantrel;
using testsupport::Engine;

// Counts the C++ allocations of the process (the drivers' own malloc calls are theirs).
static std::atomic<long> gAllocations{0};
void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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
                before = gAllocations.load();
            sum += id->AsInteger() + static_cast<long>(amount->AsFloat());
            if (name->GetValue(text))
                sum += static_cast<long>(text.size());
            sum += static_cast<long>(day->AsDateTime()) > 0 ? 1 : 0;
            ++count;
        }
        const long allocations = gAllocations.load() - before;
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

// The read-only dataset on both engines: opening and field types, navigation both ways,
// bookmarks, counting, block cursors, locating, filtering, refresh, parameters and errors.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/core/ODBCParams.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace vantrel;
using testsupport::Engine;

namespace {

// Message of the exception `f` throws ("" when it throws none).
template <class F> std::string errorOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

} // namespace

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

INSTANTIATE_TEST_SUITE_P(Engines, DataSetTest, TESTSUPPORT_ENGINES);

// The connection pool and the pooled query on both engines: growing to the maximum, choosing the
// least busy connection, closing with datasets attached, and many threads sharing the pool with
// no lost or crossed results.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/MultiDB.h>
#include <vantrel/ext/ODBCTools.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vantrel;
using testsupport::Engine;

namespace {

class MultiDBTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE pooled (t INTEGER, i INTEGER, PRIMARY KEY (t, i))");
        pool = std::make_unique<TMultiDataBases>();
        pool->ConnectStr = tdb->connectionString();
        pool->ConnectStyle = csDriverConnect;
        pool->OnAddDataBase = [this](TMultiODBCDataBase*) { ++added; };
        pool->OnRemoveDataBase = [this](TMultiODBCDataBase*) { ++removed; };
    }
    void TearDown() override {
        MultiDataBases = nullptr;
        pool.reset();
        tdb.reset();
    }
    std::unique_ptr<TODBCMultiQuery> query(const String& sql) {
        auto q = CreateMQuery();
        q->SQL()->Add(sql);
        return q;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TMultiDataBases> pool;
    int added = 0, removed = 0;
};

TEST_P(MultiDBTest, GrowsToTheMaximumAndPicksTheLeastBusyConnection) {
    pool->MaxCount = 2;
    pool->InitCount = 1;
    pool->Open();
    MultiDataBases = pool.get();
    ASSERT_EQ(pool->Count(), 1);
    EXPECT_TRUE(pool->GetDataBases(0)->Connected());
    EXPECT_EQ(added, 1);

    auto q1 = query("select count(*) from pooled");
    EXPECT_EQ(q1->GetMultiODBCDataBase(), pool->GetDataBases(0));
    q1->Open();
    auto q2 = query("select count(*) from pooled");
    ASSERT_EQ(pool->Count(), 2); // the first was busy: a second connection
    EXPECT_EQ(q2->GetMultiODBCDataBase(), pool->GetDataBases(1));
    EXPECT_TRUE(pool->GetDataBases(1)->Connected());
    q2->Open();
    auto q3 = query("select 1 from pooled");
    EXPECT_EQ(pool->Count(), 2);
    EXPECT_NE(q3->GetMultiODBCDataBase(), nullptr);
    auto q4 = query("select 2 from pooled");
    // q3 went to one connection, so q4 goes to the other (fewer datasets).
    EXPECT_NE(q4->GetMultiODBCDataBase(), q3->GetMultiODBCDataBase());
    q2.reset();
    auto q5 = query("select 3 from pooled");
    EXPECT_EQ(q5->GetMultiODBCDataBase(), pool->GetDataBases(1)); // the less loaded one
    EXPECT_GT(pool->GetDataBases(0)->GetCounter(), 0);
    EXPECT_FALSE(pool->GetDataBases(0)->InUse());

    // Closing keeps the connections that still have datasets.
    q3.reset();
    q4.reset();
    q5.reset();
    EXPECT_EQ(pool->GetDataBases(0)->GetDatasetCount(), 1); // q1
    EXPECT_EQ(pool->GetDataBases(1)->GetDatasetCount(), 0);
    pool->Close();
    EXPECT_EQ(pool->Count(), 1);
    EXPECT_EQ(removed, 1);
    EXPECT_FALSE(q1->Active());
    EXPECT_FALSE(pool->GetDataBases(0)->Connected());
    q1.reset();
    pool->ClearDataBase();
    EXPECT_EQ(pool->Count(), 0);
    EXPECT_EQ(removed, 2);
}

TEST_P(MultiDBTest, AQueryFindsAPooledConnectionOfTheSessionWhenOpened) {
    pool->MaxCount = 1;
    pool->Open();
    TODBCMultiQuery q;
    q.SQL()->Add("select count(*) from pooled");
    EXPECT_EQ(q.GetMultiODBCDataBase(), nullptr);
    q.Open();
    EXPECT_EQ(q.GetMultiODBCDataBase(), pool->GetDataBases(0));
    EXPECT_EQ(q.Fields()->Fields(0)->AsInteger(), 0);
    q.Close();
}

TEST_P(MultiDBTest, OneCallFunctionsOnThePool) {
    pool->MaxCount = 2;
    pool->Open();
    MultiDataBases = pool.get();
    EXPECT_EQ(ExecuteMQuery("insert into pooled values (0, 1)"), 1);
    EXPECT_EQ(ExecMQueryLong("insert into pooled values (:t, :i)", {Variant(0), Variant(2)}), 1);
    auto q = OpenMQueryLong("select count(*) from pooled where t = :t", {Variant(0)});
    EXPECT_EQ(q->Fields()->Fields(0)->AsInteger(), 2);
    auto u = OpenMQueryLongUni("select i from pooled where t = :t order by i", {Variant(0)});
    EXPECT_EQ(u->Fields()->Fields(0)->AsInteger(), 1);
    auto o = OpenMQuery("select max(i) from pooled");
    EXPECT_EQ(o->Fields()->Fields(0)->AsInteger(), 2);
    EXPECT_THROW(ExecMQueryLong("insert into pooled values (:t, :i)", {Variant(0)}), EDatabaseError);
}

// Eight threads share a pool of four connections, 1,000 statements each on PostgreSQL (100 on
// SQLite, whose file commits are slow): inserts of rows that only this thread writes, and counts
// that must see exactly this thread's rows so far.
TEST_P(MultiDBTest, EightThreadsShareThePoolWithoutLostOrCrossedResults) {
    pool->MaxCount = 4;
    pool->InitCount = 2;
    pool->Open();
    MultiDataBases = pool.get();
    const int threads = 8, statements = GetParam() == Engine::PostgreSQL ? 1000 : 100;
    std::atomic<int> failures{0};
    std::vector<std::string> errors(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            try {
                int inserted = 0;
                for (int n = 0; n < statements; ++n) {
                    if (n % 2 == 0) {
                        if (ExecMQueryLong("insert into pooled (t, i) values (:t, :i)",
                                           {Variant(t), Variant(n)}) != 1)
                            ++failures;
                        ++inserted;
                    } else {
                        auto q = OpenMQueryLong("select count(*), max(t), min(t) from pooled where t = :t",
                                                {Variant(t)});
                        if (q->Fields()->Fields(0)->AsInteger() != inserted ||
                            q->Fields()->Fields(1)->AsInteger() != t ||
                            q->Fields()->Fields(2)->AsInteger() != t)
                            ++failures;
                    }
                }
            } catch (const std::exception& e) {
                errors[static_cast<size_t>(t)] = e.what();
                ++failures;
            }
        });
    for (auto& w : workers)
        w.join();
    for (const auto& e : errors)
        EXPECT_EQ(e, "");
    EXPECT_EQ(failures.load(), 0);
    EXPECT_LE(pool->Count(), 4);
    odbctest::RawConnection check(tdb->connectionString());
    EXPECT_EQ(odbctest::scalarOn(check.get(), "select count(*) from pooled"), threads * statements / 2);
    EXPECT_EQ(odbctest::scalarOn(check.get(), "select count(distinct t) from pooled"), threads);
    long uses = 0;
    for (int i = 0; i < pool->Count(); ++i) {
        EXPECT_EQ(pool->GetDataBases(i)->GetDatasetCount(), 0); // every query left its connection
        uses += pool->GetDataBases(i)->GetCounter();
    }
    EXPECT_GT(uses, threads * statements);
}

INSTANTIATE_TEST_SUITE_P(Engines, MultiDBTest, TESTSUPPORT_ENGINES);

} // namespace

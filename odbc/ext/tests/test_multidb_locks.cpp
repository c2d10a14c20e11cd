// Every operation of a pooled query waits for its connection's lock: while another thread holds
// the connection, the call does not reach the driver; once it is released the call completes.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/MultiDB.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace vantrel;
using testsupport::Engine;

namespace {

class MultiQueryLockTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE pooled (t INTEGER, i INTEGER)");
        tdb->exec("INSERT INTO pooled VALUES (1, 10)");
        tdb->exec("INSERT INTO pooled VALUES (1, 11)");
        pool = std::make_unique<TMultiDataBases>();
        pool->ConnectStr = tdb->connectionString();
        pool->ConnectStyle = csDriverConnect;
        pool->MaxCount = 2;
        pool->InitCount = 2;
        pool->Open();
        db = pool->GetDataBases(0);
        q = std::make_unique<TODBCMultiQuery>(nullptr);
        q->SetMultiODBCDataBase(db);
    }
    void TearDown() override {
        q.reset();
        pool.reset();
        tdb.reset();
    }

    // Runs `op` on another thread while this one holds the connection: it must still be
    // waiting after a while, and done once the lock is released.
    void expectWaitsForTheLock(const char* name, const std::function<void()>& op) {
        std::atomic<bool> done{false};
        std::string error;
        db->Lock();
        std::thread worker([&] {
            try {
                op();
            } catch (const std::exception& e) {
                error = e.what();
            }
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const bool early = done.load();
        db->UnLock();
        worker.join();
        EXPECT_FALSE(early) << name << " ran while another thread held the connection";
        EXPECT_EQ(error, "") << name;
        EXPECT_FALSE(db->InUse()) << name;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TMultiDataBases> pool;
    TMultiODBCDataBase* db = nullptr;
    std::unique_ptr<TODBCMultiQuery> q;
};

TEST_P(MultiQueryLockTest, StatementOperationsWaitForTheConnection) {
    expectWaitsForTheLock("SetSQLText", [&] { q->SetSQLText("UPDATE pooled SET i = i + 1 WHERE t = :t"); });
    q->ParamByName("t")->SetAsInteger(1);
    expectWaitsForTheLock("CreateHandle", [&] { q->CreateHandle(); });
    expectWaitsForTheLock("Prepare", [&] { q->Prepare(); });
    expectWaitsForTheLock("BindAllParam", [&] { q->BindAllParam(); });
    expectWaitsForTheLock("IsDataSet", [&] { EXPECT_FALSE(q->IsDataSet()); });
    expectWaitsForTheLock("ExecSQL", [&] { q->ExecSQL(); });
    expectWaitsForTheLock("GetRowsAffected", [&] { EXPECT_EQ(q->GetRowsAffected(), 2); });
    expectWaitsForTheLock("UnPrepare", [&] { q->UnPrepare(); });
    expectWaitsForTheLock("SetPrepared", [&] { q->SetPrepared(true); });
    expectWaitsForTheLock("Disconnect", [&] { q->Disconnect(); });
    // The SQLite driver names its cursors itself and refuses other names.
    bool named = true;
    expectWaitsForTheLock("SetCursorName", [&] {
        try {
            q->SetCursorName("pooled_cursor");
        } catch (const EODBCError&) {
            named = false;
        }
    });
    EXPECT_TRUE(named || GetParam() == Engine::SQLite);
    expectWaitsForTheLock("CursorName", [&] {
        const String name = q->CursorName();
        EXPECT_TRUE(!named || name == "pooled_cursor") << name;
    });
    expectWaitsForTheLock("SetUniDirectional", [&] { q->SetUniDirectional(false); });
    expectWaitsForTheLock("SetRowSetSize", [&] { q->SetRowSetSize(10); });
}

TEST_P(MultiQueryLockTest, CursorOperationsWaitForTheConnection) {
    TStringList lines;
    lines.Add("SELECT t, i FROM pooled ORDER BY i");
    expectWaitsForTheLock("SetQuery", [&] { q->SetQuery(&lines); });
    expectWaitsForTheLock("ImmediatelyOpen", [&] { q->ImmediatelyOpen(); });
    ASSERT_TRUE(q->Active());
    expectWaitsForTheLock("FindRecordByValues",
                          [&] { EXPECT_TRUE(q->FindRecordByValues({"i"}, {Variant(11)}, true)); });
    expectWaitsForTheLock("LocateRecord", [&] { EXPECT_TRUE(q->LocateRecord("i", Variant(10), 0)); });
    expectWaitsForTheLock("LocateFindRecord", [&] {
        EXPECT_TRUE(q->LocateFindRecord({q->FieldByName("i")}, Variant(11), false, false));
    });
    expectWaitsForTheLock("ReadColumnData", [&] {
        String data;
        EXPECT_TRUE(q->ReadColumnData(q->FieldByName("i"), q->ActiveBuffer(), data));
    });
    expectWaitsForTheLock("GetRecordCountExt", [&] { EXPECT_EQ(q->GetRecordCountExt(), 2); });
    TBookmark here;
    expectWaitsForTheLock("SilentClose", [&] { here = q->SilentClose(); });
    expectWaitsForTheLock("SilentOpen", [&] { q->SilentOpen(here); });
    EXPECT_EQ(q->FieldByName("i")->AsInteger(), 11);
    expectWaitsForTheLock("ImmediatelyOpen again", [&] { q->ImmediatelyOpen(); });
}

// Called through the base class, where the query's own versions are hidden, the statement
// operations still take the connection's lock.
TEST_P(MultiQueryLockTest, OperationsThroughTheBaseClassWaitForTheConnection) {
    TODBCDataSet& base = *q;
    expectWaitsForTheLock("SetSQLText", [&] { base.SetSQLText("UPDATE pooled SET i = i + 1 WHERE t = :t"); });
    base.ParamByName("t")->SetAsInteger(1);
    expectWaitsForTheLock("CreateHandle", [&] { base.CreateHandle(); });
    expectWaitsForTheLock("SetPrepared", [&] { base.SetPrepared(true); });
    expectWaitsForTheLock("ExecSQL", [&] { base.ExecSQL(); });
    expectWaitsForTheLock("GetRowsAffected", [&] { EXPECT_EQ(base.GetRowsAffected(), 2); });
    expectWaitsForTheLock("IsDataSet", [&] { EXPECT_FALSE(base.IsDataSet()); });
    expectWaitsForTheLock("Disconnect", [&] { base.Disconnect(); });
    expectWaitsForTheLock("SetRowSetSize", [&] { base.SetRowSetSize(10); });

    TStringList lines;
    lines.Add("SELECT t, i FROM pooled ORDER BY i");
    base.SetQuery(&lines);
    expectWaitsForTheLock("ImmediatelyOpen", [&] { base.ImmediatelyOpen(); });
    ASSERT_TRUE(base.Active());
    expectWaitsForTheLock("LocateRecord", [&] { EXPECT_TRUE(base.LocateRecord("i", Variant(12), 0)); });
    expectWaitsForTheLock("ReadColumnData", [&] {
        String data;
        EXPECT_TRUE(base.ReadColumnData(base.FieldByName("i"), base.ActiveBuffer(), data));
    });
    TBookmark here;
    expectWaitsForTheLock("SilentClose", [&] { here = base.SilentClose(); });
    expectWaitsForTheLock("SilentOpen", [&] { base.SilentOpen(here); });
    EXPECT_EQ(base.FieldByName("i")->AsInteger(), 12);
}

// A query given no connection finds one from the pool even when first used through the base
// class, and leaves no lock behind.
TEST_P(MultiQueryLockTest, TheBaseClassFindsAPooledConnection) {
    TODBCMultiQuery fresh(nullptr);
    ASSERT_EQ(fresh.GetMultiODBCDataBase(), nullptr);
    TODBCDataSet& base = fresh;
    base.SetSQLText("SELECT COUNT(*) FROM pooled");
    base.ImmediatelyOpen();
    ASSERT_NE(fresh.GetMultiODBCDataBase(), nullptr);
    EXPECT_EQ(base.Fields()->Fields(0)->AsInteger(), 2);
    base.Close();
    EXPECT_FALSE(fresh.GetMultiODBCDataBase()->InUse());
}

TEST_P(MultiQueryLockTest, TheLockEnteredIsTheLockLeftEvenAfterMovingConnections) {
    TMultiODBCDataBase* other = pool->GetDataBases(1);
    q->EnterConnectionLock();
    q->EnterConnectionLock(); // re-entrant
    EXPECT_TRUE(db->InUse());
    q->LeaveConnectionLock();
    EXPECT_TRUE(db->InUse());
    q->SetMultiODBCDataBase(other);
    q->LeaveConnectionLock();
    EXPECT_FALSE(db->InUse());
    EXPECT_FALSE(other->InUse());
    q->LeaveConnectionLock(); // unbalanced: nothing to leave
    EXPECT_FALSE(other->InUse());

    // Held by this thread, another thread's call on the query waits for it.
    q->EnterConnectionLock();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        q->GetRowsAffected();
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(done.load());
    q->LeaveConnectionLock();
    worker.join();
    EXPECT_TRUE(done.load());
}

INSTANTIATE_TEST_SUITE_P(Engines, MultiQueryLockTest, TESTSUPPORT_ENGINES);

} // namespace

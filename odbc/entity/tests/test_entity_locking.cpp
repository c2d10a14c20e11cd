// Ending an entity's row lock (Unlock, Commit and the scope guard) on both engines, and
// statements generated without a connection in each dialect.
#include "EntityTestSupport.h"
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/entity/ODBCEntity.h>
#include <vantrel/ext/ODBCTools.h>
#include <vantrel/framework/AppServices.h>

#include <gtest/gtest.h>

#include <memory>

using namespace vantrel;
using testsupport::Engine;

namespace {

// An entity on PART (ID key, NAME, QTY) as the field list writes it.
void describe(TEntity& e) {
    e.SetfactTable("PART");
    e.CreateField("ID", "", "Number", 6, true, true, true, true, ftInteger, cnstETPK);
    e.CreateField("NAME", "", "Name", 30, true, true, true, false, ftString, cnstETField);
    e.CreateField("QTY", "", "Qty", 6, true, true, false, false, ftInteger, cnstETField);
}

String text(TStrings& lines) {
    String out;
    for (int i = 0; i < lines.Count(); ++i)
        out += (i ? "|" : "") + lines[i];
    return out;
}

using vantrel::odbctest::errorOf;

class EntityLockTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE part (id INTEGER PRIMARY KEY, name VARCHAR(40), qty INTEGER)");
        tdb->exec("INSERT INTO part VALUES (1, 'Brake pad', 4)");
        tdb->exec("INSERT INTO part VALUES (2, 'Oil filter', 10)");
        db = connect();
        DataBase = db.get();
        previousHandler =
            Application().SetExceptionHandler([this](const std::exception& e) { shown += e.what(); });
        entity = std::make_unique<TUserEntity>();
        describe(*entity);
    }
    void TearDown() override {
        entity.reset();
        if (db)
            Application().SetExceptionHandler(previousHandler);
        DataBase = nullptr;
        db.reset();
        tdb.reset();
    }
    std::unique_ptr<TODBCDatabase> connect() { return entitytest::connectQuickly(*tdb); }
    String qty(int id) {
        auto q = OpenQuery("select qty from part where id = " + std::to_string(id));
        return (*q->Fields())[0]->AsString();
    }
    // Whether a second connection can write row `id` now (it cannot while a lock holds it).
    bool otherCanWrite(int id) {
        auto other = connect();
        other->StartTransaction();
        TODBCQuery q;
        q.SetODBCDatabase(other.get());
        q.SQL()->Add(GetParam() == Engine::PostgreSQL
                         ? "SELECT 1 FROM part WHERE id = " + std::to_string(id) + " FOR UPDATE NOWAIT"
                         : "UPDATE part SET qty = qty WHERE id = " + std::to_string(id));
        bool ok = true;
        try {
            if (GetParam() == Engine::PostgreSQL)
                q.Open();
            else
                q.ExecSQL();
        } catch (const EODBCError&) {
            ok = false;
        }
        q.Close();
        other->Rollback();
        return ok;
    }
    void change(int id, int newQty) {
        entity->ClearFieldsValue();
        entity->SetFieldValue("ID", id);
        entity->SetFieldValue("NAME", id == 1 ? "Brake pad" : "Oil filter");
        entity->SetFieldValue("QTY", newQty);
        entity->EditForArray(cdtField, {});
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
    std::unique_ptr<TUserEntity> entity;
    TApplication::TExceptionHandler previousHandler;
    std::string shown;
};

TEST_P(EntityLockTest, AGuardLeftWithoutCommitUndoesTheWriteAndFreesTheRow) {
    entity->SetFieldValue("ID", 1);
    {
        TEntityLock lock(*entity);
        ASSERT_TRUE(lock.Locked()) << shown;
        EXPECT_TRUE(entity->LockHeld());
        EXPECT_TRUE(db->InTransaction());
        EXPECT_FALSE(otherCanWrite(1));
        change(1, 99);
    }
    EXPECT_FALSE(entity->LockHeld());
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(qty(1), "4");
    EXPECT_TRUE(otherCanWrite(1));
}

TEST_P(EntityLockTest, CommitKeepsTheWriteAndEndsTheLock) {
    entity->SetFieldValue("ID", 2);
    {
        TEntityLock lock(*entity);
        ASSERT_TRUE(lock) << shown;
        change(2, 11);
        lock.Commit();
        EXPECT_FALSE(entity->LockHeld());
        EXPECT_FALSE(db->InTransaction());
    }
    EXPECT_EQ(qty(2), "11");
    EXPECT_TRUE(otherCanWrite(2));

    // The same pair on the entity itself.
    entity->SetFieldValue("ID", 1);
    ASSERT_EQ(entity->Lock(), lrOk);
    change(1, 5);
    entity->Commit();
    EXPECT_EQ(qty(1), "5");
    ASSERT_EQ(entity->Lock(), lrOk);
    change(1, 6);
    entity->Unlock();
    EXPECT_EQ(qty(1), "5");
    EXPECT_FALSE(db->InTransaction());
    EXPECT_TRUE(shown.empty()) << shown;
}

TEST_P(EntityLockTest, OnlyTheTransactionTheLockStartedIsEnded) {
    // Inside the application's transaction the application ends it.
    db->StartTransaction();
    entity->SetFieldValue("ID", 1);
    ASSERT_EQ(entity->Lock(), lrOk);
    EXPECT_FALSE(entity->LockHeld());
    entity->Unlock();
    entity->Commit();
    EXPECT_TRUE(db->InTransaction());
    db->Rollback();

    // A lock the application already ended leaves the application's next transaction alone.
    ASSERT_EQ(entity->Lock(), lrOk);
    db->Commit();
    db->StartTransaction();
    change(2, 12);
    entity->Unlock();
    EXPECT_TRUE(db->InTransaction());
    db->Commit();
    EXPECT_EQ(qty(2), "12");

    // A guard whose lock failed has nothing to end.
    db->StartTransaction();
    {
        entity->SetFieldValue("ID", 99);
        TEntityLock gone(*entity);
        EXPECT_EQ(gone.Result(), lrDeleted);
        EXPECT_FALSE(gone.Locked());
    }
    EXPECT_TRUE(db->InTransaction());
    db->Rollback();
}

TEST_P(EntityLockTest, StatementsOfEveryDialectRunOnTheEngine) {
    // Unquoted names fold to the engine's case; quoted ones must be written as the table has them.
    for (TEntitySQLDialect dialect : {esdPlain, esdQuoted}) {
        TUserEntity e;
        if (dialect == esdPlain) {
            describe(e);
        } else {
            e.SetfactTable("part");
            e.CreateField("id", "", "", 6, true, true, true, true, ftInteger, cnstETPK);
            e.CreateField("name", "", "", 30, true, true, true, false, ftString, cnstETField);
            e.CreateField("qty", "", "", 6, true, true, false, false, ftInteger, cnstETField);
        }
        e.SetSQLDialect(dialect);
        const int id = dialect == esdPlain ? 10 : 11;
        e.SetFieldValue(e.GetFields(0)->FactName(), id);
        e.SetFieldValue(e.GetFields(1)->FactName(), "Wiper");
        e.SetFieldValue(e.GetFields(2)->FactName(), 3);
        e.Add();
        EXPECT_EQ(qty(id), "3");
        {
            TEntityLock lock(e);
            ASSERT_TRUE(lock.Locked()) << shown;
            e.SetFieldValue(e.GetFields(2)->FactName(), 7);
            e.EditForArray(cdtArray, {Variant("Wiper"), Variant(7), Variant(id)});
            lock.Commit();
        }
        EXPECT_EQ(qty(id), "7");
        e.EntityOpen();
        EXPECT_EQ(e.Query()->RecordCount(), 3);
        e.execClose();
        e.Delete();
        auto q = OpenQuery("select count(*) from part where id = " + std::to_string(id));
        EXPECT_EQ((*q->Fields())[0]->AsInteger(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, EntityLockTest, TESTSUPPORT_ENGINES);

TEST(EntityDialect, StatementsAreGeneratedWithoutAConnection) {
    DataBase = nullptr;
    TUserEntity e;
    describe(e);
    e.SetviewTable("V_PART");
    TStringList lines;
    // The default asks the connection's catalog.
    EXPECT_EQ(errorOf([&] { e.GenerateSQLInsert(&lines); }), "The entity's database is not connected");

    e.SetSQLDialect(esdPlain);
    e.GenerateSQLInsert(&lines);
    EXPECT_EQ(text(lines), "INSERT INTO PART|(ID,NAME,QTY)|VALUES(:ID,:NAME,:QTY)");
    e.GenerateSQLDelete(&lines);
    EXPECT_EQ(text(lines), "DELETE FROM PART WHERE ID=:ID");
    e.GenerateSQLSelect(&lines, false);
    EXPECT_EQ(text(lines), "SELECT |ID,NAME,QTY FROM V_PART");
    e.GenerateSQLLock(&lines);
    EXPECT_EQ(text(lines), "UPDATE PART SET NAME=NAME WHERE ID=:ID");
    EXPECT_EQ(e.GenerateOrder(1), "ORDER BY NAME,ID");
    e.SetFieldFilter("QTY", 3);
    EXPECT_EQ(e.GenerateWhere(), "WHERE (QTY=:\"QTY#filter\")");

    e.SetSQLDialect(esdQuoted);
    e.SetfactTable("shop.Part");
    e.GenerateSQLInsert(&lines);
    EXPECT_EQ(text(lines), "INSERT INTO \"shop\".\"Part\"|(\"ID\",\"NAME\",\"QTY\")|VALUES(:\"ID\",:\"NAME\",:\"QTY\")");
    e.GenerateSQLLock(&lines);
    EXPECT_EQ(text(lines), "UPDATE \"shop\".\"Part\" SET \"NAME\"=\"NAME\" WHERE \"ID\"=:\"ID\"");

    e.SetSQLDialect(esdPostgreSQL);
    e.GenerateSQLLock(&lines);
    EXPECT_EQ(text(lines), "SELECT 1 FROM \"shop\".\"Part\" WHERE \"ID\"=:\"ID\" FOR UPDATE NOWAIT");
    e.GetFields(1)->SetviewTable("p");
    e.GenerateSQLSelect(&lines, false);
    EXPECT_EQ(text(lines), "SELECT |\"ID\",\"p\".\"NAME\",\"QTY\" FROM \"V_PART\"");
}

TEST(EntityDialect, UnsafeNamesAndPhrasesAreStillRefused) {
    DataBase = nullptr;
    TUserEntity e;
    describe(e);
    TStringList lines;
    e.SetSQLDialect(esdPlain);
    e.SetfactTable("part list");
    EXPECT_EQ(errorOf([&] { e.GenerateSQLDelete(&lines); }), "Name not allowed without quotes: part list");
    e.SetfactTable("part;drop table part");
    EXPECT_NE(errorOf([&] { e.GenerateSQLDelete(&lines); }), "");
    e.SetSQLDialect(esdQuoted);
    e.SetfactTable("part list");
    e.GenerateSQLDelete(&lines);
    EXPECT_EQ(text(lines), "DELETE FROM \"part list\" WHERE \"ID\"=:\"ID\"");
    e.SetfactTable("pa\"rt");
    EXPECT_EQ(errorOf([&] { e.GenerateSQLDelete(&lines); }), "Name not allowed: pa\"rt");
    e.SetfactTable("shop..part");
    EXPECT_NE(errorOf([&] { e.GenerateSQLDelete(&lines); }), "");
    e.SetfactTable("part");
    e.GetFields(2)->SetSelectStr("qty; delete from part");
    EXPECT_NE(errorOf([&] { e.GenerateSQLSelect(&lines, false); }), "");
    EXPECT_EQ(lines.Count(), 0);
}

} // namespace

// Lists counted after their first page share one counting connection per session: kept between
// counts, let go of with the session, made again when lost, never counting another session's data.
#include "Fixture.h"
#include "Concurrency.h"
#include "CountGate.h"
#include "QueryModel.h"
#include "Transaction.h"

#include <QThread>

namespace {

class KeptCountTest : public DataTest {
protected:
    void TearDown() override {
        DataTest::TearDown();  // the data module lets go of the counting connections first
        other_.reset();
    }

    void addCustomers(int from, int to) {
        kestrum::Transaction t(dm_->database());
        for (int id = from; id <= to; ++id)
            exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {id, QString("Name %1").arg(id)});
        t.commit();
    }
    void addParts(int from, int to) {
        kestrum::Transaction t(dm_->database());
        for (int id = from; id <= to; ++id)
            exec("Insert Into Part (ID_Material, Color_Material) Values (?, ?)", {id, QString("P%1").arg(id, 6, 10, QChar('0'))});
        t.commit();
    }
    static void open(kestrum::Query& q, const QString& sql) {
        q.setStatement(sql);
        q.Open();
    }
    // Connections to this test's database other than the window's own (PostgreSQL), once the
    // server has seen a closed one go (it leaves a moment after the client).
    int otherBackends(int expected) {
        kestrum::Query& q = *dm_->Q5;
        int n = -1;
        for (int i = 0; i < 100 && n != expected; ++i) {
            if (i) QThread::msleep(20);
            q.setStatement("Select Count(*) From pg_stat_activity Where datname = current_database() And pid <> pg_backend_pid()");
            q.Open();
            n = int(q.fieldAt(0, 0).AsInteger());
        }
        return n;
    }
    // 700 customers listed and counted once, so that the session has its counting connection.
    void countOnce(testsupport::CountGate& gate, kestrum::Query& q, kestrum::QueryModel& model) {
        addCustomers(1, 700);
        q.setCountFollows(true);
        open(q, "Select ID_Customer, Name_Customer From Customer");
        gate.open();
        ASSERT_EQ(model.rowCount(), 700);
        gate.hold();
    }
    bool postgres() const { return GetParam() == testsupport::Engine::PostgreSQL; }

    std::unique_ptr<testsupport::TestDatabase> other_;
};

TEST_P(KeptCountTest, OneCountingConnectionServesEveryCountOfTheSessionAndGoesWithIt) {
    addCustomers(1, 700);
    testsupport::CountGate gate;
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    q.setCountFollows(true);
    const int before = kestrum::backgroundCountConnectionsMade();
    for (int round = 0; round < 3; ++round) {
        open(q, "Select ID_Customer, Name_Customer From Customer");
        ASSERT_TRUE(q.countPending());
        EXPECT_EQ(model.rowCount(), 256);
        gate.open();
        EXPECT_FALSE(q.countPending());
        // Rows written between counts are seen: the kept connection holds no old snapshot.
        EXPECT_EQ(model.rowCount(), 700 + round * 10) << round;
        addCustomers(1000 + round * 10, 1009 + round * 10);
        gate.hold();
    }
    EXPECT_EQ(kestrum::backgroundCountConnectionsMade() - before, 1);
    if (postgres()) {
        EXPECT_EQ(otherBackends(1), 1);
    }

    // The session ends: the counting connection goes with it, and the next count makes one again.
    kestrum::waitForBackgroundCounts();
    if (postgres()) {
        EXPECT_EQ(otherBackends(0), 0);
    }
    open(q, "Select ID_Customer, Name_Customer From Customer");
    gate.open();
    EXPECT_EQ(model.rowCount(), 730);
    EXPECT_EQ(kestrum::backgroundCountConnectionsMade() - before, 2);
}

TEST_P(KeptCountTest, AWindowConnectionOpenedAgainOnAnotherDatabaseUnderTheSameNameIsCountedThere) {
    testsupport::CountGate gate;
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    ASSERT_NO_FATAL_FAILURE(countOnce(gate, q, model));

    // Another database with 300 customers, reached by the window's connection under its own name.
    other_ = std::make_unique<testsupport::TestDatabase>(GetParam());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "create-other");
        db.setDatabaseName(QString::fromStdString(other_->kestrumConnection()));
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        kestrum::schema::createDatabase(db);
        db.close();
    }
    QSqlDatabase::removeDatabase("create-other");
    q.Close();
    {
        QSqlDatabase db = dm_->database();
        db.close();
        db.setDatabaseName(QString::fromStdString(other_->kestrumConnection()));
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        kestrum::prepareSession(db);
    }
    addCustomers(1, 300);
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {9999, "Last"});
    const int before = kestrum::backgroundCountConnectionsMade();
    open(q, "Select ID_Customer, Name_Customer From Customer");
    ASSERT_TRUE(q.countPending());
    gate.open();
    EXPECT_EQ(model.rowCount(), 301);
    EXPECT_EQ(model.data(model.index(300, 0)).toString(), "9999");
    EXPECT_EQ(kestrum::backgroundCountConnectionsMade() - before, 1);
}

TEST_P(KeptCountTest, ALostCountingConnectionIsMadeAgainAndCounts) {
    if (!postgres()) GTEST_SKIP() << "a SQLite file connection cannot be cut from outside";
    testsupport::CountGate gate;
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    ASSERT_NO_FATAL_FAILURE(countOnce(gate, q, model));
    // The server ends the kept session (a restart, an idle link cut by the network).
    exec("Select pg_terminate_backend(pid) From pg_stat_activity Where datname = current_database() And pid <> pg_backend_pid()");
    addCustomers(701, 710);
    const int before = kestrum::backgroundCountConnectionsMade();
    open(q, "Select ID_Customer, Name_Customer From Customer");
    ASSERT_TRUE(q.countPending());
    gate.open();
    EXPECT_FALSE(q.countPending());
    EXPECT_EQ(model.rowCount(), 710);
    EXPECT_EQ(kestrum::backgroundCountConnectionsMade() - before, 1);
}

TEST_P(KeptCountTest, TwoListsCountingAtOnceEachGetTheirOwnRowsInOrder) {
    addCustomers(1, 700);
    addParts(1, 300);
    testsupport::CountGate gate;
    kestrum::Query& customers = *dm_->QCustomer1;
    kestrum::Query& parts = *dm_->QPart1;
    kestrum::QueryModel customerModel(&customers);
    kestrum::QueryModel partModel(&parts);
    customers.setCountFollows(true);
    parts.setCountFollows(true);
    open(customers, "Select ID_Customer, Name_Customer From Customer Order By Name_Customer, ID_Customer");
    open(parts, "Select ID_Material, Color_Material From Part Order By Color_Material, ID_Material");
    ASSERT_TRUE(customers.countPending());
    ASSERT_TRUE(parts.countPending());
    const int before = kestrum::backgroundCountConnectionsMade();
    gate.open();
    EXPECT_FALSE(customers.countPending());
    EXPECT_FALSE(parts.countPending());
    EXPECT_EQ(customerModel.rowCount(), 700);
    EXPECT_EQ(partModel.rowCount(), 300);
    EXPECT_LE(kestrum::backgroundCountConnectionsMade() - before, 1);
    // The rows past the first page are read by key as before.
    EXPECT_EQ(partModel.data(partModel.index(299, 1)).toString(), "P000300");
    customers.Last();
    EXPECT_EQ(customers.RecNo(), 699);
}

INSTANTIATE_TEST_SUITE_P(Engines, KeptCountTest, TESTSUPPORT_ENGINES);

}  // namespace

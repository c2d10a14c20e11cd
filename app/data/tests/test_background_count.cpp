// Lists counted after their first page share one counting connection per session: kept between
// counts, let go of with the session, made again when lost, never counting another session's data.
#include "Fixture.h"
#include "Concurrency.h"
#include "CountGate.h"
#include "QueryModel.h"
#include "Transaction.h"

#include <QThread>

#include <condition_variable>
#include <mutex>

namespace {

// Holds each count until the test has seen it start, then lets it run while the test acts: the
// count is under way on its own thread as the list or the data module goes.
class CountUnderWay {
public:
    CountUnderWay() {
        kestrum::setBackgroundCountGate([this] {
            std::unique_lock hold(lock_);
            started_ = true;
            changed_.notify_all();
            changed_.wait(hold, [this] { return go_; });
        });
    }
    ~CountUnderWay() {
        letRun();
        kestrum::settleBackgroundCounts();
        kestrum::setBackgroundCountGate({});
    }
    CountUnderWay(const CountUnderWay&) = delete;
    CountUnderWay& operator=(const CountUnderWay&) = delete;

    void waitForStart() {
        std::unique_lock hold(lock_);
        changed_.wait(hold, [this] { return started_; });
    }
    void letRun() {
        std::lock_guard hold(lock_);
        go_ = true;
        changed_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool started_ = false;
    bool go_ = false;
};

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
    // The window's connection closed and opened under its own name on another database, which
    // holds 300 customers and a last one, 9999.
    void reachAnotherDatabase() {
        other_ = std::make_unique<testsupport::TestDatabase>(GetParam());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "create-other");
            db.setDatabaseName(QString::fromStdString(other_->kestrumConnection()));
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            kestrum::schema::createDatabase(db);
            db.close();
        }
        QSqlDatabase::removeDatabase("create-other");
        {
            QSqlDatabase db = dm_->database();
            db.close();
            db.setDatabaseName(QString::fromStdString(other_->kestrumConnection()));
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            kestrum::prepareSession(db);
        }
        addCustomers(1, 300);
        exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {9999, "Last"});
    }

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
    q.Close();
    ASSERT_NO_FATAL_FAILURE(reachAnotherDatabase());
    const int before = kestrum::backgroundCountConnectionsMade();
    open(q, "Select ID_Customer, Name_Customer From Customer");
    ASSERT_TRUE(q.countPending());
    gate.open();
    EXPECT_EQ(model.rowCount(), 301);
    EXPECT_EQ(model.data(model.index(300, 0)).toString(), "9999");
    EXPECT_EQ(kestrum::backgroundCountConnectionsMade() - before, 1);
}

TEST_P(KeptCountTest, ACountAskedBeforeTheConnectionReachesAnotherDatabaseIsNeverShownThere) {
    testsupport::CountGate gate;
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    ASSERT_NO_FATAL_FAILURE(countOnce(gate, q, model));
    // The first database's 700 customers are listed again; their count waits while the connection
    // goes over to the other database, where the list is opened anew.
    open(q, "Select ID_Customer, Name_Customer From Customer");
    ASSERT_TRUE(q.countPending());
    ASSERT_NO_FATAL_FAILURE(reachAnotherDatabase());
    open(q, "Select ID_Customer, Name_Customer From Customer");
    ASSERT_TRUE(q.countPending());
    gate.open();  // the old session's count runs first, then the new one's
    EXPECT_FALSE(q.countPending());
    EXPECT_EQ(model.rowCount(), 301);
    EXPECT_EQ(model.data(model.index(300, 0)).toString(), "9999");

    // The next count of the list is of the new database too.
    gate.hold();
    addCustomers(301, 310);
    open(q, "Select ID_Customer, Name_Customer From Customer");
    gate.open();
    EXPECT_EQ(model.rowCount(), 311);
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

TEST_P(KeptCountTest, ACountUnderWayWhenItsListOrTheDataModuleGoesIsWaitedForAndHandedToNobody) {
    addCustomers(1, 700);
    const QString select = "Select ID_Customer, Name_Customer From Customer";
    {
        // A list of a window of its own, closed while its count runs.
        CountUnderWay count;
        auto list = std::make_unique<kestrum::Query>(dm_->database(), "QWindowList");
        auto model = std::make_unique<kestrum::QueryModel>(list.get());
        list->setCountFollows(true);
        open(*list, select);
        ASSERT_TRUE(list->countPending());
        count.waitForStart();
        count.letRun();
        model.reset();
        list.reset();
        kestrum::settleBackgroundCounts();
        QCoreApplication::processEvents();
    }
    {
        // The data module closes while a list of its own is being counted: the count ends before
        // the connection does, and its counting connection goes with the session.
        CountUnderWay count;
        kestrum::Query& q = *dm_->QCustomer1;
        auto model = std::make_unique<kestrum::QueryModel>(&q);
        q.setCountFollows(true);
        open(q, select);
        ASSERT_TRUE(q.countPending());
        count.waitForStart();
        count.letRun();
        model.reset();
        dm_.reset();
        QCoreApplication::processEvents();
    }
    dm_ = std::make_unique<TDM>(QString::fromStdString(tdb_->kestrumConnection()));
    if (postgres()) {
        EXPECT_EQ(otherBackends(0), 0);
    }
    // The next session counts on a connection made for it.
    testsupport::CountGate gate;
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    q.setCountFollows(true);
    const int before = kestrum::backgroundCountConnectionsMade();
    open(q, select);
    ASSERT_TRUE(q.countPending());
    gate.open();
    EXPECT_FALSE(q.countPending());
    EXPECT_EQ(model.rowCount(), 700);
    EXPECT_EQ(kestrum::backgroundCountConnectionsMade() - before, 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, KeptCountTest, TESTSUPPORT_ENGINES);

}  // namespace

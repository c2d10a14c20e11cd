// The engine's answers a connection keeps (which engine, whether text orders by character codes)
// follow the database it reaches: a reconnect under the same name to the other engine, or to a
// database that collates otherwise, is asked again.
#include "Concurrency.h"
#include "Session.h"
#include "TestDatabase.h"

#include <QCoreApplication>
#include <QSqlError>

#include <gtest/gtest.h>

#include <regex>

namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::postgresAvailable()) GTEST_SKIP() << "needs both engines (TEST_PG_ODBC)";
        db_ = QSqlDatabase::addDatabase("QODBC", "session-test");
    }
    void TearDown() override {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase("session-test");
    }
    // Opens the connection again, as the program's reconnect does.
    void reopenOn(const std::string& connection) {
        db_.close();
        db_.setDatabaseName(QString::fromStdString(connection));
        ASSERT_TRUE(db_.open()) << db_.lastError().text().toStdString();
        kestrum::prepareSession(db_);
    }
    QSqlDatabase db_;
};

TEST_F(SessionTest, TheEnginesAnswersFollowAReconnectUnderTheSameName) {
    testsupport::TestDatabase sqlite(testsupport::Engine::SQLite);
    testsupport::TestDatabase postgres(testsupport::Engine::PostgreSQL);
    reopenOn(sqlite.kestrumConnection());
    EXPECT_FALSE(kestrum::isPostgreSQL(db_));
    EXPECT_TRUE(kestrum::codeOrdered(db_));
    reopenOn(postgres.kestrumConnection());
    EXPECT_TRUE(kestrum::isPostgreSQL(db_));
    EXPECT_TRUE(kestrum::isPostgreSQL(db_));  // kept
    reopenOn(sqlite.kestrumConnection());
    EXPECT_FALSE(kestrum::isPostgreSQL(db_));
    // Also when something opens it again without the program's session set-up.
    db_.close();
    db_.setDatabaseName(QString::fromStdString(postgres.kestrumConnection()));
    ASSERT_TRUE(db_.open());
    EXPECT_TRUE(kestrum::isPostgreSQL(db_));
    db_.close();
    EXPECT_FALSE(kestrum::isPostgreSQL(db_));  // closed: no engine to ask
}

TEST_F(SessionTest, TheCollationAnswerFollowsAReconnectToADatabaseThatCollatesOtherwise) {
    testsupport::TestDatabase plain(testsupport::Engine::PostgreSQL);
    const std::string name = "kt_icu_" + std::to_string(QCoreApplication::applicationPid());
    try {
        testsupport::execOn(testsupport::postgresAdminConnection(),
                            "CREATE DATABASE " + name + " TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'en-US' "
                            "LOCALE 'C.UTF-8'");
    } catch (const std::exception& e) {
        GTEST_SKIP() << "no ICU collations on the test server: " << e.what();
    }
    const std::string icu = std::regex_replace(plain.kestrumConnection(), std::regex("Database=[^;]*", std::regex::icase),
                                               "Database=" + name);
    reopenOn(plain.kestrumConnection());
    EXPECT_TRUE(kestrum::codeOrdered(db_));
    reopenOn(icu);
    // datcollate still says C.UTF-8; the ICU default collation is what orders.
    EXPECT_FALSE(kestrum::codeOrdered(db_));
    reopenOn(plain.kestrumConnection());
    EXPECT_TRUE(kestrum::codeOrdered(db_));
    db_.close();
    testsupport::execOn(testsupport::postgresAdminConnection(), "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

}  // namespace

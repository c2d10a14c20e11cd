// A private PostgreSQL server restarted (or stopped) under an open window: the next action says
// clearly that the connection was lost, the connection comes back, what was typed stays in the
// boxes and doing the action again saves it.
#include "TCustomer.h"
#include "Transaction.h"
#include "WindowTest.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

// Runs the repository's server script; returns its output, "" on failure.
QString serverScript(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("bash"), QStringList{QStringLiteral(PG_TEST_SERVER_SCRIPT)} + args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s\n", p.readAllStandardError().constData());
        return {};
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

class ServerRestartTest : public testsupport::WindowTest {
protected:
    static inline QTemporaryDir* dir_ = nullptr;
    static inline QString port_;
    static inline QString conn_;

    static void SetUpTestSuite()
    {
        if (!QFile::exists(QStringLiteral("/usr/lib/postgresql/15/bin/pg_ctl")))
            return;
        dir_ = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/kestrum-restart-XXXXXX"));
        for (int attempt = 0; attempt < 5 && conn_.isEmpty(); ++attempt) {
            port_ = QString::number(40000 + QRandomGenerator::global()->bounded(20000));
            conn_ = serverScript({QStringLiteral("start"), dir_->path(), port_});
        }
    }

    static void TearDownTestSuite()
    {
        if (dir_)
            serverScript({QStringLiteral("stop"), dir_->path()});
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override
    {
        if (conn_.isEmpty())
            GTEST_SKIP() << "no private PostgreSQL server (PostgreSQL 15 binaries missing or start failed)";
        // The fixture makes its database on the server TEST_PG_ODBC names: point it at ours.
        setenv("TEST_PG_ODBC", conn_.toLocal8Bit().constData(), 1);
        openDatabase(testsupport::Engine::PostgreSQL);
    }

    static void stopServer() { ASSERT_EQ(serverScript({QStringLiteral("stop"), dir_->path()}), QString()); }
    static void startServer() { ASSERT_FALSE(serverScript({QStringLiteral("start"), dir_->path(), port_}).isEmpty()); }
    static void restartServer()
    {
        stopServer();
        startServer();
    }

    bool lostMessage(const QString& fragment) const
    {
        for (const QString& e : dialogs_->errors())
            if (e.contains(QStringLiteral("connection to the database")) && e.contains(fragment))
                return true;
        return false;
    }
};

TEST_F(ServerRestartTest, SaveAfterARestartSaysSoKeepsWhatWasTypedAndTheRetrySaves)
{
    TCustomer* w = open<TCustomer>();
    click(w, "Button2");
    const QString key = text(w, "Edit1");
    setText(w, "Edit2", "Ann O'Neil");
    setText(w, "Edit3", "(209) 555-0101");

    restartServer();
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_TRUE(lostMessage("has been made again")) << dialogs_->last().toStdString();
    EXPECT_TRUE(dialogs_->messages().isEmpty()) << "no success may be reported";
    EXPECT_EQ(text(w, "Edit1"), key);
    EXPECT_EQ(text(w, "Edit2"), "Ann O'Neil");
    EXPECT_EQ(text(w, "Edit3"), "(209) 555-0101");

    // The connection is back: the same Save now goes through.
    dialogs_->clear();
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join(" | ").toStdString();
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(scalar("Select Name_Customer From Customer where ID_Customer=?", {key.toLongLong()}), "Ann O'Neil");
    EXPECT_EQ(count("Customer"), 1);
}

TEST_F(ServerRestartTest, WhileTheServerIsDownEachActionSaysSoAndTheFirstOneAfterItWorks)
{
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {qint64(4), QStringLiteral("Bob")});
    TCustomer* w = open<TCustomer>();
    click(w, "Button2");
    setText(w, "Edit2", "Cy");

    stopServer();
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_TRUE(lostMessage("could not be made again")) << dialogs_->last().toStdString();
    dialogs_->clear();
    click(w, "Button5");  // Refresh: still down
    EXPECT_TRUE(lostMessage("could not be made again")) << dialogs_->last().toStdString();
    EXPECT_EQ(text(w, "Edit2"), "Cy") << "a failed refresh must not clear the boxes";

    startServer();
    dialogs_->clear();
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join(" | ").toStdString();
    EXPECT_EQ(scalar("Select Count(*) From Customer where Name_Customer=?", {QStringLiteral("Cy")}), "1");
    EXPECT_EQ(count("Customer"), 2);
}

TEST_F(ServerRestartTest, ALostConnectionInsideATransactionSaysTheWorkWasUndone)
{
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {qint64(1), QStringLiteral("Kept")});
    try {
        kestrum::Transaction t(DM->database());
        exec("Update Customer Set Name_Customer=? where ID_Customer=?", {QStringLiteral("Half"), qint64(1)});
        restartServer();
        exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {qint64(2), QStringLiteral("Lost")});
        t.commit();
        ADD_FAILURE() << "the statement after the restart went through";
    } catch (const kestrum::DatabaseError& e) {
        EXPECT_TRUE(e.message().contains("work in progress was undone")) << e.message().toStdString();
    }
    // A fresh session: nothing of the transaction, the earlier row as it was.
    EXPECT_EQ(scalar("Select Name_Customer From Customer where ID_Customer=?", {qint64(1)}), "Kept");
    EXPECT_EQ(count("Customer"), 1);
}

TEST_F(ServerRestartTest, AStatementThatIsSimplyWrongKeepsItsOwnErrorAndTheSession)
{
    // A temporary table lives only as long as the session: it shows no reconnect happened.
    exec("Create Temporary Table Scratch (X integer)");
    exec("Insert Into Scratch (X) Values (?)", {qint64(7)});
    try {
        exec("Insert Into NoSuchTable (X) Values (?)", {qint64(1)});
        ADD_FAILURE() << "a statement on a missing table went through";
    } catch (const kestrum::DatabaseError& e) {
        EXPECT_TRUE(e.message().startsWith("Q5: ")) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains("connection to the database")) << e.message().toStdString();
    }
    EXPECT_EQ(scalar("Select X From Scratch"), "7");
}

}  // namespace

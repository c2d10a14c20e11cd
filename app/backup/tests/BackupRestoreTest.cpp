// Backup and restore through the Database menu's commands on both engines: a backup holds every
// row, a restore gives every row back and keeps the replaced data as "before-restore", and files
// that are not whole backups of this program are refused with the database untouched.
#include "BackupTestSupport.h"

#include "Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <sys/stat.h>

using namespace kestrum::backup;
using backuptest::BackupTest;
using backuptest::Snapshot;
using testsupport::Engine;

namespace {

unsigned modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

class BackupRestoreTest : public BackupTest {
protected:
    void SetUp() override {
        if (GetParam() == Engine::PostgreSQL && QStandardPaths::findExecutable("pg_dump").isEmpty())
            GTEST_SKIP() << "pg_dump is not on the path (Debian package postgresql-client-15)";
        BackupTest::SetUp();
    }

    QString beforeRestoreCopy() {
        for (const BackupFile& f : backupsIn(folder()))
            if (f.kind == Kind::BeforeRestore) return f.path;
        return {};
    }

    QString extension() const { return postgres() ? ".dump" : ".db"; }

    // The restore the menu starts, confirmed; the program would now close and reopen.
    void restoreConfirmed(const QString& file) {
        dialogs_->answerYes(postgres() ? 2 : 1);  // PostgreSQL asks again: the database is not empty
        restoreDatabase(file);
        ASSERT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
        ASSERT_TRUE(restorePending());
        closeDatabase();
        ASSERT_TRUE(finishRestore());
        reopenDatabase();
    }
};

TEST_P(BackupRestoreTest, RestoreGivesBackEveryRowAndKeepsTheReplacedData) {
    fill(30);
    const Snapshot original = live();
    const QString file = dir_.filePath("shop" + extension());
    setFileChooser([&](bool save, const QString& suggestion) {
        EXPECT_TRUE(save);
        EXPECT_TRUE(QFileInfo(suggestion).fileName().startsWith("kestrum-"));
        return file;
    });
    backUpNow();
    ASSERT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(backupContents(file), original);

    // Work goes on after the backup.
    fill(5, 100);
    exec("Delete From Customer Where ID_Customer = ?", {3});
    exec("Update Part Set Price_Material = ? Where ID_Material = ?", {99.99, 4});
    const Snapshot changed = live();
    ASSERT_NE(changed, original);

    // Answering No to the confirmation changes nothing.
    dialogs_->answerNo();
    restoreDatabase(file);
    ASSERT_EQ(dialogs_->confirmations().size(), 1);
    EXPECT_TRUE(dialogs_->confirmations()[0].contains("30 invoices, 30 customers and 30 parts"))
        << dialogs_->confirmations()[0].toStdString();
    EXPECT_FALSE(restorePending());
    EXPECT_EQ(beforeRestoreCopy(), "");
    EXPECT_EQ(live(), changed);

    dialogs_->clear();
    restoreConfirmed(file);
    EXPECT_EQ(live(), original);
    const QString before = beforeRestoreCopy();
    ASSERT_NE(before, "");
    EXPECT_EQ(modeOf(before), 0600u);
    EXPECT_EQ(modeOf(folder()), 0700u);
    EXPECT_EQ(backupContents(before), changed);
    EXPECT_TRUE(dialogs_->messages().last().contains("was restored")) << dialogs_->last().toStdString();
}

TEST_P(BackupRestoreTest, RefusesTruncatedRandomAndForeignFilesWithTheDatabaseUntouched) {
    fill(20);
    const QString good = dir_.filePath("good" + extension());
    backUp(where(), good);
    const Snapshot before = live();

    const QString truncated = dir_.filePath("truncated" + extension());
    {
        QFile in(good), out(truncated);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(in.read(in.size() / 2));
    }
    const QString random = dir_.filePath("random" + extension());
    {
        QFile out(random);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        QByteArray bytes(64 * 1024, '\0');
        QRandomGenerator rng(22);
        for (char& b : bytes) b = char(rng.generate());
        out.write(bytes);
    }
    // A whole, healthy database of some other program.
    const QString foreign = dir_.filePath("foreign" + extension());
    testsupport::TestDatabase other(GetParam());
    other.exec("CREATE TABLE Invoice (Number INTEGER, Total NUMERIC(19,2))");
    other.exec("INSERT INTO Invoice (Number, Total) VALUES (1, 2)");
    if (postgres()) {
        PgTarget t = where().pg;
        t.database = QString::fromStdString(other.connectionString()).section("Database=", 1).section(';', 0, 0);
        QProcess dump;
        dump.start(pgTool("pg_dump"), {"--no-password", "--host", t.host, "--port", t.port, "--username", t.user,
                                      "--format=custom", "--file", foreign, t.database});
        ASSERT_TRUE(dump.waitForFinished(60000));
        ASSERT_EQ(dump.exitCode(), 0) << dump.readAllStandardError().toStdString();
    } else {
        const std::string conn = other.connectionString();
        const QString path = QString::fromStdString(conn).section("Database=", 1).section(';', 0, 0);
        ASSERT_TRUE(QFile::copy(path, foreign));
    }

    for (const QString& bad : {truncated, random, foreign, dir_.filePath("missing" + extension())}) {
        SCOPED_TRACE(bad.toStdString());
        dialogs_->clear();
        restoreDatabase(bad);
        EXPECT_TRUE(dialogs_->confirmations().isEmpty());
        ASSERT_EQ(dialogs_->errors().size(), 1);
        EXPECT_FALSE(restorePending());
        EXPECT_THROW(inspect(where(), bad), BackupError);
    }
    EXPECT_TRUE(dialogs_->errors()[0].size() > 10);
    EXPECT_EQ(beforeRestoreCopy(), "");
    EXPECT_EQ(live(), before);
    EXPECT_NO_THROW(inspect(where(), good));
}

TEST_P(BackupRestoreTest, CheckReportsIntegrityAndMissingTables) {
    fill(3);
    checkDatabase();
    ASSERT_EQ(dialogs_->messages().size(), 1);
    const QString ok = dialogs_->messages()[0];
    EXPECT_TRUE(ok.contains(postgres() ? "PostgreSQL checks its own storage" : "Integrity check: ok.")) << ok.toStdString();
    EXPECT_TRUE(ok.contains("every table and column")) << ok.toStdString();

    exec("DROP TABLE Deposit");
    dialogs_->clear();
    checkDatabase();
    ASSERT_EQ(dialogs_->messages().size(), 1);
    EXPECT_TRUE(dialogs_->messages()[0].contains("Table Deposit is missing")) << dialogs_->messages()[0].toStdString();
}

TEST_P(BackupRestoreTest, DatabaseMenuSitsAfterTheOthersAndRunsItsCommands) {
    QMainWindow w;
    w.menuBar()->addMenu("&Window");
    w.menuBar()->addMenu("&Help");
    QMenu* menu = addDatabaseMenu(&w);
    const QList<QAction*> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), "&Window");
    EXPECT_EQ(top[2]->menu(), menu);
    QStringList items;
    for (QAction* a : menu->actions()) items << a->text();
    EXPECT_EQ(items, QStringList({"&Back Up Database…", "&Restore Database…", "&Check Database", "Backup &Settings…"}));

    const QString file = dir_.filePath("from-menu" + extension());
    setFileChooser([&](bool, const QString&) { return file; });
    menu->findChild<QAction*>("BackUpItem")->trigger();
    EXPECT_TRUE(dialogs_->messages().value(0).contains("backed up")) << dialogs_->last().toStdString();
    EXPECT_NO_THROW(inspect(where(), file));

    // A cancelled file choice does nothing.
    setFileChooser([](bool, const QString&) { return QString(); });
    dialogs_->clear();
    menu->findChild<QAction*>("RestoreItem")->trigger();
    EXPECT_TRUE(dialogs_->shown().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Engines, BackupRestoreTest, TESTSUPPORT_ENGINES);

}  // namespace

// The embedded database's own safety: a backup taken while a list is half read and while another
// connection writes is a consistent copy; automatic backups at close and start; a failing one is
// said once at the next start; damage found at start offers the newest good backup; a backup or
// restore killed at any moment leaves the database whole and no bad file under a final name.
#include "BackupTestSupport.h"
#include "PartialFile.h"

#include "Schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sqlite3.h>

#include <chrono>
#include <thread>

#include <atomic>
#include <csignal>
#include <random>
#include <chrono>
#include <thread>

using namespace kestrum::backup;
using backuptest::BackupTest;
using backuptest::Snapshot;
using testsupport::Engine;

namespace {

class SqliteSafetyTest : public BackupTest {
protected:
    QString liveFile() { return where().file; }

    // Many rows quickly, through SQLite itself (a database worth killing a backup in).
    static void bulkLines(const QString& file, int rows) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 10000);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
                           "VALUES (?, ?, 1, ?, 2.5, 2.5)",
                           -1, &st, nullptr);
        const std::string name(120, 'x');
        for (int i = 0; i < rows; ++i) {
            sqlite3_bind_int(st, 1, i / 10);
            sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_STATIC);
            const std::string pn = "PN-" + std::to_string(i);
            sqlite3_bind_text(st, 3, pn.c_str(), -1, SQLITE_TRANSIENT);
            ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        ASSERT_EQ(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    // Every file under a final backup name in `dir` passes the restore check.
    static void everyFinalFileChecks(const QString& dir) {
        for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) {
            if (isPartialName(name)) continue;
            EXPECT_NO_THROW(inspectSqliteBackup(QDir(dir).filePath(name))) << name.toStdString();
        }
    }

    // Starts the program's command line on the test's folders; kills it after `killAfterMs`
    // (never when negative). Returns whether it was still running when killed.
    bool runKestrum(const QStringList& args, int killAfterMs, const QByteArray& input = {}, int* exitCode = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", dir_.filePath("data"));
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        p.setProcessEnvironment(env);
        p.start(KESTRUM_BINARY, QStringList{"--connect", sqliteConnectionText()} + args);
        EXPECT_TRUE(p.waitForStarted(30000));
        if (!input.isEmpty()) {
            p.write(input);
            p.closeWriteChannel();
        }
        bool killed = false;
        if (killAfterMs >= 0) {
            QThread::msleep(killAfterMs);
            if (p.state() == QProcess::Running) {
                ::kill(pid_t(p.processId()), SIGKILL);
                killed = true;
            }
        }
        p.waitForFinished(120000);
        if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        if (!killed && p.exitCode() != 0)
            ADD_FAILURE() << p.readAllStandardOutput().toStdString() << p.readAllStandardError().toStdString();
        return killed;
    }
    QString sqliteConnectionText() { return backuptest::sqliteConnection(liveFile_); }
    QString liveFile_;
};

TEST_P(SqliteSafetyTest, BackupWhileAListIsHalfReadEqualsTheLiveDatabase) {
    fill(400);
    kestrum::Query* list = DM->QCustomer1;
    list->Clear();
    list->Add("Select * From Customer Order By ID_Customer");
    list->Open();
    ASSERT_TRUE(list->canFetchMore()) << "the list is read whole: nothing half read";
    const QString file = dir_.filePath("half-read.db");
    backUp(where(), file);
    EXPECT_EQ(backuptest::snapshot(backuptest::sqliteConnection(file)), live());
    // The list reads on undisturbed.
    EXPECT_EQ(list->RecordCount(), 400);
}

TEST_P(SqliteSafetyTest, BackupWhileAnotherConnectionWritesIsOneMomentOfIt) {
    fill(50);
    bulkLines(liveFile(), 30000);
    const Snapshot before = live();
    std::atomic<bool> stop{false};
    std::atomic<int> written{0};
    std::thread writer([&, file = liveFile()] {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(file).constData(), &db);
        sqlite3_busy_timeout(db, 20000);
        // Each step adds a customer and its invoice together: a copy must hold both or neither.
        for (int i = 10000; !stop; ++i) {
            const std::string sql = "BEGIN; INSERT INTO Customer (ID_Customer, Name_Customer) VALUES (" +
                                    std::to_string(i) + ", 'w'); INSERT INTO Invoice (InvoiceNo_Inv, CustomerName_Inv) "
                                    "VALUES (" + std::to_string(i) + ", 'w'); COMMIT;";
            if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                continue;
            }
            ++written;
            // A breath between steps, as a counter has: a writer that never lets go can keep a
            // reader out past its lock wait on a loaded machine.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sqlite3_close(db);
    });
    QStringList files;
    for (int i = 0; i < 4; ++i) {
        while (written < 20 * (i + 1)) QThread::msleep(2);
        files << dir_.filePath(QStringLiteral("during-%1.db").arg(i));
        EXPECT_NO_THROW(backUp(where(), files.last()));
    }
    stop = true;
    writer.join();
    const Snapshot after = live();
    for (const QString& f : files) {
        SCOPED_TRACE(f.toStdString());
        const Snapshot copy = backuptest::snapshot(backuptest::sqliteConnection(f));
        // Tables the writer did not touch are as they were; the others hold a prefix of its steps,
        // each step whole.
        for (auto it = before.begin(); it != before.end(); ++it)
            if (it.key() != "Customer" && it.key() != "Invoice") {
                EXPECT_EQ(copy.value(it.key()), it.value()) << it.key().toStdString();
            }
        const qsizetype steps = copy.value("Customer").size() - before.value("Customer").size();
        EXPECT_GE(steps, 1);
        EXPECT_EQ(copy.value("Invoice").size() - before.value("Invoice").size(), steps);
        for (const QString& row : copy.value("Customer")) EXPECT_TRUE(after.value("Customer").contains(row));
        for (const QString& row : copy.value("Invoice")) EXPECT_TRUE(after.value("Invoice").contains(row));
    }
}

TEST_P(SqliteSafetyTest, AutomaticBackupsAtCloseAndAtStartWhenOlderThanADay) {
    fill(10);
    atClose();
    EXPECT_TRUE(dialogs_->shown().isEmpty());
    QList<BackupFile> copies = backupsIn(folder());
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(copies[0].kind, Kind::Automatic);
    EXPECT_EQ(QFileInfo(folder()).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther), 0);
    EXPECT_EQ(backuptest::snapshot(backuptest::sqliteConnection(copies[0].path)), live());

    atStart();  // the last copy is fresh: no new one
    waitForStartCheck();
    EXPECT_TRUE(dialogs_->shown().isEmpty()) << dialogs_->last().toStdString();
    EXPECT_EQ(backupsIn(folder()).size(), 1);

    // Two days later.
    const QString old = QDir(folder()).filePath(
        backupFileName("", copies[0].when.addDays(-2), Kind::Automatic, false));
    ASSERT_TRUE(QFile::rename(copies[0].path, old));
    atStart();
    waitForStartCheck();
    copies = backupsIn(folder());
    ASSERT_EQ(copies.size(), 2);
    EXPECT_GT(copies[0].when, QDateTime::currentDateTime().addSecs(-60));

    saveSettings({folder(), false, 7, 12});
    atClose();
    EXPECT_EQ(backupsIn(folder()).size(), 2);
}

TEST_P(SqliteSafetyTest, AFailedAutomaticBackupNeverStopsClosingAndIsSaidOnceAtTheNextStart) {
    fill(3);
    QFile blocker(dir_.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    saveSettings({dir_.filePath("not-a-folder/backups"), true, 7, 12});
    atClose();
    EXPECT_TRUE(dialogs_->shown().isEmpty());

    saveSettings({folder(), true, 7, 12});
    atStart();
    waitForStartCheck();
    ASSERT_EQ(dialogs_->messages().size(), 1);
    EXPECT_TRUE(dialogs_->messages()[0].contains("The last automatic backup failed")) << dialogs_->last().toStdString();
    EXPECT_TRUE(dialogs_->messages()[0].contains("not-a-folder")) << dialogs_->last().toStdString();
    dialogs_->clear();
    atStart();
    waitForStartCheck();
    EXPECT_TRUE(dialogs_->messages().isEmpty());
}

TEST_P(SqliteSafetyTest, DamageFoundAtStartOffersTheNewestGoodBackup) {
    fill(300);
    bulkLines(liveFile(), 20000);
    atClose();  // a good automatic copy
    const Snapshot good = live();
    const QString file = liveFile();
    closeDatabase();
    {
        // Garbage over the last third of the file (the line table's pages; the profile row is early).
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 size = f.size();
        f.seek(size - size / 3);
        f.write(QByteArray(int(size / 3 - 4096), char(0x5a)));
    }
    reopenDatabase();
    dialogs_->answerYes(2);  // restore the offered backup; confirm the restore
    atStart();
    waitForStartCheck();
    ASSERT_GE(dialogs_->confirmations().size(), 1);
    EXPECT_TRUE(dialogs_->confirmations()[0].contains("found damage")) << dialogs_->confirmations()[0].toStdString();
    EXPECT_TRUE(dialogs_->confirmations()[0].contains("-auto.db")) << dialogs_->confirmations()[0].toStdString();
    ASSERT_TRUE(restorePending()) << dialogs_->last().toStdString();
    closeDatabase();
    finishRestore();
    reopenDatabase();
    EXPECT_EQ(integrityCheck(file, false), "ok");
    EXPECT_EQ(live(), good);
    // The damaged database is kept too, byte for byte.
    bool kept = false;
    for (const QString& name : QDir(folder()).entryList(QDir::Files))
        kept = kept || name.endsWith("-before-restore.db.damaged");
    EXPECT_TRUE(kept);
}

TEST_P(SqliteSafetyTest, KilledBackupOrRestoreLeavesTheDatabaseWholeAndNoBadBackup) {
    fill(50);
    bulkLines(liveFile(), 150000);
    liveFile_ = liveFile();
    closeDatabase();
    const QString file = liveFile_;
    const TableCounts original = verifyCopy(file);
    const QString target = dir_.filePath("out/kill.db");
    QDir().mkpath(dir_.filePath("out"));

    QElapsedTimer t;
    t.start();
    runKestrum({"--backup", target}, -1);
    const int full = int(t.elapsed());
    ASSERT_NO_THROW(inspectSqliteBackup(target));

    std::mt19937 rng(2212);
    int midway = 0;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("backup round " + std::to_string(round));
        QFile::remove(target);
        midway += runKestrum({"--backup", target}, std::uniform_int_distribution<int>(0, full)(rng));
        EXPECT_EQ(integrityCheck(file, false), "ok");
        EXPECT_EQ(verifyCopy(file), original);
        everyFinalFileChecks(dir_.filePath("out"));
    }
    EXPECT_GT(midway, 0) << "no kill landed while the backup ran (" << full << " ms)";

    // The restore puts back `target` (the original) over a database with more lines.
    QFile::remove(target);
    runKestrum({"--backup", target}, -1);
    bulkLines(file, 5000);
    const TableCounts changed = verifyCopy(file);
    t.restart();
    int rc = 0;
    runKestrum({"--restore", target}, -1, "yes\n", &rc);
    const int fullRestore = int(t.elapsed());
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(verifyCopy(file), original);
    bulkLines(file, 5000);

    midway = 0;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("restore round " + std::to_string(round));
        midway += runKestrum({"--restore", target}, std::uniform_int_distribution<int>(0, fullRestore)(rng), "yes\n");
        EXPECT_EQ(integrityCheck(file, false), "ok");
        const TableCounts now = verifyCopy(file);
        EXPECT_TRUE(now == original || now == changed);
        everyFinalFileChecks(dir_.filePath("data/kestrum/backups"));
        if (now == original) bulkLines(file, 5000);  // back to the changed state for the next round
    }
    EXPECT_GT(midway, 0) << "no kill landed while the restore ran (" << fullRestore << " ms)";
}

// The full check runs in pieces side by side; it must find all that SQLite's one-piece
// integrity_check finds, here index entries that no longer match their rows in two tables, which
// quick_check does not look for.
TEST(SqliteFullCheck, FindsWhatTheOnePieceCheckFinds) {
    QTemporaryDir dir;
    const QString file = dir.filePath("damaged.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    const char* build =
        "CREATE TABLE t (id INTEGER PRIMARY KEY, a TEXT, b TEXT);"
        "CREATE INDEX ix_t_a ON t(a);"
        "CREATE TABLE u (id INTEGER PRIMARY KEY, c TEXT, d TEXT);"
        "CREATE UNIQUE INDEX ux_u_c ON u(c);"
        "CREATE TABLE v (id INTEGER PRIMARY KEY, e TEXT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6) "
        "INSERT INTO t SELECT i, 'a' || i, 'b' || i FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5) "
        "INSERT INTO u SELECT i, 'c' || i, 'same' FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
        "INSERT INTO v SELECT i, 'e' || i FROM n;";
    ASSERT_EQ(sqlite3_exec(db, build, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
    EXPECT_EQ(integrityCheck(file, false), "ok");

    // The indexes' declarations changed under them: their entries no longer match the rows.
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    const char* damage =
        "PRAGMA writable_schema = ON;"
        "UPDATE sqlite_master SET sql = 'CREATE INDEX ix_t_a ON t(b)' WHERE name = 'ix_t_a';"
        "UPDATE sqlite_master SET sql = 'CREATE UNIQUE INDEX ux_u_c ON u(d)' WHERE name = 'ux_u_c';";
    ASSERT_EQ(sqlite3_exec(db, damage, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);

    QStringList onePiece;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_exec(
        db, "PRAGMA integrity_check(1000)",
        [](void* out, int, char** v, char**) {
            *static_cast<QStringList*>(out) << QString::fromUtf8(v[0]);
            return 0;
        },
        &onePiece, nullptr);
    sqlite3_close(db);
    ASSERT_NE(onePiece, QStringList{"ok"});

    EXPECT_EQ(integrityCheck(file, true), "ok") << "the damage is one quick_check sees";
    const QString report = integrityCheck(file, false);
    QStringList pieces = report.split('\n');
    EXPECT_TRUE(report.contains("ix_t_a")) << report.toStdString();
    EXPECT_TRUE(report.contains("ux_u_c")) << report.toStdString();
    // At most 20 lines are reported; those are lines the one-piece check gives too.
    EXPECT_LE(pieces.size(), 20);
    for (const QString& line : pieces) EXPECT_TRUE(onePiece.contains(line)) << line.toStdString();
    if (onePiece.size() <= 20) {
        pieces.sort();
        onePiece.sort();
        EXPECT_EQ(pieces, onePiece);
    }
    EXPECT_THROW(verifyCopy(file), BackupError);
    EXPECT_THROW(inspectSqliteBackup(file), BackupError);
}

INSTANTIATE_TEST_SUITE_P(Engines, SqliteSafetyTest, ::testing::Values(Engine::SQLite),
                         [](const ::testing::TestParamInfo<Engine>& i) { return testsupport::engineName(i.param); });

}  // namespace

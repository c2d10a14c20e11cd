// The check of a copy runs in pieces on both cores, the heaviest first: damage is reported
// whichever piece meets it (the first to start or the last), a cancel while the copy is checked
// leaves nothing under the final name, and a database with a write-ahead log (whose rows are
// counted on the copy's own connection) is copied and verified too.
#include "PartialFile.h"
#include "SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>

using namespace kestrum::backup;

namespace {

void run(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// One large table, three middling ones and a tiny one, each with an index: the large table's
// check is the first piece to start, the tiny one's among the last.
void buildShop(const QString& file) {
    run(file,
        "CREATE TABLE big (id INTEGER PRIMARY KEY, a TEXT, b TEXT, c TEXT);"
        "CREATE INDEX ix_big_a ON big(a);"
        "CREATE INDEX ix_big_c ON big(c);"
        "CREATE TABLE mid1 (id INTEGER PRIMARY KEY, a TEXT, b TEXT);"
        "CREATE INDEX ix_mid1_a ON mid1(a);"
        "CREATE TABLE mid2 (id INTEGER PRIMARY KEY, a TEXT, b TEXT);"
        "CREATE INDEX ix_mid2_a ON mid2(a);"
        "CREATE TABLE mid3 (id INTEGER PRIMARY KEY, a TEXT, b TEXT);"
        "CREATE INDEX ix_mid3_a ON mid3(a);"
        "CREATE TABLE tiny (id INTEGER PRIMARY KEY, a TEXT, b TEXT);"
        "CREATE INDEX ix_tiny_a ON tiny(a);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
        "INSERT INTO big SELECT i, 'a' || i, 'b' || (i % 97), 'c' || (i * 7) FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO mid1 SELECT i, 'a' || i, 'b' || (i % 13) FROM n;"
        "INSERT INTO mid2 SELECT * FROM mid1;"
        "INSERT INTO mid3 SELECT * FROM mid1;"
        "INSERT INTO tiny VALUES (1, 'a1', 'x'), (2, 'a2', 'y'), (3, 'a3', 'z');");
}

// The index's declaration changed under it: its entries no longer match the rows, which only the
// full check sees.
void damageIndex(const QString& file, const char* index, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA writable_schema = ON", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_prepare_v2(db, "UPDATE sqlite_master SET sql = ? WHERE name = ?", -1, &st, nullptr), SQLITE_OK);
    sqlite3_bind_text(st, 1, sql, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, index, -1, SQLITE_STATIC);
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db);
    EXPECT_EQ(sqlite3_changes(db), 1);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

QStringList visibleFiles(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }

struct Damage {
    const char* index;
    const char* sql;
};

class SqliteCheckPieces : public ::testing::TestWithParam<Damage> {};

TEST_P(SqliteCheckPieces, DamagedIndexIsReportedAndTheBackupRefused) {
    QTemporaryDir dir;
    const QString file = dir.filePath("shop.db");
    buildShop(file);
    ASSERT_EQ(integrityCheck(file, false), "ok");
    damageIndex(file, GetParam().index, GetParam().sql);

    EXPECT_EQ(integrityCheck(file, true), "ok") << "damage only the full check finds";
    const QString report = integrityCheck(file, false);
    EXPECT_NE(report, "ok");
    EXPECT_TRUE(report.contains(GetParam().index)) << report.toStdString();
    EXPECT_THROW(inspectSqliteBackup(file), BackupError);

    // The menu's backup copies the damage, and its check of the copy refuses it.
    QDir().mkpath(dir.filePath("out"));
    const QString target = dir.filePath("out/shop-backup.db");
    try {
        backupSqliteFile(file, target);
        ADD_FAILURE() << "a damaged copy was accepted";
    } catch (const Cancelled&) {
        ADD_FAILURE() << "reported as cancelled";
    } catch (const BackupError& e) {
        EXPECT_TRUE(e.text().contains(GetParam().index)) << e.what();
    }
    EXPECT_EQ(visibleFiles(dir.filePath("out")), QStringList());
}

INSTANTIATE_TEST_SUITE_P(FirstAndLastPiece, SqliteCheckPieces,
                         ::testing::Values(Damage{"ix_big_a", "CREATE INDEX ix_big_a ON big(b)"},
                                           Damage{"ix_tiny_a", "CREATE INDEX ix_tiny_a ON tiny(b)"}),
                         [](const ::testing::TestParamInfo<Damage>& i) {
                             return std::string(i.index == 0 ? "LargestTable" : "SmallestTable");
                         });

TEST(SqliteCheck, CancelWhileTheCopyIsCheckedLeavesNoFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("shop.db");
    buildShop(file);
    QDir().mkpath(dir.filePath("out"));
    const QString target = dir.filePath("out/shop-backup.db");
    // The check reports progress with no total; the copy with one.
    std::atomic<int> checkCalls{0};
    const Progress cancelInCheck = [&](qint64, qint64 total) { return total > 0 || ++checkCalls < 2; };
    EXPECT_THROW(backupSqliteFile(file, target, cancelInCheck), Cancelled);
    EXPECT_GE(checkCalls.load(), 2);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(visibleFiles(dir.filePath("out")), QStringList());
    // Untouched by it, and a backup without a cancel goes through.
    EXPECT_EQ(integrityCheck(file, false), "ok");
    const TableCounts counts = backupSqliteFile(file, target);
    EXPECT_EQ(counts.value("big"), 40000);
    EXPECT_EQ(counts.value("tiny"), 3);
    EXPECT_EQ(verifyCopy(target, counts), counts);
}

TEST(SqliteCheck, DatabaseWithAWriteAheadLogIsCopiedAndVerified) {
    QTemporaryDir dir;
    const QString file = dir.filePath("shop.db");
    buildShop(file);
    // A writer keeps the log open with rows not yet moved into the database file.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0;"
                                   "INSERT INTO tiny VALUES (4, 'a4', 'w');"
                                   "DELETE FROM mid2 WHERE id > 2000;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(writer);
    const QString target = dir.filePath("copy.db");
    const TableCounts counts = backupSqliteFile(file, target);
    sqlite3_close(writer);
    EXPECT_EQ(counts.value("tiny"), 4);
    EXPECT_EQ(counts.value("mid2"), 2000);
    EXPECT_EQ(counts.value("big"), 40000);
    EXPECT_EQ(verifyCopy(target, counts), counts);
    EXPECT_FALSE(QFile::exists(target + "-wal"));
}

}  // namespace

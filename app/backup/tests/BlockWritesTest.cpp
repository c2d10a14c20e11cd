// The file layer that writes a backup's pages in blocks: a database written through it is byte for
// byte the one SQLite writes through its own layer, whatever mix of writes, reads and truncations
// made it, and a write that fails once gathered is still reported.
#include "BlockWrites.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace kestrum::backup;

namespace {

struct Connection {
    sqlite3* db = nullptr;
    Connection(const QString& file, const char* vfs) {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(file).constData(), &db,
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, vfs),
                  SQLITE_OK);
    }
    ~Connection() { sqlite3_close(db); }
    int exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    QString text(const char* sql) {
        sqlite3_stmt* st = nullptr;
        QString value;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return value;
    }
};

// Writes in order and out of order, pages read back between writes (a small page cache), rows
// deleted and the file shrunk by VACUUM, with and without a journal.
void workload(const QString& file, const char* vfs) {
    Connection c(file, vfs);
    ASSERT_EQ(c.exec("PRAGMA cache_size = 20"), SQLITE_OK);
    ASSERT_EQ(c.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, a TEXT, b BLOB);"
                     "CREATE INDEX ix_t_a ON t(a);"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                     "INSERT INTO t SELECT i, 'a' || (i * 7919 % 20011), zeroblob(i % 900) FROM n;"),
              SQLITE_OK)
        << sqlite3_errmsg(c.db);
    ASSERT_EQ(c.exec("UPDATE t SET a = a || 'x', b = zeroblob(5000) WHERE id % 13 = 0;"
                     "DELETE FROM t WHERE id % 3 = 0;"),
              SQLITE_OK)
        << sqlite3_errmsg(c.db);
    ASSERT_EQ(c.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;"
                     "UPDATE t SET b = NULL WHERE id % 5 = 0;"
                     "VACUUM;"),
              SQLITE_OK)
        << sqlite3_errmsg(c.db);
    EXPECT_EQ(flushBlockWrites(c.db), SQLITE_OK);
    EXPECT_EQ(c.text("PRAGMA integrity_check"), "ok");
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(BlockWrites, ADatabaseWrittenInBlocksIsTheOneSqliteWritesPageByPage) {
    ASSERT_NE(blockWritesVfs(), nullptr);
    EXPECT_STRNE(sqlite3_vfs_find(nullptr)->zName, blockWritesVfs()) << "never made the default";
    QTemporaryDir dir;
    workload(dir.filePath("pages.db"), nullptr);
    workload(dir.filePath("blocks.db"), blockWritesVfs());
    const QByteArray pages = contents(dir.filePath("pages.db")), blocks = contents(dir.filePath("blocks.db"));
    ASSERT_GT(pages.size(), 1 << 20);
    EXPECT_TRUE(pages == blocks) << pages.size() << " bytes against " << blocks.size();
}

// The disk fills up (the system's always-full device): the failure of gathered pages reaches the
// caller even though SQLite ignores it when it comes with an unlock.
TEST(BlockWrites, AFailedWriteIsReportedNotLost) {
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    Connection c("/dev/full", blockWritesVfs());
    ASSERT_NE(c.db, nullptr);
    c.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;");
    const int created = c.exec("CREATE TABLE t (a); INSERT INTO t VALUES (1);");
    const int flushed = flushBlockWrites(c.db);
    EXPECT_TRUE(created != SQLITE_OK || flushed != SQLITE_OK)
        << "a write to a full disk was reported as done";
    EXPECT_NE(flushed, SQLITE_OK) << "the failure must still be there when asked for";
}

} // namespace

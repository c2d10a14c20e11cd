#pragma once
// Backup, check and replacement of an SQLite database file through SQLite's own library, beside
// the program's ODBC connection to the same file.
#include "BackupError.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace kestrum::backup {

/// How thoroughly a copy is checked: integrity_check compares every index with its table (about
/// 11 s of CPU on a twenty-year shop); quick_check checks every page and record but not that
/// (about 1 s). A copy is page for page the database, so quick_check proves the copy whole;
/// integrity_check also finds index damage the database itself had.
enum class Verify { Full, Quick };

/// \brief Copies the database file `live` to `target` with SQLite's online backup, under one read
/// transaction (a consistent copy while other connections read or wait to write), into a
/// temporary file that is renamed to `target` only after it passed verifyCopy. Returns the row
/// counts of the copy. Throws BackupError, or Cancelled when `progress` said stop.
TableCounts backupSqliteFile(const QString& live, const QString& target, const Progress& progress = {},
                             Verify verify = Verify::Full);

/// \brief Opens `path` read-only and checks it: PRAGMA integrity_check (or quick_check) must say
/// "ok" and, when `expected` is not empty, every table must hold the expected rows. Returns the
/// counts. Throws BackupError naming what is wrong, Cancelled when `progress` said stop.
TableCounts verifyCopy(const QString& path, const TableCounts& expected = {}, const Progress& progress = {},
                       Verify verify = Verify::Full);

/// \brief SQLite's integrity_check or quick_check of the file: "ok" or the problems it lists (at
/// most 20 lines). Throws BackupError when the file cannot be read as a database at all.
QString integrityCheck(const QString& path, bool quick, const Progress& progress = {});

/// What a backup holds, shown before it is restored.
struct BackupInfo {
    QDateTime taken;
    qint64 invoices = 0;
    qint64 customers = 0;
    qint64 parts = 0;
};

/// \brief Checks that `path` is a whole backup of this program's database (integrity_check "ok",
/// every table of the schema present) and reads its date and counts. Throws BackupError saying
/// why it is refused.
BackupInfo inspectSqliteBackup(const QString& path, const Progress& progress = {});

/// \brief Replaces the database file `live` by a copy of `backup`: copied beside it under a
/// temporary name, flushed, then renamed over it (the live file's mode is kept). Refuses while
/// the live database has an unfinished journal (another program writing). No connection may
/// hold `live` open. Throws BackupError.
void replaceSqliteFile(const QString& backup, const QString& live, const Progress& progress = {});

/// How long one step of a backup or check took: the copy, the flush to disk, and each piece of a
/// check ("integrity_check(InvItem)", "quick_check", "row counts") with the connection it ran on
/// (0 is the caller's thread, -1 a thread of its own).
struct StepTime {
    QString step;
    int worker = 0;
    double startMs = 0;  // steady clock
    double endMs = 0;
    double cpuMs = 0;  // of the thread that ran it
};

/// \brief From now on every step is also handed to `log` (one call at a time; an empty function
/// stops it). For the benchmark's breakdown; set it before a backup or check starts.
void setStepLog(std::function<void(const StepTime&)> log);

}  // namespace kestrum::backup

#pragma once
// Backup, restore and check of the database the program is connected to, on either engine.
#include "BackupError.h"
#include "BackupFiles.h"
#include "PgDump.h"
#include "Schema.h"
#include "SqliteFile.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

namespace kestrum::backup {

/// Where the connected database lives and what its backups are called.
struct Location {
    schema::Engine engine = schema::Engine::SQLite;
    QString file;      // SQLite: the database file
    PgTarget pg;       // PostgreSQL: what pg_dump and pg_restore are given
    QString shopName;  // Name_R of the profile row ("" when none)
    bool postgres() const { return engine == schema::Engine::PostgreSQL; }
};

/// \brief Finds the database behind an open connection (`connection` is the text it was opened
/// with). Throws BackupError when it is neither an SQLite file nor a PostgreSQL database.
Location locate(const QSqlDatabase& db, const QString& connection);

/// The name a new backup gets: shop, date and time (and "-auto" or "-before-restore").
QString backupName(const Location& where, Kind kind, const QDateTime& when = QDateTime::currentDateTime());

/// \brief A verified backup of the database into `file` (nothing under that name unless it is
/// whole). Throws BackupError, Cancelled.
void backUp(const Location& where, const QString& file, const Progress& progress = {}, Verify verify = Verify::Full);

/// \brief An automatic (or "before-restore") backup into the settings' folder (made 0700), then
/// rotation of the automatic copies. These are checked with quick_check and the row counts, so
/// that closing the program stays short. Returns the new file. Throws BackupError, Cancelled.
QString backUpToFolder(const Location& where, const BackupSettings& settings, Kind kind,
                       const Progress& progress = {});

/// When the newest automatic copy of this database was taken (invalid when there is none).
QDateTime lastAutomaticBackup(const Location& where, const BackupSettings& settings);

/// \brief Verifies a backup file for this engine before it is restored. Throws BackupError.
BackupInfo inspect(const Location& where, const QString& file, const Progress& progress = {});

/// \brief The text of the confirmation asked before a restore.
QString restoreQuestion(const QString& file, const BackupInfo& info);

/// \brief Puts the backup in place of the database. SQLite: no connection may be open on it.
/// PostgreSQL: `replace` drops what the database holds first. Throws BackupError, Cancelled.
void restoreInPlace(const Location& where, const QString& file, bool replace, const Progress& progress = {});

/// \brief The newest backup in the settings' folder that passes its check, or "" when none does.
QString newestGoodBackup(const Location& where, const BackupSettings& settings);

/// \brief The check's report for the user: SQLite's integrity check result (`integrity`; PostgreSQL
/// checks its own storage) and the schema check's missing tables and columns.
QString checkReport(const Location& where, const QString& integrity, const QStringList& missing);

}  // namespace kestrum::backup

#pragma once
// Backup and restore of a PostgreSQL database with the server's own client programs (pg_dump in
// custom format, pg_restore), run with the connection's server, port, database and user; the
// password goes through the environment, never on the command line.
#include "BackupError.h"
#include "SqliteFile.h"

#include <QSqlDatabase>
#include <QString>

namespace kestrum::backup {

struct PgTarget {
    QString host;
    QString port;
    QString database;
    QString user;
    QString password;
};

/// \brief The connection's server, port, database, user and password: from the connection
/// string, with what the server says of itself (database, user, port, address) for the rest.
PgTarget pgTarget(const QSqlDatabase& db, const QString& connection);

/// \brief Path of `program` (pg_dump, pg_restore) on the path. Throws BackupError saying what to
/// install when it is missing.
QString pgTool(const QString& program);

/// \brief pg_dump in custom format into a temporary file beside `target`, checked with pg_restore
/// (readable, every table of the schema listed), then renamed to `target` (mode 0600). Throws
/// BackupError, Cancelled.
void dumpPostgres(const PgTarget& target, const QString& file, const Progress& progress = {});

/// \brief Checks that `file` is a readable custom-format dump holding every table of the schema,
/// and reads its date and counts. Throws BackupError saying why it is refused.
BackupInfo inspectPostgresDump(const QString& file, const Progress& progress = {});

/// \brief Rows in the connected database's tables apart from the shop profile and the users
/// (0: nothing that a restore would replace); -1 when it has none of the schema's tables.
qint64 postgresRows(const QSqlDatabase& db);

/// \brief pg_restore of `file` into the database in one transaction (a failure changes nothing);
/// `replace` drops the tables there first. Throws BackupError, Cancelled.
void restorePostgres(const PgTarget& target, const QString& file, bool replace, const Progress& progress = {});

}  // namespace kestrum::backup

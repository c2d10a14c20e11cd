#pragma once
// kestrum --backup FILE and kestrum --restore FILE: the same backup and restore as the Database
// menu, without a window; messages on stdout, errors on stderr, the confirmation read from stdin.
#include <QString>

namespace kestrum::backup {

/// \brief Backs the database up into `file` (a folder: a new file named by shop, date and time).
/// Returns the exit code (0: backed up and checked).
int runBackupCommand(const QString& connection, const QString& file);

/// \brief Verifies `file`, asks on stdin (answer "yes"), saves the current database as a
/// "before-restore" backup and puts the backup in place. Returns the exit code (0: restored).
int runRestoreCommand(const QString& connection, const QString& file);

}  // namespace kestrum::backup

#pragma once
// Every window class of the program, shell and modules, as the program registers them at start-up.
#include <QString>

namespace kestrum {

/// \brief Registers the shell's windows and those of every window module built into the program
/// with the WindowFactory.
void registerProgramWindows();

/// \brief After a confirmed restore: every window and the connection go, the backup is put in
/// place, and the connection and the windows open again on it (a backup made by an earlier
/// version brought up to date first). Throws kestrum::DatabaseError when the database cannot be
/// opened, schema::LaterVersionError as bringDatabaseForward; then no window is open.
void reopenAfterRestore(const QString& connection);

/// Adds what this version needs and the open database lacks (tables, indexes, kept sums), saying
/// what was added; nothing but its stored version is read when that is this build's. An error (no
/// rights to change the schema) is shown and the program goes on; a database a later Kestrum made
/// that lacks what this one needs throws schema::LaterVersionError (the program ends, as when the
/// database cannot be reached).
void bringDatabaseForward(const QString& madeBy);

}  // namespace kestrum

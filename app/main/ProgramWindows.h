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
/// opened; then no window is open.
void reopenAfterRestore(const QString& connection);

/// Adds what this version needs and the open database lacks (tables, indexes, kept sums), saying
/// what was added; an error (no rights to change the schema) is shown and the program goes on.
void bringDatabaseForward(const QString& madeBy);

}  // namespace kestrum

#pragma once
// The program's side of backups: the Database menu, the automatic backups at start and close,
// the check at start, and a restore that reopens the program on the restored database.
#include "BackupError.h"

#include <QString>
#include <functional>

class QMainWindow;
class QMenu;

namespace kestrum::backup {

/// The connection text the program was started with (a PostgreSQL password comes only from it).
void setConnection(const QString& connection);
/// \brief How the program closes its windows so that a restore can put the file in place; the
/// program closes its main window. Without it the restore waits for finishRestore().
void setCloseProgram(std::function<void()> close);

/// \brief Adds the "Database" menu after the main window's other menus.
QMenu* addDatabaseMenu(QMainWindow* window);

// The menu's commands. Errors are shown in the standard error box; nothing escapes.
void backUpNow();
/// `file` empty: the user picks one.
void restoreDatabase(const QString& file = QString());
void checkDatabase();
void showSettings();

/// \brief At start, once the main window shows: says once why the last automatic backup failed,
/// and starts quick_check beside the program; when it is done, a failure offers the newest good
/// backup, a pass takes an automatic backup if the last one is older than a day.
void atStart();
/// Waits for the check atStart began and handles its verdict (for tests and the close).
void waitForStartCheck();
/// \brief When the program closes: the automatic backup. A failure is remembered for the next
/// start and never stops the program from closing.
void atClose();

/// True when a confirmed restore waits for the connection to close.
bool restorePending();
/// \brief With no connection open on the database: puts the confirmed backup in place, says how it
/// went. Returns false when nothing was pending.
bool finishRestore();

/// \brief Picks a file: `save` for a new backup (suggested name), else an existing one (folder).
/// Tests install their own; an empty answer means the user cancelled.
using FileChooser = std::function<QString(bool save, const QString& suggestion)>;
void setFileChooser(FileChooser chooser);

/// \brief Runs `work` on a worker thread; the GUI shows a cancellable progress dialog when it takes
/// long. Rethrows what `work` threw.
void runWithProgress(const QString& label, const std::function<void(const Progress&)>& work);

}  // namespace kestrum::backup

#pragma once
// Start-up of the windows, in the fixed order the other windows rely on.
#include <QList>
#include <QString>

class TMainForm;

namespace kestrum::shell {

/// Registers the shell's own launcher windows (TChangePassword) with the WindowFactory.
void registerShellWindows();

/// The auxiliary picker and history windows created at start-up: class name and caption.
struct AuxClass {
    const char* className;
    const char* caption;
};
const QList<AuxClass>& auxiliaryClasses();

/// \brief Creates the main window into MainForm (shown maximised), the login window into
/// Pass, then the auxiliary windows, hidden. DM must exist. Throws what the windows throw.
TMainForm* createWindows();
/// Frees the auxiliary windows, the help window and the main window (with its children).
void destroyWindows();

}  // namespace kestrum::shell

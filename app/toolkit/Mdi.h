#pragma once
// The main window's MDI frame as seen by the other windows: opening a window as a child,
// counting the children (the one-window rule of the launcher) and opening windows by class.
#include <QString>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace kestrum::ui {

/// The frame the main window registers at creation (nullptr: windows open top-level).
void setMdiArea(QMdiArea* area);
QMdiArea* mdiArea();

struct MdiOptions {
    bool frameless = false;  // no title bar, no close box (the login window)
    bool centred = false;    // centred in the frame instead of the frame's next position
};

/// \brief Opens `window` as a child of the frame and shows it. The window and its frame are
/// freed when it is closed (by itself, by its close box or by closing its frame), so a
/// QPointer to it reads as null afterwards. Opening a window that is already a child only
/// shows and activates it.
QMdiSubWindow* openMdiChild(QWidget* window, const MdiOptions& options = {});

/// \brief Marks `window` to open maximised in the frame whenever openMdiChild (or the launcher)
/// opens it; without a frame it opens maximised on its own.
void openMaximised(QWidget* window);

/// Children open now, minimised ones included, closed ones not.
int mdiChildCount();

/// "One window is open Please close window and again slest item"
QString oneWindowMessage();
/// "This window is not available in this build."
QString notAvailableMessage();

/// \brief The launcher's guard: true when no child is open, otherwise shows the one-window
/// message and returns false.
bool oneWindowRuleAllows();

/// \brief Creates a window of the class through the WindowFactory and opens it as a child.
/// With `oneWindowRule` it first applies the rule. A class that no module provides shows
/// notAvailableMessage(). Returns the window, or nullptr when nothing was opened.
QWidget* launchWindow(const QString& className, bool oneWindowRule);

/// Closes a window that may be an MDI child (closes its frame) or a top-level window.
void closeWindow(QWidget* window);

}  // namespace kestrum::ui

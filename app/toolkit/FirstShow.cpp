#include "FirstShow.h"

#include "Dialogs.h"

namespace kestrum::ui {

bool runOnFirstShow(QWidget* window, bool& shown, const std::function<void()>& handler)
{
    if (shown)
        return false;
    // Set before running: a handler that fails is shown once, not at every later show.
    shown = true;
    return runGuarded(window, handler);
}

}  // namespace kestrum::ui

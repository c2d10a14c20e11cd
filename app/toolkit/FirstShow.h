#pragma once
// The show handler of a window that fills itself once, when it first appears: a restore or a
// second show must not reload it over what the user has done since.
#include <functional>

class QWidget;

namespace kestrum::ui {

/// \brief Call from a window's showEvent after the base class's. The first time (`shown` is the
/// window's own flag, false until then) it sets the flag and runs `handler` guarded: an
/// exception shows the error box, and the handler is not tried again at the next show.
/// Returns true when the handler ran to its end.
bool runOnFirstShow(QWidget* window, bool& shown, const std::function<void()>& handler);

}  // namespace kestrum::ui

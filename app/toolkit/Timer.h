#pragma once
// The once-a-second timer of the document windows.
#include <QTimer>
#include <functional>

namespace kestrum::ui {

/// \brief Starts a 1000 ms timer owned by `owner`; `tick` runs guarded on the GUI thread and
/// the timer stops with its owner.
QTimer* startSecondTimer(QObject* owner, std::function<void()> tick);

}  // namespace kestrum::ui

#include "Timer.h"

#include "Dialogs.h"

namespace kestrum::ui {

QTimer* startSecondTimer(QObject* owner, std::function<void()> tick)
{
    auto* timer = new QTimer(owner);
    timer->setInterval(1000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tick = std::move(tick)] {
        // A failing tick would raise a box every second: stop until the window restarts it.
        if (!runGuarded(tick))
            timer->stop();
    });
    timer->start();
    return timer;
}

}  // namespace kestrum::ui

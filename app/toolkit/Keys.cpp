#include "Keys.h"

#include "Dialogs.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QKeyEvent>
#include <QWidget>

namespace kestrum::ui {

bool keys::isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

KeyCycle::KeyCycle(const QList<QWidget*>& controls, QObject* owner) : QObject(owner)
{
    for (QWidget* w : controls) {
        controls_.append(w);
        w->installEventFilter(this);
    }
}

void KeyCycle::setWrapTo(QWidget* control)
{
    wrapTo_ = control;
}

void KeyCycle::bind(int key, std::function<void()> handler)
{
    bindings_[key] = std::move(handler);
}

QWidget* KeyCycle::neighbour(QWidget* from, bool forward) const
{
    int i = -1;
    for (int k = 0; k < controls_.size(); ++k)
        if (controls_[k] == from)
            i = k;
    if (i < 0 || controls_.isEmpty())
        return nullptr;
    if (forward) {
        if (i + 1 < controls_.size())
            return controls_[i + 1];
        return wrapTo_ ? wrapTo_.data() : controls_.first().data();
    }
    return controls_[(i + controls_.size() - 1) % controls_.size()];
}

bool KeyCycle::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (auto it = bindings_.find(key->key()); it != bindings_.end()) {
        runGuarded(it->second);
        return true;
    }
    if (keys::isEnter(key->key())) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->click();
            return true;
        }
        if (QWidget* next = neighbour(widget, true))
            next->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (key->key() == keys::Left && left_ != LeftKey::Ignored && !keepLeft_.contains(watched)) {
        if (QWidget* next = neighbour(widget, left_ == LeftKey::Next))
            next->setFocus(left_ == LeftKey::Next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

namespace {
class GridKeyFilter : public QObject {
public:
    GridKeyFilter(QObject* grid, GridKeys keys) : QObject(grid), keys_(std::move(keys)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const std::function<void()>* handler = nullptr;
            switch (static_cast<QKeyEvent*>(event)->key()) {
            case keys::F2: handler = &keys_.save; break;
            case keys::F3: handler = &keys_.add; break;
            case keys::F5: handler = &keys_.refresh; break;
            case keys::F8: handler = &keys_.remove; break;
            default: break;
            }
            if (handler && *handler) {
                runGuarded(*handler);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    GridKeys keys_;
};
}  // namespace

QObject* bindGridKeys(QAbstractItemView* grid, GridKeys keys)
{
    auto* filter = new GridKeyFilter(grid, std::move(keys));
    grid->installEventFilter(filter);
    return filter;
}

}  // namespace kestrum::ui

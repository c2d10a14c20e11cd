#pragma once
// Keyboard conventions of the windows in one place: Enter walks a fixed cycle of controls,
// Left walks it back (or forward, per window), F2 saves; grids bind F2/F3/F5/F8.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <functional>
#include <map>

class QAbstractItemView;


namespace kestrum::ui {

/// Key codes the windows test, as Qt keys (Enter is either Return or keypad Enter).
namespace keys {
constexpr int Enter = Qt::Key_Return;
constexpr int Left = Qt::Key_Left;
constexpr int F2 = Qt::Key_F2;
constexpr int F3 = Qt::Key_F3;
constexpr int F5 = Qt::Key_F5;
constexpr int F8 = Qt::Key_F8;
bool isEnter(int key);
}  // namespace keys

/// \brief Focus cycle over a list of controls, installed as an event filter on each of them.
/// Enter on a button in the cycle presses it; otherwise Enter moves to the next control and,
/// after the last one, to the control set by setWrapTo (default: the first).
class KeyCycle : public QObject {
    Q_OBJECT
public:
    enum class LeftKey { Previous, Next, Ignored };

    /// `owner` is usually the window; the cycle lives as long as it does.
    KeyCycle(const QList<QWidget*>& controls, QObject* owner);

    void setWrapTo(QWidget* control);
    void setLeftKey(LeftKey mode) { left_ = mode; }
    /// A control on which Left keeps its usual meaning (a memo, a description box).
    void keepLeft(QWidget* control) { keepLeft_.insert(control); }
    /// Binds a key on every control of the cycle (F2 -> Save is the usual one). The handler
    /// runs guarded: an exception shows the standard error box.
    void bind(int key, std::function<void()> handler);
    void onF2(std::function<void()> handler) { bind(keys::F2, std::move(handler)); }

    /// Where Enter (forward = true) or Left (forward = false) goes from `from`.
    QWidget* neighbour(QWidget* from, bool forward) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QPointer<QWidget>> controls_;
    QPointer<QWidget> wrapTo_;
    LeftKey left_ = LeftKey::Previous;
    QSet<QObject*> keepLeft_;
    std::map<int, std::function<void()>> bindings_;
};

/// \brief Grid keys: F2 Save, F3 New, F5 Refresh, F8 Delete; unset ones are not bound.
struct GridKeys {
    std::function<void()> save;     // F2
    std::function<void()> add;      // F3 ("New")
    std::function<void()> refresh;  // F5
    std::function<void()> remove;   // F8
};

/// Binds the keys on a grid; handlers run guarded. Returns the filter (owned by the grid).
QObject* bindGridKeys(QAbstractItemView* grid, GridKeys keys);

}  // namespace kestrum::ui

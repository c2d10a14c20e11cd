#pragma once
// Windows are created by class name ("TPart", "TInvoice"): each window module registers its
// classes at start-up, and the launcher and the start-up sequence create them from here.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace kestrum::ui {

/// \brief Registry of window classes.
/// A creator builds the window (no parent), stores it in its module's global reference
/// (`QPointer<TPart> Part`) and returns it; it need not show it.
class WindowFactory {
public:
    using Creator = std::function<QWidget*()>;

    /// Registers (or replaces) the creator of a class.
    static void registerWindow(const QString& className, Creator creator);
    static bool isRegistered(const QString& className);
    /// A new window of the class, or nullptr when no module provides it.
    static QWidget* create(const QString& className);
    static QStringList classNames();
    /// Forgets every class (tests).
    static void clear();
};

}  // namespace kestrum::ui

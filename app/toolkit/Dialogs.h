#pragma once
// Message, confirmation and error boxes behind one replaceable interface, so that tests can
// answer them without a user and every window reports errors the same way.
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace kestrum::ui {

/// \brief The boxes a window may show. One instance is current for the whole program.
class Dialogs {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;
    /// Information box with one OK button.
    virtual void message(const QString& text) = 0;
    /// Confirmation box with Yes and No; true on Yes.
    virtual bool confirm(const QString& text) = 0;
    /// Question box with Yes, No and Cancel (Cancel is the default).
    virtual Answer ask(const QString& text) = 0;
    /// The standard error box for an error that stopped a handler.
    virtual void error(const QString& text) = 0;
};

/// \brief Real message boxes (QMessageBox), parented to the active window.
class MessageBoxDialogs : public Dialogs {
public:
    void message(const QString& text) override;
    bool confirm(const QString& text) override;
    Answer ask(const QString& text) override;
    void error(const QString& text) override;
};

/// The current dialogs (message boxes unless a test installed others).
Dialogs& dialogs();
/// Installs `d` (not owned; nullptr restores the message boxes) and returns the previous one.
Dialogs* setDialogs(Dialogs* d);

void showMessage(const QString& text);
bool confirm(const QString& text);
Dialogs::Answer ask(const QString& text);
void showError(const std::exception& e);
void showError(const QString& text);

/// Text of an exception for the error box (an empty what() gets a generic text).
QString errorText(const std::exception& e);

/// \brief Runs a handler; an exception that escapes it is shown in the standard error box and
/// the handler stops there. Returns false when it stopped on an exception.
bool runGuarded(const std::function<void()>& handler);
/// Same, for handlers of a window (the box is parented to the active window either way).
bool runGuarded(QWidget* window, const std::function<void()>& handler);

/// Makes a slot that runs `handler` guarded: `connect(b, &QPushButton::clicked, guarded(...))`.
template <typename F>
auto guarded(F handler)
{
    return [handler](auto&&...) { runGuarded(std::function<void()>(handler)); };
}

}  // namespace kestrum::ui

#include "Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace kestrum::ui {

namespace {
MessageBoxDialogs& messageBoxes()
{
    static MessageBoxDialogs boxes;
    return boxes;
}
Dialogs* current = nullptr;

QWidget* boxParent()
{
    return QApplication::activeWindow();
}
}  // namespace

void MessageBoxDialogs::message(const QString& text)
{
    QMessageBox::information(boxParent(), QApplication::applicationDisplayName(), text,
                             QMessageBox::Ok);
}

bool MessageBoxDialogs::confirm(const QString& text)
{
    return QMessageBox::question(boxParent(), QApplication::applicationDisplayName(), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

Dialogs::Answer MessageBoxDialogs::ask(const QString& text)
{
    switch (QMessageBox::question(boxParent(), QApplication::applicationDisplayName(), text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

void MessageBoxDialogs::error(const QString& text)
{
    QMessageBox::critical(boxParent(), QApplication::applicationDisplayName(), text,
                          QMessageBox::Ok);
}

Dialogs& dialogs()
{
    return current ? *current : messageBoxes();
}

Dialogs* setDialogs(Dialogs* d)
{
    Dialogs* previous = current;
    current = d;
    return previous;
}

void showMessage(const QString& text)
{
    dialogs().message(text);
}

bool confirm(const QString& text)
{
    return dialogs().confirm(text);
}

Dialogs::Answer ask(const QString& text)
{
    return dialogs().ask(text);
}

QString errorText(const std::exception& e)
{
    QString text = QString::fromUtf8(e.what());
    return text.isEmpty() ? QStringLiteral("An unexpected error occurred.") : text;
}

void showError(const std::exception& e)
{
    dialogs().error(errorText(e));
}

void showError(const QString& text)
{
    dialogs().error(text);
}

bool runGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        showError(e);
    } catch (...) {
        showError(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

bool runGuarded(QWidget*, const std::function<void()>& handler)
{
    return runGuarded(handler);
}

}  // namespace kestrum::ui

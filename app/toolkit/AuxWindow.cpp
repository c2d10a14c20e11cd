#include "AuxWindow.h"

#include "WindowFactory.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QHash>
#include <QPointer>

namespace kestrum::ui {

AuxWindow::AuxWindow(QWidget* parent) : QWidget(parent, Qt::Window) {}

void AuxWindow::Show()
{
    show();
    raise();
    activateWindow();
}

void AuxWindow::ShowModal()
{
    if (modal_)
        return;
    if (isVisible())
        hide();
    setWindowModality(Qt::ApplicationModal);
    modal_ = true;
    QEventLoop loop;
    connect(this, &AuxWindow::hidden, &loop, &QEventLoop::quit);
    show();
    raise();
    activateWindow();
    loop.exec(QEventLoop::DialogExec);
    modal_ = false;
    setWindowModality(Qt::NonModal);
}

void AuxWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

void AuxWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())  // minimising a top-level window is no close
        emit hidden();
}

namespace {
QHash<QString, QPointer<QWidget>>& auxWindows()
{
    static QHash<QString, QPointer<QWidget>> map;
    return map;
}
}  // namespace

QWidget* createAuxWindow(const QString& className, const QString& caption)
{
    QWidget* w = WindowFactory::create(className);
    if (!w) {
        w = new AuxWindow;
        w->setWindowTitle(caption);
        w->setObjectName(className.mid(1));
    }
    w->hide();
    auxWindows().insert(className, w);
    return w;
}

QWidget* auxWindow(const QString& className)
{
    return auxWindows().value(className);
}

void destroyAuxWindows()
{
    for (const QPointer<QWidget>& w : std::as_const(auxWindows()))
        delete w.data();
    auxWindows().clear();
}

}  // namespace kestrum::ui

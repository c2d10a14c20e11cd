#include "Mdi.h"

#include "Dialogs.h"
#include "WindowFactory.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

namespace kestrum::ui {

namespace {
QPointer<QMdiArea> area;

const char* const MaximisedProperty = "kestrumOpenMaximised";

QMdiSubWindow* frameOf(QWidget* window)
{
    return window ? qobject_cast<QMdiSubWindow*>(window->parentWidget()) : nullptr;
}

// A window that closes itself leaves its QMdiSubWindow behind (Qt only frees the inner
// widget). This follows the inner window: its frame hides with it and goes with it.
class FrameFollower : public QObject {
public:
    FrameFollower(QMdiSubWindow* frame, QWidget* window) : QObject(frame), frame_(frame)
    {
        window->installEventFilter(this);
        // deleteLater, not close: when the frame itself is being destroyed it deletes the
        // window first, and the posted deletion is then simply dropped.
        connect(window, &QObject::destroyed, frame, [f = QPointer<QObject>(frame)] {
            if (f)
                f->deleteLater();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Minimising and shading hide the inner window too; only its own hide counts.
        // qobject_cast: a frame half-way through its destructor is no QMdiSubWindow any more.
        auto* frame = qobject_cast<QMdiSubWindow*>(frame_.data());
        if (event->type() == QEvent::Hide && frame && !frame->isMinimized() && !frame->isShaded()
            && static_cast<QWidget*>(watched)->isHidden())
            frame->hide();
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QObject> frame_;
};
}  // namespace

void setMdiArea(QMdiArea* a)
{
    area = a;
}

QMdiArea* mdiArea()
{
    return area;
}

QMdiSubWindow* openMdiChild(QWidget* window, const MdiOptions& options)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    const bool maximised = window->property(MaximisedProperty).toBool();
    if (!area) {
        if (maximised)
            window->showMaximized();
        else
            window->show();
        return nullptr;
    }
    QMdiSubWindow* frame = frameOf(window);
    if (!frame || frame->mdiArea() != area) {
        Qt::WindowFlags flags = options.frameless ? Qt::Widget | Qt::FramelessWindowHint
                                                  : Qt::WindowFlags();
        frame = area->addSubWindow(window, flags);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->setWindowTitle(window->windowTitle());
        new FrameFollower(frame, window);
    }
    window->show();
    if (maximised)
        frame->showMaximized();
    else
        frame->show();
    if (options.centred) {
        frame->adjustSize();
        QRect r = frame->geometry();
        r.moveCenter(area->viewport()->rect().center());
        frame->move(r.topLeft().x() < 0 ? 0 : r.topLeft().x(),
                    r.topLeft().y() < 0 ? 0 : r.topLeft().y());
    }
    area->setActiveSubWindow(frame);
    return frame;
}

void openMaximised(QWidget* window)
{
    window->setProperty(MaximisedProperty, true);
}

int mdiChildCount()
{
    if (!area)
        return 0;
    int n = 0;
    for (QMdiSubWindow* frame : area->subWindowList()) {
        QWidget* w = frame->widget();
        if (!w || frame->isHidden())
            continue;
        if (!w->isHidden() || frame->isMinimized() || frame->isShaded())
            ++n;
    }
    return n;
}

QString oneWindowMessage()
{
    return QStringLiteral("One window is open Please close window and again slest item");
}

QString notAvailableMessage()
{
    return QStringLiteral("This window is not available in this build.");
}

bool oneWindowRuleAllows()
{
    if (mdiChildCount() == 0)
        return true;
    showMessage(oneWindowMessage());
    return false;
}

QWidget* launchWindow(const QString& className, bool oneWindowRule)
{
    if (oneWindowRule && !oneWindowRuleAllows())
        return nullptr;
    if (!WindowFactory::isRegistered(className)) {
        showMessage(notAvailableMessage());
        return nullptr;
    }
    QWidget* window = WindowFactory::create(className);
    if (window)
        openMdiChild(window);
    return window;
}

void closeWindow(QWidget* window)
{
    if (!window)
        return;
    if (QMdiSubWindow* frame = frameOf(window))
        frame->close();
    else
        window->close();
}

}  // namespace kestrum::ui

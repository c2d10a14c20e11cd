#include "WindowFactory.h"

#include "Accessibility.h"

#include <QHash>
#include <QWidget>

namespace kestrum::ui {

namespace {
QHash<QString, WindowFactory::Creator>& creators()
{
    static QHash<QString, WindowFactory::Creator> map;
    return map;
}
}  // namespace

void WindowFactory::registerWindow(const QString& className, Creator creator)
{
    creators().insert(className, std::move(creator));
}

bool WindowFactory::isRegistered(const QString& className)
{
    return creators().contains(className);
}

QWidget* WindowFactory::create(const QString& className)
{
    auto it = creators().constFind(className);
    if (it == creators().constEnd() || !*it)
        return nullptr;
    QWidget* w = (*it)();
    if (w && w->objectName().isEmpty())
        w->setObjectName(className.mid(1));
    nameControls(w);
    return w;
}

QStringList WindowFactory::classNames()
{
    QStringList names = creators().keys();
    names.sort();
    return names;
}

void WindowFactory::clear()
{
    creators().clear();
}

}  // namespace kestrum::ui

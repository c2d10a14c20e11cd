#include "History.h"

#include "AuxWindow.h"
#include "Dialogs.h"
#include "Mdi.h"

#include <QWidget>

namespace kestrum::records {

void showAuxHistory(const QString& className)
{
    QWidget* w = ui::auxWindow(className);
    if (!w) {
        ui::showMessage(ui::notAvailableMessage());
        return;
    }
    if (auto* aux = qobject_cast<ui::AuxWindow*>(w))
        aux->ShowModal();
    else
        w->show();
}

void openChildHistory(const QString& className)
{
    ui::launchWindow(className, false);
}

}  // namespace kestrum::records

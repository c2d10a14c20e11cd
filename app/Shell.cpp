#include "Shell.h"

#include "AuxWindow.h"
#include "ChangePassword.h"
#include "Help.h"
#include "MainForm.h"
#include "Pass.h"
#include "WindowFactory.h"

namespace kestrum::shell {

void registerShellWindows()
{
    ui::WindowFactory::registerWindow("TChangePassword", [] {
        auto* w = new TChangePassword;
        ChangePassword = w;
        return w;
    });
}

const QList<AuxClass>& auxiliaryClasses()
{
    static const QList<AuxClass> list = {
        {"TInvLaborFind", "Labor Find"},
        {"TInvPartFind", "Part Find"},
        {"TLaborFind", "Part Find"},
        {"TPartOrderHistory", "Part Order History"},
        {"TBankHistory", "Bank History"},
        {"TEstimatePartFind", "Part Find"},
        {"TEstimateLaborFind", "Labor Find"},
        {"TPartInvoiceHistory", "Part Invoice History"},
        {"TLaborInvoiceHistory", "Labor Invoice History"},
    };
    return list;
}

TMainForm* createWindows()
{
    MainForm = new TMainForm;
    MainForm->showMaximized();
    TPass::open();
    for (const AuxClass& c : auxiliaryClasses())
        ui::createAuxWindow(c.className, c.caption);
    return MainForm;
}

void destroyWindows()
{
    ui::destroyAuxWindows();
    closeHelp();
    delete MainForm.data();
}

}  // namespace kestrum::shell

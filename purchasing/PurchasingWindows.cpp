#include "PurchasingWindows.h"

#include "TBill.h"
#include "TBillExpense.h"
#include "TBillPart.h"
#include "TFindPayable.h"
#include "TLaborFind.h"
#include "TOrderItem.h"
#include "TPayable.h"
#include "TPayableList.h"
#include "TPayableOrder.h"
#include "TPoOrder.h"
#include "WindowFactory.h"

namespace kestrum {

void registerPurchasingWindows() {
    using ui::WindowFactory;
    // Each constructor sets its class's global reference.
    WindowFactory::registerWindow("TPoOrder", [] { return new TPoOrder; });
    WindowFactory::registerWindow("TOrderItem", [] { return new TOrderItem; });
    WindowFactory::registerWindow("TLaborFind", [] { return new TLaborFind; });
    WindowFactory::registerWindow("TBill", [] { return new TBill; });
    WindowFactory::registerWindow("TBillPart", [] { return new TBillPart; });
    WindowFactory::registerWindow("TBillExpense", [] { return new TBillExpense; });
    WindowFactory::registerWindow("TPayable", [] { return new TPayable; });
    WindowFactory::registerWindow("TPayableOrder", [] { return new TPayableOrder; });
    WindowFactory::registerWindow("TFindPayable", [] { return new TFindPayable; });
    WindowFactory::registerWindow("TPayableList", [] { return new TPayableList; });
}

} // namespace kestrum

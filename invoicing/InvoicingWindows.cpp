#include "InvoicingWindows.h"

#include "InvoiceLines.h"
#include "InvoiceLists.h"
#include "TEstimate.h"
#include "TInvoice.h"
#include "WindowFactory.h"

namespace kestrum {

void registerInvoicingWindows()
{
    using ui::WindowFactory;
    // Each constructor sets its class's global reference.
    WindowFactory::registerWindow("TInvoice", [] { return new TInvoice; });
    WindowFactory::registerWindow("TInvItem", [] { return new TInvItem; });
    WindowFactory::registerWindow("TInvLabor", [] { return new TInvLabor; });
    WindowFactory::registerWindow("TInvPartFind", [] { return new TInvPartFind; });
    WindowFactory::registerWindow("TInvLaborFind", [] { return new TInvLaborFind; });
    WindowFactory::registerWindow("TEstimate", [] { return new TEstimate; });
    WindowFactory::registerWindow("TEstimateItem", [] { return new TEstimateItem; });
    WindowFactory::registerWindow("TEstimateLabor", [] { return new TEstimateLabor; });
    WindowFactory::registerWindow("TEstimatePartFind", [] { return new TEstimatePartFind; });
    WindowFactory::registerWindow("TEstimateLaborFind", [] { return new TEstimateLaborFind; });
    WindowFactory::registerWindow("TOpenInvoice", [] { return new TOpenInvoice; });
    WindowFactory::registerWindow("TFinishedInvoiceReport", [] { return new TFinishedInvoiceReport; });
}

}  // namespace kestrum

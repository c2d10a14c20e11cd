#include "InvoicingWindows.h"

#include "InvoiceLines.h"
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
}

}  // namespace kestrum

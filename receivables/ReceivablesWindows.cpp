#include "ReceivablesWindows.h"

#include "TBank.h"
#include "TDeposit.h"
#include "TReceivable.h"
#include "TReceivableFind.h"
#include "TReceivableList.h"
#include "WindowFactory.h"

namespace kestrum {

void registerReceivablesWindows()
{
    using ui::WindowFactory;
    // Each constructor sets its class's global reference.
    WindowFactory::registerWindow("TBank", [] { return new TBank; });
    WindowFactory::registerWindow("TDeposit", [] { return new TDeposit; });
    WindowFactory::registerWindow("TReceivable", [] { return new TReceivable; });
    WindowFactory::registerWindow("TReceivableFind", [] { return new TReceivableFind; });
    WindowFactory::registerWindow("TReceivableList", [] { return new TReceivableList; });
}

}  // namespace kestrum

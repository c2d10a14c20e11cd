#include "RecordWindows.h"

#include "TCompany.h"
#include "TCustomer.h"
#include "TEmployee.h"
#include "TLabor.h"
#include "TPart.h"
#include "TProfile.h"
#include "TTax.h"
#include "WindowFactory.h"

namespace kestrum {

void registerRecordWindows()
{
    using ui::WindowFactory;
    // Each constructor sets its class's global reference.
    WindowFactory::registerWindow("TPart", [] { return new TPart; });
    WindowFactory::registerWindow("TCustomer", [] { return new TCustomer; });
    WindowFactory::registerWindow("TCompany", [] { return new TCompany; });
    WindowFactory::registerWindow("TEmployee", [] { return new TEmployee; });
    WindowFactory::registerWindow("TLabor", [] { return new TLabor; });
    WindowFactory::registerWindow("TTax", [] { return new TTax; });
    WindowFactory::registerWindow("TProfile", [] { return new TProfile; });
}

}  // namespace kestrum

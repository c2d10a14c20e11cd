#include "ReportWindows.h"

#include "HistoryBrowser.h"
#include "ListReports.h"
#include "ReceivablesAging.h"
#include "TReport.h"
#include "TotalReports.h"
#include "VehicleHistory.h"
#include "WindowFactory.h"

namespace kestrum {

void registerReportWindows()
{
    using ui::WindowFactory;
    // Each constructor sets its class's global reference.
    WindowFactory::registerWindow("TReport", [] { return new TReport; });
    WindowFactory::registerWindow("TReportPayable", [] { return new TReportPayable; });
    WindowFactory::registerWindow("TReportReceivable", [] { return new TReportReceivable; });
    WindowFactory::registerWindow("TReportVendor1", [] { return new TReportVendor1; });
    WindowFactory::registerWindow("TReportItems", [] { return new TReportItems; });
    WindowFactory::registerWindow("TReportCustomer", [] { return new TReportCustomer; });
    WindowFactory::registerWindow("TReportBank", [] { return new TReportBank; });
    WindowFactory::registerWindow("TTotalAmountReport", [] { return new TTotalAmountReport; });
    WindowFactory::registerWindow("TTotalReceivable", [] { return new TTotalReceivable; });
    WindowFactory::registerWindow("TVehicleHistory", [] { return new TVehicleHistory; });
    WindowFactory::registerWindow("TReceivablesAging", [] { return new TReceivablesAging; });
    reports::registerHistoryWindows();
}

}  // namespace kestrum

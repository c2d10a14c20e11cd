#include "ProgramWindows.h"

#include "Shell.h"

#ifdef KESTRUM_HAVE_RECORDS
#include "records/RecordWindows.h"
#endif
#ifdef KESTRUM_HAVE_INVOICING
#include "invoicing/InvoicingWindows.h"
#endif
#ifdef KESTRUM_HAVE_PURCHASING
#include "purchasing/PurchasingWindows.h"
#endif
#ifdef KESTRUM_HAVE_RECEIVABLES
#include "receivables/ReceivablesWindows.h"
#endif
#ifdef KESTRUM_HAVE_REPORTS
#include "reports/ReportWindows.h"
#endif

namespace kestrum {

void registerProgramWindows()
{
    shell::registerShellWindows();
#ifdef KESTRUM_HAVE_RECORDS
    registerRecordWindows();
#endif
#ifdef KESTRUM_HAVE_INVOICING
    registerInvoicingWindows();
#endif
#ifdef KESTRUM_HAVE_PURCHASING
    registerPurchasingWindows();
#endif
#ifdef KESTRUM_HAVE_RECEIVABLES
    registerReceivablesWindows();
#endif
#ifdef KESTRUM_HAVE_REPORTS
    registerReportWindows();
#endif
}

}  // namespace kestrum

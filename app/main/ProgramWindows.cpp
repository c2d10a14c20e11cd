#include "ProgramWindows.h"

#include "BackupUi.h"
#include "DataModule.h"
#include "Dialogs.h"
#include "Schema.h"
#include "Shell.h"

#include <optional>

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

void bringDatabaseForward(const QString& madeBy)
{
    // Before any window reads it: a report would otherwise fail on a table this version adds.
    // An up-to-date database costs one look at its stored version.
    std::optional<schema::LaterVersionError> refused;
    ui::runGuarded([&madeBy, &refused] {
        QSqlDatabase db = DM->database();
        try {
            const QStringList done = schema::upgradeAtStart(db);
            if (!done.isEmpty())
                ui::showMessage(madeBy + QStringLiteral(" was made by an earlier version of Kestrum "
                                                        "and has been brought up to date:\n\n") +
                                done.join(u'\n'));
        } catch (const schema::LaterVersionError& e) {
            refused = e;
        }
    });
    if (refused)
        throw *refused;
}

void reopenAfterRestore(const QString& connection)
{
    shell::destroyWindows();
    delete DM;
    DM = nullptr;
    backup::finishRestore();
    DM = new TDM(connection);
    bringDatabaseForward(QStringLiteral("The restored backup"));
    shell::createWindows();
}

}  // namespace kestrum

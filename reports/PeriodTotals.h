#pragma once
// The money totals of a period: parts, labor and parts tax of a set of invoices (the tax of each
// invoice at the rate of its own month), the purchase orders of the period, and the work tables
// TotalItem, TotalLabor and TotalTax that keep the per-invoice figures of the last run.
#include "Decimal.h"
#include "Layouts.h"
#include "ReportWindow.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kestrum::reports {

/// \brief Which invoices a total takes.
struct InvoiceSelection {
    enum class By {
        InvoiceDate,  ///< invoices dated in the period
        LastPayment,  ///< invoices with a payment in the period and none after it
    };
    By by = By::InvoiceDate;
    Period period;
    std::optional<QString> customer;  ///< nullopt: every customer
    std::optional<bool> paid;         ///< nullopt: paid and unpaid alike
};

/// \brief One row of each work table, for fillWorkTables with figures the caller has.
struct InvoiceFigures {
    qint64 invoice = 0;
    Decimal parts;
    Decimal labor;
    Decimal tax;
};

struct InvoiceRun {
    int count = 0;         ///< invoices selected
    PeriodFigures totals;  ///< their sums; `orders` is left 0
    /// What counted 0 for want of a rate: "3/2026" for a month no Tax row covers, "invoice 12"
    /// for a taxable invoice without a date.
    QStringList withoutRate;
};

/// \brief The sums of the selected invoices, worked out by the database in one statement (a
/// second one names the invoices without a rate, when there are any). Throws DatabaseError.
InvoiceRun invoiceFigures(const InvoiceSelection& selection);

/// \brief The amount of every purchase-order line whose order is dated in the period.
Decimal orderTotal(const Period& period);

/// \brief What a fill of the work tables put there.
struct WorkTableRun {
    PeriodFigures totals;     ///< the sums of the three tables; `orders` is left 0
    QStringList withoutRate;  ///< as InvoiceRun::withoutRate
};

/// \brief Replaces the rows of TotalLabor, TotalItem and TotalTax by one row per selected invoice
/// (its labor, parts and parts tax), in one transaction: a failed run leaves the previous run's
/// rows. Runs from several workstations take turns; each gets the sums of its own rows. Throws
/// DatabaseError.
WorkTableRun fillWorkTables(const InvoiceSelection& selection);
/// Same with the rows given, 200 to a statement.
void fillWorkTables(const std::vector<InvoiceFigures>& invoices);

/// \brief The note shown when taxable invoices found no rate: "" when every one had one.
QString missingRateNote(const QStringList& withoutRate);

}  // namespace kestrum::reports

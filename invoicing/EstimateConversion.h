#pragma once
// An accepted estimate made into an invoice: header and lines copied under the next free invoice
// number, dated today, and the estimate moved to the archive, all in one transaction.
#include <QString>

#include <optional>

namespace kestrum::invoicing {

/// \brief Makes saved estimate `estimate` into a new invoice and archives the estimate; returns
/// the invoice's number. An estimate that is not saved (or was converted or archived already),
/// or that has no part or labor line, is refused with a message (nullopt, nothing written).
/// Any failing statement rolls everything back and throws DatabaseError saying nothing was written.
std::optional<qint64> makeInvoiceFromEstimate(qint64 estimate);

QString estimateNotSavedMessage(qint64 estimate);
QString estimateEmptyMessage(qint64 estimate);

}  // namespace kestrum::invoicing

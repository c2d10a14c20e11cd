#pragma once
// Moving a document (invoice or estimate) with its lines into the archive tables InvoiceCash,
// InvItemCash and InvLaborCash, and out of its live tables.
#include "Document.h"

#include <QList>
#include <QVariant>

#include <utility>

namespace kestrum::invoicing {

/// \brief Archives document `number`: `header` (column, value) pairs as the window shows them
/// go into InvoiceCash (the tax flag is not kept there), every part and labor line is copied
/// value for value, then the lines and the header leave the live tables. All of it is one
/// transaction: a failing statement throws and leaves live and archive tables as they were.
/// Every archived row names its kind (the live header table); a number the archive already
/// holds for the same kind, or in a row of unknown kind, is refused with a message and nothing
/// is written; returns false then. An invoice and an estimate of one number both fit.
bool moveToArchive(const DocumentSpec& doc, qint64 number, const QList<std::pair<QString, QVariant>>& header);

/// \brief The rows of moveToArchive without its transaction and message, for a caller that holds
/// a transaction of its own: returns false (nothing written) when the number is archived already.
bool copyToArchive(const DocumentSpec& doc, qint64 number, const QList<std::pair<QString, QVariant>>& header);

/// The message of a refused archive.
QString alreadyArchivedMessage(qint64 number);

}  // namespace kestrum::invoicing

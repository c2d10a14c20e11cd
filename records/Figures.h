#pragma once
// What the windows read from a select besides the current record: one-value sums, and the values
// of a column that fill a combo box's list.
#include "Decimal.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace kestrum {
class Query;
}

namespace kestrum::records {

/// \brief Runs "Select Sum(<column>) From <table> where <match>=?" with `value` bound on `q`;
/// nullopt when no row matches (the sum is NULL).
std::optional<Decimal> sumWhere(Query* q, const QString& column, const QString& table, const QString& match,
                                const QString& value);

/// \brief The values of `column` over every row of `sql` run on `q`, as text in the order returned.
/// Throws DatabaseError.
QStringList columnValues(Query* q, const QString& sql, const QString& column);

}  // namespace kestrum::records

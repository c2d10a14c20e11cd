#pragma once
// One-value sums the record windows show beside the current record.
#include "Decimal.h"

#include <QString>
#include <optional>

namespace kestrum {
class Query;
}

namespace kestrum::records {

/// \brief Runs "Select Sum(<column>) From <table> where <match>=?" with `value` bound on `q`;
/// nullopt when no row matches (the sum is NULL).
std::optional<Decimal> sumWhere(Query* q, const QString& column, const QString& table, const QString& match,
                                const QString& value);

}  // namespace kestrum::records

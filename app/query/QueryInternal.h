#pragma once
// Inside the query: what its statement code and its paging code (QueryPaging.cpp) share.
#include "Query.h"

#include <QSqlDatabase>
#include <QVariant>

#include <atomic>
#include <cstddef>
#include <vector>

namespace kestrum::detail {

/// The schema's answers for columns and tables, set once by the program (setColumnHints, setTableHints).
extern std::atomic<ColumnHintFunction> columnHints;
extern std::atomic<TableHintFunction> tableHints;

/// Whether the engine puts NULLs first in an ascending order.
bool nullsFirstAscending(const QSqlDatabase& db);

/// \brief A value as it is bound: dates as timestamps at midnight, Decimals as their exact text.
QVariant toBindValue(const QVariant& v);

/// \brief Reverses the order of `rows` rows of `width` cells from `start`.
void reverseRows(std::vector<QVariant>& cells, std::size_t start, int rows, std::size_t width);

}  // namespace kestrum::detail

#pragma once
// The distinct values of one column ("Select distinct C From T"), as combo boxes list them. PostgreSQL
// reads every row for them (a hash of 100,000 parts for a few makers); when the column leads an index
// and holds few values, the same list comes from one index probe per value instead.
#include <QString>

#include <optional>

namespace kestrum {

struct DistinctList {
    QString column;
    QString table;
};

/// \brief The column and table of a statement that is exactly "Select distinct C From T" (any case and
/// spacing); otherwise nothing.
std::optional<DistinctList> parseDistinctList(const QString& sql);

/// \brief The same values, NULL first and then the values in the column's order, one index probe per
/// value: a recursive walk taking the next larger value each step (PostgreSQL). Equal values by the
/// column's own comparison (citext: case-insensitively) come once, as Distinct gives them.
QString skipScanSql(const DistinctList& list);

/// \brief The walk for SQLite, which keeps no statistics of its own: values listed in the order walked,
/// NULL first (the column's own collation decides, where an Order By of the walked values would not
/// know it).
QString walkSql(const DistinctList& list);

/// \brief How many values (NULL aside) a walk finds, stopping after the bound value (one placeholder):
/// more than the bound means reading every row is cheaper.
QString walkCountSql(const DistinctList& list);

/// The most values a walk lists before reading every row pays better.
inline constexpr int MaxWalkedValues = 2000;

/// \brief Statistics of the column (pg_stats' n_distinct, pg_class' reltuples) for the current schema:
/// values table, column, both lower case.
QString distinctEstimateSql();

/// \brief Whether probing each value beats reading every row: few values for many rows. `nDistinct` as
/// pg_stats gives it (negative: a fraction of the rows).
bool skipScanPays(double nDistinct, double rows);

}  // namespace kestrum

#include "Distinct.h"

#include <QRegularExpression>

namespace kestrum {

std::optional<DistinctList> parseDistinctList(const QString& sql) {
    static const QRegularExpression shape(
        QStringLiteral("^select\\s+distinct\\s+([A-Za-z_][A-Za-z0-9_]*)\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = shape.match(sql.simplified());
    if (!m.hasMatch()) return std::nullopt;
    return DistinctList{m.captured(1), m.captured(2)};
}

QString skipScanSql(const DistinctList& list) {
    // Min() with a lower bound is answered from the index (either NULL placement); the NULL, when any
    // row has one, is a probe of its own. The outer order puts the few values as SQLite's index gives them.
    return QStringLiteral(
               "With Recursive r(v) As ("
               "Select Min(t.%1) From %2 t "
               "Union All "
               "Select (Select Min(t.%1) From %2 t Where t.%1 > r.v) From r Where r.v Is Not Null), "
               "n(v) As (Select t.%1 From %2 t Where t.%1 Is Null Limit 1) "
               "Select d.v As %1 From (Select n.v From n Union All Select r.v From r Where r.v Is Not Null) d "
               "Order By d.v Nulls First")
        .arg(list.column, list.table);
}

namespace {

// The values in the column's order, one index probe each, numbered as walked.
QString numberedWalk(const DistinctList& list, const QString& stop) {
    return QStringLiteral(
               "With Recursive r(v, k) As ("
               "Select Min(t.%1), 1 From %2 t "
               "Union All "
               "Select (Select Min(t.%1) From %2 t Where t.%1 > r.v), r.k + 1 From r Where r.v Is Not Null%3) ")
        .arg(list.column, list.table, stop);
}

}  // namespace

QString walkSql(const DistinctList& list) {
    return numberedWalk(list, QString()) +
           QStringLiteral("Select d.v As %1 From (Select 0 As k, n.v As v From (Select t.%1 As v From %2 t Where t.%1 Is Null "
                          "Limit 1) n Union All Select r.k, r.v From r Where r.v Is Not Null) d Order By d.k")
               .arg(list.column, list.table);
}

QString walkCountSql(const DistinctList& list) {
    return numberedWalk(list, QStringLiteral(" And r.k <= ?")) + QStringLiteral("Select Count(*) From r Where r.v Is Not Null");
}

QString distinctEstimateSql() {
    return QStringLiteral(
        "Select s.n_distinct, c.reltuples From pg_stats s "
        "Join pg_namespace n On n.nspname = s.schemaname "
        "Join pg_class c On c.relnamespace = n.oid And c.relname = s.tablename "
        "Where s.schemaname = current_schema() And s.tablename = ? And s.attname = ?");
}

bool skipScanPays(double nDistinct, double rows) {
    // A probe costs about what reading a hundred rows does; past a few thousand values the walk
    // would take longer than the whole read however big the table.
    const double values = nDistinct < 0 ? -nDistinct * rows : nDistinct;
    return rows > 0 && values > 0 && values * 100 <= rows && values <= 2000;
}

}  // namespace kestrum

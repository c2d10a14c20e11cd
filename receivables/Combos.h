#pragma once
// The drop-down lists of these windows: the distinct values of one column, read right before
// the list opens.
#include <QString>
#include <QVariant>

namespace kestrum {
class Query;
}
namespace kestrum::records {
class ListCombo;
}

namespace kestrum::receivables {

/// \brief Runs `sql` (a select of distinct values) on `q` and makes its `column` values, empty
/// ones left out, the combo's list; the typed text stays. Throws DatabaseError.
void fillDistinct(records::ListCombo* combo, Query* q, const QString& sql, const QString& column);

/// \brief The sum in column "Expr1000" of `sql` run on `q` with `values` bound, as the database
/// gives it ("" when no row was summed).
QString sumText(Query* q, const QString& sql, const QVariantList& values = {});

}  // namespace kestrum::receivables

#pragma once
// Deleting one row of a table without a key. Payments and deposits have no key column, and two
// of them may hold the same values (two cash payments of 20 on one day), so a plain Delete by
// value could remove more than the one row the user chose.
#include <QList>
#include <QString>
#include <QVariant>

namespace kestrum {
class Query;
}

namespace kestrum::receivables {

struct ColumnValue {
    QString column;
    QVariant value;  ///< a null value matches NULL; an empty text matches empty text or NULL
};

/// \brief Deletes exactly one row of `table` among those whose columns equal `match`. Where
/// several rows match, the one dropped is the first that also equals `prefer` (else the first);
/// the others are written back, all in one transaction. Returns whether a row was deleted.
/// Runs on `q`; throws DatabaseError (nothing is then changed).
bool deleteOneRow(Query* q, const QString& table, const QList<ColumnValue>& match,
                  const QList<ColumnValue>& prefer = {});

}  // namespace kestrum::receivables

#pragma once
// Finding a record again in a list whose order has changed (a title click re-sorts the list
// the boxes were filled from).
#include <QList>
#include <QString>

#include <utility>

namespace kestrum {

class Query;

/// One column of a record's identity and the value it holds, as Field::AsString reads it.
using KeyValue = std::pair<QString, QString>;

/// \brief Makes current the first row, in the order shown, whose every `key` column reads exactly
/// its value. Returns false when none does (or `key` is empty, or names a column the list lacks);
/// the current row is then left wherever the search ended. A closed query has no rows to find.
bool locateRecord(Query& query, const QList<KeyValue>& key);

}  // namespace kestrum

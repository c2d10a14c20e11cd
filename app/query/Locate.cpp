#include "Locate.h"

#include "Query.h"

namespace kestrum {

bool locateRecord(Query& query, const QList<KeyValue>& key)
{
    if (key.isEmpty() || !query.Active())
        return false;
    // Locate finds the first candidate (the database does for a long list); it ignores case, so
    // the exact values are checked here, and a row further on may be the one.
    if (!query.Locate(key.front().first, key.front().second, false))
        return false;
    QList<int> columns;
    for (const KeyValue& k : key) {
        columns << query.fieldIndex(k.first);
        if (columns.back() < 0)
            return false;
    }
    for (int row = query.RecNo(); row >= 0; ++row) {
        while (row >= query.fetchedCount() && query.canFetchMore() && query.fetchMore(256) > 0) {
        }
        if (row >= query.fetchedCount())
            break;
        bool same = true;
        for (qsizetype i = 0; same && i < key.size(); ++i)
            same = query.fieldAt(row, columns[i]).AsString() == key[i].second;
        if (same)
            return query.SetRecNo(row);
    }
    return false;
}

}  // namespace kestrum

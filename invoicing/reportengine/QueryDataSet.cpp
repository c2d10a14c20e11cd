#include "QueryDataSet.h"

#include "Query.h"

#include <algorithm>

namespace kestrum::report {

QueryDataSet::QueryDataSet(Query* query, QString userName) : query_(query), name_(std::move(userName)) {
    if (query_)
        reloaded_ = QObject::connect(query_, &Query::reloaded, [this] {
            columns_.clear();
            replaced_ = watching_;
        });
}

QueryDataSet::~QueryDataSet() { QObject::disconnect(reloaded_); }

QString QueryDataSet::name() const {
    if (!name_.isEmpty() || !query_)
        return name_;
    return query_->Name();
}

void QueryDataSet::prepare() {
    replaced_ = false;
    watching_ = query_ && query_->Active();
}

bool QueryDataSet::hasRow(int row) {
    if (watching_ && (replaced_ || !query_ || !query_->Active()))
        throw ReportError(QStringLiteral("The rows of %1 changed while the report was laid out; run it again.").arg(name()));
    if (row < 0 || !query_ || !query_->Active())
        return false;
    while (row >= query_->fetchedCount() && query_->canFetchMore())
        if (query_->fetchMore(std::max(256, row + 1 - query_->fetchedCount())) == 0)
            break;
    return row < query_->fetchedCount();
}

int QueryDataSet::rowCount() const { return query_ && query_->Active() ? query_->fetchedCount() : 0; }

int QueryDataSet::currentRow() const { return query_ && query_->Active() ? query_->RecNo() : -1; }

bool QueryDataSet::hasField(const QString& field) const {
    if (!query_ || !query_->Active())
        return true;
    return columnOf(field) >= 0;
}

// A report reads the same few fields of every row: their columns are looked up once per result.
int QueryDataSet::columnOf(const QString& field) const {
    const auto it = columns_.constFind(field);
    if (it != columns_.cend())
        return *it;
    const int col = query_->fieldIndex(field);
    if (query_->Active())
        columns_.insert(field, col);
    return col;
}

int QueryDataSet::column(const QString& field) const {
    const int col = query_ ? columnOf(field) : -1;
    if (col < 0 && query_ && query_->Active())
        throw ReportError(QStringLiteral("%1 has no field %2").arg(name(), field));
    return col;
}

QString QueryDataSet::text(int row, const QString& field) const {
    const int col = column(field);
    if (col < 0 || row < 0 || row >= rowCount())
        return {};
    return query_->fieldAt(row, col).AsString();
}

QVariant QueryDataSet::value(int row, const QString& field) const {
    const int col = column(field);
    if (col < 0 || row < 0 || row >= rowCount())
        return {};
    return query_->fieldAt(row, col).AsVariant();
}

}  // namespace kestrum::report

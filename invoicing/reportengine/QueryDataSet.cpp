#include "QueryDataSet.h"

#include "Query.h"

namespace kestrum::report {

QueryDataSet::QueryDataSet(Query* query, QString userName) : query_(query), name_(std::move(userName)) {}

QString QueryDataSet::name() const {
    if (!name_.isEmpty() || !query_)
        return name_;
    return query_->Name();
}

void QueryDataSet::prepare() {
    if (query_ && query_->Active())
        query_->RecordCount();
}

int QueryDataSet::rowCount() const { return query_ && query_->Active() ? query_->fetchedCount() : 0; }

int QueryDataSet::currentRow() const { return query_ && query_->Active() ? query_->RecNo() : -1; }

bool QueryDataSet::hasField(const QString& field) const {
    if (!query_ || !query_->Active())
        return true;
    return query_->fieldIndex(field) >= 0;
}

int QueryDataSet::column(const QString& field) const {
    const int col = query_ ? query_->fieldIndex(field) : -1;
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

#include "NameList.h"

#include "Query.h"

namespace kestrum::lines {

NameList::NameList(Query* query, QString table, QString nameColumn, QString keyColumn, QObject* parent)
    : QAbstractListModel(parent),
      query_(query),
      table_(std::move(table)),
      nameColumn_(std::move(nameColumn)),
      keyColumn_(std::move(keyColumn)) {}

void NameList::reload() {
    beginResetModel();
    names_.clear();
    lastKey_ = QVariant();
    done_ = false;
    endResetModel();
    readPage(PageRows);
}

bool NameList::readPage(int rows) {
    if (done_) return false;
    if (keyColumn_.isEmpty()) {
        query_->setStatement("Select " + nameColumn_ + " From " + table_);
    } else {
        QString sql = "Select " + keyColumn_ + ", " + nameColumn_ + " From " + table_;
        QVariantList values;
        if (!lastKey_.isNull()) {
            sql += "\nwhere " + keyColumn_ + " >?";
            values << lastKey_;
        }
        query_->setStatement(sql + "\nOrder By " + keyColumn_ + " Limit ?", values << rows);
    }
    query_->Open();
    QStringList page;
    QVariant key = lastKey_;
    for (query_->First(); !query_->Eof(); query_->Next()) {
        page << query_->FieldByName(nameColumn_).AsString();
        if (!keyColumn_.isEmpty()) key = query_->FieldByName(keyColumn_).AsInteger();
    }
    query_->Close();
    done_ = keyColumn_.isEmpty() || page.size() < rows;
    lastKey_ = key;
    if (page.isEmpty()) return false;
    beginInsertRows({}, int(names_.size()), int(names_.size() + page.size()) - 1);
    names_ += page;
    endInsertRows();
    return true;
}

int NameList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(names_.size()); }

QVariant NameList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= names_.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return names_[index.row()];
}

bool NameList::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && !done_; }

void NameList::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid()) readPage(PageRows);
}

QModelIndex NameList::firstStartingWith(const QString& prefix) {
    const QModelIndexList hits = match(index(0, 0), Qt::DisplayRole, prefix, 1, Qt::MatchStartsWith);
    return hits.isEmpty() ? QModelIndex() : hits.front();
}

QModelIndexList NameList::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                Qt::MatchFlags flags) const {
    QModelIndexList found = QAbstractListModel::match(start, role, value, hits, flags);
    auto* self = const_cast<NameList*>(this);  // reading on is not a change of what the list holds
    while ((hits < 0 || found.size() < hits) && !done_) {
        const int from = int(names_.size());
        if (!self->readPage(16 * PageRows)) break;
        found += QAbstractListModel::match(index(from, 0), role, value, hits < 0 ? -1 : hits - int(found.size()),
                                           flags & ~Qt::MatchWrap);
    }
    return found;
}

}  // namespace kestrum::lines

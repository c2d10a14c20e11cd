#include "QueryModel.h"

#include "Query.h"

#include <QItemSelectionModel>

namespace kestrum {

QueryModel::QueryModel(Query* query, QObject* parent) : QAbstractTableModel(parent), query_(query) {
    // A grid shows a window of its list: the query reads the pages around it by key.
    query->setPaged(true);
    connect(query, &Query::reloaded, this, &QueryModel::reload);
    connect(query, &Query::rowsFetched, this, &QueryModel::rowsArrived);
    connect(query, &Query::currentChanged, this, &QueryModel::currentArrived);
    rows_ = query->fetchedCount();
    columns_ = query->FieldCount();
}

void QueryModel::setTitles(const QStringList& titles) {
    titles_ = titles;
    if (columns_ > 0) emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void QueryModel::reload() {
    beginResetModel();
    rows_ = query_ ? query_->fetchedCount() : 0;
    columns_ = query_ ? query_->FieldCount() : 0;
    endResetModel();
    if (query_) currentArrived(query_->RecNo());
}

void QueryModel::rowsArrived() {
    const int now = query_ ? query_->fetchedCount() : 0;
    if (now <= rows_) return;
    beginInsertRows({}, rows_, now - 1);
    rows_ = now;
    endInsertRows();
}

int QueryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int QueryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant QueryModel::data(const QModelIndex& index, int role) const {
    if (!query_ || !index.isValid() || index.row() >= rows_ || index.column() >= columns_) return {};
    if (role == Qt::DisplayRole) {
        // A page read while painting can fail (link lost); the cell stays empty and the next
        // action the user takes reports it.
        try {
            return query_->fieldAt(index.row(), index.column()).AsString();
        } catch (const std::exception&) {
            return {};
        }
    }
    if (role == Qt::TextAlignmentRole) {
        const ColumnKind k = query_->columnKind(index.column());
        if (k == ColumnKind::Integer || k == ColumnKind::Number)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section >= 0 && section < titles_.size()) return titles_[section];
    if (query_ && section >= 0 && section < columns_) return query_->FieldNames().value(section);
    return {};
}

bool QueryModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) || section < 0)
        return false;
    while (titles_.size() <= section)
        titles_ << (query_ ? query_->FieldNames().value(int(titles_.size())) : QString());
    titles_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

bool QueryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && query_ && query_->canFetchMore();
}

void QueryModel::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid() && query_) query_->fetchMore(batch_);  // rowsFetched announces them
}

void QueryModel::sort(int column, Qt::SortOrder) {
    if (query_ && query_->Active() && column >= 0 && column < columns_)
        query_->SetSort(query_->FieldNames().value(column));
}

void QueryModel::followSelection(QItemSelectionModel* selection) {
    if (selection_) disconnect(selection_, nullptr, this, nullptr);
    selection_ = selection;
    if (!selection) return;
    connect(selection, &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (syncing_ || !query_ || !current.isValid()) return;
                syncing_ = true;
                query_->SetRecNo(current.row());
                syncing_ = false;
            });
    if (query_) currentArrived(query_->RecNo());
}

void QueryModel::currentArrived(int row) {
    if (syncing_ || !selection_ || selection_->model() != this) return;
    syncing_ = true;
    if (row >= 0 && row < rows_) {
        const int column = std::max(selection_->currentIndex().column(), 0);
        selection_->setCurrentIndex(index(row, std::min(column, columns_ - 1)),
                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selection_->clearCurrentIndex();
    }
    syncing_ = false;
}

}  // namespace kestrum

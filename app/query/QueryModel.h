#pragma once
// Grid model over a pool query: shows what the query last returned and follows its current row.
#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

class QItemSelectionModel;

namespace kestrum {

class Query;

class QueryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit QueryModel(Query* query, QObject* parent = nullptr);

    Query* query() const { return query_; }
    /// \brief Column titles by position; columns past the list keep the field name.
    void setTitles(const QStringList& titles);
    /// \brief Rows fetched per fetchMore (default 256).
    void setBatchSize(int rows) { batch_ = rows > 0 ? rows : 1; }

    /// \brief Keeps `selection`'s current row and the query's current row the same, both ways.
    void followSelection(QItemSelectionModel* selection);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    /// DisplayRole: Field::AsString; TextAlignmentRole: numbers right-aligned.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;
    /// Title-click sorting: ascending sort of the query by that column (order is ignored).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void reload();
    void rowsArrived();
    void currentArrived(int row);

    QPointer<Query> query_;
    QStringList titles_;
    int rows_ = 0;     // rows announced to views
    int columns_ = 0;  // columns announced to views
    int batch_ = 256;
    QPointer<QItemSelectionModel> selection_;
    bool syncing_ = false;
};

}  // namespace kestrum

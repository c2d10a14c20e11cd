#pragma once
// A pool query as a report dataset. It reads the query as it stands: no Close, no re-query, and
// the current row is never moved (rows are read by index), so grids showing the same query stay
// where they are and a memo outside a data band prints the row the window has current.
#include "ReportDataSet.h"

#include <QHash>
#include <QPointer>

namespace kestrum {
class Query;
}

namespace kestrum::report {

class QueryDataSet : public ReportDataSet {
public:
    /// `userName` is the dataset's name in messages; the query's own name when empty.
    explicit QueryDataSet(Query* query, QString userName = {});
    ~QueryDataSet() override;
    QueryDataSet(const QueryDataSet&) = delete;
    QueryDataSet& operator=(const QueryDataSet&) = delete;

    Query* query() const { return query_; }

    QString name() const override;
    /// \brief Starts a report: from here on the query's rows are read only as far as the layout
    /// asks (hasRow), and the query must not be reopened, closed or freed until the report is
    /// laid out: hasRow then throws ReportError rather than mix two results in one report.
    void prepare() override;
    int rowCount() const override;
    bool hasRow(int row) override;
    int currentRow() const override;
    /// A closed query reads as no rows; its fields then print empty.
    bool hasField(const QString& field) const override;
    QString text(int row, const QString& field) const override;
    QVariant value(int row, const QString& field) const override;

private:
    int column(const QString& field) const;
    int columnOf(const QString& field) const;  // -1 for none
    QPointer<Query> query_;
    QString name_;
    bool watching_ = false;  // a report is being laid out from the query
    bool replaced_ = false;  // ... and its rows were replaced or dropped meanwhile
    QMetaObject::Connection reloaded_;
    mutable QHash<QString, int> columns_;  // field name as asked -> column of the open result
};

}  // namespace kestrum::report

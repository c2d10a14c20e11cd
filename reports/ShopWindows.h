#pragma once
// What the Shop menu's windows share: a caption with its buddy box, an own query bound to a grid
// with money columns, and opening an invoice or estimate window on one document.
#include "Grid.h"

#include <QString>
#include <QVariantList>

class QGridLayout;
class QLabel;
class QTableView;
class QWidget;

namespace kestrum {
class Query;
}

namespace kestrum::reports {

/// A caption label in `layout` at (row, column) with `box` beside it as its buddy.
QLabel* addCaptioned(QGridLayout* layout, int row, int column, const QString& caption, QWidget* box);

/// A grid named `name` over `q` with these titles and widths; `money` columns show "#.##".
ui::Grid* makeGrid(QTableView* view, Query* q, QObject* owner, const QList<ui::GridColumn>& columns,
                   const QList<int>& money);

/// Runs `sql` with `values` bound on `q` and shows its rows.
void openStatement(Query* q, const QString& sql, const QVariantList& values);

/// \brief Shows document `number` in the open window of `className` ("TInvoice", "TEstimate"),
/// opening one when none is open; false when the window could not be opened or has no such
/// document (the user is told).
bool openDocument(const QString& className, qint64 number);

}  // namespace kestrum::reports

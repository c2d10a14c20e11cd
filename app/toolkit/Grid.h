#pragma once
// What a record window needs of its grid: titles and widths by position, a title click that
// names the column's field, red (255) / black title colours, and the grid's key events.
#include <QColor>
#include <QHeaderView>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTableView>

namespace kestrum {
class Query;
class QueryModel;
}

namespace kestrum::ui {

/// A colour given as the toolkit's 24-bit value (0x00BBGGRR: 255 is red).
QColor colorValue(quint32 value);

struct GridColumn {
    QString title;
    int width = 64;
};

/// \brief Horizontal header whose section titles can be coloured one by one.
class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridHeader(QWidget* parent = nullptr);
    void setTitleColor(int section, const QColor& color);
    QColor titleColor(int section) const;
    void resetTitleColors();
    /// Width the title needs to be read whole.
    int titleWidth(int section) const { return sectionSizeFromContents(section).width(); }

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;

private:
    QHash<int, QColor> colors_;
};

/// \brief Sets a QTableView up as a record grid (whole-row selection, one row, no in-place
/// editing, our header) and keeps its column layout: the titles and widths are applied again
/// whenever the model is reset, i.e. after every reload of the query it shows.
class Grid : public QObject {
    Q_OBJECT
public:
    explicit Grid(QTableView* view);

    QTableView* view() const { return view_; }
    GridHeader* header() const { return header_; }

    void setColumns(const QList<GridColumn>& columns);
    void setColumn(int position, const QString& title, int width);
    /// Applies the titles and widths now (after a model change the grid does it itself).
    void applyColumns();
    /// \brief Columns grow to show their title and the values in view whole, each up to two
    /// fifths of the grid's width; the set widths stay the least, and the user can still resize.
    void setFitToContents(bool on);

    /// Field name of the column at `position` (the query's column name, not the title).
    QString fieldName(int position) const;
    /// Turns every title black and, when `position` >= 0, that one red (the sorted column).
    void markSorted(int position);
    /// \brief Shows the numbers of these columns in the money format ("#.##") and right-aligned;
    /// the model's values (and so a CSV export) stay exact.
    void setMoneyColumns(const QList<int>& positions);

signals:
    /// A column title was clicked; `fieldName` names the column's field.
    void titleClicked(int position, const QString& fieldName);
    /// A key went up in the grid (Qt key code).
    void keyReleased(int key);
    /// A character key was typed in the grid.
    void characterTyped(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachModel();
    void fitColumns();

    QPointer<QTableView> view_;
    GridHeader* header_;
    QList<GridColumn> columns_;
    QPointer<QAbstractItemModel> model_;
    bool fit_ = false;
};

class Grid;

/// A lazy QueryModel over `q` shown in `view` and kept in step with the query's current row, with
/// the grid helper for titles, widths and title clicks; the model belongs to `owner`.
struct GridBinding {
    QueryModel* model = nullptr;
    Grid* grid = nullptr;
};
GridBinding bindGrid(QTableView* view, Query* q, QObject* owner);

}  // namespace kestrum::ui

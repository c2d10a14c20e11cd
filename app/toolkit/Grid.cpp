#include "Grid.h"

#include "CsvExport.h"

#include "QueryModel.h"
#include "Query.h"

#include "Format.h"

#include <algorithm>

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QStyleOptionHeader>
#include <QTableView>

namespace kestrum::ui {

QColor colorValue(quint32 value)
{
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

GridHeader::GridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
}

void GridHeader::setTitleColor(int section, const QColor& color)
{
    colors_.insert(section, color);
    viewport()->update();
}

QColor GridHeader::titleColor(int section) const
{
    return colors_.value(section, QColor(Qt::black));
}

void GridHeader::resetTitleColors()
{
    colors_.clear();
    viewport()->update();
}

void GridHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    option->palette.setColor(QPalette::ButtonText, titleColor(logicalIndex));
}

Grid::Grid(QTableView* view) : QObject(view), view_(view), header_(new GridHeader(view))
{
    view->setHorizontalHeader(header_);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSortingEnabled(false);  // sorting is the window's business (title click)
    view->installEventFilter(this);
    addCsvExport(view);  // every grid of the program is made here
    connect(header_, &QHeaderView::sectionClicked, this,
            [this](int section) { emit titleClicked(section, fieldName(section)); });
    attachModel();
}

GridBinding bindGrid(QTableView* view, Query* q, QObject* owner)
{
    GridBinding b;
    b.model = new QueryModel(q, owner);
    view->setModel(b.model);
    b.model->followSelection(view->selectionModel());
    b.grid = new Grid(view);
    return b;
}

void Grid::attachModel()
{
    if (!view_ || view_->model() == model_)
        return;
    if (model_)
        disconnect(model_, nullptr, this, nullptr);
    model_ = view_->model();
    if (model_) {
        connect(model_, &QAbstractItemModel::modelReset, this, &Grid::applyColumns);
        connect(model_, &QAbstractItemModel::rowsInserted, this, [this] {
            if (fit_)
                fitColumns();
        });
    }
}

void Grid::setFitToContents(bool on)
{
    fit_ = on;
    if (on)
        fitColumns();
}

void Grid::fitColumns()
{
    if (!view_ || !model_)
        return;
    const int room = std::max(view_->viewport()->width(), view_->width());
    const int most = std::max(60, room * 2 / 5);
    // Only the rows in view are measured, so a long list costs no more than a short one (Qt's own
    // column measure reads every row of a view not shown yet, and so every page of a long list).
    const int rowHeight = std::max(1, view_->verticalHeader()->defaultSectionSize());
    const int top = std::max(0, view_->rowAt(0));
    const int end = std::min(model_->rowCount(), top + view_->viewport()->height() / rowHeight + 1);
    for (int i = 0; i < model_->columnCount(); ++i) {
        if (view_->isColumnHidden(i))
            continue;
        int wanted = header_->titleWidth(i);
        for (int r = top; r < end; ++r)
            wanted = std::max(wanted, view_->sizeHintForIndex(model_->index(r, i)).width() + (view_->showGrid() ? 1 : 0));
        const int width = std::min(wanted, most);
        if (width > view_->columnWidth(i))
            view_->setColumnWidth(i, width);
    }
}

void Grid::setColumns(const QList<GridColumn>& columns)
{
    columns_ = columns;
    applyColumns();
}

void Grid::setColumn(int position, const QString& title, int width)
{
    while (columns_.size() <= position)
        columns_.append(GridColumn{});
    columns_[position] = GridColumn{title, width};
    applyColumns();
}

void Grid::applyColumns()
{
    attachModel();
    if (!view_ || !model_)
        return;
    for (int i = 0; i < columns_.size() && i < model_->columnCount(); ++i) {
        if (!columns_[i].title.isEmpty())
            model_->setHeaderData(i, Qt::Horizontal, columns_[i].title);
        view_->setColumnWidth(i, columns_[i].width);
    }
    // The row version tells one save from another; it means nothing to the user.
    for (int i = 0; i < model_->columnCount(); ++i)
        view_->setColumnHidden(i, fieldName(i).compare(QLatin1String("RowVersion"), Qt::CaseInsensitive) == 0);
    if (fit_)
        fitColumns();
}

QString Grid::fieldName(int position) const
{
    // The titles of a query grid are set by the window; the field name comes from the query.
    if (model_ && model_->inherits("kestrum::QueryModel")) {
        auto* qm = static_cast<kestrum::QueryModel*>(model_.data());
        if (qm->query())
            return qm->query()->FieldNames().value(position);
    }
    return model_ ? model_->headerData(position, Qt::Horizontal).toString() : QString();
}

void Grid::markSorted(int position)
{
    header_->resetTitleColors();
    if (position >= 0)
        header_->setTitleColor(position, colorValue(255));
}

namespace {

class MoneyDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale&) const override
    {
        const auto d = Decimal::parse(value.toString());
        return d ? formatMoney(*d) : value.toString();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
};

}  // namespace

void Grid::setMoneyColumns(const QList<int>& positions)
{
    if (!view_)
        return;
    auto* money = new MoneyDelegate(view_);
    for (int p : positions)
        view_->setItemDelegateForColumn(p, money);
}

bool Grid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        emit keyReleased(static_cast<QKeyEvent*>(event)->key());
    } else if (event->type() == QEvent::KeyPress) {
        QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint())
            emit characterTyped(text);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kestrum::ui

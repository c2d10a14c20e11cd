// The data-aware grid: the view following its dataset, moving, deleting, cell drawing and editors.
#include <vantrel/grid/DBGrid.h>

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

#include <algorithm>

namespace vantrel {

namespace {

// The row header doubles as the indicator column.
class TIndicatorHeader : public QHeaderView {
public:
    explicit TIndicatorHeader(TCustomDBGrid* grid) : QHeaderView(Qt::Vertical, grid), FGrid(grid) {
        setSectionsClickable(true);
        setHighlightSections(false);
    }
    QSize sizeHint() const override {
        QSize s = QHeaderView::sizeHint();
        s.setWidth(FGrid->IndicatorWidth());
        return s;
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        QColor face = FGrid->FixedColor().isValid() ? FGrid->FixedColor() : palette().color(QPalette::Button);
        painter->fillRect(rect, face);
        painter->setPen(palette().color(QPalette::Mid));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->restore();
        painter->save();
        FGrid->DrawIndicator(painter, rect, logicalIndex);
        painter->restore();
    }

private:
    TCustomDBGrid* FGrid;
};

// Editor of a column with an ellipsis button.
class TEllipsisEditor : public QWidget {
public:
    TEllipsisEditor(QWidget* parent, TCustomDBGrid* grid) : QWidget(parent) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        Edit = new QLineEdit(this);
        auto* button = new QToolButton(this);
        button->setObjectName("EditButton");
        button->setText("...");
        layout->addWidget(Edit);
        layout->addWidget(button);
        setFocusProxy(Edit);
        QObject::connect(button, &QToolButton::clicked, grid, &TCustomDBGrid::EditButtonClicked);
    }
    QLineEdit* Edit;
};

} // namespace

// ---- TDBGridDelegate ----------------------------------------------------------------------------

TDBGridDelegate::TDBGridDelegate(TCustomDBGrid* grid) : QStyledItemDelegate(grid), FGrid(grid) {}

void TDBGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    FGrid->DrawCell(painter, option, index);
}

QWidget* TDBGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex& index) const {
    std::vector<TColumn*> cols = FGrid->VisibleColumns();
    if (index.column() >= static_cast<int>(cols.size()))
        return nullptr;
    TColumn* col = cols[static_cast<size_t>(index.column())];
    TField* f = col->Field();
    QWidget* editor;
    QLineEdit* line = nullptr;
    if (!col->PickList.isEmpty()) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->addItems(col->PickList);
        line = combo->lineEdit();
        editor = combo;
    } else if (col->ButtonStyle() == cbsEllipsis) {
        auto* e = new TEllipsisEditor(parent, FGrid);
        line = e->Edit;
        editor = e;
    } else {
        line = new QLineEdit(parent);
        editor = line;
    }
    if (line && f && (f->DataType() == ftString || f->DataType() == ftFixedChar) && f->Size() > 0)
        line->setMaxLength(f->Size());
    editor->setAttribute(Qt::WA_InputMethodEnabled, FGrid->ImeMode() != imDisable);
    if (line)
        line->setAttribute(Qt::WA_InputMethodEnabled, FGrid->ImeMode() != imDisable);
    editor->setAutoFillBackground(true);
    FEditor = editor;
    return editor;
}

void TDBGridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (editor == FEditor)
        FEditor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

void TDBGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    QString text = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        combo->setEditText(text);
    else if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(text);
    else if (auto* line2 = editor->findChild<QLineEdit*>())
        line2->setText(text);
}

void TDBGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                   const QModelIndex& index) const {
    QString text;
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        text = combo->currentText();
    else if (auto* line = qobject_cast<QLineEdit*>(editor))
        text = line->text();
    else if (auto* line2 = editor->findChild<QLineEdit*>())
        text = line2->text();
    model->setData(index, text, Qt::EditRole);
}

// ---- TCustomDBGrid ------------------------------------------------------------------------------

TCustomDBGrid::TCustomDBGrid(QWidget* parent)
    : QTableView(parent), FDataLink(this), FModel(new TDBGridModel(this)),
      FDelegate(new TDBGridDelegate(this)), FColumns(this), FSelectedRows(this) {
    // The link's window of three records lets a new record be placed beside a neighbour.
    FDataLink.SetBufferCount(3);
    setVerticalHeader(new TIndicatorHeader(this));
    setModel(FModel);
    setItemDelegate(FDelegate);
    setSelectionMode(QAbstractItemView::NoSelection);
    setShowGrid(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setFocusPolicy(Qt::StrongFocus);
    setTabKeyNavigation(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(true);
    FTitleFont = font();
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TCustomDBGrid::TitleClicked);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &TCustomDBGrid::SectionMoved);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &TCustomDBGrid::SectionResized);
    connect(verticalHeader(), &QHeaderView::sectionPressed, this,
            [this](int row) { Guarded([&] { MoveToRow(row); }); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (OnCellClick) {
            std::vector<TColumn*> cols = VisibleColumns();
            if (index.column() < static_cast<int>(cols.size()))
                Guarded([&] { OnCellClick(this, cols[static_cast<size_t>(index.column())]); });
        }
    });
    ApplyOptions();
    ApplyFrame();
}

TCustomDBGrid::~TCustomDBGrid() {
    FDataLink.SetDataSource(nullptr);
}

void TCustomDBGrid::SetDataSource(TDataSource* source) {
    if (source == FDataLink.DataSource())
        return;
    bool wasActive = FDataLink.Active();
    FDataLink.SetDataSource(source);
    if (wasActive == FDataLink.Active()) // otherwise ActiveChanged did it
        LinkActive(FDataLink.Active());
}

TDataSet* TCustomDBGrid::DataSet() const {
    return FDataLink.DataSet();
}

std::vector<TColumn*> TCustomDBGrid::VisibleColumns() const {
    std::vector<TColumn*> cols;
    for (const auto& c : FColumns.FItems)
        if (c->Visible())
            cols.push_back(c.get());
    return cols;
}

int TCustomDBGrid::SelectedIndex() const {
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void TCustomDBGrid::SetSelectedIndex(int index) {
    SetCurrentColumn(index);
}

TField* TCustomDBGrid::SelectedField() const {
    std::vector<TColumn*> cols = VisibleColumns();
    int i = SelectedIndex();
    if (i < 0 && !cols.empty())
        i = 0;
    return i >= 0 && i < static_cast<int>(cols.size()) ? cols[static_cast<size_t>(i)]->Field() : nullptr;
}

int TCustomDBGrid::VisibleRowCount() const {
    int h = std::max(1, verticalHeader()->defaultSectionSize());
    return std::max(1, viewport()->height() / h);
}

// ---- Following the dataset ----------------------------------------------------------------------

void TCustomDBGrid::LinkActive(bool active) {
    FSelectedRows.Clear();
    if (FColumns.State() == csDefault)
        FColumns.RebuildDefault();
    (void)active;
    Guarded([&] { FModel->Reload(); }); // an inactive dataset empties the model
    SetColumnAttributes();
    SyncToDataSet();
}

void TCustomDBGrid::DataChanged() {
    TDataSet* ds = DataSet();
    Guarded([&] {
        if (FInternalMove && ds && ds->State() == dsBrowse && FModel->CurrentRow() >= 0) {
            // The grid moved the dataset itself (a bookmark or a posted or cancelled edit of a
            // record it shows): the rows are the same, only the current one may read otherwise.
            FModel->UpdateInsertRow();
            FModel->RefreshCurrentRow();
        } else if (ds && ds->State() == dsInsert) {
            FModel->UpdateInsertRow();
        } else if (ds && ds->State() == dsEdit && FModel->CurrentRow() >= 0) {
            FModel->RefreshCurrentRow();
        } else {
            FModel->Reload();
            FSelectedRows.Refresh();
        }
    });
    SyncToDataSet();
    verticalHeader()->viewport()->update();
}

void TCustomDBGrid::Scrolled() {
    if (FModel->CurrentRow() < 0)
        Guarded([&] { FModel->Reload(); });
    SyncToDataSet();
    verticalHeader()->viewport()->update();
}

void TCustomDBGrid::EditingChanged() {
    verticalHeader()->viewport()->update();
    viewport()->update();
}

void TCustomDBGrid::RecordChanged(TField*) {
    FModel->RefreshCurrentRow();
    verticalHeader()->viewport()->update();
}

void TCustomDBGrid::LayoutChanged() {
    if (FLayoutBusy)
        return;
    FLayoutBusy = true;
    if (FColumns.State() == csDefault)
        FColumns.RebuildDefault();
    FModel->ColumnsChanged();
    FLayoutBusy = false;
    SetColumnAttributes();
    SyncToDataSet();
}

void TCustomDBGrid::SetColumnAttributes() {
    bool busy = FLayoutBusy;
    FLayoutBusy = true;
    std::vector<TColumn*> cols = VisibleColumns();
    for (size_t i = 0; i < cols.size(); ++i)
        horizontalHeader()->resizeSection(static_cast<int>(i), cols[i]->Width());
    horizontalHeader()->setSectionResizeMode((FOptions & dgColumnResize) ? QHeaderView::Interactive
                                                                         : QHeaderView::Fixed);
    horizontalHeader()->setSectionsMovable((FOptions & dgColumnResize) != 0);
    verticalHeader()->setFixedWidth(IndicatorWidth());
    verticalHeader()->setVisible((FOptions & dgIndicator) != 0);
    FLayoutBusy = busy;
}

void TCustomDBGrid::SyncToDataSet() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) {
        return;
    }
    int row = FModel->CurrentRow();
    if (row < 0 && ds->State() == dsBrowse && !ds->IsEmpty()) {
        Guarded([&] { FModel->Reload(); });
        row = FModel->CurrentRow();
    }
    if (row < 0)
        return;
    int col = currentIndex().isValid() ? currentIndex().column() : 0;
    col = std::clamp(col, 0, std::max(0, FModel->columnCount() - 1));
    ++FSyncing;
    QModelIndex target = FModel->index(row, col);
    if (target != currentIndex())
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    scrollTo(target);
    --FSyncing;
    viewport()->update();
}

void TCustomDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.column() != previous.column() && previous.isValid() && current.isValid()) {
        Guarded([&] {
            if (OnColExit)
                OnColExit(this);
            if (OnColEnter)
                OnColEnter(this);
        });
    }
    if (FSyncing || FInternalMove || !current.isValid())
        return;
    if (!previous.isValid() || current.row() != previous.row())
        Guarded([&] { MoveToRow(current.row()); });
    viewport()->update();
}

void TCustomDBGrid::MoveToRow(int row) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return;
    if (row == FModel->CurrentRow()) {
        SyncToDataSet();
        return;
    }
    TBookmark target = FModel->BookmarkAt(row);
    ++FInternalMove;
    try {
        ds->CheckBrowseMode();
        if (!target.IsNull() && ds->BookmarkValid(target))
            ds->GotoBookmark(target);
    } catch (...) {
        --FInternalMove;
        SyncToDataSet();
        throw;
    }
    --FInternalMove;
    SyncToDataSet();
}

void TCustomDBGrid::MoveRows(int distance) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || distance == 0)
        return;
    ++FInternalMove;
    try {
        if (ds->State() == dsInsert && !ds->Modified()) {
            int row = FModel->CurrentRow();
            bool atEnd = row == FModel->rowCount() - 1;
            if (distance > 0 && atEnd) {
                // Down on an empty appended record stays there.
            } else {
                ds->Cancel();
                if (distance < 0 && !atEnd)
                    ds->MoveBy(distance);
            }
        } else {
            ds->CheckBrowseMode();
            ds->MoveBy(distance);
            bool canAppend = distance == 1 && ds->Eof() && !FReadOnly && (FOptions & dgEditing) &&
                             !(FOptions & dgRowSelect) && ds->CanModify() && !FDataLink.ReadOnly();
            if (canAppend)
                ds->Append();
        }
    } catch (...) {
        --FInternalMove;
        SyncToDataSet();
        throw;
    }
    --FInternalMove;
    SyncToDataSet();
}

void TCustomDBGrid::SetCurrentColumn(int col) {
    int n = FModel->columnCount();
    if (n == 0)
        return;
    col = std::clamp(col, 0, n - 1);
    int row = currentIndex().isValid() ? currentIndex().row() : std::max(0, FModel->CurrentRow());
    if (row < 0 || row >= FModel->rowCount())
        return;
    ++FSyncing;
    selectionModel()->setCurrentIndex(FModel->index(row, col), QItemSelectionModel::NoUpdate);
    --FSyncing;
    scrollTo(currentIndex());
}

void TCustomDBGrid::DeleteRecords() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || FReadOnly || !ds->CanModify() || FDataLink.ReadOnly())
        return;
    if (ds->IsEmpty() && ds->State() != dsInsert)
        return;
    int selected = FSelectedRows.Count();
    if (FOptions & dgConfirmDelete) {
        const char* question = selected < 2 ? SDeleteRecordQuestion : SDeleteMultipleRecordsQuestion;
        if (!GridConfirm(QString::fromLatin1(question)))
            return;
    }
    if (selected > 0)
        FSelectedRows.Delete();
    else
        ds->Delete();
    FSelectedRows.Clear();
}

bool TCustomDBGrid::CanEditCell(const QModelIndex& index) const {
    if (FReadOnly || !(FOptions & dgEditing) || (FOptions & dgRowSelect) || !index.isValid())
        return false;
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || !ds->CanModify() || FDataLink.ReadOnly())
        return false;
    std::vector<TColumn*> cols = VisibleColumns();
    if (index.column() >= static_cast<int>(cols.size()))
        return false;
    TColumn* col = cols[static_cast<size_t>(index.column())];
    TField* f = col->Field();
    return !col->ReadOnly() && f && f->CanModify() && !f->IsBlob() && index.row() == FModel->CurrentRow();
}

void TCustomDBGrid::EditButtonClicked() {
    if (OnEditButtonClick)
        Guarded([&] { OnEditButtonClick(this); });
}

// ---- Drawing ------------------------------------------------------------------------------------

bool TCustomDBGrid::HighlightCell(int row, int col) const {
    if (row != FModel->CurrentRow())
        return false;
    if (!hasFocus() && !(FOptions & dgAlwaysShowSelection))
        return false;
    return (FOptions & dgRowSelect) || col == currentIndex().column();
}

void TCustomDBGrid::DrawCell(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) {
    std::vector<TColumn*> cols = VisibleColumns();
    if (index.column() >= static_cast<int>(cols.size()))
        return;
    TColumn* col = cols[static_cast<size_t>(index.column())];
    bool highlighted = HighlightCell(index.row(), index.column());
    TGridDrawState state = 0;
    if (highlighted)
        state |= gdSelected;
    if (hasFocus() && index == currentIndex())
        state |= gdFocused;
    QRect r = option.rect;
    painter->save();
    if (FDefaultDrawing) {
        const QPalette& pal = option.palette;
        QColor bg = col->Color().isValid() ? col->Color() : pal.color(QPalette::Base);
        QColor fg = pal.color(QPalette::Text);
        if (highlighted) {
            bg = pal.color(QPalette::Highlight);
            fg = pal.color(QPalette::HighlightedText);
        }
        painter->fillRect(r, bg);
        painter->setPen(fg);
        QString text = index.data(Qt::DisplayRole).toString();
        QRect tr = r.adjusted(2, 0, -2, 0);
        painter->drawText(tr, static_cast<int>(col->Alignment()),
                          option.fontMetrics.elidedText(text, Qt::ElideRight, tr.width()));
        if (state & gdFocused) {
            QPen pen(fg, 1, Qt::DotLine);
            painter->setPen(pen);
            painter->drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    painter->setPen(option.palette.color(QPalette::Mid));
    if (FOptions & dgColLines)
        painter->drawLine(r.topRight(), r.bottomRight());
    if (FOptions & dgRowLines)
        painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
    // Owner drawing: the dataset's cursor stands on the record the cell shows while it draws.
    if (OnDrawColumnCell || (OnDrawDataCell && FColumns.State() == csDefault)) {
        painter->save();
        Guarded([&] {
            if (OnDrawDataCell && FColumns.State() == csDefault)
                OnDrawDataCell(this, painter, r, col->Field(), state);
            if (OnDrawColumnCell)
                OnDrawColumnCell(this, painter, r, index.column(), col, state);
        });
        painter->restore();
    }
}

void TCustomDBGrid::DrawIndicator(QPainter* painter, const QRect& rect, int row) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || row != FModel->CurrentRow())
        return;
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->setBrush(palette().color(QPalette::ButtonText));
    QPoint c = rect.center();
    switch (ds->State()) {
    case dsEdit:
        painter->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
        painter->drawLine(c.x() - 2, c.y() - 4, c.x() + 2, c.y() - 4);
        painter->drawLine(c.x() - 2, c.y() + 4, c.x() + 2, c.y() + 4);
        break;
    case dsInsert:
        painter->drawLine(c.x() - 3, c.y(), c.x() + 3, c.y());
        painter->drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
        painter->drawLine(c.x() - 2, c.y() - 2, c.x() + 2, c.y() + 2);
        painter->drawLine(c.x() - 2, c.y() + 2, c.x() + 2, c.y() - 2);
        break;
    default: {
        QPolygon arrow;
        arrow << QPoint(c.x() - 2, c.y() - 4) << QPoint(c.x() + 2, c.y()) << QPoint(c.x() - 2, c.y() + 4);
        painter->drawPolygon(arrow);
        break;
    }
    }
}

} // namespace vantrel

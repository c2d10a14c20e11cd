// The data-aware grid: the view, its cell drawing and editors, keys and mouse.
#include <vantrel/grid/DBGrid.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
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

void TDBGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    FGrid->DrawCell(painter, option, index);
}

QWidget* TDBGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
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

void TDBGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
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
    : QTableView(parent), FDataLink(this), FModel(new TDBGridModel(this)), FDelegate(new TDBGridDelegate(this)),
      FColumns(this), FSelectedRows(this) {
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
    connect(verticalHeader(), &QHeaderView::sectionPressed, this, [this](int row) {
        Guarded([&] { MoveToRow(row); });
    });
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

TDataSet* TCustomDBGrid::DataSet() const { return FDataLink.DataSet(); }

std::vector<TColumn*> TCustomDBGrid::VisibleColumns() const {
    std::vector<TColumn*> cols;
    for (const auto& c : FColumns.FItems)
        if (c->Visible())
            cols.push_back(c.get());
    return cols;
}

int TCustomDBGrid::SelectedIndex() const { return currentIndex().isValid() ? currentIndex().column() : -1; }

void TCustomDBGrid::SetSelectedIndex(int index) { SetCurrentColumn(index); }

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

void TCustomDBGrid::DrawCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) {
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

// ---- Properties ---------------------------------------------------------------------------------

void TCustomDBGrid::SetOptions(TDBGridOptions options) {
    if (options == FOptions)
        return;
    FOptions = options;
    if (!(FOptions & dgMultiSelect))
        FSelectedRows.Clear();
    ApplyOptions();
    SetColumnAttributes();
    viewport()->update();
}

void TCustomDBGrid::ApplyOptions() {
    horizontalHeader()->setVisible((FOptions & dgTitles) != 0);
    verticalHeader()->setVisible((FOptions & dgIndicator) != 0);
    if (FOptions & dgAlwaysShowEditor)
        setEditTriggers(QAbstractItemView::AllEditTriggers);
    else
        setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::AnyKeyPressed);
}

void TCustomDBGrid::SetDefaultDrawing(bool value) {
    FDefaultDrawing = value;
    viewport()->update();
}

void TCustomDBGrid::SetAlign(TAlign value) {
    if (value == FAlign)
        return;
    if (parentWidget()) {
        if (FAlign == alNone)
            parentWidget()->installEventFilter(this);
        else if (value == alNone)
            parentWidget()->removeEventFilter(this);
    }
    FAlign = value;
    ApplyAlign();
}

void TCustomDBGrid::ApplyAlign() {
    QWidget* p = parentWidget();
    if (!p || FAlign == alNone)
        return;
    QRect area = p->contentsRect();
    QRect g = geometry();
    switch (FAlign) {
    case alTop:
        g = QRect(area.left(), area.top(), area.width(), g.height());
        break;
    case alBottom:
        g = QRect(area.left(), area.bottom() - g.height() + 1, area.width(), g.height());
        break;
    case alLeft:
        g = QRect(area.left(), area.top(), g.width(), area.height());
        break;
    case alRight:
        g = QRect(area.right() - g.width() + 1, area.top(), g.width(), area.height());
        break;
    case alClient:
        g = area;
        break;
    case alNone:
        break;
    }
    setGeometry(g);
}

bool TCustomDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        ApplyAlign();
    return QTableView::eventFilter(watched, event);
}

void TCustomDBGrid::SetBorderStyle(TBorderStyle value) {
    FBorderStyle = value;
    ApplyFrame();
}

void TCustomDBGrid::SetCtl3D(bool value) {
    FCtl3D = value;
    FParentCtl3D = false;
    ApplyFrame();
}

void TCustomDBGrid::SetParentCtl3D(bool value) {
    FParentCtl3D = value;
    if (value) {
        QVariant parent3D = parentWidget() ? parentWidget()->property("Ctl3D") : QVariant();
        FCtl3D = parent3D.isValid() ? parent3D.toBool() : true;
    }
    ApplyFrame();
}

void TCustomDBGrid::ApplyFrame() {
    if (FBorderStyle == bsNone) {
        setFrameShape(QFrame::NoFrame);
        return;
    }
    setFrameShape(FCtl3D ? QFrame::StyledPanel : QFrame::Box);
    setFrameShadow(FCtl3D ? QFrame::Sunken : QFrame::Plain);
}

QColor TCustomDBGrid::Color() const { return palette().color(QPalette::Base); }

void TCustomDBGrid::SetColor(const QColor& color) {
    FColor = color;
    FParentColor = false;
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void TCustomDBGrid::SetParentColor(bool value) {
    FParentColor = value;
    if (value && parentWidget()) {
        QPalette p = palette();
        p.setColor(QPalette::Base, parentWidget()->palette().color(QPalette::Window));
        setPalette(p);
    } else if (!value && FColor.isValid()) {
        SetColor(FColor);
    }
}

void TCustomDBGrid::SetFixedColor(const QColor& color) {
    FFixedColor = color;
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
}

void TCustomDBGrid::SetFont(const QFont& f) {
    FParentFont = false;
    setFont(f);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + 6);
    SetColumnAttributes();
}

void TCustomDBGrid::SetParentFont(bool value) {
    FParentFont = value;
    if (value) {
        setFont(QFont()); // an empty resolve mask inherits the parent's font again
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    }
}

void TCustomDBGrid::SetTitleFont(const QFont& f) {
    FTitleFont = f;
    horizontalHeader()->setFont(f);
    emit FModel->headerDataChanged(Qt::Horizontal, 0, std::max(0, FModel->columnCount() - 1));
}

void TCustomDBGrid::SetImeMode(TImeMode value) {
    FImeMode = value;
    setAttribute(Qt::WA_InputMethodEnabled, value != imDisable);
}

bool TCustomDBGrid::HintsShown() const {
    if (!FParentShowHint)
        return FShowHint;
    QVariant parentValue = parentWidget() ? parentWidget()->property("ShowHint") : QVariant();
    return parentValue.isValid() ? parentValue.toBool() : true;
}

namespace {
// The tab chain of a parent's direct children, in order.
std::vector<QWidget*> tabChain(QWidget* parent) {
    std::vector<QWidget*> chain;
    if (!parent)
        return chain;
    QWidget* w = parent->nextInFocusChain();
    while (w && w != parent) {
        if (w->parentWidget() == parent && (w->focusPolicy() & Qt::TabFocus) &&
            std::find(chain.begin(), chain.end(), w) == chain.end())
            chain.push_back(w);
        w = w->nextInFocusChain();
    }
    return chain;
}
} // namespace

int TCustomDBGrid::TabOrder() const {
    std::vector<QWidget*> chain = tabChain(parentWidget());
    auto it = std::find(chain.begin(), chain.end(), this);
    return it == chain.end() ? -1 : static_cast<int>(it - chain.begin());
}

void TCustomDBGrid::SetTabOrder(int position) {
    // NOTE: Qt 6.4's setTabOrder does not move a scroll area from the start of the chain to its
    // end in one step; moving it one sibling at a time does, and keeps the others' order.
    std::vector<QWidget*> chain = tabChain(parentWidget());
    if (chain.empty())
        return;
    position = std::clamp(position, 0, static_cast<int>(chain.size()) - 1);
    for (size_t guard = 0; guard <= 2 * chain.size(); ++guard) {
        chain = tabChain(parentWidget());
        int at = static_cast<int>(std::find(chain.begin(), chain.end(), this) - chain.begin());
        if (at >= static_cast<int>(chain.size()) || at == position)
            return;
        if (at < position)
            QWidget::setTabOrder(chain[static_cast<size_t>(at) + 1], this);
        else if (at >= 2)
            QWidget::setTabOrder(chain[static_cast<size_t>(at) - 2], this);
        else
            QWidget::setTabOrder(this, chain[0]);
    }
}

// ---- Header -------------------------------------------------------------------------------------

void TCustomDBGrid::TitleClicked(int section) {
    std::vector<TColumn*> cols = VisibleColumns();
    if (OnTitleClick && section >= 0 && section < static_cast<int>(cols.size()))
        Guarded([&] { OnTitleClick(this, cols[static_cast<size_t>(section)]); });
}

void TCustomDBGrid::SectionMoved(int, int oldVisual, int newVisual) {
    if (FLayoutBusy)
        return;
    // The header only shows the order; the column list holds it.
    std::vector<TColumn*> cols = VisibleColumns();
    FLayoutBusy = true;
    horizontalHeader()->moveSection(newVisual, oldVisual);
    FLayoutBusy = false;
    if (oldVisual >= static_cast<int>(cols.size()) || newVisual >= static_cast<int>(cols.size()))
        return;
    int from = cols[static_cast<size_t>(oldVisual)]->Index();
    int to = cols[static_cast<size_t>(newVisual)]->Index();
    FColumns.Move(from, to);
    if (OnColumnMoved)
        Guarded([&] { OnColumnMoved(this, from, to); });
}

void TCustomDBGrid::SectionResized(int logical, int, int newSize) {
    if (FLayoutBusy)
        return;
    std::vector<TColumn*> cols = VisibleColumns();
    if (logical >= 0 && logical < static_cast<int>(cols.size()))
        cols[static_cast<size_t>(logical)]->FWidth = newSize;
}

// ---- Keys and mouse -----------------------------------------------------------------------------

bool TCustomDBGrid::KeyDown(QKeyEvent* event) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return false;
    Qt::KeyboardModifiers mods = event->modifiers();
    bool ctrl = mods & Qt::ControlModifier;
    int col = SelectedIndex();
    int last = FModel->columnCount() - 1;
    switch (event->key()) {
    case Qt::Key_Up:
        MoveRows(-1);
        return true;
    case Qt::Key_Down:
        MoveRows(1);
        return true;
    case Qt::Key_PageUp:
        MoveRows(-VisibleRowCount());
        return true;
    case Qt::Key_PageDown:
        MoveRows(VisibleRowCount());
        return true;
    case Qt::Key_Home:
        if (ctrl) {
            ds->CheckBrowseMode();
            ds->First();
            SyncToDataSet();
        } else {
            SetCurrentColumn(0);
        }
        return true;
    case Qt::Key_End:
        if (ctrl) {
            ds->CheckBrowseMode();
            ds->Last();
            SyncToDataSet();
        } else {
            SetCurrentColumn(last);
        }
        return true;
    case Qt::Key_Left:
        SetCurrentColumn(ctrl ? 0 : col - 1);
        return true;
    case Qt::Key_Right:
        SetCurrentColumn(ctrl ? last : col + 1);
        return true;
    case Qt::Key_Tab:
        if (!(FOptions & dgTabs))
            return false;
        if (col >= last) {
            MoveRows(1);
            SetCurrentColumn(0);
        } else {
            SetCurrentColumn(col + 1);
        }
        return true;
    case Qt::Key_Backtab:
        if (!(FOptions & dgTabs))
            return false;
        if (col <= 0) {
            MoveRows(-1);
            SetCurrentColumn(last);
        } else {
            SetCurrentColumn(col - 1);
        }
        return true;
    case Qt::Key_Insert:
        if (!FReadOnly && (FOptions & dgEditing) && ds->CanModify() && !FDataLink.ReadOnly()) {
            ds->CheckBrowseMode();
            ds->Insert();
            SyncToDataSet();
        }
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            return false;
        DeleteRecords();
        return true;
    case Qt::Key_Escape:
        if (ds->State() == dsEdit || ds->State() == dsInsert) {
            ds->Cancel();
            SyncToDataSet();
        }
        return true;
    case Qt::Key_F2:
        if (CanEditCell(currentIndex()))
            edit(currentIndex());
        return true;
    default:
        return false;
    }
}

void TCustomDBGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown) {
        int key = event->key();
        Guarded([&] { OnKeyDown(this, key, event->modifiers()); });
        if (key == 0) {
            event->accept();
            return;
        }
    }
    bool used = false;
    if (!Guarded([&] { used = KeyDown(event); }))
        used = true;
    if (used) {
        event->accept();
        return;
    }
    QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        if (OnKeyPress) {
            Guarded([&] { OnKeyPress(this, text); });
            if (text.isEmpty()) {
                event->accept();
                return;
            }
            if (text != event->text()) {
                QKeyEvent replaced(event->type(), event->key(), event->modifiers(), text);
                QTableView::keyPressEvent(&replaced);
                return;
            }
        }
    }
    QTableView::keyPressEvent(event);
}

void TCustomDBGrid::keyReleaseEvent(QKeyEvent* event) {
    if (OnKeyUp) {
        int key = event->key();
        Guarded([&] { OnKeyUp(this, key, event->modifiers()); });
        if (key == 0) {
            event->accept();
            return;
        }
    }
    QTableView::keyReleaseEvent(event);
}

void TCustomDBGrid::mousePressEvent(QMouseEvent* event) {
    if (FDragMode == dmAutomatic && event->button() == Qt::LeftButton)
        FDragStart = event->position().toPoint();
    QTableView::mousePressEvent(event);
}

void TCustomDBGrid::mouseMoveEvent(QMouseEvent* event) {
    if (FDragMode == dmAutomatic && FDragStart.x() >= 0 && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - FDragStart).manhattanLength() >= QApplication::startDragDistance()) {
        FDragStart = QPoint(-1, -1);
        StartDrag();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TCustomDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    FDragStart = QPoint(-1, -1);
    QTableView::mouseReleaseEvent(event);
}

void TCustomDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick)
        Guarded([&] { OnDblClick(this); });
    QTableView::mouseDoubleClickEvent(event);
}

void TCustomDBGrid::StartDrag() {
    if (OnStartDrag)
        Guarded([&] { OnStartDrag(this); });
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData("application/x-vantrel-dbgrid", QByteArray());
    drag->setMimeData(mime);
    QGuiApplication::setOverrideCursor(QCursor(FDragCursor));
    drag->exec(Qt::MoveAction | Qt::CopyAction);
    QGuiApplication::restoreOverrideCursor();
    QObject* target = drag->target();
    QPoint at = target && target->isWidgetType() ? static_cast<QWidget*>(target)->mapFromGlobal(QCursor::pos())
                                                 : QPoint();
    if (OnEndDrag)
        Guarded([&] { OnEndDrag(this, target, at.x(), at.y()); });
}

void TCustomDBGrid::dragEnterEvent(QDragEnterEvent* event) {
    if (!OnDragOver) {
        QTableView::dragEnterEvent(event);
        return;
    }
    bool accept = false;
    QPoint p = event->position().toPoint();
    Guarded([&] { OnDragOver(this, event->source(), p.x(), p.y(), accept); });
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCustomDBGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (!OnDragOver) {
        QTableView::dragMoveEvent(event);
        return;
    }
    bool accept = false;
    QPoint p = event->position().toPoint();
    Guarded([&] { OnDragOver(this, event->source(), p.x(), p.y(), accept); });
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TCustomDBGrid::dropEvent(QDropEvent* event) {
    if (!OnDragDrop) {
        QTableView::dropEvent(event);
        return;
    }
    QPoint p = event->position().toPoint();
    Guarded([&] { OnDragDrop(this, event->source(), p.x(), p.y()); });
    event->acceptProposedAction();
}

void TCustomDBGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (FPopupMenu) {
        FPopupMenu->popup(event->globalPos());
        event->accept();
        return;
    }
    QTableView::contextMenuEvent(event);
}

bool TCustomDBGrid::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !HintsShown()) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::ParentChange) {
        setAcceptDrops(true);
        if (FParentColor)
            SetParentColor(true);
        if (FParentCtl3D)
            SetParentCtl3D(true);
    }
    return QTableView::event(event);
}

void TCustomDBGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && FParentColor && parentWidget() &&
        parentWidget()->palette().color(QPalette::Window) != palette().color(QPalette::Base))
        SetParentColor(true);
    QTableView::changeEvent(event);
}

void TCustomDBGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    if (OnEnter && event->reason() != Qt::PopupFocusReason)
        Guarded([&] { OnEnter(this); });
    viewport()->update();
}

void TCustomDBGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    QWidget* now = QApplication::focusWidget();
    bool stillInside = now && (now == this || isAncestorOf(now));
    if (!stillInside && event->reason() != Qt::PopupFocusReason) {
        TDataSet* ds = DataSet();
        if ((FOptions & dgCancelOnExit) && ds && ds->Active() && ds->State() == dsInsert && !ds->Modified())
            Guarded([&] { ds->Cancel(); });
        if (OnExit)
            Guarded([&] { OnExit(this); });
    }
    viewport()->update();
}

void TCustomDBGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    FillTopIfNeeded();
}

void TCustomDBGrid::FillTopIfNeeded() {
    if (FModel->TopComplete() || verticalScrollBar()->value() != verticalScrollBar()->minimum())
        return;
    int added = 0;
    Guarded([&] { added = FModel->FetchTop(std::max(40, VisibleRowCount() + 8)); });
    if (added > 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + added);
}

void TCustomDBGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    FillTopIfNeeded();
}

} // namespace vantrel

// The extended grid: range selection, indicator images, unfocused selection colours.
#include <vantrel/grid/ExtDBGrid.h>

#include <QKeyEvent>
#include <QPainter>

namespace vantrel {

// ---- TImageList ---------------------------------------------------------------------------------

TImageList::TImageList(QObject* parent, int width, int height)
    : QObject(parent), FWidth(std::max(1, width)), FHeight(std::max(1, height)) {}

int TImageList::Add(const QPixmap& image) {
    FImages.push_back(image.size() == QSize(FWidth, FHeight)
                          ? image
                          : image.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    emit Changed();
    return Count() - 1;
}

void TImageList::Clear() {
    FImages.clear();
    emit Changed();
}

QPixmap TImageList::Image(int index) const {
    return index >= 0 && index < Count() ? FImages[static_cast<size_t>(index)] : QPixmap();
}

void TImageList::Draw(QPainter* painter, int x, int y, int index) const {
    if (index >= 0 && index < Count())
        painter->drawPixmap(x, y, FImages[static_cast<size_t>(index)]);
}

// ---- TExtCustomDBGrid ---------------------------------------------------------------------------

TExtCustomDBGrid::TExtCustomDBGrid(QWidget* parent) : TCustomDBGrid(parent) {
    FKeyList.SetSorted(true);
    SetColumnAttributes();
}

TExtCustomDBGrid::~TExtCustomDBGrid() {
    disconnect(FIndicatorsChanged);
    disconnect(FIndicatorsDestroyed);
}

bool TExtCustomDBGrid::MultiSelect() const {
    TDataSet* ds = DataSet();
    return (Options() & dgMultiSelect) && ds && ds->Active();
}

void TExtCustomDBGrid::SetIndicators(TImageList* list) {
    if (list == FIndicators)
        return;
    disconnect(FIndicatorsChanged);
    disconnect(FIndicatorsDestroyed);
    FIndicators = list;
    if (list) {
        FIndicatorsChanged =
            connect(list, &TImageList::Changed, this, [this] { verticalHeader()->viewport()->update(); });
        FIndicatorsDestroyed = connect(list, &QObject::destroyed, this, [this] { IndicatorsDestroyed(); });
    }
    SetColumnAttributes();
    verticalHeader()->viewport()->update();
}

void TExtCustomDBGrid::IndicatorsDestroyed() {
    FIndicators = nullptr;
    SetColumnAttributes();
    verticalHeader()->viewport()->update();
}

void TExtCustomDBGrid::SetIndicatorSize(int n) {
    if (n < 1 || n > 49 || n == FIndicatorSize)
        return;
    FIndicatorSize = n;
    if (Options() & dgIndicator)
        SetColumnAttributes();
}

void TExtCustomDBGrid::SetColumnAttributes() {
    TCustomDBGrid::SetColumnAttributes();
    if (Options() & dgIndicator)
        verticalHeader()->setFixedWidth(FIndicatorSize);
}

void TExtCustomDBGrid::LinkActive(bool active) {
    FKeyList.Clear();
    FRangeActive = false;
    FAnchor = TBookmark();
    TCustomDBGrid::LinkActive(active);
}

bool TExtCustomDBGrid::DoAddSelect(bool add) {
    String key;
    if (OnGetDataSetKey)
        OnGetDataSetKey(DataSet(), key);
    if (key.empty())
        return false;
    if (add && FKeyList.IndexOf(key) < 0)
        FKeyList.Add(key);
    return true;
}

void TExtCustomDBGrid::RemoveKeyOfCurrent() {
    String key;
    if (OnGetDataSetKey)
        OnGetDataSetKey(DataSet(), key);
    int i = key.empty() ? -1 : FKeyList.IndexOf(key);
    if (i >= 0)
        FKeyList.Delete(i);
}

void TExtCustomDBGrid::DoSelectedChange() {
    viewport()->update();
    verticalHeader()->viewport()->update();
    if (OnSelectionChange)
        OnSelectionChange(this);
}

TBookmark TExtCustomDBGrid::CurrentRow() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return {};
    return ds->GetBookmark();
}

void TExtCustomDBGrid::ClearSelection() {
    if (!(Options() & dgMultiSelect))
        return;
    SelectedRows().Clear();
    FKeyList.Clear();
    FRangeActive = false;
    FAnchor = TBookmark();
    DoSelectedChange();
}

void TExtCustomDBGrid::SelectCurrent() {
    if (SelectedRows().Insert(CurrentRow()))
        DoAddSelect(true);
}

void TExtCustomDBGrid::SetShiftSelection(const TBookmark& from, const TBookmark& to) {
    TDataSet* ds = DataSet();
    if (!MultiSelect() || !ds->BookmarkValid(from) || !ds->BookmarkValid(to))
        return;
    SelectedRows().Clear();
    FKeyList.Clear();
    // The grid's rows give the order when both ends are shown; bookmarks of every dataset do not
    // compare by position.
    int ra = Model()->RowOf(from), rb = Model()->RowOf(to);
    int order = ra >= 0 && rb >= 0 ? (ra < rb ? -1 : ra > rb ? 1 : 0) : ds->CompareBookmarks(from, to);
    if (order == 0 || from == to) {
        if (ds->BookmarkAvailable())
            SelectCurrent();
        DoSelectedChange();
        return;
    }
    const TBookmark& first = order < 0 ? from : to;
    const TBookmark& last = order < 0 ? to : from;
    {
        TDBGridModel::WalkGuard walk(Model());
        ds->GotoBookmark(first);
        for (;;) {
            TBookmark here = ds->GetBookmark();
            if (SelectedRows().Insert(here))
                DoAddSelect(true);
            if (here == last || ds->MoveBy(1) == 0)
                break;
        }
    }
    DoSelectedChange();
}

void TExtCustomDBGrid::MoveCol(int col) {
    int last = Model()->columnCount() - 1;
    if (last < 0)
        return;
    col = std::clamp(col, 0, last);
    SetCurrentColumn(col);
    if ((Options() & dgAlwaysShowEditor) && CanEditCell(currentIndex()))
        edit(currentIndex());
}

void TExtCustomDBGrid::BeforeRowMove(bool shift) {
    TDataSet* ds = DataSet();
    if (!MultiSelect() || !ds->BookmarkAvailable())
        return;
    if (!shift) {
        if (SelectedRows().Count() > 0 || FRangeActive || FKeyList.Count() > 0)
            ClearSelection();
        return;
    }
    if (!FRangeActive) {
        FAnchor = CurrentRow();
        FRangeActive = true;
        SelectCurrent();
        DoSelectedChange();
    }
    // A range in progress is rebuilt after the move, up to the row moved to (so going back
    // toward the anchor unselects the row that is left).
}

void TExtCustomDBGrid::AfterRowMove(bool shift) {
    TDataSet* ds = DataSet();
    if (shift && FRangeActive && MultiSelect() && ds->BookmarkAvailable())
        SetShiftSelection(FAnchor, CurrentRow());
}

void TExtCustomDBGrid::MoveWithSelection(bool shift, const std::function<void()>& move) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) {
        move();
        return;
    }
    // A changed record is posted before the selection walks the dataset.
    if (ds->State() == dsEdit || (ds->State() == dsInsert && ds->Modified())) {
        ds->CheckBrowseMode();
        SyncToDataSet();
    }
    BeforeRowMove(shift);
    move();
    AfterRowMove(shift);
}

void TExtCustomDBGrid::ToggleRow(int row) {
    MoveToRow(row);
    TDataSet* ds = DataSet();
    if (!ds->BookmarkAvailable())
        return;
    TBookmark bm = CurrentRow();
    if (SelectedRows().Remove(bm))
        RemoveKeyOfCurrent();
    else if (SelectedRows().Insert(bm))
        DoAddSelect(true);
    FRangeActive = false;
    FAnchor = bm;
    DoSelectedChange();
}

bool TExtCustomDBGrid::KeyDown(QKeyEvent* event) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return TCustomDBGrid::KeyDown(event);
    bool shift = event->modifiers() & Qt::ShiftModifier;
    bool ctrl = event->modifiers() & Qt::ControlModifier;
    int col = SelectedIndex();
    int last = Model()->columnCount() - 1;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        MoveWithSelection(shift, [&] { TCustomDBGrid::KeyDown(event); });
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (ctrl) {
            MoveWithSelection(shift, [&] { TCustomDBGrid::KeyDown(event); });
            return true;
        }
        MoveCol(event->key() == Qt::Key_Home ? 0 : last);
        return true;
    case Qt::Key_Left:
        MoveCol(ctrl ? 0 : col - 1);
        return true;
    case Qt::Key_Right:
        MoveCol(ctrl ? last : col + 1);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (!(Options() & dgTabs))
            return false;
        bool back = event->key() == Qt::Key_Backtab;
        if (!back && col >= last) {
            MoveWithSelection(false, [&] { MoveRows(1); });
            MoveCol(0);
        } else if (back && col <= 0) {
            MoveWithSelection(false, [&] { MoveRows(-1); });
            MoveCol(last);
        } else {
            MoveCol(back ? col - 1 : col + 1);
        }
        return true;
    }
    case Qt::Key_Space:
        if (ctrl && MultiSelect()) {
            ToggleRow(Model()->CurrentRow());
            return true;
        }
        return false;
    default:
        return TCustomDBGrid::KeyDown(event);
    }
}

void TExtCustomDBGrid::mousePressEvent(QMouseEvent* event) {
    QModelIndex idx = indexAt(event->position().toPoint());
    if (!MultiSelect() || event->button() != Qt::LeftButton || !idx.isValid() || DragMode() == dmAutomatic) {
        TCustomDBGrid::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    Qt::KeyboardModifiers mods = event->modifiers();
    Guarded([&] {
        if (mods & Qt::ShiftModifier) {
            if (!FRangeActive && DataSet()->BookmarkAvailable()) {
                FAnchor = CurrentRow();
                FRangeActive = true;
            }
            MoveToRow(idx.row());
            SetCurrentColumn(idx.column());
            if (FRangeActive)
                SetShiftSelection(FAnchor, CurrentRow());
        } else if (mods & Qt::ControlModifier) {
            ToggleRow(idx.row());
            SetCurrentColumn(idx.column());
        } else {
            if (SelectedRows().Count() > 0 || FRangeActive)
                ClearSelection();
            MoveToRow(idx.row());
            SetCurrentColumn(idx.column());
            FMouseSelecting = true;
            FAnchorCell = QPoint(idx.column(), idx.row());
            FAnchor = CurrentRow();
        }
    });
    event->accept();
}

void TExtCustomDBGrid::mouseMoveEvent(QMouseEvent* event) {
    if (FMouseSelecting && (event->buttons() & Qt::LeftButton) && MultiSelect()) {
        QModelIndex idx = indexAt(event->position().toPoint());
        if (idx.isValid() && idx.row() != Model()->CurrentRow()) {
            Guarded([&] {
                MoveToRow(idx.row());
                FRangeActive = true;
                SetShiftSelection(FAnchor, CurrentRow());
            });
        }
        event->accept();
        return;
    }
    TCustomDBGrid::mouseMoveEvent(event);
}

void TExtCustomDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    bool wasSelecting = FMouseSelecting;
    FMouseSelecting = false;
    FAnchorCell = QPoint(-1, -1);
    if (wasSelecting) {
        // A click without a drag is no range; a later Shift+click starts one from here.
        if (SelectedRows().Count() <= 1)
            FRangeActive = false;
        if (OnCellClick) {
            QModelIndex idx = indexAt(event->position().toPoint());
            std::vector<TColumn*> cols = VisibleColumns();
            if (idx.isValid() && idx.column() < static_cast<int>(cols.size()))
                Guarded([&] { OnCellClick(this, cols[static_cast<size_t>(idx.column())]); });
        }
        event->accept();
        return;
    }
    TCustomDBGrid::mouseReleaseEvent(event);
}

void TExtCustomDBGrid::focusInEvent(QFocusEvent* event) {
    TCustomDBGrid::focusInEvent(event);
    verticalHeader()->viewport()->update();
}

void TExtCustomDBGrid::focusOutEvent(QFocusEvent* event) {
    TCustomDBGrid::focusOutEvent(event);
    verticalHeader()->viewport()->update();
}

bool TExtCustomDBGrid::HighlightCell(int row, int col) const {
    if (TCustomDBGrid::HighlightCell(row, col))
        return true;
    if (!(Options() & dgMultiSelect))
        return false;
    TBookmark bm = Model()->BookmarkAt(row);
    return !bm.IsNull() && const_cast<TExtCustomDBGrid*>(this)->SelectedRows().Contains(bm);
}

void TExtCustomDBGrid::DrawCell(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) {
    if (!hasFocus() && HighlightCell(index.row(), index.column())) {
        QStyleOptionViewItem unfocused(option);
        unfocused.palette.setColor(QPalette::Highlight, option.palette.color(QPalette::Button));
        unfocused.palette.setColor(QPalette::HighlightedText, option.palette.color(QPalette::ButtonText));
        TCustomDBGrid::DrawCell(painter, unfocused, index);
        return;
    }
    TCustomDBGrid::DrawCell(painter, option, index);
}

void TExtCustomDBGrid::DrawIndicator(QPainter* painter, const QRect& rect, int row) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return;
    int image = -1;
    if (row == Model()->CurrentRow())
        image = ds->State() == dsEdit ? iiEdit : ds->State() == dsInsert ? iiInsert : iiCurrent;
    else if ((Options() & dgMultiSelect) && HighlightCell(row, -1))
        image = iiSelected;
    if (image < 0)
        return;
    if (FIndicators && image < FIndicators->Count()) {
        int x = rect.left() + (rect.width() - FIndicators->Width()) / 2;
        int y = rect.top() + (rect.height() - FIndicators->Height()) / 2;
        FIndicators->Draw(painter, x, y, image);
        return;
    }
    if (image == iiSelected) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::ButtonText));
        painter->drawEllipse(rect.center(), 2, 2);
        return;
    }
    TCustomDBGrid::DrawIndicator(painter, rect, row);
}

// ---- TExtDBGrid ---------------------------------------------------------------------------------

const std::vector<const char*>& TExtDBGrid::PublishedNames() {
    static const std::vector<const char*> names = {"Align",
                                                   "BorderStyle",
                                                   "Color",
                                                   "Columns",
                                                   "Ctl3D",
                                                   "DataSource",
                                                   "DefaultDrawing",
                                                   "DragCursor",
                                                   "DragMode",
                                                   "Enabled",
                                                   "FixedColor",
                                                   "Indicators",
                                                   "IndicatorSize",
                                                   "Font",
                                                   "ImeMode",
                                                   "ImeName",
                                                   "Options",
                                                   "ParentColor",
                                                   "ParentCtl3D",
                                                   "ParentFont",
                                                   "ParentShowHint",
                                                   "PopupMenu",
                                                   "ReadOnly",
                                                   "ShowHint",
                                                   "TabOrder",
                                                   "TabStop",
                                                   "TitleFont",
                                                   "Visible",
                                                   "OnCellClick",
                                                   "OnColEnter",
                                                   "OnColExit",
                                                   "OnColumnMoved",
                                                   "OnDrawDataCell",
                                                   "OnDrawColumnCell",
                                                   "OnDblClick",
                                                   "OnDragDrop",
                                                   "OnDragOver",
                                                   "OnEditButtonClick",
                                                   "OnEndDrag",
                                                   "OnEnter",
                                                   "OnExit",
                                                   "OnKeyDown",
                                                   "OnKeyPress",
                                                   "OnKeyUp",
                                                   "OnStartDrag",
                                                   "OnTitleClick",
                                                   "OnSelectionChange"};
    return names;
}

} // namespace vantrel

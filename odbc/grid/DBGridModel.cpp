// The grid's lazy model, its columns, its selected-row list and its data link.
#include <vantrel/grid/DBGrid.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>

#include <algorithm>

namespace vantrel {

const char* const SDeleteRecordQuestion = "Delete record?";
const char* const SDeleteMultipleRecordsQuestion = "Delete all selected records?";

namespace {
TConfirmHandler& confirmHandler() {
    static TConfirmHandler handler;
    return handler;
}
QString qs(const String& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

TConfirmHandler SetGridConfirmHandler(TConfirmHandler handler) {
    TConfirmHandler previous = std::move(confirmHandler());
    confirmHandler() = std::move(handler);
    return previous;
}

bool GridConfirm(const QString& text) {
    if (confirmHandler())
        return confirmHandler()(text);
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(), text,
                                 QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

// ---- TColumn ------------------------------------------------------------------------------------

void TColumn::SetFieldName(const String& name) {
    FGrid->FColumns.Customize();
    FFieldName = name;
    FGrid->FColumns.Changed();
}

TField* TColumn::Field() const {
    TDataSet* ds = FGrid->DataSet();
    if (!ds || !ds->Active() || FFieldName.empty())
        return nullptr;
    return ds->FindField(FFieldName);
}

int TColumn::Width() const {
    if (FWidth >= 0)
        return FWidth;
    QFontMetrics fm(FGrid->font());
    TField* f = Field();
    int chars = f ? std::min(f->DisplayWidth(), 40) : 10;
    return std::max(chars * fm.averageCharWidth() + 6, fm.horizontalAdvance(Caption()) + 8);
}

String TColumn::TitleCaption() const {
    QByteArray b = Title.Caption.toLatin1();
    return String(b.constData(), static_cast<size_t>(b.size()));
}

void TColumn::SetTitleCaption(const String& caption) {
    FGrid->FColumns.Customize();
    Title.Caption = qs(caption);
    FGrid->FColumns.Changed();
}

void TColumn::SetWidth(int width) {
    if (width == FWidth)
        return;
    FGrid->FColumns.Customize(); // a changed default column is kept from now on
    FWidth = width;
    FGrid->FColumns.Changed();
}

void TColumn::SetVisible(bool value) {
    if (value == FVisible)
        return;
    FGrid->FColumns.Customize();
    FVisible = value;
    FGrid->FColumns.Changed();
}

Qt::Alignment TColumn::Alignment() const {
    if (FAlignmentSet)
        return FAlignment;
    if (TField* f = Field()) {
        switch (f->DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftAutoInc:
        case ftLargeint:
            return Qt::AlignRight | Qt::AlignVCenter;
        default:
            break;
        }
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

void TColumn::SetAlignment(Qt::Alignment value) {
    FGrid->FColumns.Customize();
    FAlignment = value;
    FAlignmentSet = true;
    FGrid->FColumns.Changed();
}

void TColumn::SetColor(const QColor& c) {
    FColor = c;
    FGrid->viewport()->update();
}

QString TColumn::Caption() const {
    if (!Title.Caption.isEmpty())
        return Title.Caption;
    if (TField* f = Field())
        return qs(f->DisplayName());
    return qs(FFieldName);
}

int TColumn::Index() const {
    const auto& items = FGrid->FColumns.FItems;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

void TColumn::SetIndex(int index) {
    FGrid->FColumns.Move(Index(), index);
}

// ---- TDBGridColumns -----------------------------------------------------------------------------

TColumn* TDBGridColumns::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FItems[static_cast<size_t>(index)].get();
}

TColumn* TDBGridColumns::Add() {
    if (FState == csDefault) {
        FItems.clear();
        FState = csCustomized;
    }
    FItems.push_back(std::make_unique<TColumn>(FGrid));
    Changed();
    return FItems.back().get();
}

void TDBGridColumns::Clear() {
    FItems.clear();
    Changed();
}

TColumn* TDBGridColumns::FindByFieldName(const String& fieldName) const {
    for (const auto& c : FItems)
        if (SameText(c->FFieldName, fieldName))
            return c.get();
    return nullptr;
}

void TDBGridColumns::SetState(TDBGridColumnsState state) {
    FState = state;
    if (state == csDefault)
        RebuildDefault();
    Changed();
}

void TDBGridColumns::Move(int from, int to) {
    if (from < 0 || from >= Count())
        return;
    to = std::clamp(to, 0, Count() - 1);
    if (from == to)
        return;
    auto item = std::move(FItems[static_cast<size_t>(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(item));
    // A moved default column is a layout the user chose: keep it across re-opens.
    FState = csCustomized;
    Changed();
}

void TDBGridColumns::RebuildDefault() {
    FItems.clear();
    TDataSet* ds = FGrid->DataSet();
    if (!ds || !ds->Active())
        return;
    for (TField* f : *ds->Fields()) {
        if (!f->Visible())
            continue;
        auto c = std::make_unique<TColumn>(FGrid);
        c->FFieldName = f->FieldName();
        FItems.push_back(std::move(c));
    }
}

void TDBGridColumns::Changed() {
    if (!FUpdating)
        FGrid->LayoutChanged();
}

// ---- TBookmarkList ------------------------------------------------------------------------------

int TBookmarkList::Compare(const TBookmark& a, const TBookmark& b) const {
    TDataSet* ds = FGrid->DataSet();
    return ds ? ds->CompareBookmarks(a, b) : 0;
}

bool TBookmarkList::Find(const TBookmark& bookmark, int& index) const {
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = Compare(FItems[static_cast<size_t>(mid)], bookmark);
        if (c == 0 && FItems[static_cast<size_t>(mid)] == bookmark) {
            index = mid;
            return true;
        }
        if (c < 0 || (c == 0 && std::memcmp(FItems[static_cast<size_t>(mid)].Data(), bookmark.Data(),
                                            static_cast<size_t>(bookmark.Size())) < 0))
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    index = lo;
    return false;
}

int TBookmarkList::IndexOf(const TBookmark& bookmark) const {
    int i;
    return Find(bookmark, i) ? i : -1;
}

bool TBookmarkList::Insert(const TBookmark& bookmark) {
    if (bookmark.IsNull())
        return false;
    int i;
    if (Find(bookmark, i))
        return false;
    FItems.insert(FItems.begin() + i, bookmark);
    return true;
}

bool TBookmarkList::Remove(const TBookmark& bookmark) {
    int i;
    if (!Find(bookmark, i))
        return false;
    FItems.erase(FItems.begin() + i);
    return true;
}

void TBookmarkList::Clear() {
    if (FItems.empty())
        return;
    FItems.clear();
    FGrid->viewport()->update();
}

bool TBookmarkList::CurrentRowSelected() const {
    TDataSet* ds = FGrid->DataSet();
    if (!ds || !ds->Active() || !ds->BookmarkAvailable())
        return false;
    return IndexOf(ds->GetBookmark()) >= 0;
}

void TBookmarkList::SetCurrentRowSelected(bool value) {
    TDataSet* ds = FGrid->DataSet();
    if (!ds || !ds->Active() || !ds->BookmarkAvailable())
        return;
    TBookmark bm = ds->GetBookmark();
    if (value)
        Insert(bm);
    else
        Remove(bm);
    FGrid->viewport()->update();
}

void TBookmarkList::Delete() {
    TDataSet* ds = FGrid->DataSet();
    if (!ds)
        return;
    ds->DisableControls();
    try {
        // From the last: deleting a record does not move the ones before it.
        while (!FItems.empty()) {
            TBookmark bm = FItems.back();
            if (ds->BookmarkValid(bm)) {
                ds->GotoBookmark(bm);
                ds->Delete();
            }
            FItems.pop_back();
        }
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
}

bool TBookmarkList::Refresh() {
    TDataSet* ds = FGrid->DataSet();
    size_t before = FItems.size();
    if (!ds || !ds->Active()) {
        FItems.clear();
    } else {
        std::erase_if(FItems, [ds](const TBookmark& b) { return !ds->BookmarkValid(b); });
    }
    return FItems.size() != before;
}

// ---- TGridDataLink ------------------------------------------------------------------------------

void TGridDataLink::ActiveChanged() {
    FGrid->LinkActive(Active());
}
void TGridDataLink::DataSetChanged() {
    if (!FGrid->FModel->Walking())
        FGrid->DataChanged();
}
void TGridDataLink::DataSetScrolled(int) {
    if (!FGrid->FModel->Walking())
        FGrid->Scrolled();
}
void TGridDataLink::EditingChanged() {
    FGrid->EditingChanged();
}
void TGridDataLink::LayoutChanged() {
    // The fields may be others now: new default columns and new rows.
    if (!FGrid->FModel->Walking()) {
        FGrid->LayoutChanged();
        FGrid->DataChanged();
    }
}
void TGridDataLink::RecordChanged(TField* field) {
    if (!FGrid->FModel->Walking())
        FGrid->RecordChanged(field);
}
void TGridDataLink::UpdateData() {
    // An open cell editor writes its text before the record is posted.
    if (QWidget* editor = FGrid->Delegate()->CurrentEditor();
        editor && FGrid->state() == QAbstractItemView::EditingState)
        FGrid->commitData(editor);
}

void TGridDataLink::FocusControl(TField*& field) {
    if (!field)
        return;
    std::vector<TColumn*> cols = FGrid->VisibleColumns();
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i]->Field() == field) {
            FGrid->setFocus();
            FGrid->SetSelectedIndex(static_cast<int>(i));
            field = nullptr;
            return;
        }
}

// ---- TDBGridModel -------------------------------------------------------------------------------

TDBGridModel::TDBGridModel(TCustomDBGrid* grid) : QAbstractTableModel(grid), FGrid(grid) {}

TDataSet* TDBGridModel::DataSet() const {
    TDataSet* ds = FGrid->DataSet();
    return ds && ds->Active() ? ds : nullptr;
}

std::string TDBGridModel::Key(const TBookmark& bm) {
    return std::string(static_cast<const char*>(bm.Data()), static_cast<size_t>(bm.Size()));
}

bool TDBGridModel::CanWalk() const {
    TDataSet* ds = DataSet();
    return ds && ds->State() == dsBrowse && !ds->IsEmpty() && ds->BookmarkAvailable() &&
           !ds->IsUniDirectional();
}

TDBGridModel::Row TDBGridModel::ReadCurrent() {
    TDataSet* ds = DataSet();
    Row r;
    r.Bookmark = ds->GetBookmark();
    r.Text.reserve(static_cast<size_t>(ds->FieldCount()));
    for (TField* f : *ds->Fields())
        r.Text.push_back(qs(f->DisplayText()));
    ++FRecordsRead;
    return r;
}

void TDBGridModel::Clear() {
    FRows.clear();
    FIndex.clear();
    FFirstSeq = 0;
    FInsertRow = -1;
    FTopDone = FBottomDone = true;
}

void TDBGridModel::Reindex() {
    FIndex.clear();
    for (size_t i = 0; i < FRows.size(); ++i)
        FIndex[Key(FRows[i].Bookmark)] = FFirstSeq + static_cast<long>(i);
}

namespace {
// While the model resets, the view may pick a current cell by itself (a closed editor gives the
// focus back to a view without a current cell): that must not move the dataset.
class TSyncing {
public:
    explicit TSyncing(int& counter) : FCounter(counter) { ++FCounter; }
    ~TSyncing() { --FCounter; }
    TSyncing(const TSyncing&) = delete;
    TSyncing& operator=(const TSyncing&) = delete;

private:
    int& FCounter;
};
} // namespace

void TDBGridModel::Reload() {
    TSyncing syncing(FGrid->FSyncing);
    beginResetModel();
    Clear();
    TDataSet* ds = DataSet();
    try {
        if (ds && ds->State() == dsInsert) {
            // Nothing can be read while the new record is unposted: show it alone.
            FInsertRow = 0;
        } else if (ds && !ds->IsEmpty() && ds->BookmarkAvailable()) {
            int chunk = std::max(40, FGrid->VisibleRowCount() + 8);
            if (ds->IsUniDirectional() || ds->State() != dsBrowse) {
                FRows.push_back(ReadCurrent());
            } else {
                WalkGuard walk(this);
                FRows.push_back(ReadCurrent());
                FBottomDone = false;
                for (int i = 0; i < chunk; ++i) {
                    if (ds->MoveBy(1) == 0) {
                        FBottomDone = true;
                        break;
                    }
                    FRows.push_back(ReadCurrent());
                }
                ds->GotoBookmark(walk.Saved());
                FTopDone = false;
                for (int i = 0; i < chunk / 2; ++i) {
                    if (ds->MoveBy(-1) == 0) {
                        FTopDone = true;
                        break;
                    }
                    FRows.push_front(ReadCurrent());
                    --FFirstSeq;
                }
            }
            Reindex();
        }
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

int TDBGridModel::FetchBottom(int count) {
    if (FBottomDone || FRows.empty() || !CanWalk())
        return 0;
    TDataSet* ds = DataSet();
    std::vector<Row> got;
    {
        WalkGuard walk(this);
        ds->GotoBookmark(FRows.back().Bookmark);
        for (int i = 0; i < count; ++i) {
            if (ds->MoveBy(1) == 0) {
                FBottomDone = true;
                break;
            }
            got.push_back(ReadCurrent());
        }
    }
    if (got.empty())
        return 0;
    int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(got.size()) - 1);
    for (auto& r : got) {
        FIndex[Key(r.Bookmark)] = FFirstSeq + static_cast<long>(FRows.size());
        FRows.push_back(std::move(r));
    }
    endInsertRows();
    return static_cast<int>(got.size());
}

int TDBGridModel::FetchTop(int count) {
    if (FTopDone || FRows.empty() || !CanWalk())
        return 0;
    TDataSet* ds = DataSet();
    std::vector<Row> got;
    {
        WalkGuard walk(this);
        ds->GotoBookmark(FRows.front().Bookmark);
        for (int i = 0; i < count; ++i) {
            if (ds->MoveBy(-1) == 0) {
                FTopDone = true;
                break;
            }
            got.push_back(ReadCurrent());
        }
    }
    if (got.empty())
        return 0;
    int n = static_cast<int>(got.size());
    beginInsertRows({}, 0, n - 1);
    for (auto& r : got) {
        --FFirstSeq;
        FIndex[Key(r.Bookmark)] = FFirstSeq;
        FRows.push_front(std::move(r));
    }
    if (FInsertRow >= 0)
        FInsertRow += n;
    endInsertRows();
    return n;
}

bool TDBGridModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !FBottomDone && CanWalk();
}

void TDBGridModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    FGrid->Guarded([&] { FetchBottom(std::max(40, FGrid->VisibleRowCount() + 8)); });
}

int TDBGridModel::RowOf(const TBookmark& bookmark) const {
    if (bookmark.IsNull())
        return -1;
    auto it = FIndex.find(Key(bookmark));
    if (it == FIndex.end())
        return -1;
    int row = static_cast<int>(it->second - FFirstSeq);
    if (FInsertRow >= 0 && row >= FInsertRow)
        ++row;
    return row;
}

TBookmark TDBGridModel::BookmarkAt(int row) const {
    if (row < 0 || row >= rowCount() || row == FInsertRow)
        return {};
    if (FInsertRow >= 0 && row > FInsertRow)
        --row;
    return FRows[static_cast<size_t>(row)].Bookmark;
}

int TDBGridModel::CurrentRow() const {
    TDataSet* ds = DataSet();
    if (!ds)
        return -1;
    if (ds->State() == dsInsert)
        return FInsertRow;
    return RowOf(ds->GetBookmark());
}

void TDBGridModel::RefreshCurrentRow() {
    TDataSet* ds = DataSet();
    if (!ds)
        return;
    int row = CurrentRow();
    if (row < 0)
        return;
    if (row != FInsertRow) {
        int i = FInsertRow >= 0 && row > FInsertRow ? row - 1 : row;
        Row& r = FRows[static_cast<size_t>(i)];
        r.Text.clear();
        for (TField* f : *ds->Fields())
            r.Text.push_back(qs(f->DisplayText()));
    }
    emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
}

void TDBGridModel::ColumnsChanged() {
    TSyncing syncing(FGrid->FSyncing);
    beginResetModel();
    endResetModel();
}

void TDBGridModel::UpdateInsertRow() {
    TDataSet* ds = DataSet();
    int want = -1;
    if (ds && ds->State() == dsInsert) {
        want = FInsertRow;
        if (want < 0) {
            // Place the new record beside a neighbour of the dataset's ring that the grid shows.
            TGridDataLink* link = FGrid->DataLink();
            int active = link->ActiveRecord();
            int n = link->RecordCount();
            auto neighbour = [&](int at) {
                link->SetActiveRecord(at);
                TBookmark bm = ds->GetBookmark();
                link->SetActiveRecord(active);
                auto it = bm.IsNull() ? FIndex.end() : FIndex.find(Key(bm));
                return it == FIndex.end() ? -1 : static_cast<int>(it->second - FFirstSeq);
            };
            int prior = active > 0 ? neighbour(active - 1) : -1;
            int next = active + 1 < n ? neighbour(active + 1) : -1;
            if (prior >= 0)
                want = prior + 1;
            else if (next >= 0)
                want = next;
            else if (FRows.empty())
                want = 0;
        }
        if (want < 0) {
            // The neighbours are outside the window: show the new record alone until it is posted.
            TSyncing syncing(FGrid->FSyncing);
            beginResetModel();
            Clear();
            FInsertRow = 0;
            endResetModel();
            return;
        }
    }
    if (want == FInsertRow)
        return;
    if (FInsertRow >= 0) {
        beginRemoveRows({}, FInsertRow, FInsertRow);
        FInsertRow = -1;
        endRemoveRows();
    }
    if (want >= 0) {
        beginInsertRows({}, want, want);
        FInsertRow = want;
        endInsertRows();
    }
}

int TDBGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(FRows.size()) + (FInsertRow >= 0 ? 1 : 0);
}

int TDBGridModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(FGrid->VisibleColumns().size());
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    std::vector<TColumn*> cols = FGrid->VisibleColumns();
    if (index.column() >= static_cast<int>(cols.size()))
        return {};
    TColumn* col = cols[static_cast<size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(col->Alignment());
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    TField* f = col->Field();
    if (!f)
        return {};
    TDataSet* ds = DataSet();
    // The record being edited or inserted is read live from its fields.
    bool live = ds && (ds->State() == dsEdit || ds->State() == dsInsert) && index.row() == CurrentRow();
    if (live || role == Qt::EditRole) {
        if (!live && index.row() != CurrentRow())
            return {};
        return qs(role == Qt::EditRole ? f->Text() : f->DisplayText());
    }
    if (index.row() == FInsertRow)
        return {};
    int i = FInsertRow >= 0 && index.row() > FInsertRow ? index.row() - 1 : index.row();
    if (i < 0 || i >= static_cast<int>(FRows.size()))
        return {};
    const Row& r = FRows[static_cast<size_t>(i)];
    int fi = f->Index();
    return fi >= 0 && fi < static_cast<int>(r.Text.size()) ? r.Text[static_cast<size_t>(fi)] : QString();
}

bool TDBGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !FGrid->CanEditCell(index))
        return false;
    TColumn* col = FGrid->VisibleColumns()[static_cast<size_t>(index.column())];
    TField* f = col->Field();
    TDataSet* ds = DataSet();
    if (!f || !ds || index.row() != CurrentRow())
        return false;
    QString text = value.toString();
    if (ds->State() == dsBrowse && text == qs(f->Text()))
        return true; // nothing typed: stay in browse mode
    return FGrid->Guarded([&] {
        if (!FGrid->DataLink()->Edit())
            return;
        QByteArray bytes = text.toLatin1();
        f->SetText(String(bytes.constData(), static_cast<size_t>(bytes.size())));
    });
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    std::vector<TColumn*> cols = FGrid->VisibleColumns();
    if (section < 0 || section >= static_cast<int>(cols.size()))
        return {};
    TColumn* col = cols[static_cast<size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return col->Caption();
    case Qt::TextAlignmentRole:
        return static_cast<int>(col->Title.Alignment);
    case Qt::FontRole:
        return col->Title.FontAssigned ? QVariant(col->Title.Font) : QVariant(FGrid->TitleFont());
    case Qt::BackgroundRole:
        if (col->Title.Color.isValid())
            return col->Title.Color;
        return FGrid->FixedColor().isValid() ? QVariant(FGrid->FixedColor()) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (FGrid->CanEditCell(index))
        f |= Qt::ItemIsEditable;
    return f;
}

} // namespace vantrel

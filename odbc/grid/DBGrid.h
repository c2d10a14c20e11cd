// The data-aware grid: a QTableView over a framework dataset reached through a TDataSource.
//
// The view shows a lazily filled window of the dataset's records (TDBGridModel): rows are read
// as they scroll into view, in both directions from wherever the dataset stands, and each row is
// remembered by its bookmark. The dataset's cursor is the grid's current row: moving in the grid
// moves the dataset, and moves of the dataset made elsewhere move the grid.
#pragma once

#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/DB.h>

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vantrel {

class TCustomDBGrid;

/// Texts the grid asks with (the framework's resource strings).
extern const char* const SDeleteRecordQuestion;
extern const char* const SDeleteMultipleRecordsQuestion;

/// \brief The confirmation box of the grids: OK/Cancel with `text`, true for OK. Programs and
/// tests may replace it; the previous handler is returned. Null restores the message box.
using TConfirmHandler = std::function<bool(const QString& text)>;
TConfirmHandler SetGridConfirmHandler(TConfirmHandler handler);
bool GridConfirm(const QString& text);

enum TDBGridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgMultiSelect = 1u << 12
};
using TDBGridOptions = unsigned;
constexpr TDBGridOptions DefaultDBGridOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize |
                                                dgColLines | dgRowLines | dgTabs | dgConfirmDelete |
                                                dgCancelOnExit;

enum TGridDrawStateFlag : unsigned { gdSelected = 1u << 0, gdFocused = 1u << 1, gdFixed = 1u << 2 };
using TGridDrawState = unsigned;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TBorderStyle { bsNone, bsSingle };
enum TDragMode { dmManual, dmAutomatic };
enum TImeMode { imDisable, imClose, imOpen, imDontCare };
enum TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };
enum TDBGridColumnsState { csDefault, csCustomized };

class TColumn;

/// \brief Caption, colour, font and alignment of a column's title.
struct TColumnTitle {
    QString Caption; // empty: the field's display name
    Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor Color; // invalid: the grid's FixedColor
    QFont Font;
    bool FontAssigned = false;
};

/// \brief One column of the grid, shown for a field named by FieldName.
class TColumn {
public:
    explicit TColumn(TCustomDBGrid* grid) : FGrid(grid) {}

    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& name);
    /// \brief The dataset's field of that name (null when inactive or unknown).
    TField* Field() const;
    /// \brief The width set, or else the one the field's display width gives.
    int Width() const;
    bool WidthAssigned() const { return FWidth >= 0; }
    void SetWidth(int width);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    /// \brief Cell alignment; unset: numbers right, others left.
    Qt::Alignment Alignment() const;
    void SetAlignment(Qt::Alignment value);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& c);
    TColumnButtonStyle ButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TColumnButtonStyle style) { FButtonStyle = style; }
    /// \brief Choices offered by the cell editor (a combo box when not empty).
    QStringList PickList;
    TColumnTitle Title;
    /// \brief The title text: Title.Caption or the field's display name or the field name.
    QString Caption() const;
    /// \brief Title.Caption as library text (for stored layouts).
    String TitleCaption() const;
    void SetTitleCaption(const String& caption);
    /// \brief Position in the grid's column list.
    int Index() const;
    void SetIndex(int index);
    TCustomDBGrid* Grid() const { return FGrid; }

private:
    friend class TDBGridColumns;
    friend class TCustomDBGrid;
    TCustomDBGrid* FGrid;
    String FFieldName;
    int FWidth = -1; // -1: from the field's display width
    bool FVisible = true;
    bool FReadOnly = false;
    bool FAlignmentSet = false;
    Qt::Alignment FAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QColor FColor;
    TColumnButtonStyle FButtonStyle = cbsAuto;
};

/// \brief The grid's columns. While State is csDefault they follow the dataset's visible fields;
/// adding or changing a column makes them csCustomized (kept across re-opens).
class TDBGridColumns {
public:
    explicit TDBGridColumns(TCustomDBGrid* grid) : FGrid(grid) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    TColumn* Items(int index) const;
    TColumn* operator[](int index) const { return Items(index); }
    /// \brief A new customized column at the end.
    TColumn* Add();
    void Clear();
    /// \brief The first column showing `fieldName`, or null.
    TColumn* FindByFieldName(const String& fieldName) const;
    TDBGridColumnsState State() const { return FState; }
    /// \brief csDefault rebuilds from the fields; csCustomized keeps the columns as they are.
    void SetState(TDBGridColumnsState state);
    /// \brief Keeps the columns as they are from now on (csCustomized).
    void Customize() { FState = csCustomized; }
    /// \brief Back to default columns.
    void RestoreDefaults() { SetState(csDefault); }
    /// \brief Moves the column at `from` to `to`.
    void Move(int from, int to);

private:
    friend class TColumn;
    friend class TCustomDBGrid;
    void RebuildDefault();
    void Changed();

    TCustomDBGrid* FGrid;
    std::vector<std::unique_ptr<TColumn>> FItems;
    TDBGridColumnsState FState = csDefault;
    bool FUpdating = false;
};

/// \brief The selected rows of a multi-select grid, kept in bookmark order.
class TBookmarkList {
public:
    explicit TBookmarkList(TCustomDBGrid* grid) : FGrid(grid) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    const TBookmark& Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
    const TBookmark& operator[](int index) const { return Items(index); }
    bool Find(const TBookmark& bookmark, int& index) const;
    int IndexOf(const TBookmark& bookmark) const;
    bool Contains(const TBookmark& bookmark) const { return IndexOf(bookmark) >= 0; }
    /// \brief Adds `bookmark`; false when it was there already.
    bool Insert(const TBookmark& bookmark);
    bool Remove(const TBookmark& bookmark);
    void Clear();
    /// \brief Whether the dataset's current record is selected; setting selects or unselects it.
    bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool value);
    /// \brief Deletes every selected record from the dataset and empties the list.
    void Delete();
    /// \brief Drops bookmarks that no longer name a record; true when any was dropped.
    bool Refresh();

private:
    int Compare(const TBookmark& a, const TBookmark& b) const;
    TCustomDBGrid* FGrid;
    std::vector<TBookmark> FItems;
};

/// \brief The grid's link to its data source.
class TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TCustomDBGrid* grid) : FGrid(grid) {}

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;
    void FocusControl(TField*& field) override;

private:
    TCustomDBGrid* FGrid;
};

/// \brief The lazy table model: a run of consecutive records around the dataset's cursor.
class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDBGridModel(TCustomDBGrid* grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    /// \brief Forgets every row and reads a window around the dataset's current record.
    void Reload();
    /// \brief Reads up to `count` records before the first row; returns how many it added.
    int FetchTop(int count);
    /// \brief Reads up to `count` records after the last row; returns how many it added.
    int FetchBottom(int count);
    bool TopComplete() const { return FTopDone; }
    bool BottomComplete() const { return FBottomDone; }
    /// \brief Row of the dataset's current record (the insert row while inserting); -1 unknown.
    int CurrentRow() const;
    /// \brief Row showing the record of `bookmark`, or -1 when it is not in the window.
    int RowOf(const TBookmark& bookmark) const;
    /// \brief Bookmark of a row (null for the insert row).
    TBookmark BookmarkAt(int row) const;
    bool IsInsertRow(int row) const { return row >= 0 && row == FInsertRow; }
    /// \brief Re-reads the texts of the current record's row.
    void RefreshCurrentRow();
    /// \brief Re-reads the texts of every row (columns changed).
    void ColumnsChanged();
    /// \brief Shows or drops the row of a record being inserted.
    void UpdateInsertRow();
    /// \brief True while the model moves the dataset itself.
    bool Walking() const { return FWalking != 0; }
    /// \brief Records read since the model was made (for tests of the laziness).
    long RecordsRead() const { return FRecordsRead; }

private:
    struct Row {
        TBookmark Bookmark;
        std::vector<QString> Text;
    };

public:
    /// \brief While it lives the dataset may be moved without the grid following; it goes back to
    /// the record it stood on when it ends.
    class WalkGuard;

private:
    static std::string Key(const TBookmark& bm);
    Row ReadCurrent();
    void Clear();
    void Reindex();
    TDataSet* DataSet() const;
    bool CanWalk() const;

    TCustomDBGrid* FGrid;
    std::deque<Row> FRows;
    std::unordered_map<std::string, long> FIndex; // bookmark bytes -> sequence number
    long FFirstSeq = 0;
    int FInsertRow = -1;
    bool FTopDone = true;
    bool FBottomDone = true;
    int FWalking = 0;
    long FRecordsRead = 0;
};

// Moves the dataset without the controls (this grid included) hearing of it, and brings it back
// to the record it stood on.
class TDBGridModel::WalkGuard {
public:
    explicit WalkGuard(TDBGridModel* model) : FModel(model), FDataSet(model->DataSet()) {
        ++FModel->FWalking;
        FDataSet->DisableControls();
        FSaved = FDataSet->GetBookmark();
    }
    WalkGuard(const WalkGuard&) = delete;
    WalkGuard& operator=(const WalkGuard&) = delete;
    ~WalkGuard() {
        try {
            if (!FSaved.IsNull())
                FDataSet->GotoBookmark(FSaved);
        } catch (...) {
        }
        try {
            FDataSet->EnableControls();
        } catch (...) {
        }
        --FModel->FWalking;
    }
    const TBookmark& Saved() const { return FSaved; }

private:
    TDBGridModel* FModel;
    TDataSet* FDataSet;
    TBookmark FSaved;
};

/// \brief Draws the data cells (highlight, lines, owner drawing) and makes the cell editors.
class TDBGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TDBGridDelegate(TCustomDBGrid* grid);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    /// \brief The cell editor open now, or null.
    QWidget* CurrentEditor() const { return FEditor; }

private:
    TCustomDBGrid* FGrid;
    mutable QPointer<QWidget> FEditor;
};

using TGridNotifyEvent = std::function<void(TCustomDBGrid* sender)>;
using TDBGridClickEvent = std::function<void(TCustomDBGrid* sender, TColumn* column)>;
using TMovedEvent = std::function<void(TCustomDBGrid* sender, int fromIndex, int toIndex)>;
using TDrawDataCellEvent = std::function<void(TCustomDBGrid* sender, QPainter* canvas, const QRect& rect,
                                              TField* field, TGridDrawState state)>;
using TDrawColumnCellEvent = std::function<void(TCustomDBGrid* sender, QPainter* canvas, const QRect& rect,
                                                int dataCol, TColumn* column, TGridDrawState state)>;
using TDragDropEvent = std::function<void(TCustomDBGrid* sender, QObject* source, int x, int y)>;
using TDragOverEvent =
    std::function<void(TCustomDBGrid* sender, QObject* source, int x, int y, bool& accept)>;
using TEndDragEvent = std::function<void(TCustomDBGrid* sender, QObject* target, int x, int y)>;
using TStartDragEvent = std::function<void(TCustomDBGrid* sender)>;
using TKeyEvent = std::function<void(TCustomDBGrid* sender, int& key, Qt::KeyboardModifiers shift)>;
using TKeyPressEvent = std::function<void(TCustomDBGrid* sender, QString& key)>;

/// \brief The data-aware grid. Exceptions of the dataset raised by the user's actions go to
/// Application().HandleException, as the framework shows any error of an event handler.
class TCustomDBGrid : public QTableView {
    Q_OBJECT
    // What Qt Designer shows and a .ui file keeps: each option on its own (a form builder writes
    // no flag sets), then the plain properties.
    Q_PROPERTY(bool dgEditing READ OptEditing WRITE SetOptEditing)
    Q_PROPERTY(bool dgAlwaysShowEditor READ OptAlwaysShowEditor WRITE SetOptAlwaysShowEditor)
    Q_PROPERTY(bool dgTitles READ OptTitles WRITE SetOptTitles)
    Q_PROPERTY(bool dgIndicator READ OptIndicator WRITE SetOptIndicator)
    Q_PROPERTY(bool dgColumnResize READ OptColumnResize WRITE SetOptColumnResize)
    Q_PROPERTY(bool dgColLines READ OptColLines WRITE SetOptColLines)
    Q_PROPERTY(bool dgRowLines READ OptRowLines WRITE SetOptRowLines)
    Q_PROPERTY(bool dgTabs READ OptTabs WRITE SetOptTabs)
    Q_PROPERTY(bool dgRowSelect READ OptRowSelect WRITE SetOptRowSelect)
    Q_PROPERTY(bool dgAlwaysShowSelection READ OptAlwaysShowSelection WRITE SetOptAlwaysShowSelection)
    Q_PROPERTY(bool dgConfirmDelete READ OptConfirmDelete WRITE SetOptConfirmDelete)
    Q_PROPERTY(bool dgCancelOnExit READ OptCancelOnExit WRITE SetOptCancelOnExit)
    Q_PROPERTY(bool dgMultiSelect READ OptMultiSelect WRITE SetOptMultiSelect)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool DefaultDrawing READ DefaultDrawing WRITE SetDefaultDrawing)
    Q_PROPERTY(QColor FixedColor READ FixedColor WRITE SetFixedColor)
    Q_PROPERTY(QFont TitleFont READ TitleFont WRITE SetTitleFont)
public:
    explicit TCustomDBGrid(QWidget* parent = nullptr);
    ~TCustomDBGrid() override;

    // ---- Data ----------------------------------------------------------------------------------
    TDataSource* DataSource() const { return FDataLink.DataSource(); }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    TDBGridModel* Model() const { return FModel; }
    TDBGridDelegate* Delegate() const { return FDelegate; }
    TGridDataLink* DataLink() { return &FDataLink; }
    TDBGridColumns& Columns() { return FColumns; }
    TBookmarkList& SelectedRows() { return FSelectedRows; }
    /// \brief The column of the current cell (index into the visible columns), -1 when none.
    int SelectedIndex() const;
    void SetSelectedIndex(int index);
    /// \brief The field of the current column.
    TField* SelectedField() const;
    /// \brief Visible columns in display order.
    std::vector<TColumn*> VisibleColumns() const;
    /// \brief Scroll the view so the dataset's current record is visible and current.
    void SyncToDataSet();

    // ---- Properties ----------------------------------------------------------------------------
    TDBGridOptions Options() const { return FOptions; }
    void SetOptions(TDBGridOptions options);
    bool Option(TDBGridOption option) const { return (FOptions & option) != 0; }
    void SetOption(TDBGridOption option, bool on) { SetOptions(on ? FOptions | option : FOptions & ~option); }
    // One accessor pair per option, for Qt's property system.
    bool OptEditing() const { return Option(dgEditing); }
    void SetOptEditing(bool on) { SetOption(dgEditing, on); }
    bool OptAlwaysShowEditor() const { return Option(dgAlwaysShowEditor); }
    void SetOptAlwaysShowEditor(bool on) { SetOption(dgAlwaysShowEditor, on); }
    bool OptTitles() const { return Option(dgTitles); }
    void SetOptTitles(bool on) { SetOption(dgTitles, on); }
    bool OptIndicator() const { return Option(dgIndicator); }
    void SetOptIndicator(bool on) { SetOption(dgIndicator, on); }
    bool OptColumnResize() const { return Option(dgColumnResize); }
    void SetOptColumnResize(bool on) { SetOption(dgColumnResize, on); }
    bool OptColLines() const { return Option(dgColLines); }
    void SetOptColLines(bool on) { SetOption(dgColLines, on); }
    bool OptRowLines() const { return Option(dgRowLines); }
    void SetOptRowLines(bool on) { SetOption(dgRowLines, on); }
    bool OptTabs() const { return Option(dgTabs); }
    void SetOptTabs(bool on) { SetOption(dgTabs, on); }
    bool OptRowSelect() const { return Option(dgRowSelect); }
    void SetOptRowSelect(bool on) { SetOption(dgRowSelect, on); }
    bool OptAlwaysShowSelection() const { return Option(dgAlwaysShowSelection); }
    void SetOptAlwaysShowSelection(bool on) { SetOption(dgAlwaysShowSelection, on); }
    bool OptConfirmDelete() const { return Option(dgConfirmDelete); }
    void SetOptConfirmDelete(bool on) { SetOption(dgConfirmDelete, on); }
    bool OptCancelOnExit() const { return Option(dgCancelOnExit); }
    void SetOptCancelOnExit(bool on) { SetOption(dgCancelOnExit, on); }
    bool OptMultiSelect() const { return Option(dgMultiSelect); }
    void SetOptMultiSelect(bool on) { SetOption(dgMultiSelect, on); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool value);
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool ParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool value);
    QColor Color() const;
    void SetColor(const QColor& color);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    QColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(const QColor& color);
    QFont Font() const { return font(); }
    void SetFont(const QFont& f);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    QFont TitleFont() const { return FTitleFont; }
    void SetTitleFont(const QFont& f);
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode value) { FDragMode = value; }
    Qt::CursorShape DragCursor() const { return FDragCursor; }
    void SetDragCursor(Qt::CursorShape shape) { FDragCursor = shape; }
    TImeMode ImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode value);
    /// \brief Kept for stored forms; the platform picks the input method itself.
    const QString& ImeName() const { return FImeName; }
    void SetImeName(const QString& name) { FImeName = name; }
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) {
        FShowHint = value;
        FParentShowHint = false;
    }
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value) { FParentShowHint = value; }
    /// \brief Whether hints show, following the parent grid's ShowHint when ParentShowHint is set.
    bool HintsShown() const;
    QString Hint() const { return toolTip(); }
    void SetHint(const QString& text) { setToolTip(text); }
    int TabOrder() const;
    void SetTabOrder(int position);
    bool TabStop() const { return focusPolicy() != Qt::NoFocus && focusPolicy() != Qt::ClickFocus; }
    void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus); }
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value) { setEnabled(value); }
    bool Visible() const { return isVisible(); }
    void SetVisible(bool value) { setVisible(value); }
    /// \brief Width of the indicator column (the row header).
    virtual int IndicatorWidth() const { return 11; }
    /// \brief Draws the indicator cell of a row (current-row arrow, edit and insert marks).
    virtual void DrawIndicator(QPainter* painter, const QRect& rect, int row);
    QHeaderView* IndicatorColumn() const { return verticalHeader(); }

    // ---- Events --------------------------------------------------------------------------------
    TDBGridClickEvent OnCellClick, OnTitleClick;
    TGridNotifyEvent OnColEnter, OnColExit, OnDblClick, OnEditButtonClick, OnEnter, OnExit;
    TMovedEvent OnColumnMoved;
    TDrawDataCellEvent OnDrawDataCell;
    TDrawColumnCellEvent OnDrawColumnCell;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // ---- For the delegate, model and link ------------------------------------------------------
    /// \brief Whether the cell counts as highlighted (current cell or row, selected row).
    virtual bool HighlightCell(int row, int col) const;
    /// \brief Draws a data cell; the base fills the background and writes the text.
    virtual void DrawCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index);
    /// \brief Whether the cell at `index` may be edited in place now.
    bool CanEditCell(const QModelIndex& index) const;
    /// \brief Runs `fn`, showing an exception through the application instead of letting it out.
    template <class F> bool Guarded(F&& fn) {
        try {
            fn();
            return true;
        } catch (const std::exception& e) {
            Application().HandleException(e);
            return false;
        }
    }
    void EditButtonClicked();

protected:
    friend class TGridDataLink;
    friend class TDBGridModel;
    friend class TDBGridColumns;
    friend class TColumn;

    virtual void LinkActive(bool active);
    virtual void DataChanged();
    virtual void Scrolled();
    virtual void EditingChanged();
    virtual void RecordChanged(TField* field);
    void LayoutChanged();
    /// \brief Widths and header of the columns (called after every layout change).
    virtual void SetColumnAttributes();
    /// \brief The base key handling (navigation, editing keys); true when the key was used.
    virtual bool KeyDown(QKeyEvent* event);
    /// \brief Moves the dataset by `distance` rows, appending past the end when allowed and
    /// cancelling an empty insert that is left.
    virtual void MoveRows(int distance);
    /// \brief Moves to the row of the model (mouse).
    void MoveToRow(int row);
    /// \brief Current column := `col`, with OnColExit / OnColEnter around the change.
    void SetCurrentColumn(int col);
    /// \brief Deletes the current or the selected records after the confirmation the options ask for.
    void DeleteRecords();
    int VisibleRowCount() const;
    bool InternalMoving() const { return FInternalMove != 0; }

    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

    QPoint FDragStart{-1, -1};

private:
    void ApplyOptions();
    void ApplyFrame();
    void ApplyAlign();
    void TitleClicked(int section);
    void SectionMoved(int logical, int oldVisual, int newVisual);
    void SectionResized(int logical, int oldSize, int newSize);
    void StartDrag();
    void FillTopIfNeeded();

    TGridDataLink FDataLink;
    TDBGridModel* FModel;
    TDBGridDelegate* FDelegate;
    TDBGridColumns FColumns;
    TBookmarkList FSelectedRows;
    TDBGridOptions FOptions = DefaultDBGridOptions;
    bool FReadOnly = false;
    bool FDefaultDrawing = true;
    TAlign FAlign = alNone;
    TBorderStyle FBorderStyle = bsSingle;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    bool FParentColor = false;
    QColor FColor;
    QColor FFixedColor;
    bool FParentFont = true;
    QFont FTitleFont;
    TDragMode FDragMode = dmManual;
    Qt::CursorShape FDragCursor = Qt::DragMoveCursor;
    TImeMode FImeMode = imDontCare;
    QString FImeName;
    QPointer<QMenu> FPopupMenu;
    bool FShowHint = false;
    bool FParentShowHint = true;
    int FInternalMove = 0;
    int FSyncing = 0;
    bool FLayoutBusy = false;
};

/// \brief The grid as placed on forms.
class TDBGrid : public TCustomDBGrid {
    Q_OBJECT
public:
    using TCustomDBGrid::TCustomDBGrid;
};

} // namespace vantrel

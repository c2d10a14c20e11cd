// The extended data grid: range selection of rows with Shift and the keyboard or the mouse, a
// selection-change event, keys collected per selected row, indicator images of an image list,
// an adjustable indicator width, and selected rows that stay visible while the grid is unfocused.
#pragma once

#include <vantrel/framework/Classes.h>
#include <vantrel/grid/DBGrid.h>

#include <QObject>
#include <QPixmap>
#include <QPoint>

#include <vector>

namespace vantrel {

/// \brief Images of one size, drawn by index.
class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(QObject* parent = nullptr, int width = 16, int height = 16);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return static_cast<int>(FImages.size()); }
    /// \brief Adds the image scaled to the list's size; returns its index.
    int Add(const QPixmap& image);
    void Clear();
    QPixmap Image(int index) const;
    /// \brief Draws image `index` with its top left corner at (x, y); nothing for a bad index.
    void Draw(QPainter* painter, int x, int y, int index) const;

signals:
    void Changed();

private:
    int FWidth, FHeight;
    std::vector<QPixmap> FImages;
};

using TEventGetDataSetKey = std::function<void(TDataSet* sender, String& key)>;

/// \brief Indicator images, by index: the current row browsing, editing, inserting, and a
/// selected row that is not current.
enum TIndicatorImage { iiCurrent = 0, iiEdit = 1, iiInsert = 2, iiSelected = 3 };

/// \brief The extended grid's behaviour (see the head of this file). A Qt widget: its parent
/// widget owns it; the data source and the image list are only referred to.
class TExtCustomDBGrid : public TCustomDBGrid {
    Q_OBJECT
    Q_PROPERTY(int IndicatorSize READ IndicatorSize WRITE SetIndicatorSize)
public:
    explicit TExtCustomDBGrid(QWidget* parent = nullptr);
    ~TExtCustomDBGrid() override;

    TImageList* Indicators() const { return FIndicators; }
    /// \brief Stores the list and lays the grid out again; the grid forgets it when it is destroyed.
    void SetIndicators(TImageList* list);
    int IndicatorSize() const { return FIndicatorSize; }
    /// \brief Ignored unless 1 <= n <= 49.
    void SetIndicatorSize(int n);
    int IndicatorWidth() const override { return FIndicatorSize; }

    /// \brief Keys the key event gave for the selected rows (sorted).
    const TStringList& SelectedKeys() const { return FKeyList; }
    /// \brief Whether a Shift range is in progress, and the row it started at.
    bool RangeActive() const { return FRangeActive; }
    const TBookmark& Anchor() const { return FAnchor; }

    /// \brief Asks the key event for the current record's key; true when it gave one, which then
    /// joins the key list when `add` is set.
    bool DoAddSelect(bool add);
    void DoSelectedChange();
    /// \brief The bookmark of the grid's active record (where the dataset stands).
    TBookmark CurrentRow();
    /// \brief With multi-select: empties the selection and the key list, ends any Shift range.
    void ClearSelection();
    /// \brief Selects the rows from `from` to `to` (either order) instead of the selection so far.
    void SetShiftSelection(const TBookmark& from, const TBookmark& to);
    /// \brief Moves the current column to `col`, clamped to the data columns.
    void MoveCol(int col);

    TEventGetDataSetKey OnGetDataSetKey;
    TGridNotifyEvent OnSelectionChange;

    bool HighlightCell(int row, int col) const override;
    void DrawCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) override;
    void DrawIndicator(QPainter* painter, const QRect& rect, int row) override;

protected:
    void SetColumnAttributes() override;
    bool KeyDown(QKeyEvent* event) override;
    void LinkActive(bool active) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool MultiSelect() const;
    /// \brief The selection rules applied before the current row is left.
    void BeforeRowMove(bool shift);
    /// \brief And after the move: a Shift range reaches the row moved to.
    void AfterRowMove(bool shift);
    void MoveWithSelection(bool shift, const std::function<void()>& move);
    void SelectCurrent();
    void ToggleRow(int row);
    void RemoveKeyOfCurrent();
    void IndicatorsDestroyed();

    QPointer<TImageList> FIndicators;
    QMetaObject::Connection FIndicatorsChanged, FIndicatorsDestroyed;
    int FIndicatorSize = 10;
    TStringList FKeyList;
    TBookmark FAnchor;
    bool FRangeActive = false;
    QPoint FAnchorCell{-1, -1};
    bool FMouseSelecting = false;
};

/// \brief The extended grid as placed on forms.
///
/// Its published properties and events, in their published order, are PublishedNames(); each is
/// the accessor pair or event member of that name (Align/SetAlign, OnCellClick, ...). Enabled,
/// Visible, Font, PopupMenu, ShowHint, TabOrder and TabStop act on the Qt widget itself.
class TExtDBGrid : public TExtCustomDBGrid {
    Q_OBJECT
public:
    using TExtCustomDBGrid::TExtCustomDBGrid;
    /// \brief The names a designer lists, in the order they are published.
    static const std::vector<const char*>& PublishedNames();
};

} // namespace vantrel

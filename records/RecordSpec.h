#pragma once
// The declarative part of a master-record window: which table it edits, which control holds
// which column, and where the windows differ from one another. RecordWindow does the rest.
#include "Keys.h"

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class TDM;

namespace kestrum {
class Query;
}

namespace kestrum::records {

/// How a box's text becomes a statement value.
enum class FieldKind {
    Text,     ///< bound as typed; an empty box stores empty text
    Upper,    ///< like Text, typed letters turned to upper case
    Integer,  ///< must hold a whole number
    Number,   ///< must hold a decimal number
    Money,    ///< decimal number; an empty box stores 0
    Date,     ///< short date (month/day/year); an empty box stores NULL
};

/// When a combo box's list of distinct values is loaded.
enum class ComboList { None, OnDropDown, AtShowAndDropDown };

struct FieldSpec {
    FieldSpec(QString control_, QString column_, FieldKind kind_ = FieldKind::Text, QString defaultOnNew_ = {},
              ComboList list_ = ComboList::None)
        : control(std::move(control_)), column(std::move(column_)), kind(kind_),
          defaultOnNew(std::move(defaultOnNew_)), list(list_)
    {
    }
    QString control;
    QString column;
    FieldKind kind;
    QString defaultOnNew;
    /// Combo boxes: when the list of the column's distinct values is loaded.
    ComboList list;
};

/// A control whose Enter / Left targets differ from its place in the cycle (or that shares
/// another control's handler without being in the cycle); empty targets keep the cycle's.
struct FocusHop {
    QString control;
    QString next;
    QString previous;
};

struct GridColumn {
    QString title;  ///< empty: the column keeps its field name
    int width;
};

/// What follows a Save (answered Yes or No).
enum class AfterSave {
    CopyFirstRow,        ///< reload, copy the first row into the controls
    LocateKeepControls,  ///< reload, move the grid to the saved key, leave the controls as typed
    LocateCopyRow,       ///< reload, move to the saved key, copy that row
    Refresh,             ///< run Refresh
};

enum class RefreshAction { CopyFirstRow, KeepControls, LocateKey };
enum class CancelAction { Refresh, ReloadCopyFirstRow, CopyCurrentRow, Nothing };

struct GridFunctionKeys {
    bool save = false, create = false, refresh = false, remove = false;
};

struct RecordSpec {
    QString table;
    QString keyColumn;
    QString keyControl = QStringLiteral("Edit1");
    kestrum::Query* TDM::*listQuery = nullptr;
    kestrum::Query* TDM::*probeQuery = nullptr;
    /// List statement at show, after Refresh and Cancel.
    QString listSql;
    /// List statement after Save (empty: listSql).
    QString savedListSql;
    /// Every edited column but the key, in the order of the Insert statement.
    std::vector<FieldSpec> fields;
    /// Enter cycle in order; after the last control Enter goes to `wrapTo`.
    QStringList cycle;
    QString wrapTo;
    kestrum::ui::KeyCycle::LeftKey left = kestrum::ui::KeyCycle::LeftKey::Previous;
    QStringList keepLeft;
    std::vector<FocusHop> hops;
    bool editKeys = true;  ///< false: no key handling in the edit area at all
    QString focusAfterNew;
    QString insertMessage = QStringLiteral("Saved!");
    QString updateMessage = QStringLiteral("Saved!");
    AfterSave afterSave = AfterSave::LocateKeepControls;
    RefreshAction refreshAction = RefreshAction::CopyFirstRow;
    CancelAction cancelAction = CancelAction::Refresh;
    /// Grid titles by position at show and after Save; Refresh and Cancel may rename some.
    std::vector<GridColumn> titles;
    std::map<int, QString> refreshTitles;
    std::map<int, QString> cancelTitles;
    QStringList sortable;
    /// Column the search box looks in before any title was clicked.
    QString defaultSearchColumn;
    QString searchControl = QStringLiteral("Edit6");
    bool searchRecomputesFigures = false;
    bool figuresAtShow = false;
    /// Typing in the key box moves the grid to the first key that starts with it.
    bool keyBoxLocates = false;
    /// A long list shows its first page at once and is counted on a connection of its own.
    bool countFollows = false;
    GridFunctionKeys gridKeys;
    bool gridKeyHandlers = true;  ///< false: the grid ignores key presses and releases
};

}  // namespace kestrum::records

#pragma once
// What a line editor or a picker is made of, as data: the line table and its document column,
// which control holds which column, the catalogue a line's name is picked from, the pool queries
// and the grid titles. Invoice part and labor lines, estimate lines, purchase-order lines and
// bill lines are all one LineEditor with different LineSpecs; the finders are one PickerWindow
// with different PickerSpecs.
//
// How to use (a part-line editor):
//
//     LineSpec s;
//     s.table = "InvItem"; s.documentColumn = "Inv_Item"; s.identityColumn = "Color_Item";
//     s.fields = {{"ComboBox1", "Name_Item"}, {"Edit1", "Mfg_Item"}, {"Edit2", "Qty_Item", LineValue::Number, "0"},
//                 ...};
//     s.listQuery = &TDM::QInvItem1; s.probeQuery = &TDM::QInvItem2; ...
//     class TInvItem : public LineEditor { TInvItem() : LineEditor(spec) { ui->setupUi(this); setupLineEditor(); } };
//
// The document window creates the editor, calls setDocument(this) before showing it, and
// connects linesClosed to reload its own line grid and total.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TDM;

namespace kestrum {
class Query;
class Field;
}  // namespace kestrum

namespace kestrum::lines {

/// How a box's text becomes a statement value.
enum class LineValue {
    Text,    ///< bound as typed
    Number,  ///< decimal number; an empty box stores 0, anything else not a number is refused
};

struct LineField {
    LineField(QString control_, QString column_, LineValue kind_ = LineValue::Text, QString defaultOnNew_ = {})
        : control(std::move(control_)), column(std::move(column_)), kind(kind_), defaultOnNew(std::move(defaultOnNew_))
    {
    }
    QString control;
    QString column;
    LineValue kind;
    /// Text New puts into the box.
    QString defaultOnNew;
};

/// A control filled from a column of a catalogue or picker row.
struct CatalogueFill {
    QString control;
    QString column;
};

/// Where a line's name comes from: the name combo lists `nameColumn` of every catalogue row, and
/// choosing a name looks the row up and fills `fills` (quantity and amount are left alone).
struct Catalogue {
    QString table;       ///< "Part", "Labor"; empty: the name combo lists nothing
    QString nameColumn;  ///< "Number_Material", "Description_Labor"
    std::vector<CatalogueFill> fills;
    /// false: the list is filled once when the editor opens, not again on each drop-down.
    bool refillOnDropDown = true;
    /// false: the combo only offers the names; a changed name looks nothing up and clears
    /// nothing (a list of earlier descriptions rather than a catalogue).
    bool lookUpOnChange = true;
    /// The catalogue's key: the list is read a page at a time in its order. Empty: the table
    /// has none, and the list is read whole.
    QString keyColumn;
};

/// A read-only label of the editor that shows a control of the document window when it opens.
struct HeaderCopy {
    QString label;            ///< "Label15"
    QString documentControl;  ///< "ComboBox1" of the invoice window
};

struct LineColumn {
    QString title;
    int width;
};

struct LineSpec {
    QString table;           ///< "InvItem"
    QString documentColumn;  ///< "Inv_Item": the number of the document a line belongs to
    /// The document number is a whole number (invoices, orders) or text (bill references).
    bool numericDocument = true;
    /// A second column a line's document is known by, copied from `ownerLabel` (bill lines: the
    /// vendor, as two vendors may use one reference); "" for none.
    QString ownerColumn;
    QString ownerLabel = QStringLiteral("Label15");
    /// With the document number, identifies a line for Save and Delete alike ("Color_Item").
    QString identityColumn;
    /// Every column but the document's, in Insert order; the identity column among them.
    std::vector<LineField> fields;

    /// The label that shows the document number, copied from `documentControl` of the document window.
    QString documentLabel = QStringLiteral("Label6");
    QString documentControl = QStringLiteral("Edit1");
    std::vector<HeaderCopy> header;
    /// Word used in messages for the document ("invoice", "order", "bill").
    QString documentWord = QStringLiteral("invoice");

    /// Save and Delete do nothing while this box is empty.
    QString nameControl = QStringLiteral("ComboBox1");
    QString qtyControl = QStringLiteral("Edit2");
    QString rateControl = QStringLiteral("Edit5");
    QString amountControl = QStringLiteral("Edit6");

    /// The sum of `amountColumn` over the document's lines goes into `totalLabel` ("" for none).
    QString amountColumn;
    QString totalLabel;

    kestrum::Query* TDM::*listQuery = nullptr;    ///< the editor's grid, Save and Delete
    kestrum::Query* TDM::*probeQuery = nullptr;   ///< name list and the existence test of Save
    kestrum::Query* TDM::*lookupQuery = nullptr;  ///< the catalogue look-up of a chosen name
    kestrum::Query* TDM::*sumQuery = nullptr;     ///< the total

    Catalogue catalogue;
    /// Grid titles at opening, and after Save, Refresh, Cancel and moves (empty: the same).
    std::vector<LineColumn> titles;
    std::vector<LineColumn> reloadTitles;

    /// Enter ring (empty: no key handling); Left goes back, F2 saves. Controls in `unkeyed`
    /// stay in the ring but do not react to keys themselves.
    QStringList cycle;
    QStringList unkeyed;

    /// Cell clicks and key releases in the grid fill the fields from the row; the navigator too.
    bool gridFillsFields = true;
    bool navigatorFillsFields = true;
    /// Cancel reloads like Refresh (false: it does nothing).
    bool cancelRefreshes = true;
    /// The start-up auxiliary window (a PickerWindow) that "Find" shows; "" for none.
    QString finderClass;
};

/// A column of the picker's current row copied into a control of the line editor; `convert`
/// turns the field into the text (default: the field's text).
struct PickCopy {
    QString column;
    QString control;
    std::function<QString(const kestrum::Field&)> convert = {};
};

struct PickerSpec {
    kestrum::Query* TDM::*query = nullptr;  ///< the list (Q1 in every finder)
    /// Select statement of the whole list, without a where clause.
    QString select;
    /// Sort of the full list ("" for none); a searched list keeps the statement's order.
    QString sortColumn;
    /// Typing in the search box lists the rows whose column contains the text (any case).
    QString searchColumn;
    std::vector<LineColumn> columns;
    /// In the order they are written: the name first, so the editor's own look-up does not
    /// overwrite what the picker copies after it.
    std::vector<PickCopy> copies;
    QString searchControl = QStringLiteral("Edit1");
    QString selectButton = QStringLiteral("Button2");
    QString closeButton = QStringLiteral("Button1");
    /// false: the Close button does nothing (the window's close box still hides it).
    bool closeButtonHides = true;
    /// A long list shows its first page at once and is counted on a connection of its own.
    bool countFollows = false;
};

}  // namespace kestrum::lines

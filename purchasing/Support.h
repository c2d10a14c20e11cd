#pragma once
// What the purchasing windows share: the statement cycle on a pool query with bound values,
// combo lists filled from a select, grids over pool queries, navigators and date pickers, and
// the base of the windows (MDI child, show handler run once, controls reachable by name).
#include "Grid.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <optional>

class QDateEdit;
class QLineEdit;
class QTableView;

namespace kestrum {
class Decimal;
class Query;
class QueryModel;
namespace records {
class ListCombo;
}
} // namespace kestrum

namespace kestrum::purchasing {

extern const QString SaveQuestion;   // "Are you sure you want to Save this Record?"
extern const QString DeleteQuestion; // "Are you sure you want to Delete this Record?"

/// The lines (joined by "\n") as the statement of `q` with `values` bound in order, then Open.
void openQuery(Query* q, const QStringList& lines, const QVariantList& values = {});
/// The same, then ExecSQL; returns the rows affected.
int execQuery(Query* q, const QStringList& lines, const QVariantList& values = {});

/// A text to bind: never a null QString, so an empty box stores empty text, not NULL.
QVariant textValue(const QString& text);
QVariant decimalValue(const Decimal& d);

/// "Select Sum(<column>) From <table> where <match[0]> =?" and "and <match[i]> =?" for the other
/// columns, `values` bound in order, on `q`; the sum as text ("12.5"), "" when no row matches.
QString sumText(Query* q, const QString& column, const QString& table, const QStringList& match,
                const QVariantList& values);

/// Replaces the list of `combo` by the values of `column` over every row of `sql`, in the order
/// returned (the typed text stays).
void fillCombo(records::ListCombo* combo, Query* q, const QString& sql, const QString& column);
/// Refills the list from the select on every drop-down (guarded).
void fillOnDropDown(records::ListCombo* combo, Query* q, const QString& sql, const QString& column);

using ui::bindGrid;
using ui::GridBinding;

/// The NavFirst..NavLast (and NavDelete when present) buttons under `navigator`: each moves `q`,
/// then runs `after` (guarded).
void wireNavigator(QWidget* navigator, Query* q, const std::function<void()>& after,
                   const std::function<void()>& remove = {});

/// A picker beside a date box: set to today; a picked date goes into the box as a short date.
void wirePicker(QDateEdit* picker, QLineEdit* box);

/// Today as the windows write it (M/d/yyyy).
QString today();

/// \brief Base of the purchasing windows: freed on close, its show handler (formShow) runs once
/// when first shown, guarded; controls are read and written by name.
class Window : public QWidget {
    Q_OBJECT
public:
    /// Text of an edit box, combo, memo or label by control name ("" when none). History windows
    /// read the number they list by this.
    QString controlText(const QString& control) const;
    void setControlText(const QString& control, const QString& text);

protected:
    explicit Window(QWidget* parent = nullptr);
    /// Runs once, when the window is first shown.
    virtual void formShow() {}
    /// MDI children that open maximised.
    void setOpensMaximized(bool on) { maximized_ = on; }
    /// Caption of a control's buddy label ("PO#"), for messages; the name when none.
    QString captionOf(const QString& control) const;
    /// Runs `fn` guarded (error box on exception) with this window as parent of the box.
    void guard(const std::function<void()>& fn);
    /// Connects a button's click to `fn`, guarded.
    void onClick(const QString& button, const std::function<void()>& fn);

    void showEvent(QShowEvent* event) override;

private:
    bool shown_ = false;
    bool maximized_ = false;
};

} // namespace kestrum::purchasing

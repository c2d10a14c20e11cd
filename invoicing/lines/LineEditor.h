#pragma once
// The line editor every document shares: the lines of one document (invoice, estimate, order,
// bill) with New / Save / Delete / Refresh / Cancel / Close, the name combo over a catalogue,
// quantity x rate = amount, and the document's total. A window supplies its form (controls named
// as in its LineSpec, buttons Button1 Save, Button2 New, Button3 Delete, Button5 Refresh,
// Button7 Cancel, Button8 Find, Button4 Close, grid DBGrid1, navigator NavFirst..NavLast) and
// calls setupLineEditor() after setupUi.
#include "Decimal.h"
#include "LineSpec.h"

#include <QHash>
#include <QMap>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <optional>

class QLineEdit;
class QTableView;

namespace kestrum {
class Query;
class QueryModel;
}  // namespace kestrum

namespace kestrum::ui {
class Grid;
}

namespace kestrum::lines {

/// \brief Text of a line edit, combo box, label or plain text edit of `window` by object name
/// ("" when there is none).
QString controlText(const QWidget* window, const QString& control);
void setControlText(QWidget* window, const QString& control, const QString& text);

/// \brief The finders' 20 % mark-up: the price to four decimals plus a fifth of it cut (not
/// rounded) to four decimals, shown "#.##" (10 -> "12", 12.3456 -> "14.81").
QString markedUpRate(const Decimal& price);

/// \brief Amount of a line from its quantity and rate texts: "0" unless the quantity is a number
/// above zero (".5" is), else quantity x rate shown "#.##". Throws InputError naming the box
/// when a needed text is not a number.
QString lineAmount(const QString& qty, const QString& rate, const QString& qtyCaption, const QString& rateCaption);

class NameList;

class LineEditor : public QWidget {
    Q_OBJECT
public:
    ~LineEditor() override;

    const LineSpec& spec() const { return spec_; }

    /// \brief The window whose document this editor works on; read when the editor is shown.
    void setDocument(QWidget* documentWindow);
    QWidget* document() const { return document_; }
    /// The document number the editor copied at opening ("" when none).
    QString documentNo() const;

    QString controlText(const QString& control) const { return lines::controlText(this, control); }
    void setControlText(const QString& control, const QString& text) { lines::setControlText(this, control, text); }
    /// \brief Sets boxes without running the name look-up (what pickers write).
    void setFields(const QMap<QString, QString>& values);

    // The buttons (each runs guarded: an error stops the handler with the error box).
    void newLine();      // Button2 "New  ( F3 )"
    void saveLine();     // Button1 "Save ( F2 )"
    void deleteLine();   // Button3 "Delete ( F8 )"
    void refreshLines(); // Button5 "Refresh ( F5 )"
    void cancelEdit();   // Button7
    void showFinder();   // Button8 "Find"
    /// Quantity x rate into the amount box (on leaving the quantity or the rate).
    void computeAmount();

    kestrum::Query* listQuery() const;
    QTableView* grid() const;

signals:
    /// \brief The editor is closing: the document window reloads the lines and total of
    /// `documentNo` ("" when the editor had no document).
    void linesClosed(const QString& documentNo);

protected:
    LineEditor(LineSpec spec, QWidget* parent = nullptr);
    /// Wires the form's controls by name; call once after setupUi.
    void setupLineEditor();

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void formShow();
    /// Reopens the list of the document's lines (closed when there is no document).
    void reload(bool reloadTitles);
    void fillFromCurrentRow();
    void reloadTotal();
    void fillNameList();
    void nameChanged(const QString& text);
    /// Inline completion of the name box from the catalogue as the user types; true when the
    /// box now holds a completed name (already looked up).
    bool completeName(QLineEdit* edit, const QString& typed);
    void clearFields();
    void afterSave();
    /// The document number as it is bound; nullopt when there is none.
    std::optional<QVariant> documentValue() const;
    /// " and <owner> =?" when lines carry a second document column, and its value.
    QString ownerClause() const;
    QVariantList ownerValues() const;
    QString captionOf(const QString& control) const;
    QVariantList collectValues() const;
    void setupGrid();
    void setupKeys();

    LineSpec spec_;
    QPointer<QWidget> document_;
    ui::Grid* grid_ = nullptr;
    kestrum::QueryModel* model_ = nullptr;
    NameList* names_ = nullptr;  // the name combo's list, read as it is needed
    QString typedName_;  // the name box's text as the user last typed it
    bool completing_ = false;
    QHash<QString, QString> captions_;
    bool shown_ = false;
    bool closed_ = false;
    int quiet_ = 0;  // > 0 while boxes are filled by the program: no name look-up
};

}  // namespace kestrum::lines

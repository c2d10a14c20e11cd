#pragma once
// The behaviour every master-record window shares: New / Save / Delete / Refresh / Cancel / Close,
// the key proposal, probe-then-Insert-or-Update, the grid with title sorting and search, the
// navigator, the distinct-value combo lists and the keyboard cycle. A window supplies its form
// and a RecordSpec, and overrides the hooks for its figures.
#include "Concurrency.h"
#include "RecordSpec.h"

#include <QHash>
#include <QPointer>
#include <QVariant>
#include <QWidget>

class QTableView;
class QLabel;

namespace kestrum {
class Query;
class QueryModel;
class Field;
}  // namespace kestrum

namespace kestrum::ui {
class Grid;
}

namespace kestrum::records {

class RecordWindow : public QWidget {
    Q_OBJECT
public:
    ~RecordWindow() override;

    /// Text of an edit box or combo of this window by its control name ("" when none); history
    /// windows read the key they list by this.
    QString controlText(const QString& control) const;
    void setControlText(const QString& control, const QString& text);

    // The button column (all run guarded: an error stops the handler with the error box).
    void newRecord();     // Button2 "New  ( F3 )"
    void saveRecord();    // Button1 "Save ( F2 )"
    void deleteRecord();  // Button3 "Delete ( F8 )"
    void refreshList();   // Button5 "Refresh ( F5 )"
    void cancelEdit();    // Button7 "Cancel ( Esc )"

    /// The list the grid shows and the probe for existence tests, key proposal and combo lists
    /// (the data module's pool queries, unless a window keeps its own).
    virtual kestrum::Query* listQuery() const;
    virtual kestrum::Query* probeQuery() const;
    QTableView* grid() const;
    const RecordSpec& spec() const { return spec_; }
    /// Column the list is sorted by after a title click ("" before any).
    const QString& sortColumn() const { return sortColumn_; }

protected:
    RecordWindow(RecordSpec spec, QWidget* parent);

    /// Wires the form's controls by name; call once after setupUi.
    void setupRecordWindow();

    /// Figures shown for the current row (stock, balance, totals).
    virtual void recomputeFigures() {}
    /// After every reload of the list (the count label).
    virtual void listReloaded() {}
    /// Extra values New puts into the cleared controls (dates computed from today).
    virtual void applyNewDefaults() {}

    /// Copies the list's current row into the key box and the field controls.
    void copyCurrentRow();
    /// Copies the current row of `query` (which must carry the window's columns).
    void copyRowOf(kestrum::Query* query);
    /// Caption of a control's label, for messages ("ID Part").
    QString captionOf(const QString& control) const;
    QWidget* control(const QString& name) const;

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Titles { Show, Refresh, Cancel };
    /// Stops counting this window among those showing its list query; the last one closes it.
    void releaseList();

    void formShow();
    void reload(const QString& statement, Titles titles);
    void applyTitles(Titles titles);
    void titleClick(int position, const QString& field);
    void search(const QString& text);
    /// Whether some row's `column` starts with `text` (true when only Locate can tell).
    bool anyStartsWith(const QString& column, const QString& text);
    void keyBoxChanged(const QString& text);
    void rowChangedByUser();
    void fillList(const FieldSpec& field);
    void afterSave(qint64 key);
    bool locateKey(qint64 key);
    qint64 proposeKey();
    /// Every field's value as it will be bound; throws InputError naming the first bad box.
    QVariantList collectValues() const;
    void setupKeys();
    void setupGrid();

    RecordSpec spec_;
    ui::Grid* grid_ = nullptr;
    kestrum::QueryModel* model_ = nullptr;
    QString sortColumn_;
    QString listSql_;  // the list statement last run, which a title click orders
    /// The key and row version of the row last copied into the boxes (version -1 when the list has
    /// none), and the key New proposed until the key box is loaded from a row or saved: a Save that
    /// finds that key taken meanwhile must not overwrite someone else's record.
    kestrum::NumberedRecord record_;
    bool shown_ = false;
    QPointer<kestrum::Query> heldList_;  // the list query while this window shows it
    bool fillingKey_ = false;  // the window, not the user, is writing the key box
    QHash<QString, QString> captions_;
};

}  // namespace kestrum::records

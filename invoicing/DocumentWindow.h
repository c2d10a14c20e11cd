#pragma once
// The invoice window over a DocumentSpec: the header of one document, its part and labor lines
// with their totals, the computed total with the tax of the document date's month, what has been
// paid, and the list of documents. The estimate window is this window over the estimate tables.
#include "Concurrency.h"
#include "Decimal.h"
#include "Document.h"
#include "LineDocument.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QPushButton;
class QTableView;

namespace Ui {
class TInvoice;
}

namespace kestrum {
class Query;
class QueryModel;
}  // namespace kestrum

namespace kestrum::ui {
class Grid;
}

namespace kestrum::invoicing {

class DocumentWindow : public QWidget, public lines::LineDocument {
    Q_OBJECT
public:
    ~DocumentWindow() override;

    const DocumentSpec& document() const { return doc_; }
    /// The document number shown (Invoice #), trimmed.
    QString number() const;
    /// The tax rate of the shown document's month, nullopt when no rate row covers it.
    std::optional<Decimal> taxRate() const { return rate_; }

    // Handlers (each runs guarded when started from a control).
    void newDocument();      // Button3 "New  ( F3 )"
    void saveDocument();     // Button2 "Save ( F2 )"
    void deleteDocument();   // Button4 "Delete ( F8 )"
    void refreshList();      // Button5 "Refresh ( F5 )"; Button7 "Cancel ( Esc )"
    void printDocument();    // Button9 "Print Invoice"
    void openPartLines();    // Button6 "Part Discription"
    void openLaborLines();   // Button8 "Labor Discription"
    void openReceivable();   // Button11 "Receivable"
    void openPaidHistory();  // Button10 "Paid History"
    void archiveDocument();  // Button12 "Archive"
    /// "Vehicle History" (and the VIN box's context menu): the history window on this vehicle.
    void openVehicleHistory();
    /// \brief Lists every document and makes `number` the current one (the history window and
    /// the estimate conversion open a document this way); false when there is no such document.
    Q_INVOKABLE bool showDocument(qint64 number);
    /// Once a second: an empty part or labor total shows "0.00".
    void timerTick();

    QTableView* list() const;

    /// Stores a document made with New before its first line (claiming its number), or locks
    /// the loaded one; refuses a line for a document deleted at another workstation.
    lines::LineHold holdForLines(const QString& number, const QString& owner) override;

    /// \brief The header boxes as column values (InvoiceNo_Inv aside), checked first: a date or
    /// amount that does not parse throws InputError naming its box.
    QList<std::pair<QString, QVariant>> headerValues() const;

protected:
    DocumentWindow(const DocumentSpec& doc, QWidget* parent);
    /// A button added to the foot row after the print button, where nothing else moves.
    QPushButton* addFootButton(const QString& name, const QString& text, void (DocumentWindow::*handler)());
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Filter { Open, Paid, All };

    kestrum::Query* q(kestrum::Query* TDM::*member) const;
    void formShow();
    void openList(Filter filter);
    Filter shownFilter() const;
    /// Reloads the list with its filter and makes document `n` its current row (the whole list
    /// when the filter hides it), then shows that row.
    void reloadShowing(qint64 n);
    /// Whether the shown header differs from the stored row of its number (or there is none).
    bool unsaved();
    /// Writes the shown header (insert or update by number); the boxes were checked by the caller.
    /// Stores the header under `n`, or under the next free number when New's was taken meanwhile;
    /// nothing when the user was told why not.
    std::optional<qint64> storeHeader(qint64 n, const QList<std::pair<QString, QVariant>>& values);

    /// Header, lines, totals, paid figure, tax rate and invoice total of the list's current row
    /// (an empty header when there is none).
    void showCurrentRow();
    void fillHeader();
    /// Lines, totals and paid figure of the shown number; skipped (empty) without a number.
    void loadLines();
    void lookUpRate();
    void computeTotal();
    void customerLeft();
    void fillList(const QString& control, const QString& sql, const QString& column);
    void titleClick(int position, const QString& field);
    void search(const QString& text);
    void linesClosed();
    qint64 proposeNumber();
    void setPickersToday();
    void openEditor(const QString& className);
    void setupGrids();
    void setupKeys();

    DocumentSpec doc_;
    std::unique_ptr<Ui::TInvoice> ui;
    ui::Grid* listGrid_ = nullptr;
    ui::Grid* itemGrid_ = nullptr;
    ui::Grid* laborGrid_ = nullptr;
    QString sortColumn_;
    std::optional<Decimal> rate_;
    bool shown_ = false;
    bool filling_ = false;  // the boxes are being filled from the list
    /// The header last loaded into the boxes and New's proposal, for Save and the line editors.
    NumberedRecord record_;
    int footButtons_ = 0;
};

}  // namespace kestrum::invoicing

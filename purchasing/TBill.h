#pragma once
// Vendor bills: the bill list and header editor, with the part and expense lines of the shown
// bill, their totals and what has been paid on it.
#include "Concurrency.h"
#include "LineDocument.h"
#include "Support.h"

#include <QVariant>

#include <memory>
#include <optional>

namespace Ui {
class TBill;
}
namespace kestrum::ui {
class Grid;
}

class TBill : public kestrum::purchasing::Window, public kestrum::lines::LineDocument {
    Q_OBJECT
public:
    explicit TBill(QWidget* parent = nullptr);
    ~TBill() override;

    /// Part lines of a bill into DBGrid2 and their total; expense lines into DBGrid3 and theirs
    /// (the line editors run these on close for their bill).
    void refreshPartLines(const QString& ref);
    void refreshExpenseLines(const QString& ref);

    void Button2Click();  // Save
    void Button3Click();  // New
    void Button4Click();  // Delete
    void Button5Click();  // Refresh
    void Button11Click(); // Payable
    /// Leaving the vendor box: the vendor's address into "Address".
    void ComboBox1Exit();

    /// Stores a bill made with New before its first line, or locks the loaded one.
    kestrum::lines::LineHold holdForLines(const QString& number, const QString& owner) override;

protected:
    void formShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadSelected();
    void showPaid();
    void showTotal();
    void setColumns();
    void titleClick(int position, const QString& field);
    void search(const QString& text);

    std::unique_ptr<Ui::TBill> ui;
    kestrum::ui::Grid* grid_ = nullptr;
    kestrum::ui::Grid* parts_ = nullptr;
    kestrum::ui::Grid* expenses_ = nullptr;
    /// Inserts the bill in the boxes (inside a transaction); a reference New proposed that
    /// another workstation took meanwhile gives way to the next free one. Returns the reference
    /// stored, or "" when the typed one is taken.
    QString insertBill();
    /// The highest numeric reference plus one, or 1000.
    QString nextReference();
    /// Header columns from the boxes (checked; throws InputError naming a bad box).
    kestrum::ColumnValues billValues(const QString& ref) const;

    /// The bill the boxes were loaded from: Save updates this row only while it is unchanged.
    struct LoadedBill {
        QString ref, vendor;
        QVariant date;
        qint64 version = 0;
    };
    std::optional<LoadedBill> loaded_;
    QString proposedRef_;  // the reference New proposed, until the bill is stored
    bool loading_ = false;
};

extern QPointer<TBill> Bill;

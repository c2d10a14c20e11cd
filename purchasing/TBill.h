#pragma once
// Vendor bills: the bill list and header editor, with the part and expense lines of the shown
// bill, their totals and what has been paid on it.
#include "Support.h"

#include <memory>

namespace Ui {
class TBill;
}
namespace kestrum::ui {
class Grid;
}

class TBill : public kestrum::purchasing::Window {
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
    bool loading_ = false;
};

extern QPointer<TBill> Bill;

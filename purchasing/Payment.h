#pragma once
// A payment to a vendor: the part the bill-payment and order-payment windows share (their forms
// have the same controls). Every save adds one row; what a bill or order has been paid is the
// sum of its rows, its balance its amount minus that sum.
#include "Support.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace kestrum::purchasing {

class PaymentWindow : public Window {
    Q_OBJECT
public:
    void Button1Click(); // Save
    void Button2Click(); // New

protected:
    /// `table`: "Payable" or "PayableOrder".
    PaymentWindow(QString table, QWidget* parent);
    /// Finds the controls by name and wires them; call after setupUi.
    void setupPayment();
    void formShow() override;

    /// Runs when Edit1 changes: fills vendor, amount, paid and balance of what Edit1 names.
    virtual void lookup(const QString& key) = 0;
    /// \brief The key to store in BillNo_Payable for Edit1's text; throws InputError when the
    /// text does not name a bill or order the payment can be counted against.
    virtual QString checkedKey(const QString& key, const QString& vendor) = 0;

    /// Paid (Label14) and balance (Label16) for an amount and the paid sum text.
    void showFigures(const QString& vendor, const QString& amountText, const QString& paidSum);

    QLineEdit *edit1_ = nullptr, *edit2_ = nullptr, *edit3_ = nullptr, *edit4_ = nullptr;
    records::ListCombo *combo1_ = nullptr, *combo2_ = nullptr, *combo3_ = nullptr, *combo4_ = nullptr;
    QPlainTextEdit* memo1_ = nullptr;
    QLabel *label9_ = nullptr, *label11_ = nullptr, *label14_ = nullptr, *label16_ = nullptr;

private:
    void clearForNext();
    QString table_;
};

} // namespace kestrum::purchasing

#include "Payment.h"

#include "DataModule.h"
#include "Decimal.h"
#include "Dialogs.h"
#include "InputError.h"
#include "ListCombo.h"
#include "Mdi.h"
#include "Query.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <stdexcept>

namespace kestrum::purchasing {

namespace {
template <typename T> T* child(QWidget* w, const char* name) {
    auto* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        throw std::logic_error(std::string("payment form has no ") + name);
    return c;
}
} // namespace

PaymentWindow::PaymentWindow(QString table, QWidget* parent) : Window(parent), table_(std::move(table)) {}

void PaymentWindow::setupPayment() {
    edit1_ = child<QLineEdit>(this, "Edit1");
    edit2_ = child<QLineEdit>(this, "Edit2");
    edit3_ = child<QLineEdit>(this, "Edit3");
    edit4_ = child<QLineEdit>(this, "Edit4");
    combo1_ = child<records::ListCombo>(this, "ComboBox1");
    combo2_ = child<records::ListCombo>(this, "ComboBox2");
    combo3_ = child<records::ListCombo>(this, "ComboBox3");
    combo4_ = child<records::ListCombo>(this, "ComboBox4");
    memo1_ = child<QPlainTextEdit>(this, "Memo1");
    label9_ = child<QLabel>(this, "Label9");
    label11_ = child<QLabel>(this, "Label11");
    label14_ = child<QLabel>(this, "Label14");
    label16_ = child<QLabel>(this, "Label16");

    combo3_->setEditText("Bus Expence");
    edit4_->setText("0.00");
    fillOnDropDown(combo1_, DM->QBill2, "Select distinct Name_Company From Company", "Name_Company");
    fillOnDropDown(combo2_, DM->QBill2, "Select distinct Name_Bank From Bank", "Name_Bank");
    // Charts are offered from the values used on bills.
    fillOnDropDown(combo3_, DM->QBill2, "Select distinct Chart_Bill From Bill", "Chart_Bill");
    fillOnDropDown(combo4_, DM->QBill2, "Select distinct SubChart_Bill From Bill", "SubChart_Bill");
    wirePicker(child<QDateEdit>(this, "DateTimePicker1"), edit2_);

    connect(edit1_, &QLineEdit::textChanged, this, [this](const QString& t) { guard([&] { lookup(t); }); });
    onClick("Button1", [this] { Button1Click(); });
    onClick("Button2", [this] { Button2Click(); });
    onClick("Button6", [this] { ui::closeWindow(this); });
    // Payments are only added here; deleting is done from the lists and histories.
    for (const char* dead : {"Button3", "Button7"})
        child<QWidget>(this, dead)->setEnabled(false);
}

void PaymentWindow::formShow() {
    child<QDateEdit>(this, "DateTimePicker1")->setDate(QDate::currentDate());
    // A payment is usually made today; the look-up sets the same.
    if (edit2_->text().isEmpty())
        edit2_->setText(today());
}

void PaymentWindow::showFigures(const QString& vendor, const QString& amountText, const QString& paidSum) {
    combo1_->setEditText(vendor);
    label9_->setText(vendor);
    label11_->setText(amountText);
    label14_->setText(paidSum.isEmpty() ? QStringLiteral("0.00") : paidSum);
    const Decimal balance = Decimal::fromVariant(amountText) - Decimal::fromVariant(paidSum);
    label16_->setText(balance.toString());
    edit2_->setText(today());
}

void PaymentWindow::Button2Click() {
    label9_->clear();
    label11_->setText("0.00");
    edit1_->clear();
    edit3_->clear();
    combo1_->setEditText(QString());
    combo2_->setEditText(QString());
    memo1_->clear();
    edit2_->setText(today());
    edit4_->setText("0.00");
    edit1_->setFocus(Qt::OtherFocusReason);
}

void PaymentWindow::clearForNext() {
    Button2Click();
    label9_->clear();
    label11_->setText("0.00");
    label16_->setText("0.00");
}

void PaymentWindow::Button1Click() {
    if (edit1_->text().trimmed().isEmpty())
        return;
    // Checked before the question: a bad date or amount, or a payment that no bill or order
    // would ever count, stops here with one message and nothing written.
    const QDate payDate = requireDate(edit2_->text(), captionOf("Edit2"));
    const Decimal amount = requireDecimal(edit4_->text(), captionOf("Edit4"));
    const QString key = checkedKey(edit1_->text(), combo1_->currentText());
    if (ui::confirm(SaveQuestion)) {
        execQuery(
            DM->QPayable1,
            {" Insert Into " + table_ + " ( BillNo_Payable, Name_Payable,",
             "ViaPayment_Payable, PayDate_Payable,Ref_Payable,Amount_Payable,Chart_Payable,SubChart_Payable,"
             "Remark_Payable) Values ( ?,?,?,?,?,?,?,?,?)"},
            {textValue(key), textValue(combo1_->currentText()), textValue(combo2_->currentText()), payDate,
             textValue(edit3_->text()), decimalValue(amount), textValue(combo3_->currentText()),
             textValue(combo4_->currentText()), textValue(memo1_->toPlainText())});
        ui::showMessage("Saved!");
    }
    clearForNext();
}

} // namespace kestrum::purchasing

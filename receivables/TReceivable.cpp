#include "TReceivable.h"

#include "ui_TReceivable.h"

#include "Combos.h"
#include "Concurrency.h"
#include "DataModule.h"
#include "Decimal.h"
#include "Dialogs.h"
#include "Format.h"
#include "History.h"
#include "InputError.h"
#include "Mdi.h"
#include "Query.h"
#include "Transaction.h"

#include <QSignalBlocker>

#include <optional>

using namespace kestrum;

QPointer<TReceivable> Receivable;

namespace {

const QString SaveQuestion = QStringLiteral("Are you sure you want to Save this Record?");
const QString Dots = QString(30, QLatin1Char('.'));
const QString HasReceivable = QStringLiteral("It has Receivable");

QVariant textValue(const QString& text)
{
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

/// The invoice number typed in a box; nullopt for anything but a whole number.
std::optional<qint64> invoiceNumberOf(const QString& text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

QString today()
{
    return formatShortDate(QDate::currentDate());
}

}  // namespace

TReceivable::TReceivable(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TReceivable>())
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui->setupUi(this);

    auto guard = [this](void (TReceivable::*handler)()) {
        return [this, handler] { ui::runGuarded(this, [&] { (this->*handler)(); }); };
    };
    connect(ui->Edit1, &QLineEdit::textChanged, this, guard(&TReceivable::Edit1Change));
    connect(ui->Edit3, &QLineEdit::textChanged, this, guard(&TReceivable::Edit3Change));
    connect(ui->Button1, &QPushButton::clicked, this, guard(&TReceivable::Button1Click));
    connect(ui->Button2, &QPushButton::clicked, this, guard(&TReceivable::Button2Click));
    connect(ui->Button5, &QPushButton::clicked, this, guard(&TReceivable::Button5Click));
    connect(ui->SpeedButton1, &QToolButton::clicked, this, guard(&TReceivable::SpeedButton1Click));
    connect(ui->List, &QPushButton::clicked, this, guard(&TReceivable::ListClick));
    connect(ui->Button4, &QPushButton::clicked, this, [this] { ui::closeWindow(this); });
    // A payment is removed in the list or the history, and nothing here needs undoing.
    ui->Button3->setEnabled(false);
    ui->Button7->setEnabled(false);

    using receivables::fillDistinct;
    connect(ui->ComboBox1, &records::ListCombo::dropDown, this, [this] {
        ui::runGuarded(this, [&] {
            fillDistinct(ui->ComboBox1, DM->QPo2, "Select distinct Name_Customer From Customer", "Name_Customer");
        });
    });
    connect(ui->ComboBox2, &records::ListCombo::dropDown, this, [this] {
        ui::runGuarded(this, [&] {
            fillDistinct(ui->ComboBox2, DM->QBill2, "Select distinct ViaPayment_Receivable From Receivable",
                         "ViaPayment_Receivable");
        });
    });
    connect(ui->ComboBox3, &records::ListCombo::dropDown, this, [this] {
        ui::runGuarded(this, [&] {
            fillDistinct(ui->ComboBox3, DM->QBill2, "Select distinct Name_Bank From Bank", "Name_Bank");
        });
    });
    connect(ui->DateTimePicker1, &QDateEdit::dateChanged, this, &TReceivable::DateTimePicker1CloseUp);
    Receivable = this;
}

TReceivable::~TReceivable() = default;

QString TReceivable::invoiceNumber() const
{
    return ui->Edit1->text();
}

void TReceivable::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TReceivable::FormShow()
{
    // The picker shows today; the pay date box is filled only by a lookup, New or Save.
    const QSignalBlocker quiet(ui->DateTimePicker1);
    ui->DateTimePicker1->setDate(QDate::currentDate());
}

void TReceivable::DateTimePicker1CloseUp()
{
    ui->Edit2->setText(formatShortDate(ui->DateTimePicker1->date()));
}

void TReceivable::Edit1Change()
{
    const QString text = ui->Edit1->text();
    if (text.trimmed().isEmpty())
        return;
    // Typing goes through partial numbers; text that is no number is simply no invoice.
    const std::optional<qint64> number = invoiceNumberOf(text);
    Query* q = DM->QReceivable5;
    bool found = false;
    if (number) {
        q->setStatement("Select * From Invoice where InvoiceNo_Inv = ?", {*number});
        q->Open();
        found = q->RecordCount() != 0;
    }
    if (!found) {
        ui->ComboBox1->setEditText(QString());
        ui->ComboBox2->setEditText(QString());
        ui->Label9->clear();
        ui->Label11->clear();
        ui->Edit3->clear();
        ui->Memo1->clear();
        ui->Label14->setText("0.00");
        ui->Label16->setText("0.00");
        ui->Edit4->setText("0.00");
        ui->Edit2->setText(today());
        return;
    }
    const QString customer = q->FieldByName("CustomerName_Inv").AsString();
    const Field amount = q->FieldByName("Amount_Inv");

    const QString paid = receivables::sumText(
        DM->QReceivable2, "Select Sum(Amount_Receivable) From Receivable where InvoiceNo_Receivable = ?", {*number});

    ui->ComboBox1->setEditText(customer);
    ui->Label9->setText(customer);
    ui->Label11->setText(amount.AsString());
    ui->Edit4->setText(amount.AsString());
    ui->Label14->setText(paid.isEmpty() ? QStringLiteral("0.00") : paid);
    // The balance in exact decimals, shown without trailing zeros ("12.5", "0").
    const Decimal balance = amount.AsCurrency() - Decimal::fromVariant(paid);
    ui->Label16->setText(balance.toString());
    ui->Edit2->setText(today());
}

void TReceivable::Edit3Change()
{
    if (ui->Edit1->text().trimmed().isEmpty())
        return;
    const std::optional<qint64> number = invoiceNumberOf(ui->Edit1->text());
    const QString ref = ui->Edit3->text();
    // An empty Ref / Check never names a payment: each such save adds one.
    if (!number || ref.isEmpty()) {
        ui->Label12->setText(Dots);
        return;
    }
    Query* q = DM->QReceivable5;
    q->setStatement("Select * From Receivable where InvoiceNo_Receivable = ?\n"
                    " And Ref_Receivable = ?",
                    {*number, ref});
    q->Open();
    if (q->RecordCount() == 0) {
        ui->Label12->setText(Dots);
        return;
    }
    ui->Label12->setText(HasReceivable);
    ui->Edit4->setText(q->FieldByName("Amount_Receivable").AsString());
    ui->Edit2->setText(q->FieldByName("PayDate_Receivable").AsString());
    ui->ComboBox1->setEditText(q->FieldByName("Name_Receivable").AsString());
    ui->ComboBox2->setEditText(q->FieldByName("ViaPayment_Receivable").AsString());
    // The payment's own account too, or saving it again would overwrite it with whatever the
    // box held.
    ui->ComboBox3->setEditText(q->FieldByName("DepositTo_Receivable").AsString());
    ui->Memo1->setPlainText(q->FieldByName("Remark_Receivable").AsString());
}

void TReceivable::Button1Click()
{
    if (ui->Edit1->text().trimmed().isEmpty())
        return;
    // Everything is checked before the question: bad input stops with one message, nothing written.
    const qint64 number = requireInteger(ui->Edit1->text(), "Invoice");
    const QDate payDate = requireDate(ui->Edit2->text(), "Pay Date");
    const Decimal amount = requireDecimal(ui->Edit4->text(), "Amount");
    Query* probe = DM->QReceivable2;
    probe->setStatement("Select InvoiceNo_Inv From Invoice where InvoiceNo_Inv = ?", {number});
    probe->Open();
    if (probe->RecordCount() == 0) {
        ui::showMessage(QStringLiteral("There is no invoice %1. The payment was not saved.").arg(number));
        return;
    }

    if (!ui::confirm(SaveQuestion))
        return;

    const QString ref = ui->Edit3->text();
    bool invoiceGone = false;
    retryOnce([&] {
        Transaction transaction(DM->database());
        // The invoice stays until the payment is in: one deleted meanwhile gets no payment.
        invoiceGone = !lockRow(DM->QReceivable2, "Invoice", {{"InvoiceNo_Inv", number}});
        if (invoiceGone)
            return;
        bool exists = false;
        if (!ref.isEmpty()) {
            probe->setStatement("Select * From Receivable where InvoiceNo_Receivable=?\n"
                                " And Ref_Receivable =?",
                                {number, ref});
            probe->Open();
            exists = probe->RecordCount() != 0;
        }

        Query* q = DM->QReceivable1;
        const QVariantList values = {number,
                                     textValue(ui->ComboBox1->currentText()),
                                     textValue(ui->ComboBox2->currentText()),
                                     textValue(ui->ComboBox3->currentText()),
                                     payDate,
                                     textValue(ref),
                                     QVariant::fromValue(amount),
                                     textValue(ui->Memo1->toPlainText())};
        if (exists) {
            q->setStatement(" Update Receivable  Set InvoiceNo_Receivable=?,\n"
                            " Name_Receivable =?,\n"
                            " ViaPayment_Receivable =?,\n"
                            " DepositTo_Receivable =?,\n"
                            " PayDate_Receivable =?,\n"
                            " Ref_Receivable =?,\n"
                            " Amount_Receivable =?,\n"
                            " Remark_Receivable =?\n"
                            " where InvoiceNo_Receivable = ?\n"
                            " And Ref_Receivable =?",
                            values + QVariantList{number, ref});
        } else {
            q->setStatement(" Insert Into Receivable ( InvoiceNo_Receivable, Name_Receivable,\n"
                            "ViaPayment_Receivable,DepositTo_Receivable, PayDate_Receivable,Ref_Receivable,"
                            "Amount_Receivable,Remark_Receivable) Values ( \n"
                            "?,?,?,?,?,?,?,?)",
                            values);
        }
        q->ExecSQL();
        transaction.commit();
    });
    if (invoiceGone) {
        ui::showMessage(QStringLiteral("Invoice %1 was deleted at another workstation. The payment was not saved.")
                            .arg(number));
        return;
    }
    ui::showMessage("Saved!");

    // Ready for the next payment; Paid keeps the figure of the invoice just paid.
    Button2Click();
    ui->Edit1->setFocus(Qt::OtherFocusReason);
    ui->Label9->clear();
    ui->Label11->setText("0.00");
    ui->Label16->setText("0.00");
}

void TReceivable::Button2Click()
{
    ui->Edit1->clear();
    ui->Edit3->clear();
    ui->ComboBox1->setEditText(QString());
    ui->ComboBox2->setEditText(QString());
    ui->Memo1->clear();
    ui->Edit2->setText(today());
    ui->Edit4->setText("0.00");
    ui->Label12->setText(Dots);
    ui->Edit1->setFocus(Qt::OtherFocusReason);
}

void TReceivable::Button5Click()
{
    if (ui->Edit1->text().trimmed().isEmpty())
        return;
    records::openChildHistory("TReceivableHistory");
}

void TReceivable::SpeedButton1Click()
{
    ui::launchWindow("TReceivableFind", false);
}

void TReceivable::ListClick()
{
    ui::launchWindow("TReceivableList", false);
}

void TReceivable::takeInvoice(const QString& number, const QString& customer, const QString& amount)
{
    if (ui->Edit1->text() == number)
        ui::runGuarded(this, [&] { Edit1Change(); });  // the same number again: look it up afresh
    else
        ui->Edit1->setText(number);
    ui->ComboBox1->setEditText(customer);
    ui->Label9->setText(customer);
    ui->Label11->setText(amount);
}

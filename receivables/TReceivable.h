#pragma once
// Receivable window: one customer payment against an invoice, with what the invoice has been
// paid so far. Other windows hand it an invoice by writing the number into Edit1.
#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class TReceivable;
}

class TReceivable : public QWidget {
    Q_OBJECT
public:
    explicit TReceivable(QWidget* parent = nullptr);
    ~TReceivable() override;

    /// The invoice number in Edit1, which the payment history lists.
    QString invoiceNumber() const;
    /// Takes an invoice chosen in the find window: its number goes into Edit1 (which looks it up).
    void takeInvoice(const QString& number, const QString& customer, const QString& amount);

    // Handlers (each runs guarded: an error stops it with the error box).
    void Edit1Change();         // invoice lookup, on every change of the number
    void Edit3Change();         // payment lookup, on every change of the Ref / Check
    void Button1Click();        // "Save ( F2 )"
    void Button2Click();        // "New  ( F3 )"
    void Button5Click();        // "History ( F5 )"
    void SpeedButton1Click();   // "Find"
    void ListClick();           // "List"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void DateTimePicker1CloseUp();

    std::unique_ptr<Ui::TReceivable> ui;
};

extern QPointer<TReceivable> Receivable;

#pragma once
// Payment against a vendor bill: the bill's amount, what has been paid and the balance.
#include "Payment.h"

#include <memory>

namespace Ui {
class TPayable;
}

class TPayable : public kestrum::purchasing::PaymentWindow {
    Q_OBJECT
public:
    explicit TPayable(QWidget* parent = nullptr);
    ~TPayable() override;

    /// Shows the bill (ref, vendor) as if its reference had been typed with that vendor chosen:
    /// the bill window and the bill finder open a payment this way.
    void showBill(const QString& ref, const QString& vendor);

protected:
    void lookup(const QString& ref) override;
    QString checkedKey(const QString& ref, const QString& vendor) override;

private:
    std::unique_ptr<Ui::TPayable> ui;
};

extern QPointer<TPayable> Payable;

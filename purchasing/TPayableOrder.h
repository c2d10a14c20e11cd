#pragma once
// Payment against a purchase order: the order's total, what has been paid and the balance.
#include "Payment.h"

#include <memory>

namespace Ui {
class TPayableOrder;
}

class TPayableOrder : public kestrum::purchasing::PaymentWindow {
    Q_OBJECT
public:
    explicit TPayableOrder(QWidget* parent = nullptr);
    ~TPayableOrder() override;

protected:
    void lookup(const QString& po) override;
    QString checkedKey(const QString& po, const QString& vendor) override;

private:
    std::unique_ptr<Ui::TPayableOrder> ui;
};

extern QPointer<TPayableOrder> PayableOrder;

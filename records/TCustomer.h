#pragma once
// Customers window, with what the selected customer was invoiced, has paid and still owes.
#include "RecordWindow.h"

#include <QPointer>
#include <memory>

namespace Ui {
class TCustomer;
}

class TCustomer : public kestrum::records::RecordWindow {
    Q_OBJECT
public:
    explicit TCustomer(QWidget* parent = nullptr);
    ~TCustomer() override;

protected:
    void recomputeFigures() override;

private:
    std::unique_ptr<Ui::TCustomer> ui;
};

extern QPointer<TCustomer> Customer;

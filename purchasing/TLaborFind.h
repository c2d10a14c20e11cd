#pragma once
// The part picker of the order lines: a hidden start-up window listing the parts catalogue;
// "Select" fills the order line editor (OrderItem) from the current part.
#include "PickerWindow.h"

#include <QPointer>
#include <memory>

namespace Ui {
class TLaborFind;
}

class TLaborFind : public kestrum::lines::PickerWindow {
    Q_OBJECT
public:
    explicit TLaborFind(QWidget* parent = nullptr);
    ~TLaborFind() override;

private:
    std::unique_ptr<Ui::TLaborFind> ui;
};

extern QPointer<TLaborFind> LaborFind;

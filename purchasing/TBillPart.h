#pragma once
// The part lines of one vendor bill. Bills do not move stock: only order and invoice lines do.
#include "LineEditor.h"

#include <memory>

namespace Ui {
class TBillPart;
}

class TBillPart : public kestrum::lines::LineEditor {
    Q_OBJECT
public:
    /// Works on the bill that the bill window (Bill) shows when this editor opens.
    explicit TBillPart(QWidget* parent = nullptr);
    ~TBillPart() override;

private:
    std::unique_ptr<Ui::TBillPart> ui;
};

extern QPointer<TBillPart> BillPart;

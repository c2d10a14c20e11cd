#pragma once
// The lines of one purchase order. Saving a line raises its part's stock on hand at once (stock
// is bought minus sold, summed by part number), changing its quantity changes it, deleting it
// takes it back.
#include "LineEditor.h"

#include <memory>

namespace Ui {
class TOrderItem;
}

class TOrderItem : public kestrum::lines::LineEditor {
    Q_OBJECT
public:
    /// Works on the order that the order window (PoOrder) shows when this editor opens.
    explicit TOrderItem(QWidget* parent = nullptr);
    ~TOrderItem() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TOrderItem> ui;
    bool maximized_ = false;
};

extern QPointer<TOrderItem> OrderItem;

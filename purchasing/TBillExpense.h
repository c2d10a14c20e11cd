#pragma once
// The expense lines of one vendor bill (freight, fees, services: free-text descriptions).
#include "LineEditor.h"

#include <memory>

namespace Ui {
class TBillExpense;
}

class TBillExpense : public kestrum::lines::LineEditor {
    Q_OBJECT
public:
    /// Works on the bill that the bill window (Bill) shows when this editor opens.
    explicit TBillExpense(QWidget* parent = nullptr);
    ~TBillExpense() override;

private:
    std::unique_ptr<Ui::TBillExpense> ui;
};

extern QPointer<TBillExpense> BillExpense;

#pragma once
// Picks the bill of a payment from the list of all bills.
#include "Support.h"

#include <memory>

namespace Ui {
class TFindPayable;
}
namespace kestrum::ui {
class Grid;
}

class TFindPayable : public kestrum::purchasing::Window {
    Q_OBJECT
public:
    explicit TFindPayable(QWidget* parent = nullptr);
    ~TFindPayable() override;

    /// Double-click: the current bill goes into the payment window, the finder closes.
    void DBGrid1DblClick();

protected:
    void formShow() override;

private:
    std::unique_ptr<Ui::TFindPayable> ui;
    kestrum::ui::Grid* grid_ = nullptr;
};

extern QPointer<TFindPayable> FindPayable;

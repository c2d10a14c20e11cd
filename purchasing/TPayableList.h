#pragma once
// Every bill payment with the grand total; deletes one, prints the list.
#include "Support.h"

#include <memory>

namespace Ui {
class TPayableList;
}
namespace kestrum::ui {
class Grid;
}
namespace kestrum::report {
class Report;
class ReportDataSet;
} // namespace kestrum::report

class TPayableList : public kestrum::purchasing::Window {
    Q_OBJECT
public:
    explicit TPayableList(QWidget* parent = nullptr);
    ~TPayableList() override;

    /// Navigator delete: removes the current payment (one row, also when it has a twin).
    void deleteCurrent();
    void Button2Click(); // Print

protected:
    void formShow() override;

private:
    void showTotal();

    std::unique_ptr<Ui::TPayableList> ui;
    kestrum::ui::Grid* grid_ = nullptr;
};

namespace kestrum::purchasing {
/// \brief The printed payable list over `payments` (rows of Payable).
void buildPayableListReport(report::Report& report, report::ReportDataSet* payments);
} // namespace kestrum::purchasing

extern QPointer<TPayableList> PayableList;

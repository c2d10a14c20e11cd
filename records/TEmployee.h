#pragma once
// Employees window: the staff list, with date pickers beside the three date boxes.
#include "RecordWindow.h"

#include <QPointer>
#include <memory>

namespace Ui {
class TEmployee;
}

class TEmployee : public kestrum::records::RecordWindow {
    Q_OBJECT
public:
    explicit TEmployee(QWidget* parent = nullptr);
    ~TEmployee() override;

protected:
    void applyNewDefaults() override;

private:
    std::unique_ptr<Ui::TEmployee> ui;
};

extern QPointer<TEmployee> Employee;

#pragma once
// Vendors window, with the total the selected vendor has billed.
#include "RecordWindow.h"

#include <QPointer>
#include <memory>

namespace Ui {
class TCompany;
}

class TCompany : public kestrum::records::RecordWindow {
    Q_OBJECT
public:
    explicit TCompany(QWidget* parent = nullptr);
    ~TCompany() override;

protected:
    void recomputeFigures() override;

private:
    std::unique_ptr<Ui::TCompany> ui;
};

extern QPointer<TCompany> Company;

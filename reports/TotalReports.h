#pragma once
// The period totals of the report menu: invoice totals by invoice date, and by the payments that
// closed them in the period (kept per invoice in the work tables).
#include "ReportWindow.h"

#include <QPointer>

#include <memory>

namespace Ui {
class TTotalAmountReport;
class TTotalReceivable;
}  // namespace Ui

class TTotalAmountReport : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TTotalAmountReport(QWidget* parent = nullptr);
    ~TTotalAmountReport() override;

protected:
    void print() override;

private:
    std::unique_ptr<Ui::TTotalAmountReport> ui;
};

class TTotalReceivable : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TTotalReceivable(QWidget* parent = nullptr);
    ~TTotalReceivable() override;

protected:
    void print() override;

private:
    std::unique_ptr<Ui::TTotalReceivable> ui;
};

extern QPointer<TTotalAmountReport> TotalAmountReport;
extern QPointer<TTotalReceivable> TotalReceivable;

#pragma once
// The list reports of the report menu: payments made, payments received, purchase orders by
// vendor and by part, invoices by customer. Each window is its filters and one Print handler.
#include "Layouts.h"
#include "ReportWindow.h"

#include <QPointer>

#include <memory>

namespace Ui {
class TReportPayable;
class TReportReceivable;
class TReportVendor1;
class TReportItems;
class TReportCustomer;
class TReportBank;
}  // namespace Ui

class TReportPayable : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TReportPayable(QWidget* parent = nullptr);
    ~TReportPayable() override;

protected:
    void print() override;

private:
    std::unique_ptr<Ui::TReportPayable> ui;
};

class TReportReceivable : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TReportReceivable(QWidget* parent = nullptr);
    ~TReportReceivable() override;

protected:
    void print() override;

private:
    std::unique_ptr<Ui::TReportReceivable> ui;
};

class TReportVendor1 : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TReportVendor1(QWidget* parent = nullptr);
    ~TReportVendor1() override;

protected:
    void print() override;

private:
    std::unique_ptr<Ui::TReportVendor1> ui;
};

class TReportItems : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TReportItems(QWidget* parent = nullptr);
    ~TReportItems() override;

protected:
    void print() override;

private:
    std::unique_ptr<Ui::TReportItems> ui;
};

class TReportCustomer : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TReportCustomer(QWidget* parent = nullptr);
    ~TReportCustomer() override;

protected:
    void print() override;

private:
    std::unique_ptr<Ui::TReportCustomer> ui;
};

/// The deposits of a period, by account: what the menu's "Bank Report" prints.
class TReportBank : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TReportBank(QWidget* parent = nullptr);
    ~TReportBank() override;

protected:
    void print() override;

private:
    std::unique_ptr<Ui::TReportBank> ui;
};

extern QPointer<TReportPayable> ReportPayable;
extern QPointer<TReportReceivable> ReportReceivable;
extern QPointer<TReportVendor1> ReportVendor1;
extern QPointer<TReportItems> ReportItems;
extern QPointer<TReportCustomer> ReportCustomer;
extern QPointer<TReportBank> ReportBank;

namespace kestrum::reports {

/// The printed lists, shared with the bank history's printout.
ListLayout payableLayout();
ListLayout receivableLayout();
ListLayout depositLayout();

}  // namespace kestrum::reports

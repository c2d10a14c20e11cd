#pragma once
// The open-invoice and finished-invoice reports: a date range (and for open invoices a customer
// and open or paid), a work table filled for that range, and its printed list.
#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class TInvoiceList;
}

namespace kestrum::invoicing {

class InvoiceListWindow : public QWidget {
    Q_OBJECT
public:
    ~InvoiceListWindow() override;

    /// "Print": checks both dates, refills the work table in one transaction (prints from several
    /// workstations take turns) and shows the list of its own rows, read before that transaction ends.
    void print();

protected:
    enum class Kind { Open, Finished };
    InvoiceListWindow(Kind kind, QWidget* parent);

private:
    void fillOpenInvoices(const QDate& from, const QDate& to);
    void fillFinishedInvoices(const QDate& from, const QDate& to);
    void showOpenInvoices();
    void showFinishedInvoices();
    void fillCustomers();

    Kind kind_;
    std::unique_ptr<Ui::TInvoiceList> ui;
};

}  // namespace kestrum::invoicing

class TOpenInvoice : public kestrum::invoicing::InvoiceListWindow {
    Q_OBJECT
public:
    explicit TOpenInvoice(QWidget* parent = nullptr);
};

class TFinishedInvoiceReport : public kestrum::invoicing::InvoiceListWindow {
    Q_OBJECT
public:
    explicit TFinishedInvoiceReport(QWidget* parent = nullptr);
};

extern QPointer<TOpenInvoice> OpenInvoice;
extern QPointer<TFinishedInvoiceReport> FinishedInvoiceReport;

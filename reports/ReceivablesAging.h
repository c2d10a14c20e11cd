#pragma once
// Receivables aging: as of a date, each customer's open balance split by how long it is past due,
// with the customer's and the report's totals; a double-click lists the customer's open invoices.
#include "Decimal.h"
#include "ReportWindow.h"
#include "Schema.h"

#include <QDate>
#include <QPointer>

#include <array>
#include <optional>

class QLabel;
class QTableView;

namespace kestrum {
class Query;
}

namespace kestrum::reports {

/// The five age columns and the total, in the order the window shows them.
inline constexpr int AgingColumns = 6;

/// \brief The customers' figures as of `asOf` (one row per customer with an open balance:
/// CustomerName_Inv, Current_Due, Days_1_30, Days_31_60, Days_61_90, Over_90, Total_Due); values to
/// bind are appended to `values`.
QString agingSql(schema::Engine engine, const QDate& asOf, const std::optional<QString>& customer, QVariantList& values);
/// \brief The same on the program's database.
QString agingSql(const QDate& asOf, const std::optional<QString>& customer, QVariantList& values);
/// \brief One customer's open invoices as of `asOf`: InvoiceNo_Inv, InvoiceDate_Inv, DueDate_Inv
/// (the invoice date where there is none), Age (days past due), Total_Due, Paid, Balance.
QString openInvoicesSql(schema::Engine engine, const QDate& asOf, const QString& customer, QVariantList& values);

}  // namespace kestrum::reports

class TReceivablesAging : public kestrum::reports::ReportWindow {
    Q_OBJECT
public:
    explicit TReceivablesAging(QWidget* parent = nullptr);

    /// Button3 "Show": the figures as of the date in Edit1 for the customer in ComboBox1.
    void showAging();
    /// Double-click on a customer: their open invoices in the lower grid.
    void showCustomer(int row);

    kestrum::Query* customers() const { return customers_; }
    kestrum::Query* invoices() const { return invoices_; }
    QTableView* customerGrid() const { return grid1_; }
    /// The grand totals shown under the grid (current ... over 90, total).
    std::array<kestrum::Decimal, kestrum::reports::AgingColumns> totals() const { return totals_; }

protected:
    void print() override;

private:
    QTableView* grid1_;
    QTableView* grid2_;
    QLabel* invoicesCaption_;
    std::array<QLabel*, kestrum::reports::AgingColumns> totalLabels_{};
    std::array<kestrum::Decimal, kestrum::reports::AgingColumns> totals_{};
    kestrum::Query* customers_;
    kestrum::Query* invoices_;
    kestrum::schema::Engine engine_;  // asked once: every statement of the window is made for it
    QDate asOf_;
};

extern QPointer<TReceivablesAging> ReceivablesAging;

#pragma once
// Tax window: sales-tax rates by year and range of months, and the rate look-up that invoices
// and estimates use.
#include "Decimal.h"
#include "RecordWindow.h"

#include <QDate>
#include <QPointer>
#include <QVariant>
#include <optional>
#include <memory>

namespace Ui {
class TTax;
}

class TTax : public kestrum::records::RecordWindow {
    Q_OBJECT
public:
    explicit TTax(QWidget* parent = nullptr);
    ~TTax() override;

    kestrum::Query* listQuery() const override { return list_; }
    kestrum::Query* probeQuery() const override { return probe_; }

private:
    // Queries of its own: the Customers window re-points its pool queries at will.
    kestrum::Query* list_;
    kestrum::Query* probe_;
    std::unique_ptr<Ui::TTax> ui;
};

extern QPointer<TTax> Tax;

namespace kestrum::records {

/// \brief The tax rate (a fraction, 0.0725 for 7.25 %) of the month of `date`: the row of its
/// year whose month range contains the month; where rows overlap, the lowest Id_T wins; no row
/// gives 0. Runs on DM->QTax; throws DatabaseError.
Decimal taxRate(const QDate& date);

/// \brief Like taxRate, but nullopt when no row covers the month, for callers that must tell a
/// missing rate from a rate of 0. Throws DatabaseError.
std::optional<Decimal> findTaxRate(const QDate& date);

/// \brief SQL giving, for each row, the rate findTaxRate gives for the date in `dateColumn` (0 when
/// no rate row covers its month, or it has no date): a sub-query on Tax, first by Id_T wins.
/// It binds no values today; any it did would be appended to `values` in the order of their places.
QString taxRateExpression(const QString& dateColumn, QVariantList& values);

/// \brief SQL joining, as `alias`, the rate row of the month of `dateColumn`: " Left Join (...)
/// alias On ...". alias.Tax_R is the rate findTaxRate finds (NULL where that row has none);
/// alias.Key_R is NULL where no row covers the month or there is no date. The rates of every
/// month are worked out once from the small Tax table, not once per row joined to it.
QString monthlyRateJoin(const QString& alias, const QString& dateColumn);

/// \brief SQL giving the month of the date in `dateColumn` as one number, year * 100 + month
/// (NULL for no date): what monthlyRateJoinOnKey joins on.
QString monthKey(const QString& dateColumn);
/// \brief monthlyRateJoin for rows that carry monthKey already, in the SQL `key`: a kept number is
/// cheaper to join on than a date taken apart on every row.
QString monthlyRateJoinOnKey(const QString& alias, const QString& key);

}  // namespace kestrum::records

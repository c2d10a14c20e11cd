#pragma once
// The one place where numbers and dates become text and typed dates become values.
#include "Decimal.h"

#include <QDate>
#include <QString>

#include <optional>

namespace kestrum {

/// \brief The "#.##" money format: no thousands separator, at most two decimals (halves away from
/// zero), trailing zeros dropped, zero (also after rounding) gives "". 12.50 -> "12.5".
QString formatMoney(const Decimal& value);

/// \brief Text of a number in a money box that must never be empty: formatMoney, or "0" for zero.
QString formatMoneyOrZero(const Decimal& value);

/// \brief Parses a typed short date, month/day/year: "12/8/2026", "12/08/2026"; a two-digit year
/// means 1930..2029. Blanks around are ignored. Invalid dates ("2/30/2026") give nullopt.
std::optional<QDate> parseShortDate(const QString& text);

/// \brief M/d/yyyy ("12/8/2026"); an invalid date gives "".
QString formatShortDate(const QDate& date);

/// \brief Call first thing in main: names the system's zone file in TZ when TZ is unset, so the C
/// library reads it once instead of checking it again for every local date and time made (a
/// list of 300,000 rows made as many checks of /etc/localtime). Local times stay the same.
void settleLocalTimeZone();

}  // namespace kestrum

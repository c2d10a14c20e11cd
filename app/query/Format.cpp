#include "Format.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cstdlib>

namespace kestrum {

QString formatMoney(const Decimal& value) {
    const Decimal cents = value.rounded(2);
    return cents.isZero() ? QString() : cents.toString();
}

QString formatMoneyOrZero(const Decimal& value) {
    const QString s = formatMoney(value);
    return s.isEmpty() ? QStringLiteral("0") : s;
}

std::optional<QDate> parseShortDate(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2) year += year < 30 ? 2000 : 1900;
    const QDate d(year, m.captured(1).toInt(), m.captured(2).toInt());
    if (!d.isValid()) return std::nullopt;
    return d;
}

QString formatShortDate(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("M/d/yyyy")) : QString();
}

void settleLocalTimeZone()
{
    // ":/etc/localtime" is what the C library reads anyway when TZ is unset; Qt reads it as the
    // system zone too.
    if (std::getenv("TZ") == nullptr && QFileInfo::exists(QStringLiteral("/etc/localtime")))
        setenv("TZ", ":/etc/localtime", 0);
}

}  // namespace kestrum

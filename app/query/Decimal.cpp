#include "Decimal.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace kestrum {
namespace {

// Division of 128-bit values rounding half away from zero.
qint64 divRound(__int128 num, __int128 den) {
    if (den < 0) num = -num, den = -den;
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) r = -r;
    if (2 * r >= den) q += num < 0 ? -1 : 1;
    return qint64(q);
}

}  // namespace

Decimal Decimal::fromDouble(double v) {
    if (!std::isfinite(v)) return {};
    const double scaled = v * double(Scale);
    if (std::fabs(scaled) >= 9.2e18) return {};
    return fromRaw(qint64(std::llround(scaled)));
}

std::optional<Decimal> Decimal::parse(const QString& text) {
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
    __int128 whole = 0, frac = 0;
    int digits = 0, fracDigits = 0;
    bool roundUp = false;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i, ++digits) {
        whole = whole * 10 + (t[i].unicode() - '0');
        if (whole > std::numeric_limits<qint64>::max() / Scale) return std::nullopt;
    }
    if (i < t.size() && t[i] == u'.') {
        ++i;
        for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i, ++digits) {
            const int d = t[i].unicode() - '0';
            if (fracDigits < Places) {
                frac = frac * 10 + d;
                ++fracDigits;
            } else if (fracDigits == Places) {
                roundUp = d >= 5;  // only the first dropped digit decides (half away from zero)
                ++fracDigits;
            }
        }
    }
    if (digits == 0 || i != t.size()) return std::nullopt;
    for (int k = std::min(fracDigits, int(Places)); k < Places; ++k) frac *= 10;
    __int128 raw = whole * Scale + frac + (roundUp ? 1 : 0);
    return fromRaw(qint64(negative ? -raw : raw));
}

Decimal Decimal::fromVariant(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return {};
    if (v.metaType() == QMetaType::fromType<Decimal>()) return v.value<Decimal>();
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Bool:
        return fromInt(v.toLongLong());
    case QMetaType::ULongLong:
        return fromInt(qint64(v.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return fromDouble(v.toDouble());
    default:
        return parse(v.toString()).value_or(Decimal{});
    }
}

qint64 Decimal::toInt() const { return divRound(raw_, Scale); }

QString Decimal::toString() const {
    char text[MaxChars];
    return QString::fromLatin1(text, toChars(text));
}

int Decimal::toChars(char (&out)[MaxChars]) const {
    const bool negative = raw_ < 0;
    const quint64 a = negative ? quint64(0) - quint64(raw_) : quint64(raw_);
    char* p = out;
    if (negative) *p++ = '-';
    p = std::to_chars(p, out + MaxChars, a / quint64(Scale)).ptr;
    quint64 frac = a % quint64(Scale);
    if (frac) {
        int places = Places;
        while (frac % 10 == 0) frac /= 10, --places;  // no trailing zeros
        *p++ = '.';
        for (int i = places - 1; i >= 0; --i, frac /= 10) p[i] = char('0' + frac % 10);
        p += places;
    }
    return int(p - out);
}

Decimal Decimal::rounded(int places) const {
    if (places >= Places) return *this;
    if (places < 0) places = 0;
    qint64 unit = 1;
    for (int i = places; i < Places; ++i) unit *= 10;
    return fromRaw(divRound(raw_, unit) * unit);
}

Decimal Decimal::operator*(Decimal o) const { return fromRaw(divRound(__int128(raw_) * o.raw_, Scale)); }

Decimal Decimal::operator/(Decimal o) const {
    if (o.raw_ == 0) throw std::domain_error("Division by zero");
    return fromRaw(divRound(__int128(raw_) * Scale, o.raw_));
}

}  // namespace kestrum

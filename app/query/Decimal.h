#pragma once
// Exact fixed-point numbers for money, quantities and rates: six fractional digits in an int64,
// so sums of amounts never drift the way doubles do.
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <compare>
#include <optional>

namespace kestrum {

class Decimal {
public:
    static constexpr int Places = 6;
    static constexpr qint64 Scale = 1000000;

    constexpr Decimal() = default;
    static constexpr Decimal fromRaw(qint64 raw) {
        Decimal d;
        d.raw_ = raw;
        return d;
    }
    static constexpr Decimal fromInt(qint64 v) { return fromRaw(v * Scale); }
    /// \brief Nearest Decimal (halves away from zero); non-finite values give zero.
    static Decimal fromDouble(double v);
    /// \brief Parses "12", "-3.5", ".25", "+1.000001" (surrounding blanks allowed). More than six
    /// decimals are rounded half away from zero. Anything else (empty text, "1 or 1=1", "1e3",
    /// thousands separators) gives nullopt.
    static std::optional<Decimal> parse(const QString& text);
    /// \brief Reads a database or model value: null and empty text give zero; text must parse
    /// (otherwise zero); numbers and Decimals convert.
    static Decimal fromVariant(const QVariant& v);

    constexpr qint64 raw() const { return raw_; }
    double toDouble() const { return double(raw_) / double(Scale); }
    /// Whole part, rounded half away from zero.
    qint64 toInt() const;
    constexpr bool isZero() const { return raw_ == 0; }
    /// \brief Plain text with no trailing zeros and no separators: "12.5", "-0.07375", "0".
    QString toString() const;
    /// Room toChars needs: a sign, 13 whole digits, a point and six decimals.
    static constexpr int MaxChars = 24;
    /// \brief The text of toString written to `out` as ASCII (exports write it without a QString);
    /// returns its length.
    int toChars(char (&out)[MaxChars]) const;
    /// \brief Rounded to `places` (0..6) decimals, halves away from zero.
    Decimal rounded(int places) const;

    Decimal operator-() const { return fromRaw(-raw_); }
    Decimal operator+(Decimal o) const { return fromRaw(raw_ + o.raw_); }
    Decimal operator-(Decimal o) const { return fromRaw(raw_ - o.raw_); }
    /// Product rounded to six decimals, halves away from zero.
    Decimal operator*(Decimal o) const;
    /// \brief Quotient rounded to six decimals; throws std::domain_error on division by zero.
    Decimal operator/(Decimal o) const;
    Decimal& operator+=(Decimal o) { return *this = *this + o; }
    Decimal& operator-=(Decimal o) { return *this = *this - o; }
    Decimal& operator*=(Decimal o) { return *this = *this * o; }

    constexpr auto operator<=>(const Decimal&) const = default;
    constexpr bool operator==(const Decimal&) const = default;

private:
    qint64 raw_ = 0;
};

}  // namespace kestrum

Q_DECLARE_METATYPE(kestrum::Decimal)

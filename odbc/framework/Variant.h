// Currency and the Variant value used by fields, parameters and locate calls.
#pragma once

#include <vantrel/framework/SysUtils.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace vantrel {

/// \brief Fixed-point money: a 64-bit count of ten-thousandths.
class Currency {
public:
    static constexpr int64_t Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromRaw(int64_t raw) {
        Currency c;
        c.FValue = raw;
        return c;
    }
    /// \brief Rounds half away from zero to four decimals; throws EConvertError when out of range.
    static Currency FromDouble(double value);
    static constexpr Currency FromInt(int64_t value) { return FromRaw(value * Scale); }

    constexpr int64_t Raw() const { return FValue; }
    double ToDouble() const { return static_cast<double>(FValue) / Scale; }
    /// \brief Plain decimal text without trailing zeros ("12.5", "-0.0001", "3").
    String ToString() const;

    friend constexpr bool operator==(Currency a, Currency b) { return a.FValue == b.FValue; }
    friend constexpr auto operator<=>(Currency a, Currency b) { return a.FValue <=> b.FValue; }
    friend constexpr Currency operator+(Currency a, Currency b) { return FromRaw(a.FValue + b.FValue); }
    friend constexpr Currency operator-(Currency a, Currency b) { return FromRaw(a.FValue - b.FValue); }
    friend constexpr Currency operator-(Currency a) { return FromRaw(-a.FValue); }

private:
    int64_t FValue = 0;
};

String CurrToStr(Currency value);
/// \brief Decimal text with at most four decimals (more are rounded); throws EConvertError.
Currency StrToCurr(std::string_view s);
bool TryStrToCurr(std::string_view s, Currency& value);

/// Variant kinds. varSmallint and varInteger hold 16- and 32-bit values (parameters map them to
/// different field types), varInt64 anything wider.
enum TVarType {
    varEmpty,
    varNull,
    varBoolean,
    varSmallint,
    varInteger,
    varInt64,
    varDouble,
    varCurrency,
    varDate,
    varString,
    varBytes,
    varArray
};

/// \brief Thrown when a variant cannot be converted to the requested type.
class EVariantError : public Exception {
public:
    using Exception::Exception;
};

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

/// \brief A self-describing value: empty, null, Boolean, integer, float, currency, date-time,
/// text, bytes or an array of variants.
class Variant {
public:
    Variant() = default;
    Variant(bool v) : FType(varBoolean), FInt(v ? 1 : 0) {}
    Variant(int16_t v) : FType(varSmallint), FInt(v) {}
    Variant(int v) : FType(varInteger), FInt(v) {}
    Variant(long v) : FType(varInt64), FInt(v) {}
    Variant(long long v) : FType(varInt64), FInt(v) {}
    Variant(unsigned v) : FType(varInt64), FInt(v) {}
    Variant(unsigned long v) : FType(varInt64), FInt(static_cast<int64_t>(v)) {}
    Variant(unsigned long long v) : FType(varInt64), FInt(static_cast<int64_t>(v)) {}
    Variant(double v) : FType(varDouble), FFloat(v) {}
    Variant(float v) : FType(varDouble), FFloat(v) {}
    Variant(Currency v) : FType(varCurrency), FInt(v.Raw()) {}
    Variant(TDateTime v) : FType(varDate), FFloat(v.Value()) {}
    Variant(const char* v) : FType(varString), FText(v ? v : "") {}
    Variant(String v) : FType(varString), FText(std::move(v)) {}
    Variant(std::string_view v) : FType(varString), FText(v) {}
    Variant(TBytes v) : FType(varBytes), FBytes(std::make_shared<TBytes>(std::move(v))) {}
    Variant(std::vector<Variant> items)
        : FType(varArray), FArray(std::make_shared<std::vector<Variant>>(std::move(items))) {}

    static Variant Null() {
        Variant v;
        v.FType = varNull;
        return v;
    }

    TVarType VarType() const { return FType; }
    bool IsEmpty() const { return FType == varEmpty; }
    bool IsNull() const { return FType == varNull; }
    /// \brief Null or empty.
    bool IsClear() const { return FType == varEmpty || FType == varNull; }
    bool IsArray() const { return FType == varArray; }
    bool IsNumeric() const;

    /// Conversions. Empty converts to 0, "", false; Null and impossible conversions throw EVariantError.
    bool AsBoolean() const;
    int32_t AsInteger() const; // throws EVariantError when the value does not fit
    int64_t AsInt64() const;
    double AsFloat() const;
    Currency AsCurrency() const;
    TDateTime AsDateTime() const;
    /// \brief Text form; Booleans are "True"/"False", dates as DateTimeToStr.
    String AsString() const;
    TBytes AsBytes() const;

    /// \brief Array elements (throws EVariantError when not an array).
    size_t ArrayCount() const;
    const Variant& operator[](size_t index) const;
    Variant& operator[](size_t index);

    /// \brief Name of the kind as shown in conversion errors ("Null", "String", ...).
    static String TypeName(TVarType type);

    /// Equality as Compare gives vrEqual. Null equals only Null; numbers compare by value across
    /// kinds; text compares case-sensitively; a text against a number compares as numbers when the
    /// text is a number, else as text.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    [[noreturn]] void CastError(TVarType to) const;

    TVarType FType = varEmpty;
    int64_t FInt = 0; // Boolean, integer kinds, Currency raw value
    double FFloat = 0; // double, date
    String FText;
    std::shared_ptr<TBytes> FBytes;               // shared: copies are cheap, never mutated in place
    std::shared_ptr<std::vector<Variant>> FArray; // copied on write through operator[]
};

/// \brief Order of two variants: Null sorts before everything, Empty after Null; mismatched kinds
/// that cannot be ordered (bytes against numbers, arrays against scalars) give vrNotEqual.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b, bool caseInsensitive = false);
/// \brief The text of a variant, "" for Null or Empty.
String VarToStr(const Variant& v);
Variant VarArrayOf(std::vector<Variant> items);

} // namespace vantrel

#include <vantrel/framework/Variant.h>

#include <cmath>
#include <limits>

namespace vantrel {

// ---- Currency -----------------------------------------------------------------------------------

Currency Currency::FromDouble(double value) {
    double scaled = std::round(value * Scale);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
        throw EConvertError("'" + FloatToStr(value) + "' is not a valid currency value");
    return FromRaw(static_cast<int64_t>(scaled));
}

String Currency::ToString() const {
    uint64_t mag = FValue < 0 ? 0 - static_cast<uint64_t>(FValue) : static_cast<uint64_t>(FValue);
    String s = (FValue < 0 ? "-" : "") + std::to_string(mag / Scale);
    uint64_t frac = mag % Scale;
    if (frac != 0) {
        String f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        while (f.back() == '0')
            f.pop_back();
        s += "." + f;
    }
    return s;
}

String CurrToStr(Currency value) { return value.ToString(); }

bool TryStrToCurr(std::string_view s, Currency& value) {
    String t = Trim(s);
    std::string_view v = t;
    bool negative = false;
    if (!v.empty() && (v[0] == '-' || v[0] == '+')) {
        negative = v[0] == '-';
        v.remove_prefix(1);
    }
    if (v.empty())
        return false;
    uint64_t whole = 0;
    size_t i = 0;
    bool digits = false;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
        whole = whole * 10 + static_cast<uint64_t>(v[i] - '0');
        if (whole > 922337203685477ULL)
            return false;
        digits = true;
    }
    uint64_t frac = 0;
    int fracDigits = 0;
    bool roundUp = false;
    if (i < v.size() && v[i] == '.') {
        ++i;
        for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
            digits = true;
            if (fracDigits < 4) {
                frac = frac * 10 + static_cast<uint64_t>(v[i] - '0');
                ++fracDigits;
            } else if (fracDigits == 4) {
                roundUp = v[i] >= '5';
                ++fracDigits;
            }
        }
    }
    if (!digits || i != v.size())
        return false;
    for (int k = std::min(fracDigits, 4); k < 4; ++k)
        frac *= 10;
    uint64_t raw = whole * Currency::Scale + frac + (roundUp ? 1 : 0);
    if (raw > static_cast<uint64_t>(INT64_MAX))
        return false;
    value = Currency::FromRaw(negative ? -static_cast<int64_t>(raw) : static_cast<int64_t>(raw));
    return true;
}

Currency StrToCurr(std::string_view s) {
    Currency c;
    if (!TryStrToCurr(s, c))
        throw EConvertError("'" + String(s) + "' is not a valid currency value");
    return c;
}

// ---- Variant ------------------------------------------------------------------------------------

String Variant::TypeName(TVarType type) {
    switch (type) {
    case varEmpty:
        return "Empty";
    case varNull:
        return "Null";
    case varBoolean:
        return "Boolean";
    case varSmallint:
        return "Smallint";
    case varInteger:
        return "Integer";
    case varInt64:
        return "Int64";
    case varDouble:
        return "Double";
    case varCurrency:
        return "Currency";
    case varDate:
        return "Date";
    case varString:
        return "String";
    case varBytes:
        return "Bytes";
    case varArray:
        return "Array";
    }
    return "Unknown";
}

void Variant::CastError(TVarType to) const {
    throw EVariantError("Could not convert variant of type (" + TypeName(FType) + ") into type (" +
                        TypeName(to) + ")");
}

bool Variant::IsNumeric() const {
    switch (FType) {
    case varBoolean:
    case varSmallint:
    case varInteger:
    case varInt64:
    case varDouble:
    case varCurrency:
    case varDate:
        return true;
    default:
        return false;
    }
}

bool Variant::AsBoolean() const {
    switch (FType) {
    case varEmpty:
        return false;
    case varBoolean:
    case varSmallint:
    case varInteger:
    case varInt64:
    case varCurrency:
        return FInt != 0;
    case varDouble:
    case varDate:
        return FFloat != 0;
    case varString:
        try {
            return StrToBool(FText);
        } catch (const EConvertError&) {
            CastError(varBoolean);
        }
    default:
        CastError(varBoolean);
    }
}

int64_t Variant::AsInt64() const {
    switch (FType) {
    case varEmpty:
        return 0;
    case varBoolean:
    case varSmallint:
    case varInteger:
    case varInt64:
        return FInt;
    case varCurrency:
        return static_cast<int64_t>(std::llround(static_cast<double>(FInt) / Currency::Scale));
    case varDouble:
    case varDate: {
        double r = std::round(FFloat);
        if (!std::isfinite(r) || std::fabs(r) >= 9.2e18)
            CastError(varInt64);
        return static_cast<int64_t>(r);
    }
    case varString: {
        int64_t v;
        if (TryStrToInt64(FText, v))
            return v;
        double d;
        if (TryStrToFloat(FText, d) && std::isfinite(d) && std::fabs(d) < 9.2e18)
            return static_cast<int64_t>(std::round(d));
        CastError(varInt64);
    }
    default:
        CastError(varInt64);
    }
}

int32_t Variant::AsInteger() const {
    int64_t v = AsInt64();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw EVariantError("Variant value " + IntToStr(v) + " is out of range for type (Integer)");
    return static_cast<int32_t>(v);
}

double Variant::AsFloat() const {
    switch (FType) {
    case varEmpty:
        return 0;
    case varBoolean:
    case varSmallint:
    case varInteger:
    case varInt64:
        return static_cast<double>(FInt);
    case varCurrency:
        return static_cast<double>(FInt) / Currency::Scale;
    case varDouble:
    case varDate:
        return FFloat;
    case varString: {
        double d;
        if (TryStrToFloat(FText, d))
            return d;
        TDateTime dt;
        if (TryStrToDateTime(FText, dt))
            return dt;
        CastError(varDouble);
    }
    default:
        CastError(varDouble);
    }
}

Currency Variant::AsCurrency() const {
    switch (FType) {
    case varCurrency:
        return Currency::FromRaw(FInt);
    case varString: {
        Currency c;
        if (TryStrToCurr(FText, c))
            return c;
        CastError(varCurrency);
    }
    case varBoolean:
    case varSmallint:
    case varInteger:
    case varInt64:
        if (FInt > INT64_MAX / Currency::Scale || FInt < INT64_MIN / Currency::Scale)
            CastError(varCurrency);
        return Currency::FromInt(FInt);
    case varEmpty:
        return Currency();
    case varDouble:
    case varDate:
        try {
            return Currency::FromDouble(FFloat);
        } catch (const EConvertError&) {
            CastError(varCurrency);
        }
    default:
        CastError(varCurrency);
    }
}

TDateTime Variant::AsDateTime() const {
    if (FType == varString) {
        TDateTime dt;
        if (TryStrToDateTime(FText, dt))
            return dt;
        double d;
        if (TryStrToFloat(FText, d))
            return TDateTime(d);
        CastError(varDate);
    }
    if (FType == varBoolean)
        CastError(varDate);
    return TDateTime(AsFloat());
}

String Variant::AsString() const {
    switch (FType) {
    case varEmpty:
        return {};
    case varBoolean:
        return BoolToStr(FInt != 0);
    case varSmallint:
    case varInteger:
    case varInt64:
        return IntToStr(FInt);
    case varCurrency:
        return Currency::FromRaw(FInt).ToString();
    case varDouble:
        return FloatToStr(FFloat);
    case varDate:
        return DateTimeToStr(TDateTime(FFloat));
    case varString:
        return FText;
    case varBytes:
        return String(FBytes->begin(), FBytes->end());
    default:
        CastError(varString);
    }
}

TBytes Variant::AsBytes() const {
    switch (FType) {
    case varEmpty:
        return {};
    case varBytes:
        return *FBytes;
    case varString:
        return TBytes(FText.begin(), FText.end());
    default:
        CastError(varBytes);
    }
}

size_t Variant::ArrayCount() const {
    if (FType != varArray)
        throw EVariantError("Variant is not an array");
    return FArray->size();
}

const Variant& Variant::operator[](size_t index) const {
    if (FType != varArray)
        throw EVariantError("Variant is not an array");
    if (index >= FArray->size())
        throw EVariantError("Variant array index out of bounds (" + IntToStr(static_cast<int64_t>(index)) + ")");
    return (*FArray)[index];
}

Variant& Variant::operator[](size_t index) {
    if (FType != varArray)
        throw EVariantError("Variant is not an array");
    if (index >= FArray->size())
        throw EVariantError("Variant array index out of bounds (" + IntToStr(static_cast<int64_t>(index)) + ")");
    if (FArray.use_count() > 1)
        FArray = std::make_shared<std::vector<Variant>>(*FArray);
    return (*FArray)[index];
}

namespace {

template <class T> TVariantRelationship Order(const T& a, const T& b) {
    if (a < b)
        return vrLessThan;
    if (b < a)
        return vrGreaterThan;
    return vrEqual;
}

bool IsIntKind(TVarType t) { return t == varBoolean || t == varSmallint || t == varInteger || t == varInt64; }

} // namespace

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b, bool caseInsensitive) {
    TVarType ta = a.VarType(), tb = b.VarType();
    if (ta == varNull || tb == varNull) {
        if (ta == tb)
            return vrEqual;
        return ta == varNull ? vrLessThan : vrGreaterThan;
    }
    if (ta == varEmpty || tb == varEmpty) {
        if (ta == tb)
            return vrEqual;
        return ta == varEmpty ? vrLessThan : vrGreaterThan;
    }
    if (ta == varArray || tb == varArray) {
        if (ta != tb || a.ArrayCount() != b.ArrayCount())
            return vrNotEqual;
        for (size_t i = 0; i < a.ArrayCount(); ++i)
            if (VarCompareValue(a[i], b[i], caseInsensitive) != vrEqual)
                return vrNotEqual;
        return vrEqual;
    }
    if (ta == varBytes || tb == varBytes) {
        if (ta == varBytes && tb == varBytes)
            return Order(a.AsBytes(), b.AsBytes());
        if (ta == varString || tb == varString)
            return Order(a.AsString(), b.AsString());
        return vrNotEqual;
    }
    if (ta == varString && tb == varString) {
        int r = caseInsensitive ? CompareText(a.AsString(), b.AsString()) : CompareStr(a.AsString(), b.AsString());
        return r < 0 ? vrLessThan : (r > 0 ? vrGreaterThan : vrEqual);
    }
    if (ta == varString || tb == varString) {
        // Text against a number: numeric when the text is a number.
        const Variant& text = ta == varString ? a : b;
        double d;
        if (!TryStrToFloat(text.AsString(), d)) {
            int r = CompareStr(a.AsString(), b.AsString());
            return r < 0 ? vrLessThan : (r > 0 ? vrGreaterThan : vrEqual);
        }
        double x = ta == varString ? d : a.AsFloat();
        double y = tb == varString ? d : b.AsFloat();
        return Order(x, y);
    }
    if (IsIntKind(ta) && IsIntKind(tb))
        return Order(a.AsInt64(), b.AsInt64());
    if (ta == varCurrency && tb == varCurrency)
        return Order(a.AsCurrency().Raw(), b.AsCurrency().Raw());
    if ((ta == varCurrency && IsIntKind(tb)) || (tb == varCurrency && IsIntKind(ta))) {
        // Exact: compare raw currency units without going through double.
        const Variant& c = ta == varCurrency ? a : b;
        const Variant& n = ta == varCurrency ? b : a;
        int64_t iv = n.AsInt64();
        if (iv > INT64_MAX / Currency::Scale || iv < INT64_MIN / Currency::Scale)
            return ta == varCurrency ? (iv > 0 ? vrLessThan : vrGreaterThan) : (iv > 0 ? vrGreaterThan : vrLessThan);
        int64_t craw = c.AsCurrency().Raw(), nraw = iv * Currency::Scale;
        return ta == varCurrency ? Order(craw, nraw) : Order(nraw, craw);
    }
    double x = a.AsFloat(), y = b.AsFloat();
    if (std::isnan(x) || std::isnan(y))
        return vrNotEqual;
    return Order(x, y);
}

bool operator==(const Variant& a, const Variant& b) { return VarCompareValue(a, b) == vrEqual; }

String VarToStr(const Variant& v) { return v.IsClear() ? String() : v.AsString(); }

Variant VarArrayOf(std::vector<Variant> items) { return Variant(std::move(items)); }

} // namespace vantrel

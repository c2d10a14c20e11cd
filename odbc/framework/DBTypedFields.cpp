// The numeric, boolean, date and time, binary and blob fields.
#include <vantrel/framework/DB.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vantrel {

namespace {

// Double to int64 with a range check; NaN and values beyond int64 are refused.
bool DoubleToInt64(double v, int64_t& out) {
    double r = std::round(v);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        return false;
    out = static_cast<int64_t>(r);
    return true;
}

} // namespace

// ---- TIntegerField ------------------------------------------------------------------------------

TIntegerField::TIntegerField(TComponent* owner, TFieldType type) : TNumericField(owner, type, 0) {
    FMinValue = TypeMin();
    FMaxValue = TypeMax();
}

int TIntegerField::DataSize() const {
    switch (DataType()) {
    case ftSmallint:
    case ftWord:
        return 2;
    case ftLargeint:
        return 8;
    default:
        return 4;
    }
}

int64_t TIntegerField::TypeMin() const {
    switch (DataType()) {
    case ftSmallint:
        return std::numeric_limits<int16_t>::min();
    case ftWord:
        return 0;
    case ftLargeint:
        return std::numeric_limits<int64_t>::min();
    default:
        return std::numeric_limits<int32_t>::min();
    }
}

int64_t TIntegerField::TypeMax() const {
    switch (DataType()) {
    case ftSmallint:
        return std::numeric_limits<int16_t>::max();
    case ftWord:
        return std::numeric_limits<uint16_t>::max();
    case ftLargeint:
        return std::numeric_limits<int64_t>::max();
    default:
        return std::numeric_limits<int32_t>::max();
    }
}

void TIntegerField::SetRange(int64_t minValue, int64_t maxValue) {
    if (minValue == 0 && maxValue == 0) {
        FMinValue = TypeMin();
        FMaxValue = TypeMax();
        return;
    }
    if (minValue > maxValue || minValue < TypeMin() || maxValue > TypeMax())
        DatabaseErrorFmt("Invalid range for field '%s'", {DisplayName()}, DataSet());
    FMinValue = minValue;
    FMaxValue = maxValue;
}

bool TIntegerField::GetValue(int64_t& value) const {
    value = 0;
    switch (DataType()) {
    case ftSmallint: {
        int16_t v = 0;
        if (!GetData(&v))
            return false;
        value = v;
        return true;
    }
    case ftWord: {
        uint16_t v = 0;
        if (!GetData(&v))
            return false;
        value = v;
        return true;
    }
    case ftLargeint: {
        int64_t v = 0;
        if (!GetData(&v))
            return false;
        value = v;
        return true;
    }
    default: {
        int32_t v = 0;
        if (!GetData(&v))
            return false;
        value = v;
        return true;
    }
    }
}

String TIntegerField::GetAsString() const {
    int64_t v;
    return GetValue(v) ? IntToStr(v) : String();
}

int TIntegerField::GetAsInteger() const {
    // A 32-bit value fits as it is: read straight, as a fetch loop does for every row.
    if (DataType() == ftInteger) {
        int32_t v = 0;
        GetData(&v);
        return v;
    }
    int64_t v;
    GetValue(v);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        DatabaseErrorFmt("Value %s of field '%s' does not fit into a 32-bit integer", {IntToStr(v), DisplayName()},
                         DataSet());
    return static_cast<int>(v);
}

int64_t TIntegerField::GetAsLargeInt() const {
    int64_t v;
    GetValue(v);
    return v;
}

double TIntegerField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }
Currency TIntegerField::GetAsCurrency() const { return Currency::FromInt(GetAsLargeInt()); }
bool TIntegerField::GetAsBoolean() const { return GetAsLargeInt() != 0; }

Variant TIntegerField::GetAsVariant() const {
    int64_t v;
    if (!GetValue(v))
        return Variant::Null();
    switch (DataType()) {
    case ftSmallint:
        return Variant(static_cast<int16_t>(v));
    case ftLargeint:
        return Variant(static_cast<long long>(v));
    default:
        return Variant(static_cast<int>(v));
    }
}

void TIntegerField::SetAsLargeIntValue(int64_t v) {
    if (v < FMinValue || v > FMaxValue)
        RangeError(IntToStr(v), IntToStr(FMinValue), IntToStr(FMaxValue));
    switch (DataType()) {
    case ftSmallint: {
        int16_t x = static_cast<int16_t>(v);
        SetData(&x);
        break;
    }
    case ftWord: {
        uint16_t x = static_cast<uint16_t>(v);
        SetData(&x);
        break;
    }
    case ftLargeint:
        SetData(&v);
        break;
    default: {
        int32_t x = static_cast<int32_t>(v);
        SetData(&x);
        break;
    }
    }
}

void TIntegerField::SetAsStringValue(const String& v) {
    String t = Trim(v);
    if (t.empty())
        Clear();
    else
        SetAsLargeIntValue(StrToInt64(t));
}

void TIntegerField::SetAsFloatValue(double v) {
    int64_t i;
    if (!DoubleToInt64(v, i))
        RangeError(FloatToStr(v), IntToStr(FMinValue), IntToStr(FMaxValue));
    SetAsLargeIntValue(i);
}

void TIntegerField::SetAsCurrencyValue(Currency v) {
    // Round half away from zero to a whole number.
    int64_t raw = v.Raw();
    int64_t whole = raw / Currency::Scale;
    int64_t rest = raw % Currency::Scale;
    if (rest >= Currency::Scale / 2)
        ++whole;
    else if (rest <= -Currency::Scale / 2)
        --whole;
    SetAsLargeIntValue(whole);
}

// ---- TFloatField / TCurrencyField ---------------------------------------------------------------

void TFloatField::SetPrecision(int digits) {
    if (digits < 2)
        digits = 2;
    if (digits > 15)
        digits = 15;
    FPrecision = digits;
}

bool TFloatField::GetValue(double& value) const {
    value = 0;
    return GetData(&value);
}

String TFloatField::GetAsString() const {
    double v;
    return GetValue(v) ? FloatToStr(v) : String();
}

int TFloatField::GetAsInteger() const {
    int64_t i = GetAsLargeInt();
    if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max())
        DatabaseErrorFmt("Value %s of field '%s' does not fit into a 32-bit integer", {IntToStr(i), DisplayName()},
                         DataSet());
    return static_cast<int>(i);
}

int64_t TFloatField::GetAsLargeInt() const {
    double v;
    GetValue(v);
    int64_t i;
    if (!DoubleToInt64(v, i))
        DatabaseErrorFmt("Value %s of field '%s' does not fit into an integer", {FloatToStr(v), DisplayName()},
                         DataSet());
    return i;
}

double TFloatField::GetAsFloat() const {
    double v;
    GetValue(v);
    return v;
}

Currency TFloatField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }

Variant TFloatField::GetAsVariant() const {
    double v;
    if (!GetValue(v))
        return Variant::Null();
    if (DataType() == ftCurrency)
        return Variant(Currency::FromDouble(v));
    return Variant(v);
}

String TFloatField::GetText(bool displayText) const {
    double v;
    if (!GetValue(v))
        return String();
    if (displayText && FPrecision < 15) {
        char text[64];
        std::snprintf(text, sizeof(text), "%.*g", FPrecision, v);
        return text;
    }
    return FloatToStr(v);
}

void TFloatField::SetAsStringValue(const String& v) {
    String t = Trim(v);
    if (t.empty())
        Clear();
    else
        SetAsFloatValue(StrToFloat(t));
}

void TFloatField::SetAsFloatValue(double v) {
    if (std::isnan(v) || std::isinf(v))
        DatabaseErrorFmt("%s is not a valid value for field '%s'", {FloatToStr(v), DisplayName()}, DataSet());
    SetData(&v);
}

void TFloatField::SetAsCurrencyValue(Currency v) { SetAsFloatValue(v.ToDouble()); }

String TCurrencyField::GetText(bool displayText) const {
    double v;
    if (!GetValue(v))
        return String();
    if (displayText)
        return Format("%.2f", {v});
    return FloatToStr(v);
}

// ---- TBCDField ----------------------------------------------------------------------------------

bool TBCDField::GetValue(Currency& value) const {
    int64_t raw = 0;
    bool ok = GetData(&raw);
    value = Currency::FromRaw(raw);
    return ok;
}

String TBCDField::GetAsString() const {
    Currency c;
    return GetValue(c) ? CurrToStr(c) : String();
}

int TBCDField::GetAsInteger() const {
    int64_t i = GetAsLargeInt();
    if (i < std::numeric_limits<int32_t>::min() || i > std::numeric_limits<int32_t>::max())
        DatabaseErrorFmt("Value %s of field '%s' does not fit into a 32-bit integer", {IntToStr(i), DisplayName()},
                         DataSet());
    return static_cast<int>(i);
}

int64_t TBCDField::GetAsLargeInt() const {
    Currency c;
    GetValue(c);
    int64_t raw = c.Raw();
    int64_t whole = raw / Currency::Scale, rest = raw % Currency::Scale;
    if (rest >= Currency::Scale / 2)
        ++whole;
    else if (rest <= -Currency::Scale / 2)
        --whole;
    return whole;
}

double TBCDField::GetAsFloat() const {
    Currency c;
    GetValue(c);
    return c.ToDouble();
}

Currency TBCDField::GetAsCurrency() const {
    Currency c;
    GetValue(c);
    return c;
}

Variant TBCDField::GetAsVariant() const {
    Currency c;
    return GetValue(c) ? Variant(c) : Variant::Null();
}

void TBCDField::SetAsStringValue(const String& v) {
    String t = Trim(v);
    if (t.empty())
        Clear();
    else
        SetAsCurrencyValue(StrToCurr(t));
}

void TBCDField::SetAsLargeIntValue(int64_t v) {
    const int64_t limit = std::numeric_limits<int64_t>::max() / Currency::Scale;
    if (v > limit || v < -limit)
        RangeError(IntToStr(v), IntToStr(-limit), IntToStr(limit));
    SetAsCurrencyValue(Currency::FromInt(v));
}

void TBCDField::SetAsFloatValue(double v) {
    Currency c;
    try {
        c = Currency::FromDouble(v);
    } catch (const EConvertError&) {
        DatabaseErrorFmt("%s is not a valid value for field '%s'", {FloatToStr(v), DisplayName()}, DataSet());
    }
    SetAsCurrencyValue(c);
}

void TBCDField::SetAsCurrencyValue(Currency v) {
    int64_t raw = v.Raw();
    SetData(&raw);
}

// ---- TBooleanField ------------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* owner) : TField(owner, ftBoolean, 0) { SetDisplayValues("True;False"); }

void TBooleanField::SetDisplayValues(const String& values) {
    auto p = values.find(';');
    String t = p == String::npos ? values : values.substr(0, p);
    String f = p == String::npos ? String() : values.substr(p + 1);
    if (t.empty() && f.empty())
        DatabaseErrorFmt("'%s' is not a valid pair of Boolean texts for field '%s'", {values, DisplayName()},
                         DataSet());
    FDisplayValues = values;
    FTrueText = t;
    FFalseText = f;
}

bool TBooleanField::GetAsBoolean() const {
    int16_t v = 0;
    GetData(&v);
    return v != 0;
}

String TBooleanField::GetAsString() const {
    int16_t v = 0;
    if (!GetData(&v))
        return String();
    return v != 0 ? FTrueText : FFalseText;
}

Variant TBooleanField::GetAsVariant() const {
    int16_t v = 0;
    if (!GetData(&v))
        return Variant::Null();
    return Variant(v != 0);
}

void TBooleanField::SetAsBooleanValue(bool v) {
    int16_t x = v ? 1 : 0;
    SetData(&x);
}

void TBooleanField::SetAsStringValue(const String& v) {
    String t = Trim(v);
    if (t.empty()) {
        Clear();
        return;
    }
    if (!FTrueText.empty() && SameText(t, FTrueText.substr(0, t.size())) && t.size() <= FTrueText.size())
        SetAsBooleanValue(true);
    else if (!FFalseText.empty() && SameText(t, FFalseText.substr(0, t.size())) && t.size() <= FFalseText.size())
        SetAsBooleanValue(false);
    else if (FFalseText.empty() && !SameText(t, FTrueText))
        SetAsBooleanValue(false);
    else
        DatabaseErrorFmt("'%s' is not a valid boolean value for field '%s'", {v, DisplayName()}, DataSet());
}

// ---- TDateTimeField -----------------------------------------------------------------------------

int TDateTimeField::DataSize() const { return DataType() == ftDateTime ? 8 : 4; }

bool TDateTimeField::GetParts(TDateTimeParts& parts) const {
    parts = {};
    if (FieldKind() != fkCalculated && FieldKind() != fkLookup && DataSet()) {
        const int held = DataSet()->GetFieldDateTimeParts(const_cast<TDateTimeField*>(this), parts);
        if (held >= 0)
            return held == 1;
        parts = {};
    }
    TDateTime v;
    if (!GetValue(v))
        return false;
    if (DataType() == ftDate) {
        DecodeDate(v, parts.Year, parts.Month, parts.Day);
        return true;
    }
    int y, m, d;
    DecodeDateTime(v, y, m, d, parts.Hour, parts.Minute, parts.Second, parts.MSec);
    if (DataType() != ftTime) {
        parts.Year = y;
        parts.Month = m;
        parts.Day = d;
    }
    return true;
}

bool TDateTimeField::GetValue(TDateTime& value) const {
    value = TDateTime();
    switch (DataType()) {
    case ftDate: {
        int32_t day = 0;
        if (!GetData(&day))
            return false;
        // A time stamp at midnight: the day count alone.
        value = TDateTime(static_cast<double>(day - DateDelta));
        return true;
    }
    case ftTime: {
        int32_t ms = 0;
        if (!GetData(&ms))
            return false;
        value = TDateTime(static_cast<double>(ms) / MSecsPerDay);
        return true;
    }
    default: {
        double ms = 0;
        if (!GetData(&ms))
            return false;
        value = TimeStampToDateTime(MSecsToTimeStamp(ms));
        return true;
    }
    }
}

TDateTime TDateTimeField::GetAsDateTime() const {
    TDateTime v;
    GetValue(v);
    return v;
}

String TDateTimeField::GetAsString() const {
    TDateTime v;
    if (!GetValue(v))
        return String();
    switch (DataType()) {
    case ftDate:
        return DateToStr(v);
    case ftTime:
        return TimeToStr(v);
    default:
        return DateTimeToStr(v);
    }
}

Variant TDateTimeField::GetAsVariant() const {
    TDateTime v;
    return GetValue(v) ? Variant(v) : Variant::Null();
}

void TDateTimeField::SetAsStringValue(const String& v) {
    String t = Trim(v);
    if (t.empty()) {
        Clear();
        return;
    }
    switch (DataType()) {
    case ftDate:
        SetAsDateTimeValue(StrToDate(t));
        break;
    case ftTime:
        SetAsDateTimeValue(StrToTime(t));
        break;
    default:
        SetAsDateTimeValue(StrToDateTime(t));
    }
}

void TDateTimeField::SetAsDateTimeValue(TDateTime v) {
    double d = v.Value();
    // The time stamp counts days from 0001-01-01; earlier values have no representation.
    if (std::isnan(d) || d < -693593.0 || d > 2958466.0)
        DatabaseErrorFmt("%s is not a valid date and time for field '%s'", {FloatToStr(d), DisplayName()},
                         DataSet());
    TTimeStamp ts = DateTimeToTimeStamp(v);
    switch (DataType()) {
    case ftDate: {
        int32_t day = ts.Date;
        SetData(&day);
        break;
    }
    case ftTime: {
        int32_t ms = ts.Time;
        SetData(&ms);
        break;
    }
    default: {
        double ms = TimeStampToMSecs(ts);
        SetData(&ms);
    }
    }
}

// ---- TBinaryField -------------------------------------------------------------------------------

int TBinaryField::DataSize() const { return DataType() == ftVarBytes ? Size() + 2 : Size(); }

bool TBinaryField::GetBytes(std::vector<uint8_t>& bytes) const {
    bytes.assign(static_cast<size_t>(DataSize()), 0);
    if (!GetData(bytes.data())) {
        bytes.clear();
        return false;
    }
    if (DataType() == ftVarBytes) {
        uint16_t len = 0;
        std::memcpy(&len, bytes.data(), 2);
        if (len > Size())
            len = static_cast<uint16_t>(Size());
        bytes.erase(bytes.begin(), bytes.begin() + 2);
        bytes.resize(len);
    }
    return true;
}

void TBinaryField::SetBytes(const std::vector<uint8_t>& bytes) {
    if (bytes.size() > static_cast<size_t>(Size()))
        DatabaseErrorFmt("Value of %d bytes is too long for field '%s' (at most %d)",
                         {static_cast<int64_t>(bytes.size()), DisplayName(), Size()}, DataSet());
    std::vector<uint8_t> buf(static_cast<size_t>(DataSize()), 0);
    if (DataType() == ftVarBytes) {
        uint16_t len = static_cast<uint16_t>(bytes.size());
        std::memcpy(buf.data(), &len, 2);
        std::memcpy(buf.data() + 2, bytes.data(), bytes.size());
    } else {
        std::memcpy(buf.data(), bytes.data(), bytes.size());
    }
    SetData(buf.data());
}

String TBinaryField::GetAsString() const {
    std::vector<uint8_t> b;
    GetBytes(b);
    return String(b.begin(), b.end());
}

Variant TBinaryField::GetAsVariant() const {
    std::vector<uint8_t> b;
    return GetBytes(b) ? Variant(TBytes(std::move(b))) : Variant::Null();
}

void TBinaryField::SetAsStringValue(const String& v) { SetBytes(std::vector<uint8_t>(v.begin(), v.end())); }

void TBinaryField::SetAsVariantValue(const Variant& v) {
    if (v.VarType() == varBytes)
        SetBytes(v.AsBytes());
    else
        TField::SetAsVariantValue(v);
}

// ---- TBlobField / TMemoField --------------------------------------------------------------------

namespace {
std::unique_ptr<TStream> OpenBlob(const TField* field, TBlobStreamMode mode) {
    TDataSet* ds = field->DataSet();
    if (!ds)
        DatabaseErrorFmt("Field '%s' has no dataset", {field->DisplayName()});
    auto stream = ds->CreateBlobStream(const_cast<TField*>(field), mode);
    if (!stream)
        DatabaseErrorFmt("Field '%s' has no blob stream", {field->DisplayName()}, ds);
    return stream;
}
} // namespace

int64_t TBlobField::BlobSize() const {
    if (IsNull())
        return 0;
    return OpenBlob(this, bmRead)->Size();
}

void TBlobField::SaveToStream(TStream& stream) const {
    auto blob = OpenBlob(this, bmRead);
    blob->SetPosition(0);
    int64_t size = blob->Size();
    if (size > 0)
        stream.CopyFrom(*blob, size);
}

void TBlobField::LoadFromStream(TStream& stream) {
    auto blob = OpenBlob(this, bmWrite);
    stream.SetPosition(0);
    int64_t size = stream.Size();
    if (size > 0)
        blob->CopyFrom(stream, size);
}

std::vector<uint8_t> TBlobField::AsBytes() const {
    std::vector<uint8_t> bytes;
    auto blob = OpenBlob(this, bmRead);
    blob->SetPosition(0);
    bytes.resize(static_cast<size_t>(blob->Size()));
    if (!bytes.empty())
        blob->ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

void TBlobField::SetAsBytes(const std::vector<uint8_t>& bytes) {
    auto blob = OpenBlob(this, bmWrite);
    if (!bytes.empty())
        blob->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

String TBlobField::GetAsString() const {
    auto b = AsBytes();
    return String(b.begin(), b.end());
}

Variant TBlobField::GetAsVariant() const {
    if (IsNull())
        return Variant::Null();
    return Variant(TBytes(AsBytes()));
}

String TBlobField::GetText(bool displayText) const {
    if (displayText)
        return IsNull() ? "(blob)" : "(BLOB)";
    return GetAsString();
}

void TBlobField::SetAsStringValue(const String& v) { SetAsBytes(std::vector<uint8_t>(v.begin(), v.end())); }

void TBlobField::SetAsVariantValue(const Variant& v) {
    if (v.IsClear())
        Clear();
    else if (v.VarType() == varBytes)
        SetAsBytes(v.AsBytes());
    else
        SetAsStringValue(v.AsString());
}

String TMemoField::GetAsString() const {
    String raw = TBlobField::GetAsString();
    if (!Translating())
        return raw;
    String text;
    DataSet()->Translate(raw, text, false);
    return text;
}

Variant TMemoField::GetAsVariant() const {
    if (IsNull())
        return Variant::Null();
    return Variant(GetAsString());
}

String TMemoField::GetText(bool displayText) const {
    if (displayText)
        return IsNull() ? "(memo)" : "(MEMO)";
    return GetAsString();
}

} // namespace vantrel

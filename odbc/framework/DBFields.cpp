// Field definitions, the field base and the typed fields.
#include <vantrel/framework/DB.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vantrel {

namespace {

const char* const kTypeNames[] = {
    "Unknown",    "String",   "SmallInt",  "Integer",   "Word",       "Boolean",  "Float",
    "Currency",   "BCD",      "Date",      "Time",      "DateTime",   "Bytes",    "VarBytes",
    "AutoInc",    "Blob",     "Memo",      "Graphic",   "FmtMemo",    "ParadoxOle", "DBaseOle",
    "TypedBinary", "Cursor",  "FixedChar", "WideString", "LargeInt",  "ADT",      "Array",
    "Reference",  "DataSet",  "OraBlob",   "OraClob",   "Variant",    "Interface", "IDispatch",
    "Guid"};

// Double to int64 with a range check; NaN and values beyond int64 are refused.
bool DoubleToInt64(double v, int64_t& out) {
    double r = std::round(v);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        return false;
    out = static_cast<int64_t>(r);
    return true;
}

} // namespace

String FieldTypeName(TFieldType type) {
    int i = static_cast<int>(type);
    if (i < 0 || i > static_cast<int>(ftGuid))
        return "Unknown";
    return kTypeNames[i];
}

bool IsBlobType(TFieldType type) {
    switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
        return true;
    default:
        return false;
    }
}

// ---- TFieldDef / TFieldDefs ---------------------------------------------------------------------

TFieldDef::TFieldDef(TFieldDefs* owner, const String& name, TFieldType dataType, int size, bool required,
                     int fieldNo)
    : FOwner(owner), FName(name), FDataType(dataType), FSize(size), FRequired(required), FFieldNo(fieldNo) {}

int TFieldDef::Index() const {
    if (!FOwner)
        return -1;
    for (int i = 0; i < FOwner->Count(); ++i)
        if (FOwner->Items(i) == this)
            return i;
    return -1;
}

TField* CreateFieldOfType(TFieldType type, TComponent* owner) {
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString: {
        auto* f = new TStringField(owner);
        f->SetDataType(type);
        return f;
    }
    case ftGuid:
        return new TGuidField(owner);
    case ftSmallint:
        return new TSmallintField(owner);
    case ftInteger:
        return new TIntegerField(owner);
    case ftWord:
        return new TWordField(owner);
    case ftAutoInc:
        return new TAutoIncField(owner);
    case ftLargeint:
        return new TLargeintField(owner);
    case ftBoolean:
        return new TBooleanField(owner);
    case ftFloat:
        return new TFloatField(owner);
    case ftCurrency:
        return new TCurrencyField(owner);
    case ftBCD:
        return new TBCDField(owner);
    case ftDate:
        return new TDateField(owner);
    case ftTime:
        return new TTimeField(owner);
    case ftDateTime:
        return new TDateTimeField(owner);
    case ftBytes:
        return new TBytesField(owner);
    case ftVarBytes:
        return new TVarBytesField(owner);
    case ftMemo:
        return new TMemoField(owner);
    case ftGraphic:
        return new TGraphicField(owner);
    case ftBlob:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob: {
        auto* f = new TBlobField(owner);
        f->SetDataType(type);
        return f;
    }
    default:
        DatabaseErrorFmt("No field class for field type %s", {FieldTypeName(type)});
    }
}

TField* TFieldDef::CreateField(TComponent* owner, TDataSet* dataSet) {
    TField* field = CreateFieldOfType(FDataType, owner);
    try {
        if (FDataType == ftString || FDataType == ftFixedChar || FDataType == ftWideString ||
            FDataType == ftBytes || FDataType == ftVarBytes || FDataType == ftBCD || IsBlobType(FDataType))
            field->SetSize(FSize);
        field->SetFieldName(FName);
        field->SetRequired(FRequired);
        field->SetReadOnly(FReadOnly);
        if (FInternalCalcField)
            field->SetFieldKind(fkInternalCalc);
        field->SetDataSet(dataSet);
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

TFieldDef* TFieldDefs::Add(const String& name, TFieldType dataType, int size, bool required) {
    return AddFieldDef(name, dataType, size, required, Count() + 1);
}

TFieldDef* TFieldDefs::AddFieldDef(const String& name, TFieldType dataType, int size, bool required,
                                   int fieldNo) {
    FItems.push_back(std::make_unique<TFieldDef>(this, name, dataType, size, required, fieldNo));
    return FItems.back().get();
}

void TFieldDefs::Clear() { FItems.clear(); }

TFieldDef* TFieldDefs::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    return FItems[static_cast<size_t>(index)].get();
}

int TFieldDefs::IndexOf(const String& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(FItems[static_cast<size_t>(i)]->Name(), name))
            return i;
    return -1;
}

TFieldDef* TFieldDefs::Find(const String& name) const {
    int i = IndexOf(name);
    if (i < 0)
        DatabaseErrorFmt("Field '%s' not found", {name}, FDataSet);
    return FItems[static_cast<size_t>(i)].get();
}

void TFieldDefs::Update() {
    if (FDataSet)
        FDataSet->InitFieldDefs();
}

// ---- TField -------------------------------------------------------------------------------------

TField::TField(TComponent* owner) : TField(owner, ftUnknown, 0) {}

TField::TField(TComponent* owner, TFieldType dataType, int size)
    : TComponent(owner), FDataType(dataType), FSize(size) {}

TField::~TField() {
    if (FLookupDataSet)
        RemoveFreeNotification(FLookupDataSet);
    if (FDataSet)
        FDataSet->Fields()->Remove(this);
}

void TField::CheckInactive() const {
    if (FDataSet && FDataSet->Active())
        DatabaseError("Cannot perform this operation on an open dataset", FDataSet);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == FDataSet)
        return;
    CheckInactive();
    if (dataSet && dataSet->Active())
        DatabaseError("Cannot perform this operation on an open dataset", dataSet);
    if (dataSet && !FFieldName.empty() && dataSet->FindField(FFieldName))
        DatabaseErrorFmt("Duplicate field name '%s'", {FFieldName}, dataSet);
    if (FDataSet)
        FDataSet->Fields()->Remove(this);
    if (dataSet)
        dataSet->Fields()->Add(this);
}

void TField::SetFieldName(const String& name) {
    if (SameText(name, FFieldName)) {
        FFieldName = name;
        return;
    }
    CheckInactive();
    if (FDataSet && FDataSet->FindField(name))
        DatabaseErrorFmt("Duplicate field name '%s'", {name}, FDataSet);
    FFieldName = name;
}

void TField::SetFieldKind(TFieldKind kind) {
    if (kind == FFieldKind)
        return;
    CheckInactive();
    FFieldKind = kind;
}

void TField::SetSize(int size) {
    if (size == FSize)
        return;
    CheckInactive();
    if (size < 0)
        DatabaseErrorFmt("Invalid field size %d for field '%s'", {size, DisplayName()}, FDataSet);
    FSize = size;
}

int TField::Index() const { return FDataSet ? FDataSet->Fields()->IndexOf(this) : -1; }

int TField::DisplayWidth() const {
    if (FDisplayWidth > 0)
        return FDisplayWidth;
    switch (FDataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
        return FSize > 0 ? FSize : 10;
    default:
        return 10;
    }
}

bool TField::CanModify() const {
    if (FReadOnly || !FDataSet)
        return false;
    if (FFieldKind == fkCalculated || FFieldKind == fkLookup)
        return false;
    return FDataSet->CanModify();
}

void TField::SetLookupDataSet(TDataSet* dataSet) {
    if (dataSet == FLookupDataSet)
        return;
    CheckInactive();
    if (FLookupDataSet)
        RemoveFreeNotification(FLookupDataSet);
    FLookupDataSet = dataSet;
    if (dataSet)
        FreeNotification(dataSet);
}

void TField::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FLookupDataSet)
        FLookupDataSet = nullptr;
}

void TField::NoDataSetError() const { DatabaseErrorFmt("Field '%s' has no dataset", {DisplayName()}); }

bool TField::ValidatingData(void* buffer) const {
    // OnValidate reads the value about to be written.
    if (!FValueBuffer)
        return false;
    if (buffer)
        std::memcpy(buffer, FValueBuffer, static_cast<size_t>(DataSize()));
    return true;
}

void TField::SetData(const void* buffer) {
    if (!FDataSet)
        DatabaseErrorFmt("Field '%s' has no dataset", {DisplayName()});
    FDataSet->WriteFieldValue(this, buffer);
}

void TField::Validate(const void* buffer) {
    if (!OnValidate)
        return;
    FValueBuffer = buffer;
    FValidating = true;
    try {
        OnValidate(this);
    } catch (...) {
        FValidating = false;
        FValueBuffer = nullptr;
        throw;
    }
    FValidating = false;
    FValueBuffer = nullptr;
}

void TField::Change() {
    if (OnChange)
        OnChange(this);
}

void TField::FocusControl() {
    if (FDataSet && FDataSet->Active()) {
        TField* self = this;
        FDataSet->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&self));
    }
}

void TField::AccessError(const char* typeName) const {
    DatabaseErrorFmt("Cannot access field '%s' as type %s", {DisplayName(), typeName}, FDataSet);
}

void TField::RangeError(const String& value, const String& min, const String& max) const {
    DatabaseErrorFmt("%s is not a valid value for field '%s'. The allowed range is %s to %s",
                     {value, DisplayName(), min, max}, FDataSet);
}

String TField::GetAsString() const { AccessError("String"); }
std::string_view TField::GetAsStringView() const {
    FViewText = GetAsString();
    return FViewText;
}
bool TField::Translating() const { return FTransliterate && FDataSet && FDataSet->Translates(); }
int TField::GetAsInteger() const { AccessError("Integer"); }
int64_t TField::GetAsLargeInt() const { return GetAsInteger(); }
double TField::GetAsFloat() const { AccessError("Float"); }
Currency TField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetAsStringValue(const String&) { AccessError("String"); }
void TField::SetAsLargeIntValue(int64_t) { AccessError("Integer"); }
void TField::SetAsFloatValue(double) { AccessError("Float"); }
void TField::SetAsCurrencyValue(Currency v) { SetAsFloatValue(v.ToDouble()); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError("DateTime"); }
void TField::SetAsBooleanValue(bool) { AccessError("Boolean"); }

void TField::SetAsVariantValue(const Variant& v) {
    switch (v.VarType()) {
    case varEmpty:
    case varNull:
        Clear();
        break;
    case varBoolean:
        SetAsBooleanValue(v.AsBoolean());
        break;
    case varSmallint:
    case varInteger:
    case varInt64:
        SetAsLargeIntValue(v.AsInt64());
        break;
    case varDouble:
        SetAsFloatValue(v.AsFloat());
        break;
    case varCurrency:
        SetAsCurrencyValue(v.AsCurrency());
        break;
    case varDate:
        SetAsDateTimeValue(v.AsDateTime());
        break;
    case varString:
        SetAsStringValue(v.AsString());
        break;
    default:
        AccessError(Variant::TypeName(v.VarType()).c_str());
    }
}

String TField::GetText(bool displayText) const {
    (void)displayText;
    return GetAsString();
}

Variant TField::OldValue() const {
    if (!FDataSet)
        DatabaseErrorFmt("Field '%s' has no dataset", {DisplayName()});
    return FDataSet->GetStateFieldValue(dsOldValue, const_cast<TField*>(this));
}

Variant TField::NewValue() const {
    if (!FDataSet)
        DatabaseErrorFmt("Field '%s' has no dataset", {DisplayName()});
    return FDataSet->GetStateFieldValue(dsNewValue, const_cast<TField*>(this));
}

String TField::Text() const {
    if (OnGetText) {
        String text;
        OnGetText(const_cast<TField*>(this), text, false);
        return text;
    }
    return GetText(false);
}

String TField::DisplayText() const {
    if (OnGetText) {
        String text;
        OnGetText(const_cast<TField*>(this), text, true);
        return text;
    }
    return GetText(true);
}

void TField::SetText(const String& text) {
    if (OnSetText)
        OnSetText(this, text);
    else
        SetTextValue(text);
}

// ---- TStringField -------------------------------------------------------------------------------

bool TStringField::GetValue(String& value) const {
    // Short texts use the stack; the buffer is the native zero-terminated form.
    char small[256];
    std::vector<char> large;
    char* buf = small;
    size_t n = static_cast<size_t>(DataSize());
    if (n > sizeof(small)) {
        large.resize(n);
        buf = large.data();
    }
    std::memset(buf, 0, n);
    if (!GetData(buf)) {
        value.clear();
        return false;
    }
    const size_t length = strnlen(buf, n);
    if (Translating())
        DataSet()->Translate(std::string_view(buf, length), value, false);
    else
        value.assign(buf, length);
    return true;
}

String TStringField::GetAsString() const {
    String s;
    GetValue(s);
    return s;
}

std::string_view TStringField::GetAsStringView() const {
    // The field's own buffer, sized once: a fetch loop reads every row without an allocation.
    const size_t n = static_cast<size_t>(DataSize());
    String& buf = ViewBuffer();
    if (buf.size() < n)
        buf.resize(n);
    // The native form ends in a zero byte; the last byte bounds a value that would not.
    buf[0] = 0;
    buf[n - 1] = 0;
    if (!GetData(buf.data()))
        return {};
    const std::string_view raw(buf.data(), strnlen(buf.data(), n));
    if (!Translating())
        return raw;
    String text;
    DataSet()->Translate(raw, text, false);
    buf = std::move(text);
    return buf;
}

int TStringField::GetAsInteger() const {
    String s;
    return GetValue(s) ? StrToInt(s) : 0;
}
int64_t TStringField::GetAsLargeInt() const {
    String s;
    return GetValue(s) ? StrToInt64(s) : 0;
}
double TStringField::GetAsFloat() const {
    String s;
    return GetValue(s) ? StrToFloat(s) : 0.0;
}
Currency TStringField::GetAsCurrency() const {
    String s;
    return GetValue(s) ? StrToCurr(s) : Currency();
}
TDateTime TStringField::GetAsDateTime() const {
    String s;
    return GetValue(s) ? StrToDateTime(s) : TDateTime();
}
bool TStringField::GetAsBoolean() const {
    String s;
    return GetValue(s) ? StrToBool(s) : false;
}
Variant TStringField::GetAsVariant() const {
    String s;
    return GetValue(s) ? Variant(std::move(s)) : Variant::Null();
}

void TStringField::SetAsStringValue(const String& v) {
    if (v.size() > static_cast<size_t>(Size()))
        DatabaseErrorFmt("Value of %d characters is too long for field '%s' (at most %d)",
                         {static_cast<int64_t>(v.size()), DisplayName(), Size()}, DataSet());
    char small[256];
    std::vector<char> large;
    char* buf = small;
    size_t n = static_cast<size_t>(DataSize());
    if (n > sizeof(small)) {
        large.resize(n);
        buf = large.data();
    }
    std::memset(buf, 0, n);
    std::memcpy(buf, v.data(), v.size());
    SetData(buf);
}

void TStringField::SetAsCurrencyValue(Currency v) { SetAsStringValue(CurrToStr(v)); }

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

// ---- TFields ------------------------------------------------------------------------------------

TField* TFields::Fields(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    return FList[static_cast<size_t>(index)];
}

TField* TFields::FindField(const String& name) const {
    for (TField* f : FList)
        if (SameText(f->FieldName(), name))
            return f;
    return nullptr;
}

TField* TFields::FieldByName(const String& name) const {
    TField* f = FindField(name);
    if (!f)
        DatabaseErrorFmt("Field '%s' not found", {name}, FDataSet);
    return f;
}

TField* TFields::FieldByNumber(int fieldNo) const {
    for (TField* f : FList)
        if (f->FieldNo() == fieldNo)
            return f;
    return nullptr;
}

int TFields::IndexOf(const TField* field) const {
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i] == field)
            return static_cast<int>(i);
    return -1;
}

std::vector<String> TFields::GetFieldNames() const {
    std::vector<String> names;
    names.reserve(FList.size());
    for (TField* f : FList)
        names.push_back(f->FieldName());
    return names;
}

void TFields::Add(TField* field) {
    FList.push_back(field);
    field->FDataSet = FDataSet;
}

void TFields::Remove(TField* field) {
    for (auto it = FList.begin(); it != FList.end(); ++it)
        if (*it == field) {
            FList.erase(it);
            field->FDataSet = nullptr;
            return;
        }
}

} // namespace vantrel

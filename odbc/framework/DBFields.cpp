// Field definitions, the field base, string fields and the field list. The other typed fields are in
// DBTypedFields.cpp.
#include <vantrel/framework/DB.h>

#include <cstring>

namespace vantrel {

namespace {

const char* const kTypeNames[] = {
    "Unknown",    "String",   "SmallInt",  "Integer",   "Word",       "Boolean",  "Float",
    "Currency",   "BCD",      "Date",      "Time",      "DateTime",   "Bytes",    "VarBytes",
    "AutoInc",    "Blob",     "Memo",      "Graphic",   "FmtMemo",    "ParadoxOle", "DBaseOle",
    "TypedBinary", "Cursor",  "FixedChar", "WideString", "LargeInt",  "ADT",      "Array",
    "Reference",  "DataSet",  "OraBlob",   "OraClob",   "Variant",    "Interface", "IDispatch",
    "Guid"};

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

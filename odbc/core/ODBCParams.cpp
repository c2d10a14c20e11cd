#include <vantrel/core/ODBCParams.h>

#include <vantrel/core/ODBCApi.h>
#include <vantrel/framework/Streaming.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vantrel {

static_assert(std::is_same_v<TODBCLength, SQLLEN>, "value items hand their lengths to the driver as SQLLEN");

const ResourceString SODBCParamDataCorrupt{65509, "SODBCParamDataCorrupt", "ODBC Parameter %s stored data is damaged"};

namespace {

// Largest value length an ODBC length (and the data-at-execution marker) can describe on every
// driver: some keep lengths in 32 bits.
constexpr TODBCLength kMaxValueLength = std::numeric_limits<int32_t>::max() - 200;
/// Stored-form version of a list with a 64-bit parameter (the layout of version 1).
constexpr uint32_t kLargeintVersion = 3;

// Day numbers of 0001-01-01 and 9999-12-31 in the time stamp count.
constexpr int kFirstDay = 1;
constexpr int kLastDay = 3652059;

TComponent* componentOf(TPersistent* owner) { return dynamic_cast<TComponent*>(owner); }

[[noreturn]] void raiseNotSupported() { throw EODBCDatabaseError("Parameter type not supported"); }

[[noreturn]] void raiseCorrupt(const String& what) {
    DatabaseErrorFmt(LoadResString(SODBCParamDataCorrupt), {what});
}

bool isTextType(TFieldType t) { return t == ftString || t == ftMemo; }

void putU16(TBytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void putI32(uint8_t* p, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t getI32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

int16_t getI16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

// Splits "A;B;C" the way field lists are split: trimmed, empty entries skipped.
std::vector<String> splitNames(const String& names) {
    std::vector<String> out;
    size_t pos = 0;
    while (pos <= names.size()) {
        size_t end = names.find(';', pos);
        if (end == String::npos) end = names.size();
        String name = Trim(std::string_view(names).substr(pos, end - pos));
        if (!name.empty()) out.push_back(name);
        pos = end + 1;
    }
    return out;
}

String valueText(const Variant& v) { return v.IsClear() ? String() : v.AsString(); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// 80-bit extended floats

void DoubleToExtended(double value, uint8_t out[10]) noexcept {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const unsigned sign = static_cast<unsigned>(bits >> 63);
    const int exp11 = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t frac = bits & ((uint64_t{1} << 52) - 1);
    uint64_t mant = 0;
    unsigned exp15 = 0;
    if (exp11 == 0x7FF) {
        exp15 = 0x7FFF;
        mant = (uint64_t{1} << 63) | (frac << 11);
    } else if (exp11 == 0) {
        if (frac != 0) {  // subnormal double: normal in the wider exponent range
            int high = 63 - __builtin_clzll(frac);
            mant = frac << (63 - high);
            exp15 = static_cast<unsigned>(high - 1074 + 16383);
        }
    } else {
        mant = (uint64_t{1} << 63) | (frac << 11);
        exp15 = static_cast<unsigned>(exp11 - 1023 + 16383);
    }
    for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mant >> (8 * i));
    const unsigned top = exp15 | (sign << 15);
    out[8] = static_cast<uint8_t>(top);
    out[9] = static_cast<uint8_t>(top >> 8);
}

double ExtendedToDouble(const uint8_t in[10]) noexcept {
    uint64_t mant = 0;
    for (int i = 0; i < 8; ++i) mant |= static_cast<uint64_t>(in[i]) << (8 * i);
    const unsigned top = static_cast<unsigned>(in[8] | (in[9] << 8));
    const bool negative = (top & 0x8000) != 0;
    const int exp15 = static_cast<int>(top & 0x7FFF);
    double result;
    if (exp15 == 0x7FFF) {
        result = (mant << 1) != 0 ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    } else if (mant == 0) {
        result = 0.0;
    } else {
        // Denormal extended values have the exponent of 1.
        result = std::ldexp(static_cast<double>(mant), (exp15 == 0 ? 1 : exp15) - 16383 - 63);
    }
    return negative ? -result : result;
}

// ---------------------------------------------------------------------------------------------
// Value items

TFieldValueItem::TFieldValueItem(size_t bufferSize) {
    AllocData(bufferSize);
    Length = static_cast<TODBCLength>(bufferSize);
}

TFieldValueItem::~TFieldValueItem() = default;

char* TFieldValueItem::AllocData(size_t bytes) {
    data_ = std::make_unique<char[]>(std::max<size_t>(bytes, 1));  // value-initialised: zeros
    dataSize_ = bytes;
    return data_.get();
}

char* TFieldValueItem::AssignData(const void* bytes, size_t count, size_t extraZeros) {
    char* p = AllocData(count + extraZeros);
    if (count) std::memcpy(p, bytes, count);
    return p;
}

TODBCLength* TFieldValueItem::AllocIndicators(size_t rows) {
    indicators_ = std::make_unique<TODBCLength[]>(std::max<size_t>(rows, 1));
    indicatorCount_ = rows;
    return indicators_.get();
}

TParamValueItem* TParamValueList::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    return items_[static_cast<size_t>(index)].get();
}

TParamValueItem* TParamValueList::Add() {
    items_.push_back(std::make_unique<TParamValueItem>());
    return items_.back().get();
}

// ---------------------------------------------------------------------------------------------
// TODBCParam

TODBCParam::TODBCParam(TODBCParams* owner) {
    if (owner) owner->AddParam(this);
}

TODBCParam::~TODBCParam() {
    if (owner_) owner_->detach(this);
}

TPersistent* TODBCParam::GetOwner() { return owner_; }

void TODBCParam::raiseUndefinedType() const {
    DatabaseErrorFmt(LoadResString(SODBCFieldUndefinedType), {name_});
}

void TODBCParam::raiseUnsupportedType() const {
    DatabaseErrorFmt(LoadResString(SODBCFieldUnsupportedType), {name_});
}

void TODBCParam::SetDataType(TFieldType type) {
    dataType_ = type;
    value_ = Variant(0);
}

void TODBCParam::Clear() {
    null_ = true;
    value_ = Variant(0);
    text_.clear();
}

void TODBCParam::InitValue() {
    bound_ = true;
    null_ = false;
}

void TODBCParam::setValue(TFieldType type, Variant value) {
    InitValue();
    dataType_ = type;
    value_ = std::move(value);
}

void TODBCParam::SetAsBoolean(bool value) { setValue(ftBoolean, Variant(value)); }
void TODBCParam::SetAsFloat(double value) { setValue(ftFloat, Variant(value)); }
void TODBCParam::SetAsCurrency(double value) { setValue(ftCurrency, Variant(value)); }
void TODBCParam::SetAsBCD(Currency value) { setValue(ftBCD, Variant(value)); }
void TODBCParam::SetAsInteger(int32_t value) { setValue(ftInteger, Variant(static_cast<int>(value))); }
void TODBCParam::SetAsLargeInt(int64_t value) { setValue(ftLargeint, Variant(static_cast<long long>(value))); }
void TODBCParam::SetAsWord(uint16_t value) { setValue(ftWord, Variant(static_cast<int>(value))); }
void TODBCParam::SetAsSmallInt(int16_t value) { setValue(ftSmallint, Variant(value)); }
void TODBCParam::SetAsMemo(const String& value) { setValue(ftMemo, Variant(value)); }
void TODBCParam::SetAsDate(TDateTime value) { setValue(ftDate, Variant(value)); }
void TODBCParam::SetAsTime(TDateTime value) { setValue(ftTime, Variant(value)); }
void TODBCParam::SetAsDateTime(TDateTime value) { setValue(ftDateTime, Variant(value)); }

void TODBCParam::SetAsString(const String& value) {
    setValue(isTextType(dataType_) ? dataType_ : ftString, Variant(value));
}

void TODBCParam::SetBlobData(const void* buffer, size_t length) {
    setValue(ftBlob, Variant(String(static_cast<const char*>(buffer), length)));
}

void TODBCParam::LoadFromStream(TStream& stream, TFieldType type) {
    stream.SetPosition(0);
    int64_t size = stream.Size();
    String data(static_cast<size_t>(size), '\0');
    if (size) stream.ReadBuffer(data.data(), size);
    setValue(type, Variant(std::move(data)));
}

void TODBCParam::LoadFromFile(const String& path, TFieldType type) {
    TFileStream file(path, fmOpenRead);
    LoadFromStream(file, type);
}

void TODBCParam::SetAsVariant(const Variant& value) {
    // A null (or empty) variant makes the parameter SQL NULL; its type is kept for the binding.
    if (value.IsClear()) {
        bound_ = true;
        Clear();
        return;
    }
    TFieldType type;
    switch (value.VarType()) {
    case varDate: type = ftDateTime; break;
    case varSmallint: type = ftSmallint; break;
    case varInteger: type = ftInteger; break;
    case varInt64: {
        int64_t v = value.AsInt64();
        // Wider values keep all their digits as a 64-bit parameter (bound as text).
        if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()) {
            setValue(ftInteger, Variant(static_cast<int>(v)));
            return;
        }
        type = ftLargeint;
        break;
    }
    case varDouble: type = ftFloat; break;
    case varCurrency: type = ftBCD; break;
    case varString: type = ftString; break;
    case varBoolean: type = ftBoolean; break;
    default: type = ftUnknown; break;
    }
    setValue(type, value);
}

void TODBCParam::SetText(const String& text) {
    InitValue();
    if (dataType_ == ftUnknown) dataType_ = ftString;
    switch (dataType_) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: value_ = Variant(StrToInt(text)); break;
    case ftLargeint: value_ = Variant(static_cast<long long>(StrToInt64(text))); break;
    case ftBoolean: value_ = Variant(StrToBool(text)); break;
    case ftFloat:
    case ftCurrency: value_ = Variant(StrToFloat(text)); break;
    case ftBCD: value_ = Variant(StrToCurr(text)); break;
    case ftDate:
    case ftTime:
    case ftDateTime: value_ = Variant(StrToDateTime(text)); break;
    default: value_ = Variant(text); break;
    }
}

bool TODBCParam::GetAsBoolean() const { return value_.AsBoolean(); }
double TODBCParam::GetAsFloat() const { return value_.AsFloat(); }
Currency TODBCParam::GetAsBCD() const { return value_.AsCurrency(); }
int32_t TODBCParam::GetAsInteger() const { return value_.AsInteger(); }
int64_t TODBCParam::GetAsLargeInt() const { return null_ ? 0 : value_.AsInt64(); }
String TODBCParam::GetAsMemo() const { return valueText(value_); }

String TODBCParam::GetAsString() const {
    if (null_) return {};
    switch (dataType_) {
    case ftBoolean: return LoadResString(value_.AsBoolean() ? SODBCTextTrue : SODBCTextFalse);
    case ftDate: return DateToStr(value_.AsDateTime());
    case ftTime: return TimeToStr(value_.AsDateTime());
    case ftDateTime: return DateTimeToStr(value_.AsDateTime());
    default: return valueText(value_);
    }
}

TDateTime TODBCParam::GetAsDateTime() const { return null_ ? TDateTime(0) : value_.AsDateTime(); }

Variant TODBCParam::GetAsVariant() const { return null_ ? Variant::Null() : value_; }

void TODBCParam::Assign(TPersistent* source) {
    if (auto* p = dynamic_cast<TODBCParam*>(source)) {
        AssignParam(p);
    } else if (auto* f = dynamic_cast<TField*>(source)) {
        AssignField(f);
    } else {
        TPersistent::Assign(source);
    }
}

void TODBCParam::AssignTo(TPersistent* dest) {
    if (auto* f = dynamic_cast<TField*>(dest)) {
        if (null_)
            f->Clear();
        else
            f->SetValue(value_);
    } else {
        TPersistent::AssignTo(dest);
    }
}

void TODBCParam::AssignParam(const TODBCParam* param) {
    if (!param || param == this) return;
    dataType_ = param->dataType_;
    if (!param->null_) {
        InitValue();
        value_ = param->value_;
    } else {
        Clear();
    }
    bound_ = param->bound_;
    name_ = param->name_;
}

void TODBCParam::AssignFieldValue(TField* field, const Variant& value) {
    if (!field) return;
    TFieldType type = field->DataType();
    if (type == ftMemo && field->Size() > 255) type = ftString;
    dataType_ = type;
    if (!value.IsClear()) {
        InitValue();
        value_ = value;
    } else {
        Clear();
    }
    bound_ = true;
}

void TODBCParam::AssignField(TField* field) {
    if (!field) return;
    AssignFieldValue(field, field->IsNull() ? Variant::Null() : field->Value());
    name_ = field->FieldName();
}

bool TODBCParam::IsEqual(const TODBCParam* param) const {
    return param && value_.VarType() == param->value_.VarType() && value_ == param->value_ &&
           name_ == param->name_ && dataType_ == param->dataType_ && null_ == param->null_ &&
           bound_ == param->bound_;
}

TBytes TODBCParam::GetDataBytes() const {
    TBytes out;
    auto text = [&](const String& s) {
        out.assign(s.begin(), s.end());
        out.push_back(0);
    };
    auto int16 = [&](int64_t v, int64_t lo, int64_t hi) {
        if (v < lo || v > hi)
            DatabaseErrorFmt("ODBC Parameter %s value %d is out of range", {name_, v});
        out = {static_cast<uint8_t>(v), static_cast<uint8_t>(static_cast<uint64_t>(v) >> 8)};
    };
    auto extended = [&](double v) {
        out.resize(10);
        DoubleToExtended(v, out.data());
    };
    switch (dataType_) {
    case ftString:
    case ftMemo: text(valueText(value_)); break;
    case ftSmallint: int16(value_.AsInt64(), INT16_MIN, INT16_MAX); break;
    case ftWord: int16(value_.AsInt64(), 0, UINT16_MAX); break;
    case ftInteger:
    case ftAutoInc:
        out.resize(4);
        putI32(out.data(), value_.AsInteger());
        break;
    case ftLargeint: {
        const uint64_t v = static_cast<uint64_t>(value_.AsInt64());
        out.resize(8);
        for (int i = 0; i < 8; ++i) out[static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
        break;
    }
    case ftBoolean: int16(value_.AsBoolean() ? 1 : 0, 0, 1); break;
    case ftFloat:
    case ftCurrency: extended(value_.AsFloat()); break;
    case ftBCD: text(value_.AsCurrency().ToString()); break;
    case ftDate:
        out.resize(4);
        putI32(out.data(), DateTimeToTimeStamp(value_.AsDateTime()).Date);
        break;
    case ftTime:
        out.resize(4);
        putI32(out.data(), DateTimeToTimeStamp(value_.AsDateTime()).Time);
        break;
    case ftDateTime: extended(TimeStampToMSecs(DateTimeToTimeStamp(value_.AsDateTime()))); break;
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle: {
        String s = valueText(value_);
        out.assign(s.begin(), s.end());
        break;
    }
    case ftCursor: break;
    case ftUnknown: raiseUndefinedType();
    default: raiseUnsupportedType();
    }
    return out;
}

int TODBCParam::GetDataSize() const {
    size_t n = GetDataBytes().size();
    if (n > static_cast<size_t>(std::numeric_limits<int>::max()))
        DatabaseErrorFmt(LoadResString(SODBCParamTooBig), {name_});
    return static_cast<int>(n);
}

void TODBCParam::GetData(void* buffer) const {
    TBytes bytes = GetDataBytes();
    if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
}

void TODBCParam::SetData(const void* buffer, size_t size) {
    const auto* p = static_cast<const uint8_t*>(buffer);
    auto need = [&](size_t n) {
        if (size != n) raiseCorrupt(name_);
    };
    auto text = [&]() -> String {
        const void* zero = size ? std::memchr(p, 0, size) : nullptr;
        if (!zero) raiseCorrupt(name_);
        return String(reinterpret_cast<const char*>(p), static_cast<const uint8_t*>(zero) - p);
    };
    auto finite = [&](double v) {
        if (!std::isfinite(v)) raiseCorrupt(name_);
        return v;
    };
    const TFieldType type = dataType_;
    switch (type) {
    case ftString:
    case ftMemo: setValue(type, Variant(text())); break;
    case ftSmallint: need(2); SetAsSmallInt(getI16(p)); break;
    case ftWord: need(2); SetAsWord(static_cast<uint16_t>(getI16(p))); break;
    case ftInteger: need(4); SetAsInteger(getI32(p)); break;
    case ftAutoInc: need(4); setValue(ftAutoInc, Variant(static_cast<int>(getI32(p)))); break;
    case ftLargeint: {
        need(8);
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
        SetAsLargeInt(static_cast<int64_t>(v));
        break;
    }
    case ftBoolean: need(2); SetAsBoolean(getI16(p) != 0); break;
    case ftFloat: need(10); SetAsFloat(finite(ExtendedToDouble(p))); break;
    case ftCurrency: need(10); SetAsCurrency(finite(ExtendedToDouble(p))); break;
    case ftBCD: {
        Currency c;
        if (!TryStrToCurr(text(), c)) raiseCorrupt(name_);
        SetAsBCD(c);
        break;
    }
    case ftDate: {
        need(4);
        int day = getI32(p);
        if (day < kFirstDay || day > kLastDay) raiseCorrupt(name_);
        SetAsDate(TimeStampToDateTime(TTimeStamp{0, day}));
        break;
    }
    case ftTime: {
        need(4);
        int ms = getI32(p);
        if (ms < 0 || ms >= MSecsPerDay) raiseCorrupt(name_);
        SetAsTime(TimeStampToDateTime(TTimeStamp{ms, DateDelta}));
        break;
    }
    case ftDateTime: {
        need(10);
        double ms = finite(ExtendedToDouble(p));
        if (ms < double(kFirstDay) * MSecsPerDay || ms >= double(kLastDay + 1) * MSecsPerDay) raiseCorrupt(name_);
        SetAsDateTime(TimeStampToDateTime(MSecsToTimeStamp(ms)));
        break;
    }
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle: setValue(type, Variant(String(reinterpret_cast<const char*>(p), size))); break;
    case ftCursor: need(0); InitValue(); break;
    case ftUnknown: raiseUndefinedType();
    default: raiseUnsupportedType();
    }
}

// ---------------------------------------------------------------------------------------------
// TODBCParams

TODBCParams::TODBCParams(TPersistent* owner) : owner_(owner) {}

TODBCParams::~TODBCParams() { Clear(); }

TODBCParam* TODBCParams::CreateParam(TFieldType type, const String& name) {
    auto* p = new TODBCParam(this);
    p->name_ = name;
    p->dataType_ = type;
    return p;
}

void TODBCParams::Clear() {
    while (!items_.empty()) {
        TODBCParam* p = items_.back();
        items_.pop_back();
        p->owner_ = nullptr;
        p->Free();
    }
}

void TODBCParams::detach(TODBCParam* param) noexcept {
    auto it = std::find(items_.begin(), items_.end(), param);
    if (it != items_.end()) items_.erase(it);
    param->owner_ = nullptr;
}

void TODBCParams::AddParam(TODBCParam* param) {
    if (!param || param->owner_ == this) return;
    if (param->owner_) param->owner_->detach(param);
    items_.push_back(param);
    param->owner_ = this;
}

void TODBCParams::RemoveParam(TODBCParam* param) {
    if (param && param->owner_ == this) detach(param);
}

TODBCParam* TODBCParams::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    return items_[static_cast<size_t>(index)];
}

TODBCParam* TODBCParams::GetParam(int index) const {
    const String& name = Items(index)->name_;
    for (TODBCParam* p : items_)
        if (SameText(p->name_, name)) return p;
    return items_[static_cast<size_t>(index)];
}

TODBCParam* TODBCParams::FindParam(const String& name) const {
    for (TODBCParam* p : items_)
        if (SameText(p->name_, name)) return p;
    return nullptr;
}

TODBCParam* TODBCParams::ParamByName(const String& name) const {
    TODBCParam* p = FindParam(name);
    if (!p) DatabaseErrorFmt(LoadResString(SODBCParameterNotFound), {name}, componentOf(owner_));
    return p;
}

void TODBCParams::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TODBCParams*>(source)) {
        if (src == this) return;
        Clear();
        for (int i = 0; i < src->Count(); ++i) CreateParam(ftUnknown, String())->Assign(src->GetParam(i));
    } else {
        TPersistent::Assign(source);
    }
}

void TODBCParams::AssignTo(TPersistent* dest) {
    if (auto* d = dynamic_cast<TODBCParams*>(dest))
        d->Assign(this);
    else
        TPersistent::AssignTo(dest);
}

void TODBCParams::AssignValues(const TODBCParams* source) {
    if (!source || source == this) return;
    for (TODBCParam* own : items_) {
        for (TODBCParam* q : source->items_) {
            if (q->name_ == own->name_) {
                own->AssignParam(q);
                break;
            }
        }
    }
}

bool TODBCParams::IsEqual(const TODBCParams* other) const {
    if (!other || other->Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (!GetParam(i)->IsEqual(other->GetParam(i))) return false;
    return true;
}

Variant TODBCParams::GetParamValue(const String& names) const {
    if (names.find(';') == String::npos) return ParamByName(names)->GetAsVariant();
    std::vector<Variant> values;
    for (const String& name : splitNames(names)) values.push_back(ParamByName(name)->GetAsVariant());
    return VarArrayOf(std::move(values));
}

void TODBCParams::SetParamValue(const String& names, const Variant& value) {
    if (names.find(';') == String::npos) {
        ParamByName(names)->SetAsVariant(value);
        return;
    }
    std::vector<String> list = splitNames(names);
    for (size_t i = 0; i < list.size(); ++i) ParamByName(list[i])->SetAsVariant(value[i]);
}

void TODBCParams::GetParamList(std::vector<TODBCParam*>& list, const String& names) const {
    for (const String& name : splitNames(names)) list.push_back(ParamByName(name));
}

void TODBCParams::DefineProperties(TFiler* filer) {
    bool hasData;
    if (auto* ancestor = dynamic_cast<TODBCParams*>(filer->Ancestor()))
        hasData = !IsEqual(ancestor);
    else
        hasData = Count() > 0;
    filer->DefineBinaryProperty(
        "Data", [this](TStream& s) { ReadBinaryData(s); }, [this](TStream& s) { WriteBinaryData(s); }, hasData);
}

void TODBCParams::WriteBinaryData(TStream& stream) {
    if (Count() > UINT16_MAX)
        DatabaseErrorFmt(LoadResString(SODBCParamTooBig), {String("Data")}, componentOf(owner_));
    // Built whole first so a refused parameter leaves nothing half written. A 64-bit value
    // raises the version so readers without that type refuse the whole list by its version
    // instead of meeting a type they cannot read; every other list stays readable by them.
    bool wideInteger = false;
    for (int i = 0; i < Count(); ++i) wideInteger = wideInteger || GetParam(i)->dataType_ == ftLargeint;
    TBytes out;
    putU16(out, static_cast<uint16_t>(wideInteger ? kLargeintVersion : GetVersion()));
    putU16(out, static_cast<uint16_t>(Count()));
    for (int i = 0; i < Count(); ++i) {
        const TODBCParam* p = GetParam(i);
        if (p->name_.size() > 255)
            DatabaseErrorFmt(LoadResString(SODBCParamTooBig), {p->name_.substr(0, 255)}, componentOf(owner_));
        out.push_back(static_cast<uint8_t>(p->name_.size()));
        out.insert(out.end(), p->name_.begin(), p->name_.end());
        out.push_back(static_cast<uint8_t>(p->dataType_));
        if (p->dataType_ != ftUnknown) {
            TBytes data = p->GetDataBytes();
            if (data.size() > static_cast<size_t>(ODBCMaxStoredParamSize))
                DatabaseErrorFmt(LoadResString(SODBCParamTooBig), {p->name_, ODBCMaxStoredParamSize},
                                 componentOf(owner_));
            putU16(out, static_cast<uint16_t>(data.size()));
            out.insert(out.end(), data.begin(), data.end());
        }
        out.push_back(p->null_ ? 1 : 0);
        out.push_back(p->bound_ ? 1 : 0);
    }
    stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void TODBCParams::ReadBinaryData(TStream& stream) {
    Clear();
    int64_t left = stream.Size() - stream.Position();
    TBytes in(static_cast<size_t>(std::max<int64_t>(left, 0)));
    if (!in.empty()) stream.ReadBuffer(in.data(), static_cast<int64_t>(in.size()));

    size_t pos = 0;
    String current = "Data";  // what the messages name until a parameter's name is known
    auto take = [&](size_t n) -> const uint8_t* {
        if (n > in.size() - pos) raiseCorrupt(current);
        const uint8_t* p = in.data() + pos;
        pos += n;
        return p;
    };
    auto number = [&](size_t width) -> uint32_t {
        const uint8_t* p = take(width);
        uint32_t v = 0;
        for (size_t i = 0; i < width; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
        return v;
    };
    try {
        const uint32_t version = number(2);
        if (version > kLargeintVersion)
            DatabaseErrorFmt(LoadResString(SODBCInvalidVersion), {Format("Data (version %d)", version)},
                             componentOf(owner_));
        const bool wide = version == 2;
        const uint32_t count = number(wide ? 4 : 2);
        // Each parameter needs at least name length, type and the two flags.
        if (count > (in.size() - pos) / (wide ? 7u : 4u)) raiseCorrupt(current);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t nameLength = number(wide ? 4 : 1);
            const uint8_t* name = take(nameLength);
            current.assign(reinterpret_cast<const char*>(name), nameLength);
            const uint8_t type = *take(1);
            if (type > ftGuid)
                DatabaseErrorFmt(LoadResString(SODBCFieldUnsupportedType), {current}, componentOf(owner_));
            TODBCParam* p = CreateParam(static_cast<TFieldType>(type), current);
            if (type != ftUnknown) {
                const uint32_t size = number(wide ? 4 : 2);
                const uint8_t* data = take(size);
                p->SetData(data, size);
            }
            p->null_ = *take(1) != 0;
            p->bound_ = *take(1) != 0;
            if (p->null_) p->value_ = Variant(0);  // what Clear leaves, so lists compare equal
        }
    } catch (...) {
        Clear();
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Conversion and binding

int ConvertBDEToSQL(TFieldType type) {
    switch (type) {
    case ftUnknown:
    case ftString:
    case ftBoolean:
    case ftBCD:
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftTypedBinary: return SQL_CHAR;
    case ftSmallint:
    case ftInteger:
    case ftWord: return SQL_INTEGER;
    case ftLargeint: return SQL_BIGINT;
    case ftFloat:
    case ftCurrency: return SQL_DOUBLE;
    case ftDate: return SQL_DATE;
    case ftTime: return SQL_TIME;
    case ftDateTime: return SQL_TIMESTAMP;
    default: raiseNotSupported();
    }
}

TODBCLength ConvertData(const TODBCParam* param, TParamValueItem& item) {
    const Variant& v = param->Value();
    const TFieldType type = param->DataType();
    item.DataType = type;
    auto bytes = [&](const String& s, int ctype, int sqltype, size_t zeros) {
        if (s.size() > static_cast<size_t>(kMaxValueLength))
            DatabaseErrorFmt(LoadResString(SODBCParamTooBig), {param->Name()});
        item.AssignData(s.data(), s.size(), zeros);
        item.CType = ctype;
        item.SQLType = sqltype;
        return static_cast<TODBCLength>(s.size());
    };
    auto fixed = [&](auto value, int ctype, int sqltype) {
        item.AssignData(&value, sizeof value);
        item.CType = ctype;
        item.SQLType = sqltype;
        return static_cast<TODBCLength>(sizeof value);
    };
    // A null parameter binds no value: its buffer only has to be valid for its type.
    const bool null = param->IsNull();
    TODBCLength length;
    switch (type) {
    case ftUnknown:
    case ftBlob:
    case ftGraphic: length = bytes(null ? String() : valueText(v), SQL_C_BINARY, SQL_LONGVARBINARY, 0); break;
    case ftString: length = bytes(null ? String() : valueText(v), SQL_C_CHAR, SQL_CHAR, 1); break;
    case ftMemo:
    case ftFmtMemo: length = bytes(null ? String() : valueText(v), SQL_C_CHAR, SQL_LONGVARCHAR, 1); break;
    case ftCurrency:
        // Text with "." whatever the locale: the driver converts it to the column's type.
        length = bytes(null ? String() : FloatToStr(v.AsFloat()), SQL_C_CHAR, SQL_CHAR, 1);
        break;
    case ftBCD: length = bytes(null ? String() : v.AsCurrency().ToString(), SQL_C_CHAR, SQL_CHAR, 1); break;
    case ftLargeint: length = fixed(SQLBIGINT{null ? 0 : v.AsInt64()}, SQL_C_SBIGINT, SQL_BIGINT); break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftBoolean:
        length = fixed(SQLINTEGER{null ? 0 : (type == ftBoolean ? (v.AsBoolean() ? 1 : 0) : v.AsInteger())},
                       SQL_C_LONG, SQL_INTEGER);
        break;
    case ftFloat: length = fixed(double{null ? 0.0 : v.AsFloat()}, SQL_C_DOUBLE, SQL_DOUBLE); break;
    case ftDate:
    case ftTime:
    case ftDateTime: {
        int y = 1899, mo = 12, d = 30, h = 0, mi = 0, s = 0, ms = 0;
        if (!null) DecodeDateTime(v.AsDateTime(), y, mo, d, h, mi, s, ms);
        if (type == ftDate) {
            DATE_STRUCT ds{static_cast<SQLSMALLINT>(y), static_cast<SQLUSMALLINT>(mo), static_cast<SQLUSMALLINT>(d)};
            item.AssignData(&ds, sizeof ds);
            item.CType = SQL_C_DATE;
            item.SQLType = SQL_DATE;
            length = sizeof ds;
        } else if (type == ftTime) {
            TIME_STRUCT ts{static_cast<SQLUSMALLINT>(h), static_cast<SQLUSMALLINT>(mi), static_cast<SQLUSMALLINT>(s)};
            item.AssignData(&ts, sizeof ts);
            item.CType = SQL_C_TIME;
            item.SQLType = SQL_TIME;
            length = sizeof ts;
        } else {
            TIMESTAMP_STRUCT ts{};
            ts.year = static_cast<SQLSMALLINT>(y);
            ts.month = static_cast<SQLUSMALLINT>(mo);
            ts.day = static_cast<SQLUSMALLINT>(d);
            ts.hour = static_cast<SQLUSMALLINT>(h);
            ts.minute = static_cast<SQLUSMALLINT>(mi);
            ts.second = static_cast<SQLUSMALLINT>(s);
            ts.fraction = static_cast<SQLUINTEGER>(ms) * 1000000u;
            item.AssignData(&ts, sizeof ts);
            item.CType = SQL_C_TIMESTAMP;
            item.SQLType = SQL_TIMESTAMP;
            length = sizeof ts;
        }
        break;
    }
    default: raiseNotSupported();
    }
    item.ValueLength = length;
    item.PutLength = length;
    return length;
}

void BindAllParam(TODBCHandle stmt, const TODBCParams& params, TParamValueList& items, int paramAtExecSize,
                  const TParamConverter& convert, bool resetParams) {
    if (resetParams)
        VANTREL_ODBC(odbcEnv(), SQL_NULL_HDBC, stmt, SQLFreeStmt(stmt, SQL_RESET_PARAMS));
    items.Clear();
    for (int i = 0; i < params.Count(); ++i) {
        const TODBCParam* p = params.GetParam(i);
        TParamValueItem* item = items.Add();
        TODBCLength length = convert ? convert(p, *item) : ConvertData(p, *item);
        // Binding a value nobody gave would quietly match nothing (or write a made-up 0).
        if (!p->Bound() && !p->IsNull())
            DatabaseErrorFmt(LoadResString(SODBCFieldUndefinedType), {p->Name()});
        // An override may hand back a length its buffer does not hold.
        if (length < 0 || static_cast<size_t>(length) > item->DataSize() || length > kMaxValueLength)
            DatabaseErrorFmt(LoadResString(SODBCParamTooBig), {p->Name()});
        item->Index = i;
        item->ValueLength = length;
        item->PutLength = length;
        item->AtExec = false;
        SQLRETURN rc;
        if (p->IsNull()) {
            item->Length = SQL_NULL_DATA;
        } else if (length > paramAtExecSize) {
            item->Length = SQL_LEN_DATA_AT_EXEC(length);
            item->AtExec = true;
        } else {
            item->Length = length;
        }
        // Some drivers refuse a column size of 0 for an empty text; date and time columns get
        // their ODBC sizes (drivers cut the text of a time stamp to the column size given), time
        // stamps with their milliseconds.
        item->DecimalDigits = 0;
        switch (item->SQLType) {
        case SQL_DATE: item->ColumnSize = 10; break;
        case SQL_TIME: item->ColumnSize = 8; break;
        case SQL_BIGINT: item->ColumnSize = 19; break;
        case SQL_TIMESTAMP:
            item->ColumnSize = 23;
            item->DecimalDigits = 3;
            break;
        default: item->ColumnSize = std::max<TODBCLength>(length, 1); break;
        }
        if (item->AtExec) {
            if (item->SQLType == SQL_CHAR) {
                item->SQLType = SQL_LONGVARCHAR;
                item->ColumnSize = length * 2;
            }
            rc = SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                  static_cast<SQLSMALLINT>(item->CType), static_cast<SQLSMALLINT>(item->SQLType),
                                  static_cast<SQLULEN>(item->ColumnSize),
                                  static_cast<SQLSMALLINT>(item->DecimalDigits), &item->Index, 0, &item->Length);
        } else {
            const bool text = item->SQLType == SQL_CHAR || item->SQLType == SQL_VARCHAR ||
                              item->SQLType == SQL_LONGVARCHAR;
            // Zero-terminated text only when the buffer really ends in a zero byte.
            if (text && item->Length != SQL_NULL_DATA && item->CType == SQL_C_CHAR &&
                static_cast<size_t>(length) < item->DataSize() && item->Data()[length] == '\0')
                item->Length = SQL_NTS;
            rc = SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                  static_cast<SQLSMALLINT>(item->CType), static_cast<SQLSMALLINT>(item->SQLType),
                                  static_cast<SQLULEN>(item->ColumnSize),
                                  static_cast<SQLSMALLINT>(item->DecimalDigits), item->Data(), length,
                                  &item->Length);
        }
        ODBCCheck(rc, odbcEnv(), SQL_NULL_HDBC, stmt, "SQLBindParameter");
    }
}

int16_t PutDataAtExec(TODBCHandle stmt, TParamValueList& items, int pieceSize) {
    if (pieceSize < 1) pieceSize = 8192;
    SQLRETURN rc;
    for (;;) {
        SQLPOINTER token = nullptr;
        rc = VANTREL_ODBC(odbcEnv(), SQL_NULL_HDBC, stmt, SQLParamData(stmt, &token));
        if (rc != SQL_NEED_DATA) break;
        // The token is the address of an item's index: only accept one of ours.
        TParamValueItem* item = nullptr;
        for (int i = 0; i < items.Count(); ++i)
            if (static_cast<void*>(&items[i]->Index) == token) item = items[i];
        if (!item) throw EODBCDatabaseError("ODBC driver asked for data of an unknown parameter");
        const char* data = item->Data();
        TODBCLength left = std::min<TODBCLength>(item->PutLength, static_cast<TODBCLength>(item->DataSize()));
        // Only text and bytes may come in pieces; a number or date goes whole.
        const bool pieces = item->CType == SQL_C_CHAR || item->CType == SQL_C_BINARY;
        while (left > 0) {
            TODBCLength n = pieces ? std::min<TODBCLength>(left, pieceSize) : left;
            VANTREL_ODBC(odbcEnv(), SQL_NULL_HDBC, stmt, SQLPutData(stmt, const_cast<char*>(data), n));
            data += n;
            left -= n;
        }
    }
    return rc;
}

int16_t ExecuteWithParams(TODBCHandle stmt, const TODBCParams& params, TParamValueList& items, int paramAtExecSize,
                          int pieceSize, const TParamConverter& convert) {
    BindAllParam(stmt, params, items, paramAtExecSize, convert);
    SQLRETURN rc = VANTREL_ODBC(odbcEnv(), SQL_NULL_HDBC, stmt, SQLExecute(stmt));
    if (rc == SQL_NEED_DATA) rc = PutDataAtExec(stmt, items, pieceSize);
    return rc;
}

}  // namespace vantrel

#pragma once
// Statement parameters: the named input values of a dataset's SQL text, their conversion into
// ODBC bind buffers, binding with SQLBindParameter, data sent at execution, and the stored form
// of a parameter list (binary property "Data").
//
// The binding functions work on a raw statement handle so a dataset (or any other caller) hands
// in its statement, its parameter value list and the connection's ParamAtExecSize.
#include <vantrel/core/ODBCError.h>
#include <vantrel/framework/Classes.h>
#include <vantrel/framework/DBFields.h>
#include <vantrel/framework/Variant.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vantrel {

class TODBCParams;
class TFiler;

/// ODBC length/indicator values (SQLLEN on this platform).
using TODBCLength = long;

/// Largest value the stored form holds per parameter; bigger ones refuse to be written.
constexpr int ODBCMaxStoredParamSize = 2048;

/// Message of ours for a stored parameter list whose bytes do not fit its own layout.
extern const ResourceString SODBCParamDataCorrupt;

// ---------------------------------------------------------------------------------------------
// Value items: the buffers handed to the driver.

/// \brief One buffer given to the driver (a result column or a parameter) with its
/// length/indicator. Owns the buffer and, in block mode, the indicator array.
///
/// The item must stay where it is while the driver holds the addresses of Data() and Length
/// (lists keep items on the heap for that reason).
class TFieldValueItem {
public:
    TFieldValueItem() = default;
    /// \brief A zero-filled buffer of `bufferSize` bytes; Length starts as `bufferSize`.
    explicit TFieldValueItem(size_t bufferSize);
    virtual ~TFieldValueItem();
    TFieldValueItem(const TFieldValueItem&) = delete;
    TFieldValueItem& operator=(const TFieldValueItem&) = delete;

    char* Data() const noexcept { return data_.get(); }
    /// Bytes allocated for Data().
    size_t DataSize() const noexcept { return dataSize_; }
    /// \brief Replaces the buffer by a zero-filled one of `bytes` bytes (at least one byte is
    /// allocated so the address is never null) and returns it.
    char* AllocData(size_t bytes);
    /// \brief Replaces the buffer by a copy of `bytes` bytes followed by `extraZeros` zero bytes.
    char* AssignData(const void* bytes, size_t count, size_t extraZeros = 0);

    /// \brief Block mode: an array of `rows` indicators (zero-filled) and returns it.
    TODBCLength* AllocIndicators(size_t rows);
    TODBCLength* Indicators() const noexcept { return indicators_.get(); }
    size_t IndicatorCount() const noexcept { return indicatorCount_; }

    /// Buffer length handed to the driver; after a fetch (or for a bound parameter) the ODBC
    /// length/indicator value (-1 = SQL_NULL_DATA).
    TODBCLength Length = 0;
    /// The two integers parameters use: the C type and the SQL type of the binding.
    int CType = 0;
    int SQLType = 0;

private:
    std::unique_ptr<char[]> data_;
    size_t dataSize_ = 0;
    std::unique_ptr<TODBCLength[]> indicators_;
    size_t indicatorCount_ = 0;
};

/// \brief A parameter's bind buffer: one per parameter occurrence, kept while the statement is
/// bound.
class TParamValueItem : public TFieldValueItem {
public:
    TParamValueItem() = default;

    /// 0-based position of the parameter in the statement. Its address is the token the driver
    /// hands back from SQLParamData for a data-at-execution parameter.
    int Index = 0;
    /// Bytes of the value (what ConvertData returned); Data() holds at least these.
    TODBCLength ValueLength = 0;
    /// Column size and decimal digits given to SQLBindParameter.
    TODBCLength ColumnSize = 0;
    int DecimalDigits = 0;
    /// Bytes sent by SQLPutData when the value goes at execution time (text without its zero).
    TODBCLength PutLength = 0;
    /// True when bound as data at execution.
    bool AtExec = false;
    /// The parameter's type when it was converted.
    TFieldType DataType = ftUnknown;
};

/// \brief The parameter binding list of a statement: owns its items, in parameter order.
class TParamValueList {
public:
    TParamValueList() = default;
    TParamValueList(const TParamValueList&) = delete;
    TParamValueList& operator=(const TParamValueList&) = delete;

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    /// \brief Item at `index`; throws EListError when out of range.
    TParamValueItem* Items(int index) const;
    TParamValueItem* operator[](int index) const { return Items(index); }
    /// \brief Appends a new item and returns it (the list owns it).
    TParamValueItem* Add();
    /// \brief Frees every item.
    void Clear() noexcept { items_.clear(); }

private:
    std::vector<std::unique_ptr<TParamValueItem>> items_;
};

// ---------------------------------------------------------------------------------------------
// Parameters

/// \brief One named input parameter of a statement, owned by its TODBCParams (and that by its
/// dataset).
class TODBCParam : public TPersistent {
public:
    /// \brief A parameter of `owner` (appended to it when given; the list then frees it).
    explicit TODBCParam(TODBCParams* owner = nullptr);
    ~TODBCParam() override;

    TODBCParams* Owner() const noexcept { return owner_; }
    TPersistent* GetOwner() override;

    const String& Name() const noexcept { return name_; }
    void SetName(const String& name) { name_ = name; }
    TFieldType DataType() const noexcept { return dataType_; }
    /// \brief Sets the type and resets the value to integer 0.
    void SetDataType(TFieldType type);
    bool IsNull() const noexcept { return null_; }
    bool Bound() const noexcept { return bound_; }
    void SetBound(bool value) noexcept { bound_ = value; }
    /// Text values may pass through the dataset's OEM translation.
    bool Translate() const noexcept { return translate_; }
    void SetTranslate(bool value) noexcept { translate_ = value; }
    /// The value as held (no conversion).
    const Variant& Value() const noexcept { return value_; }

    /// \brief Null := true, value := integer 0, the text field emptied.
    void Clear();
    /// \brief Bound := true, null := false (every setter starts with it).
    void InitValue();

    // Setters (InitValue, then type and value).
    void SetAsBoolean(bool value);
    void SetAsFloat(double value);
    /// Held as a float, type ftCurrency.
    void SetAsCurrency(double value);
    /// Held as a currency value, type ftBCD.
    void SetAsBCD(Currency value);
    void SetAsInteger(int32_t value);
    /// \brief A 64-bit integer, type ftLargeint (bound as SQL_BIGINT).
    void SetAsLargeInt(int64_t value);
    void SetAsWord(uint16_t value);
    void SetAsSmallInt(int16_t value);
    /// \brief The type becomes ftString unless it is ftString or ftMemo.
    void SetAsString(const String& value);
    void SetAsMemo(const String& value);
    void SetAsDate(TDateTime value);
    void SetAsTime(TDateTime value);
    void SetAsDateTime(TDateTime value);
    /// \brief `length` bytes held as a string, type ftBlob.
    void SetBlobData(const void* buffer, size_t length);
    /// \brief The whole content as a string with type `type`; throws EFOpenError.
    void LoadFromFile(const String& path, TFieldType type);
    void LoadFromStream(TStream& stream, TFieldType type);
    /// \brief The type follows the variant: date ftDateTime, 16-bit ftSmallint, 32-bit (and wider
    /// values that fit 32 bits) ftInteger, wider integers ftLargeint, float ftFloat, currency
    /// ftBCD, text ftString, Boolean ftBoolean, anything else ftUnknown. A null or empty variant
    /// makes the parameter null and keeps its type.
    void SetAsVariant(const Variant& value);
    /// \brief An ftUnknown parameter becomes ftString; the text is converted to the type.
    /// Throws EConvertError for text that does not convert.
    void SetText(const String& text);

    // Getters (conversions of the value; throw EVariantError / EConvertError when impossible).
    bool GetAsBoolean() const;
    double GetAsFloat() const;
    double GetAsCurrency() const { return GetAsFloat(); }
    Currency GetAsBCD() const;
    int32_t GetAsInteger() const;
    /// \brief The value as a 64-bit integer (0 for a null parameter).
    int64_t GetAsLargeInt() const;
    String GetAsMemo() const;
    /// \brief Empty for a null parameter; "True"/"False" (the library's texts) for ftBoolean; the
    /// date-time text for the date and time types; else the value as text.
    String GetAsString() const;
    /// \brief 0 for a null parameter.
    TDateTime GetAsDateTime() const;
    /// \brief The value; a null parameter gives a null variant.
    Variant GetAsVariant() const;
    String GetText() const { return GetAsString(); }

    /// \brief TODBCParam -> AssignParam; a field -> AssignField; else the base.
    void Assign(TPersistent* source) override;
    /// \brief To a field: the field's value := this value (null clears it); else the base.
    void AssignTo(TPersistent* dest) override;
    void AssignParam(const TODBCParam* param);
    /// \brief Type from the field (a memo above 255 bytes gives ftString), its value or null,
    /// bound, and its name.
    void AssignField(TField* field);
    /// \brief As AssignField with `value` instead of the field's value, keeping the name.
    void AssignFieldValue(TField* field, const Variant& value);

    /// \brief Same variant type and value, same name (case-sensitive), type, null and bound flags.
    bool IsEqual(const TODBCParam* param) const;

    // The data layout of the value (stored form, record buffers).
    /// \brief Bytes GetData writes. Throws EDatabaseError (undefined or unsupported type).
    int GetDataSize() const;
    /// \brief Writes GetDataSize() bytes into `buffer`.
    void GetData(void* buffer) const;
    /// \brief The layout of GetData as bytes.
    TBytes GetDataBytes() const;
    /// \brief Reads a value of the current type from `size` bytes: fixed-size types need exactly
    /// their size, text needs its zero byte inside the block. Throws EDatabaseError for a type
    /// that cannot be read back and for a block that does not fit the type.
    void SetData(const void* buffer, size_t size);
    int RecBufDataSize() const { return GetDataSize(); }
    void RecBufGetData(void* buffer) const { GetData(buffer); }

private:
    friend class TODBCParams;
    void setValue(TFieldType type, Variant value);
    [[noreturn]] void raiseUndefinedType() const;
    [[noreturn]] void raiseUnsupportedType() const;

    TODBCParams* owner_ = nullptr;
    Variant value_ = Variant(0);
    String text_;
    String name_;
    TFieldType dataType_ = ftUnknown;
    bool null_ = false;
    bool bound_ = false;
    bool translate_ = true;
};

/// \brief The ordered parameter list of a statement; frees its parameters. A name may occur more
/// than once (one entry per occurrence in the SQL text).
class TODBCParams : public TPersistent {
public:
    /// `owner` is the object that keeps the list (the dataset), for stored-form paths.
    explicit TODBCParams(TPersistent* owner = nullptr);
    ~TODBCParams() override;

    TPersistent* GetOwner() override { return owner_; }

    /// \brief Appends a new parameter with that type and name.
    TODBCParam* CreateParam(TFieldType type, const String& name);
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    /// \brief Frees every parameter, last first.
    void Clear();
    /// \brief Appends `param` (taking it out of another list first) and sets its owner.
    void AddParam(TODBCParam* param);
    /// \brief Takes `param` out of the list and clears its owner; the caller owns it then.
    void RemoveParam(TODBCParam* param);
    /// \brief The entry at `index` itself; throws EListError when out of range.
    TODBCParam* Items(int index) const;
    /// \brief The first parameter whose name equals (ignoring case) the name of the entry at
    /// `index`, so every occurrence of a repeated name uses the first one's value.
    TODBCParam* GetParam(int index) const;
    TODBCParam* operator[](int index) const { return GetParam(index); }
    /// \brief First parameter named `name` ignoring case; throws EDatabaseError
    /// "ODBC Parameter %s not found".
    TODBCParam* ParamByName(const String& name) const;
    /// \brief The same, null when there is none.
    TODBCParam* FindParam(const String& name) const;

    /// \brief From another list: clear, then a copy of each of its parameters (through GetParam).
    void Assign(TPersistent* source) override;
    void AssignTo(TPersistent* dest) override;
    /// \brief Each own parameter takes the first source parameter with exactly the same name
    /// (case-sensitive); the others keep their state.
    void AssignValues(const TODBCParams* source);
    /// \brief Same count and, position by position through GetParam, equal parameters.
    bool IsEqual(const TODBCParams* other) const;

    /// \brief One value, or for "A;B" a variant array of the values in that order.
    Variant GetParamValue(const String& names) const;
    /// \brief For "A;B" element i of `value` goes to the i-th name; one name takes the whole value.
    void SetParamValue(const String& names, const Variant& value);
    /// \brief Appends ParamByName of each ";"-separated name.
    void GetParamList(std::vector<TODBCParam*>& list, const String& names) const;

    /// \brief The version WriteBinaryData writes for most lists: 1. A list holding an ftLargeint
    /// parameter is written as version 3 (the layout of version 1; the value as 8 bytes), which
    /// readers that know only versions 1 and 2 refuse as a version they cannot read.
    int GetVersion() const noexcept { return 1; }

    /// \brief Binary property "Data": written without an ancestor when not empty, or when the list
    /// differs from the ancestor's.
    void DefineProperties(TFiler* filer) override;
    /// \brief Replaces the list by the stored form in `stream` (versions 1 to 3). Never trusts a
    /// length: a truncated or damaged form raises EDatabaseError and leaves the list empty.
    void ReadBinaryData(TStream& stream);
    /// \brief Writes the stored form, version 1 (3 with a 64-bit parameter). Throws EDatabaseError (value above 2048 bytes,
    /// name above 255 bytes, more than 65535 parameters, type without a data layout) before
    /// anything is written.
    void WriteBinaryData(TStream& stream);

private:
    friend class TODBCParam;
    void detach(TODBCParam* param) noexcept;

    TPersistent* owner_;
    std::vector<TODBCParam*> items_;
};

// ---------------------------------------------------------------------------------------------
// Conversion and binding

/// \brief ODBC SQL type code for a field type (1 text types and blobs, 4 integers, -5 64-bit
/// integers, 8 floats, 9/10/11 dates); throws EODBCDatabaseError "Parameter type not supported".
int ConvertBDEToSQL(TFieldType type);

/// \brief Fills `item` with the bind buffer of `param` (Data(), CType, SQLType, DataType,
/// ValueLength, PutLength) and returns the value's length. Currency and BCD text uses "." in
/// every locale. Throws EODBCDatabaseError "Parameter type not supported".
TODBCLength ConvertData(const TODBCParam* param, TParamValueItem& item);

/// Converter a caller can put in place of ConvertData (a dataset's overridable ConvertData).
using TParamConverter = std::function<TODBCLength(const TODBCParam* param, TParamValueItem& item)>;

/// \brief Binds every parameter of `params` to `stmt` (SQL_RESET_PARAMS first when
/// `resetParams`), refilling `items`: nulls get indicator -1, values longer than
/// `paramAtExecSize` are bound as data at execution, text otherwise as zero-terminated.
/// A parameter that was never given a value (neither bound nor null) raises EDatabaseError
/// "ODBC Field %s undefined type" naming it, so a statement never runs with a made-up value.
/// Throws EODBCError for a failing bind, EODBCDatabaseError for an unsupported type and
/// EDatabaseError "ODBC Parameter %s is too big" for a value no ODBC length can describe.
void BindAllParam(TODBCHandle stmt, const TODBCParams& params, TParamValueList& items, int paramAtExecSize,
                  const TParamConverter& convert = {}, bool resetParams = true);

/// \brief After SQLExecute (or SQLExecDirect) returned SQL_NEED_DATA: sends every requested
/// data-at-execution parameter in pieces of `pieceSize` bytes and returns the final result of
/// SQLParamData. Throws EODBCError.
int16_t PutDataAtExec(TODBCHandle stmt, TParamValueList& items, int pieceSize);

/// \brief BindAllParam, SQLExecute and PutDataAtExec in one; returns the final result
/// (SQL_SUCCESS, SQL_SUCCESS_WITH_INFO or SQL_NO_DATA_FOUND). The statement must be prepared.
int16_t ExecuteWithParams(TODBCHandle stmt, const TODBCParams& params, TParamValueList& items,
                          int paramAtExecSize, int pieceSize, const TParamConverter& convert = {});

// ---------------------------------------------------------------------------------------------
// 80-bit extended floats of the stored form (x87 layout, little-endian, 10 bytes).

void DoubleToExtended(double value, uint8_t out[10]) noexcept;
double ExtendedToDouble(const uint8_t in[10]) noexcept;

}  // namespace vantrel

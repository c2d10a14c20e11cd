// Field definitions and field objects of the dataset engine.
//
// A field reads and writes its value through its dataset (TDataSet::GetFieldData / SetFieldData)
// in the field's native buffer format, so reading a value never allocates:
//
//   ftString ftFixedChar ftWideString ftGuid   Size + 1 bytes, zero-terminated single-byte text
//   ftSmallint ftBoolean                        int16 (a boolean is 0 or non-zero)
//   ftWord                                      uint16
//   ftInteger ftAutoInc                         int32
//   ftLargeint                                  int64
//   ftFloat ftCurrency                          double
//   ftBCD                                       int64 Currency (value scaled by 10000)
//   ftDate                                      int32 day number of TTimeStamp::Date
//   ftTime                                      int32 milliseconds since midnight
//   ftDateTime                                  double milliseconds of TimeStampToMSecs
//   ftBytes                                     Size bytes
//   ftVarBytes                                  uint16 length followed by Size bytes
//   blobs and memos                             no buffer; read through CreateBlobStream
#pragma once

#include <vantrel/framework/Classes.h>
#include <vantrel/framework/DBError.h>
#include <vantrel/framework/SysUtils.h>
#include <vantrel/framework/Variant.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace vantrel {

class TDataSet;
class TField;
class TFieldDefs;

/// Field types. The ordinals are stored in persisted data: never reorder, only append.
enum TFieldType : int {
    ftUnknown = 0,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid
};

/// \brief The type's name as written in messages ("String", "Integer", ...).
String FieldTypeName(TFieldType type);
/// \brief True for the blob and memo types, whose values live outside the record buffer.
bool IsBlobType(TFieldType type);

/// Where a field's value comes from. fkInternalCalc fields are stored by the dataset like data
/// fields; fkCalculated and fkLookup fields live in the engine's calculated-field area.
enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

/// \brief Description of one column of a dataset's result, from which fields are created.
class TFieldDef {
public:
    TFieldDef(TFieldDefs* owner, const String& name, TFieldType dataType, int size, bool required,
              int fieldNo);

    const String& Name() const { return FName; }
    void SetName(const String& name) { FName = name; }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType type) { FDataType = type; }
    int Size() const { return FSize; }
    void SetSize(int size) { FSize = size; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int precision) { FPrecision = precision; }
    bool Required() const { return FRequired; }
    void SetRequired(bool required) { FRequired = required; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
    /// \brief Number of the column in the dataset's record (1-based); data fields bind to it.
    int FieldNo() const { return FFieldNo; }
    void SetFieldNo(int fieldNo) { FFieldNo = fieldNo; }
    bool InternalCalcField() const { return FInternalCalcField; }
    void SetInternalCalcField(bool value) { FInternalCalcField = value; }
    TFieldDefs* Collection() const { return FOwner; }
    int Index() const;

    /// \brief Creates the field object of the matching class for this definition.
    /// \throws EDatabaseError for a type without a field class.
    TField* CreateField(TComponent* owner, TDataSet* dataSet);

private:
    TFieldDefs* FOwner;
    String FName;
    TFieldType FDataType;
    int FSize;
    int FPrecision = 0;
    bool FRequired;
    bool FReadOnly = false;
    int FFieldNo;
    bool FInternalCalcField = false;
};

/// \brief The field definitions of a dataset; owns its items.
class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* dataSet) : FDataSet(dataSet) {}
    TFieldDefs(const TFieldDefs&) = delete;
    TFieldDefs& operator=(const TFieldDefs&) = delete;

    /// \brief Appends a definition; its field number is its position + 1.
    TFieldDef* Add(const String& name, TFieldType dataType, int size = 0, bool required = false);
    /// \brief Appends a definition with an explicit field number.
    TFieldDef* AddFieldDef(const String& name, TFieldType dataType, int size, bool required, int fieldNo);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    TFieldDef* Items(int index) const;
    TFieldDef* operator[](int index) const { return Items(index); }
    /// \brief Case-insensitive search; -1 when there is none.
    int IndexOf(const String& name) const;
    /// \brief Throws EDatabaseError "Field 'X' not found".
    TFieldDef* Find(const String& name) const;
    /// \brief Refreshes the definitions from the dataset (InternalInitFieldDefs) when it is closed.
    void Update();
    TDataSet* DataSet() const { return FDataSet; }

private:
    TDataSet* FDataSet;
    std::vector<std::unique_ptr<TFieldDef>> FItems;
};

using TFieldNotifyEvent = std::function<void(TField* sender)>;
using TFieldGetTextEvent = std::function<void(TField* sender, String& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField* sender, const String& text)>;

/// \brief A column of a dataset as seen by the program: typed value access of the current record.
///
/// Every As* reader of a null value gives the type's zero (empty text, 0, false, date 0);
/// AsVariant gives a null variant. Conversions that cannot be made raise EConvertError (bad text)
/// or EDatabaseError (access as an unsupported type, value out of range), naming the field.
class TField : public TComponent {
public:
    explicit TField(TComponent* owner);
    ~TField() override;

    /// \brief Attaches the field to a dataset (appends it to its Fields) or detaches it (nullptr).
    /// \throws EDatabaseError while the dataset is open.
    void SetDataSet(TDataSet* dataSet);
    TDataSet* DataSet() const { return FDataSet; }

    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& name);
    /// \brief The label when one is set, else the field name.
    const String& DisplayName() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
    const String& DisplayLabel() const { return DisplayName(); }
    void SetDisplayLabel(const String& label) { FDisplayLabel = label; }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { FDisplayWidth = width; }
    TFieldType DataType() const { return FDataType; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return FFieldKind == fkCalculated; }
    void SetCalculated(bool value) { SetFieldKind(value ? fkCalculated : fkData); }
    bool Lookup() const { return FFieldKind == fkLookup; }
    void SetLookup(bool value) { SetFieldKind(value ? fkLookup : fkData); }
    /// \brief Column number in the dataset's record; 0 while unbound, negative for calculated fields.
    int FieldNo() const { return FFieldNo; }
    /// \brief Position in the dataset's Fields, -1 when detached.
    int Index() const;
    int Size() const { return FSize; }
    /// \brief Changing the size of an attached field of an open dataset raises EDatabaseError.
    void SetSize(int size);
    /// \brief Bytes of the field's native value in a buffer (see the table at the top).
    virtual int DataSize() const { return 0; }
    virtual bool IsBlob() const { return false; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool Required() const { return FRequired; }
    void SetRequired(bool value) { FRequired = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    const String& Origin() const { return FOrigin; }
    void SetOrigin(const String& origin) { FOrigin = origin; }
    /// \brief Offset of the value in the calculated-field area (calculated and lookup fields).
    int Offset() const { return FOffset; }
    /// \brief True when the dataset can modify and the field is writable.
    bool CanModify() const;

    // Lookup fields: the value of LookupResultField in the LookupDataSet row whose
    // LookupKeyFields equal this dataset's KeyFields.
    TDataSet* LookupDataSet() const { return FLookupDataSet; }
    void SetLookupDataSet(TDataSet* dataSet);
    const String& KeyFields() const { return FKeyFields; }
    void SetKeyFields(const String& v) { FKeyFields = v; }
    const String& LookupKeyFields() const { return FLookupKeyFields; }
    void SetLookupKeyFields(const String& v) { FLookupKeyFields = v; }
    const String& LookupResultField() const { return FLookupResultField; }
    void SetLookupResultField(const String& v) { FLookupResultField = v; }

    /// \brief Copies the native value into `buffer` (may be null); false when the value is null.
    bool GetData(void* buffer) const; // in line, at the end of DB.h
    /// \brief Writes a native value (null `buffer` makes the value null) through the dataset.
    void SetData(const void* buffer);
    /// \brief Runs OnValidate for a value about to be written (the handler reads it as the field's value).
    void Validate(const void* buffer);
    /// \brief Fires OnChange; the dataset calls it after the value changed.
    virtual void Change();
    /// \brief Asks the controls to move the focus to this field.
    void FocusControl();

    bool IsNull() const; // in line, at the end of DB.h
    void Clear() { SetData(nullptr); }

    String AsString() const { return GetAsString(); }
    /// \brief The value as text without a String per call (text fields of a dataset that does
    /// not translate): a view of a buffer the field keeps, valid until the next AsStringView of
    /// this field. Empty for null.
    std::string_view AsStringView() const { return GetAsStringView(); }
    void SetAsString(const String& v) { SetAsStringValue(v); }
    /// \brief Text fields pass what they read through their dataset's Translate (default true).
    bool Transliterate() const { return FTransliterate; }
    void SetTransliterate(bool value) { FTransliterate = value; }
    int AsInteger() const { return GetAsInteger(); }
    void SetAsInteger(int v) { SetAsLargeIntValue(v); }
    int64_t AsLargeInt() const { return GetAsLargeInt(); }
    void SetAsLargeInt(int64_t v) { SetAsLargeIntValue(v); }
    double AsFloat() const { return GetAsFloat(); }
    void SetAsFloat(double v) { SetAsFloatValue(v); }
    Currency AsCurrency() const { return GetAsCurrency(); }
    void SetAsCurrency(Currency v) { SetAsCurrencyValue(v); }
    TDateTime AsDateTime() const { return GetAsDateTime(); }
    void SetAsDateTime(TDateTime v) { SetAsDateTimeValue(v); }
    bool AsBoolean() const { return GetAsBoolean(); }
    void SetAsBoolean(bool v) { SetAsBooleanValue(v); }
    Variant AsVariant() const { return GetAsVariant(); }
    /// \brief Null or empty variants clear the field; other values convert by their type.
    void SetAsVariant(const Variant& v) { SetAsVariantValue(v); }
    Variant Value() const { return GetAsVariant(); }
    void SetValue(const Variant& v) { SetAsVariantValue(v); }
    /// \brief The value before the current edit (through the dataset's old-value state).
    Variant OldValue() const;
    Variant NewValue() const;
    /// \brief The editing text (OnGetText with displayText false, else AsString).
    String Text() const;
    void SetText(const String& text);
    /// \brief The text shown in controls (OnGetText with displayText true, else the display form).
    String DisplayText() const;

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

protected:
    TField(TComponent* owner, TFieldType dataType, int size);

    virtual String GetAsString() const;
    /// The default keeps a copy of AsString; text fields read into their buffer directly.
    virtual std::string_view GetAsStringView() const;
    /// True when the text read from the dataset must pass through its Translate.
    bool Translating() const;
    virtual int GetAsInteger() const;
    virtual int64_t GetAsLargeInt() const;
    virtual double GetAsFloat() const;
    virtual Currency GetAsCurrency() const;
    virtual TDateTime GetAsDateTime() const;
    virtual bool GetAsBoolean() const;
    virtual Variant GetAsVariant() const;
    virtual void SetAsStringValue(const String& v);
    virtual void SetAsLargeIntValue(int64_t v);
    virtual void SetAsFloatValue(double v);
    virtual void SetAsCurrencyValue(Currency v);
    virtual void SetAsDateTimeValue(TDateTime v);
    virtual void SetAsBooleanValue(bool v);
    virtual void SetAsVariantValue(const Variant& v);
    /// \brief Text of the value; `displayText` selects the form shown to the user.
    virtual String GetText(bool displayText) const;
    virtual void SetTextValue(const String& text) { SetAsStringValue(text); }

    void SetDataType(TFieldType type) { FDataType = type; }
    /// Where AsStringView's text lives until the next call.
    String& ViewBuffer() const { return FViewText; }
    void Notification(TComponent* component, TOperation operation) override;
    [[noreturn]] void AccessError(const char* typeName) const;
    [[noreturn]] void NoDataSetError() const;
    bool ValidatingData(void* buffer) const;
    [[noreturn]] void RangeError(const String& value, const String& min, const String& max) const;
    void CheckInactive() const;

private:
    friend class TDataSet;
    friend class TFields;
    friend TField* CreateFieldOfType(TFieldType type, TComponent* owner);

    TDataSet* FDataSet = nullptr;
    String FFieldName;
    String FDisplayLabel;
    String FOrigin;
    TFieldType FDataType;
    TFieldKind FFieldKind = fkData;
    int FSize;
    int FFieldNo = 0;
    int FOffset = 0;
    int FDisplayWidth = 0;
    bool FReadOnly = false;
    bool FRequired = false;
    bool FVisible = true;
    bool FTransliterate = true;
    mutable bool FValidating = false;
    const void* FValueBuffer = nullptr;
    mutable String FViewText;
    /// Where the dataset keeps this field's null indicator in a browsed record, -1 when it
    /// does not say (TDataSet::SetFieldIndicator).
    int FIndicatorOffset = -1;
    TDataSet* FLookupDataSet = nullptr;
    String FKeyFields, FLookupKeyFields, FLookupResultField;
};

/// \brief Text fields (ftString, ftFixedChar, ftWideString); the size is the longest text.
class TStringField : public TField {
public:
    explicit TStringField(TComponent* owner) : TStringField(owner, ftString, 20) {}
    int DataSize() const override { return Size() + 1; }
    /// \brief Reads the value without building a String; false when null.
    bool GetValue(String& value) const;

protected:
    TStringField(TComponent* owner, TFieldType type, int size) : TField(owner, type, size) {}
    String GetAsString() const override;
    std::string_view GetAsStringView() const override;
    int GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    TDateTime GetAsDateTime() const override;
    bool GetAsBoolean() const override;
    Variant GetAsVariant() const override;
    void SetAsStringValue(const String& v) override;
    void SetAsLargeIntValue(int64_t v) override { SetAsStringValue(IntToStr(v)); }
    void SetAsFloatValue(double v) override { SetAsStringValue(FloatToStr(v)); }
    void SetAsCurrencyValue(Currency v) override;
    void SetAsDateTimeValue(TDateTime v) override { SetAsStringValue(DateTimeToStr(v)); }
    void SetAsBooleanValue(bool v) override { SetAsStringValue(v ? "True" : "False"); }
};

/// \brief A GUID kept as its 38-character text.
class TGuidField : public TStringField {
public:
    explicit TGuidField(TComponent* owner) : TStringField(owner, ftGuid, 38) {}
};

/// \brief Common base of the numeric fields.
class TNumericField : public TField {
public:
    using TField::TField;
};

/// \brief Integer fields of 16, 32 and 64 bits with an allowed range.
class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* owner) : TIntegerField(owner, ftInteger) {}
    int DataSize() const override;
    int64_t MinValue() const { return FMinValue; }
    int64_t MaxValue() const { return FMaxValue; }
    /// \brief Narrows the allowed range (0, 0 restores the type's whole range).
    void SetRange(int64_t minValue, int64_t maxValue);
    /// \brief Reads the value without conversion; false when null.
    bool GetValue(int64_t& value) const;

protected:
    TIntegerField(TComponent* owner, TFieldType type);
    String GetAsString() const override;
    int GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    bool GetAsBoolean() const override;
    Variant GetAsVariant() const override;
    void SetAsStringValue(const String& v) override;
    void SetAsLargeIntValue(int64_t v) override;
    void SetAsFloatValue(double v) override;
    void SetAsCurrencyValue(Currency v) override;
    void SetAsBooleanValue(bool v) override { SetAsLargeIntValue(v ? 1 : 0); }

private:
    int64_t TypeMin() const;
    int64_t TypeMax() const;
    int64_t FMinValue, FMaxValue;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* owner) : TIntegerField(owner, ftSmallint) {}
};
class TWordField : public TIntegerField {
public:
    explicit TWordField(TComponent* owner) : TIntegerField(owner, ftWord) {}
};
class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(TComponent* owner) : TIntegerField(owner, ftAutoInc) {}
};
class TLargeintField : public TIntegerField {
public:
    explicit TLargeintField(TComponent* owner) : TIntegerField(owner, ftLargeint) {}
};

/// \brief Double precision values (ftFloat); TCurrencyField shows them as money.
class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* owner) : TFloatField(owner, ftFloat) {}
    int DataSize() const override { return sizeof(double); }
    int Precision() const { return FPrecision; }
    /// \brief Significant digits shown (2..15, default 15).
    void SetPrecision(int digits);
    bool GetValue(double& value) const;

protected:
    TFloatField(TComponent* owner, TFieldType type) : TNumericField(owner, type, 0) {}
    String GetAsString() const override;
    int GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    Variant GetAsVariant() const override;
    String GetText(bool displayText) const override;
    void SetAsStringValue(const String& v) override;
    void SetAsLargeIntValue(int64_t v) override { SetAsFloatValue(static_cast<double>(v)); }
    void SetAsFloatValue(double v) override;
    void SetAsCurrencyValue(Currency v) override;

private:
    int FPrecision = 15;
};

class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) {}

protected:
    String GetText(bool displayText) const override;
};

/// \brief Exact decimal values kept as Currency (four decimals); Size is the scale.
class TBCDField : public TNumericField {
public:
    explicit TBCDField(TComponent* owner) : TNumericField(owner, ftBCD, 4) {}
    int DataSize() const override { return sizeof(int64_t); }
    bool GetValue(Currency& value) const;

protected:
    String GetAsString() const override;
    int GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;
    Currency GetAsCurrency() const override;
    Variant GetAsVariant() const override;
    void SetAsStringValue(const String& v) override;
    void SetAsLargeIntValue(int64_t v) override;
    void SetAsFloatValue(double v) override;
    void SetAsCurrencyValue(Currency v) override;
};

/// \brief Yes/no values; the texts come from DisplayValues ("True;False").
class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* owner);
    int DataSize() const override { return sizeof(int16_t); }
    const String& DisplayValues() const { return FDisplayValues; }
    /// \brief "TrueText;FalseText"; a missing false text means "not the true text".
    void SetDisplayValues(const String& values);

protected:
    String GetAsString() const override;
    int GetAsInteger() const override { return GetAsBoolean() ? 1 : 0; }
    int64_t GetAsLargeInt() const override { return GetAsBoolean() ? 1 : 0; }
    bool GetAsBoolean() const override;
    Variant GetAsVariant() const override;
    void SetAsStringValue(const String& v) override;
    void SetAsLargeIntValue(int64_t v) override { SetAsBooleanValue(v != 0); }
    void SetAsBooleanValue(bool v) override;

private:
    String FDisplayValues;
    String FTrueText, FFalseText;
};

/// \brief Date and time values; TDateField and TTimeField keep only their part.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}
    int DataSize() const override;
    bool GetValue(TDateTime& value) const;
    /// \brief The value as calendar parts, false for null. A date field leaves the time parts
    /// 0, a time field the date parts. Where the dataset holds the parts as the driver gave
    /// them, no TDateTime is made; otherwise they are decoded from the value.
    bool GetParts(TDateTimeParts& parts) const;

protected:
    TDateTimeField(TComponent* owner, TFieldType type) : TField(owner, type, 0) {}
    String GetAsString() const override;
    double GetAsFloat() const override { return GetAsDateTime(); }
    TDateTime GetAsDateTime() const override;
    Variant GetAsVariant() const override;
    void SetAsStringValue(const String& v) override;
    void SetAsFloatValue(double v) override { SetAsDateTimeValue(TDateTime(v)); }
    void SetAsDateTimeValue(TDateTime v) override;
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}
};
class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}
};

/// \brief Fixed (ftBytes) and variable (ftVarBytes) binary values of at most Size bytes.
class TBinaryField : public TField {
public:
    int DataSize() const override;
    /// \brief Reads the bytes; false when null.
    bool GetBytes(std::vector<uint8_t>& bytes) const;
    /// \brief \throws EDatabaseError when longer than Size.
    void SetBytes(const std::vector<uint8_t>& bytes);

protected:
    TBinaryField(TComponent* owner, TFieldType type, int size) : TField(owner, type, size) {}
    String GetAsString() const override;
    Variant GetAsVariant() const override;
    void SetAsStringValue(const String& v) override;
    void SetAsVariantValue(const Variant& v) override;
};

class TBytesField : public TBinaryField {
public:
    explicit TBytesField(TComponent* owner) : TBinaryField(owner, ftBytes, 16) {}
};
class TVarBytesField : public TBinaryField {
public:
    explicit TVarBytesField(TComponent* owner) : TBinaryField(owner, ftVarBytes, 16) {}
};

/// \brief Long binary values read and written through the dataset's blob streams.
class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}
    bool IsBlob() const override { return true; }
    /// \brief Set when the value was written in the current edit.
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    /// \brief Number of bytes of the current value.
    int64_t BlobSize() const;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    /// \brief The whole value as bytes (empty for null).
    std::vector<uint8_t> AsBytes() const;
    void SetAsBytes(const std::vector<uint8_t>& bytes);

protected:
    TBlobField(TComponent* owner, TFieldType type) : TField(owner, type, 0) {}
    String GetAsString() const override;
    Variant GetAsVariant() const override;
    String GetText(bool displayText) const override;
    void SetAsStringValue(const String& v) override;
    void SetAsVariantValue(const Variant& v) override;

private:
    bool FModified = false;
};

/// \brief Long text (ftMemo, ftFmtMemo); shown as "(MEMO)" in grids unless OnGetText says otherwise.
class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) {}

protected:
    TMemoField(TComponent* owner, TFieldType type) : TBlobField(owner, type) {}
    String GetAsString() const override;
    Variant GetAsVariant() const override;
    String GetText(bool displayText) const override;
};

class TGraphicField : public TBlobField {
public:
    explicit TGraphicField(TComponent* owner) : TBlobField(owner, ftGraphic) {}
};

/// \brief Creates the field object of the class that serves `type` (TFieldDef::CreateField uses it).
/// \throws EDatabaseError for a type without a field class.
TField* CreateFieldOfType(TFieldType type, TComponent* owner);

/// \brief The fields of a dataset in order; does not own them.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    int Count() const { return static_cast<int>(FList.size()); }
    TField* Fields(int index) const;
    TField* operator[](int index) const { return Fields(index); }
    /// \brief Case-insensitive; nullptr when there is none.
    TField* FindField(const String& name) const;
    /// \brief \throws EDatabaseError "Field 'X' not found".
    TField* FieldByName(const String& name) const;
    /// \brief The field bound to column `fieldNo`, or nullptr.
    TField* FieldByNumber(int fieldNo) const;
    int IndexOf(const TField* field) const;
    std::vector<String> GetFieldNames() const;
    void Add(TField* field);
    void Remove(TField* field);
    void Clear() { FList.clear(); }
    TDataSet* DataSet() const { return FDataSet; }
    auto begin() const { return FList.begin(); }
    auto end() const { return FList.end(); }

private:
    TDataSet* FDataSet;
    std::vector<TField*> FList;
};

} // namespace vantrel

// TField::GetData is in line with the dataset it reads from.
#include <vantrel/framework/DB.h>

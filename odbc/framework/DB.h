// The dataset engine: TDataSet with its record-buffer ring, bookmarks, editing, filtering and
// calculated fields; TDataSource and TDataLink, through which controls follow a dataset.
//
// A descendant supplies the storage: it allocates record buffers in its own layout, fills them in
// GetRecord and answers GetFieldData from them. The engine keeps a ring of BufferCount + 1 such
// buffers (the extra one is scratch for the next fetch), sized by the largest BufferCount of the
// data links attached, and a calculated-field area beside every buffer.
#pragma once

#include <vantrel/framework/DBFields.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace vantrel {

class TDataSource;
class TDataLink;

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening
};

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deParentScroll,
    deConnectChange,
    deReconcileError,
    deDisabledStateChange
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
/// Stored in record buffers (0 to 3): keep the ordinals.
enum TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };

/// Resync options, combined with |.
enum TResyncModeFlag : unsigned { rmExact = 1u << 0, rmCenter = 1u << 1 };
using TResyncMode = unsigned;
/// Locate options, combined with |.
enum TLocateOption : unsigned { loCaseInsensitive = 1u << 0, loPartialKey = 1u << 1 };
using TLocateOptions = unsigned;

enum TDataAction { daFail, daAbort, daRetry };
enum TUpdateKind { ukModify, ukInsert, ukDelete };

/// Raw record buffer in the descendant's own layout.
using TRecordBuffer = char*;

/// \brief A saved position in one open dataset: BookmarkSize bytes of the descendant's bookmark
/// data. It remembers the dataset and the opening it came from, so a bookmark of another dataset
/// or from before a re-open is refused instead of being followed. A default-made bookmark is null.
class TBookmark {
public:
    static constexpr int MaxSize = 16;

    TBookmark() = default;
    bool IsNull() const { return FSize == 0; }
    explicit operator bool() const { return FSize != 0; }
    const void* Data() const { return FData; }
    int Size() const { return FSize; }
    /// Same dataset, same opening, same bytes.
    friend bool operator==(const TBookmark& a, const TBookmark& b) {
        return a.FSize == b.FSize && a.FOwner == b.FOwner && a.FGeneration == b.FGeneration &&
               std::memcmp(a.FData, b.FData, static_cast<size_t>(a.FSize)) == 0;
    }

private:
    friend class TDataSet;
    const TDataSet* FOwner = nullptr;
    uint64_t FGeneration = 0;
    int FSize = 0;
    alignas(8) unsigned char FData[MaxSize] = {};
};

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;
using TDataSetErrorEvent = std::function<void(TDataSet* dataSet, EDatabaseError& error, TDataAction& action)>;

/// \brief The dataset engine. States, navigation, editing and events are here; the record source
/// is the descendant's (see the protected hooks).
///
/// Throws EDatabaseError prefixed with the component name ("Name: message") for misuse: an
/// operation on a closed dataset, editing a read-only one, Post outside edit mode, an unknown
/// field name, a bookmark from elsewhere.
///
/// Descendants must call Close() in their own destructor: the hooks that free the record buffers
/// and the source are theirs and no longer exist when ~TDataSet runs.
class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner);
    ~TDataSet() override;

    // ---- Opening -------------------------------------------------------------------------------
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return FState != dsInactive && FState != dsOpening; }
    /// \brief While the component is loading the value is remembered and applied in Loaded.
    void SetActive(bool value);
    TDataSetState State() const { return FState; }
    void Loaded() override;
    /// \brief Stored children: the fields made from the definitions at open are not stored.
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

    // ---- Navigation ----------------------------------------------------------------------------
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    /// \brief Moves `distance` records (negative: backward); returns how many it moved.
    int MoveBy(int distance);
    bool Eof() const { return FEOF; }
    bool Bof() const { return FBOF; }
    bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
    /// \brief Re-reads the data from the source (InternalRefresh) and rebuilds the buffers.
    void Refresh();
    /// \brief Rebuilds the buffer ring around the cursor: rmExact raises when the current record is
    /// gone, rmCenter puts it in the middle of the ring.
    virtual void Resync(TResyncMode mode);
    /// \brief Number of records, or -1 when the source cannot tell.
    int RecordCount() { return GetRecordCount(); }
    /// \brief 1-based number of the current record, or -1 when the source cannot tell.
    int RecNo() { return GetRecNo(); }
    void SetRecNo(int value) { SetRecNoValue(value); }
    bool IsUniDirectional() const { return FIsUniDirectional; }
    virtual bool IsSequenced() { return true; }

    // ---- Bookmarks -----------------------------------------------------------------------------
    int BookmarkSize() const { return FBookmarkSize; }
    /// \brief True on a real record (not an empty dataset, not an unposted insert).
    bool BookmarkAvailable();
    /// \brief The current position; null when BookmarkAvailable is false.
    TBookmark GetBookmark();
    /// \brief Moves to the bookmark's record (nothing for a null bookmark).
    /// \throws EDatabaseError when the bookmark is not from this opening of this dataset.
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark = TBookmark(); }
    /// \brief Order of two bookmarks: both null 0, only the second null -1, only the first 1;
    /// otherwise 0 for equal data and the byte order of the data (descendants order by position).
    virtual int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2);
    /// \brief True when the bookmark is from this opening of this dataset.
    virtual bool BookmarkValid(const TBookmark& bookmark);

    // ---- Editing -------------------------------------------------------------------------------
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    /// \brief Posts or cancels a pending edit (as when the record is left).
    void CheckBrowseMode();
    /// \brief Asks the data links to write their controls' values into the fields.
    void UpdateRecord();
    bool Modified() const { return FModified; }
    bool CanModify() { return GetCanModify(); }
    /// \brief Inserts (or appends) a record with `values` for the first fields and posts it.
    void InsertRecord(const std::vector<Variant>& values) { InsertOrAppendRecord(values, false); }
    void AppendRecord(const std::vector<Variant>& values) { InsertOrAppendRecord(values, true); }
    /// \brief Sets all fields of the record being edited to null.
    void ClearFields();

    // ---- Fields --------------------------------------------------------------------------------
    TFieldDefs* FieldDefs() { return &FFieldDefs; }
    TFields* Fields() { return &FFields; }
    int FieldCount() const { return FFields.Count(); }
    TField* FindField(const String& name) const { return FFields.FindField(name); }
    /// \brief \throws EDatabaseError "Name: Field 'X' not found".
    TField* FieldByName(const String& name) const;
    /// \brief The fields named in `names` ("A;B;C"). \throws EDatabaseError for an unknown name.
    std::vector<TField*> GetFieldList(const String& names) const;
    Variant FieldValues(const String& names) const;
    void SetFieldValues(const String& names, const Variant& value);
    /// \brief True while the fields were made from the field definitions at open.
    bool DefaultFields() const { return FDefaultFields; }
    /// \brief Refreshes FieldDefs from the source (opening it briefly for that when closed).
    void InitFieldDefs();
    /// \brief Bytes of the calculated-field area of each record buffer.
    int CalcFieldsSize() const { return FCalcFieldsSize; }
    /// \brief The value `field` has in `state` (dsOldValue, dsNewValue, dsCurValue).
    virtual Variant GetStateFieldValue(TDataSetState state, TField* field);

    // ---- Searching -----------------------------------------------------------------------------
    /// \brief Moves to the first record whose `keyFields` ("A;B") equal `keyValues` (one value, or
    /// an array with one element per field). Strings compare by text (loCaseInsensitive,
    /// loPartialKey: the field's text starts with the key), numbers by value, dates as date-times,
    /// Booleans as Booleans; null matches only null. The position is kept when nothing matches.
    /// \throws EDatabaseError when the number of values differs from the number of fields.
    virtual bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options);
    /// \brief The values of `resultFields` in the first record matching like Locate (exact,
    /// case-sensitive), or Null; the position does not change and no scroll events are sent.
    virtual Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields);

    // ---- Filtering and controls ----------------------------------------------------------------
    bool Filtered() const { return FFiltered; }
    /// \brief Changing it on an open dataset re-reads from the first record.
    virtual void SetFiltered(bool value);
    void DisableControls();
    /// \brief The last EnableControls sends the state change and one data-set change.
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount != 0; }
    /// \brief Sends `event` to the dataset's own handling and, unless controls are disabled, to
    /// every data source. For deFieldChange `info` is the TField*, for deDataSetScroll the number of
    /// positions the buffers moved.
    virtual void DataEvent(TDataEvent event, intptr_t info);

    // ---- Blobs ---------------------------------------------------------------------------------
    /// \brief A stream over the field's value in the current record; the caller owns it. The base
    /// raises EDatabaseError (no blob support).
    virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);

    // ---- Field data (used by TField; descendants answer from their record buffers) -------------
    /// \brief Copies the field's native value from the buffer of the current state into `buffer`
    /// (may be null); false when the value is null. The base knows no data fields and returns false.
    virtual bool GetFieldData(TField* field, void* buffer);
    /// \brief A date, time or time stamp field's value as parts straight from where the
    /// descendant holds them: 1 with `parts` set, 0 for null, -1 when it cannot tell (the field
    /// then decodes its value). The base returns -1.
    virtual int GetFieldDateTimeParts(TField* field, TDateTimeParts& parts);
    /// \brief Writes a native value (null: make it null). Descendants validate (field->Validate),
    /// store and send DataEvent(deFieldChange, field). The base raises (read-only dataset).
    virtual void SetFieldData(TField* field, const void* buffer);

    // ---- Text translation ----------------------------------------------------------------------
    /// \brief Converts `text` between the program's encoding and the one the data is stored in
    /// (`toOem`: towards the stored form) into `result`. The base copies it unchanged; a
    /// descendant that changes text says so with SetTranslates. Throws EDatabaseError for text
    /// the target encoding cannot hold.
    virtual void Translate(std::string_view text, String& result, bool toOem);
    /// True when Translate changes text: text fields then pass what they read through it.
    bool Translates() const noexcept { return FTranslates; }

    // ---- Record buffers (for descendants and data links) ---------------------------------------
    /// \brief The current record's buffer; null when there is no buffer yet.
    TRecordBuffer ActiveBuffer() const {
        return FSlots.empty() ? nullptr : FSlots[static_cast<size_t>(FActiveRecord)].Buffer;
    }
    /// \brief The buffer the current state reads and writes: the active one in browse (null when
    /// empty), edit, insert and the value states; the one being calculated in dsCalcFields; the one
    /// being filtered in dsFilter.
    TRecordBuffer StateBuffer() const {
        // Browsing is what every field read of a fetch loop meets: answered here, in line.
        if (FState == dsBrowse)
            return IsEmpty() ? nullptr : ActiveBuffer();
        return OtherStateBuffer();
    }
    TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
    /// \brief Every record buffer held, the scratch one included (for a descendant whose
    /// records refer to data it must keep for them): `index` from 0 to SlotCount() - 1.
    int SlotCount() const { return static_cast<int>(FSlots.size()); }
    TRecordBuffer SlotBuffer(int index) const { return FSlots[static_cast<size_t>(index)].Buffer; }
    int BufferCount() const { return FBufferCount; }
    /// \brief Records currently in the ring.
    int BufferedRecords() const { return FRecordCount; }
    int ActiveRecord() const { return FActiveRecord; }

    // ---- Events --------------------------------------------------------------------------------
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TFilterRecordEvent OnFilterRecord;
    TDataSetErrorEvent OnPostError, OnEditError, OnDeleteError;

protected:
    // ---- Hooks a descendant implements ---------------------------------------------------------
    /// \brief A new record buffer (GetRecordSize bytes or the descendant's own layout).
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    /// \brief Frees a buffer from AllocRecordBuffer and sets it to null.
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
    /// \brief Reads the record after (gmNext), before (gmPrior) or at (gmCurrent) the cursor into
    /// `buffer` and moves the cursor onto it; sets the buffer's bookmark flag to bfCurrent.
    /// Filtered descendants skip records DoFilterRecord rejects. Returns grBOF / grEOF past the
    /// ends; with `doCheck` a failure raises, else it returns grError.
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) = 0;
    virtual int GetRecordSize() { return 0; }
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalInitFieldDefs() = 0;
    /// \brief Cursor before the first record.
    virtual void InternalFirst() = 0;
    /// \brief Cursor after the last record.
    virtual void InternalLast() = 0;
    /// \brief Cursor onto the record of BookmarkSize bytes of bookmark data.
    virtual void InternalGotoBookmark(const void* bookmark);
    /// \brief Cursor onto the record held in `buffer`.
    virtual void InternalSetToRecord(TRecordBuffer buffer);
    virtual void GetBookmarkData(TRecordBuffer buffer, void* data);
    virtual void SetBookmarkData(TRecordBuffer buffer, const void* data);
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer);
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value);
    /// \brief Empties a buffer for a new record (the base zeroes GetRecordSize bytes).
    virtual void InternalInitRecord(TRecordBuffer buffer);
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    /// \brief Stores the active buffer (edit or insert) and leaves the cursor on that record.
    virtual void InternalPost();
    virtual void InternalCancel() {}
    /// \brief Removes the current record and leaves the cursor on the next one (or the prior).
    virtual void InternalDelete();
    /// \brief Adds a record from `buffer` (InsertRecord / AppendRecord use Insert and Post instead).
    virtual void InternalAddRecord(const void* buffer, bool append);
    virtual void InternalRefresh() {}
    /// \brief Called when an exception leaves a component method that cannot report it (Loaded).
    virtual void InternalHandleException();
    virtual bool GetCanModify() { return true; }
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecNo() { return -1; }
    virtual void SetRecNoValue(int value) { (void)value; }
    /// \brief Recomputes the descendant's internal calculated fields of `buffer`.
    virtual void RefreshInternalCalcFields(TRecordBuffer buffer) { (void)buffer; }
    /// \brief Opens the source; InternalOpen unless `infoQuery`, which only reads the field defs.
    virtual void OpenCursor(bool infoQuery);
    virtual void CloseCursor();
    virtual void CreateFields();
    virtual void DestroyFields();
    /// \brief Binds the fields to their definitions (field numbers, calculated-field offsets) or
    /// unbinds them. \throws EDatabaseError for a field without definition or of another type.
    virtual void BindFields(bool binding);
    virtual void DoOnNewRecord();
    virtual void DoOnCalcFields();
    virtual void DoBeforeScroll();
    virtual void DoAfterScroll();

    // ---- Helpers for descendants ---------------------------------------------------------------
    void SetState(TDataSetState value);
    /// \brief Switches the state without events (returns the old one for RestoreState).
    TDataSetState SetTempState(TDataSetState value);
    void RestoreState(TDataSetState value);
    void SetBookmarkSize(int size);
    void SetUniDirectional(bool value) { FIsUniDirectional = value; }
    void CheckActive() const;
    void CheckInactive() const;
    /// \brief Raises unless a data field may be written now (edit modes, not read-only).
    void CheckFieldCanWrite(TField* field);
    /// \brief Runs OnFilterRecord for `buffer` in dsFilter (with its calculated fields computed);
    /// true when the record is accepted (always when no handler is set).
    bool DoFilterRecord(TRecordBuffer buffer);
    /// \brief Computes the calculated and lookup fields of one of the ring's buffers.
    void GetCalcFields(TRecordBuffer buffer);
    /// \brief The cursor no longer stands on the record of any buffer.
    void CursorPosChanged() { FCurrentRecord = -1; }
    /// \brief Brings the cursor back to the active record.
    void UpdateCursorPos();
    void SetActiveRecord(int index);
    void SetTranslates(bool value) noexcept { FTranslates = value; }
    /// \brief Says that while browsing, the data field's value is null exactly when the byte at
    /// `offset` of the active record buffer is 0, so IsNull reads it without GetFieldData
    /// (-1 withdraws it). Only for a GetFieldData that answers null-ness from that byte alone.
    void SetFieldIndicator(TField* field, int offset) noexcept { field->FIndicatorOffset = offset; }

private:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;

    struct Slot {
        TRecordBuffer Buffer = nullptr;
        char* Calc = nullptr;
    };

    bool ReadFieldValue(const TField* field, void* buffer) {
        if (field->FFieldKind != fkCalculated && field->FFieldKind != fkLookup)
            return GetFieldData(const_cast<TField*>(field), buffer);
        return ReadCalcFieldValue(field, buffer);
    }
    bool ReadCalcFieldValue(const TField* field, void* buffer);
    TRecordBuffer OtherStateBuffer() const;
    void WriteFieldValue(TField* field, const void* buffer);
    char* CalcAreaForState() const;
    int SlotOf(TRecordBuffer buffer) const;
    void CalculateSlot(int slot);
    void ClearCalcArea(char* area) const;
    void UpdateCalcFields();

    void DoInternalOpen();
    void OpenCursorComplete();
    void SetBufferCount(int value);
    void UpdateBufferCount();
    void AllocSlot(Slot& slot);
    void FreeSlot(Slot& slot);
    void ReleaseBuffers();
    void MoveBuffer(int curIndex, int newIndex);
    void ActivateBuffers();
    void ClearBuffers();
    void SetCurrentRecord(int index);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    TGetResult FetchInto(int slot, TGetMode mode, bool doCheck);
    void BeginInsertAppend();
    void EndInsertAppend();
    void InitRecord(TRecordBuffer buffer);
    void FreeFieldBuffers();
    void CheckRequiredFields();
    void CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent);
    void CheckCanModify();
    void InsertOrAppendRecord(const std::vector<Variant>& values, bool append);
    void CalcLookupValue(TField* field);
    template <class F> bool InFilterState(TRecordBuffer buffer, F&& fn);
    bool ScanFor(const std::vector<TField*>& fields, const Variant& values, TLocateOptions options);
    void CheckKeyValues(const std::vector<TField*>& fields, const Variant& values);
    bool RecordMatches(const std::vector<TField*>& fields, const Variant& values, TLocateOptions options);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void NotifyLinks(TDataEvent event, intptr_t info);
    static void Fire(const TDataSetNotifyEvent& event, TDataSet* self) {
        if (event)
            event(self);
    }

    TFieldDefs FFieldDefs;
    TFields FFields;
    std::vector<TDataSource*> FDataSources;
    std::vector<Slot> FSlots; // FBufferCount + 1 when open; the last is scratch
    Slot FFilterSlot;         // calculated fields of a record being filtered
    TRecordBuffer FCalcBuffer = nullptr;
    char* FCalcArea = nullptr;
    TRecordBuffer FFilterBuffer = nullptr;
    char* FFilterCalc = nullptr;
    TDataSetState FState = dsInactive;
    TDataSetState FDisableState = dsInactive;
    TDataEvent FEnableEvent = deDataSetChange;
    bool FTranslates = false;
    int FBufferCount = 0;
    int FRecordCount = 0;
    int FActiveRecord = 0;
    int FCurrentRecord = -1;
    int FBookmarkSize = 8;
    int FCalcFieldsSize = 0;
    int FDisableCount = 0;
    uint64_t FGeneration = 0;
    bool FBOF = true;
    bool FEOF = true;
    bool FModified = false;
    bool FFiltered = false;
    bool FDefaultFields = false;
    bool FInternalOpenComplete = false;
    bool FStreamedActive = false;
    bool FIsUniDirectional = false;
    bool FHasLookups = false;
};

using TDataChangeEvent = std::function<void(TObject* sender, TField* field)>;

/// \brief Connects data links (controls) to a dataset and passes its events on to them.
class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool value) { FAutoEdit = value; }
    /// \brief The dataset's state as the links see it (dsInactive when disabled or unattached).
    TDataSetState State() const { return FState; }
    /// \brief Puts the dataset into edit mode when AutoEdit is set and it is browsing.
    void Edit();
    bool IsLinkedTo(const TDataSet* dataSet) const;
    int LinkCount() const { return static_cast<int>(FDataLinks.size()); }

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnUpdateData;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, intptr_t info);
    void NotifyDataLinks(TDataEvent event, intptr_t info);
    void SetState(TDataSetState value);
    void UpdateState();
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

    TDataSet* FDataSet = nullptr;
    std::vector<TDataLink*> FDataLinks;
    TDataSetState FState = dsInactive;
    bool FEnabled = true;
    bool FAutoEdit = true;
};

/// \brief What a data-aware control holds: a window of BufferCount records of a dataset's ring,
/// and the notifications of its changes. Override the virtuals to react.
class TDataLink : public TPersistent {
public:
    TDataLink() = default;
    ~TDataLink() override;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    /// \brief Index of the current record inside the link's window.
    int ActiveRecord() const;
    /// \brief Makes another record of the window current for reading (drawing a grid row);
    /// restore it afterwards.
    void SetActiveRecord(int value);
    int BufferCount() const { return FBufferCount; }
    /// \brief Window size (at least 1); the dataset's ring grows to the largest link's window.
    void SetBufferCount(int value);
    /// \brief Records in the window (at most BufferCount).
    int RecordCount() const;
    /// \brief Asks the data source to edit; true when the dataset is now editing.
    bool Edit();
    /// \brief Calls UpdateData (the control writes its value into the field).
    void UpdateRecord();
    int MoveBy(int distance);
    bool Bof() const;
    bool Eof() const;

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    /// \brief The window moved `distance` records (positive: toward the end).
    virtual void DataSetScrolled(int distance) {
        (void)distance;
        DataSetChanged();
    }
    virtual void EditingChanged() {}
    /// \brief A control showing `field` takes the focus and sets `field` to null.
    virtual void FocusControl(TField*& field) { (void)field; }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    void DataEvent(TDataEvent event, intptr_t info);
    void UpdateState();
    void UpdateRange();
    void SetActive(bool value);
    void SetEditing(bool value);

    TDataSource* FDataSource = nullptr;
    int FFirstRecord = 0;
    int FBufferCount = 1;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
};

// A fetch loop asks every field whether it is null: answered from the record where the dataset
// said where to look.
inline bool TField::IsNull() const {
    if (FIndicatorOffset >= 0 && FDataSet && !FValidating && FDataSet->FState == dsBrowse && !FDataSet->IsEmpty())
        if (const TRecordBuffer record = FDataSet->ActiveBuffer())
            return record[FIndicatorOffset] == 0;
    return !GetData(nullptr);
}

// Every value a program reads from a field comes through here: kept in line.
inline bool TField::GetData(void* buffer) const {
    if (!FDataSet)
        NoDataSetError();
    if (FValidating)
        return ValidatingData(buffer);
    return FDataSet->ReadFieldValue(this, buffer);
}

} // namespace vantrel

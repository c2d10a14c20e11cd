#pragma once
// The read-only dataset over one ODBC statement, and the query component that publishes it.
//
// Record buffer of one row (the layout descendants and bookmarks rely on):
//   offset 0  int32  row offset of the record relative to the anchor
//   offset 4  uint8  bookmark flag
//   offset 5  per field definition: one indicator byte ('1' value, 0 null, 'T' value cut to the
//             column's width) followed by the field's data area
//   after the data areas: int32 anchor the row offset counts from, one int32 length per column
//             and the row of the block cursor's row set the record stands for (-1: none)
// A block cursor's records (forward-only with BlockCursor, or scrollable with RowSetSize above
// 1) hold only the indicators and name their row; the data areas are filled from the row set
// before the next block overwrites it.
//
// Bookmark (8 bytes): anchor, then row offset. Anchor 1 counts from the first row (0 = first),
// anchor -1 from the last (0 = last, earlier rows negative).
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/core/ODBCError.h>
#include <vantrel/framework/DB.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace vantrel {

class TODBCParams;
class TODBCParam;
class TParamValueItem;
class TParamValueList;
class TFieldValueItem;
class TFiler;

/// Offset value of a record before any row was read. No real offset reaches it.
constexpr int32_t ODBCOffsetUnset = INT32_MIN;

/// Bytes at the start of every record buffer (row offset and bookmark flag).
constexpr int ODBCRecordHeaderSize = 5;

/// \brief Field type of a result column of ODBC SQL type `sqlType` (ftUnknown when unmapped).
/// BIGINT columns become ftLargeint fields so no value is cut to 32 bits.
TFieldType ConvertSQLToBDE(int sqlType);
/// \brief The C type a result column of field type `type` is bound as (SQL_C_DEFAULT when unmapped).
int ODBCBindCType(TFieldType type);
/// \brief Bytes of a field's data area in the record buffer for a definition of `type` and `size`.
int ODBCRecordDataSize(TFieldType type, int size);

/// \brief Rewrites `text` for the driver: every ":name" outside quotes becomes "?" and its name
/// is appended to `names` (may be null), "::" becomes ":". A name ends at whitespace, ")", ","
/// or ";" outside quotes; ":'a b'" and ":\"a b\"" are quoted names, stripped of their pair of
/// quotes. A colon with no name after it, with an empty quoted name (":''") or with a name whose
/// quote never closes (":'a b"), stays as it is.
void ODBCParseParams(String& text, std::vector<String>* names);

/// \brief What a statement step of a dataset holds while it runs (see
/// TODBCDataSet::LockStatement): calls `release(context)` once when it goes. Empty by default.
class TODBCStatementLock {
public:
    using Release = void (*)(void* context) noexcept;
    TODBCStatementLock() noexcept = default;
    TODBCStatementLock(void* context, Release release) noexcept : FContext(context), FRelease(release) {}
    TODBCStatementLock(TODBCStatementLock&& other) noexcept : FContext(other.FContext), FRelease(other.FRelease) {
        other.FRelease = nullptr;
    }
    TODBCStatementLock& operator=(TODBCStatementLock&&) = delete;
    ~TODBCStatementLock() {
        if (FRelease)
            FRelease(FContext);
    }
    bool Holds() const noexcept { return FRelease != nullptr; }

private:
    void* FContext = nullptr;
    Release FRelease = nullptr;
};

/// \brief Read-only dataset over the result of the SQL text on a TODBCDatabase: scrollable
/// (keyset-driven) or forward-only, optionally fetching blocks of rows on a forward-only cursor.
/// A scrollable cursor always fetches RowSetSize rows at a time (set it to 1 for one row per
/// fetch) and moves inside the block without asking the driver.
/// It owns its SQL lines, parameters, fields and statement; the database is only referred to.
///
/// Throws EODBCError for failing ODBC calls, EDatabaseError with the library's messages for misuse.
class TODBCDataSet : public TDataSet, public TODBCDataSetClient {
public:
    explicit TODBCDataSet(TComponent* owner = nullptr);
    ~TODBCDataSet() override;

    // ---- Connection and statement --------------------------------------------------------------
    TODBCDatabase* ODBCDatabase() const noexcept { return FDatabase; }
    /// \brief Moves the dataset to `db` (null detaches); an open dataset is closed first.
    virtual void SetODBCDatabase(TODBCDatabase* db);
    /// \brief The statement text; changing it disconnects the dataset and rebuilds Params.
    TStrings* SQL() const noexcept;
    /// \brief Replaces the text when it differs (one change notification).
    void SetQuery(TStrings* lines);
    void SetSQLText(const String& text);
    /// \brief The text as the driver gets it (parameters as "?").
    const String& ConvertedSQL() const noexcept { return FConvertedSQL; }
    TODBCParams* Params() const noexcept { return FParams.get(); }
    TODBCParam* ParamByName(const String& name) const;
    TODBCParam* FindParam(const String& name) const;
    int ParamsCount() const;

    /// Statement handle, null while none is allocated.
    TODBCHandle Handle() const noexcept { return FStmt; }
    TODBCHandle GetDBC() const;

    // ---- Cursor properties ---------------------------------------------------------------------
    int BlobBufferSize() const noexcept { return FBlobBufferSize; }
    /// \brief 1..8192; otherwise "ODBC Not correct BlobBufferSize=%d (0 < BlobBufferSize <= 8192)".
    void SetBlobBufferSize(int value);
    int MaxBlobBuffer() const noexcept { return FMaxBlobBuffer; }
    /// \brief From 1; otherwise "ODBC Not correct MaxBlobBuffer=%d (0 < BlobBufferSize)".
    void SetMaxBlobBuffer(int value);
    bool UniDirectional() const noexcept { return FUniDirectional; }
    void SetUniDirectional(bool value);
    bool BlockCursor() const noexcept { return FBlockCursor; }
    /// \brief Raises "ODBC This operation is not allowed on open dataset" while active.
    void SetBlockCursor(bool value);
    int RowSetSize() const noexcept { return FRowSetSize; }
    /// \brief Raises while active; a negative size is ignored.
    void SetRowSetSize(int value);
    /// \brief Text is stored in an OEM code page: text fields read and text parameters written
    /// (those whose Translate flag is set) are converted between it and the program's UTF-8.
    /// Off by default.
    bool OEMTranslate() const noexcept { return FOEMTranslate; }
    void SetOEMTranslate(bool value);
    /// \brief The OEM code page by its iconv name ("CP850" by default; "CP437", ...). An unknown
    /// name raises EDatabaseError and keeps the one before.
    const String& OEMCodePage() const noexcept { return FOEMCodePage; }
    void SetOEMCodePage(const String& name);
    /// \brief Converts between UTF-8 and the OEM code page (`toOem`: into it) while OEMTranslate
    /// is on, else copies. Text the target cannot hold raises EDatabaseError: nothing is written
    /// with characters replaced.
    void Translate(std::string_view text, String& result, bool toOem) override;

    /// True when rows are fetched in blocks (BlockCursor on a forward-only cursor).
    bool BlockMode() const noexcept { return FBlockCursor && FUniDirectional && FRowSetSize > 0; }
    /// True when a scrollable cursor fetches RowSetSize rows at a time (RowSetSize above 1).
    bool ScrollBlockMode() const noexcept { return !FUniDirectional && FRowSetSize > 1; }

    // ---- Operations ----------------------------------------------------------------------------
    /// \brief Runs the statement without a result set (and leaves the dataset in browse state).
    void ExecSQL();
    void Prepare() { SetPrepared(true); }
    void UnPrepare() { SetPrepared(false); }
    bool Prepared() const noexcept { return FPrepared; }
    void SetPrepared(bool value);
    /// \brief UnPrepare, then Close.
    void Disconnect();
    /// \brief Rows changed by the last statement, -1 when the driver cannot tell.
    int GetRowsAffected();
    /// \brief Opens, or re-runs the open statement keeping fields and buffers.
    void ImmediatelyOpen();
    /// \brief Closes the ODBC cursor and returns the current position.
    TBookmark SilentClose();
    /// \brief Re-runs the statement and returns to `bookmark` (from this opening; else raises).
    void SilentOpen(const TBookmark& bookmark);
    /// \brief True when the statement has result columns.
    bool IsDataSet();
    /// \brief Moves forward (from the first record when `fromFirst`) to the first record whose
    /// fields equal the values; stays when none does. Raises "ODBC Fields and values are not
    /// correct" when the lists differ in length.
    bool FindRecordByValues(const std::vector<String>& fields, const std::vector<Variant>& values, bool fromFirst);
    bool LocateRecord(const String& keyFields, const Variant& keyValues, TLocateOptions options);
    bool LocateFindRecord(const std::vector<TField*>& fields, const Variant& values, bool caseInsensitive,
                          bool partialKey);
    /// \brief Raises "ODBC This operation is not allowed on closed database" unless the
    /// database is set and connected.
    void CheckDBOpenError() const;
    void CreateHandle();
    /// \brief Binds the parameter values to the statement (before each execution).
    void BindAllParam();
    String CursorName();
    void SetCursorName(const String& name);

    /// \brief True when the field's value in the current record was longer than the column's
    /// buffer and was cut (text columns; memos and blobs read whole through their streams).
    bool FieldTruncated(TField* field);
    /// \brief The whole value of the field in `record` (the current one by default): from the
    /// record when it fitted its column, else read with SQLGetData in pieces from its row. False
    /// for null.
    bool ReadColumnData(TField* field, String& data);
    bool ReadColumnData(TField* field, TRecordBuffer record, String& data);

    // ---- Overridden framework operations -------------------------------------------------------
    bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override;
    bool IsSequenced() override { return false; }
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    bool GetFieldData(TField* field, void* buffer) override;
    int GetFieldDateTimeParts(TField* field, TDateTimeParts& parts) override;
    void SetFieldData(TField* field, const void* buffer) override;
    int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
    void DefineProperties(TFiler* filer) override;

    // ---- New virtual operations ----------------------------------------------------------------
    virtual bool RetCodeIsSuccessful(int16_t rc);
    /// \brief The bind buffer of one parameter (the library's conversion by default).
    virtual long ConvertData(const TODBCParam* param, TParamValueItem& item);
    /// \brief Rewrites `text` (parameters as "?") and appends one parameter per occurrence to
    /// `params` when it is given.
    virtual void CreateParams(TODBCParams* params, String& text);
    virtual void InternalExecSQL();
    /// \brief Change notification of SQL.
    virtual void QueryChanged();
    virtual void PrepareSQL(const String& text);
    /// \brief The record count found with a logarithmic number of absolute fetches.
    virtual int GetRecordCountExt();
    /// \brief The statement text before parameter conversion (default: the SQL lines).
    virtual String GetRealSQLText();
    virtual bool DoFilter(TRecordBuffer buffer);
    virtual void InternalFreeStmt(int option);

    /// \brief The column binding list: one field value item per result column (field number 1
    /// first), null outside it. After a fetch Length holds the column's indicator (block mode:
    /// Indicators(), one per row of the block).
    TFieldValueItem* ColumnItem(int fieldNo) const;
    int ColumnCount() const noexcept;

    /// Bytes of one record buffer (header included, anchor trailer excluded).
    int RecordDataSize() const noexcept { return FRecordDataSize; }
    /// Opaque content of the stored property "Data".
    const std::vector<uint8_t>* StoredData() const noexcept { return FStoredData.get(); }

    // TODBCDataSetClient
    TODBCDataSet* ODBCDataSet() noexcept override { return this; }
    void CloseForDatabase() override;
    void DetachFromDatabase() override;

protected:
    /// \brief Taken by the public operations that use the statement outside the virtual steps
    /// (SetPrepared, ExecSQL, GetRowsAffected, CursorName, SetCursorName, SetUniDirectional,
    /// SetBlockCursor, SetRowSetSize, IsDataSet, CreateHandle, Disconnect, ImmediatelyOpen,
    /// SilentClose, SilentOpen, ReadColumnData, FindRecordByValues, LocateRecord,
    /// LocateFindRecord, BindAllParam), so a dataset whose connection threads share can hold that
    /// connection's lock however it is called. Steps nest, so the lock must be re-entrant. Never
    /// taken per row. The default holds nothing.
    virtual TODBCStatementLock LockStatement() { return {}; }

    void Notification(TComponent* component, TOperation operation) override;
    void DestroyFields() override;
    bool GetCanModify() override { return false; }
    int GetRecordCount() override;
    int GetRecNo() override;
    void InternalRefresh() override;
    void OpenCursor(bool infoQuery) override;
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& buffer) override;
    void GetBookmarkData(TRecordBuffer buffer, void* data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
    int GetRecordSize() override;
    void InternalAddRecord(const void* buffer, bool append) override;
    void InternalDelete() override;
    void InternalFirst() override;
    void InternalGotoBookmark(const void* bookmark) override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    void InternalLast() override;
    void InternalPost() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
    void InternalClose() override;
    void InternalHandleException() override;
    void InternalInitFieldDefs() override;
    void InternalOpen() override;
    bool IsCursorOpen() const override { return FStmt != nullptr; }

    /// \brief True when the records of a block cursor may name their row of the bound row set
    /// instead of holding a copy of it (fields then read the row set's arrays). A descendant
    /// that writes into record buffers returns false.
    virtual bool ReadsRowSetInPlace() const { return true; }

    /// Field origins ("table.column") from the driver's column attributes.
    void SetOrigin();

    /// \brief Puts the cursor on `record`'s row (InternalSetToRecord) as the driver's current
    /// row, fetched again, so SQLGetData reads its columns from their start.
    void SetToRecordForData(TRecordBuffer record);

private:
    struct Column;
    struct OEMConverter;

    int16_t Check(int16_t rc, const char* operation);
    int16_t ExtendedFetch(int direction, long offset);
    int16_t FetchBlock(int direction, long offset);
    int16_t ScrollFetch(int direction, long offset);
    bool LoadScrollRow(int direction);
    bool ScrollRowInBlock() noexcept;
    long ScrollRowCount();
    bool RowSetArrays() const noexcept { return BlockMode() || ScrollBlockMode(); }
    TGetResult FetchDirection(int direction, TRecordBuffer buffer);
    void PutRow(TRecordBuffer buffer);
    void CopyRow(TRecordBuffer buffer, size_t row);
    void MarkRow(TRecordBuffer buffer, size_t row);
    void KeepRowSetRecords();
    void CopyRowSetRecord(TRecordBuffer record);
    bool RowSetFieldData(const Column& column, TField* field, TRecordBuffer record, void* buffer);
    int32_t* RowSetRef(TRecordBuffer buffer) const noexcept {
        return reinterpret_cast<int32_t*>(buffer + FRowSetRefOffset);
    }
    bool CopyFieldData(const Column& column, TField* field, const char* area, void* buffer);
    void FreeColumns() noexcept;
    void ResetPosition() noexcept;
    void PositionOn(int32_t anchor, int32_t offset);
    void RestorePosition(int32_t anchor, int32_t offset, int state);
    void Reexecute();
    void SkipForward(int64_t rows);
    int CountForwardOnly();
    void ResizeRowStatus();
    void ApplyRowSetSize();
    void DropStatement();
    const Column* ColumnOf(const TField* field) const;
    int32_t& RecordAnchor(TRecordBuffer buffer) const;
    size_t TrailerOffset() const noexcept;
    int32_t* RecordLengths(TRecordBuffer buffer) const;

    /// The last value read whole with SQLGetData, by record position and field number.
    struct LastValue {
        bool Valid = false;
        int FieldNo = 0;
        int32_t Offset = 0;
        int32_t Anchor = 0;
        String Data;
    };

    TODBCDatabase* FDatabase = nullptr;
    LastValue FLastValue;
    std::unique_ptr<TStringList> FSQL;
    std::unique_ptr<OEMConverter> FOEM;
    String FOEMCodePage = "CP850";
    bool FOEMTranslate = false;
    std::unique_ptr<TODBCParams> FParams;
    std::unique_ptr<TParamValueList> FParamItems;
    std::unique_ptr<std::vector<uint8_t>> FStoredData;
    std::vector<std::unique_ptr<Column>> FColumns;
    std::vector<uint16_t> FRowStatus;
    TODBCHandle FStmt = nullptr;
    String FConvertedSQL;
    int FRecordDataSize = ODBCRecordHeaderSize;
    int FBlobBufferSize = 8192;
    int FMaxBlobBuffer = 100000;
    int32_t FRowOffset = ODBCOffsetUnset;
    int32_t FAnchor = 1;
    int FCursorState = -1;
    int FRecordCountCache = -1;
    long FBlockIndex = -1;
    unsigned long FRowsFetched = 0;
    int FRowSetSize = 100;
    /// Where a record names its row of the row set: row (-1: the record holds its values) and block.
    size_t FRowSetRefOffset = 0;
    /// Blocks fetched since the statement ran; a record's row is of this block only.
    int32_t FBlockNumber = 0;
    /// Rows of the current block are read in place (see ReadsRowSetInPlace).
    bool FInPlace = false;
    /// A scrollable cursor read in blocks keeps one position of a one-row cursor: FScrollFrom 1
    /// counts FScrollRow from the first row (1 = first, 0 = before it), -1 from the last (-1 =
    /// last, 0 = after it). The block holds rows FBlockFirst.. (counted from the first row; 0: no
    /// block) and FTotalRows is the result's row count once known (-1 before).
    int FScrollFrom = 1;
    long FScrollRow = 0;
    long FBlockFirst = 0;
    long FTotalRows = -1;
    bool FPrepared = false;
    bool FBlockCursor = false;
    bool FUniDirectional = false;
    bool FTrimRight = false;
};

/// \brief TODBCDataSet with its properties published for forms and the designer.
class TODBCQuery : public TODBCDataSet {
public:
    using TODBCDataSet::TODBCDataSet;
};

} // namespace vantrel

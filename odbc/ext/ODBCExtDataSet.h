#pragma once
// The editable ODBC dataset: values are edited, inserted and deleted in memory with the
// framework's usual calls, and written by the application's handlers on post and delete.
#include <vantrel/core/ODBCBlob.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/framework/DB.h>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace vantrel {

/// What an update handler reports back.
enum TUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };

/// Handler of one pending change: write it and set `action` (it starts as uaApplied).
using TUpdateRecordEvent =
    std::function<void(TDataSet* dataSet, TUpdateKind updateKind, TUpdateAction& action)>;

/// \brief A value remembered for a field: null flag and value.
class TODBCFieldValue : public TObject {
public:
    TODBCFieldValue() = default;
    TODBCFieldValue(bool isNull, Variant value) : IsNull(isNull), Value(std::move(value)) {}
    bool IsNull = true;
    Variant Value;
};

/// \brief TODBCDataSet made editable in memory. It writes nothing to the database itself: post
/// calls OnUpdateRec (edit) or OnInsertRec (insert), delete calls OnDeleteRec; the handlers read
/// the old values (TField::OldValue) and the new ones and do the writing.
///
/// Only uaApplied (also when no handler is assigned) and uaSkip end the post as done. uaFail
/// raises and keeps the record in its edit or insert state, uaAbort aborts silently and keeps
/// it too; uaRetry calls the handler again. After a handler applied a change the statement is
/// run again (RefreshAfterPost) so the rows show what was written.
///
/// A change applied without running the statement again (RefreshAfterPost off, or no handler)
/// is kept in memory: the row shows its posted values, a deleted row is left out, an inserted
/// record follows the statement's last row, until the statement runs again or the dataset
/// closes. uaSkip keeps nothing: the row shows what the statement gives. A forward-only dataset
/// keeps no inserted records (it cannot come back to them).
class TODBCExtDataSet : public TODBCDataSet {
public:
    explicit TODBCExtDataSet(TComponent* owner = nullptr);
    ~TODBCExtDataSet() override;

    TUpdateRecordEvent OnUpdateRec;
    TUpdateRecordEvent OnInsertRec;
    TUpdateRecordEvent OnDeleteRec;

    /// \brief Number of fields changed in the current edit.
    int ModifiedField() const { return FOldValues->Count(); }
    /// Pending change: 0 none, 1 modify, 2 insert, 3 delete.
    int PendingKind() const noexcept { return FPendingKind; }
    /// Field name -> value before its first change in the current edit.
    TStringList* OldValues() const noexcept { return FOldValues.get(); }
    /// Field name -> new content of an edited blob or memo field.
    TStringList* NewValues() const noexcept { return FNewValues.get(); }
    /// \brief Frees every object of `list` and clears it.
    static void ClearSlst(TStringList* list);

    /// Re-run the statement after a handler applied a change (default true).
    bool RefreshAfterPost() const noexcept { return FRefreshAfterPost; }
    void SetRefreshAfterPost(bool value) noexcept { FRefreshAfterPost = value; }

    /// \brief Rows kept in memory since the statement last ran (edited and deleted ones).
    int PostedCount() const noexcept { return static_cast<int>(FPosted.size()); }
    /// \brief Records inserted since the statement last ran (deleted ones included).
    int InsertedCount() const noexcept { return static_cast<int>(FInserted.size()); }

    void SetFieldData(TField* field, const void* buffer) override;
    void InternalExecSQL() override;
    bool DoFilter(TRecordBuffer buffer) override;
    int GetRecordCountExt() override;
    Variant GetStateFieldValue(TDataSetState state, TField* field) override;
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;

protected:
    bool GetCanModify() override { return true; }
    int GetRecordSize() override { return RecordDataSize(); }
    void InternalAddRecord(const void* buffer, bool append) override;
    void InternalHandleException() override;
    void InternalDelete() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    /// Edits and posted rows are written into the records, so they hold copies of their rows.
    bool ReadsRowSetInPlace() const override { return false; }
    void InternalClose() override;
    void InternalCancel() override;
    void InternalPost() override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
    void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) override;
    int GetRecordCount() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const void* bookmark) override;

private:
    friend class TODBCExtBlobStream;

    /// A row as it was posted: its data areas (after the record header) and edited blob values.
    struct PostedRow {
        int32_t Anchor = 1;
        int32_t Offset = 0;
        bool Deleted = false;
        std::vector<char> Data;
        /// Field name -> null flag and content.
        std::map<String, std::pair<bool, String>> Blobs;
    };

    /// The posted row `buffer` was read from (an inserted record's own), or null.
    PostedRow* FindPosted(TRecordBuffer buffer);
    /// Index of the inserted record `buffer` holds, or -1 for a row of the statement.
    int InsertedIndex(TRecordBuffer buffer) const;
    /// Stands on inserted record `index` (or after the last one), the statement's cursor after
    /// its last row.
    void StandOnInserted(int index);
    /// The next (step 1) or previous (step -1) inserted record from FVirtual that is not deleted
    /// and passes the filter, copied into `buffer`; false when there is none.
    bool StepInserted(TRecordBuffer buffer, int step);
    void ServeInserted(TRecordBuffer buffer, int index);
    int LiveInserted() const;
    /// Puts the posted values over a freshly read record; false when the row was deleted.
    bool ApplyPosted(TRecordBuffer buffer);
    /// Keeps the change just applied to the active record.
    void KeepPosted(int kind);
    /// The value of a blob field in the state's record: posted, or from the statement.
    bool CurrentBlobValue(TField* field, String& data);
    void SetIndicator(TField* field, bool hasValue);

    /// Offset of the field's indicator byte in a record buffer and the size of its data area.
    bool FieldArea(const TField* field, int& offset, int& size) const;
    void RememberOldValue(TField* field, bool isNull, const Variant& value);
    void MarkPending();
    void CancelPending();

    std::unique_ptr<TStringList> FOldValues;
    std::unique_ptr<TStringList> FNewValues;
    std::vector<PostedRow> FPosted;
    std::vector<PostedRow> FInserted;
    /// -1: the cursor is the statement's; 0..n-1: on that inserted record; n: after the last.
    int FVirtual = -1;
    int FPendingKind = 0;
    bool FRefreshAfterPost = true;
};

/// \brief TODBCExtDataSet with its properties published: the editable query a program uses.
class TODBCExtQuery : public TODBCExtDataSet {
public:
    using TODBCExtDataSet::TODBCExtDataSet;
};

/// \brief Blob stream of the editable dataset: reads an edited value from the new-values list,
/// and records writes there (the old value is kept on the first change).
class TODBCExtBlobStream : public TODBCBlobStream {
public:
    TODBCExtBlobStream(TField* field, TBlobStreamMode mode);

    int64_t Write(const void* buffer, int64_t count) override;
    void ReadBlobData() override;
    void Truncate() override;

private:
    void Changed();

    bool FReading = false;
};

} // namespace vantrel

#pragma once
// Blob streams: the value of a long text or binary column of a dataset's current record, read on
// demand from the statement and held in memory.
#include <vantrel/framework/Classes.h>
#include <vantrel/framework/DB.h>

#include <cstdint>
#include <functional>

namespace vantrel {

class TODBCDataSet;

/// \brief One SQLGetData call on a column as the long-value reader makes it: fills up to `size`
/// bytes of `buffer` and reports the ODBC return code and the length/indicator value.
struct TODBCGetDataResult {
    int16_t ReturnCode;
    int64_t Indicator;
};
using TODBCGetData = std::function<TODBCGetDataResult(void* buffer, int64_t size)>;

/// \brief Reads a whole long value of the current row through `getData`: first a probe for its
/// length, then one read of that length (of `maxBlobBuffer` bytes when the driver gives no
/// length), then the rest the driver still has. `text` is character data (the driver ends each
/// piece with a terminator). Returns false for null (then `data` is empty).
///
/// Throws whatever `getData` throws for a failing call; `noTotal` is called (and must throw)
/// when a value longer than the first read comes from a driver that reports no total length.
/// Throws EDatabaseError when the driver gives less than the length it reported, or no data
/// at all (the value was read already).
bool ODBCReadLongValue(const TODBCGetData& getData, bool text, int maxBlobBuffer, String& data,
                       const std::function<void()>& noTotal);

/// \brief What TODBCDataSet::CreateBlobStream returns for a blob, memo or long text field.
///
/// Reading takes the whole value from the current row of the dataset's statement. Writing only
/// changes the copy in memory; the editable dataset derives from this class to write back.
class TODBCBlobStream : public TMemoryStream {
public:
    /// \brief For any mode but bmRead the field must be writable and the dataset in the edit or
    /// insert state, else EDatabaseError "ODBC Field %s read only". bmWrite starts empty (Truncate),
    /// the other modes read the value. Nothing is read when the dataset has no active record.
    /// Throws EDatabaseError "ODBC Invalid BLOB parameter" when the field's dataset is not an
    /// ODBC dataset, EODBCError when reading fails.
    TODBCBlobStream(TField* field, TBlobStreamMode mode);
    ~TODBCBlobStream() override;

    /// The in-memory write.
    int64_t Write(const void* buffer, int64_t count) override;
    /// \brief Replaces the content by the field's value in the record the stream was made for.
    virtual void ReadBlobData();
    /// \brief Empties the stream and marks it and the field modified.
    virtual void Truncate();

    TField* Field() const noexcept { return FField; }
    TODBCDataSet* DataSet() const noexcept { return FDataSet; }
    TRecordBuffer Record() const noexcept { return FRecord; }
    int FieldNo() const noexcept { return FFieldNo; }
    bool Modified() const noexcept { return FModified; }

protected:
    /// For descendants whose ReadBlobData and Truncate must run as theirs: the constructor only
    /// stores the field and checks it; the descendant's constructor then calls Open(mode).
    struct DeferOpen {};
    TODBCBlobStream(TField* field, TBlobStreamMode mode, DeferOpen);
    /// \brief The mode checks and the first read or truncation.
    void Open(TBlobStreamMode mode);

private:
    void Attach(TField* field);
    bool ReadValue(String& data);

    TField* FField = nullptr;
    TODBCDataSet* FDataSet = nullptr;
    TRecordBuffer FRecord = nullptr;
    int FFieldNo = 0;
    bool FModified = false;
};

} // namespace vantrel

#include <vantrel/core/ODBCBlob.h>

#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCError.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace vantrel {

namespace {

// The stream reads the row of its record itself, so it puts the dataset's cursor there the way
// the dataset does for its own moves.
struct CursorAccess : TODBCDataSet {
    static void SetToRecord(TODBCDataSet* ds, TRecordBuffer record) {
        (ds->*(&CursorAccess::SetToRecordForData))(record);
    }
};

} // namespace

bool ODBCReadLongValue(const TODBCGetData& getData, bool text, int maxBlobBuffer, String& data,
                       const std::function<void()>& noTotal) {
    data.clear();
    const int64_t terminator = text ? 1 : 0;
    char probe[1] = {0};
    const TODBCGetDataResult first = getData(probe, 0);
    // No data at all means the driver gave this value away already: reading on would cut it.
    if (first.ReturnCode == SQL_NO_DATA_FOUND)
        DatabaseError("The driver gives no data for the value any more");
    if (first.Indicator == SQL_NULL_DATA)
        return false;
    // A complete answer to the probe is an empty value.
    if (first.ReturnCode == SQL_SUCCESS && first.Indicator == 0)
        return true;
    const int64_t probed = first.Indicator < 1 ? std::max(maxBlobBuffer, 1) : first.Indicator;
    const int64_t size = probed + terminator;
    std::vector<char> buffer(static_cast<size_t>(size), 0);
    TODBCGetDataResult r = getData(buffer.data(), size);
    if (r.ReturnCode == SQL_NO_DATA_FOUND) {
        if (first.Indicator > 0)
            DatabaseErrorFmt("The driver gave none of the %d bytes it reported for the value",
                             {static_cast<int64_t>(first.Indicator)});
        return true;
    }
    if (r.Indicator == SQL_NULL_DATA)
        return false;
    const int64_t room = size - terminator;
    // Never more than the buffer holds, whatever length the driver reports.
    auto got = [](const TODBCGetDataResult& res, int64_t roomOf) {
        return (res.Indicator == SQL_NO_TOTAL || res.Indicator > roomOf)
                   ? roomOf
                   : std::max<int64_t>(res.Indicator, 0);
    };
    if (r.ReturnCode == SQL_SUCCESS || (r.Indicator != SQL_NO_TOTAL && r.Indicator <= room)) {
        size_t n = static_cast<size_t>(got(r, room));
        // Text ends at its terminator even when the driver counts more.
        if (text)
            n = strnlen(buffer.data(), n);
        data.assign(buffer.data(), n);
        return true;
    }
    data.assign(buffer.data(), static_cast<size_t>(room));
    if (r.Indicator == SQL_NO_TOTAL) {
        noTotal();
        DatabaseError("The driver reports no total length for a value longer than its first read");
    }
    // The rest: the driver counts what is left, so each read takes all of it, and a driver that
    // still cuts (the value grew) is read on until it says the value is complete.
    int64_t left = r.Indicator - room;
    while (left > 0) {
        const int64_t next = left + terminator;
        buffer.assign(static_cast<size_t>(next), 0);
        r = getData(buffer.data(), next);
        if (r.ReturnCode == SQL_NO_DATA_FOUND) {
            DatabaseErrorFmt("The driver gave %d bytes of the %d it reported for the value",
                             {static_cast<int64_t>(data.size()), static_cast<int64_t>(data.size() + left)});
        }
        const int64_t n = got(r, left);
        data.append(buffer.data(), static_cast<size_t>(n));
        if (r.ReturnCode == SQL_SUCCESS)
            break;
        if (r.Indicator == SQL_NO_TOTAL) {
            noTotal();
            DatabaseError("The driver reports no total length for a value longer than its first read");
        }
        left = r.Indicator - n;
    }
    return true;
}

TODBCBlobStream::TODBCBlobStream(TField* field, TBlobStreamMode mode) {
    Attach(field);
    Open(mode);
}

TODBCBlobStream::TODBCBlobStream(TField* field, TBlobStreamMode, DeferOpen) {
    Attach(field);
}

TODBCBlobStream::~TODBCBlobStream() = default;

void TODBCBlobStream::Attach(TField* field) {
    FDataSet = field ? dynamic_cast<TODBCDataSet*>(field->DataSet()) : nullptr;
    if (!FDataSet)
        DatabaseError(LoadResString(SODBCInvalidBLOB));
    FField = field;
    FRecord = FDataSet->ActiveBuffer();
    FFieldNo = field->FieldNo();
}

void TODBCBlobStream::Open(TBlobStreamMode mode) {
    if (!FRecord)
        return;
    if (mode != bmRead) {
        const TDataSetState state = FDataSet->State();
        if (FField->ReadOnly() || (state != dsEdit && state != dsInsert))
            DatabaseErrorFmt(LoadResString(SODBCFieldReadOnly), {FField->DisplayName()}, FDataSet);
    }
    if (mode == bmWrite)
        Truncate();
    else
        ReadBlobData();
}

int64_t TODBCBlobStream::Write(const void* buffer, int64_t count) {
    return TMemoryStream::Write(buffer, count);
}

void TODBCBlobStream::ReadBlobData() {
    Clear();
    String data;
    if (FRecord && ReadValue(data)) {
        const TFieldType type = FField->DataType();
        TODBCDatabase* db = FDataSet->ODBCDatabase();
        if (db && db->StringTrimRight() && (type == ftString || type == ftMemo)) {
            size_t n = data.size();
            while (n > 0 && data[n - 1] == ' ')
                --n;
            data.resize(n);
        }
        if (!data.empty())
            TMemoryStream::Write(data.data(), static_cast<int64_t>(data.size()));
    }
    Seek(0, soBeginning);
}

bool TODBCBlobStream::ReadValue(String& data) {
    // A forward-only cursor gives a row's data once and cannot go back to it: the dataset reads
    // it (and keeps it) only while the row is the cursor's.
    if (FDataSet->UniDirectional() || !FDataSet->Handle() || FDataSet->BlockMode())
        return FDataSet->ReadColumnData(FField, FRecord, data);
    const TFieldType type = FField->DataType();
    const bool text = type == ftString || type == ftMemo;
    // Moving onto the row fetches it again, so the driver gives its data from the start.
    CursorAccess::SetToRecord(FDataSet, FRecord);
    SQLHSTMT stmt = FDataSet->Handle();
    SQLHDBC dbc = FDataSet->GetDBC();
    // The field's own column: persistent field lists may order or leave out columns.
    const auto column = static_cast<SQLUSMALLINT>(FFieldNo);
    const SQLSMALLINT ctype = text ? SQL_C_CHAR : SQL_C_BINARY;
    auto get = [&](void* buffer, int64_t size) {
        SQLLEN indicator = -1;
        const SQLRETURN rc =
            VANTREL_ODBC(odbcEnv(), dbc, stmt,
                         SQLGetData(stmt, column, ctype, buffer, static_cast<SQLLEN>(size), &indicator));
        return TODBCGetDataResult{rc, static_cast<int64_t>(indicator)};
    };
    auto noTotal = [&] {
        EODBCError e = CreateODBCError(odbcEnv(), dbc, stmt);
        e.SetOperation("SQLGetData");
        throw e;
    };
    return ODBCReadLongValue(get, text, FDataSet->MaxBlobBuffer(), data, noTotal);
}

void TODBCBlobStream::Truncate() {
    Clear();
    FModified = true;
    if (auto* blob = dynamic_cast<TBlobField*>(FField))
        blob->SetModified(true);
}

} // namespace vantrel

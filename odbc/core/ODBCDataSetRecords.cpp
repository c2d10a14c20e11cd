// TODBCDataSet: the result's description, record buffers, and rows copied from the bound columns
// into records with field access to them.
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDataSetInternal.h>

#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCBlob.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/Streaming.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vantrel {

namespace {

constexpr char kHasValue = '1';
constexpr char kTruncated = 'T';

String NotImplemented(const char* operation) { return String(operation) + LoadResString(SODBCNotImplemented); }

// Days since 0001-01-01 (that day = 1), the date part of the framework's time stamp, of a date
// ValidDate accepted (years 1 to 9999: unsigned arithmetic, no eras needed).
int TimeStampDay(int y, unsigned m, unsigned d) {
    const auto yy = static_cast<unsigned>(y) - (m <= 2 ? 1u : 0u);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1; // from March 1st
    const unsigned fromMarch0 = yy * 365 + yy / 4 - yy / 100 + yy / 400 + doy; // days since 0000-03-01
    return static_cast<int>(fromMarch0) - 305;
}

bool ValidDate(int y, unsigned m, unsigned d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 &&
           (d <= 28 || d <= static_cast<unsigned>(DaysInMonth(y, m)));
}

// A bound date, time or time stamp as the 8 bytes of the framework's value (a date: day number
// and a zero; a time: milliseconds and a zero; a time stamp: milliseconds as a double). False,
// with zeros, for a date no calendar has.
bool ConvertTemporal(TFieldType type, const char* src, char* area) {
    switch (type) {
    case ftDate: {
        DATE_STRUCT d;
        std::memcpy(&d, src, sizeof d);
        const int32_t day = ValidDate(d.year, d.month, d.day) ? TimeStampDay(d.year, d.month, d.day) : 0;
        WriteInt32(area, day);
        WriteInt32(area + 4, 0);
        return day != 0;
    }
    case ftTime: {
        TIME_STRUCT t;
        std::memcpy(&t, src, sizeof t);
        std::memset(area, 0, 8);
        WriteInt32(area, ((t.hour * 60 + t.minute) * 60 + t.second) * 1000);
        return true;
    }
    default: {
        TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, src, sizeof ts);
        if (!ValidDate(ts.year, ts.month, ts.day)) {
            std::memset(area, 0, 8);
            return false;
        }
        const int msecs =
            ((ts.hour * 60 + ts.minute) * 60 + ts.second) * 1000 + static_cast<int>(ts.fraction / 1000000);
        const double value = static_cast<double>(TimeStampDay(ts.year, ts.month, ts.day)) * MSecsPerDay + msecs;
        std::memcpy(area, &value, sizeof value);
        return true;
    }
    }
}

// The parts of a record's date (day number), time (milliseconds) or time stamp (milliseconds
// as a double) in its data area, in whole numbers: no rounding of a fraction of a day.
int RecordDateTimeParts(TFieldType type, const char* area, TDateTimeParts& parts) {
    int64_t day = 0, ms = 0;
    switch (type) {
    case ftDate:
        day = ReadInt32(area);
        break;
    case ftTime:
        ms = ReadInt32(area);
        break;
    case ftDateTime: {
        double v;
        std::memcpy(&v, area, sizeof v);
        const auto total = static_cast<int64_t>(std::llround(v));
        day = total / MSecsPerDay;
        ms = total % MSecsPerDay;
        break;
    }
    default:
        return -1;
    }
    if (type != ftTime)
        DecodeDate(TDateTime(static_cast<double>(day - DateDelta)), parts.Year, parts.Month, parts.Day);
    parts.Hour = static_cast<int>(ms / 3600000);
    parts.Minute = static_cast<int>(ms / 60000 % 60);
    parts.Second = static_cast<int>(ms / 1000 % 60);
    parts.MSec = static_cast<int>(ms % 1000);
    return 1;
}

// A value of `bytes` bytes (2, 4 or 8) copied as it is; false for any other size.
bool CopyFixed(int bytes, void* to, const char* from) {
    switch (bytes) {
    case 2:
        std::memcpy(to, from, 2);
        return true;
    case 4:
        std::memcpy(to, from, 4);
        return true;
    case 8:
        std::memcpy(to, from, 8);
        return true;
    default:
        return false;
    }
}

} // namespace

// ---- Opening, describing, closing ---------------------------------------------------------------

void TODBCDataSet::OpenCursor(bool infoQuery) {
    if (infoQuery) {
        // Only the description: run the statement, describe it, fetch nothing.
        InternalExecSQL();
        InternalInitFieldDefs();
        return;
    }
    TDataSet::OpenCursor(false);
}

void TODBCDataSet::InternalOpen() {
    FRecordCountCache = -1;
    ResetPosition();
    InternalExecSQL();
    InternalInitFieldDefs();
    if (DefaultFields())
        CreateFields();
    BindFields(true);
    // Null in a browsed record is the indicator byte at the column's offset being 0 (for the
    // fields GetFieldData answers: all but calculated and lookup ones).
    for (TField* f : *Fields())
        if (f->FieldKind() != fkCalculated && f->FieldKind() != fkLookup && f->FieldNo() >= 1 &&
            static_cast<size_t>(f->FieldNo()) <= FColumns.size())
            SetFieldIndicator(f, FColumns[static_cast<size_t>(f->FieldNo()) - 1]->RecordOffset);
    if (!FDatabase->IgnoreOriginInfo())
        SetOrigin();
}

void TODBCDataSet::InternalInitFieldDefs() {
    FRecordDataSize = ODBCRecordHeaderSize;
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(FStmt, &count), "SQLNumResultCols");
    FieldDefs()->Clear();
    FreeColumns();
    const bool block = RowSetArrays();
    size_t rows = 1;
    if (block) {
        // The arrays hold what the statement will really fetch at once.
        SQLULEN size = 0;
        Check(SQLGetStmtOption(FStmt, SQL_ROWSET_SIZE, &size), "SQLGetStmtOption(SQL_ROWSET_SIZE)");
        if (size != static_cast<SQLULEN>(FRowSetSize))
            ApplyRowSetSize();
        rows = static_cast<size_t>(FRowSetSize);
    }
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        SQLCHAR name[33] = {0};
        SQLSMALLINT nameLength = 0, sqlType = 0, scale = 0, nullable = 0;
        SQLULEN precision = 0;
        Check(SQLDescribeCol(FStmt, i, name, sizeof name, &nameLength, &sqlType, &precision, &scale, &nullable),
              "SQLDescribeCol");
        String columnName(reinterpret_cast<char*>(name), strnlen(reinterpret_cast<char*>(name), 32));
        if (columnName.empty())
            columnName = "unknown";
        // A precision the driver does not know (0, or a huge "unlimited") is the blob buffer size.
        const int columnSize = precision == 0 || precision > static_cast<SQLULEN>(FBlobBufferSize)
                                   ? FBlobBufferSize
                                   : static_cast<int>(precision);

        auto c = std::make_unique<Column>();
        c->Type = ConvertSQLToBDE(sqlType);
        c->CType = static_cast<SQLSMALLINT>(ODBCBindCType(c->Type));
        c->Number = i;
        int defSize = 0;
        switch (c->Type) {
        case ftString:
        case ftMemo:
        case ftBlob:
            defSize = columnSize;
            c->BindLength = columnSize + 1;
            break;
        case ftBoolean:
        case ftSmallint:
            c->BindLength = sizeof(SQLSMALLINT);
            break;
        case ftInteger:
            c->BindLength = sizeof(SQLINTEGER);
            break;
        case ftLargeint:
            c->BindLength = sizeof(SQLBIGINT);
            break;
        case ftFloat:
            c->BindLength = sizeof(SQLDOUBLE);
            break;
        case ftDate:
            c->BindLength = sizeof(DATE_STRUCT);
            break;
        case ftTime:
            c->BindLength = sizeof(TIME_STRUCT);
            break;
        case ftDateTime:
            c->BindLength = sizeof(TIMESTAMP_STRUCT);
            break;
        default:
            DatabaseError(NotImplemented("TODBCDataSet.InternalInitRecord: "));
        }
        c->DataSize = ODBCRecordDataSize(c->Type, defSize);
        c->RecordOffset = FRecordDataSize;
        switch (c->Type) {
        case ftString:
        case ftMemo:
            c->Room = std::min<SQLLEN>(c->BindLength - 1, c->DataSize - 1);
            break;
        case ftBlob:
            c->Room = std::min<SQLLEN>(c->BindLength, c->DataSize);
            break;
        default:
            c->Room = std::numeric_limits<SQLLEN>::max();
            break;
        }
        c->SameLayout = c->Type != ftBlob && c->Type != ftDate && c->Type != ftTime && c->Type != ftDateTime;
        FRecordDataSize += c->DataSize + 1;

        String fieldName = columnName;
        for (int n = 1; FieldDefs()->IndexOf(fieldName) >= 0; ++n)
            fieldName = Format("%s_%d", columnName, n);
        // A stored 32-bit field over a BIGINT column keeps working: the column stays 64-bit and
        // values beyond 32 bits raise when read.
        TFieldType defType = c->Type;
        if (defType == ftLargeint && !DefaultFields())
            if (TField* f = FindField(fieldName); f && f->DataType() == ftInteger)
                defType = ftInteger;
        TFieldDef* def = FieldDefs()->AddFieldDef(fieldName, defType, defSize, false, i);
        def->SetInternalCalcField(true);

        char* data = c->Item.AllocData(static_cast<size_t>(c->BindLength) * rows);
        c->Item.Length = c->BindLength;
        c->Item.CType = c->CType;
        c->Item.SQLType = sqlType;
        SQLLEN* indicator = block ? c->Item.AllocIndicators(rows) : &c->Item.Length;
        Check(SQLBindCol(FStmt, i, c->CType, data, c->BindLength, indicator), "SQLBindCol");
        FColumns.push_back(std::move(c));
    }
}

void TODBCDataSet::SetOrigin() {
    for (TField* f : *Fields()) {
        if (f->FieldNo() < 1)
            continue;
        SQLCHAR table[33] = {0}, column[33] = {0};
        SQLSMALLINT length = 0;
        SQLLEN numeric = 0;
        if (!RetCodeIsSuccessful(SQLColAttributes(FStmt, static_cast<SQLUSMALLINT>(f->FieldNo()),
                                                  SQL_COLUMN_TABLE_NAME, table, sizeof table, &length, &numeric)))
            table[0] = 0;
        if (!RetCodeIsSuccessful(SQLColAttributes(FStmt, static_cast<SQLUSMALLINT>(f->FieldNo()), SQL_COLUMN_NAME,
                                                  column, sizeof column, &length, &numeric)))
            column[0] = 0;
        const String t(reinterpret_cast<char*>(table), strnlen(reinterpret_cast<char*>(table), 32));
        const String c(reinterpret_cast<char*>(column), strnlen(reinterpret_cast<char*>(column), 32));
        f->SetOrigin(t.empty() ? c : t + "." + c);
    }
}

void TODBCDataSet::DestroyFields() {
    TDataSet::DestroyFields();
    FreeColumns();
}

void TODBCDataSet::FreeColumns() noexcept { FColumns.clear(); }

void TODBCDataSet::InternalClose() {
    UnPrepare();
    for (TField* f : *Fields())
        SetFieldIndicator(f, -1);
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    FreeColumns();
    FParamItems->Clear();
    if (FStmt) {
        SQLFreeStmt(FStmt, SQL_RESET_PARAMS);
        SQLFreeStmt(FStmt, SQL_UNBIND);
        const SQLRETURN rc = SQLFreeStmt(FStmt, SQL_DROP);
        if (!RetCodeIsSuccessful(rc))
            Check(rc, "SQLFreeStmt(SQL_DROP)");
        FStmt = nullptr;
    }
    ResetPosition();
    FRecordCountCache = -1;
    FLastValue = {};
    FInPlace = false;
}

void TODBCDataSet::InternalHandleException() {
    try {
        throw;
    } catch (const std::exception& e) {
        Application().HandleException(e);
    } catch (...) {
    }
}

// ---- Record buffers -----------------------------------------------------------------------------

// The anchor follows the record (data size + one byte per column + one), rounded up to 4 bytes
// so it can be read in place; the value lengths follow it.
size_t TODBCDataSet::TrailerOffset() const noexcept {
    return (static_cast<size_t>(FRecordDataSize) + FColumns.size() + 1 + 3) & ~size_t{3};
}

// After the anchor: the byte length of each column's value as copied (text and binary).
int32_t* TODBCDataSet::RecordLengths(TRecordBuffer buffer) const {
    return reinterpret_cast<int32_t*>(buffer + TrailerOffset() + sizeof(int32_t));
}

TRecordBuffer TODBCDataSet::AllocRecordBuffer() {
    FRowSetRefOffset = TrailerOffset() + sizeof(int32_t) * (1 + FColumns.size());
    char* buffer = new char[FRowSetRefOffset + 2 * sizeof(int32_t)]();
    WriteInt32(buffer, -1);
    RecordAnchor(buffer) = FAnchor;
    RowSetRef(buffer)[0] = -1;
    return buffer;
}

void TODBCDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    delete[] buffer;
    buffer = nullptr;
}

int32_t& TODBCDataSet::RecordAnchor(TRecordBuffer buffer) const {
    return *reinterpret_cast<int32_t*>(buffer + TrailerOffset());
}

TBookmarkFlag TODBCDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
    const auto flag = static_cast<uint8_t>(buffer[4]);
    if (flag >= 4)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {816});
    return static_cast<TBookmarkFlag>(flag);
}

void TODBCDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
    char* out = static_cast<char*>(data);
    WriteInt32(out, RecordAnchor(buffer));
    WriteInt32(out + 4, ReadInt32(buffer));
}

int TODBCDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
    if (!bookmark1.IsNull() && !bookmark2.IsNull() && bookmark1.Size() == 8 && bookmark2.Size() == 8) {
        const char* a = static_cast<const char*>(bookmark1.Data());
        const char* b = static_cast<const char*>(bookmark2.Data());
        if (ReadInt32(a) == ReadInt32(b)) {
            const int32_t x = ReadInt32(a + 4), y = ReadInt32(b + 4);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
    }
    return TDataSet::CompareBookmarks(bookmark1, bookmark2);
}

// Editing belongs to the editable dataset.
int TODBCDataSet::GetRecordSize() { DatabaseError(NotImplemented("TODBCDataSet.GetRecordSize: ")); }
void TODBCDataSet::InternalAddRecord(const void*, bool) {
    DatabaseError(NotImplemented("TODBCDataSet.InternalAddRecord:"));
}
void TODBCDataSet::InternalDelete() { DatabaseError(NotImplemented("TODBCDataSet.InternalDelete: ")); }
void TODBCDataSet::InternalInitRecord(TRecordBuffer) {
    DatabaseError(NotImplemented("TODBCDataSet.InternalInitRecord: "));
}
void TODBCDataSet::InternalPost() { DatabaseError(NotImplemented("TODBCDataSet.InternalPost :")); }
void TODBCDataSet::SetBookmarkFlag(TRecordBuffer, TBookmarkFlag) {
    DatabaseError(NotImplemented("TODBCDataSet.SetBookmarkFlag: "));
}
void TODBCDataSet::SetBookmarkData(TRecordBuffer, const void*) {
    DatabaseError(NotImplemented("TODBCDataSet.SetBookmarkData: "));
}
void TODBCDataSet::SetFieldData(TField*, const void*) { DatabaseError(NotImplemented("TODBCDataSet.SetFieldData: ")); }

int TODBCDataSet::GetRecNo() {
    CheckActive();
    return -1;
}

// ---- Row copy and field access ------------------------------------------------------------------

// The cursor's row into `buffer`: named by its row in the block when the block is read in
// place, else copied.
void TODBCDataSet::PutRow(TRecordBuffer buffer) {
    const size_t row = FBlockIndex > 0 && RowSetArrays() ? static_cast<size_t>(FBlockIndex) : 0;
    if (FInPlace)
        MarkRow(buffer, row);
    else
        CopyRow(buffer, row);
}

// Only the indicators, as CopyRow would set them; the values stay in the row set.
void TODBCDataSet::MarkRow(TRecordBuffer buffer, size_t row) {
    const std::unique_ptr<Column>* columns = FColumns.data();
    const size_t count = FColumns.size();
    for (size_t ci = 0; ci < count; ++ci) {
        const Column& c = *columns[ci];
        const SQLLEN length = c.Item.Indicators()[row];
        char mark = kHasValue;
        if (length == SQL_NULL_DATA) {
            mark = 0;
        } else if (length == SQL_NO_TOTAL || length > c.Room) {
            mark = kTruncated;
        } else if (c.Type == ftDate || c.Type == ftDateTime) {
            // Both structures start with year, month and day.
            DATE_STRUCT d;
            std::memcpy(&d, c.Element(row), sizeof d);
            if (!ValidDate(d.year, d.month, d.day))
                mark = 0;
        }
        buffer[c.RecordOffset] = mark;
    }
    int32_t* ref = RowSetRef(buffer);
    ref[0] = static_cast<int32_t>(row);
    ref[1] = FBlockNumber;
}

// A record that names a row of the block gets its values, so it reads the same after the block.
void TODBCDataSet::CopyRowSetRecord(TRecordBuffer record) {
    int32_t* ref = RowSetRef(record);
    if (ref[0] < 0)
        return;
    if (ref[1] != FBlockNumber || static_cast<unsigned long>(ref[0]) >= FRowsFetched)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {817});
    CopyRow(record, static_cast<size_t>(ref[0]));
}

// Before a fetch overwrites the row set, every record still naming one of its rows is copied.
void TODBCDataSet::KeepRowSetRecords() {
    if (!FInPlace)
        return;
    for (int i = 0, n = SlotCount(); i < n; ++i)
        if (TRecordBuffer record = SlotBuffer(i))
            CopyRowSetRecord(record);
}

void TODBCDataSet::CopyRow(TRecordBuffer buffer, size_t row) {
    const bool block = RowSetArrays();
    const bool trim = FDatabase && FDatabase->StringTrimRight();
    int32_t* lengths = RecordLengths(buffer);
    RowSetRef(buffer)[0] = -1;
    // Stores through the record's char pointer may alias anything: what the loop reads of the
    // dataset and a column is taken into locals first, so it is not read again after each store.
    const std::unique_ptr<Column>* columns = FColumns.data();
    const size_t count = FColumns.size();
    for (size_t ci = 0; ci < count; ++ci) {
        const Column& col = *columns[ci];
        const struct {
            TFieldType Type;
            SQLLEN BindLength;
            int RecordOffset;
            int DataSize;
        } c{col.Type, col.BindLength, col.RecordOffset, col.DataSize};
        const char* src = col.Item.Data() + row * static_cast<size_t>(c.BindLength);
        const SQLLEN length = block ? col.Item.Indicators()[row] : col.Item.Length;
        lengths[ci] = 0;
        char* ind = buffer + c.RecordOffset;
        char* area = ind + 1;
        *ind = 0;
        if (length == SQL_NULL_DATA) {
            area[0] = 0;
            continue;
        }
        *ind = kHasValue;
        switch (c.Type) {
        case ftString:
        case ftMemo: {
            // Never more than the bound element (less its terminator) or the record's area.
            const size_t room = static_cast<size_t>(std::min<SQLLEN>(c.BindLength - 1, c.DataSize - 1));
            size_t n = room;
            if (length == SQL_NO_TOTAL || length > static_cast<SQLLEN>(room))
                *ind = kTruncated;
            else if (length >= 0)
                n = static_cast<size_t>(length);
            if (trim)
                while (n > 0 && src[n - 1] == ' ')
                    --n;
            // Readers stop at the terminator, so the rest of the area is left as it is.
            std::memcpy(area, src, n);
            area[n] = 0;
            lengths[ci] = static_cast<int32_t>(n);
            break;
        }
        case ftBlob: {
            const size_t room = static_cast<size_t>(std::min<SQLLEN>(c.BindLength, c.DataSize));
            size_t n = room;
            if (length == SQL_NO_TOTAL || length > static_cast<SQLLEN>(room))
                *ind = kTruncated;
            else if (length >= 0)
                n = static_cast<size_t>(length);
            std::memcpy(area, src, n);
            lengths[ci] = static_cast<int32_t>(n);
            break;
        }
        case ftDate:
        case ftTime:
        case ftDateTime:
            if (!ConvertTemporal(c.Type, src, area))
                *ind = 0;
            break;
        default: {
            const auto n = static_cast<size_t>(std::min<SQLLEN>(c.BindLength, c.DataSize));
            // Numbers: fixed sizes the compiler copies in place.
            if (n == 4)
                std::memcpy(area, src, 4);
            else if (n == 8)
                std::memcpy(area, src, 8);
            else if (n == 2)
                std::memcpy(area, src, 2);
            else
                std::memcpy(area, src, n);
            break;
        }
        }
    }
}

int TODBCDataSet::ColumnCount() const noexcept { return static_cast<int>(FColumns.size()); }

TFieldValueItem* TODBCDataSet::ColumnItem(int fieldNo) const {
    if (fieldNo < 1 || fieldNo > ColumnCount())
        return nullptr;
    return &FColumns[static_cast<size_t>(fieldNo) - 1]->Item;
}

const TODBCDataSet::Column* TODBCDataSet::ColumnOf(const TField* field) const {
    const int no = field->FieldNo();
    if (no < 1 || static_cast<size_t>(no) > FColumns.size())
        return nullptr;
    return FColumns[static_cast<size_t>(no) - 1].get();
}

bool TODBCDataSet::GetFieldData(TField* field, void* buffer) {
    // Kept small and free of calls on the way a fetch loop takes (null tests and fixed-width
    // values of the field last read through the column); the rest is CopyFieldData.
    TRecordBuffer record = StateBuffer();
    const Column* c = record ? ColumnOf(field) : nullptr;
    if (!c)
        return false;
    const char* p = record + c->RecordOffset;
    if (p[0] != kHasValue && p[0] != kTruncated)
        return false;
    if (!buffer)
        return true;
    if (const int32_t* ref = RowSetRef(record); ref[0] >= 0) {
        // Numbers straight from the row set's arrays.
        if (c->LastField == field && c->SameLayout && ref[1] == FBlockNumber &&
            CopyFixed(c->FixedCopy, buffer, c->Element(static_cast<size_t>(ref[0]))))
            return true;
        return RowSetFieldData(*c, field, record, buffer);
    }
    if (c->LastField == field && CopyFixed(c->FixedCopy, buffer, p + 1))
        return true;
    return CopyFieldData(*c, field, p + 1, buffer);
}

bool TODBCDataSet::CopyFieldData(const Column& column, TField* field, const char* area, void* buffer) {
    const Column* c = &column;
    if (c->LastField != field) {
        c->LastFieldSize = field->DataSize();
        c->LastField = field;
        const int size = c->LastFieldSize;
        const bool fixed = c->Type != ftString && c->Type != ftMemo && c->Type != ftLargeint && c->Type != ftBlob &&
                           size <= c->DataSize && (size == 2 || size == 4 || size == 8);
        c->FixedCopy = fixed ? size : 0;
        if (fixed) {
            std::memcpy(buffer, area, static_cast<size_t>(size));
            return true;
        }
    }
    const int size = c->LastFieldSize;
    if (size <= 0)
        return true;
    switch (c->Type) {
    case ftString:
    case ftMemo: {
        // The area holds the text and its zero byte (what follows is of no meaning): copied
        // whole, so the text is not measured twice.
        const auto n = static_cast<size_t>(std::min(size, c->DataSize) - 1);
        std::memcpy(buffer, area, n);
        static_cast<char*>(buffer)[n] = 0;
        break;
    }
    case ftLargeint:
        if (size == 4) {
            int64_t v;
            std::memcpy(&v, area, sizeof v);
            if (v < INT32_MIN || v > INT32_MAX)
                DatabaseErrorFmt("Value %s of field '%s' does not fit into a 32-bit integer",
                                 {IntToStr(v), field->DisplayName()}, this);
            const int32_t narrow = static_cast<int32_t>(v);
            std::memcpy(buffer, &narrow, sizeof narrow);
            break;
        }
        std::memcpy(buffer, area, static_cast<size_t>(std::min(size, 8)));
        break;
    default: {
        const int n = std::min(size, c->DataSize);
        std::memcpy(buffer, area, static_cast<size_t>(n));
        if (n < size)
            std::memset(static_cast<char*>(buffer) + n, 0, static_cast<size_t>(size - n));
        break;
    }
    }
    return true;
}

// A value read straight from the row set: numbers and text have the record's layout there;
// dates and times are converted as CopyRow does; blobs are copied into the record first.
bool TODBCDataSet::RowSetFieldData(const Column& column, TField* field, TRecordBuffer record, void* buffer) {
    const Column* c = &column;
    const int32_t* ref = RowSetRef(record);
    if (ref[1] != FBlockNumber)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {818});
    const char* src = c->Element(static_cast<size_t>(ref[0]));
    char area[8];
    switch (c->Type) {
    case ftBlob:
        CopyRowSetRecord(record);
        return CopyFieldData(*c, field, record + c->RecordOffset + 1, buffer);
    case ftDate:
    case ftTime:
    case ftDateTime:
        ConvertTemporal(c->Type, src, area);
        src = area;
        break;
    default:
        break;
    }
    if (c->LastField == field && CopyFixed(c->FixedCopy, buffer, src))
        return true;
    return CopyFieldData(*c, field, src, buffer);
}

// The parts of a date or time in the row set as the driver gave them, or from the record's own
// value. Not while editing: a field being validated reads the value on its way in.
int TODBCDataSet::GetFieldDateTimeParts(TField* field, TDateTimeParts& parts) {
    if (State() == dsEdit || State() == dsInsert || State() == dsSetKey)
        return -1;
    TRecordBuffer record = StateBuffer();
    const Column* c = record ? ColumnOf(field) : nullptr;
    if (!c || c->Type != field->DataType())
        return -1;
    const char mark = record[c->RecordOffset];
    if (mark != kHasValue && mark != kTruncated)
        return 0;
    const int32_t* ref = RowSetRef(record);
    if (ref[0] < 0)
        return RecordDateTimeParts(c->Type, record + c->RecordOffset + 1, parts);
    if (ref[1] != FBlockNumber)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {818});
    const char* src = c->Element(static_cast<size_t>(ref[0]));
    switch (c->Type) {
    case ftDate: {
        DATE_STRUCT d;
        std::memcpy(&d, src, sizeof d);
        parts.Year = d.year;
        parts.Month = d.month;
        parts.Day = d.day;
        return 1;
    }
    case ftTime: {
        TIME_STRUCT t;
        std::memcpy(&t, src, sizeof t);
        parts.Hour = t.hour;
        parts.Minute = t.minute;
        parts.Second = t.second;
        return 1;
    }
    case ftDateTime: {
        TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, src, sizeof ts);
        parts.Year = ts.year;
        parts.Month = ts.month;
        parts.Day = ts.day;
        parts.Hour = ts.hour;
        parts.Minute = ts.minute;
        parts.Second = ts.second;
        parts.MSec = static_cast<int>(ts.fraction / 1000000);
        return 1;
    }
    default:
        return -1;
    }
}

bool TODBCDataSet::FieldTruncated(TField* field) {
    TRecordBuffer record = StateBuffer();
    const Column* c = record ? ColumnOf(field) : nullptr;
    return c && record[c->RecordOffset] == kTruncated;
}

bool TODBCDataSet::ReadColumnData(TField* field, String& data) { return ReadColumnData(field, StateBuffer(), data); }

bool TODBCDataSet::ReadColumnData(TField* field, TRecordBuffer record, String& data) {
    const TODBCStatementLock lock = LockStatement();
    data.clear();
    const Column* c = record ? ColumnOf(field) : nullptr;
    if (!c)
        return false;
    const char mark = record[c->RecordOffset];
    if (mark != kHasValue && mark != kTruncated)
        return false;
    CopyRowSetRecord(record);
    const char* area = record + c->RecordOffset + 1;
    const size_t index = static_cast<size_t>(field->FieldNo() - 1);
    // A value that fitted its column is in the record already.
    if (mark == kHasValue) {
        if (c->Type == ftString || c->Type == ftMemo || c->Type == ftBlob)
            data.assign(area, static_cast<size_t>(RecordLengths(record)[index]));
        else
            data.assign(area, static_cast<size_t>(c->DataSize));
        return true;
    }
    // The driver gives a column's data once per fetch: the last whole value read is kept.
    const int32_t recordOffset = ReadInt32(record);
    const int32_t recordAnchor = RecordAnchor(record);
    if (FLastValue.Valid && FLastValue.FieldNo == field->FieldNo() && FLastValue.Offset == recordOffset &&
        FLastValue.Anchor == recordAnchor) {
        data = FLastValue.Data;
        return true;
    }
    // The rest of a cut value comes from the row itself, so the cursor must stand on it.
    if (!FUniDirectional) {
        SetToRecordForData(record);
    } else if (ReadInt32(record) != FRowOffset || FCursorState != 0) {
        DatabaseErrorFmt("Field '%s': the whole value is only available while its row is the cursor's row",
                         {field->DisplayName()}, this);
    } else if (BlockMode() && FBlockIndex > 0) {
        // The driver reads from the first row of a block unless told another.
        Check(SQLSetPos(FStmt, static_cast<SQLSETPOSIROW>(FBlockIndex + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE),
              "SQLSetPos");
    }
    const bool text = c->CType == SQL_C_CHAR;
    const SQLLEN chunk = std::max(FBlobBufferSize, 256);
    std::unique_ptr<char[]> piece(new char[static_cast<size_t>(chunk)]);
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            Check(SQLGetData(FStmt, c->Number, c->CType, piece.get(), chunk, &indicator), "SQLGetData");
        // The record holds a cut value, so "no data" now means the driver cannot give it again.
        if (rc == SQL_NO_DATA_FOUND && first)
            DatabaseErrorFmt("Field '%s': the driver gives no more of the value than the %d bytes of its column",
                             {field->DisplayName(), c->DataSize - (text ? 1 : 0)}, this);
        if (rc == SQL_NO_DATA_FOUND)
            break;
        if (indicator == SQL_NULL_DATA)
            return false;
        const SQLLEN room = text ? chunk - 1 : chunk;
        const SQLLEN got = (indicator == SQL_NO_TOTAL || indicator > room) ? room : indicator;
        data.append(piece.get(), static_cast<size_t>(got));
        if (rc == SQL_SUCCESS)
            break;
    }
    FLastValue.Valid = true;
    FLastValue.FieldNo = field->FieldNo();
    FLastValue.Offset = recordOffset;
    FLastValue.Anchor = recordAnchor;
    FLastValue.Data = data;
    return true;
}

std::unique_ptr<TStream> TODBCDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    return std::make_unique<TODBCBlobStream>(field, mode);
}

} // namespace vantrel

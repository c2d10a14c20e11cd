// TODBCDataSet: anchor/offset navigation, block fetches, counting and locating.
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDataSetInternal.h>

#include <vantrel/core/ODBCApi.h>
#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/Streaming.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace vantrel {

namespace {

bool IsIntegerField(const TField* f) {
    switch (f->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftBoolean:
        return true;
    default:
        return false;
    }
}

bool IsFloatField(const TField* f) {
    switch (f->DataType()) {
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return true;
    default:
        return IsIntegerField(f);
    }
}

// One field against one key value: by the key's type; a null key matches only a null field.
bool FieldMatches(TField* f, const Variant& key, bool caseInsensitive, bool partialKey) {
    const bool isNull = f->IsNull();
    if (key.IsClear())
        return isNull;
    if (isNull)
        return false;
    switch (key.VarType()) {
    case varString: {
        String text = f->AsString();
        const String& k = key.AsString();
        if (partialKey && !k.empty() && text.size() > k.size())
            text.resize(k.size());
        return caseInsensitive ? UpperCase(text) == UpperCase(k) : text == k;
    }
    case varSmallint:
    case varInteger:
    case varInt64:
        if (IsIntegerField(f))
            return f->AsLargeInt() == key.AsInt64();
        break;
    case varDouble:
    case varCurrency:
        if (IsFloatField(f))
            return f->AsFloat() == key.AsFloat();
        break;
    case varDate:
        if (f->DataType() == ftDate || f->DataType() == ftTime || f->DataType() == ftDateTime)
            return std::fabs(static_cast<double>(f->AsDateTime()) - static_cast<double>(key.AsDateTime())) <
                   0.5 / MSecsPerDay;
        break;
    case varBoolean:
        if (f->DataType() == ftBoolean || IsIntegerField(f))
            return f->AsBoolean() == key.AsBoolean();
        break;
    default:
        break;
    }
    return VarCompareValue(f->AsVariant(), key, caseInsensitive) == vrEqual;
}

// Moves to the first row from the first (or from the next) for which `match` holds; when none
// does, back to where the dataset stood. Controls are told nothing of the rows passed.
template <class Match>
bool ScanRows(TDataSet& ds, bool fromFirst, Match match) {
    ds.DisableControls();
    bool found = false;
    try {
        const TBookmark bookmark = ds.GetBookmark();
        if (fromFirst)
            ds.First();
        else
            ds.Next();
        for (; !ds.Eof(); ds.Next())
            if (match()) {
                found = true;
                break;
            }
        if (!found && !bookmark.IsNull() && ds.BookmarkValid(bookmark))
            ds.GotoBookmark(bookmark);
    } catch (...) {
        ds.EnableControls();
        throw;
    }
    ds.EnableControls();
    return found;
}

} // namespace

// ---- Navigation ---------------------------------------------------------------------------------

void TODBCDataSet::ResetPosition() noexcept {
    FRowOffset = ODBCOffsetUnset;
    FAnchor = 1;
    FCursorState = -1;
}

// A move of the cursor as if it fetched one row at a time.
int16_t TODBCDataSet::ExtendedFetch(int direction, long offset) {
    if (ScrollBlockMode())
        return ScrollFetch(direction, offset);
    return FetchBlock(direction, offset);
}

// One SQLExtendedFetch: a new row set in the arrays.
int16_t TODBCDataSet::FetchBlock(int direction, long offset) {
    KeepRowSetRecords();
    FInPlace = RowSetArrays() && ReadsRowSetInPlace() && !(FDatabase && FDatabase->StringTrimRight());
    ++FBlockNumber;
    FRowsFetched = 0;
    FBlockFirst = 0;
    SQLULEN rows = 0;
    const int16_t rc = Check(SQLExtendedFetch(FStmt, static_cast<SQLUSMALLINT>(direction), offset, &rows,
                                              FRowStatus.data()),
                             "SQLExtendedFetch");
    FRowsFetched = rows;
    return rc;
}

// The move of a one-row cursor on the scrollable cursor read in blocks, with the answers of
// SQLExtendedFetch (past either end the cursor stands before the first or after the last row);
// the row is served from the block when it is there.
int16_t TODBCDataSet::ScrollFetch(int direction, long offset) {
    int from = FScrollFrom;
    long row = FScrollRow;
    switch (direction) {
    case SQL_FETCH_FIRST:
        from = 1;
        row = 1;
        break;
    case SQL_FETCH_LAST:
        from = -1;
        row = -1;
        break;
    case SQL_FETCH_NEXT:
        if (from == -1 && row == 0)
            return SQL_NO_DATA_FOUND;
        ++row;
        break;
    case SQL_FETCH_PRIOR:
        if (from == 1 && row == 0)
            return SQL_NO_DATA_FOUND;
        --row;
        break;
    case SQL_FETCH_RELATIVE:
        if (row == 0) {
            if (from == 1 ? offset <= 0 : offset >= 0)
                return SQL_NO_DATA_FOUND;
        }
        row += offset;
        break;
    case SQL_FETCH_ABSOLUTE:
        from = offset < 0 ? -1 : 1;
        row = offset;
        break;
    default:
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {819});
    }
    if (from == 1 ? row <= 0 : row >= 0) {
        FScrollFrom = from;
        FScrollRow = 0;
        return SQL_NO_DATA_FOUND;
    }
    FScrollFrom = from;
    FScrollRow = row;
    return LoadScrollRow(direction) ? SQL_SUCCESS : SQL_NO_DATA_FOUND;
}

bool TODBCDataSet::ScrollRowInBlock() noexcept {
    if (FBlockFirst <= 0 || FScrollFrom != 1 || FScrollRow < FBlockFirst ||
        FScrollRow - FBlockFirst >= static_cast<long>(FRowsFetched))
        return false;
    FBlockIndex = FScrollRow - FBlockFirst;
    return true;
}

// Brings the row of the one-row cursor into the block: a block starting at it, or ending at it
// when the cursor moves backwards. False (and the cursor past the end) when there is no such row.
bool TODBCDataSet::LoadScrollRow(int direction) {
    if (FScrollFrom == -1) {
        // Counted from the last row: found counting from the first, with the row count.
        const long row = ScrollRowCount() + FScrollRow + 1;
        FScrollFrom = 1;
        FScrollRow = row < 1 ? 0 : row;
        if (row < 1)
            return false;
    }
    if (ScrollRowInBlock())
        return true;
    if (FTotalRows < 0 || FScrollRow <= FTotalRows) {
        long first = FScrollRow;
        if (direction == SQL_FETCH_PRIOR || direction == SQL_FETCH_LAST)
            first = std::max(1L, FScrollRow - FRowSetSize + 1);
        if (FetchBlock(SQL_FETCH_ABSOLUTE, first) != SQL_NO_DATA_FOUND && FRowsFetched > 0) {
            FBlockFirst = first;
            // A short block ends the result.
            if (FRowsFetched < static_cast<unsigned long>(FRowSetSize))
                FTotalRows = first + static_cast<long>(FRowsFetched) - 1;
            if (ScrollRowInBlock())
                return true;
        } else if (first == 1) {
            FTotalRows = 0;
        }
    }
    FScrollFrom = -1;
    FScrollRow = 0;
    return false;
}

// The result's rows, found with absolute block fetches (a block shorter than the row set ends
// the result). The one-row cursor stays where it is; only the block changes.
long TODBCDataSet::ScrollRowCount() {
    if (FTotalRows >= 0)
        return FTotalRows;
    const long size = FRowSetSize;
    long low = FBlockFirst > 0 && FRowsFetched > 0 ? FBlockFirst + static_cast<long>(FRowsFetched) - 1 : 0;
    long high = -1; // a row known to be past the end
    auto probe = [&](long row) {
        if (FetchBlock(SQL_FETCH_ABSOLUTE, row) == SQL_NO_DATA_FOUND || FRowsFetched == 0) {
            high = row;
            return;
        }
        FBlockFirst = row;
        if (FRowsFetched < static_cast<unsigned long>(size))
            FTotalRows = row + static_cast<long>(FRowsFetched) - 1;
        else
            low = row + size - 1;
    };
    while (FTotalRows < 0 && high < 0) {
        if (low > INT_MAX / 2)
            DatabaseError("Too many records to count", this);
        probe(low == 0 ? 1 : 2 * low);
    }
    while (FTotalRows < 0 && high > low + 1)
        probe(low + (high - low) / 2);
    if (FTotalRows < 0)
        FTotalRows = low;
    return FTotalRows;
}

void TODBCDataSet::SetToRecordForData(TRecordBuffer record) {
    InternalSetToRecord(record);
    // The record may be another one of the window than the cursor's: the next move puts the
    // cursor back first.
    CursorPosChanged();
    if (!ScrollBlockMode() || FCursorState != 0 || FScrollFrom != 1 || FScrollRow < 1)
        return;
    // The row alone, fetched anew so none of its columns was read yet: drivers differ in which
    // row of a larger row set SQLGetData reads.
    const long row = FScrollRow;
    Check(SQLSetStmtOption(FStmt, SQL_ROWSET_SIZE, 1), "SQLSetStmtOption(SQL_ROWSET_SIZE)");
    int16_t rc = SQL_NO_DATA_FOUND;
    try {
        rc = FetchBlock(SQL_FETCH_ABSOLUTE, row);
    } catch (...) {
        SQLSetStmtOption(FStmt, SQL_ROWSET_SIZE, static_cast<SQLULEN>(FRowSetSize));
        throw;
    }
    Check(SQLSetStmtOption(FStmt, SQL_ROWSET_SIZE, static_cast<SQLULEN>(FRowSetSize)),
          "SQLSetStmtOption(SQL_ROWSET_SIZE)");
    if (rc == SQL_NO_DATA_FOUND || FRowsFetched == 0)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {820});
    FBlockFirst = row;
    FBlockIndex = 0;
}

TGetResult TODBCDataSet::FetchDirection(int direction, TRecordBuffer buffer) {
    int16_t rc;
    if (BlockMode() && direction == SQL_FETCH_NEXT) {
        if (FBlockIndex != -1 && static_cast<unsigned long>(FBlockIndex + 1) < FRowsFetched) {
            ++FBlockIndex;
            rc = SQL_SUCCESS;
        } else {
            rc = FetchBlock(SQL_FETCH_NEXT, 0);
            FBlockIndex = 0;
            if (rc != SQL_NO_DATA_FOUND && FRowsFetched == 0)
                rc = SQL_NO_DATA_FOUND;
        }
    } else if (FUniDirectional) {
        if (direction != SQL_FETCH_NEXT)
            DatabaseError("Operation not allowed on a unidirectional dataset", this);
        rc = Check(SQLFetch(FStmt), "SQLFetch");
    } else {
        rc = ExtendedFetch(direction, 0);
    }
    if (rc == SQL_NO_DATA_FOUND) {
        if (direction == SQL_FETCH_NEXT) {
            FCursorState = 1;
            return grEOF;
        }
        FCursorState = -1;
        return grBOF;
    }
    if (FRowOffset == ODBCOffsetUnset)
        FRowOffset = 0;
    else if (direction == SQL_FETCH_NEXT && FCursorState != -1)
        ++FRowOffset;
    else if (direction == SQL_FETCH_PRIOR && FCursorState != 1)
        --FRowOffset;
    FCursorState = 0;
    PutRow(buffer);
    WriteInt32(buffer, FRowOffset);
    buffer[4] = static_cast<char>(bfCurrent);
    RecordAnchor(buffer) = FAnchor;
    return grOK;
}

TGetResult TODBCDataSet::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) {
    (void)doCheck;
    switch (getMode) {
    case gmCurrent:
        switch (FCursorState) {
        case 0:
            // Counting may have put another block in the arrays.
            if (ScrollBlockMode() && !ScrollRowInBlock() && !LoadScrollRow(SQL_FETCH_ABSOLUTE))
                return grError;
            PutRow(buffer);
            WriteInt32(buffer, FRowOffset);
            buffer[4] = static_cast<char>(bfCurrent);
            RecordAnchor(buffer) = FAnchor;
            return grOK;
        case -1:
            return grBOF;
        case 1:
            return grEOF;
        default:
            return grError;
        }
    case gmNext:
    case gmPrior: {
        const int direction = getMode == gmNext ? SQL_FETCH_NEXT : SQL_FETCH_PRIOR;
        TGetResult r = FetchDirection(direction, buffer);
        while (Filtered() && r == grOK && !DoFilter(buffer))
            r = FetchDirection(direction, buffer);
        return r;
    }
    }
    return grError;
}

bool TODBCDataSet::DoFilter(TRecordBuffer buffer) { return DoFilterRecord(buffer); }

void TODBCDataSet::InternalFirst() {
    if (FUniDirectional) {
        // A forward-only cursor starts again only by running again.
        if (FRowOffset != ODBCOffsetUnset || FCursorState != -1)
            Reexecute();
        ResetPosition();
        return;
    }
    ExtendedFetch(SQL_FETCH_FIRST, 0);
    ExtendedFetch(SQL_FETCH_PRIOR, 0);
    ResetPosition();
}

void TODBCDataSet::InternalLast() {
    if (FUniDirectional)
        DatabaseError("Operation not allowed on a unidirectional dataset", this);
    ExtendedFetch(SQL_FETCH_LAST, 0);
    ExtendedFetch(SQL_FETCH_NEXT, 0);
    FRowOffset = ODBCOffsetUnset;
    FAnchor = -1;
    FCursorState = 1;
}

void TODBCDataSet::InternalGotoBookmark(const void* bookmark) {
    if (!bookmark)
        return;
    if (FUniDirectional)
        DatabaseError("Operation not allowed on a unidirectional dataset", this);
    const char* p = static_cast<const char*>(bookmark);
    int32_t anchor = ReadInt32(p);
    int32_t offset = ReadInt32(p + 4);
    if (!((anchor == 1 && offset >= 0) || (anchor == -1 && offset <= 0 && offset != ODBCOffsetUnset)))
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {816});
    int16_t rc;
    if (anchor == 1) {
        rc = ExtendedFetch(SQL_FETCH_FIRST, 0);
        if (rc != SQL_NO_DATA_FOUND && offset != 0)
            rc = ExtendedFetch(SQL_FETCH_RELATIVE, offset);
        if (rc == SQL_NO_DATA_FOUND) {
            // Past the end now: stand after the last row, as the state says.
            ExtendedFetch(SQL_FETCH_LAST, 0);
            ExtendedFetch(SQL_FETCH_NEXT, 0);
            FCursorState = 1;
            offset = 0;
            anchor = -1;
        } else {
            FCursorState = 0;
        }
    } else {
        rc = ExtendedFetch(SQL_FETCH_LAST, 0);
        if (rc != SQL_NO_DATA_FOUND && offset != 0)
            rc = ExtendedFetch(SQL_FETCH_RELATIVE, offset);
        if (rc == SQL_NO_DATA_FOUND) {
            ExtendedFetch(SQL_FETCH_FIRST, 0);
            ExtendedFetch(SQL_FETCH_PRIOR, 0);
            FCursorState = -1;
            offset = 0;
            anchor = 1;
        } else {
            FCursorState = 0;
        }
    }
    FRowOffset = offset;
    FAnchor = anchor;
}

void TODBCDataSet::PositionOn(int32_t anchor, int32_t offset) {
    const long absolute = anchor == 1 ? static_cast<long>(offset) + 1 : static_cast<long>(offset) - 1;
    const int16_t rc = ExtendedFetch(SQL_FETCH_ABSOLUTE, absolute);
    FAnchor = anchor;
    FRowOffset = offset;
    if (rc == SQL_NO_DATA_FOUND)
        FCursorState = anchor == 1 ? 1 : -1;
    else
        FCursorState = 0;
}

void TODBCDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    if (FUniDirectional)
        return;
    const int32_t offset = ReadInt32(buffer);
    const int32_t anchor = RecordAnchor(buffer);
    // A record read while the offsets counted from the other end (or before any row was read)
    // is found by absolute position.
    if (FRowOffset == ODBCOffsetUnset || anchor != FAnchor) {
        PositionOn(anchor, offset);
        return;
    }
    const long delta = static_cast<long>(offset) - FRowOffset - FCursorState;
    const int16_t rc = ExtendedFetch(SQL_FETCH_RELATIVE, delta);
    if (rc == SQL_NO_DATA_FOUND) {
        PositionOn(anchor, offset);
        return;
    }
    FCursorState = 0;
    FRowOffset = offset;
}

void TODBCDataSet::RestorePosition(int32_t anchor, int32_t offset, int state) {
    if (offset == ODBCOffsetUnset) {
        if (anchor == 1) {
            ExtendedFetch(SQL_FETCH_FIRST, 0);
            ExtendedFetch(SQL_FETCH_PRIOR, 0);
            FCursorState = -1;
        } else {
            ExtendedFetch(SQL_FETCH_LAST, 0);
            ExtendedFetch(SQL_FETCH_NEXT, 0);
            FCursorState = 1;
        }
        FAnchor = anchor;
        FRowOffset = offset;
        return;
    }
    PositionOn(anchor, offset);
    if (FCursorState != 0)
        return;
    // "Before" and "after" the row are the neighbouring positions of the ODBC cursor.
    if (state == -1) {
        ExtendedFetch(SQL_FETCH_PRIOR, 0);
        FCursorState = -1;
    } else if (state == 1) {
        ExtendedFetch(SQL_FETCH_NEXT, 0);
        FCursorState = 1;
    }
}

void TODBCDataSet::Reexecute() {
    InternalFreeStmt(SQL_CLOSE);
    InternalExecSQL();
}

void TODBCDataSet::SkipForward(int64_t rows) {
    if (BlockMode()) {
        int64_t done = 0;
        while (done < rows) {
            const int16_t rc = FetchBlock(SQL_FETCH_NEXT, 0);
            if (rc == SQL_NO_DATA_FOUND || FRowsFetched == 0)
                break;
            if (done + static_cast<int64_t>(FRowsFetched) >= rows) {
                FBlockIndex = static_cast<long>(rows - done - 1);
                return;
            }
            done += static_cast<int64_t>(FRowsFetched);
        }
        return;
    }
    for (int64_t i = 0; i < rows; ++i)
        if (Check(SQLFetch(FStmt), "SQLFetch") == SQL_NO_DATA_FOUND)
            break;
}

int TODBCDataSet::CountForwardOnly() {
    const int32_t offset = FRowOffset;
    const int state = FCursorState;
    if (state == 1)
        return offset == ODBCOffsetUnset ? 0 : offset + 1;
    // Run the statement once more to count it, then once more to come back to this row.
    Reexecute();
    int count = 0;
    if (BlockMode()) {
        for (;;) {
            const int16_t rc = FetchBlock(SQL_FETCH_NEXT, 0);
            if (rc == SQL_NO_DATA_FOUND || FRowsFetched == 0)
                break;
            count += static_cast<int>(FRowsFetched);
        }
    } else {
        while (Check(SQLFetch(FStmt), "SQLFetch") != SQL_NO_DATA_FOUND)
            ++count;
    }
    Reexecute();
    if (offset != ODBCOffsetUnset)
        SkipForward(static_cast<int64_t>(offset) + 1);
    FRowOffset = offset;
    FCursorState = state;
    return count;
}

int TODBCDataSet::GetRecordCount() {
    CheckActive();
    if (FRecordCountCache != -1)
        return FRecordCountCache;
    if (FUniDirectional) {
        const int count = CountForwardOnly();
        FRecordCountCache = count;
        return count;
    }
    if (ScrollBlockMode()) {
        const long count = ScrollRowCount();
        if (count > INT_MAX)
            DatabaseError("Too many records to count", this);
        FRecordCountCache = static_cast<int>(count);
        return FRecordCountCache;
    }
    const int32_t anchor = FAnchor, offset = FRowOffset;
    const int state = FCursorState;
    int count = 0;
    for (int16_t rc = ExtendedFetch(SQL_FETCH_FIRST, 0); rc != SQL_NO_DATA_FOUND;
         rc = ExtendedFetch(SQL_FETCH_NEXT, 0))
        ++count;
    FRecordCountCache = count;
    RestorePosition(anchor, offset, state);
    return count;
}

int TODBCDataSet::GetRecordCountExt() {
    CheckActive();
    if (FRecordCountCache != -1)
        return FRecordCountCache;
    // This dataset's own count: a descendant's GetRecordCount adds its records to it.
    if (FUniDirectional || ScrollBlockMode())
        return TODBCDataSet::GetRecordCount();
    const int32_t anchor = FAnchor, offset = FRowOffset;
    const int state = FCursorState;
    long low = 0, high = 100;
    while (ExtendedFetch(SQL_FETCH_ABSOLUTE, high) != SQL_NO_DATA_FOUND) {
        low = high;
        if (high > INT_MAX / 2)
            DatabaseError("Too many records to count", this);
        high *= 2;
    }
    while (high > low + 1) {
        const long mid = low + (high - low) / 2;
        if (ExtendedFetch(SQL_FETCH_ABSOLUTE, mid) != SQL_NO_DATA_FOUND)
            low = mid;
        else
            high = mid;
    }
    FRecordCountCache = static_cast<int>(low);
    RestorePosition(anchor, offset, state);
    return FRecordCountCache;
}

void TODBCDataSet::InternalRefresh() {
    if (FUniDirectional) {
        // No way back on a forward-only cursor: run again and read up to where we were.
        const int32_t offset = FRowOffset;
        const int state = FCursorState;
        Reexecute();
        if (offset != ODBCOffsetUnset)
            SkipForward(static_cast<int64_t>(offset) + 1);
        FRowOffset = offset;
        FCursorState = state;
        return;
    }
    TBookmark bookmark = GetBookmark();
    InternalFreeStmt(SQL_CLOSE);
    InternalExecSQL();
    ResetPosition();
    if (!bookmark.IsNull())
        InternalGotoBookmark(bookmark.Data());
    FreeBookmark(bookmark);
}

// ---- Searching ----------------------------------------------------------------------------------

bool TODBCDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
    const bool found = LocateRecord(keyFields, keyValues, options);
    if (found)
        DoAfterScroll();
    return found;
}

bool TODBCDataSet::LocateRecord(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
    const TODBCStatementLock lock = LockStatement();
    CheckBrowseMode();
    CursorPosChanged();
    // A forward-only dataset starts again by reopening, which makes its fields anew: reopen
    // before taking them.
    if (FUniDirectional && Active())
        First();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    return LocateFindRecord(fields, keyValues, (options & loCaseInsensitive) != 0, (options & loPartialKey) != 0);
}

bool TODBCDataSet::LocateFindRecord(const std::vector<TField*>& fields, const Variant& values, bool caseInsensitive,
                                    bool partialKey) {
    const TODBCStatementLock lock = LockStatement();
    const bool single = fields.size() == 1 && !values.IsArray();
    if (!fields.empty() && !single && (!values.IsArray() || values.ArrayCount() != fields.size()))
        DatabaseError(LoadResString(SODBCNotCorrect));
    CheckActive();
    return ScanRows(*this, true, [&] {
        for (size_t i = 0; i < fields.size(); ++i)
            if (!FieldMatches(fields[i], single ? values : values[i], caseInsensitive, partialKey))
                return false;
        return true;
    });
}

bool TODBCDataSet::FindRecordByValues(const std::vector<String>& fields, const std::vector<Variant>& values,
                                      bool fromFirst) {
    const TODBCStatementLock lock = LockStatement();
    if (fields.size() != values.size())
        DatabaseError(LoadResString(SODBCNotCorrect));
    if (FUniDirectional && fromFirst && Active())
        First();
    std::vector<TField*> list;
    list.reserve(fields.size());
    for (const String& name : fields)
        list.push_back(FieldByName(name));
    CheckActive();
    return ScanRows(*this, fromFirst, [&] {
        for (size_t i = 0; i < list.size(); ++i)
            if (!(list[i]->AsVariant() == values[i]))
                return false;
        return true;
    });
}

} // namespace vantrel

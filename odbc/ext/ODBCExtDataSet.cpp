#include <vantrel/ext/ODBCExtDataSet.h>

#include <vantrel/core/ODBCError.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/framework/Streaming.h>

#include <cstring>

namespace vantrel {

namespace {

int32_t readInt32(const void* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

const char* kindName(int kind) {
    switch (kind) {
    case 1:
        return "update";
    case 2:
        return "insert";
    default:
        return "delete";
    }
}

TODBCFieldValue* valueAt(TStringList* list, const String& name) {
    const int i = list->IndexOf(name);
    return i < 0 ? nullptr : static_cast<TODBCFieldValue*>(list->Objects(i));
}

Variant asVariant(const TODBCFieldValue& v) {
    return v.IsNull ? Variant::Null() : v.Value;
}

// Inserted records carry offsets just above the unset mark, far below any row's offset.
constexpr int32_t kInsertedFirst = ODBCOffsetUnset + 1;
constexpr int32_t kInsertedLimit = 1 << 20;

bool isInsertedOffset(int32_t offset) {
    return offset >= kInsertedFirst && offset < kInsertedFirst + kInsertedLimit;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TODBCExtDataSet

TODBCExtDataSet::TODBCExtDataSet(TComponent* owner)
    : TODBCDataSet(owner), FOldValues(std::make_unique<TStringList>()),
      FNewValues(std::make_unique<TStringList>()) {
    FOldValues->SetOwnsObjects(true);
    FNewValues->SetOwnsObjects(true);
}

TODBCExtDataSet::~TODBCExtDataSet() {
    try {
        Close();
    } catch (...) {
    }
}

void TODBCExtDataSet::ClearSlst(TStringList* list) {
    if (list)
        list->Clear();
}

void TODBCExtDataSet::CancelPending() {
    FPendingKind = 0;
    ClearSlst(FOldValues.get());
    ClearSlst(FNewValues.get());
}

void TODBCExtDataSet::MarkPending() {
    if (FPendingKind != 0)
        return;
    if (State() == dsInsert)
        FPendingKind = 2;
    else if (State() == dsEdit)
        FPendingKind = 1;
}

bool TODBCExtDataSet::FieldArea(const TField* field, int& offset, int& size) const {
    // The record holds, after its header, an indicator byte and a data area per definition.
    int at = ODBCRecordHeaderSize;
    TFieldDefs* defs = const_cast<TODBCExtDataSet*>(this)->FieldDefs();
    for (int i = 0; i < defs->Count(); ++i) {
        const TFieldDef* def = defs->Items(i);
        const int area = ODBCRecordDataSize(def->DataType(), def->Size());
        if (def->FieldNo() == field->FieldNo()) {
            offset = at;
            size = area;
            return at + 1 + area <= RecordDataSize();
        }
        at += area + 1;
    }
    return false;
}

void TODBCExtDataSet::RememberOldValue(TField* field, bool isNull, const Variant& value) {
    if (FOldValues->IndexOf(field->FieldName()) >= 0)
        return;
    FOldValues->AddObject(field->FieldName(), new TODBCFieldValue(isNull, value));
}

void TODBCExtDataSet::SetFieldData(TField* field, const void* buffer) {
    const TDataSetState state = State();
    switch (state) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsBlockRead:
    case dsInternalCalc:
        break;
    default:
        DatabaseErrorFmt(LoadResString(SODBCNotEditing), {field->DisplayName()}, this);
    }
    if (field->FieldNo() > 0) {
        if (state == dsCalcFields)
            DatabaseErrorFmt(LoadResString(SODBCNotEditing), {field->DisplayName()}, this);
        if (field->ReadOnly() && state != dsSetKey && state != dsFilter)
            DatabaseErrorFmt(LoadResString(SODBCFieldReadOnly), {field->DisplayName()}, this);
        field->Validate(buffer);
    }
    TRecordBuffer record = StateBuffer();
    int offset = 0, size = 0;
    if (!record || !FieldArea(field, offset, size))
        DatabaseErrorFmt("Field '%s' is not bound", {field->DisplayName()}, this);

    if (field->IsBlob()) {
        // Blob values live in the new-values list; only clearing comes this way.
        if (FOldValues->IndexOf(field->FieldName()) < 0) {
            String old;
            const bool hasValue = state != dsInsert && CurrentBlobValue(field, old);
            RememberOldValue(field, !hasValue, hasValue ? Variant(old) : Variant::Null());
        }
        if (TODBCFieldValue* v = valueAt(FNewValues.get(), field->FieldName())) {
            v->IsNull = buffer == nullptr;
            v->Value = Variant::Null();
        } else {
            FNewValues->AddObject(field->FieldName(), new TODBCFieldValue(true, Variant::Null()));
        }
        SetIndicator(field, false);
    } else {
        if (FOldValues->IndexOf(field->FieldName()) < 0) {
            const bool isNull = field->IsNull();
            RememberOldValue(field, isNull, isNull ? Variant::Null() : field->Value());
        }
        char* p = record + offset;
        std::memset(p + 1, 0, static_cast<size_t>(size));
        if (buffer) {
            p[0] = '1';
            int n = field->DataSize();
            if (field->DataType() == ftString)
                n -= 1; // the area keeps its terminating zero
            n = std::min(n, field->DataType() == ftString ? size - 1 : size);
            if (n > 0)
                std::memcpy(p + 1, buffer, static_cast<size_t>(n));
        } else {
            p[0] = 0;
        }
    }
    MarkPending();
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

Variant TODBCExtDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
    if (FPendingKind != 0) {
        if (state == dsOldValue) {
            if (TODBCFieldValue* v = valueAt(FOldValues.get(), field->FieldName()))
                return asVariant(*v);
        } else if (state == dsNewValue || state == dsCurValue) {
            if (TODBCFieldValue* v = valueAt(FNewValues.get(), field->FieldName()))
                return asVariant(*v);
        }
    }
    return TODBCDataSet::GetStateFieldValue(state, field);
}

std::unique_ptr<TStream> TODBCExtDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    return std::make_unique<TODBCExtBlobStream>(field, mode);
}

// ---- Rows kept after a post -----------------------------------------------------------------

void TODBCExtDataSet::SetIndicator(TField* field, bool hasValue) {
    TRecordBuffer record = StateBuffer();
    int offset = 0, size = 0;
    if (!record || !FieldArea(field, offset, size))
        return;
    // A value that was there (whole or cut) keeps its mark: the edited content is read from the
    // new values, and IsNull only needs to follow the edit.
    if (!hasValue)
        record[offset] = 0;
    else if (record[offset] == 0) {
        record[offset] = '1';
        std::memset(record + offset + 1, 0, static_cast<size_t>(size));
    }
}

int TODBCExtDataSet::InsertedIndex(TRecordBuffer buffer) const {
    if (!buffer || static_cast<uint8_t>(buffer[4]) == bfInserted)
        return -1;
    const int32_t offset = readInt32(buffer);
    if (!isInsertedOffset(offset))
        return -1;
    const int index = offset - kInsertedFirst;
    return index < static_cast<int>(FInserted.size()) ? index : -1;
}

int TODBCExtDataSet::LiveInserted() const {
    int n = 0;
    for (const PostedRow& row : FInserted)
        if (!row.Deleted)
            ++n;
    return n;
}

void TODBCExtDataSet::StandOnInserted(int index) {
    // Parked after the last row, the statement's cursor gives that row on the way back.
    if (FVirtual < 0)
        TODBCDataSet::InternalLast();
    FVirtual = index;
}

void TODBCExtDataSet::ServeInserted(TRecordBuffer buffer, int index) {
    const PostedRow& row = FInserted[static_cast<size_t>(index)];
    const int32_t offset = kInsertedFirst + index;
    std::memcpy(buffer, &offset, sizeof offset);
    buffer[4] = static_cast<char>(bfCurrent);
    std::memcpy(buffer + ODBCRecordHeaderSize, row.Data.data(), row.Data.size());
}

bool TODBCExtDataSet::StepInserted(TRecordBuffer buffer, int step) {
    const int n = static_cast<int>(FInserted.size());
    for (int k = FVirtual + step; k >= 0 && k < n; k += step) {
        if (FInserted[static_cast<size_t>(k)].Deleted)
            continue;
        ServeInserted(buffer, k);
        FVirtual = k;
        if (!Filtered() || TODBCDataSet::DoFilter(buffer))
            return true;
    }
    return false;
}

TODBCExtDataSet::PostedRow* TODBCExtDataSet::FindPosted(TRecordBuffer buffer) {
    if (!buffer || static_cast<uint8_t>(buffer[4]) == bfInserted)
        return nullptr;
    if (isInsertedOffset(readInt32(buffer))) {
        const int index = InsertedIndex(buffer);
        return index < 0 ? nullptr : &FInserted[static_cast<size_t>(index)];
    }
    if (FPosted.empty())
        return nullptr;
    char bookmark[8];
    TODBCDataSet::GetBookmarkData(buffer, bookmark);
    const int32_t anchor = readInt32(bookmark), offset = readInt32(bookmark + 4);
    if (offset == ODBCOffsetUnset)
        return nullptr;
    // Offsets counted from the other end meet as positions from the first row; the count is
    // taken once and kept by the statement until it runs again.
    int64_t count = -1;
    auto fromFirst = [&](int32_t a, int32_t o) -> int64_t {
        if (a == 1)
            return o;
        if (count < 0)
            count = TODBCDataSet::GetRecordCount();
        return count - 1 - (o < 0 ? -static_cast<int64_t>(o) : o);
    };
    for (PostedRow& row : FPosted) {
        if (row.Anchor == anchor) {
            if (row.Offset == offset)
                return &row;
        } else if (!UniDirectional() && fromFirst(row.Anchor, row.Offset) == fromFirst(anchor, offset)) {
            return &row;
        }
    }
    return nullptr;
}

bool TODBCExtDataSet::ApplyPosted(TRecordBuffer buffer) {
    PostedRow* row = FindPosted(buffer);
    if (!row)
        return true;
    if (row->Deleted)
        return false;
    if (!row->Data.empty())
        std::memcpy(buffer + ODBCRecordHeaderSize, row->Data.data(), row->Data.size());
    return true;
}

void TODBCExtDataSet::KeepPosted(int kind) {
    TRecordBuffer record = ActiveBuffer();
    if (!record)
        return;
    if (kind == 2) {
        // A new record has no row of the statement: it follows the last one.
        if (UniDirectional() || FInserted.size() >= static_cast<size_t>(kInsertedLimit))
            return;
        FInserted.emplace_back();
        PostedRow& row = FInserted.back();
        row.Data.assign(record + ODBCRecordHeaderSize, record + RecordDataSize());
        for (int i = 0; i < FNewValues->Count(); ++i) {
            const auto* v = static_cast<const TODBCFieldValue*>(FNewValues->Objects(i));
            row.Blobs[FNewValues->Strings(i)] = {v->IsNull, v->IsNull ? String() : VarToStr(v->Value)};
        }
        // The post's resync reads the current record: this one.
        StandOnInserted(static_cast<int>(FInserted.size()) - 1);
        return;
    }
    if (PostedRow* inserted = InsertedIndex(record) >= 0 ? FindPosted(record) : nullptr) {
        if (kind == 3) {
            inserted->Deleted = true;
            return;
        }
        inserted->Data.assign(record + ODBCRecordHeaderSize, record + RecordDataSize());
        for (int i = 0; i < FNewValues->Count(); ++i) {
            const auto* v = static_cast<const TODBCFieldValue*>(FNewValues->Objects(i));
            inserted->Blobs[FNewValues->Strings(i)] = {v->IsNull, v->IsNull ? String() : VarToStr(v->Value)};
        }
        return;
    }
    char bookmark[8];
    TODBCDataSet::GetBookmarkData(record, bookmark);
    const int32_t anchor = readInt32(bookmark), offset = readInt32(bookmark + 4);
    if (offset == ODBCOffsetUnset)
        return;
    PostedRow* row = FindPosted(record);
    if (!row) {
        FPosted.emplace_back();
        row = &FPosted.back();
        row->Anchor = anchor;
        row->Offset = offset;
    }
    if (kind == 3) {
        row->Deleted = true;
        row->Data.clear();
        row->Blobs.clear();
        return;
    }
    row->Data.assign(record + ODBCRecordHeaderSize, record + RecordDataSize());
    for (int i = 0; i < FNewValues->Count(); ++i) {
        const auto* v = static_cast<const TODBCFieldValue*>(FNewValues->Objects(i));
        row->Blobs[FNewValues->Strings(i)] = {v->IsNull, v->IsNull ? String() : VarToStr(v->Value)};
    }
}

bool TODBCExtDataSet::CurrentBlobValue(TField* field, String& data) {
    data.clear();
    if (PostedRow* row = FindPosted(StateBuffer())) {
        auto it = row->Blobs.find(field->FieldName());
        if (it != row->Blobs.end()) {
            data = it->second.first ? String() : it->second.second;
            return !it->second.first;
        }
    }
    // An inserted record has nothing in the statement.
    if (InsertedIndex(StateBuffer()) >= 0)
        return false;
    return ReadColumnData(field, data);
}

TGetResult TODBCExtDataSet::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) {
    const int n = static_cast<int>(FInserted.size());
    if (FVirtual >= 0) {
        switch (getMode) {
        case gmCurrent:
            if (FVirtual >= n)
                return grEOF;
            if (FInserted[static_cast<size_t>(FVirtual)].Deleted)
                return grError;
            ServeInserted(buffer, FVirtual);
            return grOK;
        case gmNext:
            if (StepInserted(buffer, 1))
                return grOK;
            FVirtual = n;
            return grEOF;
        case gmPrior:
            if (StepInserted(buffer, -1))
                return grOK;
            FVirtual = -1; // on to the statement's last row
            break;
        }
    }
    TGetResult r = TODBCDataSet::GetRecord(buffer, getMode, doCheck);
    if (r == grEOF && getMode == gmNext && n > 0) {
        // Past the statement's last row come the inserted records.
        FVirtual = -1;
        if (StepInserted(buffer, 1))
            return grOK;
        FVirtual = n;
        return grEOF;
    }
    // Deleted rows are passed over like filtered ones.
    while (r == grOK && !ApplyPosted(buffer)) {
        if (getMode == gmCurrent)
            return grError;
        r = TODBCDataSet::GetRecord(buffer, getMode, doCheck);
    }
    return r;
}

bool TODBCExtDataSet::DoFilter(TRecordBuffer buffer) {
    // The filter sees the row as posted.
    if (!ApplyPosted(buffer))
        return false;
    return TODBCDataSet::DoFilter(buffer);
}

void TODBCExtDataSet::InternalExecSQL() {
    // The rows of a new run show what the database holds now.
    FPosted.clear();
    FInserted.clear();
    FVirtual = -1;
    TODBCDataSet::InternalExecSQL();
}

void TODBCExtDataSet::InternalFirst() {
    FVirtual = -1;
    TODBCDataSet::InternalFirst();
}

void TODBCExtDataSet::InternalLast() {
    FVirtual = -1;
    TODBCDataSet::InternalLast();
    if (!FInserted.empty())
        FVirtual = static_cast<int>(FInserted.size());
}

void TODBCExtDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    const int index = InsertedIndex(buffer);
    if (index >= 0) {
        StandOnInserted(index);
        return;
    }
    FVirtual = -1;
    TODBCDataSet::InternalSetToRecord(buffer);
}

void TODBCExtDataSet::InternalGotoBookmark(const void* bookmark) {
    if (bookmark && isInsertedOffset(readInt32(static_cast<const char*>(bookmark) + 4))) {
        const int index = readInt32(static_cast<const char*>(bookmark) + 4) - kInsertedFirst;
        // A record kept from an earlier run of the statement is gone: stand after the last row.
        if (index >= static_cast<int>(FInserted.size())) {
            FVirtual = -1;
            InternalLast();
            return;
        }
        StandOnInserted(index);
        return;
    }
    FVirtual = -1;
    TODBCDataSet::InternalGotoBookmark(bookmark);
}

int TODBCExtDataSet::GetRecordCount() {
    int count = TODBCDataSet::GetRecordCount() + LiveInserted();
    for (const PostedRow& row : FPosted)
        if (row.Deleted)
            --count;
    return count;
}

int TODBCExtDataSet::GetRecordCountExt() {
    int count = TODBCDataSet::GetRecordCountExt() + LiveInserted();
    for (const PostedRow& row : FPosted)
        if (row.Deleted)
            --count;
    return count;
}

int TODBCExtDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
    if (bookmark1.IsNull() && bookmark2.IsNull())
        return 0;
    if (bookmark2.IsNull())
        return -1;
    if (bookmark1.IsNull())
        return 1;
    if (bookmark1.Size() != 8 || bookmark2.Size() != 8)
        return TODBCDataSet::CompareBookmarks(bookmark1, bookmark2);
    const char* a = static_cast<const char*>(bookmark1.Data());
    const char* b = static_cast<const char*>(bookmark2.Data());
    const int32_t anchorA = readInt32(a), anchorB = readInt32(b);
    int64_t posA = readInt32(a + 4), posB = readInt32(b + 4);
    // Inserted records follow every row of the statement, in the order they were posted.
    const bool insertedA = isInsertedOffset(static_cast<int32_t>(posA));
    const bool insertedB = isInsertedOffset(static_cast<int32_t>(posB));
    if (insertedA || insertedB) {
        if (insertedA && insertedB)
            return posA == posB ? 0 : (posA > posB ? 1 : -1);
        return insertedA ? 1 : -1;
    }
    if (anchorA != anchorB) {
        // Offsets from the last row become positions from the first.
        const int64_t count = TODBCDataSet::GetRecordCount();
        if (anchorA != 1)
            posA = count - 1 - (posA < 0 ? -posA : posA);
        if (anchorB != 1)
            posB = count - 1 - (posB < 0 ? -posB : posB);
    }
    return posA == posB ? 0 : (posA > posB ? 1 : -1);
}

void TODBCExtDataSet::InternalAddRecord(const void*, bool) {
    DatabaseError(LoadResString(SODBCNotImplemented), this);
}

// The framework's own handling (the application's handler); raising here would throw from
// inside the handling of another exception.
void TODBCExtDataSet::InternalHandleException() {
    TODBCDataSet::InternalHandleException();
}

void TODBCExtDataSet::InternalDelete() {
    const int before = FPendingKind;
    FPendingKind = 3;
    try {
        InternalPost();
    } catch (...) {
        // The row stays; an edit that was pending before stays pending.
        if (FPendingKind == 3)
            FPendingKind = before;
        throw;
    }
}

void TODBCExtDataSet::InternalInitRecord(TRecordBuffer buffer) {
    std::memset(buffer, 0, static_cast<size_t>(RecordDataSize()));
    const int32_t fresh = -1; // no row yet
    std::memcpy(buffer, &fresh, sizeof fresh);
    buffer[4] = static_cast<char>(bfInserted);
}

void TODBCExtDataSet::InternalClose() {
    TODBCDataSet::InternalClose();
    CancelPending();
    FPosted.clear();
    FInserted.clear();
    FVirtual = -1;
}

void TODBCExtDataSet::InternalCancel() {
    CancelPending();
}

void TODBCExtDataSet::InternalPost() {
    // Posting a new record inserts it even when no field was set.
    if (FPendingKind == 0 && State() == dsInsert)
        FPendingKind = 2;
    if (FPendingKind == 0) {
        CancelPending();
        return;
    }
    const TUpdateRecordEvent* handler;
    TUpdateKind kind;
    switch (FPendingKind) {
    case 1:
        handler = &OnUpdateRec;
        kind = ukModify;
        break;
    case 2:
        handler = &OnInsertRec;
        kind = ukInsert;
        break;
    default:
        handler = &OnDeleteRec;
        kind = ukDelete;
        break;
    }
    TUpdateAction action;
    bool called = false;
    do {
        action = uaApplied;
        if (*handler) {
            called = true;
            (*handler)(this, kind, action);
        }
    } while (action == uaRetry);

    // A refused change keeps the record as it is being edited, with its old values.
    if (action == uaFail)
        DatabaseErrorFmt("Record %s refused by its handler", {String(kindName(FPendingKind))}, this);
    if (action == uaAbort)
        Abort();

    // What a handler wrote shows when the statement runs again; otherwise the posted values are
    // kept for the row until it does.
    const bool refresh = called && action == uaApplied && FRefreshAfterPost && Handle();
    if (action == uaApplied && !refresh)
        KeepPosted(FPendingKind);
    CancelPending();
    if (refresh)
        TODBCDataSet::InternalRefresh();
}

void TODBCExtDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
    buffer[4] = static_cast<char>(value);
}

void TODBCExtDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    if (data)
        std::memcpy(buffer, static_cast<const char*>(data) + 4, sizeof(int32_t));
}

// ---------------------------------------------------------------------------------------------
// TODBCExtBlobStream

TODBCExtBlobStream::TODBCExtBlobStream(TField* field, TBlobStreamMode mode)
    : TODBCBlobStream(field, mode, DeferOpen{}) {
    Open(mode);
}

void TODBCExtBlobStream::ReadBlobData() {
    FReading = true;
    try {
        auto* ds = dynamic_cast<TODBCExtDataSet*>(DataSet());
        TODBCFieldValue* edited = ds ? valueAt(ds->FNewValues.get(), Field()->FieldName()) : nullptr;
        const std::pair<bool, String>* posted = nullptr;
        if (!edited && ds)
            if (TODBCExtDataSet::PostedRow* row = ds->FindPosted(Record())) {
                auto it = row->Blobs.find(Field()->FieldName());
                if (it != row->Blobs.end())
                    posted = &it->second;
            }
        if (edited || posted) {
            Clear();
            const String text = edited ? (edited->IsNull ? String() : VarToStr(edited->Value))
                                       : (posted->first ? String() : posted->second);
            if (!text.empty())
                TMemoryStream::Write(text.data(), static_cast<int64_t>(text.size()));
            Seek(0, soBeginning);
        } else if (DataSet()->State() != dsInsert && !(ds && ds->InsertedIndex(Record()) >= 0)) {
            TODBCBlobStream::ReadBlobData();
        } else {
            Clear();
        }
    } catch (...) {
        FReading = false;
        throw;
    }
    FReading = false;
}

int64_t TODBCExtBlobStream::Write(const void* buffer, int64_t count) {
    const int64_t n = TODBCBlobStream::Write(buffer, count);
    if (!FReading)
        Changed();
    return n;
}

void TODBCExtBlobStream::Truncate() {
    TODBCBlobStream::Truncate();
    if (!FReading)
        Changed();
}

void TODBCExtBlobStream::Changed() {
    auto* ds = dynamic_cast<TODBCExtDataSet*>(DataSet());
    if (!ds)
        return;
    TField* field = Field();
    const String& name = field->FieldName();
    if (ds->FOldValues->IndexOf(name) < 0) {
        // The value before this edit: an earlier edit's content or the column's.
        if (TODBCFieldValue* edited = valueAt(ds->FNewValues.get(), name)) {
            ds->RememberOldValue(field, edited->IsNull, edited->Value);
        } else {
            String old;
            const bool hasValue = ds->State() != dsInsert && ds->CurrentBlobValue(field, old);
            ds->RememberOldValue(field, !hasValue, hasValue ? Variant(old) : Variant::Null());
        }
    }
    const uint8_t* bytes = Memory();
    String content(reinterpret_cast<const char*>(bytes), static_cast<size_t>(Size()));
    if (TODBCFieldValue* v = valueAt(ds->FNewValues.get(), name)) {
        v->IsNull = false;
        v->Value = Variant(std::move(content));
    } else {
        ds->FNewValues->AddObject(name, new TODBCFieldValue(false, Variant(std::move(content))));
    }
    ds->SetIndicator(field, true);
    ds->MarkPending();
    if (ds->State() == dsEdit || ds->State() == dsInsert)
        ds->DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

// ---------------------------------------------------------------------------------------------

namespace {
const bool registered = [] {
    RegisterClass<TODBCExtQuery, TComponent>("TODBCExtQuery")
        .Boolean("Active", &TODBCExtQuery::Active, &TODBCExtQuery::SetActive, false)
        .Component("ODBCDatabase", &TODBCExtQuery::ODBCDatabase, &TODBCExtQuery::SetODBCDatabase)
        .Object("SQL", &TODBCExtQuery::SQL)
        .Integer("BlobBufferSize", &TODBCExtQuery::BlobBufferSize, &TODBCExtQuery::SetBlobBufferSize, 8192)
        .Integer("MaxBlobBuffer", &TODBCExtQuery::MaxBlobBuffer, &TODBCExtQuery::SetMaxBlobBuffer, 100000)
        .Boolean("UniDirectional", &TODBCExtQuery::UniDirectional, &TODBCExtQuery::SetUniDirectional, false)
        .Boolean("BlockCursor", &TODBCExtQuery::BlockCursor, &TODBCExtQuery::SetBlockCursor, false)
        .Integer("RowSetSize", &TODBCExtQuery::RowSetSize, &TODBCExtQuery::SetRowSetSize, 100)
        .Object("Params", &TODBCExtQuery::Params)
        .Boolean("Filtered", &TODBCExtQuery::Filtered, &TODBCExtQuery::SetFiltered, false);
    return true;
}();
} // namespace

} // namespace vantrel

// TDataSet: editing, filtering, searching, controls and data events.
#include <vantrel/framework/DB.h>

#include <cstring>

namespace vantrel {

// ---- Editing ------------------------------------------------------------------------------------

void TDataSet::CheckCanModify() {
    if (!GetCanModify())
        DatabaseError("Cannot modify a read-only dataset", this);
}

void TDataSet::CheckFieldCanWrite(TField* field) {
    switch (FState) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        break;
    case dsCalcFields:
        if (field->FieldKind() == fkData)
            DatabaseErrorFmt("Field '%s' cannot be modified while fields are calculated", {field->DisplayName()},
                             this);
        break;
    default:
        DatabaseError("Dataset not in edit or insert mode", this);
    }
    if (field->ReadOnly() && FState != dsSetKey && FState != dsFilter)
        DatabaseErrorFmt("Field '%s' cannot be modified", {field->DisplayName()}, this);
}

void TDataSet::CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& errorEvent) {
    for (;;) {
        try {
            (this->*operation)();
            return;
        } catch (EDatabaseError& e) {
            if (!errorEvent)
                throw;
            TDataAction action = daFail;
            errorEvent(this, e, action);
            if (action == daFail)
                throw;
            if (action == daAbort)
                Abort();
        }
    }
}

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert)
        return;
    if (FRecordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeEdit, this);
    UpdateCursorPos();
    CheckOperation(&TDataSet::InternalEdit, OnEditError);
    CalculateSlot(FActiveRecord);
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    Fire(AfterEdit, this);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeInsert, this);
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    // Values set by OnNewRecord alone do not make the record worth posting.
    FModified = false;
    DataEvent(deDataSetChange, 0);
    Fire(AfterInsert, this);
}

void TDataSet::DoOnNewRecord() {
    if (OnNewRecord)
        OnNewRecord(this);
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
    InternalInitRecord(buffer);
    ClearCalcArea(FSlots[static_cast<size_t>(FActiveRecord)].Calc);
    SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::Insert() {
    BeginInsertAppend();
    UpdateCursorPos();
    alignas(8) unsigned char current[TBookmark::MaxSize] = {};
    bool haveCurrent = BookmarkAvailable();
    if (haveCurrent)
        GetBookmarkData(ActiveBuffer(), current);
    bool empty = FRecordCount == 0;
    // The scratch buffer becomes the new record in front of the current one.
    MoveBuffer(FRecordCount, FActiveRecord);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (empty)
        SetBookmarkFlag(buffer, bfBOF);
    else if (haveCurrent)
        SetBookmarkData(buffer, current);
    if (FRecordCount < FBufferCount)
        ++FRecordCount;
    // The cursor still stands on the record the new one was inserted before.
    FCurrentRecord = empty ? -1 : FActiveRecord;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = FSlots[0].Buffer;
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    FRecordCount = 1;
    FBOF = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::UpdateRecord() {
    if (FState != dsEdit && FState != dsInsert && FState != dsSetKey)
        DatabaseError("Dataset not in edit or insert mode", this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckRequiredFields() {
    for (TField* f : FFields)
        if (f->Required() && !f->ReadOnly() && (f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) &&
            f->IsNull()) {
            f->FocusControl();
            DatabaseErrorFmt("Field '%s' must have a value", {f->DisplayName()}, this);
        }
}

void TDataSet::FreeFieldBuffers() {
    for (TField* f : FFields)
        if (auto* blob = dynamic_cast<TBlobField*>(f))
            blob->SetModified(false);
}

void TDataSet::Post() {
    UpdateRecord();
    if (FState != dsEdit && FState != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    Fire(BeforePost, this);
    CheckRequiredFields();
    UpdateCursorPos();
    CheckOperation(&TDataSet::InternalPost, OnPostError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterPost, this);
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    Fire(BeforeCancel, this);
    bool scrolls = FState == dsInsert;
    if (scrolls)
        DoBeforeScroll();
    UpdateCursorPos();
    InternalCancel();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterCancel, this);
    if (scrolls)
        DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FRecordCount == 0)
        DatabaseError("Cannot perform this operation on an empty dataset", this);
    DataEvent(deCheckBrowseMode, 0);
    Fire(BeforeDelete, this);
    DoBeforeScroll();
    UpdateCursorPos();
    CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterDelete, this);
    DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (FState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (FModified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

void TDataSet::ClearFields() {
    if (FState != dsEdit && FState != dsInsert && FState != dsSetKey)
        DatabaseError("Dataset not in edit or insert mode", this);
    for (TField* f : FFields)
        if ((f->FieldKind() == fkData || f->FieldKind() == fkInternalCalc) && !f->ReadOnly())
            f->Clear();
}

void TDataSet::InsertOrAppendRecord(const std::vector<Variant>& values, bool append) {
    if (values.size() > static_cast<size_t>(FFields.Count()))
        DatabaseErrorFmt("%d values given for %d fields",
                         {static_cast<int64_t>(values.size()), static_cast<int64_t>(FFields.Count())}, this);
    if (append)
        Append();
    else
        Insert();
    try {
        // An empty variant leaves the field as the new record has it; Null clears it.
        for (size_t i = 0; i < values.size(); ++i)
            if (!values[i].IsEmpty())
                FFields[static_cast<int>(i)]->SetAsVariant(values[i]);
        Post();
    } catch (...) {
        if (FState == dsInsert)
            Cancel();
        throw;
    }
}

void TDataSet::InternalPost() { DatabaseError("Posting is not supported by this dataset", this); }
void TDataSet::InternalDelete() { DatabaseError("Deleting is not supported by this dataset", this); }
void TDataSet::InternalAddRecord(const void* buffer, bool append) {
    (void)buffer;
    (void)append;
    DatabaseError("Adding records is not supported by this dataset", this);
}

// ---- Filtering and searching --------------------------------------------------------------------

// Runs `fn` with `buffer` as the record of the filter state, its calculated fields computed.
template <class F> bool TDataSet::InFilterState(TRecordBuffer buffer, F&& fn) {
    TRecordBuffer savedBuffer = FFilterBuffer;
    char* savedFilterCalc = FFilterCalc;
    TRecordBuffer savedCalcBuffer = FCalcBuffer;
    char* savedCalcArea = FCalcArea;
    TDataSetState saved = SetTempState(dsFilter);
    auto restore = [&] {
        FFilterBuffer = savedBuffer;
        FFilterCalc = savedFilterCalc;
        FCalcBuffer = savedCalcBuffer;
        FCalcArea = savedCalcArea;
        RestoreState(saved);
    };
    FFilterBuffer = buffer;
    bool result;
    try {
        if (FCalcFieldsSize > 0 && FFilterSlot.Calc) {
            FState = dsCalcFields;
            FCalcBuffer = buffer;
            FCalcArea = FFilterSlot.Calc;
            ClearCalcArea(FCalcArea);
            if (FHasLookups)
                for (TField* f : FFields)
                    if (f->FFieldKind == fkLookup)
                        CalcLookupValue(f);
            DoOnCalcFields();
            FState = dsFilter;
            FCalcBuffer = savedCalcBuffer;
            FCalcArea = savedCalcArea;
        }
        FFilterCalc = FFilterSlot.Calc;
        result = fn();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return result;
}

bool TDataSet::DoFilterRecord(TRecordBuffer buffer) {
    if (!OnFilterRecord)
        return true;
    return InFilterState(buffer, [&] {
        bool accept = true;
        OnFilterRecord(this, accept);
        return accept;
    });
}

void TDataSet::CheckKeyValues(const std::vector<TField*>& fields, const Variant& values) {
    size_t count = values.IsArray() ? values.ArrayCount() : 1;
    if (fields.size() == 1 && !values.IsArray())
        return;
    if (count != fields.size())
        DatabaseErrorFmt("Fields and values do not match: %d fields, %d values",
                         {static_cast<int64_t>(fields.size()), static_cast<int64_t>(count)}, this);
}

bool TDataSet::RecordMatches(const std::vector<TField*>& fields, const Variant& values, TLocateOptions options) {
    for (size_t i = 0; i < fields.size(); ++i) {
        TField* f = fields[i];
        const Variant& key = values.IsArray() ? values[i] : values;
        bool isNull = f->IsNull();
        if (key.IsClear()) {
            if (!isNull)
                return false;
            continue;
        }
        if (isNull)
            return false;
        if (key.VarType() == varString) {
            String text = f->AsString();
            const String& k = key.AsString();
            if ((options & loPartialKey) && !k.empty() && text.size() > k.size())
                text.resize(k.size());
            bool same = (options & loCaseInsensitive) ? SameText(text, k) : text == k;
            if (!same)
                return false;
            continue;
        }
        if (VarCompareValue(f->AsVariant(), key, (options & loCaseInsensitive) != 0) != vrEqual)
            return false;
    }
    return true;
}

// Walks the source from the first record through the scratch buffer, leaving the ring alone;
// on success the source's cursor stands on the match.
bool TDataSet::ScanFor(const std::vector<TField*>& fields, const Variant& values, TLocateOptions options) {
    CursorPosChanged();
    InternalFirst();
    TRecordBuffer scratch = FSlots[static_cast<size_t>(FRecordCount)].Buffer;
    while (GetRecord(scratch, gmNext, true) == grOK)
        if (InFilterState(scratch, [&] { return RecordMatches(fields, values, options); }))
            return true;
    return false;
}

bool TDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    auto fields = GetFieldList(keyFields);
    CheckKeyValues(fields, keyValues);
    if (IsEmpty())
        return false;
    if (FIsUniDirectional) {
        // No way back: search forward from the first record through the ring itself. Starting
        // again may reopen the source, which makes default fields anew: take them again.
        First();
        fields = GetFieldList(keyFields);
        for (; !FEOF; Next())
            if (RecordMatches(fields, keyValues, options))
                return true;
        return false;
    }
    if (!ScanFor(fields, keyValues, options))
        return false;
    DoBeforeScroll();
    Resync(rmExact | rmCenter);
    DoAfterScroll();
    return true;
}

Variant TDataSet::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
    CheckActive();
    if (FIsUniDirectional)
        DatabaseError("Operation not allowed on a unidirectional dataset", this);
    auto fields = GetFieldList(keyFields);
    auto results = GetFieldList(resultFields);
    CheckKeyValues(fields, keyValues);
    if (IsEmpty() && FState != dsInsert)
        return Variant::Null();
    Variant result = Variant::Null();
    bool found = ScanFor(fields, keyValues, 0);
    if (found) {
        TRecordBuffer scratch = FSlots[static_cast<size_t>(FRecordCount)].Buffer;
        InFilterState(scratch, [&] {
            if (results.size() == 1) {
                result = results[0]->AsVariant();
            } else {
                std::vector<Variant> items;
                for (TField* f : results)
                    items.push_back(f->AsVariant());
                result = Variant(std::move(items));
            }
            return true;
        });
    }
    // The source's cursor moved; the next access puts it back on the active record.
    CursorPosChanged();
    return result;
}

// ---- Controls and events ------------------------------------------------------------------------

void TDataSet::DisableControls() {
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEnableEvent = deDataSetChange;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0)
        return;
    if (--FDisableCount != 0)
        return;
    if (FDisableState != FState)
        DataEvent(deUpdateState, 0);
    if (FDisableState != dsInactive && FState != dsInactive)
        DataEvent(FEnableEvent, 0);
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
    TField* changed = nullptr;
    if (event == deFieldChange) {
        changed = reinterpret_cast<TField*>(info);
        if (changed && (changed->FieldKind() == fkData || changed->FieldKind() == fkInternalCalc))
            FModified = true;
        UpdateCalcFields();
    }
    if (!ControlsDisabled() && FState != dsBlockRead)
        NotifyLinks(event, info);
    else if ((event == deUpdateState && FState == dsInactive) || event == deLayoutChange)
        FEnableEvent = deLayoutChange;
    if (changed)
        changed->Change();
}

void TDataSet::NotifyLinks(TDataEvent event, intptr_t info) {
    // By index: a handler may detach a data source.
    for (size_t i = 0; i < FDataSources.size(); ++i)
        FDataSources[i]->DataEvent(event, info);
}

void TDataSet::AddDataSource(TDataSource* source) {
    FDataSources.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    for (auto it = FDataSources.begin(); it != FDataSources.end(); ++it)
        if (*it == source) {
            FDataSources.erase(it);
            break;
        }
    if (!IsDestroying())
        UpdateBufferCount();
}

} // namespace vantrel

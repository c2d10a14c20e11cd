// TDataSet: opening, the record-buffer ring, navigation, bookmarks and calculated fields.
// Editing, searching and events are in DBDataSetEdit.cpp.
#include <vantrel/framework/DB.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace vantrel {

namespace {
// Every opening of every dataset gets its own number, so a bookmark can tell which opening it
// came from even when a dataset is freed and another is made at the same address.
std::atomic<uint64_t> gOpenGeneration{0};
} // namespace

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), FFieldDefs(this), FFields(this) {}

// A descendant closes itself in its own destructor (the hooks are gone by the time this one
// runs); what is left here needs no hook.
TDataSet::~TDataSet() {
    Destroying();
    FState = dsInactive;
    for (Slot& s : FSlots)
        delete[] s.Calc;
    FSlots.clear();
    delete[] FFilterSlot.Calc;
    FFilterSlot.Calc = nullptr;
    while (!FDataSources.empty())
        FDataSources.back()->SetDataSet(nullptr);
    // Default fields are owned here and die with us; persistent fields of other owners just
    // lose their dataset.
    DestroyFields();
    while (FFields.Count() > 0)
        FFields.Remove(FFields[FFields.Count() - 1]);
}

// ---- Opening and closing ------------------------------------------------------------------------

void TDataSet::SetActive(bool value) {
    if (ComponentState() & csReading) {
        FStreamedActive = value;
        return;
    }
    if (value == Active())
        return;
    if (value) {
        Fire(BeforeOpen, this);
        try {
            OpenCursor(false);
        } catch (...) {
            if (FState != dsOpening)
                OpenCursorComplete();
            throw;
        }
        if (FState != dsOpening)
            OpenCursorComplete();
    } else {
        if (!IsDestroying())
            Fire(BeforeClose, this);
        SetState(dsInactive);
        CloseCursor();
        if (!IsDestroying())
            Fire(AfterClose, this);
    }
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    try {
        if (FStreamedActive)
            SetActive(true);
    } catch (...) {
        if (Designing())
            InternalHandleException();
        else
            throw;
    }
}

void TDataSet::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
    TComponent::GetChildren(
        [&](TComponent* child) {
            if (!(FDefaultFields && dynamic_cast<TField*>(child) && child->Owner() == this))
                proc(child);
        },
        root);
}

void TDataSet::OpenCursor(bool infoQuery) {
    if (infoQuery)
        InternalInitFieldDefs();
    else if (FState != dsOpening)
        DoInternalOpen();
}

void TDataSet::DoInternalOpen() {
    FDefaultFields = FFields.Count() == 0;
    FGeneration = ++gOpenGeneration;
    InternalOpen();
    FInternalOpenComplete = true;
    UpdateBufferCount();
    FBOF = true;
}

void TDataSet::OpenCursorComplete() {
    if (FInternalOpenComplete) {
        SetState(dsBrowse);
        Fire(AfterOpen, this);
        if (!IsEmpty())
            DoAfterScroll();
    } else {
        SetState(dsInactive);
        CloseCursor();
    }
}

void TDataSet::CloseCursor() {
    FInternalOpenComplete = false;
    FreeFieldBuffers();
    ClearBuffers();
    ReleaseBuffers();
    if (IsCursorOpen())
        InternalClose();
    FBufferCount = 0;
    FGeneration = 0;
}

void TDataSet::InitFieldDefs() {
    if (IsCursorOpen()) {
        InternalInitFieldDefs();
        return;
    }
    OpenCursor(true);
    if (IsCursorOpen())
        InternalClose();
}

void TDataSet::CheckActive() const {
    if (!Active())
        DatabaseError("Cannot perform this operation on a closed dataset", const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() const {
    if (Active())
        DatabaseError("Cannot perform this operation on an open dataset", const_cast<TDataSet*>(this));
}

void TDataSet::SetBookmarkSize(int size) {
    if (size < 0 || size > TBookmark::MaxSize)
        DatabaseErrorFmt("Bookmark size %d is not supported (at most %d bytes)", {size, TBookmark::MaxSize}, this);
    FBookmarkSize = size;
}

void TDataSet::InternalHandleException() { throw; }

// ---- Fields -------------------------------------------------------------------------------------

void TDataSet::CreateFields() {
    for (int i = 0; i < FFieldDefs.Count(); ++i) {
        TFieldDef* def = FFieldDefs[i];
        if (def->DataType() != ftUnknown)
            def->CreateField(this, this);
    }
}

void TDataSet::DestroyFields() {
    for (int i = FFields.Count() - 1; i >= 0; --i) {
        TField* f = FFields[i];
        if (f->Owner() == this)
            delete f;
    }
}

namespace {
// Types that share a storage format, so a persistent field of one may bind to a column of the other.
int StorageFamily(TFieldType t) {
    switch (t) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
        return 1;
    case ftFloat:
    case ftCurrency:
        return 2;
    case ftInteger:
    case ftAutoInc:
        return 3;
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob:
        return 4;
    case ftBlob:
    case ftGraphic:
    case ftTypedBinary:
    case ftOraBlob:
    case ftParadoxOle:
    case ftDBaseOle:
        return 5;
    default:
        return 100 + static_cast<int>(t);
    }
}
} // namespace

void TDataSet::BindFields(bool binding) {
    FCalcFieldsSize = 0;
    FHasLookups = false;
    for (int i = 0; i < FFields.Count(); ++i) {
        TField* f = FFields[i];
        if (!binding) {
            f->FFieldNo = 0;
            f->FOffset = 0;
            continue;
        }
        if (f->FFieldKind == fkCalculated || f->FFieldKind == fkLookup) {
            f->FFieldNo = -1 - i;
            f->FOffset = FCalcFieldsSize;
            FCalcFieldsSize += f->DataSize() + 1;
            if (f->FFieldKind == fkLookup)
                FHasLookups = true;
            continue;
        }
        int index = FFieldDefs.IndexOf(f->FieldName());
        if (index < 0)
            DatabaseErrorFmt("Field '%s' not found", {f->DisplayName()}, this);
        TFieldDef* def = FFieldDefs[index];
        if (StorageFamily(def->DataType()) != StorageFamily(f->DataType()))
            DatabaseErrorFmt("Type mismatch for field '%s', expecting: %s actual: %s",
                             {f->DisplayName(), FieldTypeName(f->DataType()), FieldTypeName(def->DataType())},
                             this);
        // The record holds the column at its defined width; a field of another size would read
        // past or short of it.
        if (def->Size() != f->FSize &&
            (StorageFamily(def->DataType()) == 1 || def->DataType() == ftBytes || def->DataType() == ftVarBytes ||
             IsBlobType(def->DataType())))
            f->FSize = def->Size();
        f->FFieldNo = def->FieldNo();
        f->FOffset = 0;
    }
}

TField* TDataSet::FieldByName(const String& name) const { return FFields.FieldByName(name); }

std::vector<TField*> TDataSet::GetFieldList(const String& names) const {
    std::vector<TField*> list;
    size_t pos = 0;
    while (pos <= names.size()) {
        size_t end = names.find(';', pos);
        if (end == String::npos)
            end = names.size();
        String name = Trim(std::string_view(names).substr(pos, end - pos));
        if (!name.empty())
            list.push_back(FieldByName(name));
        pos = end + 1;
    }
    return list;
}

Variant TDataSet::FieldValues(const String& names) const {
    auto list = GetFieldList(names);
    if (list.size() == 1)
        return list[0]->AsVariant();
    std::vector<Variant> values;
    values.reserve(list.size());
    for (TField* f : list)
        values.push_back(f->AsVariant());
    return Variant(std::move(values));
}

void TDataSet::SetFieldValues(const String& names, const Variant& value) {
    auto list = GetFieldList(names);
    if (list.size() == 1 && !value.IsArray()) {
        list[0]->SetAsVariant(value);
        return;
    }
    if (!value.IsArray() || value.ArrayCount() != list.size())
        DatabaseErrorFmt("%d values given for %d fields", {value.IsArray() ? static_cast<int64_t>(value.ArrayCount()) : 1,
                                                           static_cast<int64_t>(list.size())},
                         this);
    for (size_t i = 0; i < list.size(); ++i)
        list[i]->SetAsVariant(value[i]);
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
    if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc)
        return Variant::Null();
    TDataSetState saved = SetTempState(state);
    try {
        Variant v = field->AsVariant();
        RestoreState(saved);
        return v;
    } catch (...) {
        RestoreState(saved);
        throw;
    }
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    (void)mode;
    DatabaseErrorFmt("Field '%s' has no blob support in this dataset", {field->DisplayName()}, this);
}

bool TDataSet::GetFieldData(TField* field, void* buffer) {
    (void)field;
    (void)buffer;
    return false;
}

int TDataSet::GetFieldDateTimeParts(TField* field, TDateTimeParts& parts) {
    (void)field;
    (void)parts;
    return -1;
}

void TDataSet::SetFieldData(TField* field, const void* buffer) {
    (void)buffer;
    DatabaseErrorFmt("Cannot modify field '%s': the dataset is read-only", {field->DisplayName()}, this);
}

// Calculated and lookup values live in the engine's area beside each buffer: one null byte
// ('1' = has a value) followed by the value in the field's native format.
bool TDataSet::ReadCalcFieldValue(const TField* field, void* buffer) {
    char* area = CalcAreaForState();
    if (!area || FCalcFieldsSize == 0)
        return false;
    const char* p = area + field->FOffset;
    if (p[0] != '1')
        return false;
    if (buffer)
        std::memcpy(buffer, p + 1, static_cast<size_t>(field->DataSize()));
    return true;
}

void TDataSet::WriteFieldValue(TField* field, const void* buffer) {
    if (field->FFieldKind != fkCalculated && field->FFieldKind != fkLookup) {
        SetFieldData(field, buffer);
        return;
    }
    if (FState != dsCalcFields)
        DatabaseErrorFmt("Field '%s' cannot be modified: calculated values are set in OnCalcFields",
                         {field->DisplayName()}, this);
    char* area = CalcAreaForState();
    if (!area || FCalcFieldsSize == 0)
        DatabaseErrorFmt("Field '%s' is not bound", {field->DisplayName()}, this);
    field->Validate(buffer);
    char* p = area + field->FOffset;
    size_t n = static_cast<size_t>(field->DataSize());
    std::memset(p + 1, 0, n);
    if (buffer) {
        p[0] = '1';
        std::memcpy(p + 1, buffer, n);
    } else {
        p[0] = 0;
    }
}

char* TDataSet::CalcAreaForState() const {
    switch (FState) {
    case dsCalcFields:
    case dsInternalCalc:
        return FCalcArea;
    case dsFilter:
        return FFilterCalc;
    case dsBrowse:
        return IsEmpty() ? nullptr : FSlots[static_cast<size_t>(FActiveRecord)].Calc;
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
    case dsCurValue:
    case dsSetKey:
        return FSlots.empty() ? nullptr : FSlots[static_cast<size_t>(FActiveRecord)].Calc;
    default:
        return nullptr;
    }
}

void TDataSet::Translate(std::string_view text, String& result, bool toOem) {
    (void)toOem;
    result.assign(text.data(), text.size());
}

TRecordBuffer TDataSet::OtherStateBuffer() const {
    switch (FState) {
    case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
    case dsCurValue:
    case dsSetKey:
        return ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc:
        return FCalcBuffer;
    case dsFilter:
        return FFilterBuffer;
    default:
        return nullptr;
    }
}

void TDataSet::ClearCalcArea(char* area) const {
    if (area && FCalcFieldsSize > 0)
        std::memset(area, 0, static_cast<size_t>(FCalcFieldsSize));
}

int TDataSet::SlotOf(TRecordBuffer buffer) const {
    for (size_t i = 0; i < FSlots.size(); ++i)
        if (FSlots[i].Buffer == buffer)
            return static_cast<int>(i);
    return -1;
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
    int slot = SlotOf(buffer);
    if (slot >= 0)
        CalculateSlot(slot);
}

void TDataSet::CalculateSlot(int slot) {
    if (FCalcFieldsSize == 0)
        return;
    Slot& s = FSlots[static_cast<size_t>(slot)];
    TRecordBuffer savedBuffer = FCalcBuffer;
    char* savedArea = FCalcArea;
    TDataSetState saved = SetTempState(dsCalcFields);
    FCalcBuffer = s.Buffer;
    FCalcArea = s.Calc;
    try {
        ClearCalcArea(s.Calc);
        if (FHasLookups)
            for (TField* f : FFields)
                if (f->FFieldKind == fkLookup)
                    CalcLookupValue(f);
        DoOnCalcFields();
    } catch (...) {
        FCalcBuffer = savedBuffer;
        FCalcArea = savedArea;
        RestoreState(saved);
        throw;
    }
    FCalcBuffer = savedBuffer;
    FCalcArea = savedArea;
    RestoreState(saved);
}

void TDataSet::UpdateCalcFields() {
    if (FState == dsSetKey || FSlots.empty())
        return;
    if (FState != dsInternalCalc)
        RefreshInternalCalcFields(ActiveBuffer());
    CalculateSlot(FActiveRecord);
}

void TDataSet::CalcLookupValue(TField* field) {
    Variant v;
    TDataSet* lookup = field->LookupDataSet();
    if (lookup && lookup->Active() && !field->KeyFields().empty()) {
        // Read the keys in the state of the record being calculated.
        Variant keys = FieldValues(field->KeyFields());
        v = lookup->Lookup(field->LookupKeyFields(), keys, field->LookupResultField());
    }
    if (v.IsClear()) {
        char* p = FCalcArea + field->FOffset;
        p[0] = 0;
        return;
    }
    field->SetAsVariant(v);
}

void TDataSet::DoOnCalcFields() {
    if (OnCalcFields)
        OnCalcFields(this);
}

// ---- State --------------------------------------------------------------------------------------

void TDataSet::SetState(TDataSetState value) {
    if (FState == value)
        return;
    FState = value;
    FModified = false;
    DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
    TDataSetState old = FState;
    FState = value;
    return old;
}

void TDataSet::RestoreState(TDataSetState value) { FState = value; }

// ---- Buffer ring --------------------------------------------------------------------------------

void TDataSet::AllocSlot(Slot& slot) {
    slot.Buffer = AllocRecordBuffer();
    if (FCalcFieldsSize > 0) {
        slot.Calc = new char[static_cast<size_t>(FCalcFieldsSize)];
        std::memset(slot.Calc, 0, static_cast<size_t>(FCalcFieldsSize));
    }
}

void TDataSet::FreeSlot(Slot& slot) {
    if (slot.Buffer)
        FreeRecordBuffer(slot.Buffer);
    slot.Buffer = nullptr;
    delete[] slot.Calc;
    slot.Calc = nullptr;
}

void TDataSet::ReleaseBuffers() {
    for (Slot& s : FSlots)
        FreeSlot(s);
    FSlots.clear();
    delete[] FFilterSlot.Calc;
    FFilterSlot.Calc = nullptr;
    FFilterCalc = nullptr;
}

void TDataSet::UpdateBufferCount() {
    if (!IsCursorOpen())
        return;
    int count = 1;
    for (TDataSource* source : FDataSources)
        for (TDataLink* link : source->FDataLinks)
            if (link->FActive && link->FBufferCount > count)
                count = link->FBufferCount;
    SetBufferCount(count);
}

void TDataSet::SetBufferCount(int value) {
    if (value == FBufferCount && !FSlots.empty())
        return;
    if (FSlots.empty() && FCalcFieldsSize > 0 && !FFilterSlot.Calc) {
        FFilterSlot.Calc = new char[static_cast<size_t>(FCalcFieldsSize)];
        std::memset(FFilterSlot.Calc, 0, static_cast<size_t>(FCalcFieldsSize));
    }
    if (value < FBufferCount && FRecordCount > 0) {
        // Keep the rows the links show: drop rows from the front only up to the first row of the
        // earliest link window, and enough of them that the active row still fits.
        int delta = FActiveRecord;
        for (TDataSource* source : FDataSources)
            for (TDataLink* link : source->FDataLinks)
                if (link->FActive && link->FFirstRecord < delta)
                    delta = link->FFirstRecord;
        delta = std::max(delta, FActiveRecord - value + 1);
        if (delta > 0) {
            std::rotate(FSlots.begin(), FSlots.begin() + delta, FSlots.begin() + FBufferCount + 1);
            FActiveRecord -= delta;
            FCurrentRecord = FCurrentRecord >= delta ? FCurrentRecord - delta : -1;
            FRecordCount -= delta;
            for (TDataSource* source : FDataSources)
                for (TDataLink* link : source->FDataLinks)
                    link->FFirstRecord = std::max(0, link->FFirstRecord - delta);
        }
        if (FRecordCount > value)
            FRecordCount = value;
        if (FCurrentRecord >= FRecordCount)
            FCurrentRecord = -1;
    }
    size_t newSize = static_cast<size_t>(value) + 1;
    for (size_t i = newSize; i < FSlots.size(); ++i)
        FreeSlot(FSlots[i]);
    size_t oldSize = FSlots.size();
    FSlots.resize(newSize);
    for (size_t i = oldSize; i < newSize; ++i)
        AllocSlot(FSlots[i]);
    FBufferCount = value;
    GetNextRecords();
    int added = GetPriorRecords();
    if (added > 0)
        for (TDataSource* source : FDataSources)
            for (TDataLink* link : source->FDataLinks)
                link->FFirstRecord += added;
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
    if (curIndex == newIndex)
        return;
    auto first = FSlots.begin();
    // A ring of one record and its scratch buffer, as a forward read has it: a swap.
    if (curIndex + 1 == newIndex || newIndex + 1 == curIndex) {
        std::swap(first[curIndex], first[newIndex]);
        return;
    }
    if (curIndex < newIndex)
        std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
    else
        std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
}

void TDataSet::ActivateBuffers() {
    FRecordCount = 1;
    FActiveRecord = 0;
    FCurrentRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::ClearBuffers() {
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::SetActiveRecord(int index) {
    if (index >= 0 && index < static_cast<int>(FSlots.size()))
        FActiveRecord = index;
}

void TDataSet::SetCurrentRecord(int index) {
    if (FCurrentRecord == index)
        return;
    if (!FIsUniDirectional) {
        TRecordBuffer buffer = FSlots[static_cast<size_t>(index)].Buffer;
        switch (GetBookmarkFlag(buffer)) {
        case bfCurrent:
        case bfInserted:
            InternalSetToRecord(buffer);
            break;
        case bfBOF:
            InternalFirst();
            break;
        case bfEOF:
            InternalLast();
            break;
        }
    }
    FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
    if (FRecordCount > 0)
        SetCurrentRecord(FActiveRecord);
}

TGetResult TDataSet::FetchInto(int slot, TGetMode mode, bool doCheck) {
    TGetResult r = GetRecord(FSlots[static_cast<size_t>(slot)].Buffer, mode, doCheck);
    if (r == grOK && FCalcFieldsSize > 0)
        CalculateSlot(slot);
    return r;
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (FRecordCount > 0) {
        SetCurrentRecord(FRecordCount - 1);
        // An inserted record not yet posted stands in front of the cursor's record.
        if (FState == dsInsert && FCurrentRecord == FActiveRecord &&
            GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    if (FetchInto(FRecordCount, mode, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0)
        ActivateBuffers();
    else if (FRecordCount < FBufferCount)
        ++FRecordCount;
    else
        MoveBuffer(0, FRecordCount);
    FCurrentRecord = FRecordCount - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (FIsUniDirectional)
        DatabaseError("Operation not allowed on a unidirectional dataset", this);
    if (FRecordCount > 0)
        SetCurrentRecord(0);
    if (FetchInto(FRecordCount, gmPrior, true) != grOK) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(FRecordCount, 0);
        if (FRecordCount < FBufferCount) {
            ++FRecordCount;
            ++FActiveRecord;
        }
    }
    FCurrentRecord = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int n = 0;
    while (FRecordCount < FBufferCount && GetNextRecord())
        ++n;
    return n;
}

int TDataSet::GetPriorRecords() {
    int n = 0;
    if (FIsUniDirectional)
        return 0;
    while (FRecordCount < FBufferCount && GetPriorRecord())
        ++n;
    return n;
}

void TDataSet::Resync(TResyncMode mode) {
    if (FIsUniDirectional)
        return;
    int scratch = FRecordCount;
    if (mode & rmExact) {
        CursorPosChanged();
        if (FetchInto(scratch, gmCurrent, true) != grOK)
            DatabaseError("Record not found", this);
    } else if (FetchInto(scratch, gmCurrent, false) != grOK && FetchInto(scratch, gmNext, false) != grOK &&
               FetchInto(scratch, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = (mode & rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
    MoveBuffer(scratch, 0);
    ActivateBuffers();
    try {
        while (count > 0 && GetPriorRecord())
            --count;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

// ---- Navigation ---------------------------------------------------------------------------------

void TDataSet::DoBeforeScroll() { Fire(BeforeScroll, this); }
void TDataSet::DoAfterScroll() { Fire(AfterScroll, this); }

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    bool reopened = false;
    if (FIsUniDirectional) {
        // A forward-only source can only start again by running again.
        if (!FBOF) {
            SetActive(false);
            SetActive(true);
        }
        reopened = true;
    } else {
        ClearBuffers();
    }
    try {
        if (!reopened) {
            InternalFirst();
            GetNextRecord();
            GetNextRecords();
        }
    } catch (...) {
        FBOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last() {
    if (FIsUniDirectional)
        DatabaseError("Operation not allowed on a unidirectional dataset", this);
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        FEOF = true;
        DataEvent(deDataSetChange, 0);
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if (!((distance > 0 && !FEOF) || (distance < 0 && !FBOF)))
        return 0;
    DoBeforeScroll();
    FBOF = false;
    FEOF = false;
    // How far the buffers shifted (negative: toward the front), for the links' windows.
    int scrolled = 0;
    try {
        while (distance > 0) {
            if (FActiveRecord < FRecordCount - 1) {
                ++FActiveRecord;
            } else {
                bool full = FRecordCount == FBufferCount;
                if (!GetNextRecord()) {
                    FEOF = true;
                    break;
                }
                if (full)
                    --scrolled;
                else
                    ++FActiveRecord;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (FActiveRecord > 0) {
                --FActiveRecord;
            } else {
                if (!GetPriorRecord()) {
                    FBOF = true;
                    break;
                }
                // The new record went to the front: every buffer moved one place back.
                FActiveRecord = 0;
                ++scrolled;
            }
            ++distance;
            --moved;
        }
    } catch (...) {
        DataEvent(deDataSetScroll, scrolled);
        DoAfterScroll();
        throw;
    }
    DataEvent(deDataSetScroll, scrolled);
    DoAfterScroll();
    return moved;
}

void TDataSet::Refresh() {
    Fire(BeforeRefresh, this);
    CheckBrowseMode();
    UpdateCursorPos();
    try {
        InternalRefresh();
    } catch (...) {
        Resync(0);
        throw;
    }
    Resync(0);
    Fire(AfterRefresh, this);
}

void TDataSet::SetFiltered(bool value) {
    if (value == FFiltered)
        return;
    if (Active()) {
        CheckBrowseMode();
        FFiltered = value;
        First();
    } else {
        FFiltered = value;
    }
}

// ---- Bookmarks ----------------------------------------------------------------------------------

bool TDataSet::BookmarkAvailable() {
    return (FState == dsBrowse || FState == dsEdit || FState == dsInsert) && !IsEmpty() &&
           GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
    TBookmark b;
    if (!BookmarkAvailable() || FBookmarkSize == 0)
        return b;
    b.FOwner = this;
    b.FGeneration = FGeneration;
    b.FSize = FBookmarkSize;
    GetBookmarkData(ActiveBuffer(), b.FData);
    return b;
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) {
    return !bookmark.IsNull() && bookmark.FOwner == this && FGeneration != 0 &&
           bookmark.FGeneration == FGeneration && bookmark.FSize == FBookmarkSize;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.IsNull())
        return;
    if (!TDataSet::BookmarkValid(bookmark))
        DatabaseError("Bookmark is not from this dataset or was taken before it was reopened", this);
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark.Data());
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
    if (bookmark1.IsNull() && bookmark2.IsNull())
        return 0;
    if (bookmark2.IsNull())
        return -1;
    if (bookmark1.IsNull())
        return 1;
    int n = std::min(bookmark1.Size(), bookmark2.Size());
    int c = std::memcmp(bookmark1.Data(), bookmark2.Data(), static_cast<size_t>(n));
    if (c == 0)
        c = bookmark1.Size() - bookmark2.Size();
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Defaults of the buffer hooks for descendants without bookmarks or editing.
void TDataSet::InternalGotoBookmark(const void* bookmark) {
    (void)bookmark;
    DatabaseError("Bookmarks are not supported by this dataset", this);
}
void TDataSet::InternalSetToRecord(TRecordBuffer buffer) { (void)buffer; }
void TDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
    (void)buffer;
    std::memset(data, 0, static_cast<size_t>(FBookmarkSize));
}
void TDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
    (void)buffer;
    (void)data;
}
TBookmarkFlag TDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
    (void)buffer;
    return bfCurrent;
}
void TDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
    (void)buffer;
    (void)value;
}
void TDataSet::InternalInitRecord(TRecordBuffer buffer) {
    int size = GetRecordSize();
    if (buffer && size > 0)
        std::memset(buffer, 0, static_cast<size_t>(size));
}

} // namespace vantrel

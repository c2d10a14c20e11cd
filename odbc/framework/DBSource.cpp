// TDataSource and TDataLink: how controls follow a dataset.
#include <vantrel/framework/DB.h>

#include <algorithm>

namespace vantrel {

// ---- TDataSource --------------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    Destroying();
    while (!FDataLinks.empty())
        FDataLinks.back()->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == FDataSet)
        return;
    if (FDataSet) {
        RemoveFreeNotification(FDataSet);
        FDataSet->RemoveDataSource(this);
    }
    FDataSet = dataSet;
    if (dataSet) {
        FreeNotification(dataSet);
        dataSet->AddDataSource(this);
    }
    UpdateState();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FDataSet)
        SetDataSet(nullptr);
}

void TDataSource::SetEnabled(bool value) {
    FEnabled = value;
    UpdateState();
}

void TDataSource::UpdateState() {
    SetState(FEnabled && FDataSet ? FDataSet->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
    if (value == FState)
        return;
    TDataSetState prior = FState;
    FState = value;
    NotifyDataLinks(deUpdateState, 0);
    if (IsDestroying())
        return;
    if (OnStateChange)
        OnStateChange(this);
    if (prior == dsInactive) {
        NotifyDataLinks(deLayoutChange, 0);
        if (OnDataChange)
            OnDataChange(this, nullptr);
    }
}

void TDataSource::Edit() {
    if (FAutoEdit && FState == dsBrowse && FDataSet)
        FDataSet->Edit();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const { return dataSet && FDataSet == dataSet; }

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive)
        return;
    NotifyDataLinks(event, info);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::NotifyDataLinks(TDataEvent event, intptr_t info) {
    for (size_t i = 0; i < FDataLinks.size(); ++i)
        FDataLinks[i]->DataEvent(event, info);
}

void TDataSource::AddDataLink(TDataLink* link) {
    FDataLinks.push_back(link);
    link->FDataSource = this;
    if (FDataSet)
        FDataSet->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    FDataLinks.erase(std::remove(FDataLinks.begin(), FDataLinks.end(), link), FDataLinks.end());
    link->FDataSource = nullptr;
    if (FDataSet && !FDataSet->IsDestroying())
        FDataSet->UpdateBufferCount();
}

// ---- TDataLink ----------------------------------------------------------------------------------

TDataLink::~TDataLink() {
    if (FDataSource) {
        FActive = false; // no ActiveChanged from a destructor: the override is gone
        FDataSource->RemoveDataLink(this);
    }
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == FDataSource)
        return;
    if (FDataSource)
        FDataSource->RemoveDataLink(this);
    if (source)
        source->AddDataLink(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool value) {
    if (value == FReadOnly)
        return;
    FReadOnly = value;
    UpdateState();
}

void TDataLink::UpdateState() {
    SetActive(FDataSource && FDataSource->State() != dsInactive);
    TDataSetState s = FDataSource ? FDataSource->State() : dsInactive;
    SetEditing(FActive && !FReadOnly && (s == dsEdit || s == dsInsert || s == dsSetKey));
}

void TDataLink::SetActive(bool value) {
    if (value == FActive)
        return;
    FActive = value;
    if (value) {
        if (TDataSet* ds = DataSet())
            ds->UpdateBufferCount();
        UpdateRange();
    } else {
        FFirstRecord = 0;
    }
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (value == FEditing)
        return;
    FEditing = value;
    EditingChanged();
}

// Keeps the window over the ring: the active record inside it, and the window no further
// down than the ring allows.
void TDataLink::UpdateRange() {
    TDataSet* ds = DataSet();
    if (!ds) {
        FFirstRecord = 0;
        return;
    }
    int active = ds->FActiveRecord;
    int maxFirst = std::max(0, ds->FRecordCount - FBufferCount);
    int lo = std::max(0, active - FBufferCount + 1);
    int hi = std::min(active, maxFirst);
    if (hi < lo)
        hi = lo;
    FFirstRecord = std::clamp(FFirstRecord, lo, hi);
}

int TDataLink::ActiveRecord() const {
    TDataSet* ds = DataSet();
    if (!ds || !FActive || FDataSource->State() == dsSetKey)
        return 0;
    return ds->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int value) {
    TDataSet* ds = DataSet();
    if (ds && FActive && FDataSource->State() != dsSetKey)
        ds->SetActiveRecord(value + FFirstRecord);
}

void TDataLink::SetBufferCount(int value) {
    if (value < 1)
        value = 1;
    if (value == FBufferCount)
        return;
    FBufferCount = value;
    if (FActive) {
        UpdateRange();
        DataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::RecordCount() const {
    TDataSet* ds = DataSet();
    if (!ds || !FActive)
        return 0;
    if (FDataSource->State() == dsSetKey)
        return 1;
    return std::clamp(ds->FRecordCount - FFirstRecord, 0, FBufferCount);
}

bool TDataLink::Edit() {
    if (!FReadOnly && FDataSource)
        FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

int TDataLink::MoveBy(int distance) {
    TDataSet* ds = DataSet();
    return ds ? ds->MoveBy(distance) : 0;
}

bool TDataLink::Bof() const {
    TDataSet* ds = DataSet();
    return !ds || ds->Bof();
}

bool TDataLink::Eof() const {
    TDataSet* ds = DataSet();
    return !ds || ds->Eof();
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating)
            RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        int shifted = FFirstRecord + (event == deDataSetScroll ? static_cast<int>(info) : 0);
        FFirstRecord = shifted;
        UpdateRange();
        if (event == deDataSetScroll)
            DataSetScrolled(FFirstRecord - shifted);
        else if (event == deLayoutChange)
            LayoutChanged();
        else
            DataSetChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(*reinterpret_cast<TField**>(info));
        break;
    default:
        break;
    }
}

} // namespace vantrel

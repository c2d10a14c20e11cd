// The connection pool and the pooled query.
#include <vantrel/ext/MultiDB.h>

#include <algorithm>

namespace vantrel {

// ---- TMultiODBCDataBase -------------------------------------------------------------------------

TMultiODBCDataBase::TMultiODBCDataBase(TComponent* owner, TMultiDataBases* pool)
    : TODBCDatabase(owner), FPool(pool) {}

TMultiODBCDataBase::~TMultiODBCDataBase() {
    // The base destructor closes and detaches; do it here under the lock, while this is still a
    // pooled connection.
    try {
        TMultiDBLock lock(this);
        TODBCDatabase::Close();
        TODBCDatabase::FreeDatasets();
    } catch (...) {
    }
}

void TMultiODBCDataBase::Lock() {
    FSection.Enter();
    FDepth.fetch_add(1);
    FCounter.fetch_add(1);
}

void TMultiODBCDataBase::UnLock() {
    FDepth.fetch_sub(1);
    FSection.Leave();
}

long TMultiODBCDataBase::GetCounter() const {
    TCriticalSectionGuard guard(FSection);
    return FCounter.load();
}

void TMultiODBCDataBase::Open() {
    TMultiDBLock lock(this);
    TODBCDatabase::Open();
}

void TMultiODBCDataBase::Close() {
    TMultiDBLock lock(this);
    TODBCDatabase::Close();
}

void TMultiODBCDataBase::CloseDatasets() {
    TMultiDBLock lock(this);
    TODBCDatabase::CloseDatasets();
}

void TMultiODBCDataBase::FreeDatasets() {
    TMultiDBLock lock(this);
    TODBCDatabase::FreeDatasets();
}

int TMultiODBCDataBase::GetDatasetCount() const {
    TCriticalSectionGuard guard(FSection);
    return TODBCDatabase::GetDatasetCount();
}

TODBCDataSet* TMultiODBCDataBase::GetDataset(int index) const {
    TCriticalSectionGuard guard(FSection);
    return TODBCDatabase::GetDataset(index);
}

// ---- TMultiDataBases ----------------------------------------------------------------------------

TMultiDataBases::TMultiDataBases() = default;

TMultiDataBases::~TMultiDataBases() {
    try {
        ClearDataBase();
    } catch (...) {
    }
}

int TMultiDataBases::Count() const {
    TCriticalSectionGuard guard(FSection);
    return static_cast<int>(FItems.size());
}

TMultiODBCDataBase* TMultiDataBases::GetDataBases(int index) const {
    TCriticalSectionGuard guard(FSection);
    if (index < 0 || index >= static_cast<int>(FItems.size()))
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return FItems[static_cast<size_t>(index)];
}

TMultiODBCDataBase* TMultiDataBases::AddDataBase() {
    TCriticalSectionGuard guard(FSection);
    auto* db = new TMultiODBCDataBase(nullptr, this);
    try {
        db->SetDriverConnectOption(DriverConnectOption);
        db->SetAutoCommitOption(AutoCommitOption);
        db->SetIsolationLevel(IsolationLevel);
        db->SetSQLCursorOption(SQLCursorOption);
        db->SetDSNName(DSNName);
        db->SetConnectStr(ConnectStr);
        db->SetConnectStyle(ConnectStyle);
        db->SetPassword(Password);
        db->SetUserID(UserID);
        db->SetParamAtExecSize(ParamAtExecSize);
        db->SetStringTrimRight(StringTrimRight);
        db->SetIgnoreOriginInfo(IgnoreOriginInfo);
        FItems.push_back(db);
    } catch (...) {
        delete db;
        throw;
    }
    if (OnAddDataBase)
        OnAddDataBase(db);
    return db;
}

void TMultiDataBases::RemoveAt(size_t index) {
    TMultiODBCDataBase* db = FItems[index];
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(index));
    if (OnRemoveDataBase)
        OnRemoveDataBase(db);
    delete db;
}

void TMultiDataBases::SetConnected(bool value) {
    TCriticalSectionGuard guard(FSection);
    if (value) {
        while (static_cast<int>(FItems.size()) < InitCount)
            AddDataBase();
        for (TMultiODBCDataBase* db : FItems)
            db->Open();
        FConnected = true;
    } else {
        CloseDataBase();
    }
}

void TMultiDataBases::CloseDataBase() {
    TCriticalSectionGuard guard(FSection);
    for (size_t i = FItems.size(); i-- > 0;) {
        TMultiODBCDataBase* db = FItems[i];
        db->Close();
        if (db->GetDatasetCount() == 0)
            RemoveAt(i);
    }
    FConnected = false;
}

void TMultiDataBases::ClearDataBase() {
    TCriticalSectionGuard guard(FSection);
    while (!FItems.empty())
        RemoveAt(FItems.size() - 1);
    FConnected = false;
}

TMultiODBCDataBase* TMultiDataBases::FindDataBase(const std::vector<TODBCDatabase*>& list) {
    TMultiODBCDataBase* best = nullptr;
    int bestCount = 0;
    for (TODBCDatabase* item : list) {
        auto* db = dynamic_cast<TMultiODBCDataBase*>(item);
        if (!db)
            continue;
        int count = db->GetDatasetCount();
        if (count == 0)
            return db;
        if (!best || count < bestCount) {
            best = db;
            bestCount = count;
        }
    }
    return best;
}

TMultiODBCDataBase* TMultiDataBases::FindDataBase(TMultiDataBases* pool) {
    if (!pool)
        return nullptr;
    TCriticalSectionGuard guard(pool->FSection);
    std::vector<TODBCDatabase*> list(pool->FItems.begin(), pool->FItems.end());
    TMultiODBCDataBase* found = FindDataBase(list);
    if (found && found->GetDatasetCount() == 0)
        return found;
    if (static_cast<int>(pool->FItems.size()) < pool->MaxCount) {
        TMultiODBCDataBase* db = pool->AddDataBase();
        try {
            db->Open();
        } catch (...) {
            pool->RemoveAt(pool->FItems.size() - 1);
            throw;
        }
        return db;
    }
    return found;
}

// ---- TODBCMultiQuery ----------------------------------------------------------------------------

namespace {
// Finds over the session's list are one at a time, so two queries never both take the last
// free connection.
TCriticalSection& sessionFindLock() {
    static TCriticalSection section;
    return section;
}
} // namespace

TODBCMultiQuery::TODBCMultiQuery(TComponent* owner) : TODBCQuery(owner) {}

TODBCMultiQuery::~TODBCMultiQuery() {
    TMultiODBCDataBase* db = GetMultiODBCDataBase();
    try {
        TMultiDBLock lock(db);
        Close();
        TODBCDataSet::SetODBCDatabase(nullptr);
    } catch (...) {
    }
}

TMultiODBCDataBase* TODBCMultiQuery::GetMultiODBCDataBase() const {
    return dynamic_cast<TMultiODBCDataBase*>(ODBCDatabase());
}

void TODBCMultiQuery::SetODBCDatabase(TODBCDatabase* db) {
    if (db == ODBCDatabase())
        return;
    // One connection's lock at a time: leave the old, then join the new.
    if (TMultiODBCDataBase* old = GetMultiODBCDataBase()) {
        TMultiDBLock lock(old);
        TODBCDataSet::SetODBCDatabase(nullptr);
    }
    TMultiDBLock lock(dynamic_cast<TMultiODBCDataBase*>(db));
    TODBCDataSet::SetODBCDatabase(db);
}

TMultiODBCDataBase* TODBCMultiQuery::FindDB() {
    if (TMultiODBCDataBase* db = GetMultiODBCDataBase())
        return db;
    if (ODBCDatabase() || !ODBCSession)
        return nullptr; // a plain connection: nothing to find
    TCriticalSectionGuard guard(sessionFindLock());
    TMultiODBCDataBase* db = TMultiDataBases::FindDataBase(ODBCSession->Databases());
    if (db)
        SetODBCDatabase(db);
    return db;
}

void TODBCMultiQuery::EnterConnectionLock() {
    TMultiODBCDataBase* db = GetMultiODBCDataBase();
    if (db)
        db->Lock();
    FEntered.push_back(db);
}
void TODBCMultiQuery::LeaveConnectionLock() {
    // Leaves the connection that was entered, even if the query has moved since.
    if (FEntered.empty())
        return;
    TMultiODBCDataBase* db = FEntered.back();
    FEntered.pop_back();
    if (db)
        db->UnLock();
}

TODBCStatementLock TODBCMultiQuery::LockStatement() {
    // Only the query's own connection: a connection is found when the query opens or runs
    // (its virtual steps), and before that no statement handle can exist.
    EnterConnectionLock();
    return TODBCStatementLock(this, [](void* query) noexcept {
        static_cast<TODBCMultiQuery*>(query)->LeaveConnectionLock();
    });
}

void TODBCMultiQuery::Prepare() {
    FindDB();
    Locked([&] { TODBCDataSet::Prepare(); });
}
void TODBCMultiQuery::UnPrepare() {
    Locked([&] { TODBCDataSet::UnPrepare(); });
}
void TODBCMultiQuery::SetPrepared(bool value) {
    FindDB();
    Locked([&] { TODBCDataSet::SetPrepared(value); });
}
void TODBCMultiQuery::ExecSQL() {
    FindDB();
    Locked([&] { TODBCDataSet::ExecSQL(); });
}
int TODBCMultiQuery::GetRowsAffected() {
    return Locked([&] { return TODBCDataSet::GetRowsAffected(); });
}
String TODBCMultiQuery::CursorName() {
    return Locked([&] { return TODBCDataSet::CursorName(); });
}
void TODBCMultiQuery::SetCursorName(const String& name) {
    Locked([&] { TODBCDataSet::SetCursorName(name); });
}
void TODBCMultiQuery::SetUniDirectional(bool value) {
    Locked([&] { TODBCDataSet::SetUniDirectional(value); });
}
void TODBCMultiQuery::SetBlockCursor(bool value) {
    Locked([&] { TODBCDataSet::SetBlockCursor(value); });
}
void TODBCMultiQuery::SetRowSetSize(int value) {
    Locked([&] { TODBCDataSet::SetRowSetSize(value); });
}
bool TODBCMultiQuery::IsDataSet() {
    FindDB();
    return Locked([&] { return TODBCDataSet::IsDataSet(); });
}
void TODBCMultiQuery::CreateHandle() {
    FindDB();
    Locked([&] { TODBCDataSet::CreateHandle(); });
}
void TODBCMultiQuery::Disconnect() {
    Locked([&] { TODBCDataSet::Disconnect(); });
}
void TODBCMultiQuery::ImmediatelyOpen() {
    FindDB();
    Locked([&] { TODBCDataSet::ImmediatelyOpen(); });
}
TBookmark TODBCMultiQuery::SilentClose() {
    return Locked([&] { return TODBCDataSet::SilentClose(); });
}
void TODBCMultiQuery::SilentOpen(const TBookmark& bookmark) {
    Locked([&] { TODBCDataSet::SilentOpen(bookmark); });
}
bool TODBCMultiQuery::ReadColumnData(TField* field, String& data) {
    return Locked([&] { return TODBCDataSet::ReadColumnData(field, data); });
}
bool TODBCMultiQuery::ReadColumnData(TField* field, TRecordBuffer record, String& data) {
    return Locked([&] { return TODBCDataSet::ReadColumnData(field, record, data); });
}
bool TODBCMultiQuery::LocateRecord(const String& keyFields, const Variant& keyValues,
                                   TLocateOptions options) {
    return Locked([&] { return TODBCDataSet::LocateRecord(keyFields, keyValues, options); });
}
bool TODBCMultiQuery::LocateFindRecord(const std::vector<TField*>& fields, const Variant& values,
                                       bool caseInsensitive, bool partialKey) {
    return Locked(
        [&] { return TODBCDataSet::LocateFindRecord(fields, values, caseInsensitive, partialKey); });
}
void TODBCMultiQuery::BindAllParam() {
    FindDB();
    Locked([&] { TODBCDataSet::BindAllParam(); });
}
void TODBCMultiQuery::SetQuery(TStrings* lines) {
    Locked([&] { TODBCDataSet::SetQuery(lines); });
}
void TODBCMultiQuery::SetSQLText(const String& text) {
    Locked([&] { TODBCDataSet::SetSQLText(text); });
}
bool TODBCMultiQuery::FindRecordByValues(const std::vector<String>& fields,
                                         const std::vector<Variant>& values, bool fromFirst) {
    return Locked([&] { return TODBCDataSet::FindRecordByValues(fields, values, fromFirst); });
}
bool TODBCMultiQuery::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
    return Locked([&] { return TODBCDataSet::Locate(keyFields, keyValues, options); });
}
std::unique_ptr<TStream> TODBCMultiQuery::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    return Locked([&] { return TODBCDataSet::CreateBlobStream(field, mode); });
}
bool TODBCMultiQuery::GetFieldData(TField* field, void* buffer) {
    return Locked([&] { return TODBCDataSet::GetFieldData(field, buffer); });
}
int TODBCMultiQuery::GetFieldDateTimeParts(TField* field, TDateTimeParts& parts) {
    return Locked([&] { return TODBCDataSet::GetFieldDateTimeParts(field, parts); });
}
bool TODBCMultiQuery::RetCodeIsSuccessful(int16_t rc) {
    FindDB();
    return Locked([&] { return TODBCDataSet::RetCodeIsSuccessful(rc); });
}
void TODBCMultiQuery::InternalExecSQL() {
    Locked([&] { TODBCDataSet::InternalExecSQL(); });
}
void TODBCMultiQuery::QueryChanged() {
    Locked([&] { TODBCDataSet::QueryChanged(); });
}
void TODBCMultiQuery::PrepareSQL(const String& text) {
    Locked([&] { TODBCDataSet::PrepareSQL(text); });
}
int TODBCMultiQuery::GetRecordCountExt() {
    return Locked([&] { return TODBCDataSet::GetRecordCountExt(); });
}
void TODBCMultiQuery::InternalFreeStmt(int option) {
    Locked([&] { TODBCDataSet::InternalFreeStmt(option); });
}
int TODBCMultiQuery::GetRecordCount() {
    return Locked([&] { return TODBCDataSet::GetRecordCount(); });
}
void TODBCMultiQuery::InternalRefresh() {
    Locked([&] { TODBCDataSet::InternalRefresh(); });
}
void TODBCMultiQuery::OpenCursor(bool infoQuery) {
    FindDB();
    Locked([&] { TODBCDataSet::OpenCursor(infoQuery); });
}
void TODBCMultiQuery::InternalFirst() {
    Locked([&] { TODBCDataSet::InternalFirst(); });
}
void TODBCMultiQuery::InternalGotoBookmark(const void* bookmark) {
    Locked([&] { TODBCDataSet::InternalGotoBookmark(bookmark); });
}
void TODBCMultiQuery::InternalLast() {
    Locked([&] { TODBCDataSet::InternalLast(); });
}
void TODBCMultiQuery::InternalSetToRecord(TRecordBuffer buffer) {
    Locked([&] { TODBCDataSet::InternalSetToRecord(buffer); });
}
TGetResult TODBCMultiQuery::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) {
    return Locked([&] { return TODBCDataSet::GetRecord(buffer, getMode, doCheck); });
}
void TODBCMultiQuery::InternalClose() {
    Locked([&] { TODBCDataSet::InternalClose(); });
}
void TODBCMultiQuery::InternalInitFieldDefs() {
    Locked([&] { TODBCDataSet::InternalInitFieldDefs(); });
}
void TODBCMultiQuery::InternalOpen() {
    FindDB();
    Locked([&] { TODBCDataSet::InternalOpen(); });
}

} // namespace vantrel

// Running the entity's statements: parameter binding, commands, locks, stored procedures, the
// view's query and the search in it.
#include <vantrel/entity/EntityInternal.h>

#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/ODBCTools.h>
#include <vantrel/framework/AppServices.h>

namespace vantrel {

using namespace entity_detail;

namespace {
// The key of the current record, to come back to it after the query ran again (a bookmark
// belongs to one opening only).
struct KeyPosition {
    std::vector<String> Fields;
    std::vector<Variant> Values;

    /// The key columns (fetLock or IdentRecord) of the current record, when there is one.
    static KeyPosition Of(TEntity& entity, TODBCQuery* q) {
        KeyPosition position;
        if (!q->Active() || q->IsEmpty())
            return position;
        for (int i = 0; i < entity.FieldCount(); ++i) {
            TFieldItem* f = entity.GetFields(i);
            if (!f->ExecSet().Contains(fetLock) && !f->IdentRecord())
                continue;
            if (TField* column = q->FindField(f->FactName()); column && !column->IsNull()) {
                position.Fields.push_back(column->FieldName());
                position.Values.push_back(column->AsVariant());
            }
        }
        return position;
    }
    /// Back on the record with that key; false (and left where it is) when it is gone.
    bool Restore(TODBCQuery* q) const {
        if (Fields.empty() || !q->Active())
            return false;
        try {
            return q->FindRecordByValues(Fields, Values, true);
        } catch (const EDatabaseError&) {
            return false;
        }
    }
};
} // namespace

namespace {

bool isBlobType(TFieldType t) {
    return t == ftBlob || t == ftGraphic || t == ftTypedBinary || t == ftBytes || t == ftVarBytes ||
           t == ftParadoxOle || t == ftDBaseOle || t == ftOraBlob;
}

bool isClearValue(const Variant& v) {
    return v.IsClear() || (v.VarType() == varString && v.AsString().empty());
}

// The parameter gets the column's type so that a null or a text binds as the column expects.
void setTyped(TODBCParam* p, TFieldType type, const Variant& v) {
    if (isClearValue(v)) {
        if (type == ftUnknown)
            type = ftInteger;
        p->SetDataType(type);
        p->Clear();
        return;
    }
    switch (type) {
    case ftSmallint:
        p->SetAsSmallInt(static_cast<int16_t>(v.AsInteger()));
        break;
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        p->SetAsInteger(v.AsInteger());
        break;
    case ftLargeint:
        p->SetAsVariant(Variant(static_cast<long long>(v.AsInt64())));
        break;
    case ftFloat:
        p->SetAsFloat(v.AsFloat());
        break;
    case ftCurrency:
        p->SetAsCurrency(v.AsFloat());
        break;
    case ftBCD:
        p->SetAsBCD(v.AsCurrency());
        break;
    case ftBoolean:
        p->SetAsBoolean(v.AsBoolean());
        break;
    case ftDate:
        p->SetAsDate(v.AsDateTime());
        break;
    case ftTime:
        p->SetAsTime(v.AsDateTime());
        break;
    case ftDateTime:
        p->SetAsDateTime(v.AsDateTime());
        break;
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob:
        p->SetAsMemo(v.AsString());
        break;
    case ftString:
    case ftFixedChar:
    case ftWideString:
        p->SetAsString(v.AsString());
        break;
    default:
        if (isBlobType(type)) {
            if (v.VarType() == varBytes) {
                const TBytes b = v.AsBytes();
                p->SetBlobData(b.data(), b.size());
            } else {
                const String s = v.AsString();
                p->SetBlobData(s.data(), s.size());
            }
        } else {
            p->SetAsVariant(v);
        }
    }
}

bool numericType(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftFloat || t == ftLargeint ||
           t == ftCurrency || t == ftBCD || t == ftAutoInc;
}

} // namespace

// ---- Binding ------------------------------------------------------------------------------------

void TEntity::SetParam(TODBCDataSet* query, TCommandDataType dataType, TDataSet* source,
                       const std::vector<Variant>& values) {
    BindParams(query, dataType, source, values, -1);
}

void TEntity::BindParams(TODBCDataSet* query, TCommandDataType dataType, TDataSet* source,
                         const std::vector<Variant>& values, int filterFrom) {
    PrepareQry(*query);
    TODBCParams* params = query->Params();
    for (int i = 0; i < params->Count(); ++i) {
        // A repeated name shares the first occurrence's value: only that one is set.
        if (params->Items(i) != params->GetParam(i))
            continue;
        TODBCParam* p = params->GetParam(i);
        const String& name = p->Name();
        switch (dataType) {
        case cdtArray: {
            if (i >= static_cast<int>(values.size()))
                EntityError(Format("No value for parameter %s", name));
            TFieldItem* f = FieldByName(name);
            setTyped(p, f ? f->fType() : ftUnknown, values[static_cast<size_t>(i)]);
            break;
        }
        case cdtQry: {
            TField* column = source ? source->FindField(name) : nullptr;
            if (!column)
                EntityError(Format("Field %s not found", name));
            p->AssignField(column);
            break;
        }
        case cdtField: {
            TFieldItem* f = FieldByName(name);
            bool filter = filterFrom >= 0 && i >= filterFrom;
            const String suffix = FilterParamSuffix;
            if (!f && filter && name.size() > suffix.size() && name.ends_with(suffix))
                f = FieldByName(name.substr(0, name.size() - suffix.size()));
            if (!f)
                EntityError(Format("Field %s not found", name));
            setTyped(p, f->fType(), filter ? f->filterStr() : f->Value());
            break;
        }
        }
    }
}

// ---- Commands -----------------------------------------------------------------------------------

void TEntity::Execute(TExecType op, TCommandDataType dataType, TDataSet* source,
                      const std::vector<Variant>& values) {
    if (!Trim(GetSP(op)).empty()) {
        RunCommand(op, dataType, source, values);
    } else {
        auto q = CreateQuery();
        TStringList lines;
        switch (op) {
        case fetInsert:
            GenerateSQLInsert(&lines);
            break;
        case fetUpdate:
            if (!GenerateSQLUpdate(&lines, dataType))
                return;
            break;
        case fetDelete:
            GenerateSQLDelete(&lines);
            break;
        default:
            EntityError("Operation without a statement");
        }
        if (lines.Count() == 0)
            return;
        q->SQL()->Assign(&lines);
        SetParam(q.get(), dataType, source, values);
        ExecQry(*q);
    }
    SetUpdateEntity(FViewEntity, this);
}

void TEntity::AddForArray(TCommandDataType dataType, const std::vector<Variant>& values) {
    Execute(fetInsert, dataType, dataType == cdtQry ? Query() : nullptr, values);
}

void TEntity::EditForArray(TCommandDataType dataType, const std::vector<Variant>& values) {
    // Without a check an update simply goes ahead: a silent refusal would lose the user's change.
    if (HasUpdateCheck() && !CheckUpdate())
        return;
    Execute(fetUpdate, dataType, dataType == cdtQry ? Query() : nullptr, values);
}

void TEntity::DeleteForArray(TCommandDataType dataType, const std::vector<Variant>& values) {
    Execute(fetDelete, dataType, dataType == cdtQry ? Query() : nullptr, values);
}

void TEntity::DeleteForQry() {
    Execute(fetDelete, cdtQry, Query(), {});
}

void TEntity::Add() {
    AddForArray(cdtField, {});
}

void TEntity::Edit() {
    EditForArray(cdtField, {});
}

void TEntity::Delete() {
    DeleteForArray(cdtField, {});
}

TLockResult TEntity::LockForArray(TCommandDataType dataType, const std::vector<Variant>& values) {
    return DoLock(false, dataType, dataType == cdtQry ? Query() : nullptr, values);
}

TLockResult TEntity::LockCascadeForArray(TCommandDataType dataType, const std::vector<Variant>& values) {
    return DoLock(true, dataType, dataType == cdtQry ? Query() : nullptr, values);
}

TLockResult TEntity::LockForQry() {
    return DoLock(false, cdtQry, Query(), {});
}
TLockResult TEntity::LockCascadeForQry() {
    return DoLock(true, cdtQry, Query(), {});
}
TLockResult TEntity::Lock() {
    return LockForArray(cdtField, {});
}
TLockResult TEntity::LockCascade() {
    return LockCascadeForArray(cdtField, {});
}

TLockResult TEntity::DoLock(bool cascade, TCommandDataType dataType, TDataSet* source,
                            const std::vector<Variant>& values) {
    const TExecType op = cascade ? fetCLock : fetLock;
    if (!Trim(GetSP(op)).empty()) {
        try {
            RunCommand(op, dataType, source, values);
            return lrOk;
        } catch (const EODBCError& e) {
            Application().ShowException(e);
            return e.NativeError() == -746 ? lrDeleted : lrLocked;
        }
    }
    TStringList lines;
    GenerateSQLLock(&lines, cascade);
    const bool postgres = LockBySelect();
    auto q = CreateQuery();
    q->SQL()->Assign(&lines);
    if (postgres)
        q->SetUniDirectional(true); // before the statement is prepared
    SetParam(q.get(), dataType, source, values);
    // A lock lasts as long as the transaction it is taken in; autocommit would end it at once.
    const bool started = !DataBase->InTransaction();
    if (started)
        DataBase->StartTransaction();
    auto release = [&] {
        if (started)
            try {
                DataBase->Rollback();
            } catch (...) {
            }
    };
    try {
        bool found;
        if (postgres) {
            OpenQry(*q);
            found = !q->Eof();
            q->Close();
        } else {
            ExecQry(*q);
            found = q->GetRowsAffected() != 0;
        }
        if (!found) {
            release();
            return lrDeleted;
        }
    } catch (const EODBCError& e) {
        release();
        Application().ShowException(e);
        return lrLocked;
    } catch (...) {
        release();
        throw;
    }
    if (started && DataBase->InTransaction()) {
        // Remembered so Unlock / Commit end this transaction and no later one.
        TComponent* previous = FLockDb;
        FLockDb = DataBase;
        FLockTransaction = DataBase->TransactionNumber();
        dropNotification(previous);
        FreeNotification(FLockDb);
    }
    SelectAfterLock();
    return lrOk;
}

bool TEntity::LockHeld() const {
    return FLockDb && FLockDb->InTransaction() && FLockDb->TransactionNumber() == FLockTransaction;
}

void TEntity::forgetLock() {
    TComponent* db = FLockDb;
    FLockDb = nullptr;
    dropNotification(db);
}

void TEntity::Unlock() {
    if (LockHeld())
        FLockDb->Rollback();
    forgetLock();
}

void TEntity::Commit() {
    if (LockHeld())
        FLockDb->Commit();
    forgetLock();
}

// ---- Lock guard ---------------------------------------------------------------------------------

TEntityLock::TEntityLock(TEntity& entity, bool cascade)
    : FEntity(entity), FResult(cascade ? entity.LockCascade() : entity.Lock()) {}

TEntityLock::TEntityLock(TEntity& entity, TCommandDataType dataType, const std::vector<Variant>& values,
                         bool cascade)
    : FEntity(entity),
      FResult(cascade ? entity.LockCascadeForArray(dataType, values) : entity.LockForArray(dataType, values)) {}

TEntityLock::~TEntityLock() {
    if (FResult != lrOk)
        return;
    try {
        FEntity.Unlock();
    } catch (...) {
    }
}

void TEntityLock::Commit() {
    FEntity.Commit();
}

void TEntityLock::Unlock() {
    FEntity.Unlock();
}

void TEntity::SelectAfterLock() {
    // The locked row is read again, so what the user goes on to change is what is now held.
    if (!FQuery || !FQuery->Active())
        return;
    // Rows may come back in another order: the key finds the locked one again.
    const KeyPosition position = KeyPosition::Of(*this, FQuery.get());
    FQuery->Refresh();
    position.Restore(FQuery.get());
}

// ---- Stored procedures --------------------------------------------------------------------------

std::unique_ptr<TODBCQuery> TEntity::CreateSProcedure(TExecType execType) {
    const String name = Trim(GetSP(execType));
    if (name.empty())
        EntityError("Can not create empty procedure");
    // A name may be "schema.name"; every part must be a plain identifier.
    size_t start = 0;
    while (true) {
        const size_t dot = name.find('.', start);
        if (!IsIdentifier(name.substr(start, dot == String::npos ? String::npos : dot - start)))
            EntityError(Format("Procedure name not allowed: %s", name));
        if (dot == String::npos)
            break;
        start = dot + 1;
    }
    String params;
    for (int i = 0; i < FieldCount(); ++i) {
        if (!GetFields(i)->ExecSet().Contains(execType))
            continue;
        if (!params.empty())
            params += ",";
        params += ParamRef(FFields->Get(i));
    }
    auto q = CreateQuery();
    q->SQL()->Add(strExecuteProc + " " + name + "(" + params + ")");
    return q;
}

void TEntity::RunCommand(TExecType execType, TCommandDataType dataType, TDataSet* source,
                         const std::vector<Variant>& values) {
    auto q = CreateSProcedure(execType);
    q->SetUniDirectional(true);
    SetParam(q.get(), dataType, source, values);
    if (GetSPOpen(execType))
        ProcedureOpen(q.get());
    else
        ProcedureExec(q.get());
}

void TEntity::ProcedureOpen(TODBCDataSet* query) {
    OpenQry(*query);
}
void TEntity::ProcedureExec(TODBCDataSet* query) {
    ExecQry(*query);
}

// ---- The view -----------------------------------------------------------------------------------

TODBCQuery* TEntity::Query() {
    if (!FQuery) {
        if (!DataBase)
            EntityError("The entity's database is not connected");
        FQuery = CreateQuery();
    } else if (FQuery->ODBCDatabase() != DataBase && !FQuery->Active()) {
        FQuery->SetODBCDatabase(DataBase);
    }
    return FQuery.get();
}

void TEntity::EntityOpenOnly() {
    TODBCQuery* q = Query();
    q->DisableControls();
    struct Enable {
        TODBCQuery* q;
        ~Enable() { q->EnableControls(); }
    } enable{q};
    const KeyPosition position = KeyPosition::Of(*this, q);
    q->Close();
    TStringList lines;
    GenerateSQLSelect(&lines, false);
    const String where = GenerateWhere();
    if (!where.empty())
        lines.Add(where);
    const String order = GenerateOrder(FOrdering);
    if (!order.empty())
        lines.Add(order);
    q->SQL()->Assign(&lines);
    BindParams(q, cdtField, nullptr, {}, FFilterParamFrom);
    q->AfterOpen = [this](TDataSet* ds) { OpenTableProc(ds); };
    OpenQry(*q);
    FFlgReread = false;
    FirstNumber(FViewEntity, this);
    if (!position.Restore(q))
        q->First();
}

void TEntity::EntityOpen() {
    if (!Trim(GetSP(fetSelect)).empty())
        RunCommand(fetSelect, cdtField, nullptr, {});
    EntityOpenOnly();
}

void TEntity::ReOpenSql() {
    if (!FQuery || !FQuery->Active())
        return;
    TODBCQuery* q = FQuery.get();
    q->DisableControls();
    struct Enable {
        TODBCQuery* q;
        ~Enable() { q->EnableControls(); }
    } enable{q};
    const KeyPosition position = KeyPosition::Of(*this, q);
    if (Trim(GetSP(fetSelect)).empty() || !FFlgReread) {
        SetRereadEntity();
        q->Refresh();
    } else {
        const TBookmark at = q->SilentClose();
        RunCommand(fetSelect, cdtField, nullptr, {});
        q->SilentOpen(at);
    }
    // A changed row may come back elsewhere: the same position is not the same row.
    position.Restore(q);
    FirstNumber(FViewEntity, this);
    FFlgReread = false;
}

void TEntity::execClose() {
    if (!Trim(GetSP(fetClose)).empty())
        RunCommand(fetClose, cdtField, nullptr, {});
    if (FQuery)
        FQuery->Close();
}

void TEntity::OpenTableProc(TDataSet* dataSet) {
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        TField* column = dataSet->FindField(f->FactName());
        if (!column)
            continue;
        if (!f->DisplayName().empty())
            column->SetDisplayLabel(f->DisplayName());
        if (f->dspWidth() > 0)
            column->SetDisplayWidth(f->dspWidth());
        column->SetVisible(f->flgVisible());
    }
}

// ---- Search -------------------------------------------------------------------------------------

bool TFieldItem::CheckFind(TDataSet& dataSet, const String& name) const {
    TField* column = dataSet.FindField(name);
    if (!column || FFindStr.IsClear())
        return false;
    const bool sensitive = FEntity && FEntity->FindSensitive();
    auto fold = [&](const String& s) { return sensitive ? s : UpperCase(s); };
    const String search = fold(FFindStr.AsString());
    if (FFindStr.VarType() == varDate)
        return fold(column->AsString()).find(search) != String::npos;
    if (numericType(column->DataType())) {
        String text = column->AsString();
        if (text.empty())
            text = "0";
        double a = 0, b = 0;
        if (TryStrToFloat(text, a) && TryStrToFloat(search, b))
            return a == b;
        return fold(text) == search;
    }
    const String text = fold(column->DisplayText());
    switch (FEntity ? FEntity->FindOption() : efoFirstConCur) {
    case efoFullConCur:
        return text == search;
    case efoSubConCur:
        return text.find(search) != String::npos;
    case efoFirstConCur:
    default:
        return text.compare(0, search.size(), search) == 0;
    }
}

bool TEntity::FindEofBof(TDirectionFind direction) {
    TODBCQuery* q = Query();
    return direction == dfNext ? q->Eof() : q->Bof();
}

bool TEntity::Find() {
    TODBCQuery* q = Query();
    if (!q->Active() || q->IsEmpty())
        return false;
    std::vector<const TFieldItem*> items;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (!isClearValue(f->findStr()) && q->FindField(f->FactName()))
            items.push_back(f);
    }
    if (items.empty())
        return false;
    q->DisableControls();
    struct Enable {
        TODBCQuery* q;
        ~Enable() { q->EnableControls(); }
    } enable{q};
    const TBookmark start = q->GetBookmark();
    while (true) {
        if (FFindDown == dfNext)
            q->Next();
        else
            q->Prior();
        if (FindEofBof(FFindDown))
            break;
        bool all = true;
        for (const TFieldItem* f : items)
            if (!f->CheckFind(*q, f->FactName())) {
                all = false;
                break;
            }
        if (all)
            return true;
    }
    q->GotoBookmark(start);
    return false;
}

} // namespace vantrel

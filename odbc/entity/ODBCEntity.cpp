// The entity's description, its registry of open entities, its settings and the generated SQL.
#include <vantrel/entity/EntityInternal.h>

#include <vantrel/core/ODBCApi.h>
#include <vantrel/ext/ODBCTools.h>
#include <vantrel/framework/Registry.h>

#include <algorithm>
#include <cctype>

namespace vantrel {

const std::vector<String> ExecTypeNames = {"fetSelect", "fetInsert", "fetUpdate", "fetDelete",
                                           "fetLock",   "fetCLock",  "fetClose"};

String strExecuteProc = "EXECUTE PROCEDURE";
String EntityINIFileName;
const Variant NullValue = Variant::Null();
TStringList* lstOpenEntity = nullptr;

namespace {
// The list lives from load to unload; entities that outlive it simply find it gone.
struct OpenEntityList {
    OpenEntityList() {
        if (!lstOpenEntity)
            lstOpenEntity = new TStringList;
    }
    ~OpenEntityList() {
        delete lstOpenEntity;
        lstOpenEntity = nullptr;
    }
} gOpenEntityList;
} // namespace

void EntityError(const String& message) {
    throw EEntityException(message);
}

// ---- Phrase and name checks ---------------------------------------------------------------------

namespace entity_detail {

void CheckPhrase(const String& phrase) {
    bool single = false, dbl = false;
    int depth = 0;
    auto refuse = [&] { EntityError(Format("SQL phrase not allowed: %s", phrase)); };
    for (size_t i = 0; i < phrase.size(); ++i) {
        const char c = phrase[i];
        if (c == '\0')
            refuse();
        if (single) {
            if (c == '\'')
                single = false;
            continue;
        }
        if (dbl) {
            if (c == '"')
                dbl = false;
            continue;
        }
        const char next = i + 1 < phrase.size() ? phrase[i + 1] : '\0';
        if (c == '\'')
            single = true;
        else if (c == '"')
            dbl = true;
        else if (c == ';' || (c == '-' && next == '-') || (c == '/' && next == '*') || c == '`' || c == '[' ||
                 c == '$')
            refuse();
        else if (c == '(')
            ++depth;
        else if (c == ')' && --depth < 0)
            refuse();
    }
    if (single || dbl || depth != 0)
        refuse();
}

bool IsIdentifier(const String& name) {
    if (name.empty() || name.size() > 128)
        return false;
    const unsigned char first = static_cast<unsigned char>(name[0]);
    if (!(std::isalpha(first) || first == '_'))
        return false;
    return std::all_of(name.begin(), name.end(), [](char ch) {
        const unsigned char u = static_cast<unsigned char>(ch);
        return std::isalnum(u) || u == '_' || u == '$';
    });
}

bool IsSafeName(const String& name) {
    if (Trim(name).empty() || name.size() > 128)
        return false;
    return std::none_of(name.begin(), name.end(), [](char ch) {
        const unsigned char u = static_cast<unsigned char>(ch);
        return u < 0x20 || u == 0x7F || ch == '"' || ch == '\'' || ch == '`' || ch == ';' || ch == ':';
    });
}

} // namespace entity_detail

using namespace entity_detail;

// ---- Field item ---------------------------------------------------------------------------------

TFieldItem::TFieldItem(TEntity* entity) : FEntity(entity) {}

void TFieldItem::SetviewTable(const String& v) {
    FViewTable = Trim(v);
}

TPersistent* TFieldItem::GetOwner() {
    return FEntity;
}

void TFieldItem::Assign(TPersistent* source) {
    auto* s = dynamic_cast<TFieldItem*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    FFactName = s->FFactName;
    FSelectStr = s->FSelectStr;
    FDisplayName = s->FDisplayName;
    FViewTable = s->FViewTable;
    FFlgView = s->FFlgView;
    FFlgVisible = s->FFlgVisible;
    FDspWidth = s->FDspWidth;
    FFlgSort = s->FFlgSort;
    FFType = s->FFType;
    FFindStr = s->FFindStr;
    FFilterStr = s->FFilterStr;
    FValue = s->FValue;
    FIdentRecord = s->FIdentRecord;
    FIsBookMark = s->FIsBookMark;
    FDisplayFormat = s->FDisplayFormat;
    FOrderingDesk = s->FOrderingDesk;
    FExecSet = s->FExecSet;
    FNameWrapper = s->FNameWrapper;
    FPhraseWrapper = s->FPhraseWrapper;
}

// ---- Entity: description ------------------------------------------------------------------------

TEntity::TEntity(TComponent* owner) : TComponent(owner), FFields(std::make_unique<TStringList>()) {
    FFields->SetOwnsObjects(true);
    Register();
}

TEntity::~TEntity() {
    Unregister();
    FQuery.reset();
    FFields.reset();
}

TFieldItem* TEntity::FieldByName(const String& name) const {
    const int i = FFields->IndexOf(name);
    return i < 0 ? nullptr : static_cast<TFieldItem*>(FFields->Objects(i));
}

TFieldItem* TEntity::GetFields(int index) const {
    if (index < 0 || index >= FFields->Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    return static_cast<TFieldItem*>(FFields->Objects(index));
}

TFieldItem* TEntity::CreateField(const String& factName, const String& selectStr, const String& displayName,
                                 int width, bool flgView, bool flgVisible, bool flgSort, bool identRecord,
                                 TFieldType type, TSetExecType execSet) {
    return CreateFieldExt([](TEntity* e) { return new TFieldItem(e); }, factName, selectStr, displayName,
                          width, flgView, flgVisible, flgSort, identRecord, type, execSet);
}

TFieldItem* TEntity::CreateFieldExt(const std::function<TFieldItem*(TEntity*)>& create,
                                    const String& factName, const String& selectStr,
                                    const String& displayName, int width, bool flgView, bool flgVisible,
                                    bool flgSort, bool identRecord, TFieldType type, TSetExecType execSet) {
    std::unique_ptr<TFieldItem> item(create(this));
    item->SetFactName(factName);
    item->SetSelectStr(selectStr);
    item->SetDisplayName(displayName);
    item->SetdspWidth(width);
    item->SetflgView(flgView);
    item->SetflgVisible(flgVisible);
    item->SetflgSort(flgSort);
    item->SetIdentRecord(identRecord);
    item->SetfType(type);
    item->SetExecSet(execSet);
    TFieldItem* raw = item.release();
    FFields->AddObject(factName, raw);
    return raw;
}

void TEntity::ClearFields() {
    FFields->Clear();
}

void TEntity::SetviewTable(const String& v) {
    FViewTable = Trim(v);
}

void TEntity::SetfactTable(const String& v) {
    FFactTable = Trim(v);
}

void TEntity::SetViewFull(const String& name) {
    if (name == FViewFull)
        return;
    FViewFull = name;
    if (!Loading())
        ReadFromINI();
}

void TEntity::Loaded() {
    TComponent::Loaded();
    // The published field list is read-only: strings a form names for it carry no field item,
    // and every user of the list expects one.
    for (int i = FFields->Count() - 1; i >= 0; --i)
        if (!dynamic_cast<TFieldItem*>(FFields->Objects(i)))
            FFields->Delete(i);
    ReadFromINI();
}

void TEntity::SetFieldValue(const String& name, const Variant& value) {
    TFieldItem* f = FieldByName(name);
    if (!f)
        EntityError(Format("Field %s not found", name));
    f->SetValue(value);
}

void TEntity::SetFieldFind(const String& name, const Variant& value) {
    TFieldItem* f = FieldByName(name);
    if (!f)
        EntityError(Format("Field %s not found", name));
    f->SetfindStr(value);
}

void TEntity::SetFieldFilter(const String& name, const Variant& value) {
    TFieldItem* f = FieldByName(name);
    if (!f)
        EntityError(Format("Field %s not found", name));
    f->SetfilterStr(value);
}

void TEntity::ClearFieldsValue() {
    for (int i = 0; i < FieldCount(); ++i)
        GetFields(i)->SetValue(NullValue);
}

void TEntity::ClearFieldsFind() {
    for (int i = 0; i < FieldCount(); ++i)
        GetFields(i)->SetfindStr(NullValue);
}

void TEntity::ClearFieldsFilter() {
    for (int i = 0; i < FieldCount(); ++i)
        GetFields(i)->SetfilterStr(NullValue);
}

// ---- Registry of open entities ------------------------------------------------------------------

void TEntity::Register() {
    if (!lstOpenEntity)
        lstOpenEntity = new TStringList;
    lstOpenEntity->AddObject(FViewEntity, this);
}

void TEntity::Unregister() noexcept {
    if (!lstOpenEntity)
        return;
    const int i = lstOpenEntity->IndexOfObject(this);
    if (i >= 0)
        lstOpenEntity->Delete(i);
}

void TEntity::SetviewEntity(const String& name) {
    FViewEntity = name;
    if (!lstOpenEntity)
        return;
    const int i = lstOpenEntity->IndexOfObject(this);
    if (i >= 0)
        lstOpenEntity->Put(i, name);
}

namespace {
int firstOfName(const String& name) {
    const String upper = UpperCase(name);
    for (int i = 0; i < lstOpenEntity->Count(); ++i)
        if (UpperCase(lstOpenEntity->Get(i)) == upper)
            return i;
    return -1;
}
} // namespace

void TEntity::SetFlgReread(bool flag) {
    FFlgReread = flag;
    if (!flag || !lstOpenEntity)
        return;
    const int own = lstOpenEntity->IndexOfObject(this);
    const int first = firstOfName(FViewEntity);
    // Keeps the entities of one view together: this one goes right after the first of them.
    if (own < 0 || first < 0 || own == first || own == first + 1)
        return;
    lstOpenEntity->Move(own, own > first ? first + 1 : first);
}

void TEntity::FirstNumber(const String& name, TEntity* entity) {
    if (!lstOpenEntity)
        return;
    const int own = lstOpenEntity->IndexOfObject(entity);
    const int first = firstOfName(name);
    if (own >= 0 && first >= 0 && own != first)
        lstOpenEntity->Exchange(own, first);
}

void TEntity::SetUpdateEntity(const String& name, TEntity* entity) {
    if (!lstOpenEntity)
        return;
    std::vector<TEntity*> same;
    for (int i = 0; i < lstOpenEntity->Count(); ++i)
        if (SameText(lstOpenEntity->Get(i), name))
            same.push_back(static_cast<TEntity*>(lstOpenEntity->Objects(i)));
    for (TEntity* e : same)
        e->SetFlgReread(true);
    if (entity)
        FirstNumber(name, entity);
}

void TEntity::SetRereadFlag(const String& name) {
    if (!lstOpenEntity)
        return;
    std::vector<TEntity*> same;
    for (int i = 0; i < lstOpenEntity->Count(); ++i)
        if (lstOpenEntity->Get(i) == name)
            same.push_back(static_cast<TEntity*>(lstOpenEntity->Objects(i)));
    for (TEntity* e : same)
        e->SetFlgReread(true);
}

void TEntity::SetRereadEntity() {
    SetUpdateEntity(FViewEntity, this);
}

// ---- Settings -----------------------------------------------------------------------------------

void TEntity::ReadFromINI() {
    if (EntityINIFileName.empty() || FViewFull.empty())
        return;
    TIniFile ini(EntityINIFileName);
    FFindSensitive = ini.ReadBool(FViewFull, "FindSensitive", false);
    const int option = ini.ReadInteger(FViewFull, "FindOption", 1);
    FFindOption = option >= efoFullConCur && option <= efoSubConCur ? static_cast<TEntityFindOption>(option)
                                                                    : efoFirstConCur;
    FFindDown = ini.ReadInteger(FViewFull, "FindDown", 0) == dfPrior ? dfPrior : dfNext;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (FSaveFindIni) {
            const String v = ini.ReadString(FViewFull, f->FactName() + "-find", "");
            f->SetfindStr(v.empty() ? NullValue : Variant(v));
        }
        if (FSaveFilterIni) {
            const String v = ini.ReadString(FViewFull, f->FactName() + "-filter", "");
            f->SetfilterStr(v.empty() ? NullValue : Variant(v));
        }
    }
}

void TEntity::WriteToINI() {
    if (EntityINIFileName.empty() || FViewFull.empty())
        return;
    TIniFile ini(EntityINIFileName);
    ini.WriteBool(FViewFull, "FindSensitive", FFindSensitive);
    ini.WriteInteger(FViewFull, "FindOption", FFindOption);
    ini.WriteInteger(FViewFull, "FindDown", FFindDown);
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (FSaveFindIni)
            ini.WriteString(FViewFull, f->FactName() + "-find", VarToStr(f->findStr()));
        if (FSaveFilterIni)
            ini.WriteString(FViewFull, f->FactName() + "-filter", VarToStr(f->filterStr()));
    }
}

// ---- Catalog ------------------------------------------------------------------------------------

TEntity::Catalog& TEntity::GetCatalog() {
    if (!DataBase || !DataBase->Connected())
        EntityError("The entity's database is not connected");
    if (FCatalog && FCatalog->Db == DataBase)
        return *FCatalog;
    auto c = std::make_unique<Catalog>();
    c->Db = DataBase;
    SQLHDBC dbc = static_cast<SQLHDBC>(DataBase->GetDBC());
    char buf[256] = {};
    SQLSMALLINT len = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_IDENTIFIER_QUOTE_CHAR, buf, sizeof buf, &len)) && buf[0] != ' ' &&
        buf[0] != '\0')
        c->Quote = String(buf, static_cast<size_t>(std::clamp<SQLSMALLINT>(len, 1, 1)));
    std::fill(std::begin(buf), std::end(buf), '\0');
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, buf, sizeof buf, &len)))
        c->Postgres = UpperCase(buf).find("POSTGRES") != String::npos;
    TStringList names;
    DataBase->GetTables(&names, nullptr, nullptr, nullptr);
    for (int i = 0; i < names.Count(); ++i)
        c->TableNames.push_back(names[i]);
    TComponent* old = FCatalog ? FCatalog->Db : nullptr;
    FCatalog = std::move(c);
    dropNotification(old);
    FreeNotification(DataBase);
    return *FCatalog;
}

void TEntity::ResetCatalog() {
    TComponent* old = FCatalog ? FCatalog->Db : nullptr;
    FCatalog.reset();
    dropNotification(old);
}

void TEntity::dropNotification(TComponent* db) {
    // The catalog and a held lock may both watch the same database.
    if (db && !(FCatalog && FCatalog->Db == db) && FLockDb != db)
        RemoveFreeNotification(db);
}

void TEntity::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    // Another database may later be made at the same address: nothing learnt of this one stays.
    if (operation == opRemove && FCatalog && component == FCatalog->Db)
        FCatalog.reset();
    if (operation == opRemove && component == FLockDb)
        FLockDb = nullptr;
}

String TEntity::Catalog::QuoteName(const String& name) const {
    String out = Quote;
    for (char ch : name) {
        out += ch;
        if (String(1, ch) == Quote)
            out += ch;
    }
    return out + Quote;
}

const TEntity::Catalog::Table& TEntity::Catalog::FindTable(const String& given) {
    const String key = UpperCase(given);
    if (auto it = Tables.find(key); it != Tables.end())
        return it->second;
    // "schema.table": the schema is taken as written, the table from the catalog.
    String schema, name = given;
    if (const size_t dot = given.rfind('.'); dot != String::npos) {
        schema = given.substr(0, dot);
        name = given.substr(dot + 1);
        if (!IsIdentifier(schema))
            EntityError(Format("Table %s not found", given));
    }
    if (!IsSafeName(name))
        EntityError(Format("Table %s not found", given));
    String found;
    int matches = 0;
    for (const String& t : TableNames) {
        if (t == name) {
            found = t;
            matches = 1;
            break;
        }
        if (SameText(t, name)) {
            found = t;
            ++matches;
        }
    }
    if (matches != 1)
        EntityError(Format("Table %s not found", given));
    Table table;
    table.Ref = (schema.empty() ? String() : QuoteName(schema) + ".") + QuoteName(found);
    // The result columns of an empty select: exact names, views included, no pattern matching.
    auto q = CreateQuery();
    q->SQL()->Add("SELECT * FROM " + table.Ref + " WHERE 1=0");
    q->SetUniDirectional(true);
    q->Open();
    for (TField* f : *q->Fields())
        table.Columns.push_back(f->FieldName());
    q->Close();
    return Tables.emplace(key, std::move(table)).first->second;
}

String TEntity::Catalog::Column(const String& tableName, const String& column) {
    const Table& t = FindTable(tableName);
    if (IsSafeName(column)) {
        for (const String& c : t.Columns)
            if (c == column)
                return QuoteName(c);
        const String* found = nullptr;
        int matches = 0;
        for (const String& c : t.Columns)
            if (SameText(c, column)) {
                found = &c;
                ++matches;
            }
        if (matches == 1)
            return QuoteName(*found);
    }
    EntityError(Format("Column %s is not in table %s", column, tableName));
}

String TEntity::NameRef(const String& name) const {
    if (FSQLDialect == esdPlain) {
        if (!IsIdentifier(name))
            EntityError(Format("Name not allowed without quotes: %s", name));
        return name;
    }
    if (!IsSafeName(name))
        EntityError(Format("Name not allowed: %s", name));
    return "\"" + name + "\"";
}

String TEntity::TableRef(const String& table) {
    if (FSQLDialect == esdConnection)
        return GetCatalog().FindTable(table).Ref;
    // "schema.table" as written, each part on its own.
    String out;
    size_t from = 0;
    for (;;) {
        const size_t dot = table.find('.', from);
        out += NameRef(table.substr(from, dot == String::npos ? String::npos : dot - from));
        if (dot == String::npos)
            return out;
        out += ".";
        from = dot + 1;
    }
}

String TEntity::FactTableRef() {
    if (FFactTable.empty())
        EntityError("The entity has no fact table");
    return TableRef(FFactTable);
}

String TEntity::ViewTableRef() {
    const String& view = FViewTable.empty() ? FFactTable : FViewTable;
    if (view.empty())
        EntityError("The entity has no view table");
    return TableRef(view);
}

String TEntity::ColumnRef(const TFieldItem* item, bool write) {
    if (FSQLDialect != esdConnection) {
        if (write && FFactTable.empty())
            EntityError("The entity has no fact table");
        if (!write && !item->viewTable().empty())
            return TableRef(item->viewTable()) + "." + NameRef(item->FactName());
        return NameRef(item->FactName());
    }
    Catalog& c = GetCatalog();
    if (write)
        return c.Column(FFactTable, item->FactName());
    if (!item->viewTable().empty())
        return c.FindTable(item->viewTable()).Ref + "." + c.Column(item->viewTable(), item->FactName());
    return c.Column(FViewTable.empty() ? FFactTable : FViewTable, item->FactName());
}

String TEntity::ParamRef(const String& name) const {
    if (!IsSafeName(name))
        EntityError(Format("Field name not allowed: %s", name));
    // Plain SQL names its parameters as the field list does; others are quoted (the dataset
    // strips the quotes).
    if (FSQLDialect == esdPlain && IsIdentifier(name))
        return ":" + name;
    return ":\"" + name + "\"";
}

bool TEntity::LockBySelect() {
    return FSQLDialect == esdPostgreSQL || (FSQLDialect == esdConnection && GetCatalog().Postgres);
}

// ---- Generation ---------------------------------------------------------------------------------

void TEntity::GenerateSQLSelect(TStrings* lines, bool forFact) {
    lines->Clear();
    String items;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (!f->flgView())
            continue;
        String item;
        if (!f->viewTable().empty()) {
            if (forFact)
                continue;
            item = ColumnRef(f, false);
        } else if (!f->SelectStr().empty()) {
            CheckPhrase(f->SelectStr());
            item = f->SelectStr();
        } else {
            item = ColumnRef(f, forFact);
        }
        if (!items.empty())
            items += ",";
        items += item;
    }
    if (items.empty())
        EntityError("The entity has no field to select");
    lines->Add("SELECT ");
    lines->Add(items + " FROM " + (forFact ? FactTableRef() : ViewTableRef()));
}

void TEntity::GenerateSQLInsert(TStrings* lines) {
    lines->Clear();
    String columns, params;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (!f->ExecSet().Contains(fetInsert))
            continue;
        if (!columns.empty()) {
            columns += ",";
            params += ",";
        }
        columns += ColumnRef(f, true);
        params += ParamRef(FFields->Get(i));
    }
    if (columns.empty())
        EntityError("The entity has no field to insert");
    lines->Add("INSERT INTO " + FactTableRef());
    lines->Add("(" + columns + ")");
    lines->Add("VALUES(" + params + ")");
}

String TEntity::KeyCondition(TExecType keyOp) {
    String cond;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (!f->ExecSet().Contains(keyOp))
            continue;
        if (!cond.empty())
            cond += " AND ";
        cond += ColumnRef(f, true) + "=" + ParamRef(FFields->Get(i));
    }
    // Without a key an update or delete would reach every row of the table.
    if (cond.empty())
        EntityError("The entity has no key field");
    return cond;
}

void TEntity::GenerateSQLLockWhere(TStrings* lines) {
    lines->Clear();
    lines->Add("WHERE " + KeyCondition(fetLock));
}

bool TEntity::CurrentRowHasKey() {
    if (!FQuery || !FQuery->Active() || FQuery->IsEmpty())
        return false;
    bool any = false;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (!f->ExecSet().Contains(fetLock))
            continue;
        TField* column = FQuery->FindField(f->FactName());
        if (!column || column->IsNull() || f->Value().IsClear() || !(column->AsVariant() == f->Value()))
            return false;
        any = true;
    }
    return any;
}

bool TEntity::GenerateSQLUpdate(TStrings* lines, TCommandDataType dataType) {
    lines->Clear();
    // Leaving out unchanged columns is only right for values named by field; positional values
    // would otherwise land on the wrong column, and only the same row tells what is unchanged.
    const bool skipUnchanged = dataType == cdtField && CurrentRowHasKey();
    String sets;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (!f->ExecSet().Contains(fetUpdate))
            continue;
        if (skipUnchanged) {
            if (TField* column = FQuery->FindField(f->FactName())) {
                const Variant& v = f->Value();
                const bool emptyForNull =
                    column->IsNull() && (v.IsClear() || (v.VarType() == varString && v.AsString().empty()));
                if (emptyForNull || (!column->IsNull() && !v.IsClear() && column->AsVariant() == v))
                    continue;
            }
        }
        if (!sets.empty())
            sets += ",";
        sets += ColumnRef(f, true) + "=" + ParamRef(FFields->Get(i));
    }
    if (sets.empty())
        return false;
    const String where = KeyCondition(fetLock);
    lines->Add("UPDATE " + FactTableRef() + " SET ");
    lines->Add(sets);
    lines->Add("WHERE " + where);
    return true;
}

void TEntity::GenerateSQLDelete(TStrings* lines) {
    lines->Clear();
    lines->Add("DELETE FROM " + FactTableRef() + " WHERE " + KeyCondition(fetLock));
}

void TEntity::GenerateSQLLock(TStrings* lines, bool cascade) {
    lines->Clear();
    const TFieldItem* target = nullptr;
    for (int i = FieldCount() - 1; i >= 0 && !target; --i) {
        TFieldItem* f = GetFields(i);
        if (f->flgView() && f->viewTable().empty() && f->fType() != ftInteger)
            target = f;
    }
    if (!target)
        EntityError("Can not create select lock query");
    const String where = KeyCondition(cascade ? fetCLock : fetLock);
    // NOTE: PostgreSQL locks the rows without writing them; NOWAIT makes a held lock an error
    // at once instead of a wait. SQLite has no row locks: the update takes the database's write
    // lock for the transaction, and a busy database is the error.
    if (LockBySelect()) {
        lines->Add("SELECT 1 FROM " + FactTableRef() + " WHERE " + where + " FOR UPDATE NOWAIT");
        return;
    }
    const String column = ColumnRef(target, true);
    lines->Add("UPDATE " + FactTableRef() + " SET " + column + "=" + column + " WHERE " + where);
}

String TEntity::GenerateOrder(int index) {
    if (index < 0)
        return String();
    String first, second;
    int sortable = 0;
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        if (!f->flgSort())
            continue;
        String entry = ColumnRef(f, false);
        if (FOrderingDesc)
            entry += " DESC";
        String& part = sortable >= index ? first : second;
        if (!part.empty())
            part += ",";
        part += entry;
        ++sortable;
    }
    if (first.empty() && second.empty())
        return String();
    String out = "ORDER BY " + first;
    if (!first.empty() && !second.empty())
        out += ",";
    return out + second;
}

String TEntity::GenerateWhere() {
    String filter;
    FFilterParamFrom = -1;
    std::vector<String> phraseNames;
    if (!FFilterStrPhrase.empty()) {
        CheckPhrase(FFilterStrPhrase);
        filter = "(" + FFilterStrPhrase + ")";
        String parsed = FFilterStrPhrase;
        ODBCParseParams(parsed, &phraseNames);
    }
    // A filter value feeds the filter phrase's parameter of that name; without one it asks for
    // rows whose column equals it.
    for (int i = 0; i < FieldCount(); ++i) {
        TFieldItem* f = GetFields(i);
        const Variant& v = f->filterStr();
        if (v.IsClear() || (v.VarType() == varString && v.AsString().empty()))
            continue;
        if (std::any_of(phraseNames.begin(), phraseNames.end(),
                        [&](const String& n) { return SameText(n, FFields->Get(i)); }))
            continue;
        if (!filter.empty())
            filter += " AND ";
        filter += ColumnRef(f, false) + "=" + ParamRef(FFields->Get(i) + entity_detail::FilterParamSuffix);
    }
    String where;
    if (!FWherePhrase.empty()) {
        CheckPhrase(FWherePhrase);
        where = "(" + FWherePhrase + ")";
    }
    if (!filter.empty()) {
        // Parameters from here on take the field items' filter values.
        String counted = where;
        std::vector<String> names;
        ODBCParseParams(counted, &names);
        FFilterParamFrom = static_cast<int>(names.size());
        where = where.empty() ? "(" + filter + ")" : where + " AND (" + filter + ")";
    }
    return where.empty() ? String() : "WHERE " + where;
}

} // namespace vantrel

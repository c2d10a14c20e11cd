// Query tools: one-call queries, text search, text export and import, layouts of grids.
#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/MultiDB.h>
#include <vantrel/ext/ODBCExtDataSet.h>
#include <vantrel/ext/ODBCTools.h>
#include <vantrel/ext/TextImport.h>

#include <thread>

namespace vantrel {

TODBCDatabase* DataBase = nullptr;
TMultiDataBases* MultiDataBases = nullptr;
TCursor ExecCursor = crSQLWait;

namespace {

// The thread that loaded the library runs the user interface; only it changes the cursor.
const std::thread::id gLoadingThread = std::this_thread::get_id();

// The pairs of ConverString, tried in this order at each position.
struct EscapePair {
    const char* Plain;
    size_t PlainSize;
    const char* Escaped;
};
const EscapePair kEscapes[] = {
    {"'", 1, "''"}, {"\\", 1, "\\\\"}, {"\0", 1, "\\x00"}, {"\r", 1, "\\x0D"}, {"\n", 1, "\\x0A"}};

// Decoding; with `strict` a backslash that starts none of the escapes is an error (false).
bool Decode(const String& text, String& out, bool strict) {
    out.clear();
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        bool matched = false;
        for (const EscapePair& p : kEscapes) {
            size_t n = std::char_traits<char>::length(p.Escaped);
            if (text.compare(i, n, p.Escaped) == 0) {
                out.append(p.Plain, p.PlainSize);
                i += n;
                matched = true;
                break;
            }
        }
        if (matched)
            continue;
        if (strict && text[i] == '\\')
            return false;
        out += text[i++];
    }
    return true;
}

bool IsBareType(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftFloat;
}

[[noreturn]] void ImportError(const String& fileName, int line, const String& message) {
    DatabaseError("Import of " + fileName + ", line " + IntToStr(line) + ": " + message);
}

// Table names go into the statements' text: allow identifiers, qualified or quoted, only.
void CheckTableName(const String& name) {
    bool ok = !name.empty();
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '"'))
            ok = false;
    if (!ok)
        DatabaseError("Import: '" + name + "' is not a table name");
}

// Scope guard of the import's transaction: auto-commit off while it lives and put back as it was
// after; rolled back unless committed.
class TImportTransaction {
public:
    explicit TImportTransaction(TODBCDatabase& db) : FDb(db) {
        FDbc = static_cast<SQLHDBC>(db.GetDBC());
        SQLUINTEGER value = SQL_AUTOCOMMIT_ON;
        VANTREL_ODBC(odbcEnv(), FDbc, SQL_NULL_HSTMT, SQLGetConnectOption(FDbc, SQL_AUTOCOMMIT, &value));
        FWasOn = value == SQL_AUTOCOMMIT_ON;
        if (FWasOn)
            VANTREL_ODBC(odbcEnv(), FDbc, SQL_NULL_HSTMT,
                         SQLSetConnectOption(FDbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
    }
    ~TImportTransaction() {
        if (!FDone)
            SQLTransact(odbcEnv(), FDbc, SQL_ROLLBACK);
        if (FWasOn)
            SQLSetConnectOption(FDbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
    }
    void Commit() {
        VANTREL_ODBC(odbcEnv(), FDbc, SQL_NULL_HSTMT, SQLTransact(odbcEnv(), FDbc, SQL_COMMIT));
        FDone = true;
    }
    TImportTransaction(const TImportTransaction&) = delete;
    TImportTransaction& operator=(const TImportTransaction&) = delete;

private:
    TODBCDatabase& FDb;
    SQLHDBC FDbc = SQL_NULL_HDBC;
    bool FWasOn = true;
    bool FDone = false;
};

} // namespace

namespace detail {

bool SplitLine(const String& line, std::vector<TImportValue>& values, String& error) {
    values.clear();
    size_t i = 0, n = line.size();
    for (;;) {
        TImportValue v;
        if (i < n && line[i] == '\'') {
            v.Quoted = true;
            ++i;
            String raw;
            bool closed = false;
            while (i < n) {
                if (line[i] == '\'') {
                    if (i + 1 < n && line[i + 1] == '\'') {
                        raw += "''";
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                raw += line[i++];
            }
            if (!closed) {
                error = "unterminated quote";
                return false;
            }
            if (!Decode(raw, v.Text, true)) {
                error = "bad escape in value " + IntToStr(static_cast<int64_t>(values.size()) + 1);
                return false;
            }
            if (i < n && line[i] != ',') {
                error = "text after the closing quote of value " +
                        IntToStr(static_cast<int64_t>(values.size()) + 1);
                return false;
            }
        } else {
            size_t end = line.find(',', i);
            if (end == String::npos)
                end = n;
            v.Text = line.substr(i, end - i);
            if (v.Text.find('\'') != String::npos) {
                error =
                    "quote inside the unquoted value " + IntToStr(static_cast<int64_t>(values.size()) + 1);
                return false;
            }
            i = end;
        }
        values.push_back(std::move(v));
        if (i >= n)
            return true;
        ++i; // the comma
    }
}

} // namespace detail

namespace {

using detail::SplitLine;
using detail::TImportValue;

// Sets an insert parameter from a value of the file by the column's type.
void SetImportParam(TODBCParam* p, TFieldType type, const TImportValue& v) {
    if (v.Text.empty() && !v.Quoted) {
        // A typed null: some drivers refuse a null of unknown type.
        switch (type) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftBoolean:
            p->SetAsInteger(0);
            break;
        case ftFloat:
        case ftCurrency:
        case ftBCD:
            p->SetAsFloat(0);
            break;
        case ftDate:
        case ftTime:
        case ftDateTime:
            p->SetAsDateTime(TDateTime(0));
            break;
        case ftBlob:
        case ftGraphic:
        case ftTypedBinary:
        case ftBytes:
        case ftVarBytes:
            p->SetBlobData("", 0);
            break;
        default:
            p->SetAsString(String());
            break;
        }
        p->Clear();
        return;
    }
    const String& t = v.Text;
    switch (type) {
    case ftMemo:
    case ftFmtMemo:
        p->SetAsMemo(t);
        break;
    case ftBlob:
    case ftGraphic:
    case ftTypedBinary:
    case ftBytes:
    case ftVarBytes:
        p->SetBlobData(t.data(), t.size());
        break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        p->SetAsFloat(StrToFloat(Trim(t)));
        break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
        int64_t value = StrToInt64(Trim(t));
        if (value < INT32_MIN || value > INT32_MAX)
            p->SetAsString(Trim(t));
        else
            p->SetAsInteger(static_cast<int32_t>(value));
        break;
    }
    case ftLargeint: {
        int64_t value = StrToInt64(Trim(t));
        if (value < INT32_MIN || value > INT32_MAX)
            p->SetAsString(IntToStr(value)); // the driver converts the digits
        else
            p->SetAsInteger(static_cast<int32_t>(value));
        break;
    }
    case ftBoolean:
        p->SetAsBoolean(StrToBool(Trim(t)));
        break;
    case ftDate:
        p->SetAsDate(StrToDateTime(Trim(t)));
        break;
    case ftTime:
        p->SetAsTime(StrToDateTime(Trim(t)));
        break;
    case ftDateTime:
        p->SetAsDateTime(StrToDateTime(Trim(t)));
        break;
    default:
        p->SetAsString(t);
        break;
    }
}

void BindValues(TODBCDataSet& q, const std::vector<Variant>& values, bool nullAsInteger) {
    int count = q.Params()->Count();
    if (static_cast<int>(values.size()) < count)
        DatabaseErrorFmt("The statement has %d parameters but %d values were given",
                         {count, static_cast<int>(values.size())});
    for (int i = 0; i < count; ++i) {
        TODBCParam* p = q.Params()->Items(i);
        const Variant& v = values[static_cast<size_t>(i)];
        if (v.IsNull() || (nullAsInteger && v.IsEmpty())) {
            p->SetAsInteger(0);
            p->Clear();
        } else {
            p->SetAsVariant(v);
        }
    }
}

} // namespace

// ---- Busy cursor --------------------------------------------------------------------------------

TExecCursor::TExecCursor() {
    if (std::this_thread::get_id() != gLoadingThread)
        return;
    TCursor now = Application().Cursor();
    if (now != ExecCursor) {
        FSaved = now;
        FActive = true;
        Application().SetCursor(ExecCursor);
    }
}

TExecCursor::~TExecCursor() {
    if (FActive && Application().Cursor() != FSaved) {
        try {
            Application().SetCursor(FSaved);
        } catch (...) {
        }
    }
}

// ---- ConverString -------------------------------------------------------------------------------

String ConverString(const String& text, bool encode) {
    String out;
    if (!encode) {
        Decode(text, out, false);
        return out;
    }
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        bool matched = false;
        for (const EscapePair& p : kEscapes)
            if (c == p.Plain[0]) {
                out += p.Escaped;
                matched = true;
                break;
            }
        if (!matched)
            out += c;
    }
    return out;
}

// ---- One-call queries ---------------------------------------------------------------------------

std::unique_ptr<TODBCQuery> CreateQuery() {
    auto q = std::make_unique<TODBCQuery>(nullptr);
    q->SetODBCDatabase(DataBase);
    q->SetBlobBufferSize(250);
    q->SetMaxBlobBuffer(1000);
    return q;
}

void ExecQry(TODBCDataSet& dataSet) {
    TExecCursor cursor;
    dataSet.ExecSQL();
}

void OpenQry(TODBCDataSet& dataSet) {
    dataSet.DisableControls();
    try {
        TExecCursor cursor;
        dataSet.Open();
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
}

void PrepareQry(TODBCDataSet& dataSet) {
    dataSet.Prepare();
}

namespace {

// The one-call functions over either kind of query: Q's own Prepare, ExecSQL and row count run
// under a pooled query's lock.
template <class Q> int RunSql(std::unique_ptr<Q> q, const String& sql) {
    q->SQL()->Add(sql);
    {
        TExecCursor cursor;
        q->ExecSQL();
    }
    return q->GetRowsAffected();
}

template <class Q> std::unique_ptr<Q> OpenSql(std::unique_ptr<Q> q, const String& sql) {
    q->SQL()->Add(sql);
    TExecCursor cursor;
    q->Open();
    return q;
}

template <class Q>
int RunLong(std::unique_ptr<Q> q, const String& sql, const std::vector<Variant>& values,
            const std::vector<int>& nullIndexes) {
    q->SQL()->Add(sql);
    q->Prepare();
    BindValues(*q, values, true);
    if (!nullIndexes.empty() && nullIndexes.front() != -1) {
        int count = q->Params()->Count();
        for (int i : nullIndexes) {
            if (i < 0 || i >= count)
                DatabaseErrorFmt("Null index %d names no parameter (the statement has %d)", {i, count});
            q->Params()->Items(i)->Clear();
        }
    }
    {
        TExecCursor cursor;
        q->ExecSQL();
    }
    return q->GetRowsAffected();
}

template <class Q>
std::unique_ptr<Q> OpenLong(std::unique_ptr<Q> q, const String& sql, const std::vector<Variant>& values,
                            bool uni) {
    q->SQL()->Add(sql);
    if (uni)
        q->SetUniDirectional(true);
    q->Prepare();
    BindValues(*q, values, false);
    OpenQry(*q);
    return q;
}

} // namespace

int ExecuteQuery(const String& sql) {
    return RunSql(CreateQuery(), sql);
}

std::unique_ptr<TODBCQuery> OpenQuery(const String& sql) {
    return OpenSql(CreateQuery(), sql);
}

int ExecQueryLong(const String& sql, const std::vector<Variant>& values,
                  const std::vector<int>& nullIndexes) {
    return RunLong(CreateQuery(), sql, values, nullIndexes);
}

std::unique_ptr<TODBCQuery> OpenQueryLong(const String& sql, const std::vector<Variant>& values) {
    return OpenLong(CreateQuery(), sql, values, false);
}

std::unique_ptr<TODBCQuery> OpenQueryLongUni(const String& sql, const std::vector<Variant>& values) {
    return OpenLong(CreateQuery(), sql, values, true);
}

std::unique_ptr<TODBCExtQuery> CreateQueryExt() {
    auto q = std::make_unique<TODBCExtQuery>(nullptr);
    q->SetODBCDatabase(DataBase);
    q->SetBlobBufferSize(255);
    q->SetMaxBlobBuffer(1000);
    return q;
}

std::unique_ptr<TODBCMultiQuery> CreateMQuery2(TMultiODBCDataBase* database) {
    auto q = std::make_unique<TODBCMultiQuery>(nullptr);
    q->SetMultiODBCDataBase(database);
    q->SetBlobBufferSize(250);
    q->SetMaxBlobBuffer(1000);
    return q;
}

std::unique_ptr<TODBCMultiQuery> CreateMQuery() {
    if (!MultiDataBases)
        DatabaseError(LoadResString(SODBCDataBaseNotOpen));
    // Finding and attaching under the pool's lock: two threads never take the same free connection.
    TCriticalSectionGuard guard(MultiDataBases->Section());
    return CreateMQuery2(TMultiDataBases::FindDataBase(MultiDataBases));
}

int ExecuteMQuery(const String& sql) {
    return RunSql(CreateMQuery(), sql);
}

std::unique_ptr<TODBCMultiQuery> OpenMQuery(const String& sql) {
    return OpenSql(CreateMQuery(), sql);
}

int ExecMQueryLong(const String& sql, const std::vector<Variant>& values,
                   const std::vector<int>& nullIndexes) {
    return RunLong(CreateMQuery(), sql, values, nullIndexes);
}

std::unique_ptr<TODBCMultiQuery> OpenMQueryLong(const String& sql, const std::vector<Variant>& values) {
    return OpenLong(CreateMQuery(), sql, values, false);
}

std::unique_ptr<TODBCMultiQuery> OpenMQueryLongUni(const String& sql, const std::vector<Variant>& values) {
    return OpenLong(CreateMQuery(), sql, values, true);
}

// ---- Searching ----------------------------------------------------------------------------------

bool FindAnyRecord(TDataSet& dataSet, bool caseSensitive, const String& text) {
    String key = caseSensitive ? text : UpperCase(text);
    bool found = false;
    dataSet.DisableControls();
    try {
        TBookmark start = dataSet.GetBookmark();
        dataSet.Next();
        while (!dataSet.Eof() && !found) {
            for (TField* f : *dataSet.Fields()) {
                if (f->IsBlob())
                    continue;
                String value = caseSensitive ? f->AsString() : UpperCase(f->AsString());
                if (value.compare(0, key.size(), key) == 0 && value.size() >= key.size()) {
                    found = true;
                    break;
                }
            }
            if (!found)
                dataSet.Next();
        }
        if (!found && !start.IsNull())
            dataSet.GotoBookmark(start);
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
    return found;
}

// ---- Export -------------------------------------------------------------------------------------

String FormatExportValue(TField* field) {
    if (field->IsNull())
        return String();
    String text = field->DataType() == ftFloat ? FloatToStr(field->AsFloat()) : field->AsString();
    if (IsBareType(field->DataType()))
        return text;
    return "'" + ConverString(text, true) + "'";
}

void ExportDataSet(TDataSet& dataSet, const String& fileName) {
    TFileStream out(fileName, fmCreate);
    String header;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        if (i > 0)
            header += ',';
        header += dataSet.Fields()->Fields(i)->FieldName();
    }
    header += "\r\n";
    out.WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
    dataSet.DisableControls();
    try {
        String line;
        while (!dataSet.Eof()) {
            line.clear();
            for (int i = 0; i < dataSet.FieldCount(); ++i) {
                if (i > 0)
                    line += ',';
                line += FormatExportValue(dataSet.Fields()->Fields(i));
            }
            line += "\r\n";
            out.WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
            dataSet.Next();
        }
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
}

void SaveQryToFile(const String& fileName, const String& prefix, TDataSet& dataSet,
                   const std::vector<String>& names) {
    if (static_cast<int>(names.size()) > dataSet.FieldCount())
        DatabaseErrorFmt("%d field names given but the dataset has %d fields",
                         {static_cast<int>(names.size()), dataSet.FieldCount()});
    std::unique_ptr<TFileStream> out;
    try {
        out = std::make_unique<TFileStream>(fileName, fmOpenReadWrite);
    } catch (const EFOpenError&) {
        out = std::make_unique<TFileStream>(fileName, fmCreate);
    }
    out->Seek(0, soEnd);
    dataSet.DisableControls();
    try {
        String line;
        while (!dataSet.Eof()) {
            line = prefix;
            for (size_t i = 0; i < names.size(); ++i) {
                line += ',';
                line += FormatExportValue(dataSet.Fields()->Fields(static_cast<int>(i)));
            }
            line += "\r\n";
            out->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
            dataSet.Next();
        }
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
}

// ---- Import -------------------------------------------------------------------------------------

void ImportDataSet(const String& fileName, const String& tableName, const String& condition,
                   TImportType importType) {
    if (!DataBase)
        DatabaseError(LoadResString(SODBCDataBaseNotOpen));
    TStringList lines;
    lines.LoadFromFile(fileName);
    if (lines.Count() == 0) {
        DataBase->Commit();
        return;
    }
    CheckTableName(tableName);

    // The table's columns and their types, by name.
    auto columns = CreateQuery();
    columns->SQL()->Add("select * from " + tableName + " where 1 = 0");
    columns->SetUniDirectional(true);
    columns->Open();

    std::vector<String> header;
    std::vector<TFieldType> types;
    {
        String h = lines[0];
        size_t start = 0;
        for (;;) {
            size_t comma = h.find(',', start);
            String name = Trim(h.substr(start, comma == String::npos ? String::npos : comma - start));
            TField* f = columns->FindField(name);
            if (!f)
                ImportError(fileName, 1, "'" + name + "' is not a column of " + tableName);
            header.push_back(f->FieldName());
            types.push_back(f->DataType());
            if (comma == String::npos)
                break;
            start = comma + 1;
        }
    }
    columns->Close();

    String names, params;
    for (size_t i = 0; i < header.size(); ++i) {
        names += (i ? "," : "") + header[i];
        params += (i ? ",:" : ":") + header[i];
    }
    auto insert = CreateQuery();
    insert->SQL()->Add("insert into " + tableName + "(" + names + ") Values(" + params + ")");
    insert->Prepare();

    std::unique_ptr<TODBCQuery> count, remove;
    bool check = !Trim(condition).empty();
    if (check) {
        count = CreateQuery();
        count->SQL()->Add("select count(*) from " + tableName + " " + condition);
        count->Prepare();
        if (importType == itUpdateExists) {
            remove = CreateQuery();
            remove->SQL()->Add("delete from " + tableName + " " + condition);
            remove->Prepare();
        }
    }
    auto takeParams = [&](TODBCQuery& q) {
        for (int i = 0; i < q.Params()->Count(); ++i) {
            TODBCParam* p = q.Params()->Items(i);
            TODBCParam* from = insert->Params()->FindParam(p->Name());
            if (!from)
                DatabaseError("Import: the condition's parameter :" + p->Name() +
                              " is no column of the file");
            p->AssignParam(from);
            p->SetName(from->Name());
        }
    };

    TImportTransaction transaction(*DataBase);
    std::vector<TImportValue> values;
    String error;
    for (int lineNo = 2; lineNo <= lines.Count(); ++lineNo) {
        const String& line = lines[lineNo - 1];
        if (!SplitLine(line, values, error))
            ImportError(fileName, lineNo, error);
        if (values.size() != header.size())
            ImportError(fileName, lineNo,
                        IntToStr(static_cast<int64_t>(values.size())) + " values for " +
                            IntToStr(static_cast<int64_t>(header.size())) + " columns");
        try {
            for (size_t i = 0; i < values.size(); ++i)
                SetImportParam(insert->Params()->Items(static_cast<int>(i)), types[i], values[i]);
            bool insertLine = true;
            if (check) {
                takeParams(*count);
                count->Open();
                bool exists = count->Fields()->Fields(0)->AsLargeInt() > 0;
                count->Close();
                if (exists) {
                    if (importType == itUpdateExists) {
                        takeParams(*remove);
                        remove->ExecSQL();
                    } else {
                        insertLine = false;
                    }
                }
            }
            if (insertLine)
                insert->ExecSQL();
        } catch (const Exception& e) {
            ImportError(fileName, lineNo, e.Message());
        } catch (const std::exception& e) {
            ImportError(fileName, lineNo, e.what());
        }
    }
    transaction.Commit();
}

// ---- TFieldSave ---------------------------------------------------------------------------------

TFieldSaveItem* TFieldSave::FieldByName(const String& name) {
    for (TFieldSaveItem& item : FItems)
        if (SameText(item.FieldName, name))
            return &item;
    return nullptr;
}

TFieldSaveItem& TFieldSave::Add(const TFieldSaveItem& item) {
    if (TFieldSaveItem* existing = FieldByName(item.FieldName)) {
        *existing = item;
        return *existing;
    }
    FItems.push_back(item);
    return FItems.back();
}

void TFieldSave::SaveToStrings(TStrings& lines) const {
    lines.Clear();
    for (const TFieldSaveItem& item : FItems)
        lines.Add("'" + ConverString(item.FieldName, true) + "','" + ConverString(item.Caption, true) + "'," +
                  IntToStr(item.Width) + "," + IntToStr(item.Index));
}

void TFieldSave::LoadFromStrings(const TStrings& lines) {
    std::vector<TFieldSaveItem> items;
    std::vector<TImportValue> values;
    String error;
    for (int i = 0; i < lines.Count(); ++i) {
        if (!SplitLine(lines[i], values, error) || values.size() != 4 || !values[0].Quoted ||
            !values[1].Quoted)
            DatabaseError("Grid layout line " + IntToStr(i + 1) + " is malformed" +
                          (error.empty() ? String() : ": " + error));
        TFieldSaveItem item;
        item.FieldName = values[0].Text;
        item.Caption = values[1].Text;
        int64_t width = 0, index = 0;
        if (!TryStrToInt64(values[2].Text, width) || !TryStrToInt64(values[3].Text, index))
            DatabaseError("Grid layout line " + IntToStr(i + 1) + " is malformed");
        item.Width = static_cast<int>(width);
        item.Index = static_cast<int>(index);
        items.push_back(item);
    }
    FItems = std::move(items);
}

} // namespace vantrel

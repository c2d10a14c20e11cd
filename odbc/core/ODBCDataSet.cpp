// TODBCDataSet: statement, parameters, OEM text, the link to its database and the published query
// component. Result description and record buffers are in ODBCDataSetRecords.cpp, navigation,
// counting and locating in ODBCDataSetNavigation.cpp.
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDataSetInternal.h>

#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/Streaming.h>

#include <algorithm>
#include <iconv.h>
#include <cctype>
#include <climits>
#include <cstring>

namespace vantrel {

// The two iconv conversions between the program's UTF-8 and one OEM code page.
struct TODBCDataSet::OEMConverter {
    explicit OEMConverter(const String& codePage)
        : CodePage(codePage), ToOem(iconv_open(codePage.c_str(), "UTF-8")),
          FromOem(iconv_open("UTF-8", codePage.c_str())) {}
    ~OEMConverter() {
        if (ToOem != kNone)
            iconv_close(ToOem);
        if (FromOem != kNone)
            iconv_close(FromOem);
    }
    OEMConverter(const OEMConverter&) = delete;
    OEMConverter& operator=(const OEMConverter&) = delete;
    bool Valid() const { return ToOem != kNone && FromOem != kNone; }

    // False for text the target cannot hold (or that is not valid in the source encoding).
    bool Convert(std::string_view text, String& result, bool toOem) {
        iconv_t cd = toOem ? ToOem : FromOem;
        iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        // One OEM byte is at most three bytes of UTF-8; UTF-8 never grows into a single-byte page.
        result.resize(text.size() * (toOem ? 1 : 3) + 4);
        char* in = const_cast<char*>(text.data());
        size_t inLeft = text.size();
        char* out = result.data();
        size_t outLeft = result.size();
        if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) ||
            iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1)) {
            result.clear();
            return false;
        }
        result.resize(result.size() - outLeft);
        return true;
    }

    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
    String CodePage;
    iconv_t ToOem;
    iconv_t FromOem;
};

namespace {

bool IsNameEnd(char c) {
    return c == '\0' || std::isspace(static_cast<unsigned char>(c)) || c == ')' || c == ',' || c == ';';
}

} // namespace

// ---- Free helpers ---------------------------------------------------------------------------------

TFieldType ConvertSQLToBDE(int sqlType) {
    switch (sqlType) {
    case SQL_BIT:
        return ftBoolean;
    case SQL_TINYINT:
    case SQL_SMALLINT:
        return ftSmallint;
    case SQL_BIGINT:
        return ftLargeint;
    case SQL_LONGVARBINARY:
    case SQL_VARBINARY:
    case SQL_BINARY:
        return ftBlob;
    case SQL_LONGVARCHAR:
        return ftMemo;
    case SQL_CHAR:
    case SQL_VARCHAR:
        return ftString;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        return ftFloat;
    case SQL_INTEGER:
        return ftInteger;
    case SQL_DATE:
        return ftDate;
    case SQL_TIME:
        return ftTime;
    case SQL_TIMESTAMP:
        return ftDateTime;
    default:
        return ftUnknown;
    }
}

int ODBCBindCType(TFieldType type) {
    switch (type) {
    case ftBoolean:
    case ftSmallint:
        return SQL_C_SHORT;
    case ftLargeint:
        return SQL_C_SBIGINT;
    case ftBlob:
        return SQL_C_BINARY;
    case ftMemo:
    case ftString:
        return SQL_C_CHAR;
    case ftFloat:
        return SQL_C_DOUBLE;
    case ftInteger:
        return SQL_C_LONG;
    case ftDate:
        return SQL_C_DATE;
    case ftTime:
        return SQL_C_TIME;
    case ftDateTime:
        return SQL_C_TIMESTAMP;
    default:
        return SQL_C_DEFAULT;
    }
}

int ODBCRecordDataSize(TFieldType type, int size) {
    switch (type) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
        return size + 1;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
        return 2;
    case ftInteger:
        return 4;
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftTime:
    case ftDateTime:
        return 8;
    default:
        return size;
    }
}

void ODBCParseParams(String& text, std::vector<String>* names) {
    String out;
    out.reserve(text.size());
    bool inSingle = false, inDouble = false;
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == '\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (c == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (c == ':' && !inSingle && !inDouble) {
            if (i + 1 < n && text[i + 1] == ':') {
                out += ':';
                i += 2;
                continue;
            }
            size_t j = i + 1;
            bool qs = false, qd = false;
            while (j < n) {
                const char ch = text[j];
                if (ch == '\'' && !qd)
                    qs = !qs;
                else if (ch == '"' && !qs)
                    qd = !qd;
                else if (!qs && !qd && IsNameEnd(ch))
                    break;
                ++j;
            }
            String name = text.substr(i + 1, j - i - 1);
            for (char q : {'\'', '"'})
                if (name.size() >= 2 && name.front() == q && name.back() == q)
                    name = name.substr(1, name.size() - 2);
            // A quote in the name that never closes would take the rest of the statement as the
            // name, and ":''" names nothing; the colon is plain text then, and the driver sees the
            // statement as written.
            if (name.empty() || qs || qd) {
                out += c;
                ++i;
                continue;
            }
            if (names)
                names->push_back(name);
            out += '?';
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    text = std::move(out);
}

// ---- Construction -------------------------------------------------------------------------------

TODBCDataSet::TODBCDataSet(TComponent* owner)
    : TDataSet(owner), FSQL(std::make_unique<TStringList>()), FParams(std::make_unique<TODBCParams>(this)),
      FParamItems(std::make_unique<TParamValueList>()) {
    SetBookmarkSize(8);
    FSQL->OnChange = [this](TObject*) { QueryChanged(); };
    ResizeRowStatus();
}

TODBCDataSet::~TODBCDataSet() {
    Destroying();
    try {
        Disconnect();
    } catch (...) {
    }
    if (FStmt)
        DropStatement();
    FSQL->OnChange = nullptr;
    FreeColumns();
    if (FDatabase) {
        FDatabase->RemoveDataSet(this);
        RemoveFreeNotification(FDatabase);
        FDatabase = nullptr;
    }
}

TStrings* TODBCDataSet::SQL() const noexcept { return FSQL.get(); }

void TODBCDataSet::SetQuery(TStrings* lines) {
    const String text = lines ? lines->Text() : String();
    if (text == FSQL->Text())
        return;
    Disconnect();
    FSQL->BeginUpdate();
    try {
        if (lines)
            FSQL->Assign(lines);
        else
            FSQL->Clear();
    } catch (...) {
        FSQL->EndUpdate();
        throw;
    }
    FSQL->EndUpdate();
}

void TODBCDataSet::SetSQLText(const String& text) {
    TStringList lines;
    lines.SetText(text);
    SetQuery(&lines);
}

TODBCParam* TODBCDataSet::ParamByName(const String& name) const { return FParams->ParamByName(name); }
TODBCParam* TODBCDataSet::FindParam(const String& name) const { return FParams->FindParam(name); }
int TODBCDataSet::ParamsCount() const { return FParams->Count(); }

TODBCHandle TODBCDataSet::GetDBC() const {
    CheckDBOpenError();
    return FDatabase->GetDBC();
}

// ---- Database link ------------------------------------------------------------------------------

void TODBCDataSet::SetODBCDatabase(TODBCDatabase* db) {
    if (db == FDatabase)
        return;
    if (Active())
        Close();
    if (FStmt)
        InternalClose();
    if (FDatabase) {
        FDatabase->RemoveDataSet(this);
        RemoveFreeNotification(FDatabase);
    }
    FDatabase = db;
    if (db) {
        db->AddDataSet(this);
        FreeNotification(db);
    }
}

void TODBCDataSet::Notification(TComponent* component, TOperation operation) {
    TDataSet::Notification(component, operation);
    if (operation == opRemove && component == FDatabase)
        FDatabase = nullptr;
}

void TODBCDataSet::CloseForDatabase() {
    Close();
    if (FStmt)
        InternalClose();
}

void TODBCDataSet::DetachFromDatabase() { SetODBCDatabase(nullptr); }

void TODBCDataSet::CheckDBOpenError() const {
    if (!FDatabase || !FDatabase->Connected())
        DatabaseError(LoadResString(SODBCDataBaseNotOpen));
}

// ---- Properties ---------------------------------------------------------------------------------

void TODBCDataSet::SetBlobBufferSize(int value) {
    if (value < 1 || value > 8192)
        DatabaseErrorFmt(LoadResString(SODBCMaxStringSize), {value});
    FBlobBufferSize = value;
}

void TODBCDataSet::SetMaxBlobBuffer(int value) {
    if (value < 1)
        DatabaseErrorFmt(LoadResString(SODBCMaxBlobBuffer), {value});
    FMaxBlobBuffer = value;
}

void TODBCDataSet::SetUniDirectional(bool value) {
    const TODBCStatementLock lock = LockStatement();
    FUniDirectional = value;
    TDataSet::SetUniDirectional(value);
    if (FStmt) {
        Check(SQLSetStmtOption(FStmt, SQL_CURSOR_TYPE, value ? SQL_CURSOR_FORWARD_ONLY : SQL_CURSOR_KEYSET_DRIVEN),
              "SQLSetStmtOption(SQL_CURSOR_TYPE)");
        if (!Active())
            ApplyRowSetSize();
    }
}

void TODBCDataSet::SetBlockCursor(bool value) {
    const TODBCStatementLock lock = LockStatement();
    if (Active())
        DatabaseError(LoadResString(SODBCDataSetOpen));
    FBlockCursor = value;
    // A statement already made (prepared) must fetch what the arrays will hold.
    if (FStmt)
        ApplyRowSetSize();
}

void TODBCDataSet::SetRowSetSize(int value) {
    const TODBCStatementLock lock = LockStatement();
    if (Active())
        DatabaseError(LoadResString(SODBCDataSetOpen));
    if (value >= 0)
        FRowSetSize = value;
    ResizeRowStatus();
    if (FStmt)
        ApplyRowSetSize();
}

void TODBCDataSet::ResizeRowStatus() { FRowStatus.assign(static_cast<size_t>(std::max(FRowSetSize, 1)), 0); }

// ---- Statement ----------------------------------------------------------------------------------

bool TODBCDataSet::RetCodeIsSuccessful(int16_t rc) { return vantrel::RetCodeIsSuccessful(rc); }

int16_t TODBCDataSet::Check(int16_t rc, const char* operation) {
    if (RetCodeIsSuccessful(rc))
        return rc;
    SQLHDBC dbc = FDatabase ? static_cast<SQLHDBC>(FDatabase->GetDBC()) : SQL_NULL_HDBC;
    EODBCError e = CreateODBCError(odbcEnv(), dbc, static_cast<SQLHSTMT>(FStmt));
    e.SetOperation(operation);
    throw e;
}

void TODBCDataSet::CreateHandle() {
    const TODBCStatementLock lock = LockStatement();
    if (FStmt)
        return;
    CheckDBOpenError();
    SQLHDBC dbc = FDatabase->GetDBC();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    VANTREL_ODBC(odbcEnv(), dbc, SQL_NULL_HSTMT, SQLAllocStmt(dbc, &stmt));
    FStmt = stmt;
    if (!FUniDirectional)
        Check(SQLSetStmtOption(stmt, SQL_CURSOR_TYPE, SQL_CURSOR_KEYSET_DRIVEN), "SQLSetStmtOption(SQL_CURSOR_TYPE)");
    if (RowSetArrays())
        ApplyRowSetSize();
}

// The statement's row set: RowSetSize rows in block mode and on a scrollable cursor, else one.
// The driver may settle on another size; RowSetSize and the arrays follow what it reports.
void TODBCDataSet::ApplyRowSetSize() {
    const bool arrays = RowSetArrays();
    const SQLULEN wanted = arrays ? static_cast<SQLULEN>(FRowSetSize) : 1;
    Check(SQLSetStmtOption(FStmt, SQL_ROWSET_SIZE, wanted), "SQLSetStmtOption(SQL_ROWSET_SIZE)");
    SQLULEN size = 0;
    Check(SQLGetStmtOption(FStmt, SQL_ROWSET_SIZE, &size), "SQLGetStmtOption(SQL_ROWSET_SIZE)");
    if (arrays && size > 0 && size <= static_cast<SQLULEN>(INT_MAX))
        FRowSetSize = static_cast<int>(size);
    ResizeRowStatus();
}

void TODBCDataSet::DropStatement() {
    SQLHSTMT stmt = static_cast<SQLHSTMT>(FStmt);
    FStmt = nullptr;
    SQLFreeStmt(stmt, SQL_DROP);
}

void TODBCDataSet::InternalFreeStmt(int option) {
    if (FStmt)
        Check(SQLFreeStmt(FStmt, static_cast<SQLUSMALLINT>(option)), "SQLFreeStmt");
}

void TODBCDataSet::PrepareSQL(const String& text) {
    Check(SQLPrepare(FStmt, (SQLCHAR*)text.c_str(), SQL_NTS), "SQLPrepare");
}

void TODBCDataSet::SetPrepared(bool value) {
    const TODBCStatementLock lock = LockStatement();
    if (value == FPrepared)
        return;
    if (value) {
        CheckDBOpenError();
        CreateHandle();
        if (Trim(FConvertedSQL).size() < 2)
            DatabaseError(LoadResString(SODBCEmptySQLStatement));
        PrepareSQL(FConvertedSQL);
    } else if (FStmt) {
        InternalFreeStmt(SQL_RESET_PARAMS);
    }
    FPrepared = value;
}

void TODBCDataSet::Disconnect() {
    const TODBCStatementLock lock = LockStatement();
    UnPrepare();
    Close();
}

String TODBCDataSet::GetRealSQLText() { return FSQL->Text(); }

void TODBCDataSet::CreateParams(TODBCParams* params, String& text) {
    std::vector<String> names;
    ODBCParseParams(text, params ? &names : nullptr);
    for (const String& name : names)
        params->CreateParam(ftUnknown, name);
}

void TODBCDataSet::QueryChanged() {
    FConvertedSQL = GetRealSQLText();
    if (ComponentState() & csLoading) {
        CreateParams(nullptr, FConvertedSQL);
        return;
    }
    Disconnect();
    FStoredData.reset();
    auto params = std::make_unique<TODBCParams>(this);
    CreateParams(params.get(), FConvertedSQL);
    params->AssignValues(FParams.get());
    FParamItems->Clear();
    FParams = std::move(params);
    DataEvent(dePropertyChange, 0);
}

long TODBCDataSet::ConvertData(const TODBCParam* param, TParamValueItem& item) {
    const long length = vantrel::ConvertData(param, item);
    const TFieldType type = param->DataType();
    if (!FOEMTranslate || !param->Translate() || param->IsNull() ||
        (type != ftString && type != ftMemo && type != ftFmtMemo))
        return length;
    String oem;
    Translate(std::string_view(item.Data(), static_cast<size_t>(length)), oem, true);
    item.AssignData(oem.data(), oem.size(), 1);
    return static_cast<long>(oem.size());
}

// ---- OEM text -----------------------------------------------------------------------------------

void TODBCDataSet::SetOEMTranslate(bool value) {
    if (value && !FOEM)
        SetOEMCodePage(FOEMCodePage);
    FOEMTranslate = value;
    SetTranslates(value);
}

void TODBCDataSet::SetOEMCodePage(const String& name) {
    auto converter = std::make_unique<OEMConverter>(name);
    if (!converter->Valid())
        DatabaseErrorFmt("Unknown code page %s", {name}, this);
    FOEM = std::move(converter);
    FOEMCodePage = name;
}

void TODBCDataSet::Translate(std::string_view text, String& result, bool toOem) {
    if (!FOEMTranslate || !FOEM) {
        result.assign(text.data(), text.size());
        return;
    }
    if (FOEM->Convert(text, result, toOem))
        return;
    if (toOem)
        DatabaseErrorFmt("Text '%s' cannot be written in code page %s", {String(text), FOEMCodePage}, this);
    DatabaseErrorFmt("Text read is not valid in code page %s", {FOEMCodePage}, this);
}

void TODBCDataSet::BindAllParam() {
    const TODBCStatementLock lock = LockStatement();
    CheckDBOpenError();
    CreateHandle();
    InternalFreeStmt(SQL_RESET_PARAMS);
    vantrel::BindAllParam(
        FStmt, *FParams, *FParamItems, FDatabase->ParamAtExecSize(),
        [this](const TODBCParam* p, TParamValueItem& item) { return ConvertData(p, item); }, false);
}

void TODBCDataSet::InternalExecSQL() {
    // Records kept over a run again read what they showed.
    KeepRowSetRecords();
    CreateHandle();
    if (!FPrepared && (Designing() || ParamsCount() > 0))
        SetPrepared(true);
    if (FPrepared) {
        BindAllParam();
        int16_t rc = Check(SQLExecute(FStmt), "SQLExecute");
        if (rc == SQL_NEED_DATA)
            PutDataAtExec(FStmt, *FParamItems, FBlobBufferSize);
    } else {
        Check(SQLExecDirect(FStmt, (SQLCHAR*)FConvertedSQL.c_str(), SQL_NTS), "SQLExecDirect");
    }
    FBlockIndex = -1;
    FRowsFetched = 0;
    FScrollFrom = 1;
    FScrollRow = 0;
    FBlockFirst = 0;
    // Whatever was counted or read belongs to the previous run.
    FTotalRows = -1;
    FRecordCountCache = -1;
    FLastValue = {};
}

void TODBCDataSet::ExecSQL() {
    const TODBCStatementLock lock = LockStatement();
    FRecordCountCache = -1;
    ResetPosition();
    // A cursor left open by an earlier run would make the driver refuse the new one.
    if (FStmt)
        SQLFreeStmt(FStmt, SQL_CLOSE);
    InternalExecSQL();
    SetState(dsBrowse);
}

int TODBCDataSet::GetRowsAffected() {
    const TODBCStatementLock lock = LockStatement();
    if (!FStmt)
        return -1;
    SQLLEN rows = 0;
    if (!RetCodeIsSuccessful(SQLRowCount(FStmt, &rows)))
        return -1;
    return rows > INT_MAX ? INT_MAX : static_cast<int>(rows);
}

void TODBCDataSet::ImmediatelyOpen() {
    const TODBCStatementLock lock = LockStatement();
    if (!Active()) {
        Open();
        return;
    }
    InternalFreeStmt(SQL_CLOSE);
    InternalExecSQL();
    ResetPosition();
}

TBookmark TODBCDataSet::SilentClose() {
    const TODBCStatementLock lock = LockStatement();
    TBookmark bookmark = GetBookmark();
    InternalFreeStmt(SQL_CLOSE);
    return bookmark;
}

void TODBCDataSet::SilentOpen(const TBookmark& bookmark) {
    const TODBCStatementLock lock = LockStatement();
    if (!bookmark.IsNull() && !BookmarkValid(bookmark))
        DatabaseError("Bookmark is not from this dataset or was taken before it was reopened", this);
    InternalExecSQL();
    ResetPosition();
    if (bookmark.IsNull())
        return;
    InternalGotoBookmark(bookmark.Data());
    Resync(0);
}

bool TODBCDataSet::IsDataSet() {
    const TODBCStatementLock lock = LockStatement();
    CheckDBOpenError();
    CreateHandle();
    if (!FPrepared && !Active())
        SetPrepared(true);
    SQLSMALLINT columns = 0;
    Check(SQLNumResultCols(FStmt, &columns), "SQLNumResultCols");
    return columns > 0;
}

String TODBCDataSet::CursorName() {
    const TODBCStatementLock lock = LockStatement();
    CreateHandle();
    SQLCHAR name[256] = {0};
    SQLSMALLINT length = 0;
    Check(SQLGetCursorName(FStmt, name, sizeof name, &length), "SQLGetCursorName");
    return String(reinterpret_cast<char*>(name), strnlen(reinterpret_cast<char*>(name), sizeof name - 1));
}

void TODBCDataSet::SetCursorName(const String& name) {
    const TODBCStatementLock lock = LockStatement();
    CreateHandle();
    Check(SQLSetCursorName(FStmt, (SQLCHAR*)name.c_str(), SQL_NTS), "SQLSetCursorName");
}

// ---- Stored data --------------------------------------------------------------------------------

void TODBCDataSet::DefineProperties(TFiler* filer) {
    TDataSet::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "Data",
        [this](TStream& stream) {
            auto data = std::make_unique<std::vector<uint8_t>>(static_cast<size_t>(stream.Size()));
            if (!data->empty())
                stream.ReadBuffer(data->data(), static_cast<int64_t>(data->size()));
            FStoredData = std::move(data);
        },
        [this](TStream& stream) {
            if (FStoredData && !FStoredData->empty())
                stream.WriteBuffer(FStoredData->data(), static_cast<int64_t>(FStoredData->size()));
        },
        FStoredData != nullptr);
}

// ---- Published properties -----------------------------------------------------------------------

namespace {
const bool gQueryRegistered = [] {
    RegisterClass<TODBCQuery, TComponent>("TODBCQuery")
        .Boolean("Active", &TODBCQuery::Active, &TODBCQuery::SetActive, false)
        .Component("ODBCDatabase", &TODBCQuery::ODBCDatabase, &TODBCQuery::SetODBCDatabase)
        .Object("SQL", &TODBCQuery::SQL)
        .Integer("BlobBufferSize", &TODBCQuery::BlobBufferSize, &TODBCQuery::SetBlobBufferSize, 8192)
        .Integer("MaxBlobBuffer", &TODBCQuery::MaxBlobBuffer, &TODBCQuery::SetMaxBlobBuffer, 100000)
        .Boolean("UniDirectional", &TODBCQuery::UniDirectional, &TODBCQuery::SetUniDirectional, false)
        .Boolean("BlockCursor", &TODBCQuery::BlockCursor, &TODBCQuery::SetBlockCursor, false)
        .Integer("RowSetSize", &TODBCQuery::RowSetSize, &TODBCQuery::SetRowSetSize, 100)
        .Object("Params", &TODBCQuery::Params)
        .Boolean("Filtered", &TODBCQuery::Filtered, &TODBCQuery::SetFiltered, false);
    return true;
}();
} // namespace

} // namespace vantrel

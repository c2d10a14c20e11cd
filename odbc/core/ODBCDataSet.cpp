// TODBCDataSet: statement, result description, record buffers, anchor/offset navigation, block
// fetches, counting, locating and the published query component.
#include <vantrel/core/ODBCDataSet.h>

#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCBlob.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/Streaming.h>

#include <algorithm>
#include <iconv.h>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace vantrel {

// One result column: its field value item (the bound buffer, an array of RowSetSize elements and
// indicators in block mode) and where its value lives in a record buffer.
struct TODBCDataSet::Column {
    TFieldValueItem Item;
    TFieldType Type = ftUnknown;
    SQLSMALLINT CType = SQL_C_DEFAULT;
    SQLUSMALLINT Number = 0;
    /// Bytes of one bound element; the element stride in block mode.
    SQLLEN BindLength = 0;
    /// Offset of the indicator byte in a record buffer; the data area follows it.
    int RecordOffset = 0;
    /// Bytes of the data area.
    int DataSize = 0;
    /// The field last read through this column and its DataSize, so a fetch loop does not ask
    /// the field (a virtual call) for every value. Fields keep their size while the dataset is open.
    mutable const TField* LastField = nullptr;
    mutable int LastFieldSize = 0;
    /// Bytes copied as they are for LastField (2, 4 or 8), 0 when its value needs more care.
    mutable int FixedCopy = 0;
    /// Longest value that is not cut (text and binary; the largest length for the others).
    SQLLEN Room = 0;
    /// The bound element is what the record's data area would hold (no conversion).
    bool SameLayout = false;

    /// The bound element of `row` of the row set.
    const char* Element(size_t row) const noexcept { return Item.Data() + row * static_cast<size_t>(BindLength); }
};

static_assert(std::is_same_v<TODBCLength, SQLLEN>, "field value items hold ODBC lengths");

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

constexpr char kHasValue = '1';
constexpr char kTruncated = 'T';

String NotImplemented(const char* operation) { return String(operation) + LoadResString(SODBCNotImplemented); }

int32_t ReadInt32(const char* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
void WriteInt32(char* p, int32_t v) { std::memcpy(p, &v, sizeof v); }

// Days since 0001-01-01 (that day = 1), the date part of the framework's time stamp, of a date
// ValidDate accepted (years 1 to 9999: unsigned arithmetic, no eras needed).
int TimeStampDay(int y, unsigned m, unsigned d) {
    const auto yy = static_cast<unsigned>(y) - (m <= 2 ? 1u : 0u);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1; // from March 1st
    const unsigned fromMarch0 = yy * 365 + yy / 4 - yy / 100 + yy / 400 + doy; // days since 0000-03-01
    return static_cast<int>(fromMarch0) - 305;
}

bool ValidDate(int y, unsigned m, unsigned d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 &&
           (d <= 28 || d <= static_cast<unsigned>(DaysInMonth(y, m)));
}

// A bound date, time or time stamp as the 8 bytes of the framework's value (a date: day number
// and a zero; a time: milliseconds and a zero; a time stamp: milliseconds as a double). False,
// with zeros, for a date no calendar has.
bool ConvertTemporal(TFieldType type, const char* src, char* area) {
    switch (type) {
    case ftDate: {
        DATE_STRUCT d;
        std::memcpy(&d, src, sizeof d);
        const int32_t day = ValidDate(d.year, d.month, d.day) ? TimeStampDay(d.year, d.month, d.day) : 0;
        WriteInt32(area, day);
        WriteInt32(area + 4, 0);
        return day != 0;
    }
    case ftTime: {
        TIME_STRUCT t;
        std::memcpy(&t, src, sizeof t);
        std::memset(area, 0, 8);
        WriteInt32(area, ((t.hour * 60 + t.minute) * 60 + t.second) * 1000);
        return true;
    }
    default: {
        TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, src, sizeof ts);
        if (!ValidDate(ts.year, ts.month, ts.day)) {
            std::memset(area, 0, 8);
            return false;
        }
        const int msecs =
            ((ts.hour * 60 + ts.minute) * 60 + ts.second) * 1000 + static_cast<int>(ts.fraction / 1000000);
        const double value = static_cast<double>(TimeStampDay(ts.year, ts.month, ts.day)) * MSecsPerDay + msecs;
        std::memcpy(area, &value, sizeof value);
        return true;
    }
    }
}

// The parts of a record's date (day number), time (milliseconds) or time stamp (milliseconds
// as a double) in its data area, in whole numbers: no rounding of a fraction of a day.
int RecordDateTimeParts(TFieldType type, const char* area, TDateTimeParts& parts) {
    int64_t day = 0, ms = 0;
    switch (type) {
    case ftDate:
        day = ReadInt32(area);
        break;
    case ftTime:
        ms = ReadInt32(area);
        break;
    case ftDateTime: {
        double v;
        std::memcpy(&v, area, sizeof v);
        const auto total = static_cast<int64_t>(std::llround(v));
        day = total / MSecsPerDay;
        ms = total % MSecsPerDay;
        break;
    }
    default:
        return -1;
    }
    if (type != ftTime)
        DecodeDate(TDateTime(static_cast<double>(day - DateDelta)), parts.Year, parts.Month, parts.Day);
    parts.Hour = static_cast<int>(ms / 3600000);
    parts.Minute = static_cast<int>(ms / 60000 % 60);
    parts.Second = static_cast<int>(ms / 1000 % 60);
    parts.MSec = static_cast<int>(ms % 1000);
    return 1;
}

// A value of `bytes` bytes (2, 4 or 8) copied as it is; false for any other size.
bool CopyFixed(int bytes, void* to, const char* from) {
    switch (bytes) {
    case 2:
        std::memcpy(to, from, 2);
        return true;
    case 4:
        std::memcpy(to, from, 4);
        return true;
    case 8:
        std::memcpy(to, from, 8);
        return true;
    default:
        return false;
    }
}

bool IsNameEnd(char c) {
    return c == '\0' || std::isspace(static_cast<unsigned char>(c)) || c == ')' || c == ',' || c == ';';
}

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

// ---- Opening, describing, closing ---------------------------------------------------------------

void TODBCDataSet::OpenCursor(bool infoQuery) {
    if (infoQuery) {
        // Only the description: run the statement, describe it, fetch nothing.
        InternalExecSQL();
        InternalInitFieldDefs();
        return;
    }
    TDataSet::OpenCursor(false);
}

void TODBCDataSet::InternalOpen() {
    FRecordCountCache = -1;
    ResetPosition();
    InternalExecSQL();
    InternalInitFieldDefs();
    if (DefaultFields())
        CreateFields();
    BindFields(true);
    // Null in a browsed record is the indicator byte at the column's offset being 0 (for the
    // fields GetFieldData answers: all but calculated and lookup ones).
    for (TField* f : *Fields())
        if (f->FieldKind() != fkCalculated && f->FieldKind() != fkLookup && f->FieldNo() >= 1 &&
            static_cast<size_t>(f->FieldNo()) <= FColumns.size())
            SetFieldIndicator(f, FColumns[static_cast<size_t>(f->FieldNo()) - 1]->RecordOffset);
    if (!FDatabase->IgnoreOriginInfo())
        SetOrigin();
}

void TODBCDataSet::InternalInitFieldDefs() {
    FRecordDataSize = ODBCRecordHeaderSize;
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(FStmt, &count), "SQLNumResultCols");
    FieldDefs()->Clear();
    FreeColumns();
    const bool block = RowSetArrays();
    size_t rows = 1;
    if (block) {
        // The arrays hold what the statement will really fetch at once.
        SQLULEN size = 0;
        Check(SQLGetStmtOption(FStmt, SQL_ROWSET_SIZE, &size), "SQLGetStmtOption(SQL_ROWSET_SIZE)");
        if (size != static_cast<SQLULEN>(FRowSetSize))
            ApplyRowSetSize();
        rows = static_cast<size_t>(FRowSetSize);
    }
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        SQLCHAR name[33] = {0};
        SQLSMALLINT nameLength = 0, sqlType = 0, scale = 0, nullable = 0;
        SQLULEN precision = 0;
        Check(SQLDescribeCol(FStmt, i, name, sizeof name, &nameLength, &sqlType, &precision, &scale, &nullable),
              "SQLDescribeCol");
        String columnName(reinterpret_cast<char*>(name), strnlen(reinterpret_cast<char*>(name), 32));
        if (columnName.empty())
            columnName = "unknown";
        // A precision the driver does not know (0, or a huge "unlimited") is the blob buffer size.
        const int columnSize = precision == 0 || precision > static_cast<SQLULEN>(FBlobBufferSize)
                                   ? FBlobBufferSize
                                   : static_cast<int>(precision);

        auto c = std::make_unique<Column>();
        c->Type = ConvertSQLToBDE(sqlType);
        c->CType = static_cast<SQLSMALLINT>(ODBCBindCType(c->Type));
        c->Number = i;
        int defSize = 0;
        switch (c->Type) {
        case ftString:
        case ftMemo:
        case ftBlob:
            defSize = columnSize;
            c->BindLength = columnSize + 1;
            break;
        case ftBoolean:
        case ftSmallint:
            c->BindLength = sizeof(SQLSMALLINT);
            break;
        case ftInteger:
            c->BindLength = sizeof(SQLINTEGER);
            break;
        case ftLargeint:
            c->BindLength = sizeof(SQLBIGINT);
            break;
        case ftFloat:
            c->BindLength = sizeof(SQLDOUBLE);
            break;
        case ftDate:
            c->BindLength = sizeof(DATE_STRUCT);
            break;
        case ftTime:
            c->BindLength = sizeof(TIME_STRUCT);
            break;
        case ftDateTime:
            c->BindLength = sizeof(TIMESTAMP_STRUCT);
            break;
        default:
            DatabaseError(NotImplemented("TODBCDataSet.InternalInitRecord: "));
        }
        c->DataSize = ODBCRecordDataSize(c->Type, defSize);
        c->RecordOffset = FRecordDataSize;
        switch (c->Type) {
        case ftString:
        case ftMemo:
            c->Room = std::min<SQLLEN>(c->BindLength - 1, c->DataSize - 1);
            break;
        case ftBlob:
            c->Room = std::min<SQLLEN>(c->BindLength, c->DataSize);
            break;
        default:
            c->Room = std::numeric_limits<SQLLEN>::max();
            break;
        }
        c->SameLayout = c->Type != ftBlob && c->Type != ftDate && c->Type != ftTime && c->Type != ftDateTime;
        FRecordDataSize += c->DataSize + 1;

        String fieldName = columnName;
        for (int n = 1; FieldDefs()->IndexOf(fieldName) >= 0; ++n)
            fieldName = Format("%s_%d", columnName, n);
        // A stored 32-bit field over a BIGINT column keeps working: the column stays 64-bit and
        // values beyond 32 bits raise when read.
        TFieldType defType = c->Type;
        if (defType == ftLargeint && !DefaultFields())
            if (TField* f = FindField(fieldName); f && f->DataType() == ftInteger)
                defType = ftInteger;
        TFieldDef* def = FieldDefs()->AddFieldDef(fieldName, defType, defSize, false, i);
        def->SetInternalCalcField(true);

        char* data = c->Item.AllocData(static_cast<size_t>(c->BindLength) * rows);
        c->Item.Length = c->BindLength;
        c->Item.CType = c->CType;
        c->Item.SQLType = sqlType;
        SQLLEN* indicator = block ? c->Item.AllocIndicators(rows) : &c->Item.Length;
        Check(SQLBindCol(FStmt, i, c->CType, data, c->BindLength, indicator), "SQLBindCol");
        FColumns.push_back(std::move(c));
    }
}

void TODBCDataSet::SetOrigin() {
    for (TField* f : *Fields()) {
        if (f->FieldNo() < 1)
            continue;
        SQLCHAR table[33] = {0}, column[33] = {0};
        SQLSMALLINT length = 0;
        SQLLEN numeric = 0;
        if (!RetCodeIsSuccessful(SQLColAttributes(FStmt, static_cast<SQLUSMALLINT>(f->FieldNo()),
                                                  SQL_COLUMN_TABLE_NAME, table, sizeof table, &length, &numeric)))
            table[0] = 0;
        if (!RetCodeIsSuccessful(SQLColAttributes(FStmt, static_cast<SQLUSMALLINT>(f->FieldNo()), SQL_COLUMN_NAME,
                                                  column, sizeof column, &length, &numeric)))
            column[0] = 0;
        const String t(reinterpret_cast<char*>(table), strnlen(reinterpret_cast<char*>(table), 32));
        const String c(reinterpret_cast<char*>(column), strnlen(reinterpret_cast<char*>(column), 32));
        f->SetOrigin(t.empty() ? c : t + "." + c);
    }
}

void TODBCDataSet::DestroyFields() {
    TDataSet::DestroyFields();
    FreeColumns();
}

void TODBCDataSet::FreeColumns() noexcept { FColumns.clear(); }

void TODBCDataSet::InternalClose() {
    UnPrepare();
    for (TField* f : *Fields())
        SetFieldIndicator(f, -1);
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    FreeColumns();
    FParamItems->Clear();
    if (FStmt) {
        SQLFreeStmt(FStmt, SQL_RESET_PARAMS);
        SQLFreeStmt(FStmt, SQL_UNBIND);
        const SQLRETURN rc = SQLFreeStmt(FStmt, SQL_DROP);
        if (!RetCodeIsSuccessful(rc))
            Check(rc, "SQLFreeStmt(SQL_DROP)");
        FStmt = nullptr;
    }
    ResetPosition();
    FRecordCountCache = -1;
    FLastValue = {};
    FInPlace = false;
}

void TODBCDataSet::InternalHandleException() {
    try {
        throw;
    } catch (const std::exception& e) {
        Application().HandleException(e);
    } catch (...) {
    }
}

// ---- Record buffers -----------------------------------------------------------------------------

// The anchor follows the record (data size + one byte per column + one), rounded up to 4 bytes
// so it can be read in place; the value lengths follow it.
size_t TODBCDataSet::TrailerOffset() const noexcept {
    return (static_cast<size_t>(FRecordDataSize) + FColumns.size() + 1 + 3) & ~size_t{3};
}

// After the anchor: the byte length of each column's value as copied (text and binary).
int32_t* TODBCDataSet::RecordLengths(TRecordBuffer buffer) const {
    return reinterpret_cast<int32_t*>(buffer + TrailerOffset() + sizeof(int32_t));
}

TRecordBuffer TODBCDataSet::AllocRecordBuffer() {
    FRowSetRefOffset = TrailerOffset() + sizeof(int32_t) * (1 + FColumns.size());
    char* buffer = new char[FRowSetRefOffset + 2 * sizeof(int32_t)]();
    WriteInt32(buffer, -1);
    RecordAnchor(buffer) = FAnchor;
    RowSetRef(buffer)[0] = -1;
    return buffer;
}

void TODBCDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    delete[] buffer;
    buffer = nullptr;
}

int32_t& TODBCDataSet::RecordAnchor(TRecordBuffer buffer) const {
    return *reinterpret_cast<int32_t*>(buffer + TrailerOffset());
}

TBookmarkFlag TODBCDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
    const auto flag = static_cast<uint8_t>(buffer[4]);
    if (flag >= 4)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {816});
    return static_cast<TBookmarkFlag>(flag);
}

void TODBCDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
    char* out = static_cast<char*>(data);
    WriteInt32(out, RecordAnchor(buffer));
    WriteInt32(out + 4, ReadInt32(buffer));
}

int TODBCDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
    if (!bookmark1.IsNull() && !bookmark2.IsNull() && bookmark1.Size() == 8 && bookmark2.Size() == 8) {
        const char* a = static_cast<const char*>(bookmark1.Data());
        const char* b = static_cast<const char*>(bookmark2.Data());
        if (ReadInt32(a) == ReadInt32(b)) {
            const int32_t x = ReadInt32(a + 4), y = ReadInt32(b + 4);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
    }
    return TDataSet::CompareBookmarks(bookmark1, bookmark2);
}

// Editing belongs to the editable dataset.
int TODBCDataSet::GetRecordSize() { DatabaseError(NotImplemented("TODBCDataSet.GetRecordSize: ")); }
void TODBCDataSet::InternalAddRecord(const void*, bool) {
    DatabaseError(NotImplemented("TODBCDataSet.InternalAddRecord:"));
}
void TODBCDataSet::InternalDelete() { DatabaseError(NotImplemented("TODBCDataSet.InternalDelete: ")); }
void TODBCDataSet::InternalInitRecord(TRecordBuffer) {
    DatabaseError(NotImplemented("TODBCDataSet.InternalInitRecord: "));
}
void TODBCDataSet::InternalPost() { DatabaseError(NotImplemented("TODBCDataSet.InternalPost :")); }
void TODBCDataSet::SetBookmarkFlag(TRecordBuffer, TBookmarkFlag) {
    DatabaseError(NotImplemented("TODBCDataSet.SetBookmarkFlag: "));
}
void TODBCDataSet::SetBookmarkData(TRecordBuffer, const void*) {
    DatabaseError(NotImplemented("TODBCDataSet.SetBookmarkData: "));
}
void TODBCDataSet::SetFieldData(TField*, const void*) { DatabaseError(NotImplemented("TODBCDataSet.SetFieldData: ")); }

int TODBCDataSet::GetRecNo() {
    CheckActive();
    return -1;
}

// ---- Row copy and field access ------------------------------------------------------------------

// The cursor's row into `buffer`: named by its row in the block when the block is read in
// place, else copied.
void TODBCDataSet::PutRow(TRecordBuffer buffer) {
    const size_t row = FBlockIndex > 0 && RowSetArrays() ? static_cast<size_t>(FBlockIndex) : 0;
    if (FInPlace)
        MarkRow(buffer, row);
    else
        CopyRow(buffer, row);
}

// Only the indicators, as CopyRow would set them; the values stay in the row set.
void TODBCDataSet::MarkRow(TRecordBuffer buffer, size_t row) {
    const std::unique_ptr<Column>* columns = FColumns.data();
    const size_t count = FColumns.size();
    for (size_t ci = 0; ci < count; ++ci) {
        const Column& c = *columns[ci];
        const SQLLEN length = c.Item.Indicators()[row];
        char mark = kHasValue;
        if (length == SQL_NULL_DATA) {
            mark = 0;
        } else if (length == SQL_NO_TOTAL || length > c.Room) {
            mark = kTruncated;
        } else if (c.Type == ftDate || c.Type == ftDateTime) {
            // Both structures start with year, month and day.
            DATE_STRUCT d;
            std::memcpy(&d, c.Element(row), sizeof d);
            if (!ValidDate(d.year, d.month, d.day))
                mark = 0;
        }
        buffer[c.RecordOffset] = mark;
    }
    int32_t* ref = RowSetRef(buffer);
    ref[0] = static_cast<int32_t>(row);
    ref[1] = FBlockNumber;
}

// A record that names a row of the block gets its values, so it reads the same after the block.
void TODBCDataSet::CopyRowSetRecord(TRecordBuffer record) {
    int32_t* ref = RowSetRef(record);
    if (ref[0] < 0)
        return;
    if (ref[1] != FBlockNumber || static_cast<unsigned long>(ref[0]) >= FRowsFetched)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {817});
    CopyRow(record, static_cast<size_t>(ref[0]));
}

// Before a fetch overwrites the row set, every record still naming one of its rows is copied.
void TODBCDataSet::KeepRowSetRecords() {
    if (!FInPlace)
        return;
    for (int i = 0, n = SlotCount(); i < n; ++i)
        if (TRecordBuffer record = SlotBuffer(i))
            CopyRowSetRecord(record);
}

void TODBCDataSet::CopyRow(TRecordBuffer buffer, size_t row) {
    const bool block = RowSetArrays();
    const bool trim = FDatabase && FDatabase->StringTrimRight();
    int32_t* lengths = RecordLengths(buffer);
    RowSetRef(buffer)[0] = -1;
    // Stores through the record's char pointer may alias anything: what the loop reads of the
    // dataset and a column is taken into locals first, so it is not read again after each store.
    const std::unique_ptr<Column>* columns = FColumns.data();
    const size_t count = FColumns.size();
    for (size_t ci = 0; ci < count; ++ci) {
        const Column& col = *columns[ci];
        const struct {
            TFieldType Type;
            SQLLEN BindLength;
            int RecordOffset;
            int DataSize;
        } c{col.Type, col.BindLength, col.RecordOffset, col.DataSize};
        const char* src = col.Item.Data() + row * static_cast<size_t>(c.BindLength);
        const SQLLEN length = block ? col.Item.Indicators()[row] : col.Item.Length;
        lengths[ci] = 0;
        char* ind = buffer + c.RecordOffset;
        char* area = ind + 1;
        *ind = 0;
        if (length == SQL_NULL_DATA) {
            area[0] = 0;
            continue;
        }
        *ind = kHasValue;
        switch (c.Type) {
        case ftString:
        case ftMemo: {
            // Never more than the bound element (less its terminator) or the record's area.
            const size_t room = static_cast<size_t>(std::min<SQLLEN>(c.BindLength - 1, c.DataSize - 1));
            size_t n = room;
            if (length == SQL_NO_TOTAL || length > static_cast<SQLLEN>(room))
                *ind = kTruncated;
            else if (length >= 0)
                n = static_cast<size_t>(length);
            if (trim)
                while (n > 0 && src[n - 1] == ' ')
                    --n;
            // Readers stop at the terminator, so the rest of the area is left as it is.
            std::memcpy(area, src, n);
            area[n] = 0;
            lengths[ci] = static_cast<int32_t>(n);
            break;
        }
        case ftBlob: {
            const size_t room = static_cast<size_t>(std::min<SQLLEN>(c.BindLength, c.DataSize));
            size_t n = room;
            if (length == SQL_NO_TOTAL || length > static_cast<SQLLEN>(room))
                *ind = kTruncated;
            else if (length >= 0)
                n = static_cast<size_t>(length);
            std::memcpy(area, src, n);
            lengths[ci] = static_cast<int32_t>(n);
            break;
        }
        case ftDate:
        case ftTime:
        case ftDateTime:
            if (!ConvertTemporal(c.Type, src, area))
                *ind = 0;
            break;
        default: {
            const auto n = static_cast<size_t>(std::min<SQLLEN>(c.BindLength, c.DataSize));
            // Numbers: fixed sizes the compiler copies in place.
            if (n == 4)
                std::memcpy(area, src, 4);
            else if (n == 8)
                std::memcpy(area, src, 8);
            else if (n == 2)
                std::memcpy(area, src, 2);
            else
                std::memcpy(area, src, n);
            break;
        }
        }
    }
}

int TODBCDataSet::ColumnCount() const noexcept { return static_cast<int>(FColumns.size()); }

TFieldValueItem* TODBCDataSet::ColumnItem(int fieldNo) const {
    if (fieldNo < 1 || fieldNo > ColumnCount())
        return nullptr;
    return &FColumns[static_cast<size_t>(fieldNo) - 1]->Item;
}

const TODBCDataSet::Column* TODBCDataSet::ColumnOf(const TField* field) const {
    const int no = field->FieldNo();
    if (no < 1 || static_cast<size_t>(no) > FColumns.size())
        return nullptr;
    return FColumns[static_cast<size_t>(no) - 1].get();
}

bool TODBCDataSet::GetFieldData(TField* field, void* buffer) {
    // Kept small and free of calls on the way a fetch loop takes (null tests and fixed-width
    // values of the field last read through the column); the rest is CopyFieldData.
    TRecordBuffer record = StateBuffer();
    const Column* c = record ? ColumnOf(field) : nullptr;
    if (!c)
        return false;
    const char* p = record + c->RecordOffset;
    if (p[0] != kHasValue && p[0] != kTruncated)
        return false;
    if (!buffer)
        return true;
    if (const int32_t* ref = RowSetRef(record); ref[0] >= 0) {
        // Numbers straight from the row set's arrays.
        if (c->LastField == field && c->SameLayout && ref[1] == FBlockNumber &&
            CopyFixed(c->FixedCopy, buffer, c->Element(static_cast<size_t>(ref[0]))))
            return true;
        return RowSetFieldData(*c, field, record, buffer);
    }
    if (c->LastField == field && CopyFixed(c->FixedCopy, buffer, p + 1))
        return true;
    return CopyFieldData(*c, field, p + 1, buffer);
}

bool TODBCDataSet::CopyFieldData(const Column& column, TField* field, const char* area, void* buffer) {
    const Column* c = &column;
    if (c->LastField != field) {
        c->LastFieldSize = field->DataSize();
        c->LastField = field;
        const int size = c->LastFieldSize;
        const bool fixed = c->Type != ftString && c->Type != ftMemo && c->Type != ftLargeint && c->Type != ftBlob &&
                           size <= c->DataSize && (size == 2 || size == 4 || size == 8);
        c->FixedCopy = fixed ? size : 0;
        if (fixed) {
            std::memcpy(buffer, area, static_cast<size_t>(size));
            return true;
        }
    }
    const int size = c->LastFieldSize;
    if (size <= 0)
        return true;
    switch (c->Type) {
    case ftString:
    case ftMemo: {
        // The area holds the text and its zero byte (what follows is of no meaning): copied
        // whole, so the text is not measured twice.
        const auto n = static_cast<size_t>(std::min(size, c->DataSize) - 1);
        std::memcpy(buffer, area, n);
        static_cast<char*>(buffer)[n] = 0;
        break;
    }
    case ftLargeint:
        if (size == 4) {
            int64_t v;
            std::memcpy(&v, area, sizeof v);
            if (v < INT32_MIN || v > INT32_MAX)
                DatabaseErrorFmt("Value %s of field '%s' does not fit into a 32-bit integer",
                                 {IntToStr(v), field->DisplayName()}, this);
            const int32_t narrow = static_cast<int32_t>(v);
            std::memcpy(buffer, &narrow, sizeof narrow);
            break;
        }
        std::memcpy(buffer, area, static_cast<size_t>(std::min(size, 8)));
        break;
    default: {
        const int n = std::min(size, c->DataSize);
        std::memcpy(buffer, area, static_cast<size_t>(n));
        if (n < size)
            std::memset(static_cast<char*>(buffer) + n, 0, static_cast<size_t>(size - n));
        break;
    }
    }
    return true;
}

// A value read straight from the row set: numbers and text have the record's layout there;
// dates and times are converted as CopyRow does; blobs are copied into the record first.
bool TODBCDataSet::RowSetFieldData(const Column& column, TField* field, TRecordBuffer record, void* buffer) {
    const Column* c = &column;
    const int32_t* ref = RowSetRef(record);
    if (ref[1] != FBlockNumber)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {818});
    const char* src = c->Element(static_cast<size_t>(ref[0]));
    char area[8];
    switch (c->Type) {
    case ftBlob:
        CopyRowSetRecord(record);
        return CopyFieldData(*c, field, record + c->RecordOffset + 1, buffer);
    case ftDate:
    case ftTime:
    case ftDateTime:
        ConvertTemporal(c->Type, src, area);
        src = area;
        break;
    default:
        break;
    }
    if (c->LastField == field && CopyFixed(c->FixedCopy, buffer, src))
        return true;
    return CopyFieldData(*c, field, src, buffer);
}

// The parts of a date or time in the row set as the driver gave them, or from the record's own
// value. Not while editing: a field being validated reads the value on its way in.
int TODBCDataSet::GetFieldDateTimeParts(TField* field, TDateTimeParts& parts) {
    if (State() == dsEdit || State() == dsInsert || State() == dsSetKey)
        return -1;
    TRecordBuffer record = StateBuffer();
    const Column* c = record ? ColumnOf(field) : nullptr;
    if (!c || c->Type != field->DataType())
        return -1;
    const char mark = record[c->RecordOffset];
    if (mark != kHasValue && mark != kTruncated)
        return 0;
    const int32_t* ref = RowSetRef(record);
    if (ref[0] < 0)
        return RecordDateTimeParts(c->Type, record + c->RecordOffset + 1, parts);
    if (ref[1] != FBlockNumber)
        DatabaseErrorFmt(LoadResString(SODBCInternalComponentError), {818});
    const char* src = c->Element(static_cast<size_t>(ref[0]));
    switch (c->Type) {
    case ftDate: {
        DATE_STRUCT d;
        std::memcpy(&d, src, sizeof d);
        parts.Year = d.year;
        parts.Month = d.month;
        parts.Day = d.day;
        return 1;
    }
    case ftTime: {
        TIME_STRUCT t;
        std::memcpy(&t, src, sizeof t);
        parts.Hour = t.hour;
        parts.Minute = t.minute;
        parts.Second = t.second;
        return 1;
    }
    case ftDateTime: {
        TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, src, sizeof ts);
        parts.Year = ts.year;
        parts.Month = ts.month;
        parts.Day = ts.day;
        parts.Hour = ts.hour;
        parts.Minute = ts.minute;
        parts.Second = ts.second;
        parts.MSec = static_cast<int>(ts.fraction / 1000000);
        return 1;
    }
    default:
        return -1;
    }
}

bool TODBCDataSet::FieldTruncated(TField* field) {
    TRecordBuffer record = StateBuffer();
    const Column* c = record ? ColumnOf(field) : nullptr;
    return c && record[c->RecordOffset] == kTruncated;
}

bool TODBCDataSet::ReadColumnData(TField* field, String& data) { return ReadColumnData(field, StateBuffer(), data); }

bool TODBCDataSet::ReadColumnData(TField* field, TRecordBuffer record, String& data) {
    const TODBCStatementLock lock = LockStatement();
    data.clear();
    const Column* c = record ? ColumnOf(field) : nullptr;
    if (!c)
        return false;
    const char mark = record[c->RecordOffset];
    if (mark != kHasValue && mark != kTruncated)
        return false;
    CopyRowSetRecord(record);
    const char* area = record + c->RecordOffset + 1;
    const size_t index = static_cast<size_t>(field->FieldNo() - 1);
    // A value that fitted its column is in the record already.
    if (mark == kHasValue) {
        if (c->Type == ftString || c->Type == ftMemo || c->Type == ftBlob)
            data.assign(area, static_cast<size_t>(RecordLengths(record)[index]));
        else
            data.assign(area, static_cast<size_t>(c->DataSize));
        return true;
    }
    // The driver gives a column's data once per fetch: the last whole value read is kept.
    const int32_t recordOffset = ReadInt32(record);
    const int32_t recordAnchor = RecordAnchor(record);
    if (FLastValue.Valid && FLastValue.FieldNo == field->FieldNo() && FLastValue.Offset == recordOffset &&
        FLastValue.Anchor == recordAnchor) {
        data = FLastValue.Data;
        return true;
    }
    // The rest of a cut value comes from the row itself, so the cursor must stand on it.
    if (!FUniDirectional) {
        SetToRecordForData(record);
    } else if (ReadInt32(record) != FRowOffset || FCursorState != 0) {
        DatabaseErrorFmt("Field '%s': the whole value is only available while its row is the cursor's row",
                         {field->DisplayName()}, this);
    } else if (BlockMode() && FBlockIndex > 0) {
        // The driver reads from the first row of a block unless told another.
        Check(SQLSetPos(FStmt, static_cast<SQLSETPOSIROW>(FBlockIndex + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE),
              "SQLSetPos");
    }
    const bool text = c->CType == SQL_C_CHAR;
    const SQLLEN chunk = std::max(FBlobBufferSize, 256);
    std::unique_ptr<char[]> piece(new char[static_cast<size_t>(chunk)]);
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            Check(SQLGetData(FStmt, c->Number, c->CType, piece.get(), chunk, &indicator), "SQLGetData");
        // The record holds a cut value, so "no data" now means the driver cannot give it again.
        if (rc == SQL_NO_DATA_FOUND && first)
            DatabaseErrorFmt("Field '%s': the driver gives no more of the value than the %d bytes of its column",
                             {field->DisplayName(), c->DataSize - (text ? 1 : 0)}, this);
        if (rc == SQL_NO_DATA_FOUND)
            break;
        if (indicator == SQL_NULL_DATA)
            return false;
        const SQLLEN room = text ? chunk - 1 : chunk;
        const SQLLEN got = (indicator == SQL_NO_TOTAL || indicator > room) ? room : indicator;
        data.append(piece.get(), static_cast<size_t>(got));
        if (rc == SQL_SUCCESS)
            break;
    }
    FLastValue.Valid = true;
    FLastValue.FieldNo = field->FieldNo();
    FLastValue.Offset = recordOffset;
    FLastValue.Anchor = recordAnchor;
    FLastValue.Data = data;
    return true;
}

std::unique_ptr<TStream> TODBCDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    return std::make_unique<TODBCBlobStream>(field, mode);
}

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
    DisableControls();
    bool found = false;
    try {
        TBookmark bookmark = GetBookmark();
        First();
        while (!Eof()) {
            bool match = true;
            for (size_t i = 0; i < fields.size() && match; ++i)
                match = FieldMatches(fields[i], single ? values : values[i], caseInsensitive, partialKey);
            if (match) {
                found = true;
                break;
            }
            Next();
        }
        if (!found && !bookmark.IsNull() && BookmarkValid(bookmark))
            GotoBookmark(bookmark);
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    return found;
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
    DisableControls();
    bool found = false;
    try {
        TBookmark bookmark = GetBookmark();
        if (fromFirst)
            First();
        else
            Next();
        while (!Eof()) {
            bool match = true;
            for (size_t i = 0; i < list.size() && match; ++i)
                match = list[i]->AsVariant() == values[i];
            if (match) {
                found = true;
                break;
            }
            Next();
        }
        if (!found && !bookmark.IsNull() && BookmarkValid(bookmark))
            GotoBookmark(bookmark);
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    return found;
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

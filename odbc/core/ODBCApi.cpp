#include <vantrel/core/ODBCApi.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>

namespace vantrel {

bool RetCodeIsSuccessful(int16_t rc) noexcept {
    return rc != SQL_ERROR && rc != SQL_INVALID_HANDLE && rc != SQL_STILL_EXECUTING;
}

EODBCError::EODBCError(const String& message, TODBCHandle env, TODBCHandle dbc, TODBCHandle stmt, int32_t nativeError,
                       String states, String firstError, std::vector<ODBCDiagnostic> records)
    : EDatabaseError(message), env_(env), dbc_(dbc), stmt_(stmt), nativeError_(nativeError),
      states_(std::move(states)), firstError_(std::move(firstError)), records_(std::move(records)) {}

bool EODBCError::Truncated() const noexcept {
    for (const auto& r : records_)
        if (r.Truncated) return true;
    return false;
}

namespace {

// Room for what drivers report in practice (psqlODBC repeats the server's message and detail);
// a longer text is cut at the buffer and flagged, never written past it.
constexpr SQLSMALLINT kMessageBuffer = 2048;
// A driver that never runs out of records must not keep us here forever.
constexpr int kMaxDiagnosticCalls = 256;

}  // namespace

namespace detail {

DiagnosticCall callSQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt) {
    // Cleared before every call: the driver manager leaves the buffers untouched when it has no
    // record, and the previous record's text must not be read a second time.
    std::array<SQLCHAR, SQL_SQLSTATE_SIZE + 1> state{};
    std::array<SQLCHAR, kMessageBuffer> text{};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    DiagnosticCall call;
    call.rc = SQLError(env, dbc, stmt, state.data(), &native, text.data(), kMessageBuffer, &length);
    state.back() = 0;
    text.back() = 0;
    if (call.rc == SQL_NO_DATA_FOUND) {
        // No record: ODBC says state "00000" and no text, whatever the buffers hold.
        call.record.State = "00000";
        return call;
    }
    if (!RetCodeIsSuccessful(call.rc)) return call;  // nothing trustworthy in the buffers
    call.record.State = reinterpret_cast<const char*>(state.data());
    call.record.NativeError = native;
    call.record.Text = reinterpret_cast<const char*>(text.data());
    call.record.Truncated = call.rc == SQL_SUCCESS_WITH_INFO || length >= kMessageBuffer;
    return call;
}

EODBCError buildODBCError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, const std::function<DiagnosticCall()>& next) {
    std::vector<ODBCDiagnostic> records;
    DiagnosticCall call = next();
    int32_t code = call.record.NativeError != 0 ? call.record.NativeError : 0;
    String states = call.record.State;
    String message = call.record.Text;
    String first = call.record.Text;
    bool isRecord = call.rc != SQL_NO_DATA_FOUND && RetCodeIsSuccessful(call.rc);
    if (isRecord) records.push_back(call.record);
    for (int calls = 1; isRecord && calls < kMaxDiagnosticCalls; ++calls) {
        call = next();
        isRecord = call.rc != SQL_NO_DATA_FOUND && RetCodeIsSuccessful(call.rc);
        if (call.record.NativeError != 0 && code == 0) {
            code = call.record.NativeError;
            first = call.record.Text;
        }
        message += " " + call.record.Text + " ODBC State = " + states;
        states += ";" + call.record.State;
        if (isRecord) records.push_back(call.record);
    }
    return EODBCError(message, env, dbc, stmt, code, states, first, std::move(records));
}

}  // namespace detail

EODBCError CreateODBCError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt) {
    return detail::buildODBCError(env, dbc, stmt, [&] { return detail::callSQLError(env, dbc, stmt); });
}

namespace {

bool traceEnabled() {
#ifndef NDEBUG
    static const bool enabled = std::getenv("VANTREL_ODBC_TRACE") != nullptr;
    return enabled;
#else
    return false;
#endif
}

}  // namespace

SQLRETURN ODBCCheck(SQLRETURN rc, SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, const char* operation) {
    if (traceEnabled())
        std::fprintf(stderr, "vantrel odbc: %s -> %d (env %p dbc %p stmt %p)\n", operation, static_cast<int>(rc),
                     env, dbc, stmt);
    if (RetCodeIsSuccessful(rc)) return rc;
    EODBCError error = CreateODBCError(env, dbc, stmt);
    error.SetOperation(operation ? operation : "");
    throw error;
}

// ---------------------------------------------------------------------------------------------
// Handle owners

SQLHDBC ODBCConnectionHandle::allocate(SQLHENV env) {
    if (dbc_) return dbc_;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLRETURN rc = SQLAllocConnect(env, &dbc);
    if (!RetCodeIsSuccessful(rc)) {
        EODBCError error = CreateODBCError(env, dbc, SQL_NULL_HSTMT);
        error.SetOperation("SQLAllocConnect");
        if (dbc) SQLFreeConnect(dbc);
        throw error;
    }
    env_ = env;
    dbc_ = dbc;
    return dbc_;
}

void ODBCConnectionHandle::free() {
    if (!dbc_) return;
    VANTREL_ODBC(env_, dbc_, SQL_NULL_HSTMT, SQLFreeConnect(dbc_));
    dbc_ = SQL_NULL_HDBC;
}

void ODBCConnectionHandle::reset() noexcept {
    if (!dbc_) return;
    if (!RetCodeIsSuccessful(SQLFreeConnect(dbc_))) {
        // Still connected (or mid-transaction): disconnect and try again; the handle goes either way.
        SQLDisconnect(dbc_);
        SQLFreeConnect(dbc_);
    }
    dbc_ = SQL_NULL_HDBC;
}

ODBCStatementHandle::ODBCStatementHandle(ODBCStatementHandle&& other) noexcept
    : env_(other.env_), dbc_(other.dbc_), stmt_(other.release()) {}

ODBCStatementHandle& ODBCStatementHandle::operator=(ODBCStatementHandle&& other) noexcept {
    if (this != &other) {
        reset();
        env_ = other.env_;
        dbc_ = other.dbc_;
        stmt_ = other.release();
    }
    return *this;
}

SQLHSTMT ODBCStatementHandle::allocate(SQLHENV env, SQLHDBC dbc) {
    if (stmt_) return stmt_;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLRETURN rc = SQLAllocStmt(dbc, &stmt);
    if (!RetCodeIsSuccessful(rc)) {
        EODBCError error = CreateODBCError(env, dbc, SQL_NULL_HSTMT);
        error.SetOperation("SQLAllocStmt");
        throw error;
    }
    env_ = env;
    dbc_ = dbc;
    stmt_ = stmt;
    return stmt_;
}

void ODBCStatementHandle::drop() {
    if (!stmt_) return;
    VANTREL_ODBC(env_, dbc_, stmt_, SQLFreeStmt(stmt_, SQL_DROP));
    stmt_ = SQL_NULL_HSTMT;
}

void ODBCStatementHandle::reset() noexcept {
    if (stmt_) SQLFreeStmt(stmt_, SQL_DROP);
    stmt_ = SQL_NULL_HSTMT;
}

// ---------------------------------------------------------------------------------------------
// Message table

const ResourceString SODBCParameterNotFound{65520, "SODBCParameterNotFound", "ODBC Parameter %s not found"};
const ResourceString SODBCInvalidVersion{65521, "SODBCInvalidVersion", "ODBC Parameter %s incorrect version"};
const ResourceString SODBCParamTooBig{65522, "SODBCParamTooBig", "ODBC Parameter %s is too big"};
const ResourceString SODBCFieldUndefinedType{65523, "SODBCFieldUndefinedType", "ODBC Field %s undefined type"};
const ResourceString SODBCFieldUnsupportedType{65524, "SODBCFieldUnsupportedType", "ODBC Field unsupported type"};
const ResourceString SODBCTextTrue{65525, "SODBCTextTrue", "True"};
const ResourceString SODBCTextFalse{65526, "SODBCTextFalse", "False"};
const ResourceString SODBCEmptySQLStatement{65527, "SODBCEmptySQLStatement", "ODBC Empty sql statement"};
const ResourceString SODBCFieldReadOnly{65528, "SODBCFieldReadOnly", "ODBC Field %s read only"};
const ResourceString SODBCNotEditing{65529, "SODBCNotEditing", "ODBC Field %s not editing"};
const ResourceString SODBCNotCorrect{65530, "SODBCNotCorrect", "ODBC Fields and values are not correct"};
const ResourceString SODBCDataBaseOpen{65531, "SODBCDataBaseOpen",
                                       "ODBC This operation is not allowed on open database"};
const ResourceString SODBCDataBaseNotOpen{65532, "SODBCDataBaseNotOpen",
                                          "ODBC This operation is not allowed on closed database"};
const ResourceString SODBCDataSetOpen{65533, "SODBCDataSetOpen", "ODBC This operation is not allowed on open dataset"};
const ResourceString SODBCDataSetNotOpen{65534, "SODBCDataSetNotOpen",
                                         "ODBC This operation is not allowed on closed dataset"};
const ResourceString SODBCDatabaseExists{65535, "SODBCDatabaseExists", "ODBC Database with name %s allready exists"};
const ResourceString SODBCMaxStringSize{65504, "SODBCMaxStringSize",
                                        "ODBC Not correct BlobBufferSize=%d (0 < BlobBufferSize <= 8192)"};
const ResourceString SODBCMaxBlobBuffer{65505, "SODBCMaxBlobBuffer",
                                        "ODBC Not correct MaxBlobBuffer=%d (0 < BlobBufferSize)"};
const ResourceString SODBCInvalidBLOB{65506, "SODBCInvalidBLOB", "ODBC Invalid BLOB parameter"};
const ResourceString SODBCNotImplemented{65507, "SODBCNotImplemented", "ODBC This function not implemented"};
const ResourceString SODBCInternalComponentError{65508, "SODBCInternalComponentError",
                                                 "ODBC Internal component error %x. Contact programmers team."};

namespace {

const ResourceString* const kMessages[] = {
    &SODBCParameterNotFound, &SODBCInvalidVersion,   &SODBCParamTooBig,     &SODBCFieldUndefinedType,
    &SODBCFieldUnsupportedType, &SODBCTextTrue,      &SODBCTextFalse,       &SODBCEmptySQLStatement,
    &SODBCFieldReadOnly,     &SODBCNotEditing,       &SODBCNotCorrect,      &SODBCDataBaseOpen,
    &SODBCDataBaseNotOpen,   &SODBCDataSetOpen,      &SODBCDataSetNotOpen,  &SODBCDatabaseExists,
    &SODBCMaxStringSize,     &SODBCMaxBlobBuffer,    &SODBCInvalidBLOB,     &SODBCNotImplemented,
    &SODBCInternalComponentError,
};

struct Replacements {
    std::mutex lock;
    std::map<int, String> texts;
};

Replacements& replacements() {
    static Replacements r;
    return r;
}

const ResourceString* findMessage(int id) {
    for (const ResourceString* m : kMessages)
        if (m->Id == id) return m;
    return nullptr;
}

const ResourceString* findMessage(const String& key) {
    for (const ResourceString* m : kMessages)
        if (key == m->Name || key == std::to_string(m->Id)) return m;
    return nullptr;
}

}  // namespace

String LoadResString(const ResourceString& res) {
    Replacements& r = replacements();
    std::lock_guard guard(r.lock);
    auto it = r.texts.find(res.Id);
    return it != r.texts.end() ? it->second : String(res.Default);
}

String LoadStr(int id) {
    const ResourceString* m = findMessage(id);
    return m ? LoadResString(*m) : String();
}

bool SetResourceString(int id, const String& text) {
    if (!findMessage(id)) return false;
    Replacements& r = replacements();
    std::lock_guard guard(r.lock);
    r.texts[id] = text;
    return true;
}

int LoadResourceStrings(const std::vector<String>& lines) {
    int taken = 0;
    for (const String& line : lines) {
        auto eq = line.find('=');
        if (eq == String::npos) continue;
        const ResourceString* m = findMessage(Trim(line.substr(0, eq)));
        if (m && SetResourceString(m->Id, line.substr(eq + 1))) ++taken;
    }
    return taken;
}

void ResetResourceStrings() {
    Replacements& r = replacements();
    std::lock_guard guard(r.lock);
    r.texts.clear();
}

}  // namespace vantrel

#pragma once
// The library's binding to the ODBC call-level interface: handle owners, the one checked call
// wrapper, the exceptions built from the driver's diagnostics and the library's message table.
//
// Internal to Vantrel's ODBC components: it pulls in the driver manager's headers.
#include <vantrel/framework/DBError.h>
#include <vantrel/framework/SysUtils.h>

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace vantrel {

/// \brief True unless `rc` is SQL_ERROR, SQL_INVALID_HANDLE or SQL_STILL_EXECUTING.
/// SQL_NO_DATA_FOUND (100) and SQL_NEED_DATA (99) count as success; callers test them apart.
bool RetCodeIsSuccessful(SQLRETURN rc) noexcept;

/// SQL_LEN_DATA_AT_EXEC: length marker of a data-at-execution parameter.
constexpr SQLLEN LenDataAtExec(SQLLEN length) noexcept { return -100 - length; }

/// One diagnostic record as the driver reported it.
struct ODBCDiagnostic {
    String State;          ///< five-character SQLSTATE
    int32_t NativeError = 0;
    String Text;
    bool Truncated = false; ///< the driver's text was longer than the call buffer and was cut
};

/// \brief A failed ODBC call, with every diagnostic record the driver had for it.
/// Message() is built exactly as CreateODBCError describes; the handles are those the call used
/// (any may be null) and stay owned by their components.
class EODBCError : public EDatabaseError {
public:
    EODBCError(const String& message, SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, int32_t nativeError,
               String states, String firstError, std::vector<ODBCDiagnostic> records);

    SQLHENV Env() const noexcept { return env_; }
    SQLHDBC Dbc() const noexcept { return dbc_; }
    SQLHSTMT Stmt() const noexcept { return stmt_; }
    /// First non-zero native code met, or 0.
    int32_t NativeError() const noexcept { return nativeError_; }
    /// The states of all calls made, separated by ";" (the closing no-data call adds "00000").
    const String& SQLStates() const noexcept { return states_; }
    /// Text of the record that gave the native code (of the first record when none did).
    const String& FirstError() const noexcept { return firstError_; }
    /// The real records only (without the closing no-data call).
    const std::vector<ODBCDiagnostic>& Records() const noexcept { return records_; }
    /// True when any record's text did not fit the call buffer.
    bool Truncated() const noexcept;
    /// The ODBC call (or library operation) that failed; empty when unknown.
    const String& Operation() const noexcept { return operation_; }
    void SetOperation(String operation) { operation_ = std::move(operation); }

private:
    SQLHENV env_;
    SQLHDBC dbc_;
    SQLHSTMT stmt_;
    int32_t nativeError_;
    String states_;
    String firstError_;
    std::vector<ODBCDiagnostic> records_;
    String operation_;
};

/// \brief Library misuse that is not an ODBC failure ("Database open", "Parameter type not
/// supported").
class EODBCDatabaseError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

/// \brief Builds (does not raise) the exception for the most specific handle given, from its
/// diagnostics. Never throws anything but std::bad_alloc.
EODBCError CreateODBCError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt);

/// \brief The one checked call: returns `rc` when it is a success, else throws the EODBCError
/// built from the handles the call used. `operation` names the call (for the exception and the
/// debug trace, enabled by the environment variable VANTREL_ODBC_TRACE in debug builds).
SQLRETURN ODBCCheck(SQLRETURN rc, SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, const char* operation);

/// Calls an ODBC function through ODBCCheck, naming the call after its source text.
#define VANTREL_ODBC(env, dbc, stmt, call) ::vantrel::ODBCCheck((call), (env), (dbc), (stmt), #call)

/// \brief The process-wide environment handle, allocated when the library is loaded.
SQLHENV odbcEnv() noexcept;

/// \brief Owner of one connection handle. Frees it (disconnecting first when asked) and never throws.
class ODBCConnectionHandle {
public:
    ODBCConnectionHandle() = default;
    ~ODBCConnectionHandle() { reset(); }
    ODBCConnectionHandle(const ODBCConnectionHandle&) = delete;
    ODBCConnectionHandle& operator=(const ODBCConnectionHandle&) = delete;

    /// Allocates the handle on `env` when none is held; throws EODBCError.
    SQLHDBC allocate(SQLHENV env);
    SQLHDBC get() const noexcept { return dbc_; }
    explicit operator bool() const noexcept { return dbc_ != SQL_NULL_HDBC; }
    /// Frees the handle, throwing EODBCError when the driver refuses (the handle is then kept).
    void free();
    /// Frees the handle, swallowing errors (for destructors); disconnects first if still connected.
    void reset() noexcept;

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
};

/// \brief Owner of one statement handle; drops it on destruction and never throws.
class ODBCStatementHandle {
public:
    ODBCStatementHandle() = default;
    ~ODBCStatementHandle() { reset(); }
    ODBCStatementHandle(const ODBCStatementHandle&) = delete;
    ODBCStatementHandle& operator=(const ODBCStatementHandle&) = delete;
    ODBCStatementHandle(ODBCStatementHandle&& other) noexcept;
    ODBCStatementHandle& operator=(ODBCStatementHandle&& other) noexcept;

    /// Allocates a statement on `dbc` when none is held; throws EODBCError.
    SQLHSTMT allocate(SQLHENV env, SQLHDBC dbc);
    SQLHSTMT get() const noexcept { return stmt_; }
    explicit operator bool() const noexcept { return stmt_ != SQL_NULL_HSTMT; }
    /// SQLFreeStmt(SQL_DROP), throwing EODBCError on failure (the handle is then kept).
    void drop();
    /// Drops the handle, swallowing errors.
    void reset() noexcept;
    /// Gives up ownership without freeing.
    SQLHSTMT release() noexcept { return std::exchange(stmt_, SQLHSTMT{}); }

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

// ---------------------------------------------------------------------------------------------
// Message table. Each text is looked up when the error is raised, so a translation installed with
// SetResourceString (or LoadResourceStrings) replaces it without code changes.

struct ResourceString {
    int Id;
    const char* Name;
    const char* Default;
};

extern const ResourceString SODBCParameterNotFound;
extern const ResourceString SODBCInvalidVersion;
extern const ResourceString SODBCParamTooBig;
extern const ResourceString SODBCFieldUndefinedType;
extern const ResourceString SODBCFieldUnsupportedType;
extern const ResourceString SODBCTextTrue;
extern const ResourceString SODBCTextFalse;
extern const ResourceString SODBCEmptySQLStatement;
extern const ResourceString SODBCFieldReadOnly;
extern const ResourceString SODBCNotEditing;
extern const ResourceString SODBCNotCorrect;
extern const ResourceString SODBCDataBaseOpen;
extern const ResourceString SODBCDataBaseNotOpen;
extern const ResourceString SODBCDataSetOpen;
extern const ResourceString SODBCDataSetNotOpen;
extern const ResourceString SODBCDatabaseExists;
extern const ResourceString SODBCMaxStringSize;
extern const ResourceString SODBCMaxBlobBuffer;
extern const ResourceString SODBCInvalidBLOB;
extern const ResourceString SODBCNotImplemented;
extern const ResourceString SODBCInternalComponentError;

/// \brief The current text of a message (its replacement if one is installed, else the default).
String LoadResString(const ResourceString& res);
/// \brief The current text by string-table id; empty for an unknown id.
String LoadStr(int id);
/// \brief Replaces the text of message `id`; false for an unknown id.
bool SetResourceString(int id, const String& text);
/// \brief Installs replacements from lines "Id=Text" or "Name=Text"; returns how many were taken.
int LoadResourceStrings(const std::vector<String>& lines);
/// \brief Drops every replacement.
void ResetResourceStrings();

}  // namespace vantrel

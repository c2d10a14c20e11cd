#pragma once
// The library's binding to the ODBC call-level interface: handle owners, the one checked call
// wrapper and the building of EODBCError from the driver's diagnostics (ODBCError.h).
//
// Internal to Vantrel's ODBC components: it pulls in the driver manager's headers.
#include <vantrel/core/ODBCError.h>

#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <type_traits>
#include <utility>

namespace vantrel {

static_assert(std::is_same_v<SQLHANDLE, TODBCHandle> && std::is_same_v<SQLRETURN, int16_t>,
              "the public header hands ODBC handles and return codes out under these types");

/// \brief Builds (does not raise) the exception for the most specific handle given, from its
/// diagnostics. Never throws anything but std::bad_alloc.
EODBCError CreateODBCError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt);

namespace detail {
/// One SQLError call: its return code and the record it gave ("00000" and no text for no data).
struct DiagnosticCall {
    SQLRETURN rc = SQL_NO_DATA_FOUND;
    ODBCDiagnostic record;
};
DiagnosticCall callSQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt);
/// The diagnostics loop of CreateODBCError over any source of SQLError calls.
EODBCError buildODBCError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, const std::function<DiagnosticCall()>& next);
}  // namespace detail

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

}  // namespace vantrel

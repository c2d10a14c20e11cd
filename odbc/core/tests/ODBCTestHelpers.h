#pragma once
// Small raw-ODBC helpers for the core tests: statements run on a connection the test chooses.
#include <vantrel/core/ODBCApi.h>

#include <dlfcn.h>

#include <cstdio>
#include <exception>
#include <string>

namespace vantrel::odbctest {

/// The message of the exception `f` throws ("" when it throws none).
template <class F> std::string errorOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

/// Runs `sql` on `dbc`; throws EODBCError.
inline void execOn(SQLHDBC dbc, const std::string& sql) {
    ODBCStatementHandle stmt;
    stmt.allocate(odbcEnv(), dbc);
    VANTREL_ODBC(odbcEnv(), dbc, stmt.get(), SQLExecDirect(stmt.get(), (SQLCHAR*)sql.c_str(), SQL_NTS));
}

/// First column of the first row of `sql` as an integer; throws EODBCError.
inline long scalarOn(SQLHDBC dbc, const std::string& sql) {
    ODBCStatementHandle stmt;
    stmt.allocate(odbcEnv(), dbc);
    VANTREL_ODBC(odbcEnv(), dbc, stmt.get(), SQLExecDirect(stmt.get(), (SQLCHAR*)sql.c_str(), SQL_NTS));
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    VANTREL_ODBC(odbcEnv(), dbc, stmt.get(), SQLBindCol(stmt.get(), 1, SQL_C_LONG, &value, 0, &indicator));
    if (VANTREL_ODBC(odbcEnv(), dbc, stmt.get(), SQLFetch(stmt.get())) == SQL_NO_DATA_FOUND) return -1;
    return value;
}

/// One raw connection, disconnected and freed when it goes.
class RawConnection {
public:
    explicit RawConnection(const std::string& connectionString) {
        handle_.allocate(odbcEnv());
        VANTREL_ODBC(odbcEnv(), handle_.get(), SQL_NULL_HSTMT,
                     SQLDriverConnect(handle_.get(), nullptr, (SQLCHAR*)connectionString.c_str(), SQL_NTS,
                                      nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
    }
    ~RawConnection() { SQLDisconnect(handle_.get()); }
    SQLHDBC get() const { return handle_.get(); }

private:
    ODBCConnectionHandle handle_;
};

/// NOTE: unixODBC unloads a driver when its last connection closes; leaks inside the driver (the
/// SQLite driver's data-source parsing) are then reported from an unknown module and escape the
/// suppressions for driver libraries. Pinning the drivers keeps their names in the reports.
inline bool pinDrivers() {
    for (const char* lib : {"libsqlite3odbc.so", "psqlodbcw.so", "psqlodbca.so"}) {
        for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc/", "/usr/lib/odbc/", ""}) {
            if (dlopen((std::string(dir) + lib).c_str(), RTLD_NOW | RTLD_NODELETE)) break;
        }
    }
    return true;
}
inline const bool driversPinned = pinDrivers();

/// Output of a shell command (for comparing with odbcinst).
inline std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

}  // namespace vantrel::odbctest

#include "TestDatabase.h"

#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {
namespace {

std::string diagnostics(SQLSMALLINT type, SQLHANDLE h) {
    std::string out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {}, text[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, h, i, state, &native, text, sizeof text, &len))) break;
        out += std::string(reinterpret_cast<char*>(state)) + ": " + reinterpret_cast<char*>(text) + "\n";
    }
    return out;
}

struct Handles {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;
    ~Handles() {
        if (connected) SQLDisconnect(dbc);
        if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

std::atomic<int> counter{0};

}  // namespace

std::string engineName(Engine e) { return e == Engine::SQLite ? "SQLite" : "PostgreSQL"; }

bool postgresAvailable() {
    const char* v = std::getenv("TEST_PG_ODBC");
    return v && *v;
}

std::string postgresAdminConnection() {
    const char* v = std::getenv("TEST_PG_ODBC");
    if (!v || !*v) throw std::runtime_error("TEST_PG_ODBC is not set");
    return v;
}

void execOn(const std::string& conn, const std::string& sql) {
    Handles h;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h.env);
    SQLSetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, h.env, &h.dbc);
    SQLRETURN rc = SQLDriverConnect(h.dbc, nullptr, (SQLCHAR*)conn.c_str(), SQL_NTS, nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) throw std::runtime_error("connect failed: " + diagnostics(SQL_HANDLE_DBC, h.dbc));
    h.connected = true;
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &st);
    rc = SQLExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
    std::string err = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA ? "" : diagnostics(SQL_HANDLE_STMT, st);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    if (!err.empty()) throw std::runtime_error(sql + ": " + err);
}

TestDatabase::TestDatabase(Engine engine) : engine_(engine) {
    const std::string tag = std::to_string(getpid()) + "_" + std::to_string(counter++);
    if (engine == Engine::SQLite) {
        auto dir = std::filesystem::temp_directory_path() / ("kestrum-test-" + tag);
        std::filesystem::create_directories(dir);
        tempDir_ = dir.string();
        name_ = (dir / "test.db").string();
        conn_ = "Driver={SQLite3};Database=" + name_ + ";Timeout=5000;";
    } else {
        const std::string admin = postgresAdminConnection();
        name_ = "kt_" + tag;
        execOn(admin, "CREATE DATABASE " + name_);
        conn_ = std::regex_replace(admin, std::regex("Database=[^;]*", std::regex::icase), "Database=" + name_);
    }
}

TestDatabase::~TestDatabase() {
    try {
        if (engine_ == Engine::SQLite) {
            std::filesystem::remove_all(tempDir_);
        } else {
            execOn(postgresAdminConnection(), "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        }
    } catch (...) {
    }
}

void TestDatabase::exec(const std::string& sql) const { execOn(conn_, sql); }

}  // namespace testsupport

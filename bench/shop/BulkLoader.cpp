#include "BulkLoader.h"

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace kestrum::shop {
namespace {

constexpr std::int64_t CommitEvery = 50000;
std::int64_t pendingRows = 0;  // rows since the last commit, over all tables of the load

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

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const std::string& what) {
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) throw LoadError(what + ": " + diagnostics(type, h));
}

}  // namespace

Connection::Connection(const std::string& connectString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    check(SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)connectString.c_str(), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, dbc_, "Connect");
    connected_ = true;
    SQLCHAR dbms[128] = {};
    SQLSMALLINT len = 0;
    SQLGetInfo(dbc_, SQL_DBMS_NAME, dbms, sizeof dbms, &len);
    engine_ = std::strstr(reinterpret_cast<char*>(dbms), "PostgreSQL") ? schema::Engine::PostgreSQL
                                                                       : schema::Engine::SQLite;
    // Only this connection loads without a rollback journal or syncs; both settings end with it,
    // so the program later opens the file in SQLite's safe defaults.
    if (engine_ == schema::Engine::SQLite) {
        exec("PRAGMA journal_mode=MEMORY");
        exec("PRAGMA synchronous=OFF");
        exec("PRAGMA cache_size=-262144");
    }
    check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, dbc_, "Manual commit");
}

Connection::~Connection() {
    try {
        if (connected_) {
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);  // whatever was not committed
            SQLDisconnect(dbc_);
        }
    } catch (...) {
    }
    if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void Connection::exec(const std::string& sql) {
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st);
    const SQLRETURN rc = SQLExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
    const std::string err = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA ? "" : diagnostics(SQL_HANDLE_STMT, st);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    if (!err.empty()) throw LoadError(sql + ": " + err);
}

void Connection::exec(const std::string& sql, const std::vector<std::string>& values) {
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st);
    std::vector<SQLLEN> lengths(values.size());
    SQLRETURN rc = SQLPrepare(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
    for (std::size_t i = 0; SQL_SUCCEEDED(rc) && i < values.size(); ++i) {
        lengths[i] = SQLLEN(values[i].size());
        rc = SQLBindParameter(st, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 255, 0,
                              (SQLPOINTER)values[i].c_str(), lengths[i], &lengths[i]);
    }
    if (SQL_SUCCEEDED(rc)) rc = SQLExecute(st);
    const std::string err = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA ? "" : diagnostics(SQL_HANDLE_STMT, st);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    if (!err.empty()) throw LoadError(sql + ": " + err);
}

void Connection::commit() {
    check(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT), SQL_HANDLE_DBC, dbc_, "Commit");
    pendingRows = 0;
}

struct TableLoader::Param {
    schema::ColumnType type;
    SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR, digits = 0;
    SQLULEN size = 0;
    std::size_t width = 0;  // bytes per row in `data`
    std::vector<char> data;
    std::vector<SQLLEN> ind;
    char* at(std::size_t row) { return data.data() + row * width; }
};

TableLoader::TableLoader(Connection& c, const schema::Table& table, std::size_t batchRows)
    : c_(c), name_(table.name.toStdString()), batch_(batchRows) {
    std::string cols, marks;
    for (const schema::Column& col : table.columns) {
        names_.push_back(col.name.toLower().toStdString());
        cols += (cols.empty() ? "" : ", ") + col.name.toStdString();
        marks += marks.empty() ? "?" : ", ?";
        auto p = std::make_unique<Param>();
        p->type = col.type;
        switch (col.type) {
        case schema::ColumnType::Integer:
            p->cType = SQL_C_SLONG, p->sqlType = SQL_INTEGER, p->width = sizeof(SQLINTEGER);
            break;
        case schema::ColumnType::Number:
        case schema::ColumnType::Rate:
            // Exact decimal text; the engine converts it to its number type.
            p->cType = SQL_C_CHAR, p->sqlType = SQL_NUMERIC, p->size = 19, p->width = 32;
            p->digits = col.type == schema::ColumnType::Rate ? 8 : 6;
            break;
        case schema::ColumnType::Date:
            // Midnight timestamps, the form the program's own writes take.
            p->cType = SQL_C_TYPE_TIMESTAMP, p->sqlType = SQL_TYPE_TIMESTAMP, p->size = 19;
            p->width = sizeof(SQL_TIMESTAMP_STRUCT);
            break;
        case schema::ColumnType::Boolean:
            p->cType = SQL_C_BIT, p->sqlType = SQL_BIT, p->width = 1;
            break;
        case schema::ColumnType::Text:
            p->cType = SQL_C_CHAR, p->sqlType = SQL_VARCHAR, p->size = 255, p->width = 256;
            break;
        }
        p->data.assign(p->width * batch_, 0);
        p->ind.assign(batch_, SQL_NULL_DATA);
        params_.push_back(std::move(p));
    }
    check(SQLAllocHandle(SQL_HANDLE_STMT, c_.dbc_, &stmt_), SQL_HANDLE_DBC, c_.dbc_, "Statement");
    const std::string sql = "INSERT INTO " + name_ + " (" + cols + ") VALUES (" + marks + ")";
    check(SQLPrepare(stmt_, (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_HANDLE_STMT, stmt_, sql);
    if (!c_.arraysChecked_) {
        // NOTE: a driver that cannot take parameter arrays refuses the attribute or answers
        // "option value changed" (01S02) with a size of 1; then every row is its own execute,
        // still prepared once and inside the same large transactions.
        c_.arraysChecked_ = true;
        const SQLRETURN rc = SQLSetStmtAttr(stmt_, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(batch_), 0);
        SQLULEN got = 0;
        SQLGetStmtAttr(stmt_, SQL_ATTR_PARAMSET_SIZE, &got, 0, nullptr);
        c_.arrays_ = rc == SQL_SUCCESS && got == batch_;
    }
}

TableLoader::~TableLoader() {
    if (stmt_) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}

int TableLoader::column(std::string_view name) const {
    std::string lower(name);
    for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == lower) return int(i);
    throw LoadError(name_ + " has no column " + std::string(name));
}

void TableLoader::setInt(int col, std::int64_t v) {
    Param& p = *params_[col];
    const SQLINTEGER x = SQLINTEGER(v);
    std::memcpy(p.at(filled_), &x, sizeof x);
    p.ind[filled_] = 0;
}

void TableLoader::setText(int col, std::string_view v) {
    Param& p = *params_[col];
    if (v.size() >= p.width) throw LoadError(name_ + ": text too long for the load buffer");
    std::memcpy(p.at(filled_), v.data(), v.size());
    p.at(filled_)[v.size()] = 0;
    p.ind[filled_] = SQLLEN(v.size());
}

void TableLoader::setFixed(int col, std::int64_t units, int scale) {
    char text[32];
    const bool negative = units < 0;
    std::uint64_t u = negative ? std::uint64_t(-units) : std::uint64_t(units);
    std::uint64_t pow = 1;
    for (int i = 0; i < scale; ++i) pow *= 10;
    int n = std::snprintf(text, sizeof text, "%s%llu", negative ? "-" : "", (unsigned long long)(u / pow));
    if (scale > 0) n += std::snprintf(text + n, sizeof text - n, ".%0*llu", scale, (unsigned long long)(u % pow));
    setText(col, std::string_view(text, std::size_t(n)));
}

void TableLoader::setDate(int col, Date d) {
    Param& p = *params_[col];
    SQL_TIMESTAMP_STRUCT ts{};
    ts.year = SQLSMALLINT(d.year), ts.month = SQLUSMALLINT(d.month), ts.day = SQLUSMALLINT(d.day);
    std::memcpy(p.at(filled_), &ts, sizeof ts);
    p.ind[filled_] = 0;
}

void TableLoader::setBool(int col, bool v) {
    Param& p = *params_[col];
    *p.at(filled_) = v ? 1 : 0;
    p.ind[filled_] = 0;
}

void TableLoader::setNull(int col) { params_[col]->ind[filled_] = SQL_NULL_DATA; }

void TableLoader::endRow() {
    if (++filled_ == batch_) flush();
    for (auto& p : params_) p->ind[filled_ % batch_] = SQL_NULL_DATA;  // unset columns stay NULL
}

void TableLoader::bindAll(std::size_t row) {
    for (std::size_t i = 0; i < params_.size(); ++i) {
        Param& p = *params_[i];
        check(SQLBindParameter(stmt_, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, p.cType, p.sqlType, p.size, p.digits,
                               p.at(row), SQLLEN(p.width), &p.ind[row]),
              SQL_HANDLE_STMT, stmt_, name_ + ": bind");
    }
}

void TableLoader::flush() {
    if (filled_ == 0) return;
    const auto start = std::chrono::steady_clock::now();
    if (c_.arrays_) {
        SQLULEN processed = 0;
        SQLSetStmtAttr(stmt_, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(filled_), 0);
        SQLSetStmtAttr(stmt_, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
        bindAll(0);
        check(SQLExecute(stmt_), SQL_HANDLE_STMT, stmt_, "INSERT INTO " + name_);
        SQLSetStmtAttr(stmt_, SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
        if (processed != filled_)
            throw LoadError(name_ + ": the driver took " + std::to_string(processed) + " of " +
                            std::to_string(filled_) + " rows");
    } else {
        for (std::size_t r = 0; r < filled_; ++r) {
            bindAll(r);
            check(SQLExecute(stmt_), SQL_HANDLE_STMT, stmt_, "INSERT INTO " + name_);
        }
    }
    rows_ += std::int64_t(filled_);
    pendingRows += std::int64_t(filled_);
    filled_ = 0;
    if (pendingRows >= CommitEvery) c_.commit();
    seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace kestrum::shop

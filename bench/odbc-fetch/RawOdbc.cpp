// odbc-fetch: the generator, the table set-up and the raw ODBC reader (the lower bound).
#include "FetchBench.h"

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>

namespace fetchbench {

Row generateRow(std::int32_t id) {
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ";
    const std::int64_t i = id;
    Row r;
    r.id = id;
    if (i % 50 != 0) r.qty = static_cast<std::int32_t>((i * 7919) % 2001) - 1000;
    r.priceCents = (i * 104729) % 10000000;  // up to 99999.99
    if (i % 101 != 0) {
        // Never a trailing blank: SOCI's ODBC backend trims those.
        std::string s = "Item ";
        s.append(letters, static_cast<std::size_t>(i % 23));
        s += " " + std::to_string(i);
        r.name = std::move(s);
    }
    if (i % 211 != 0) r.madeDays = daysFromCivil(2000, 1, 1) + (i * 37) % 9000;
    r.stampSeconds = daysFromCivil(1990, 1, 1) * 86400 + (i * 7919 * 13) % (30ll * 365 * 86400);
    return r;
}

void Checksum::show(const std::string& v) { std::fprintf(stderr, v == "\n" ? "\n" : " %s", v.c_str()); }

Checksum expectedChecksum(std::int32_t rows) {
    Checksum c;
    for (std::int32_t id = 1; id <= rows; ++id) {
        const Row r = generateRow(id);
        c.integer(r.id);
        r.qty ? c.integer(*r.qty) : c.null();
        c.integer(r.priceCents);
        r.name ? c.text(*r.name) : c.null();
        r.madeDays ? c.integer(*r.madeDays) : c.null();
        c.integer(r.stampSeconds);
        c.endRow();
    }
    return c;
}

namespace {

std::string diagnostics(SQLSMALLINT type, SQLHANDLE h) {
    std::string out;
    SQLCHAR state[6], text[1024];
    SQLINTEGER native;
    SQLSMALLINT len;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(type, h, i, state, &native, text, sizeof text, &len) == SQL_SUCCESS; ++i) {
        if (!out.empty()) out += "; ";
        out += reinterpret_cast<char*>(state);
        out += ": ";
        out += reinterpret_cast<char*>(text);
    }
    return out.empty() ? "no diagnostics" : out;
}

SQLRETURN check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const char* what) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA) return rc;
    throw BenchError(std::string(what) + " failed: " + diagnostics(type, h));
}

/// An ODBC 3 environment and one connection, freed on the way out.
class Connection {
public:
    explicit Connection(const std::string& connect) {
        check(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_), SQL_HANDLE_ENV, env_, "SQLAllocHandle(ENV)");
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        check(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_HANDLE_ENV, env_, "SQLAllocHandle(DBC)");
        check(SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)connect.c_str(), SQL_NTS, nullptr, 0, nullptr,
                               SQL_DRIVER_NOPROMPT),
              SQL_HANDLE_DBC, dbc_, "SQLDriverConnect");
        connected_ = true;
    }
    ~Connection() {
        if (connected_) SQLDisconnect(dbc_);
        if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    SQLHDBC dbc() const { return dbc_; }

    void autocommit(bool on) {
        check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0),
              SQL_HANDLE_DBC, dbc_, "SQLSetConnectAttr(AUTOCOMMIT)");
    }
    void endTran(bool commit) {
        check(SQLEndTran(SQL_HANDLE_DBC, dbc_, commit ? SQL_COMMIT : SQL_ROLLBACK), SQL_HANDLE_DBC, dbc_,
              "SQLEndTran");
    }

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

class Statement {
public:
    explicit Statement(const Connection& c) {
        check(SQLAllocHandle(SQL_HANDLE_STMT, c.dbc(), &stmt_), SQL_HANDLE_DBC, c.dbc(), "SQLAllocHandle(STMT)");
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT get() const { return stmt_; }
    SQLRETURN operator()(SQLRETURN rc, const char* what) const { return check(rc, SQL_HANDLE_STMT, stmt_, what); }
    void exec(const std::string& sql) const { (*this)(SQLExecDirect(stmt_, (SQLCHAR*)sql.c_str(), SQL_NTS), sql.c_str()); }

private:
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

/// Row count of `table`, or nothing when it cannot be read (no such table).
std::optional<std::int64_t> countRows(const Connection& c, const std::string& table) {
    Statement st(c);
    const std::string sql = "SELECT COUNT(*) FROM " + table;
    if (!SQL_SUCCEEDED(SQLExecDirect(st.get(), (SQLCHAR*)sql.c_str(), SQL_NTS))) return std::nullopt;
    SQLBIGINT n = 0;
    SQLLEN ind = 0;
    st(SQLBindCol(st.get(), 1, SQL_C_SBIGINT, &n, 0, &ind), "SQLBindCol(count)");
    if (st(SQLFetch(st.get()), "SQLFetch(count)") == SQL_NO_DATA) return std::nullopt;
    return n;
}

SQL_DATE_STRUCT toDate(std::int64_t days) {
    const Civil c = civilFromDays(days);
    return {static_cast<SQLSMALLINT>(c.year), static_cast<SQLUSMALLINT>(c.month), static_cast<SQLUSMALLINT>(c.day)};
}

SQL_TIMESTAMP_STRUCT toTimestamp(std::int64_t seconds) {
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const std::int64_t sod = seconds - days * 86400;
    const SQL_DATE_STRUCT d = toDate(days);
    return {d.year,
            d.month,
            d.day,
            static_cast<SQLUSMALLINT>(sod / 3600),
            static_cast<SQLUSMALLINT>(sod / 60 % 60),
            static_cast<SQLUSMALLINT>(sod % 60),
            0};
}

/// \brief Column-wise buffers of `batch` rows bound once to an INSERT with `batch` rows of
/// markers; refilled and executed per batch.
class BatchInsert {
public:
    BatchInsert(const Connection& c, const std::string& table, int batch)
        : st_(c), batch_(batch), qty_(batch), price_(batch), name_(static_cast<std::size_t>(batch) * (kNameWidth + 1)),
          made_(batch), stamp_(batch), id_(batch), ind_(static_cast<std::size_t>(batch) * 6) {
        std::string sql = "INSERT INTO " + table + " (" + kColumns + ") VALUES ";
        for (int r = 0; r < batch; ++r) sql += r ? ",(?,?,?,?,?,?)" : "(?,?,?,?,?,?)";
        st_(SQLPrepare(st_.get(), (SQLCHAR*)sql.c_str(), SQL_NTS), "SQLPrepare(INSERT)");
        for (int r = 0; r < batch; ++r) {
            const SQLUSMALLINT p = static_cast<SQLUSMALLINT>(r * 6);
            SQLLEN* ind = &ind_[static_cast<std::size_t>(r) * 6];
            bind(p + 1, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id_[r], 0, ind + 0);
            bind(p + 2, SQL_C_SLONG, SQL_INTEGER, 0, 0, &qty_[r], 0, ind + 1);
            bind(p + 3, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &price_[r], 0, ind + 2);
            bind(p + 4, SQL_C_CHAR, SQL_VARCHAR, kNameWidth, 0, &name_[static_cast<std::size_t>(r) * (kNameWidth + 1)],
                 kNameWidth + 1, ind + 3);
            bind(p + 5, SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10, 0, &made_[r], 0, ind + 4);
            bind(p + 6, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19, 0, &stamp_[r], 0, ind + 5);
        }
    }

    void set(int r, const Row& row) {
        SQLLEN* ind = &ind_[static_cast<std::size_t>(r) * 6];
        id_[r] = row.id;
        ind[0] = 0;
        qty_[r] = row.qty.value_or(0);
        ind[1] = row.qty ? 0 : SQL_NULL_DATA;
        price_[r] = static_cast<double>(row.priceCents) / 100.0;
        ind[2] = 0;
        char* name = &name_[static_cast<std::size_t>(r) * (kNameWidth + 1)];
        if (row.name) {
            const std::size_t n = std::min<std::size_t>(row.name->size(), kNameWidth);
            std::memcpy(name, row.name->data(), n);
            name[n] = 0;
            ind[3] = static_cast<SQLLEN>(n);
        } else {
            ind[3] = SQL_NULL_DATA;
        }
        if (row.madeDays) made_[r] = toDate(*row.madeDays);
        ind[4] = row.madeDays ? 0 : SQL_NULL_DATA;
        stamp_[r] = toTimestamp(row.stampSeconds);
        ind[5] = 0;
    }
    void execute() { st_(SQLExecute(st_.get()), "SQLExecute(INSERT)"); }
    int batch() const { return batch_; }

private:
    void bind(SQLUSMALLINT p, SQLSMALLINT ctype, SQLSMALLINT sqltype, SQLULEN size, SQLSMALLINT digits, void* data,
              SQLLEN len, SQLLEN* ind) {
        st_(SQLBindParameter(st_.get(), p, SQL_PARAM_INPUT, ctype, sqltype, size, digits, data, len, ind),
            "SQLBindParameter");
    }

    Statement st_;
    int batch_;
    std::vector<SQLINTEGER> qty_;
    std::vector<double> price_;
    std::vector<char> name_;
    std::vector<SQL_DATE_STRUCT> made_;
    std::vector<SQL_TIMESTAMP_STRUCT> stamp_;
    std::vector<SQLINTEGER> id_;
    std::vector<SQLLEN> ind_;
};

void createAndFill(Connection& c, const std::string& table, std::int32_t rows,
                   const std::function<void(const std::string&)>& progress) {
    c.autocommit(false);
    try {
        {
            Statement st(c);
            st.exec("CREATE TABLE " + table +
                    " (id INTEGER NOT NULL PRIMARY KEY, qty INTEGER, price NUMERIC(12,2) NOT NULL, name VARCHAR(" +
                    std::to_string(kNameWidth) + "), made DATE, stamp TIMESTAMP NOT NULL)");
        }
        // A few hundred rows a statement keeps the marker count under every engine's limit.
        constexpr int kBatch = 400;
        std::unique_ptr<BatchInsert> full;
        std::int32_t id = 1;
        while (id <= rows) {
            const int n = static_cast<int>(std::min<std::int64_t>(kBatch, rows - id + 1));
            std::unique_ptr<BatchInsert> tail;
            BatchInsert* ins;
            if (n == kBatch) {
                if (!full) full = std::make_unique<BatchInsert>(c, table, kBatch);
                ins = full.get();
            } else {
                tail = std::make_unique<BatchInsert>(c, table, n);
                ins = tail.get();
            }
            for (int r = 0; r < n; ++r) ins->set(r, generateRow(id + r));
            ins->execute();
            id += n;
            if (progress && (id - 1) % 200000 < n && id <= rows) progress(std::to_string(id - 1) + " rows");
        }
        c.endTran(true);
    } catch (...) {
        try {
            c.endTran(false);
        } catch (...) {
        }
        c.autocommit(true);
        throw;
    }
    c.autocommit(true);
}

/// \brief Column-wise block fetch: SQL_ATTR_ROW_ARRAY_SIZE rows per SQLFetch into bound arrays.
class RawReader : public Reader {
public:
    void connect(const Job& job) override { conn_ = std::make_unique<Connection>(job.connect); }

    Checksum read(const Job& job) override {
        const std::size_t n = static_cast<std::size_t>(job.rowSet);
        if (id_.size() != n) {
            id_.assign(n, 0);
            qty_.assign(n, 0);
            price_.assign(n, 0);
            name_.assign(n * (kNameWidth + 1), 0);
            made_.assign(n, {});
            stamp_.assign(n, {});
            ind_.assign(n * 6, 0);
            status_.assign(n, 0);
        }
        Statement st(*conn_);
        SQLHSTMT h = st.get();
        SQLULEN fetched = 0;
        st(SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
           "SQLSetStmtAttr(ROW_BIND_TYPE)");
        st(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(n), 0),
           "SQLSetStmtAttr(ROW_ARRAY_SIZE)");
        SQLULEN granted = 0;
        st(SQLGetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr), "SQLGetStmtAttr(ROW_ARRAY_SIZE)");
        if (granted < 1 || granted > n) throw BenchError("driver granted a row array of " + std::to_string(granted));
        st(SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, status_.data(), 0), "SQLSetStmtAttr(ROW_STATUS_PTR)");
        st(SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), "SQLSetStmtAttr(ROWS_FETCHED_PTR)");
        st(SQLExecDirect(h, (SQLCHAR*)job.sql.c_str(), SQL_NTS), "SQLExecDirect(SELECT)");
        SQLLEN* ind[6];
        for (int c = 0; c < 6; ++c) ind[c] = &ind_[c * n];
        st(SQLBindCol(h, 1, SQL_C_SLONG, id_.data(), 0, ind[0]), "SQLBindCol");
        st(SQLBindCol(h, 2, SQL_C_SLONG, qty_.data(), 0, ind[1]), "SQLBindCol");
        st(SQLBindCol(h, 3, SQL_C_DOUBLE, price_.data(), 0, ind[2]), "SQLBindCol");
        st(SQLBindCol(h, 4, SQL_C_CHAR, name_.data(), kNameWidth + 1, ind[3]), "SQLBindCol");
        st(SQLBindCol(h, 5, SQL_C_TYPE_DATE, made_.data(), 0, ind[4]), "SQLBindCol");
        st(SQLBindCol(h, 6, SQL_C_TYPE_TIMESTAMP, stamp_.data(), 0, ind[5]), "SQLBindCol");
        Checksum sum;
        while (st(SQLFetch(h), "SQLFetch") != SQL_NO_DATA) {
            for (std::size_t r = 0; r < fetched; ++r) {
                if (status_[r] != SQL_ROW_SUCCESS && status_[r] != SQL_ROW_SUCCESS_WITH_INFO) continue;
                ind[0][r] == SQL_NULL_DATA ? sum.null() : sum.integer(id_[r]);
                ind[1][r] == SQL_NULL_DATA ? sum.null() : sum.integer(qty_[r]);
                ind[2][r] == SQL_NULL_DATA ? sum.null() : sum.cents(price_[r]);
                if (ind[3][r] == SQL_NULL_DATA) {
                    sum.null();
                } else {
                    const SQLLEN len = ind[3][r];
                    const std::size_t k =
                        len == SQL_NO_TOTAL || len > kNameWidth ? kNameWidth : static_cast<std::size_t>(len);
                    sum.text(&name_[r * (kNameWidth + 1)], k);
                }
                if (ind[4][r] == SQL_NULL_DATA) {
                    sum.null();
                } else {
                    const SQL_DATE_STRUCT& d = made_[r];
                    sum.date(d.year, d.month, d.day);
                }
                if (ind[5][r] == SQL_NULL_DATA) {
                    sum.null();
                } else {
                    const SQL_TIMESTAMP_STRUCT& t = stamp_[r];
                    sum.timestamp(t.year, t.month, t.day, t.hour, t.minute, t.second);
                }
                sum.endRow();
            }
        }
        return sum;
    }

private:
    std::unique_ptr<Connection> conn_;
    std::vector<SQLINTEGER> id_, qty_;
    std::vector<double> price_;
    std::vector<char> name_;
    std::vector<SQL_DATE_STRUCT> made_;
    std::vector<SQL_TIMESTAMP_STRUCT> stamp_;
    std::vector<SQLLEN> ind_;
    std::vector<SQLUSMALLINT> status_;
};

}  // namespace

std::unique_ptr<Reader> makeRawReader() { return std::make_unique<RawReader>(); }

bool prepareTable(const Job& job, const std::string& table, std::int32_t rows,
                  const std::function<void(const std::string&)>& progress, bool anew) {
    Connection c(job.connect);
    const std::optional<std::int64_t> have = countRows(c, table);
    if (have && *have == rows && !anew) return false;
    if (have) {
        if (progress && *have != rows) progress(table + " has " + std::to_string(*have) + " rows; making it anew");
        Statement st(c);
        st.exec("DROP TABLE " + table);
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        createAndFill(c, table, rows, progress);
    } catch (const BenchError&) {
        // Another run on the same server may have made the table at the same moment.
        const std::optional<std::int64_t> now = countRows(c, table);
        if (now && *now == rows && !anew) return false;
        throw;
    }
    if (progress) {
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        char line[128];
        std::snprintf(line, sizeof line, "%s: %d rows written in %.1f s", table.c_str(), rows, s);
        progress(line);
    }
    return true;
}

}  // namespace fetchbench

#pragma once
// Bulk INSERTs over the ODBC C API: one prepared statement per table, column-wise parameter
// arrays where the driver takes them, commits every few thousand rows.
#include "Schema.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::shop {

/// \brief Failure of an ODBC call; what() carries the diagnostics.
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// \brief One ODBC connection in manual-commit mode for the load.
class Connection {
public:
    explicit Connection(const std::string& connectString);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void exec(const std::string& sql);
    /// Runs one statement with text values bound to its markers in order.
    void exec(const std::string& sql, const std::vector<std::string>& values);
    void commit();
    /// Whether the driver reported it takes parameter arrays (tried once on the first table).
    bool arrays() const { return arrays_; }
    void* dbc() const { return dbc_; }
    schema::Engine engine() const { return engine_; }

private:
    friend class TableLoader;
    void* env_ = nullptr;
    void* dbc_ = nullptr;
    bool connected_ = false;
    bool arrays_ = true;
    bool arraysChecked_ = false;
    schema::Engine engine_ = schema::Engine::SQLite;
};

struct Date {
    int year, month, day;
};

/// \brief Rows of one table, set column by column (index in stored order), sent in batches.
class TableLoader {
public:
    TableLoader(Connection& c, const schema::Table& table, std::size_t batchRows = 1000);
    ~TableLoader();
    TableLoader(const TableLoader&) = delete;
    TableLoader& operator=(const TableLoader&) = delete;

    /// Index of a column by name; throws LoadError for an unknown one.
    int column(std::string_view name) const;
    void setInt(int col, std::int64_t v);
    void setText(int col, std::string_view v);
    /// A fixed-point value: units of 10^-scale (cents: scale 2).
    void setFixed(int col, std::int64_t units, int scale);
    void setDate(int col, Date d);
    void setBool(int col, bool v);
    void setNull(int col);
    /// Ends the current row; sends the batch when full.
    void endRow();
    /// Sends what is left.
    void flush();

    const std::string& name() const { return name_; }
    std::int64_t rows() const { return rows_; }
    double seconds() const { return seconds_; }

private:
    struct Param;
    void bindAll(std::size_t n);
    Connection& c_;
    std::string name_;
    void* stmt_ = nullptr;
    std::vector<std::unique_ptr<Param>> params_;
    std::vector<std::string> names_;
    std::size_t batch_, filled_ = 0;
    std::int64_t rows_ = 0;
    double seconds_ = 0;
};

}  // namespace kestrum::shop

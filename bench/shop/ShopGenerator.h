#pragma once
// A deterministic shop database: the same seed and scale give the same rows on every engine.
#include <QDate>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace kestrum::shop {

/// \brief How many rows each table gets at a scale (1.0 is a shop that has run for twenty years).
struct Counts {
    std::int64_t parts, customers, vendors, employees, labor, banks, invoices, partLines, laborLines,
        payments, orders, orderLines, bills, billLines, billExpenses, payables, deposits;
    std::int64_t taxYears = 20;  // one Tax row per month of each year
};
Counts countsFor(double scale);

struct Options {
    std::string connect;  // ODBC connection string
    std::uint64_t seed = 1;
    double scale = 1.0;
    QDate until;  // last day of the data; today when null
    int openPercent = 8;  // share of invoices whose last payment leaves a balance (still open)
    std::function<void(const std::string&)> progress;  // optional
};

struct TableResult {
    std::int64_t rows = 0;
    double seconds = 0;  // time spent sending the rows
};

/// \brief Creates the schema on an empty database (refuses, changing nothing, when any table
/// exists: kestrum::schema::SchemaError) and fills it. Throws LoadError on a failed insert.
std::map<std::string, TableResult> makeShop(const Options& options);

}  // namespace kestrum::shop

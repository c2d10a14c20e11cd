#pragma once
// odbc-fetch: the data set every reader fetches, the checksum every reader must agree on, and
// the interface a reader implements.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fetchbench {

/// Days since 1970-01-01 of a civil date (proleptic Gregorian).
constexpr std::int64_t daysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    int year;
    unsigned month, day;
};
constexpr Civil civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int y = static_cast<int>(yoe) + static_cast<int>(era) * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp + (mp < 10 ? 3 : -9);
    return {y + (m <= 2), m, d};
}

/// \brief One row of the table, as the generator makes it (the reference for the checksum).
struct Row {
    std::int32_t id;
    std::optional<std::int32_t> qty;
    std::int64_t priceCents;
    std::optional<std::string> name;
    std::optional<std::int64_t> madeDays;  // days since 1970-01-01
    std::int64_t stampSeconds;             // seconds since 1970-01-01 00:00:00
};

/// Row `id` (1-based). Nulls in three columns so readers must tell null from a value.
Row generateRow(std::int32_t id);

/// The columns in the order every reader selects them.
inline constexpr const char* kColumns = "id, qty, price, name, made, stamp";
inline constexpr int kNameWidth = 60;

/// \brief Order-independent checksum of a result: readers feed the values of each row in column
/// order, each one as the same canonical value whatever type their library gives it.
class Checksum {
public:
    /// Rows of every checksum that are also written to stderr as canonical values (--show).
    static inline std::uint64_t showRows = 0;

    void integer(std::int64_t v) {
        if (rows_ < showRows) show(std::to_string(v));
        h_ = mix(h_ ^ (static_cast<std::uint64_t>(v) + 0x9e3779b97f4a7c15ull));
    }
    void null() {
        if (rows_ < showRows) show("NULL");
        h_ = mix(h_ ^ 0x6e756c6c6e756c6cull);
    }
    /// Decimal with two places; a double from the driver is rounded to cents.
    void cents(double v) { integer(std::llround(v * 100.0)); }
    void text(const char* p, std::size_t n) {
        if (rows_ < showRows) show("'" + std::string(p, n) + "'");
        std::uint64_t t = 0xcbf29ce484222325ull ^ n;
        while (n >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            t = mix(t ^ w);
            p += 8;
            n -= 8;
        }
        std::uint64_t w = 0;
        std::memcpy(&w, p, n);
        h_ = mix(h_ ^ mix(t ^ w ^ 0x7465787400000000ull));
    }
    void text(std::string_view s) { text(s.data(), s.size()); }
    void date(int y, unsigned m, unsigned d) { integer(daysFromCivil(y, m, d)); }
    void timestamp(int y, unsigned m, unsigned d, unsigned hh, unsigned mi, unsigned ss) {
        integer(daysFromCivil(y, m, d) * 86400 + hh * 3600 + mi * 60 + ss);
    }
    void endRow() {
        if (rows_ < showRows) show("\n");
        sum_ += mix(h_);
        h_ = kSeed;
        ++rows_;
    }

    std::uint64_t rows() const { return rows_; }
    std::uint64_t sum() const { return sum_; }

private:
    static void show(const std::string& v);
    static constexpr std::uint64_t kSeed = 0x243f6a8885a308d3ull;
    static std::uint64_t mix(std::uint64_t x) {
        x ^= x >> 30;
        x *= 0xbf58476d1ce4e5b9ull;
        x ^= x >> 27;
        x *= 0x94d049bb133111ebull;
        x ^= x >> 31;
        return x;
    }
    std::uint64_t h_ = kSeed;
    std::uint64_t sum_ = 0;
    std::uint64_t rows_ = 0;
};

/// The checksum of the rows 1..rows as generated.
Checksum expectedChecksum(std::int32_t rows);

enum class Engine { SQLite, PostgreSQL };

/// \brief What a reader is given: where to connect and what to run.
struct Job {
    Engine engine;
    std::string connect;  // ODBC connection string
    std::string sql;      // the SELECT over the table
    int rowSet;           // rows per block for the readers that fetch in blocks
};

/// \brief One way of reading the result. connect() is not timed; read() is: it runs the
/// statement, fetches every row and feeds every value to the checksum.
class Reader {
public:
    virtual ~Reader() = default;
    virtual void connect(const Job& job) = 0;
    virtual Checksum read(const Job& job) = 0;
};

/// \brief A reader this build knows, or one it was built without (make is then null).
struct ReaderKind {
    std::string name;        // short name for --readers
    std::string title;       // column in the report
    std::string missing;     // why it is not built (empty when built)
    std::function<std::unique_ptr<Reader>()> make;
};

/// Every reader in report order: raw ODBC first (the others are compared with it).
std::vector<ReaderKind> readerKinds();

/// Thrown for a failing ODBC call or a failing peer; what() says where.
class BenchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raw ODBC (RawOdbc.cpp): the lower bound reader and the table set-up.
std::unique_ptr<Reader> makeRawReader();
// The others, each in a file of its own that is built only when its library was found.
std::unique_ptr<Reader> makeVantrelBlockReader();
std::unique_ptr<Reader> makeVantrelScrollReader();
std::unique_ptr<Reader> makeSociReader();
std::unique_ptr<Reader> makePocoReader();
std::unique_ptr<Reader> makeQtReader();
/// Empty when Qt SQL's ODBC driver can be loaded, else why not.
std::string qtOdbcMissing();
/// Makes sure `table` holds rows 1..rows of the generator; returns false when it was reused.
/// A table of the right size is kept unless `anew` is set.
bool prepareTable(const Job& job, const std::string& table, std::int32_t rows,
                  const std::function<void(const std::string&)>& progress, bool anew = false);

}  // namespace fetchbench

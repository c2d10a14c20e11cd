// odbc-fetch: reads the same six-column result from SQLite and PostgreSQL through raw ODBC,
// Vantrel's block cursor and scrollable dataset and the peer libraries that are built in, and
// prints rows/s, the ratio to raw ODBC and whether every reader saw the same values.
#include "odbc-fetch-config.h"
#include "odbc-fetch/FetchBench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <sstream>

namespace fetchbench {

std::vector<ReaderKind> readerKinds() {
    std::vector<ReaderKind> k;
    k.push_back({"raw", "raw ODBC, block fetch", "", makeRawReader});
#ifdef FETCHBENCH_WITH_VANTREL
    k.push_back({"vantrel-block", "Vantrel forward-only block", "", makeVantrelBlockReader});
    k.push_back({"vantrel-scroll", "Vantrel scrollable dataset", "", makeVantrelScrollReader});
#else
    k.push_back({"vantrel-block", "Vantrel forward-only block", "not built: " FETCHBENCH_WITHOUT_VANTREL, nullptr});
    k.push_back({"vantrel-scroll", "Vantrel scrollable dataset", "not built: " FETCHBENCH_WITHOUT_VANTREL, nullptr});
#endif
#ifdef FETCHBENCH_WITH_SOCI
    k.push_back({"soci", "SOCI odbc backend", "", makeSociReader});
#else
    k.push_back({"soci", "SOCI odbc backend", "not built: " FETCHBENCH_WITHOUT_SOCI, nullptr});
#endif
#ifdef FETCHBENCH_WITH_POCO
    k.push_back({"poco", "POCO Data ODBC", "", makePocoReader});
#else
    k.push_back({"poco", "POCO Data ODBC", "not built: " FETCHBENCH_WITHOUT_POCO, nullptr});
#endif
#ifdef FETCHBENCH_WITH_QT
    {
        std::string why = qtOdbcMissing();
        k.push_back({"qt", "Qt SQL QODBC", why, why.empty() ? std::function(makeQtReader) : nullptr});
    }
#else
    k.push_back({"qt", "Qt SQL QODBC", "not built: " FETCHBENCH_WITHOUT_QT, nullptr});
#endif
    return k;
}

}  // namespace fetchbench

namespace {

using namespace fetchbench;

int usage() {
    std::fprintf(stderr,
                 "usage: odbc-fetch [--rows N] [--engine sqlite|pg|both] [--sqlite-file PATH] [--pg CONNECT]\n"
                 "                  [--rowset N] [--repeat N] [--readers a,b,...] [--show ROWS]\n"
                 "  Reads one N-row result (default 1000000) through every reader built in and compares\n"
                 "  them with raw ODBC. PostgreSQL: --pg or TEST_PG_ODBC; without either, 'both' skips it.\n"
                 "  Readers: raw, vantrel-block, vantrel-scroll, soci, poco, qt (raw always runs).\n"
                 "  --show writes the first ROWS rows each reader saw to stderr, as the checksum took them.\n");
    return 2;
}

struct Options {
    std::int32_t rows = 1000000;
    std::string engine = "both";
    std::string sqliteFile;
    std::string pg;
    int rowSet = 256;
    int repeat = 1;
    std::vector<std::string> readers;
};

struct Figure {
    std::vector<double> seconds;
    std::vector<double> cpu;
    Checksum sum;
    std::string error;
    bool ran = false;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string grouped(double v) {
    std::string s = std::to_string(static_cast<long long>(std::llround(v)));
    for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<std::size_t>(i), ",");
    return s;
}

void progress(const std::string& text) { std::fprintf(stderr, "  %s\n", text.c_str()); }

/// Runs every chosen reader on one engine and prints its table; false when a reader failed or
/// disagreed.
bool runEngine(const Options& o, Engine engine, const std::string& connect, const std::vector<ReaderKind>& kinds,
               const Checksum& expected) {
    const char* label = engine == Engine::SQLite ? "SQLite" : "PostgreSQL";
    const std::string table = "fetchbench_v2_" + std::to_string(o.rows);
    Job job{engine, connect, std::string("SELECT ") + kColumns + " FROM " + table, o.rowSet};
    std::fprintf(stderr, "%s: preparing %s\n", label, table.c_str());
    try {
        if (!prepareTable(job, table, o.rows, progress)) progress(table + " reused");
    } catch (const std::exception& e) {
        std::printf("%s: could not prepare the table: %s\n", label, e.what());
        return false;
    }

    std::vector<std::unique_ptr<Reader>> readers(kinds.size());
    std::vector<Figure> figures(kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (!kinds[i].make) continue;
        try {
            readers[i] = kinds[i].make();
            readers[i]->connect(job);
        } catch (const std::exception& e) {
            figures[i].error = std::string("connect: ") + e.what();
            readers[i].reset();
        }
    }
    // One untimed pass brings the table into the caches (and sets PostgreSQL's hint bits). A
    // table left with other values (changed by hand, an older generator) is made anew.
    if (readers[0]) {
        try {
            std::fprintf(stderr, "%s: warm-up read\n", label);
            const Checksum seen = readers[0]->read(job);
            if (seen.rows() != expected.rows() || seen.sum() != expected.sum()) {
                progress(table + " holds other values than generated; making it anew");
                prepareTable(job, table, o.rows, progress, true);
                readers[0]->read(job);
            }
        } catch (const std::exception& e) {
            progress(std::string("warm-up read failed: ") + e.what());
        }
    }
    // Round robin over the readers so drift of the machine's speed spreads over all of them.
    for (int rep = 0; rep < o.repeat; ++rep) {
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            if (!readers[i]) continue;
            std::fprintf(stderr, "%s: %s, run %d%s", label, kinds[i].title.c_str(), rep + 1,
                         Checksum::showRows ? ":\n" : "\n");
            try {
                const double cpu0 = processCpuSeconds();
                const auto start = std::chrono::steady_clock::now();
                Checksum sum = readers[i]->read(job);
                figures[i].seconds.push_back(
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
                figures[i].cpu.push_back(processCpuSeconds() - cpu0);
                if (figures[i].ran && (sum.rows() != figures[i].sum.rows() || sum.sum() != figures[i].sum.sum()))
                    figures[i].error = "runs disagree with each other";
                figures[i].sum = sum;
                figures[i].ran = true;
            } catch (const std::exception& e) {
                figures[i].error = e.what();
                readers[i].reset();
            }
        }
    }
    readers.clear();

    std::printf("\n%s, %s rows of 6 columns, row set %d, median of %d run%s\n", label, grouped(o.rows).c_str(),
                o.rowSet, o.repeat, o.repeat == 1 ? "" : "s");
    std::printf("%-28s %11s %8s %7s %8s %7s %8s  %-16s %s\n", "reader", "rows/s", "wall s", "vs raw", "cpu s",
                "vs raw", "rows", "checksum", "values");
    const double rawSeconds = figures[0].ran ? median(figures[0].seconds) : 0;
    const double rawCpu = figures[0].ran ? median(figures[0].cpu) : 0;
    bool ok = true;
    std::vector<std::string> skipped;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const Figure& f = figures[i];
        if (!kinds[i].make) {
            skipped.push_back(kinds[i].name + " (" + kinds[i].missing + ")");
            continue;
        }
        if (!f.ran || !f.error.empty()) {
            std::printf("%-28s FAILED: %s\n", kinds[i].title.c_str(), f.error.empty() ? "did not run" : f.error.c_str());
            ok = false;
            if (!f.ran) continue;
        }
        const double s = median(f.seconds);
        const double cpu = median(f.cpu);
        const bool same = f.sum.rows() == expected.rows() && f.sum.sum() == expected.sum();
        ok = ok && same;
        char ratio[16] = "-", cpuRatio[16] = "-";
        if (rawSeconds > 0 && s > 0) std::snprintf(ratio, sizeof ratio, "%.2f", rawSeconds / s);
        if (rawCpu > 0 && cpu > 0) std::snprintf(cpuRatio, sizeof cpuRatio, "%.2f", rawCpu / cpu);
        std::printf("%-28s %11s %8.3f %7s %8.3f %7s %8llu  %016llx %s\n", kinds[i].title.c_str(),
                    grouped(static_cast<double>(f.sum.rows()) / s).c_str(), s, ratio, cpu, cpuRatio,
                    static_cast<unsigned long long>(f.sum.rows()), static_cast<unsigned long long>(f.sum.sum()),
                    same ? "same" : "DIFFERENT");
    }
    std::printf("%-28s %11s %8s %7s %8s %7s %8llu  %016llx\n", "(generated)", "", "", "", "", "",
                static_cast<unsigned long long>(expected.rows()), static_cast<unsigned long long>(expected.sum()));
    std::printf("rows/s by wall time; vs raw: raw ODBC's time over the reader's (1.00 = as fast as raw, 0.50 = half\n"
                "as fast); cpu s: this process only (%s)\n",
                engine == Engine::SQLite ? "the whole engine runs in it"
                                         : "the server's share is not in it, the same for every reader");
    for (const std::string& s : skipped) std::printf("skipped: %s\n", s.c_str());
    std::printf("%s: %s\n", label, ok ? "every reader saw the same rows and values" : "READERS DISAGREE OR FAILED");
    std::fflush(stdout);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    // Qt turns ODBC timestamps into local date-times; a zone with daylight saving would shift
    // the hours that do not exist locally, so every reader works in UTC.
    setenv("TZ", "UTC", 1);
    tzset();

    Options o;
    std::string readersArg;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") return usage();
        if (i + 1 >= argc) return usage();
        const std::string v = argv[++i];
        try {
            if (a == "--rows") {
                const long long n = std::stoll(v);
                if (n < 1 || n > 50000000) throw std::out_of_range("rows");
                o.rows = static_cast<std::int32_t>(n);
            } else if (a == "--engine") {
                if (v != "sqlite" && v != "pg" && v != "both") return usage();
                o.engine = v;
            } else if (a == "--sqlite-file") {
                o.sqliteFile = v;
            } else if (a == "--pg") {
                o.pg = v;
            } else if (a == "--rowset") {
                o.rowSet = std::stoi(v);
                if (o.rowSet < 1 || o.rowSet > 100000) throw std::out_of_range("rowset");
            } else if (a == "--repeat") {
                o.repeat = std::stoi(v);
                if (o.repeat < 1 || o.repeat > 100) throw std::out_of_range("repeat");
            } else if (a == "--show") {
                Checksum::showRows = static_cast<std::uint64_t>(std::stoul(v));
            } else if (a == "--readers") {
                readersArg = v;
            } else {
                return usage();
            }
        } catch (const std::exception&) {
            std::fprintf(stderr, "odbc-fetch: bad value for %s: %s\n", a.c_str(), v.c_str());
            return 2;
        }
    }
    if (o.sqliteFile.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        o.sqliteFile = std::string(tmp && *tmp ? tmp : "/tmp") + "/vantrel-odbc-fetch.db";
    }
    if (o.pg.empty()) {
        if (const char* env = std::getenv("TEST_PG_ODBC")) o.pg = env;
    }
    if (o.engine == "pg" && o.pg.empty()) {
        std::fprintf(stderr, "odbc-fetch: --engine pg needs --pg or TEST_PG_ODBC\n");
        return 2;
    }

    std::vector<ReaderKind> kinds = readerKinds();
    if (!readersArg.empty()) {
        std::vector<std::string> wanted;
        std::stringstream ss(readersArg);
        for (std::string w; std::getline(ss, w, ',');)
            if (!w.empty()) wanted.push_back(w);
        for (const std::string& w : wanted) {
            if (std::none_of(kinds.begin(), kinds.end(), [&](const ReaderKind& k) { return k.name == w; })) {
                std::fprintf(stderr, "odbc-fetch: unknown reader %s\n", w.c_str());
                return usage();
            }
        }
        // raw stays: the others are measured against it.
        std::erase_if(kinds, [&](const ReaderKind& k) {
            return k.name != "raw" && std::find(wanted.begin(), wanted.end(), k.name) == wanted.end();
        });
    }

    std::fprintf(stderr, "computing the checksum of %d generated rows\n", o.rows);
    const Checksum expected = expectedChecksum(o.rows);
    bool ok = true;
    if (o.engine != "pg")
        ok = runEngine(o, Engine::SQLite, "Driver=SQLite3;Database=" + o.sqliteFile + ";", kinds, expected) && ok;
    if (o.engine != "sqlite") {
        if (o.pg.empty())
            std::printf("\nPostgreSQL: skipped (no --pg and no TEST_PG_ODBC)\n");
        else
            ok = runEngine(o, Engine::PostgreSQL, o.pg, kinds, expected) && ok;
    }
    return ok ? 0 : 1;
}

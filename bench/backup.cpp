// backup: the database check at start, a backup (copy and its verification) and a verified
// restore of a make-shop database, as the Database menu and the command line do them; prints the
// median and 95th percentile (ms) of each, and the median CPU time of the program and the client
// programs it ran (more than the wall time where work runs side by side). The menu backup is also
// shown split into the copy (with the live row counts beside it) and the check of the copy; the
// restore into its check, the "before-restore" copy and the replacement.
//
//   backup --connect "Driver={SQLite3};Database=/tmp/shop-full.db;" [--runs 3] [--out DIR]
//          [--check-variants yes] [--only REGEX] [--steps yes]
//
// --steps yes prints each menu backup's steps as they ran: the copy, the flush to disk, every piece
// of the check with the connection it ran on, start and end from the backup's start, and CPU.
//
// --only times only the steps whose name matches (e.g. "menu"); the restore then restores a backup
// taken untimed when no step before it took one.
//
// --check-variants also times, on each run's fresh backup, the one-connection integrity_check
// under the connection settings that could make it faster (plain, memory-mapped, a large page
// cache, temporary storage in memory, the file read once beforehand) beside the check the
// program runs (pieces side by side).
//
// The restore puts the backup just taken back in place of the database (the same data), so run it
// on a copy of the data set. On PostgreSQL it restores into the connected database (pg_restore
// --clean in one transaction).
#include "DataModule.h"
#include "DatabaseBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QRegularExpression>
#include <QSqlError>

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
std::map<std::string, std::vector<double>> samples, cpuSamples;

// CPU time (ms) of this process's threads and of the children it waited for.
double cpuMs() {
    double ms = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        ms += (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    }
    return ms;
}

QRegularExpression only;

bool wanted(const std::string& what) { return only.pattern().isEmpty() || only.match(QString::fromStdString(what)).hasMatch(); }

void timed(const std::string& what, const std::function<void()>& f) {
    const double c0 = cpuMs();
    const auto t0 = Clock::now();
    f();
    samples[what].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    cpuSamples[what].push_back(cpuMs() - c0);
}

// The menu backup's steps in the order they ended, and when each connection of the check went idle.
void printSteps(const std::vector<kestrum::backup::StepTime>& steps, double originMs) {
    std::printf("menu backup, steps (ms from its start; connection -1 is a thread of its own):\n");
    std::printf("  %-44s %4s %9s %9s %9s %9s\n", "step", "conn", "start", "end", "wall", "cpu");
    std::map<int, double> lastEnd;
    double checkEnd = 0;
    for (const auto& t : steps) {
        std::printf("  %-44s %4d %9.0f %9.0f %9.0f %9.0f\n", qPrintable(t.step), t.worker, t.startMs - originMs,
                    t.endMs - originMs, t.endMs - t.startMs, t.cpuMs);
        if (t.worker >= 0 && t.step != "copy" && t.step != "rename") {
            lastEnd[t.worker] = std::max(lastEnd[t.worker], t.endMs - originMs);
            checkEnd = std::max(checkEnd, t.endMs - originMs);
        }
    }
    for (const auto& [worker, end] : lastEnd)
        std::printf("  connection %d of the check: last piece ends at %.0f, idle %.0f ms before the check ends\n", worker, end,
                    checkEnd - end);
}

// A step of the program, timed unless --only leaves it out.
void step(const std::string& what, const std::function<void()>& f) {
    if (wanted(what)) timed(what, f);
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

kestrum::backup::Location locateDatabase(const QString& connection) {
    kestrum::backup::Location where;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "bench-backup");
        db.setDatabaseName(kestrum::qtOdbcDatabaseName(connection));
        if (!db.open()) throw kestrum::backup::BackupError("cannot connect: " + db.lastError().text());
        where = kestrum::backup::locate(db, connection);
        db.close();
    }
    QSqlDatabase::removeDatabase("bench-backup");
    return where;
}

// One connection's integrity_check after `setup`, as the program ran it before it was split.
void serialCheck(const QString& file, const char* setup) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string result;
    sqlite3_exec(db, setup, nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA integrity_check(20)", [](void* r, int, char** v, char**) {
        *static_cast<std::string*>(r) += v[0];
        return 0;
    }, &result, nullptr);
    sqlite3_close(db);
    if (result != "ok") throw kestrum::backup::BackupError("integrity_check: " + QString::fromStdString(result));
}

// Reads the whole file once, in order (what a check then finds in the system's cache).
void readThrough(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) throw kestrum::backup::BackupError("cannot read " + file);
    while (!f.read(8 << 20).isEmpty()) {
    }
}

void checkVariants(const QString& file) {
    timed("check: one connection, plain", [&] { serialCheck(file, ""); });
    timed("check: one connection, mmap", [&] { serialCheck(file, "PRAGMA mmap_size=2147483648"); });
    timed("check: one connection, mmap + cache_size 1 GB",
          [&] { serialCheck(file, "PRAGMA mmap_size=2147483648; PRAGMA cache_size=-1048576"); });
    timed("check: one connection, cache_size 1 GB", [&] { serialCheck(file, "PRAGMA cache_size=-1048576"); });
    timed("check: one connection, mmap + temp_store memory",
          [&] { serialCheck(file, "PRAGMA mmap_size=2147483648; PRAGMA temp_store=MEMORY"); });
    timed("check: file read first, then one connection, mmap", [&] {
        readThrough(file);
        serialCheck(file, "PRAGMA mmap_size=2147483648");
    });
    timed("check: the program's (pieces side by side)", [&] {
        if (kestrum::backup::integrityCheck(file, false) != "ok") throw kestrum::backup::BackupError("check failed");
    });
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString connection, out = QDir::tempPath();
    int runs = 3;
    bool variants = false, showSteps = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString a = argv[i];
        if (a == "--connect") connection = argv[i + 1];
        else if (a == "--runs") runs = std::max(1, atoi(argv[i + 1]));
        else if (a == "--out") out = argv[i + 1];
        else if (a == "--check-variants") variants = QString(argv[i + 1]) == "yes";
        else if (a == "--steps") showSteps = QString(argv[i + 1]) == "yes";
        else if (a == "--only") only = QRegularExpression(argv[i + 1], QRegularExpression::CaseInsensitiveOption);
    }
    if (connection.isEmpty()) {
        std::fprintf(stderr, "usage: backup --connect CONNECTION [--runs N] [--out DIR] [--check-variants yes] [--only REGEX] "
                     "[--steps yes]\n");
        return 2;
    }
    using namespace kestrum::backup;
    try {
        const Location where = locateDatabase(connection);
        const QString file = QDir(out).filePath(backupName(where, Kind::Manual));
        BackupSettings beforeRestore;
        beforeRestore.folder = QDir(out).filePath("before-restore");
        for (int r = 0; r < runs; ++r) {
            QFile::remove(file);
            if (!where.postgres()) {
                step("quick_check at start (worker thread, login not waiting)", [&] {
                    if (integrityCheck(where.file, true) != "ok") throw BackupError("quick_check failed");
                });
                step("Check Database (integrity_check in pieces)", [&] { integrityCheck(where.file, false); });
            }
            // The copy ends where the check's progress (total unknown) starts.
            Clock::time_point checkStarts{};
            double cpuAtCheck = 0;
            const Progress phases = [&](qint64, qint64 total) {
                if (total == 0 && checkStarts == Clock::time_point{}) {
                    checkStarts = Clock::now();
                    cpuAtCheck = cpuMs();
                }
                return true;
            };
            std::vector<StepTime> steps;
            if (showSteps) setStepLog([&steps](const StepTime& t) { steps.push_back(t); });
            const double c0 = cpuMs();
            const auto t0 = Clock::now();
            step("backup, menu (copy, integrity_check, counts)", [&] { backUp(where, file, phases); });
            setStepLog({});
            if (!steps.empty()) printSteps(steps, std::chrono::duration<double, std::milli>(t0.time_since_epoch()).count());
            if (!where.postgres() && checkStarts != Clock::time_point{}) {
                const auto t1 = Clock::now();
                const double c1 = cpuMs();
                samples["  of which the copy and the live counts"].push_back(
                    std::chrono::duration<double, std::milli>(checkStarts - t0).count());
                cpuSamples["  of which the copy and the live counts"].push_back(cpuAtCheck - c0);
                samples["  of which the check, counts and fsync"].push_back(
                    std::chrono::duration<double, std::milli>(t1 - checkStarts).count());
                cpuSamples["  of which the check, counts and fsync"].push_back(c1 - cpuAtCheck);
            }
            if (!where.postgres()) {
                if (variants && QFile::exists(file)) checkVariants(file);
                if (wanted("backup, automatic (copy, quick_check, counts)")) QFile::remove(file);
                step("backup, automatic (copy, quick_check, counts)", [&] { backUp(where, file, {}, Verify::Quick); });
            }
            // As the Database menu does it: the backup checked, the database saved as
            // "before-restore", then replaced.
            if (wanted("verified restore (check, before-restore, put in place)") && !QFile::exists(file))
                backUp(where, file, {}, Verify::Quick);
            step("verified restore (check, before-restore, put in place)", [&] {
                timed("  of which the check of the backup", [&] { inspect(where, file); });
                QString before;
                timed("  of which the before-restore copy",
                      [&] { before = backUpToFolder(where, beforeRestore, Kind::BeforeRestore); });
                timed("  of which putting it in place", [&] { restoreInPlace(where, file, true); });
                QFile::remove(before);
            });
            std::fprintf(stderr, "run %d of %d done\n", r + 1, runs);
        }
        std::printf("%-52s %10s %10s %10s\n", "", "median", "p95", "cpu");
        for (const auto& [what, v] : samples)
            std::printf("%-52s %10.1f %10.1f %10.1f\n", what.c_str(), percentile(v, 0.5), percentile(v, 0.95),
                        percentile(cpuSamples[what], 0.5));
        std::printf("backup file: %s (%lld bytes)\n", qPrintable(file), static_cast<long long>(QFile(file).size()));
        QFile::remove(file);
        QDir().rmdir(beforeRestore.folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "backup: %s\n", e.what());
        return 1;
    }
    return 0;
}

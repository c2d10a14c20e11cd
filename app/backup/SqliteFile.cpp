#include "SqliteFile.h"

#include "BlockWrites.h"
#include "PartialFile.h"
#include "Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QThread>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kestrum::backup {
namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

std::mutex stepLogMutex;
std::function<void(const StepTime&)> stepLog;

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double steadyMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Hands the step's times to the log, if one is set, when the step ends.
class TimedStep {
public:
    TimedStep(QString step, int worker) : on_(bool(stepLog)) {
        if (!on_) return;
        time_.step = std::move(step);
        time_.worker = worker;
        time_.startMs = steadyMs();
        cpu0_ = threadCpuMs();
    }
    ~TimedStep() {
        if (!on_) return;
        time_.endMs = steadyMs();
        time_.cpuMs = threadCpuMs() - cpu0_;
        std::lock_guard lock(stepLogMutex);
        if (stepLog) stepLog(time_);
    }
    TimedStep(const TimedStep&) = delete;
    TimedStep& operator=(const TimedStep&) = delete;

private:
    bool on_;
    StepTime time_;
    double cpu0_ = 0;
};

struct Db {
    sqlite3* h = nullptr;
    QString path;
    Db(const QString& file, int flags, const char* vfs = nullptr) : path(file) {
        const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &h, flags, vfs);
        if (rc != SQLITE_OK)
            throw BackupError(QStringLiteral("Cannot open \"%1\": %2").arg(shown(file), message()));
        sqlite3_busy_timeout(h, 10000);
    }
    ~Db() { sqlite3_close_v2(h); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;
    QString message() const { return h ? QString::fromUtf8(sqlite3_errmsg(h)) : QStringLiteral("out of memory"); }
};

// The connections of one check share the caller's progress (called by one at a time) and a stop
// that reaches them all.
struct CheckControl {
    const Progress* progress = nullptr;
    std::mutex mutex;
    std::atomic<bool> stop{false};
    qint64 ticks = 0;
    bool keepGoing() {
        if (stop) return false;
        std::lock_guard lock(mutex);
        ++ticks;
        if (*progress && !(*progress)(ticks, 0)) stop = true;
        return !stop;
    }
    static int callback(void* self) { return static_cast<CheckControl*>(self)->keepGoing() ? 0 : 1; }
};

class Statement {
public:
    Statement(Db& db, const QString& sql) : db_(db) {
        if (sqlite3_prepare_v2(db.h, sql.toUtf8().constData(), -1, &st_, nullptr) != SQLITE_OK)
            throw BackupError(QStringLiteral("\"%1\" cannot be read as a database: %2").arg(shown(db.path), db.message()));
    }
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    // True while there is a row.
    bool next() {
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        if (rc == SQLITE_INTERRUPT) throw Cancelled();
        throw BackupError(QStringLiteral("\"%1\" cannot be read as a database: %2").arg(shown(db_.path), db_.message()));
    }
    QString text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st_, column)));
    }
    qint64 integer(int column) const { return sqlite3_column_int64(st_, column); }

private:
    Db& db_;
    sqlite3_stmt* st_ = nullptr;
};

void exec(Db& db, const char* sql) {
    Statement s(db, QString::fromLatin1(sql));
    while (s.next()) {
    }
}

QString quoted(const QString& identifier) {
    QString q = identifier;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QStringList tableNames(Db& db) {
    QStringList names;
    Statement s(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
                                   "ESCAPE '\\' ORDER BY name"));
    while (s.next()) names << s.text(0);
    return names;
}

TableCounts countRows(Db& db) {
    TableCounts counts;
    for (const QString& t : tableNames(db)) {
        Statement s(db, QStringLiteral("SELECT count(*) FROM %1").arg(quoted(t)));
        counts.insert(t, s.next() ? s.integer(0) : 0);
    }
    return counts;
}

// Connections that read the whole file: a memory map over it (the checks visit pages many times,
// each a system call otherwise; the library maps no more than the file and at most its own bound,
// 2 GB here). A 256 MB page cache beside the map measured no gain, so each connection keeps the
// default one.
void tuneForReading(Db& db) {
    exec(db, "PRAGMA mmap_size = 2147483648");
}

QStringList runPragma(Db& db, const QString& pragma) {
    QStringList lines;
    Statement s(db, pragma);
    while (s.next()) lines << s.text(0);
    return lines;
}

// One piece of a check, run on whichever connection is free.
struct Piece {
    Piece(QString n, qint64 w, std::function<QStringList(Db&)> r, bool c = true)
        : name(std::move(n)), weight(w), run(std::move(r)), check(c) {}
    QString name;
    qint64 weight = 1;
    std::function<QStringList(Db&)> run;
    bool check = true;  // a check answers at least one line
    QStringList lines;
    std::exception_ptr error;
};

// Runs the pieces side by side on read-only connections of their own (`first` is one of them),
// the heaviest first: the longest piece starts at once on one core while the others share the
// rest, so none starts last. Throws Cancelled when the control said stop, the first real error
// otherwise.
void runPieces(Db& first, std::vector<Piece>& pieces, CheckControl& control) {
    std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.weight > b.weight; });
    std::atomic<std::size_t> next{0};
    const auto work = [&](Db* own, int worker) {
        std::optional<Db> opened;
        for (std::size_t i; (i = next++) < pieces.size() && !control.stop;) {
            try {
                if (!own) {
                    own = &opened.emplace(first.path, SQLITE_OPEN_READONLY);
                    tuneForReading(*own);
                }
                sqlite3_progress_handler(own->h, 20000, &CheckControl::callback, &control);
                TimedStep timed(pieces[i].name, worker);
                pieces[i].lines = pieces[i].run(*own);
            } catch (...) {
                pieces[i].error = std::current_exception();
                control.stop = true;
            }
            if (own) sqlite3_progress_handler(own->h, 0, nullptr, nullptr);
        }
    };
    const int helpers = std::clamp(QThread::idealThreadCount(), 1, 4) - 1;
    std::vector<std::thread> threads;
    for (int i = 0; i < helpers && std::size_t(i + 1) < pieces.size(); ++i) threads.emplace_back(work, nullptr, i + 1);
    work(&first, 0);
    for (std::thread& t : threads) t.join();

    // A real error rather than the stops it caused in the other pieces.
    std::exception_ptr cancelled;
    for (const Piece& p : pieces) {
        if (!p.error) continue;
        try {
            std::rethrow_exception(p.error);
        } catch (const Cancelled&) {
            cancelled = p.error;
        }
    }
    if (cancelled || control.stop) throw Cancelled();
}

struct CheckResult {
    QString integrity;  // "ok" or the problems found
    TableCounts counts;  // when asked for
};

// quick_check, or integrity_check in pieces: quick_check of the whole file (every page and record,
// the free list, pages used twice or never) and integrity_check of each table (its rows against
// its indexes, its constraints), which together check all that integrity_check does. The row
// counts, when asked for, are one more piece beside them. On a live database each piece reads one
// moment of it.
CheckResult checkAndCount(Db& db, bool quick, bool count, const Progress& progress) {
    CheckControl control;
    control.progress = &progress;
    tuneForReading(db);
    std::vector<Piece> pieces;
    const QStringList tables = tableNames(db);
    qint64 total = 0;
    QMap<QString, int> indexes;
    {
        Statement s(db, QStringLiteral("SELECT tbl_name, count(*) FROM sqlite_master WHERE type = 'index' GROUP BY tbl_name"));
        while (s.next()) indexes.insert(s.text(0), int(s.integer(1)));
    }
    for (const QString& t : tables) {
        // The largest rowid stands for the rows (the table is not read); each index is checked
        // row by row too.
        qint64 rows = 1;
        try {
            Statement m(db, QStringLiteral("SELECT max(rowid) FROM %1").arg(quoted(t)));
            if (m.next()) rows = std::max<qint64>(1, m.integer(0));
        } catch (const BackupError&) {
        }
        total += rows;
        if (!quick)
            pieces.emplace_back(QStringLiteral("integrity_check(%1)").arg(t), rows * (1 + indexes.value(t)), [t](Db& on) {
                return runPragma(on, QStringLiteral("PRAGMA integrity_check(%1)").arg(quoted(t)));
            });
    }
    pieces.emplace_back(QStringLiteral("quick_check"), total,
                        [](Db& on) { return runPragma(on, QStringLiteral("PRAGMA quick_check(20)")); });
    TableCounts counts;
    // Counting reads each table's smallest index once: light beside the checks.
    if (count) pieces.emplace_back(QStringLiteral("row counts"), total / 4, [&counts](Db& on) {
        counts = countRows(on);
        return QStringList();
    }, false);
    runPieces(db, pieces, control);

    QStringList problems;
    for (const Piece& p : pieces) {
        if (p.check && p.lines.isEmpty()) return {QStringLiteral("no answer"), counts};
        for (const QString& line : p.lines)
            if (line != QLatin1String("ok") && problems.size() < 20) problems << line;
    }
    return {problems.isEmpty() ? QStringLiteral("ok") : problems.join(u'\n'), counts};
}

QString check(Db& db, bool quick, const Progress& progress) { return checkAndCount(db, quick, false, progress).integrity; }

qint64 countOf(const TableCounts& counts, const QString& table) {
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.key().compare(table, Qt::CaseInsensitive) == 0) return it.value();
    return 0;
}

}  // namespace

TableCounts backupSqliteFile(const QString& live, const QString& target, const Progress& progress, Verify verify) {
    if (!QFileInfo(live).isFile())
        throw BackupError(QStringLiteral("The database file \"%1\" does not exist.").arg(shown(live)));
    PartialFile out(target);
    TableCounts counts;
    {
        Db src(live, SQLITE_OPEN_READONLY);
        // The copy reads the source's pages through the memory map.
        tuneForReading(src);
        // One read transaction over counting and copying: both see the same database, and no
        // other connection can commit in between (it waits for its busy timeout).
        exec(src, "BEGIN");
        const bool wal = runPragma(src, QStringLiteral("PRAGMA journal_mode")).value(0) == QLatin1String("wal");
        runPragma(src, QStringLiteral("PRAGMA schema_version"));  // takes the read lock
        // The rows are counted beside the copy on a second connection, which takes its read lock
        // while the copy's is held, so both see the same database. With a write-ahead log readers
        // do not hold commits off, and a writer about to commit keeps new readers out: there the
        // copy's connection counts first.
        std::optional<Db> counter;
        std::future<TableCounts> sideCounts;
        if (!wal) {
            try {
                counter.emplace(live, SQLITE_OPEN_READONLY);
                sqlite3_busy_timeout(counter->h, 0);
                tuneForReading(*counter);
                exec(*counter, "BEGIN");
                runPragma(*counter, QStringLiteral("PRAGMA schema_version"));
                sideCounts = std::async(std::launch::async, [&counter] {
                    TimedStep timed(QStringLiteral("live row counts"), -1);
                    return countRows(*counter);
                });
            } catch (const BackupError&) {
                counter.reset();
            }
        }
        if (!sideCounts.valid()) {
            TimedStep timed(QStringLiteral("live row counts"), 0);
            counts = countRows(src);
        }
        std::optional<TimedStep> copying(std::in_place, QStringLiteral("copy"), 0);
        Db dst(out.path(), SQLITE_OPEN_READWRITE, blockWritesVfs());
        // The copy is a temporary file until it is verified: no journal, and written to disk once
        // before it is renamed into place.
        exec(dst, "PRAGMA journal_mode = OFF");
        exec(dst, "PRAGMA synchronous = OFF");
        sqlite3_backup* b = sqlite3_backup_init(dst.h, "main", src.h, "main");
        if (!b) throw BackupError(QStringLiteral("Cannot start the backup: %1").arg(dst.message()));
        for (;;) {
            // 32 MB a step with 4 KB pages: few steps, yet a cancel is seen within a fraction of a second.
            const int rc = sqlite3_backup_step(b, 8192);
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED) {
                sqlite3_backup_finish(b);
                throw BackupError(QStringLiteral("The backup stopped: %1").arg(dst.message()));
            }
            const int total = sqlite3_backup_pagecount(b);
            if (progress && !progress(total - sqlite3_backup_remaining(b), total)) {
                sqlite3_backup_finish(b);
                throw Cancelled();
            }
            if (rc != SQLITE_OK) sqlite3_sleep(20);
        }
        if (sqlite3_backup_finish(b) != SQLITE_OK)
            throw BackupError(QStringLiteral("The backup stopped: %1").arg(dst.message()));
        // A copy of a WAL database would need its side files to be opened read-only.
        exec(dst, "PRAGMA journal_mode = DELETE");
        if (const int rc = flushBlockWrites(dst.h); rc != SQLITE_OK)
            throw BackupError(QStringLiteral("The backup could not be written: %1").arg(QString::fromUtf8(sqlite3_errstr(rc))));
        copying.reset();
        if (sideCounts.valid()) counts = sideCounts.get();
        exec(src, "COMMIT");
    }
    // The copy goes to disk while it is checked (the check reads it from the system's cache).
    std::future<void> synced = std::async(std::launch::async, [&out] {
        TimedStep timed(QStringLiteral("flush to disk"), -1);
        syncFile(out.path());
    });
    verifyCopy(out.path(), counts, progress, verify);
    synced.get();
    // A cancel asked for while the last steps ran still leaves nothing behind.
    if (progress && !progress(1, 1)) throw Cancelled();
    TimedStep renaming(QStringLiteral("rename"), 0);
    out.commit(0600);
    return counts;
}

void setStepLog(std::function<void(const StepTime&)> log) {
    std::lock_guard lock(stepLogMutex);
    stepLog = std::move(log);
}

TableCounts verifyCopy(const QString& path, const TableCounts& expected, const Progress& progress, Verify verify) {
    Db db(path, SQLITE_OPEN_READONLY);
    const CheckResult checked = checkAndCount(db, verify == Verify::Quick, true, progress);
    if (checked.integrity != QLatin1String("ok"))
        throw BackupError(QStringLiteral("The copy failed its integrity check:\n%1").arg(checked.integrity));
    const TableCounts& counts = checked.counts;
    if (!expected.isEmpty() && counts != expected) {
        for (auto it = expected.begin(); it != expected.end(); ++it)
            if (counts.value(it.key(), -1) != it.value())
                throw BackupError(QStringLiteral("The copy holds %1 rows of table %2, the database %3.")
                                      .arg(counts.value(it.key(), 0))
                                      .arg(it.key())
                                      .arg(it.value()));
        throw BackupError(QStringLiteral("The copy holds other tables than the database."));
    }
    return counts;
}

QString integrityCheck(const QString& path, bool quick, const Progress& progress) {
    Db db(path, SQLITE_OPEN_READONLY);
    return check(db, quick, progress);
}

BackupInfo inspectSqliteBackup(const QString& path, const Progress& progress) {
    if (!QFileInfo(path).isFile()) throw BackupError(QStringLiteral("The file \"%1\" does not exist.").arg(shown(path)));
    BackupInfo info;
    TableCounts counts;
    try {
        Db db(path, SQLITE_OPEN_READONLY);
        CheckResult checked = checkAndCount(db, false, true, progress);
        if (checked.integrity != QLatin1String("ok"))
            throw BackupError(QStringLiteral("The file \"%1\" is damaged:\n%2").arg(shown(path), checked.integrity));
        counts = std::move(checked.counts);
    } catch (const Cancelled&) {
        throw;
    } catch (const BackupError& e) {
        throw BackupError(e.text() + QStringLiteral("\n\nIt is not a backup that can be restored; nothing was changed."));
    }
    for (const schema::Table& t : schema::tables()) {
        if (t.derived) continue;  // made again when an older backup is brought forward
        bool present = false;
        for (auto it = counts.begin(); it != counts.end() && !present; ++it)
            present = it.key().compare(t.name, Qt::CaseInsensitive) == 0;
        if (!present)
            throw BackupError(QStringLiteral("The file \"%1\" is not a Kestrum backup: it has no table %2. "
                                             "Nothing was changed.")
                                  .arg(shown(path), t.name));
    }
    info.taken = QFileInfo(path).lastModified();
    info.invoices = countOf(counts, QStringLiteral("Invoice"));
    info.customers = countOf(counts, QStringLiteral("Customer"));
    info.parts = countOf(counts, QStringLiteral("Part"));
    return info;
}

void replaceSqliteFile(const QString& backup, const QString& live, const Progress& progress) {
    for (const char* side : {"-journal", "-wal"}) {
        const QFileInfo f(live + QLatin1String(side));
        if (f.exists() && f.size() > 0)
            throw BackupError(QStringLiteral("The database is being written by another program (\"%1\" exists). "
                                             "Close it and try again; nothing was changed.")
                                  .arg(shown(f.filePath())));
    }
    unsigned mode = 0600;
    struct stat st {};
    if (::stat(QFile::encodeName(live).constData(), &st) == 0) mode = st.st_mode & 07777;

    PartialFile out(live);
    {
        QFile in(backup);
        if (!in.open(QIODevice::ReadOnly))
            throw BackupError(QStringLiteral("Cannot read \"%1\": %2").arg(shown(backup), in.errorString()));
        QFile to(out.path());
        if (!to.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw BackupError(QStringLiteral("Cannot write \"%1\": %2").arg(shown(out.path()), to.errorString()));
        const qint64 total = in.size();
        qint64 done = 0;
        QByteArray chunk;
        while (!(chunk = in.read(4 << 20)).isEmpty()) {
            if (to.write(chunk) != chunk.size())
                throw BackupError(QStringLiteral("Cannot write \"%1\": %2").arg(shown(out.path()), to.errorString()));
            done += chunk.size();
            if (progress && !progress(done, total)) throw Cancelled();
        }
        if (in.error() != QFile::NoError || done != total)
            throw BackupError(QStringLiteral("Cannot read \"%1\": %2").arg(shown(backup), in.errorString()));
        if (!to.flush()) throw BackupError(QStringLiteral("Cannot write \"%1\": %2").arg(shown(out.path()), to.errorString()));
    }
    // Written to disk while it is checked.
    std::future<void> synced = std::async(std::launch::async, [&out] { syncFile(out.path()); });
    const QString result = integrityCheck(out.path(), true, progress);
    synced.get();
    if (result != QLatin1String("ok"))
        throw BackupError(QStringLiteral("The copy of the backup failed its check; nothing was changed:\n%1").arg(result));
    out.commit(mode);
}

}  // namespace kestrum::backup

#include "BackgroundCount.h"

#include "Concurrency.h"
#include "Session.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QMutex>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace kestrum {
namespace {

// A counting connection kept for the next counts, with the session of the window's connection it
// was made for: when that connection reaches another session (closed and opened again, perhaps on
// another database under the same name) the kept one is let go of.
struct KeptConnection {
    QString session;
    std::unique_ptr<ClonedConnection> link;
};
// By the name of the window's connection; lives on the counting thread, which alone touches it.
using KeptConnections = std::map<QString, KeptConnection>;
using Task = std::function<void(KeptConnections&)>;

QAtomicInt connectionsMade;

// One thread counts, one count after another: a connection belongs to the thread that opened it,
// and the machine's cores belong to the window first. Tasks are posted and the thread stopped from
// the program's main thread. The standard thread, lock and condition, not Qt's: a thread checker
// sees their hand-overs, which Qt's make inside its library, out of the checker's sight.
class Counter {
public:
    static Counter& instance() {
        static Counter* c = new Counter;  // outlives every window; never destroyed while counting
        return *c;
    }

    void post(Task task) {
        std::lock_guard hold(lock_);
        tasks_.push_back(std::move(task));
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
        wake_.notify_all();
    }

    void settle() {
        std::unique_lock hold(lock_);
        idle_.wait(hold, [this] { return tasks_.empty() && !busy_; });
    }

    // Runs what is queued, closes the kept connections and ends the thread.
    void stop() {
        std::thread thread;
        {
            std::lock_guard hold(lock_);
            if (!thread_.joinable()) return;
            stopping_ = true;
            wake_.notify_all();
            thread = std::move(thread_);
        }
        thread.join();
        std::lock_guard hold(lock_);
        stopping_ = false;
    }

private:
    void run() {
        pthread_setname_np(pthread_self(), "kestrum-count");  // as debuggers and checkers show it
        KeptConnections kept;
        for (;;) {
            Task task;
            {
                std::unique_lock hold(lock_);
                wake_.wait(hold, [this] { return !tasks_.empty() || stopping_; });
                if (tasks_.empty()) break;
                task = std::move(tasks_.front());
                tasks_.pop_front();
                busy_ = true;
            }
            task(kept);
            std::lock_guard hold(lock_);
            busy_ = false;
            if (tasks_.empty()) idle_.notify_all();
        }
        kept.clear();  // closed on the thread that opened them
        std::lock_guard hold(lock_);
        idle_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Task> tasks_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

QMutex gateLock;
std::function<void()> gate;

void passGate() {
    std::function<void()> g;
    {
        QMutexLocker hold(&gateLock);
        g = gate;
    }
    if (g) g();
}

// What tells one session of the window's connection from another, read on its own thread.
QString sessionOf(const QString& connection) {
    const QSqlDatabase db = QSqlDatabase::database(connection, false);
    const void* hdbc = db.driver() ? odbcHandle(db.driver()->handle()) : nullptr;
    return QStringList{db.driverName(), db.databaseName(), db.userName(), db.password(), db.hostName(),
                       QString::number(db.port()), db.connectOptions(), QString::number(sessionSerial(db)),
                       QString::number(quintptr(hdbc))}
        .join(QChar(0));
}

std::optional<qint64> runCount(QSqlDatabase& db, const QString& sql, const QVariantList& values) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    bool ok = q.prepare(sql);
    for (const QVariant& v : values) q.addBindValue(v);
    ok = ok && q.exec() && q.next();
    const qint64 rows = ok ? q.value(0).toLongLong(&ok) : 0;
    if (!ok) return std::nullopt;
    return rows;
}

bool alive(QSqlDatabase& db) {
    QSqlQuery q(db);
    return q.exec(QStringLiteral("Select 1")) && q.next();
}

// Waits a few seconds for a writer, as the window's own connection would.
bool openKept(KeptConnection& k, const QString& connection, const QString& session) {
    k.link.reset();  // the old one goes first: one counting connection per session at a time
    k.link = std::make_unique<ClonedConnection>(connection, QStringLiteral("count"));
    k.session = session;
    connectionsMade.fetchAndAddRelaxed(1);
    if (k.link->isOpen()) {
        // The count runs beside the window opening: PostgreSQL's parallel workers for it would take
        // the cores the window is being laid out on, so it counts in its own backend alone.
        if (isPostgreSQL(k.link->database()))
            QSqlQuery(k.link->database()).exec(QStringLiteral("SET max_parallel_workers_per_gather = 0"));
        return true;
    }
    k.link.reset();
    return false;
}

std::optional<qint64> countOn(KeptConnections& kept, const QString& connection, const QString& session,
                              const QString& sql, const QVariantList& values) {
    KeptConnection& k = kept[connection];
    const bool fresh = !k.link || k.session != session;
    if (fresh && !openKept(k, connection, session)) return std::nullopt;
    if (std::optional<qint64> rows = runCount(k.link->database(), sql, values)) return rows;
    if (fresh || alive(k.link->database())) return std::nullopt;  // a lock or an error, not a lost link
    // Lost since the last count (server restarted, idle link cut): made again once.
    if (!openKept(k, connection, session)) return std::nullopt;
    return runCount(k.link->database(), sql, values);
}

}  // namespace

bool canCountInBackground(const QString& connection) {
    const QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.isValid() || !db.isOpen()) return false;
    const QString name = db.databaseName();
    return !name.contains(QLatin1String(":memory:"), Qt::CaseInsensitive) &&
           !name.contains(QLatin1String("mode=memory"), Qt::CaseInsensitive);
}

void countInBackground(const QString& connection, const QString& sql, const QVariantList& values, QObject* context,
                       std::function<void(std::optional<qint64>)> done) {
    QPointer<QObject> receiver(context);
    const QString session = sessionOf(connection);
    Counter::instance().post([connection, session, sql, values, receiver = std::move(receiver),
                              done = std::move(done)](KeptConnections& kept) mutable {
        passGate();
        std::optional<qint64> n = countOn(kept, connection, session, sql, values);
        // Handed on through the application object, which outlives every window: `receiver` is only
        // looked at on its own thread.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [receiver, done = std::move(done), n] { if (receiver) done(n); }, Qt::QueuedConnection);
    });
}

void setBackgroundCountGate(std::function<void()> g) {
    QMutexLocker hold(&gateLock);
    gate = std::move(g);
}

void waitForBackgroundCounts() { Counter::instance().stop(); }

void settleBackgroundCounts() { Counter::instance().settle(); }

int backgroundCountConnectionsMade() { return connectionsMade.loadRelaxed(); }

}  // namespace kestrum

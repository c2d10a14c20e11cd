#include "BackgroundCount.h"

#include "Concurrency.h"

#include <QCoreApplication>
#include <QMutex>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThreadPool>

namespace kestrum {
namespace {

QThreadPool& pool() {
    // Two at most: counts are short, and the machine's cores belong to the window first.
    static QThreadPool* p = [] {
        auto* threads = new QThreadPool;
        threads->setMaxThreadCount(2);
        return threads;
    }();
    return *p;
}

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

std::optional<qint64> countOn(const QString& connection, const QString& sql, const QVariantList& values) {
    // Waits a few seconds for a writer, as the window's own connection would.
    ClonedConnection counting(connection, QStringLiteral("count"));
    if (!counting.isOpen()) return std::nullopt;
    QSqlQuery q(counting.database());
    q.setForwardOnly(true);
    bool ok = q.prepare(sql);
    for (const QVariant& v : values) q.addBindValue(v);
    ok = ok && q.exec() && q.next();
    const qint64 rows = ok ? q.value(0).toLongLong(&ok) : 0;
    if (!ok) return std::nullopt;
    return rows;
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
    pool().start([connection, sql, values, receiver = std::move(receiver), done = std::move(done)]() mutable {
        passGate();
        std::optional<qint64> n = countOn(connection, sql, values);
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

void waitForBackgroundCounts() { pool().waitForDone(); }

}  // namespace kestrum

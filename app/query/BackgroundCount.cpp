#include "BackgroundCount.h"

#include "Concurrency.h"

#include <QAtomicInt>
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

QAtomicInt serial;

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
    const QString name = QStringLiteral("%1-count-%2").arg(connection).arg(serial.fetchAndAddRelaxed(1));
    std::optional<qint64> result;
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(connection, name);
        if (db.isValid() && db.open()) {
            prepareSession(db);  // waits a few seconds for a writer, as the window's own connection would
            QSqlQuery q(db);
            q.setForwardOnly(true);
            bool ok = q.prepare(sql);
            for (const QVariant& v : values) q.addBindValue(v);
            ok = ok && q.exec() && q.next();
            if (ok) result = q.value(0).toLongLong(&ok);
            if (!ok) result.reset();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
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

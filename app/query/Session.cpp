#include "Session.h"

#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QSqlDriver>
#include <QSqlQuery>

#include <sql.h>
#include <sqlext.h>

#include <optional>

namespace kestrum {
namespace {

// A connection's answers with what they were asked of: the same driver object, ODBC handle and
// connection string. A close and open may hand out the freed handle's address again, so the
// string and prepareSession's forgetSession tell a session to another database apart.
struct SessionFacts {
    QPointer<QSqlDriver> driver;
    void* hdbc = nullptr;
    QString databaseName;
    QString dbms;
    bool postgres = false;
    std::optional<bool> codeOrdered;
};

QMutex guard;

QHash<QString, SessionFacts>& known() {
    static QHash<QString, SessionFacts> all;
    return all;
}

QHash<QString, quint64>& serials() {
    static QHash<QString, quint64> all;
    return all;
}

QString askDbmsName(SQLHDBC hdbc) {
    SQLCHAR name[128] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(hdbc, SQL_DBMS_NAME, name, sizeof name, &length))) return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(name));
}

// The connection's entry, made afresh when it was asked of another session. Called locked.
SessionFacts* factsOf(const QSqlDatabase& db) {
    QSqlDriver* driver = db.driver();
    void* hdbc = driver ? odbcHandle(driver->handle()) : nullptr;
    if (!hdbc) return nullptr;
    SessionFacts& f = known()[db.connectionName()];
    if (f.driver != driver || f.hdbc != hdbc || f.databaseName != db.databaseName()) {
        const QString dbms = askDbmsName(hdbc);
        f = {driver, hdbc, db.databaseName(), dbms, dbms.contains(QLatin1String("PostgreSQL")), std::nullopt};
    }
    return &f;
}

bool askCodeOrdered(const QSqlDatabase& db) {
    QSqlQuery q(db);
    // The locale provider exists from PostgreSQL 15 on; an ICU default collation orders by its
    // own rules whatever datcollate says.
    if (!q.exec(QStringLiteral("Select datcollate, to_jsonb(d) ->> 'datlocprovider' From pg_database d "
                               "Where datname = current_database()")) ||
        !q.next())
        return false;
    const QString collate = q.value(0).toString();
    const QString provider = q.value(1).toString();
    return (provider.isEmpty() || provider == u"c") &&
           (collate == u"C" || collate == u"POSIX" || collate.startsWith(QLatin1String("C.U"), Qt::CaseInsensitive));
}

}  // namespace

void* odbcHandle(const QVariant& h) {
    if (!h.isValid() || (qstrcmp(h.typeName(), "void*") != 0 && qstrcmp(h.typeName(), "SQLHANDLE") != 0))
        return nullptr;
    return *static_cast<void* const*>(h.constData());
}

QString dbmsName(const QSqlDatabase& db) {
    {
        const QMutexLocker lock(&guard);
        if (const SessionFacts* f = factsOf(db)) return f->dbms;
    }
    return db.driverName();
}

bool isPostgreSQL(const QSqlDatabase& db) {
    const QMutexLocker lock(&guard);
    const SessionFacts* f = factsOf(db);
    return f && f->postgres;
}

bool codeOrdered(const QSqlDatabase& db) {
    {
        const QMutexLocker lock(&guard);
        const SessionFacts* f = factsOf(db);
        if (!f || !f->postgres) return true;
        if (f->codeOrdered) return *f->codeOrdered;
    }
    const bool ordered = askCodeOrdered(db);
    const QMutexLocker lock(&guard);
    if (SessionFacts* f = factsOf(db)) f->codeOrdered = ordered;
    return ordered;
}

void forgetSession(const QSqlDatabase& db) {
    const QMutexLocker lock(&guard);
    known().remove(db.connectionName());
    static quint64 last = 0;
    serials()[db.connectionName()] = ++last;
}

quint64 sessionSerial(const QSqlDatabase& db) {
    const QMutexLocker lock(&guard);
    return serials().value(db.connectionName(), 0);
}

}  // namespace kestrum

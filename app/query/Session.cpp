#include "Session.h"

#include "TextRows.h"

#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

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
    std::optional<bool> readsText;
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
        f = SessionFacts{};  // every answer of the session before is dropped
        f.driver = driver;
        f.hdbc = hdbc;
        f.databaseName = db.databaseName();
        f.dbms = askDbmsName(hdbc);
        f.postgres = f.dbms.contains(QLatin1String("PostgreSQL"));
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

bool askReadsText(const QSqlDatabase& db) {
    void* connection = odbcHandle(db.driver()->handle());
    if (!connection || !TextRows::supported(connection))
        return false;
    // NOTE: psqlODBC's Unicode driver may give narrow text in the client's locale rather than as
    // UTF-8; and a SQL_ASCII database holds bytes of any encoding. Text is read this way only when
    // the server's encoding is UTF-8 and a value outside ASCII comes back as its own UTF-8 bytes.
    const QString probe = QString::fromUtf8("\u00e9\u20ac\U0001F69A");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("Select Current_Setting('server_encoding'), Cast(? As Text)")))
        return false;
    q.addBindValue(probe);
    if (!q.exec())
        return false;
    void* statement = odbcHandle(q.result()->handle());
    if (!statement)
        return false;
    TextRows block(statement, q.record(), {ColumnKind::Text, ColumnKind::Text}, 1);
    if (!block.fetch() || block.count() != 1)
        return false;
    const TextRow row = block.row(0);
    return row.text(0) == "UTF8" && row.text(1) == probe.toUtf8().toStdString();
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

bool readsText(const QSqlDatabase& db) {
    if (!db.isOpen())
        return false;
    {
        const QMutexLocker lock(&guard);
        const SessionFacts* f = factsOf(db);
        // PostgreSQL only: its text forms are fixed (ISO dates, plain numbers) and the same in every
        // database; SQLite keeps whatever text a value was given.
        if (!f || !f->postgres)
            return false;
        if (f->readsText)
            return *f->readsText;
    }
    const bool text = askReadsText(db);
    const QMutexLocker lock(&guard);
    if (SessionFacts* f = factsOf(db))
        f->readsText = text;
    return text;
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

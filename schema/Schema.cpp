#include "Schema.h"

#include "Passwords.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sql.h>
#include <sqlext.h>

namespace kestrum::schema {
namespace {

// Text compares case-insensitively on both engines, as names are matched by value whatever the
// case. SQLite: COLLATE NOCASE (ASCII letters). PostgreSQL: citext, which psqlODBC reads as plain
// text and on which =, LIKE, ORDER BY and unique keys ignore case; a collation would not do,
// as PostgreSQL's nondeterministic collations do not support LIKE.
QString typeName(Engine engine, ColumnType type) {
    const bool pg = engine == Engine::PostgreSQL;
    switch (type) {
    case ColumnType::Integer:
        return QStringLiteral("INTEGER");
    case ColumnType::Number:
        return QStringLiteral("NUMERIC(19,6)");
    case ColumnType::Rate:
        return QStringLiteral("NUMERIC(19,8)");
    case ColumnType::Date:
        return QStringLiteral("TIMESTAMP");
    case ColumnType::Boolean:
        return QStringLiteral("BOOLEAN");
    case ColumnType::Text:
        return pg ? QStringLiteral("CITEXT") : QStringLiteral("TEXT COLLATE NOCASE");
    }
    return {};
}

[[noreturn]] void failed(const QSqlError& e, const QString& what) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) text = e.text().trimmed();
    throw SchemaError((what + QStringLiteral(": ") + text).toStdString());
}

QString dbmsName(const QSqlDatabase& db) {
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (db.driverName() != QLatin1String("QODBC") || !h.isValid()) return db.driverName();
    SQLHDBC dbc = *static_cast<const SQLHDBC*>(h.constData());
    SQLCHAR name[128] = {};
    SQLSMALLINT len = 0;
    if (!dbc || !SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &len))) return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(name));
}

// Lower-case names of the schema's tables that the database already has.
QStringList existingTables(const QSqlDatabase& db) {
    QStringList present;
    const QStringList have = db.tables(QSql::Tables);
    for (const Table& t : tables())
        for (const QString& h : have)
            if (h.compare(t.name, Qt::CaseInsensitive) == 0) present << t.name;
    return present;
}

}  // namespace

const Column* findColumn(const QString& name) {
    static const QHash<QString, const Column*> byName = [] {
        QHash<QString, const Column*> map;
        for (const Table& t : tables())
            for (const Column& c : t.columns)
                if (!map.contains(c.name.toLower())) map.insert(c.name.toLower(), &c);
        return map;
    }();
    return byName.value(name.toLower(), nullptr);
}

Engine engineOf(const QSqlDatabase& db) {
    const QString name = dbmsName(db);
    if (name.contains(QLatin1String("SQLite"), Qt::CaseInsensitive)) return Engine::SQLite;
    if (name.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) return Engine::PostgreSQL;
    throw SchemaError(QStringLiteral("The database engine \"%1\" is not supported (SQLite or PostgreSQL).")
                          .arg(name)
                          .toStdString());
}

QStringList createStatements(Engine engine) {
    QStringList out;
    if (engine == Engine::PostgreSQL) out << QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext");
    for (const Table& t : tables()) {
        QStringList defs;
        for (const Column& c : t.columns) {
            QString def = c.name + u' ' + typeName(engine, c.type);
            if (c.name == t.key) def += QStringLiteral(" NOT NULL PRIMARY KEY");
            defs << def;
        }
        out << QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(t.name, defs.join(QStringLiteral(",\n  ")));
        // Lists sort empty values first on both engines ("Order By c Nulls First"); PostgreSQL
        // keeps them last in an index unless told, and would then sort the whole table instead.
        const QString nulls = engine == Engine::PostgreSQL ? QStringLiteral(" NULLS FIRST") : QString();
        for (const QStringList& index : t.indexes)
            out << QStringLiteral("CREATE INDEX IX_%1_%2 ON %1 (%3)")
                       .arg(t.name, index.join(u'_'), index.join(nulls + QStringLiteral(", ")) + nulls);
        for (const QStringList& index : t.uniqueIndexes)
            out << QStringLiteral("CREATE UNIQUE INDEX UX_%1_%2 ON %1 (%3)")
                       .arg(t.name, index.join(u'_'), index.join(QStringLiteral(", ")));
    }
    return out;
}

void createDatabase(QSqlDatabase& db) {
    if (!db.isOpen()) throw SchemaError("The database is not open.");
    const Engine engine = engineOf(db);
    const QStringList present = existingTables(db);
    if (!present.isEmpty())
        throw SchemaError(QStringLiteral("The database already has tables (%1); nothing was changed.")
                              .arg(present.join(QStringLiteral(", ")))
                              .toStdString());
    const QString guestHash = passwords::hash(GuestPassword);

    if (!db.transaction()) failed(db.lastError(), QStringLiteral("Begin transaction"));
    try {
        QSqlQuery q(db);
        for (const QString& sql : createStatements(engine))
            if (!q.exec(sql)) failed(q.lastError(), sql.section(u'\n', 0, 0));

        // The profile row: only ever updated, so it must exist; empty text, not NULL, in every box.
        const Table* reg = findTable(QStringLiteral("Reg"));
        QStringList names, marks;
        for (const Column& c : reg->columns) names << c.name, marks << QStringLiteral("?");
        q.prepare(QStringLiteral("INSERT INTO Reg (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')));
        q.addBindValue(1);
        for (qsizetype i = 1; i < reg->columns.size(); ++i) q.addBindValue(QString(""));
        if (!q.exec()) failed(q.lastError(), QStringLiteral("INSERT INTO Reg"));

        q.prepare(QStringLiteral("INSERT INTO Pass (UserName_Pass, Password_Pass) VALUES (?, ?)"));
        q.addBindValue(GuestUser);
        q.addBindValue(guestHash);
        if (!q.exec()) failed(q.lastError(), QStringLiteral("INSERT INTO Pass"));
        q.finish();
        if (!db.commit()) failed(db.lastError(), QStringLiteral("Commit"));
    } catch (...) {
        db.rollback();
        throw;
    }
}

QStringList checkDatabase(QSqlDatabase& db) {
    if (!db.isOpen()) throw SchemaError("The database is not open.");
    QStringList problems;
    const QStringList present = existingTables(db);
    for (const Table& t : tables()) {
        if (!present.contains(t.name)) {
            problems << QStringLiteral("Table %1 is missing").arg(t.name);
            continue;
        }
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(t.name)))
            failed(q.lastError(), QStringLiteral("Reading table %1").arg(t.name));
        const QSqlRecord rec = q.record();
        for (const Column& c : t.columns) {
            bool found = false;
            for (int i = 0; i < rec.count() && !found; ++i)
                found = rec.fieldName(i).compare(c.name, Qt::CaseInsensitive) == 0;
            if (!found) problems << QStringLiteral("Column %1.%2 is missing").arg(t.name, c.name);
        }
    }
    return problems;
}

}  // namespace kestrum::schema

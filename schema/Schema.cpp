#include "Schema.h"

#include "Passwords.h"
#include "SchemaDetail.h"
#include "Session.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace kestrum::schema {
namespace {

// Text compares case-insensitively on both engines, as names are matched by value whatever the
// case. SQLite: COLLATE NOCASE (ASCII letters). PostgreSQL: citext, which psqlODBC reads as plain
// text and on which =, LIKE, ORDER BY and unique keys ignore case; a collation would not do,
// as PostgreSQL's nondeterministic collations do not support LIKE.
QString typeName(Engine engine, const Column& column) {
    const bool pg = engine == Engine::PostgreSQL;
    switch (column.type) {
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
        if (pg) return column.plainText ? QStringLiteral("TEXT") : QStringLiteral("CITEXT");
        return QStringLiteral("TEXT COLLATE NOCASE");
    }
    return {};
}

}  // namespace

namespace detail {

[[noreturn]] void failed(const QSqlError& e, const QString& what) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) text = e.text().trimmed();
    throw SchemaError((what + QStringLiteral(": ") + text).toStdString());
}

}  // namespace detail

namespace detail {

// Names of the schema's tables that the database already has.
QStringList existingTables(const QSqlDatabase& db) {
    QStringList present;
    const QStringList have = db.tables(QSql::Tables);
    for (const Table& t : tables())
        for (const QString& h : have)
            if (h.compare(t.name, Qt::CaseInsensitive) == 0) present << t.name;
    return present;
}

}  // namespace detail

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
    const QString name = kestrum::dbmsName(db);
    if (name.contains(QLatin1String("SQLite"), Qt::CaseInsensitive)) return Engine::SQLite;
    if (name.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) return Engine::PostgreSQL;
    throw SchemaError(QStringLiteral("The database engine \"%1\" is not supported (SQLite or PostgreSQL).")
                          .arg(name)
                          .toStdString());
}

QString Index::name() const {
    return (unique ? QStringLiteral("UX_") : QStringLiteral("IX_")) + table + u'_' + columns.join(u'_');
}

QList<Index> indexesOf(const Table& table) {
    QList<Index> out;
    for (const QStringList& columns : table.indexes) out.append({table.name, columns, false});
    for (const QStringList& columns : table.uniqueIndexes) out.append({table.name, columns, true});
    return out;
}

QString createTableStatement(Engine engine, const Table& t) {
    QStringList defs;
    for (const Column& c : t.columns) {
        QString def = c.name + u' ' + typeName(engine, c);
        if (c.name == t.key) def += QStringLiteral(" NOT NULL PRIMARY KEY");
        defs << def;
    }
    return QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(t.name, defs.join(QStringLiteral(",\n  ")));
}

QString createIndexStatement(Engine engine, const Index& index) {
    // Lists sort empty values first on both engines ("Order By c Nulls First"); PostgreSQL
    // keeps them last in an index unless told, and would then sort the whole table instead.
    // The key is never NULL and lists order by it plainly, as its primary key index is stored.
    const Table* table = findTable(index.table);
    QStringList columns;
    for (const QString& c : index.columns)
        columns << (engine == Engine::PostgreSQL && !(table && c.compare(table->key, Qt::CaseInsensitive) == 0)
                        ? c + QStringLiteral(" NULLS FIRST")
                        : c);
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
        .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), index.name(), index.table,
             columns.join(QStringLiteral(", ")));
}

QString addColumnStatement(Engine engine, const Table& table, const Column& column) {
    return QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table.name, column.name, typeName(engine, column));
}

QStringList createStatements(Engine engine) {
    QStringList out;
    if (engine == Engine::PostgreSQL) out << QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext");
    for (const Table& t : tables()) {
        out << createTableStatement(engine, t);
        for (const Index& index : indexesOf(t)) out << createIndexStatement(engine, index);
    }
    return out;
}

namespace detail {

void seedRows(QSqlDatabase& db, const QStringList& createdTables) {
    QSqlQuery q(db);
    if (createdTables.contains(QStringLiteral("Reg"))) {
        // The profile row: only ever updated, so it must exist; empty text, not NULL, in every box.
        const Table* reg = findTable(QStringLiteral("Reg"));
        QStringList names, marks;
        for (const Column& c : reg->columns) names << c.name, marks << QStringLiteral("?");
        q.prepare(QStringLiteral("INSERT INTO Reg (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')));
        q.addBindValue(1);
        for (qsizetype i = 1; i < reg->columns.size(); ++i) q.addBindValue(QString(""));
        if (!q.exec()) detail::failed(q.lastError(), QStringLiteral("INSERT INTO Reg"));
    }
    if (createdTables.contains(QStringLiteral("Pass"))) {
        q.prepare(QStringLiteral("INSERT INTO Pass (UserName_Pass, Password_Pass) VALUES (?, ?)"));
        q.addBindValue(GuestUser);
        q.addBindValue(passwords::hash(GuestPassword));
        if (!q.exec()) detail::failed(q.lastError(), QStringLiteral("INSERT INTO Pass"));
    }
    q.finish();
}

}  // namespace detail

void createDatabase(QSqlDatabase& db) {
    if (!db.isOpen()) throw SchemaError("The database is not open.");
    const Engine engine = engineOf(db);
    const QStringList present = detail::existingTables(db);
    if (!present.isEmpty())
        throw SchemaError(QStringLiteral("The database already has tables (%1); nothing was changed.")
                              .arg(present.join(QStringLiteral(", ")))
                              .toStdString());
    QStringList all;
    for (const Table& t : tables()) all << t.name;

    if (!db.transaction()) detail::failed(db.lastError(), QStringLiteral("Begin transaction"));
    try {
        QSqlQuery q(db);
        for (const QString& sql : createStatements(engine))
            if (!q.exec(sql)) detail::failed(q.lastError(), sql.section(u'\n', 0, 0));
        q.finish();
        detail::seedRows(db, all);
        detail::addVehicleKeys(db);
        detail::addInvoiceSums(db);
        detail::addFoldedSorts(db, false);  // empty tables: nothing to analyse
        detail::writeVersion(db, schemaVersion());
        if (!db.commit()) detail::failed(db.lastError(), QStringLiteral("Commit"));
    } catch (...) {
        db.rollback();
        throw;
    }
}

QStringList existingIndexes(QSqlDatabase& db, const QString& table) {
    QSqlQuery q(db);
    // Unquoted names are stored folded to lower case by PostgreSQL, as typed by SQLite.
    q.prepare(engineOf(db) == Engine::PostgreSQL
                  ? QStringLiteral("SELECT indexname FROM pg_indexes WHERE tablename = ? AND schemaname = current_schema()")
                  : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ? COLLATE NOCASE"));
    q.addBindValue(engineOf(db) == Engine::PostgreSQL ? table.toLower() : table);
    if (!q.exec()) detail::failed(q.lastError(), QStringLiteral("Reading the indexes of %1").arg(table));
    QStringList names;
    while (q.next()) names << q.value(0).toString().toLower();
    return names;
}

namespace detail {

bool hasIndex(const QStringList& existing, const Index& index) {
    // PostgreSQL cuts names at 63 bytes.
    return existing.contains(index.name().toLower().left(63)) || existing.contains(index.name().toLower());
}

QStringList missingColumns(QSqlDatabase& db, const Table& t) {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(t.name)))
        detail::failed(q.lastError(), QStringLiteral("Reading table %1").arg(t.name));
    const QSqlRecord rec = q.record();
    QStringList missing;
    for (const Column& c : t.columns) {
        bool found = false;
        for (int i = 0; i < rec.count() && !found; ++i)
            found = rec.fieldName(i).compare(c.name, Qt::CaseInsensitive) == 0;
        if (!found) missing << c.name;
    }
    return missing;
}

}  // namespace detail

QStringList checkDatabase(QSqlDatabase& db) {
    if (!db.isOpen()) throw SchemaError("The database is not open.");
    QStringList problems;
    const QStringList present = detail::existingTables(db);
    for (const Table& t : tables()) {
        if (!present.contains(t.name)) {
            problems << QStringLiteral("Table %1 is missing").arg(t.name);
            continue;
        }
        for (const QString& c : detail::missingColumns(db, t))
            problems << QStringLiteral("Column %1.%2 is missing").arg(t.name, c);
        const QStringList have = existingIndexes(db, t.name);
        for (const Index& index : indexesOf(t))
            if (!detail::hasIndex(have, index))
                problems << QStringLiteral("Index %1 on %2 (%3) is missing")
                                .arg(index.name(), t.name, index.columns.join(QStringLiteral(", ")));
    }
    problems << detail::missingVehicleKeys(db);
    problems << detail::missingFoldedSorts(db);
    problems << detail::missingInvoiceSums(db);
    return problems;
}

}  // namespace kestrum::schema

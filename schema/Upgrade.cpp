// Bringing a database made by an earlier version forward without touching its rows.
#include "SchemaDetail.h"

#include <QSqlQuery>

#include <functional>

namespace kestrum::schema {
namespace {

// What a column added to existing rows needs written into them. Runs in the upgrade's
// transaction right after the column is added; a column without a fill stays NULL there.
struct ColumnFill {
    QString table;
    QString column;
    std::function<void(QSqlQuery&, Engine)> fill;
};

const QList<ColumnFill>& columnFills() {
    static const QList<ColumnFill> fills{};
    return fills;
}

void run(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql)) detail::failed(q.lastError(), sql.section(u'\n', 0, 0));
}

}  // namespace

QStringList upgradeDatabase(QSqlDatabase& db) {
    if (!db.isOpen()) throw SchemaError("The database is not open.");
    const Engine engine = engineOf(db);
    const QStringList present = detail::existingTables(db);
    if (present.isEmpty())
        throw SchemaError("The database has none of Kestrum's tables; nothing was changed. "
                          "Use --create-database to set up a new one.");

    QStringList done;
    QStringList created;
    if (!db.transaction()) detail::failed(db.lastError(), QStringLiteral("Begin transaction"));
    try {
        QSqlQuery q(db);
        if (engine == Engine::PostgreSQL) run(q, QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext"));
        for (const Table& t : tables()) {
            if (!present.contains(t.name)) {
                run(q, createTableStatement(engine, t));
                created << t.name;
                done << QStringLiteral("Table %1 added").arg(t.name);
            } else {
                for (const QString& name : detail::missingColumns(db, t)) {
                    const Column* column = nullptr;
                    for (const Column& c : t.columns)
                        if (c.name == name) column = &c;
                    run(q, addColumnStatement(engine, t, *column));
                    for (const ColumnFill& f : columnFills())
                        if (f.table == t.name && f.column == name) f.fill(q, engine);
                    done << QStringLiteral("Column %1.%2 added").arg(t.name, name);
                }
            }
            const QStringList have = existingIndexes(db, t.name);
            for (const Index& index : indexesOf(t)) {
                if (detail::hasIndex(have, index)) continue;
                if (!q.exec(createIndexStatement(engine, index))) {
                    const QString why = index.unique
                        ? QStringLiteral("Index %1 could not be made; rows of %2 share a value of %3")
                              .arg(index.name(), t.name, index.columns.join(QStringLiteral(", ")))
                        : QStringLiteral("Index %1 could not be made").arg(index.name());
                    detail::failed(q.lastError(), why);
                }
                done << QStringLiteral("Index %1 on %2 (%3) added")
                            .arg(index.name(), t.name, index.columns.join(QStringLiteral(", ")));
            }
        }
        q.finish();
        detail::seedRows(db, created);
        if (!db.commit()) detail::failed(db.lastError(), QStringLiteral("Commit"));
    } catch (...) {
        db.rollback();
        throw;
    }
    return done;
}

}  // namespace kestrum::schema

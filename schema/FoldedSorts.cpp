// PostgreSQL indexes of the long lists' text columns as lower-case text, beside the key.
//
// citext orders and compares by the lower-case text in the database's collation, folding the case
// of both values at every comparison. Lower(column::text) in the same collation gives exactly that
// order and equality, and its index compares folded values only: a count of the rows before one row
// walks the index at the speed of plain text, from the index alone (the column itself is included).
// SQLite's NOCASE compares without any of this.
#include "SchemaDetail.h"

#include <QSqlQuery>

namespace kestrum::schema {
namespace {

void run(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql)) detail::failed(q.lastError(), sql.section(u'\n', 0, 0));
}

QString indexDefinition(const Table& t, const QString& column) {
    return QStringLiteral("(%1 NULLS FIRST, %2) INCLUDE (%3)")
        .arg(foldedSortExpression(QString(), column), t.key, column);
}

}  // namespace

QString foldedSortExpression(const QString& alias, const QString& column) {
    return QStringLiteral("(Lower(Cast(%1%2 As Text)))").arg(alias.isEmpty() ? QString() : alias + u'.', column);
}

QString foldedSortIndexName(const QString& table, const QString& column) {
    return QStringLiteral("IX_%1_Lower_%2").arg(table, column);
}

namespace detail {

QStringList foldedSortStatements() {
    QStringList out;
    for (const Table& t : tables())
        for (const QString& c : t.foldedSorts)
            out << QStringLiteral("CREATE INDEX %1 ON %2 %3").arg(foldedSortIndexName(t.name, c), t.name, indexDefinition(t, c));
    return out;
}

QStringList missingFoldedSorts(QSqlDatabase& db) {
    QStringList problems;
    if (engineOf(db) != Engine::PostgreSQL) return problems;
    const QStringList present = existingTables(db);
    for (const Table& t : tables()) {
        if (t.foldedSorts.isEmpty() || !present.contains(t.name)) continue;
        const QStringList have = existingIndexes(db, t.name);
        for (const QString& c : t.foldedSorts)
            if (!have.contains(foldedSortIndexName(t.name, c).toLower()))
                problems << QStringLiteral("Index %1 on %2 %3 is missing")
                                .arg(foldedSortIndexName(t.name, c), t.name, indexDefinition(t, c));
    }
    return problems;
}

QStringList addFoldedSorts(QSqlDatabase& db, bool analyse) {
    QStringList done;
    if (engineOf(db) != Engine::PostgreSQL) return done;
    QSqlQuery q(db);
    for (const Table& t : tables()) {
        if (t.foldedSorts.isEmpty()) continue;
        const QStringList have = existingIndexes(db, t.name);
        bool added = false;
        for (const QString& c : t.foldedSorts) {
            const QString name = foldedSortIndexName(t.name, c);
            if (have.contains(name.toLower())) continue;
            run(q, QStringLiteral("CREATE INDEX %1 ON %2 %3").arg(name, t.name, indexDefinition(t, c)));
            done << QStringLiteral("Index %1 on %2 %3 added").arg(name, t.name, indexDefinition(t, c));
            added = true;
        }
        // Statistics of the new expressions: without them the planner guesses how many rows a range holds.
        if (added && analyse) run(q, QStringLiteral("ANALYZE %1").arg(t.name));
    }
    q.finish();
    return done;
}

}  // namespace detail
}  // namespace kestrum::schema

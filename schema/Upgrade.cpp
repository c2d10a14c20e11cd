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

void run(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql)) detail::failed(q.lastError(), sql.section(u'\n', 0, 0));
}

// Rows written before Save compared row versions start at version 0.
ColumnFill firstVersion(const QString& table) {
    return {table, QStringLiteral("RowVersion"),
            [table](QSqlQuery& q, Engine) { run(q, QStringLiteral("UPDATE %1 SET RowVersion = 0").arg(table)); }};
}

// Bill lines were matched by reference alone: a line takes the vendor of its reference's bill
// where exactly one vendor has a bill under that reference; the others stay empty (no bill shows
// them) rather than guessed.
ColumnFill lineVendor(const QString& table, const QString& vendorColumn, const QString& refColumn) {
    return {table, vendorColumn, [=](QSqlQuery& q, Engine) {
                run(q, QStringLiteral("UPDATE %1 SET %2 = (SELECT Min(b.Vendor_Bill) FROM Bill b WHERE b.Ref_Bill = "
                                      "%1.%3) WHERE (SELECT Count(DISTINCT b.Vendor_Bill) FROM Bill b WHERE "
                                      "b.Ref_Bill = %1.%3) = 1")
                           .arg(table, vendorColumn, refColumn));
            }};
}

const QList<ColumnFill>& columnFills() {
    static const QList<ColumnFill> fills{
        firstVersion(QStringLiteral("Part")),     firstVersion(QStringLiteral("Company")),
        firstVersion(QStringLiteral("Customer")), firstVersion(QStringLiteral("Employee")),
        firstVersion(QStringLiteral("Labor")),    firstVersion(QStringLiteral("Tax")),
        firstVersion(QStringLiteral("Invoice")),  firstVersion(QStringLiteral("Estimate")),
        firstVersion(QStringLiteral("Orders")),   firstVersion(QStringLiteral("Bill")),
        firstVersion(QStringLiteral("Bank")),
        lineVendor(QStringLiteral("BillItem"), QStringLiteral("Vendor_Bill"), QStringLiteral("Inv_Bill")),
        lineVendor(QStringLiteral("BillExpense"), QStringLiteral("Vendor_Expense"), QStringLiteral("Bill_Expense")),
    };
    return fills;
}

// Whether rows of the table already share a value of the index's columns (asked first: a failed
// statement would end the whole upgrade on PostgreSQL).
bool sharedValues(QSqlQuery& q, const Index& index) {
    const QString columns = index.columns.join(QStringLiteral(", "));
    run(q, QStringLiteral("SELECT 1 FROM %1 GROUP BY %2 HAVING Count(*) > 1").arg(index.table, columns));
    const bool shared = q.next();
    q.finish();
    return shared;
}

}  // namespace

QStringList upgradeDatabase(QSqlDatabase& db) {
    if (!db.isOpen()) throw SchemaError("The database is not open.");
    const Engine engine = engineOf(db);
    const QStringList present = detail::existingTables(db);
    if (present.isEmpty())
        throw SchemaError("The database has none of Kestrum's tables; nothing was changed. "
                          "Use --create-database to set up a new one.");

    // A later Kestrum's version stays: this build's would make that one look at everything again.
    const quint32 stored = storedVersion(db);
    const bool later = versionState(stored) == VersionState::Newer;
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
                const QStringList missing = detail::missingColumns(db, t);
                if (t.derived && !missing.isEmpty()) {
                    // Made again whole, with none of the older shape's indexes; its keepers too, which
                    // refill it below.
                    if (t.dropKeepers) t.dropKeepers(db);
                    run(q, QStringLiteral("DROP TABLE %1").arg(t.name));
                    run(q, createTableStatement(engine, t));
                    created << t.name;
                    done << QStringLiteral("Table %1 made again with its new columns %2")
                                .arg(t.name, missing.join(QStringLiteral(", ")));
                } else {
                    for (const QString& name : missing) {
                        const Column* column = nullptr;
                        for (const Column& c : t.columns)
                            if (c.name == name) column = &c;
                        run(q, addColumnStatement(engine, t, *column));
                        for (const ColumnFill& f : columnFills())
                            if (f.table == t.name && f.column == name) f.fill(q, engine);
                        done << QStringLiteral("Column %1.%2 added").arg(t.name, name);
                    }
                }
            }
            const QStringList have = existingIndexes(db, t.name);
            for (const Index& index : indexesOf(t)) {
                if (detail::hasIndex(have, index)) continue;
                if (index.unique && sharedValues(q, index)) {
                    // Left for the shop to sort out; the rest of the upgrade goes ahead.
                    done << QStringLiteral("Index %1 on %2 (%3) not added: some rows share a value; "
                                           "--check-database lists it until they are told apart")
                                .arg(index.name(), t.name, index.columns.join(QStringLiteral(", ")));
                    continue;
                }
                if (!q.exec(createIndexStatement(engine, index))) {
                    const QString why = index.unique
                        ? QStringLiteral("Index %1 could not be made; rows of %2 share a value of %3")
                              .arg(index.name(), t.name, index.columns.join(QStringLiteral(", ")))
                        : QStringLiteral("Index %1 could not be made").arg(index.name());
                    detail::failed(q.lastError(), why);
                }
                // A new table's indexes come with it, as --check-database lists the table alone.
                if (!created.contains(t.name))
                    done << QStringLiteral("Index %1 on %2 (%3) added")
                                .arg(index.name(), t.name, index.columns.join(QStringLiteral(", ")));
            }
        }
        q.finish();
        detail::seedRows(db, created);
        done << detail::addVehicleKeys(db);
        done << detail::addInvoiceSums(db);
        done << detail::addFoldedSorts(db, true);
        detail::writeVersion(db, later ? stored : schemaVersion());
        if (!db.commit()) detail::failed(db.lastError(), QStringLiteral("Commit"));
    } catch (...) {
        db.rollback();
        throw;
    }
    return done;
}

}  // namespace kestrum::schema

// Text indexes that let the vehicle history find a VIN, plate or truck number anywhere in the
// blank-stripped value without reading every document: plain indexes only serve a match from the
// first character.
//
// SQLite: a contentless trigram index per document table, kept by triggers on the table, so every
// path that writes documents (save, conversion, archive, purge, restore) keeps it current.
// PostgreSQL: trigram indexes on the blank-stripped upper-case values (pg_trgm); where the extension
// cannot be made, look-ups read the table as before.
#include "SchemaDetail.h"

#include <QSqlQuery>

namespace kestrum::schema {
namespace {

const char* const DocumentTables[] = {"Invoice", "Estimate", "InvoiceCash"};
const char* const VehicleColumns[] = {"Vin_Inv", "Plate_Inv", "TruckNo_Inv"};
const char* const MakeTrigram = "CREATE EXTENSION IF NOT EXISTS pg_trgm";

void run(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql)) detail::failed(q.lastError(), sql.section(u'\n', 0, 0));
}

bool exists(QSqlDatabase& db, const QString& sql, const QString& name) {
    QSqlQuery q(db);
    q.prepare(sql);
    q.addBindValue(name);
    if (!q.exec()) detail::failed(q.lastError(), QStringLiteral("Reading the database's objects"));
    return q.next();
}

// --- SQLite ---

QString keysOf(const QString& row) {
    QStringList keys;
    for (const char* c : VehicleColumns) keys << QStringLiteral("Replace(%1.%2, ' ', '')").arg(row, QLatin1String(c));
    return keys.join(QStringLiteral(", "));
}

QStringList triggerNames(const QString& table) {
    const QString index = vehicleKeyTable(table);
    return {index + QStringLiteral("_Insert"), index + QStringLiteral("_Delete"), index + QStringLiteral("_Update")};
}

bool sqliteObject(QSqlDatabase& db, const QString& type, const QString& name) {
    return exists(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = '%1' AND name = ? COLLATE NOCASE").arg(type),
                  name);
}

bool sqliteComplete(QSqlDatabase& db, const QString& table) {
    if (!sqliteObject(db, QStringLiteral("table"), vehicleKeyTable(table))) return false;
    for (const QString& t : triggerNames(table))
        if (!sqliteObject(db, QStringLiteral("trigger"), t)) return false;
    return true;
}

QString sqliteIndexStatement(const QString& table) {
    return QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(Vin, Plate, Truck, content='', tokenize='trigram')")
        .arg(vehicleKeyTable(table));
}

// The triggers that keep the index, then the statement that fills it from the table.
QStringList sqliteKeepStatements(const QString& table) {
    const QString index = vehicleKeyTable(table);
    const QStringList triggers = triggerNames(table);
    const QString add = QStringLiteral("INSERT INTO %1 (rowid, Vin, Plate, Truck) VALUES (new.rowid, %2);")
                            .arg(index, keysOf(QStringLiteral("new")));
    // A contentless index forgets a row only when told the values it was given.
    const QString remove = QStringLiteral("INSERT INTO %1 (%1, rowid, Vin, Plate, Truck) VALUES ('delete', old.rowid, %2);")
                               .arg(index, keysOf(QStringLiteral("old")));
    return {QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3 END").arg(triggers[0], table, add),
            QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN %3 END").arg(triggers[1], table, remove),
            QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON %2 BEGIN %3 %4 END").arg(triggers[2], table, remove, add),
            QStringLiteral("INSERT INTO %1 (rowid, Vin, Plate, Truck) SELECT rowid, %2 FROM %3 AS d")
                .arg(index, keysOf(QStringLiteral("d")), table)};
}

// Made whole again: a missing trigger means the index may have missed writes, so it is refilled.
void sqliteMake(QSqlQuery& q, QSqlDatabase& db, const QString& table) {
    const QString index = vehicleKeyTable(table);
    for (const QString& t : triggerNames(table)) run(q, QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(t));
    if (!sqliteObject(db, QStringLiteral("table"), index))
        run(q, sqliteIndexStatement(table));
    else
        run(q, QStringLiteral("INSERT INTO %1 (%1) VALUES ('delete-all')").arg(index));
    for (const QString& sql : sqliteKeepStatements(table)) run(q, sql);
}

// --- PostgreSQL ---

QString trigramIndex(const QString& table, const QString& column) {
    return QStringLiteral("IX_%1_%2_Trigram").arg(table, column);
}

QString trigramStatement(const QString& table, const QString& column) {
    return QStringLiteral("CREATE INDEX %1 ON %2 USING gin (%3 gin_trgm_ops)")
        .arg(trigramIndex(table, column), table, vehicleKeyExpression(column));
}

bool pgHasIndex(QSqlDatabase& db, const QString& name) {
    return exists(db,
                  QStringLiteral("SELECT 1 FROM pg_indexes WHERE indexname = ? AND schemaname = current_schema()"),
                  name.toLower());
}

bool pgTrigramAvailable(QSqlDatabase& db) {
    return exists(db, QStringLiteral("SELECT 1 FROM pg_available_extensions WHERE name = ?"), QStringLiteral("pg_trgm"));
}

// Tried under a savepoint: a refused CREATE EXTENSION must not end the surrounding transaction.
bool pgMakeTrigram(QSqlQuery& q, QSqlDatabase& db) {
    if (exists(db, QStringLiteral("SELECT 1 FROM pg_extension WHERE extname = ?"), QStringLiteral("pg_trgm")))
        return true;
    run(q, QStringLiteral("SAVEPOINT vehicle_keys"));
    const bool made = q.exec(QLatin1String(MakeTrigram));
    run(q, made ? QStringLiteral("RELEASE SAVEPOINT vehicle_keys") : QStringLiteral("ROLLBACK TO SAVEPOINT vehicle_keys"));
    return made;
}

}  // namespace

QString vehicleKeyTable(const QString& documentTable) {
    return QStringLiteral("VehicleKey_") + documentTable;
}

QString vehicleKeyExpression(const QString& column) {
    return QStringLiteral("Upper(Replace(%1, ' ', ''))").arg(column);
}

namespace detail {

QStringList missingVehicleKeys(QSqlDatabase& db) {
    QStringList problems;
    const Engine engine = engineOf(db);
    if (engine == Engine::PostgreSQL && !pgTrigramAvailable(db)) return problems;  // nothing can be made
    for (const char* t : DocumentTables) {
        const QString table = QLatin1String(t);
        if (engine == Engine::SQLite) {
            if (!sqliteComplete(db, table))
                problems << QStringLiteral("Vehicle look-up index %1 on %2 is missing").arg(vehicleKeyTable(table), table);
            continue;
        }
        for (const char* c : VehicleColumns)
            if (!pgHasIndex(db, trigramIndex(table, QLatin1String(c))))
                problems << QStringLiteral("Index %1 on %2 (%3) is missing")
                                .arg(trigramIndex(table, QLatin1String(c)), table, vehicleKeyExpression(QLatin1String(c)));
    }
    return problems;
}

QStringList vehicleKeyStatements(Engine engine) {
    QStringList out;
    if (engine == Engine::PostgreSQL) out << QLatin1String(MakeTrigram);
    for (const char* t : DocumentTables) {
        const QString table = QLatin1String(t);
        if (engine == Engine::SQLite) {
            out << sqliteIndexStatement(table) << sqliteKeepStatements(table);
            continue;
        }
        for (const char* c : VehicleColumns) out << trigramStatement(table, QLatin1String(c));
    }
    return out;
}

QStringList addVehicleKeys(QSqlDatabase& db) {
    QStringList done;
    const Engine engine = engineOf(db);
    QSqlQuery q(db);
    if (engine == Engine::PostgreSQL && !pgTrigramAvailable(db)) return done;
    const bool trigram = engine == Engine::PostgreSQL && pgMakeTrigram(q, db);
    for (const char* t : DocumentTables) {
        const QString table = QLatin1String(t);
        if (engine == Engine::SQLite) {
            if (sqliteComplete(db, table)) continue;
            sqliteMake(q, db, table);
            done << QStringLiteral("Vehicle look-up index %1 on %2 added").arg(vehicleKeyTable(table), table);
            continue;
        }
        for (const char* c : VehicleColumns) {
            const QString name = trigramIndex(table, QLatin1String(c));
            if (pgHasIndex(db, name)) continue;
            if (!trigram) {
                done << QStringLiteral("Index %1 not added: the pg_trgm extension could not be made "
                                       "(look-ups read the table instead)")
                            .arg(name);
                continue;
            }
            run(q, trigramStatement(table, QLatin1String(c)));
            done << QStringLiteral("Index %1 on %2 (%3) added").arg(name, table, vehicleKeyExpression(QLatin1String(c)));
        }
    }
    q.finish();
    return done;
}

}  // namespace detail
}  // namespace kestrum::schema

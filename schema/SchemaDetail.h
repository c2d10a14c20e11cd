#pragma once
// Helpers shared by creating, checking and upgrading the database; not for other modules.
#include "Schema.h"

#include <QSqlError>

namespace kestrum::schema::detail {

/// Throws SchemaError "what: database text".
[[noreturn]] void failed(const QSqlError& e, const QString& what);
/// Names (as declared) of the schema's tables the database has.
QStringList existingTables(const QSqlDatabase& db);
/// Declared columns of `t` the database's table lacks, in declared order.
QStringList missingColumns(QSqlDatabase& db, const Table& t);
/// Whether `existing` (lower-case names from existingIndexes) holds the index.
bool hasIndex(const QStringList& existing, const Index& index);
/// The rows a new database starts with (profile row, user Guest), for those of the tables given.
void seedRows(QSqlDatabase& db, const QStringList& createdTables);
/// Lines for the vehicle look-up indexes the database lacks (none on PostgreSQL without pg_trgm).
QStringList missingVehicleKeys(QSqlDatabase& db);
/// Makes the missing vehicle look-up indexes and fills them; a line per index.
QStringList addVehicleKeys(QSqlDatabase& db);
/// Lines for the folded sort indexes the database lacks (none on SQLite, whose NOCASE compares cheaply).
QStringList missingFoldedSorts(QSqlDatabase& db);
/// Makes the missing folded sort indexes, analysing the tables that got one when `analyse`; a line per index.
QStringList addFoldedSorts(QSqlDatabase& db, bool analyse);
/// Lines for the triggers keeping InvoiceSums that the database lacks.
QStringList missingInvoiceSums(QSqlDatabase& db);
/// Where a trigger keeping InvoiceSums is missing: makes them all again and refills the sums from
/// the lines (one line); nothing when all are there. InvoiceSums must exist.
QStringList addInvoiceSums(QSqlDatabase& db);

}  // namespace kestrum::schema::detail

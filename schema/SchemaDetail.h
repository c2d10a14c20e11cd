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
/// The PostgreSQL statements making every folded sort index, as addFoldedSorts runs them.
QStringList foldedSortStatements();
/// Lines for the triggers keeping InvoiceSums that the database lacks.
QStringList missingInvoiceSums(QSqlDatabase& db);
/// Where a trigger keeping InvoiceSums is missing: makes them all again and refills the sums from
/// the lines (one line); nothing when all are there. InvoiceSums must exist.
QStringList addInvoiceSums(QSqlDatabase& db);

/// The statements that make the vehicle look-up indexes of the engine, as addVehicleKeys runs them.
QStringList vehicleKeyStatements(Engine engine);
/// The statements that make and fill the triggers keeping InvoiceSums, as addInvoiceSums runs them.
QStringList invoiceSumsStatements(Engine engine);
/// Both engines' statements of the two above: the engine objects the version covers.
QStringList engineObjectStatements();
/// The text the version is the hash of: the tables as declared with both engines' statements, then
/// `engineObjects`.
QString declarationText(const QList<Table>& tables, const QStringList& engineObjects);
/// 31 bits of the text's SHA-256, never 0.
quint32 versionOf(const QString& declaration);
/// Stores `version` as the database's marker (0 clears it). Throws SchemaError.
void writeVersion(QSqlDatabase& db, quint32 version);

}  // namespace kestrum::schema::detail

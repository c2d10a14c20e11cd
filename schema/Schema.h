#pragma once
// The database's tables and columns, defined once; the DDL of both engines is generated from it.
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace kestrum::schema {

enum class ColumnType {
    Integer,  // record numbers
    Number,   // money, quantities: decimal with six places
    Rate,     // tax rates: decimal with eight places
    Date,     // date/time
    Boolean,  // yes/no
    Text,     // unlimited, compared case-insensitively
};

struct Column {
    QString name;
    ColumnType type;
};

struct Table {
    QString name;
    QList<Column> columns;  // stored order
    QString key;            // the column records are looked up by ("" when none is unique)
    QList<QStringList> indexes;  // link and look-up columns, one list per index
    bool workTable = false;      // refilled by report windows on every run
    QList<QStringList> uniqueIndexes;  // column sets no two rows may share
};

enum class Engine { SQLite, PostgreSQL };

/// \brief Every table, in a fixed order.
const QList<Table>& tables();
/// \brief Table by name (case-insensitive) or nullptr.
const Table* findTable(const QString& name);
/// \brief A column by name (case-insensitive) anywhere in the schema, or nullptr. Names shared
/// by several tables have one type there, so the first is as good as any.
const Column* findColumn(const QString& name);

/// \brief Engine of an open connection, from the driver's DBMS name. Throws SchemaError for others.
Engine engineOf(const QSqlDatabase& db);
/// \brief CREATE TABLE and CREATE INDEX statements (and what the engine needs before them).
QStringList createStatements(Engine engine);

/// The pre-filled login of a new database.
inline const QString GuestUser = QStringLiteral("Guest");
inline const QString GuestPassword = QStringLiteral("12");

/// \brief A schema operation refused or failed; what() is the message for the user.
class SchemaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// \brief Creates every table, the Reg row with Id_R = 1 and the user "Guest" (password "12",
/// stored hashed). Refuses with SchemaError and changes nothing when any of the tables exists.
/// Runs in one transaction where the engine allows DDL in transactions (both do).
void createDatabase(QSqlDatabase& db);

/// \brief Readable lines for every missing table ("Table Invoice is missing") and missing column
/// ("Column Invoice.Tax_Inv is missing"); empty when the database is complete.
QStringList checkDatabase(QSqlDatabase& db);

}  // namespace kestrum::schema

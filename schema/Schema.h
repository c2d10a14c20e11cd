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
    // Text only: plain text on PostgreSQL, not citext (compare it through Lower()). For derived
    // tables, which backups leave out: a restore drops the citext extension with the tables it
    // restores, and a column outside them depending on it would stop it.
    bool plainText = false;
};

struct Table {
    QString name;
    QList<Column> columns;  // stored order
    QString key;            // the column records are looked up by ("" when none is unique)
    QList<QStringList> indexes;  // link and look-up columns, one list per index
    bool workTable = false;      // refilled by report windows on every run
    QList<QStringList> uniqueIndexes{};  // column lists no two rows may share
    // Kept by the database from other tables (triggers): refilled by --upgrade-database, so a
    // backup made before it existed is still a whole backup.
    bool derived = false;
    // Text columns the lists sort by whose order PostgreSQL also keeps as lower-case text beside the
    // key (FoldedSorts.cpp): citext folds the case of both values at every comparison, so counting
    // the rows before one row in a long list costs twice the walk itself.
    QStringList foldedSorts{};
    // A derived table's keepers: dropped when the table gains columns, which makes the upgrade
    // make them again and refill the table (an older shape's keepers keep none of the new columns).
    void (*dropKeepers)(QSqlDatabase& db) = nullptr;
};

/// \brief One index of a table as the declaration has it.
struct Index {
    QString table;
    QStringList columns;
    bool unique = false;
    /// IX_Table_Col1_Col2 (UX_ for unique ones): the name both engines store it under.
    QString name() const;
};

/// \brief Every declared index of a table (look-up indexes, then unique ones).
QList<Index> indexesOf(const Table& table);

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
/// \brief CREATE TABLE for one table, without its indexes.
QString createTableStatement(Engine engine, const Table& table);
/// \brief CREATE INDEX for one index.
QString createIndexStatement(Engine engine, const Index& index);
/// \brief ALTER TABLE ... ADD COLUMN for one column of a table.
QString addColumnStatement(Engine engine, const Table& table, const Column& column);

/// The pre-filled login of a new database.
inline const QString GuestUser = QStringLiteral("Guest");
inline const QString GuestPassword = QStringLiteral("12");

/// \brief A schema operation refused or failed; what() is the message for the user.
class SchemaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// \brief A later Kestrum's database lacks what this build needs: the start is refused, nothing written.
class LaterVersionError : public SchemaError {
public:
    using SchemaError::SchemaError;
};

/// \brief Creates every table, the Reg row with Id_R = 1 and the user "Guest" (password "12",
/// stored hashed). Refuses with SchemaError and changes nothing when any of the tables exists.
/// Runs in one transaction where the engine allows DDL in transactions (both do); stores this
/// build's version as its last step.
void createDatabase(QSqlDatabase& db);

/// \brief Readable lines for every missing table ("Table Invoice is missing"), missing column
/// ("Column Invoice.Tax_Inv is missing") and missing index ("Index IX_Invoice_Vin_Inv on
/// Invoice (Vin_Inv) is missing"); empty when the database is complete.
QStringList checkDatabase(QSqlDatabase& db);

/// \brief Brings a database made by an earlier version forward: adds the missing tables,
/// columns and indexes and runs the data fills of the added columns (Upgrade.cpp), all in one
/// transaction; existing rows are not touched except by those fills. Returns a line per change
/// (empty when there was nothing to do). Throws SchemaError, with nothing changed, when the
/// database has none of the tables or a step fails. Its last step stores this build's version
/// (unless a later Kestrum's is there). Looks at the whole database whatever version it stores.
QStringList upgradeDatabase(QSqlDatabase& db);

/// \brief This build's schema version: a hash of the declaration (tables, columns, keys, indexes)
/// and of every statement that makes the engines' own objects (triggers, look-up indexes), so it
/// changes whenever any of them does. Never 0.
quint32 schemaVersion();
/// \brief The version as messages and the stored marker show it: eight hexadecimal digits.
QString versionText(quint32 version);
/// \brief Every version this program has declared, oldest first, this build's last.
const QList<quint32>& knownVersions();
/// \brief The version kept in the database by the last --create-database or upgrade (0: none,
/// as in a database made before the marker). One statement. Throws SchemaError.
quint32 storedVersion(QSqlDatabase& db);

enum class VersionState {
    Current,  // this build's
    Older,    // none, or one an earlier build declared
    Newer,    // unknown to this build: a later Kestrum wrote it
};
VersionState versionState(quint32 stored);

/// \brief What a start does before any window reads the database: nothing more when the stored
/// version is this build's (one statement); upgradeDatabase when it is absent or older; when a
/// later Kestrum wrote it, checkDatabase only, throwing LaterVersionError (naming both versions,
/// nothing written) when something this build needs is missing. Returns upgradeDatabase's lines.
QStringList upgradeAtStart(QSqlDatabase& db);

/// \brief SQLite's trigram index of the blank-stripped VIN, plate and truck number of a document
/// table (Invoice, Estimate, InvoiceCash): columns Vin, Plate, Truck, rowid that of the document.
QString vehicleKeyTable(const QString& documentTable);
/// \brief The blank-stripped upper-case value of a column, as PostgreSQL's trigram indexes hold it.
QString vehicleKeyExpression(const QString& column);

/// \brief How a list's order by a folded column reads on PostgreSQL (`alias`.`column` as lower-case
/// text): the same order and equality as citext, which its index (foldedSortIndexName) holds.
QString foldedSortExpression(const QString& alias, const QString& column);
/// \brief The name of the PostgreSQL index of a folded column: IX_Table_Lower_Column.
QString foldedSortIndexName(const QString& table, const QString& column);

/// \brief The table that keeps each invoice number's parts and labor sums and its payments' sum and
/// latest date (InvoiceSums).
inline const QString InvoiceSumsTable = QStringLiteral("InvoiceSums");

/// \brief The year and the month of a date column as whole numbers, in SQL for the engine.
QString yearOfSql(Engine engine, const QString& dateColumn);
QString monthOfSql(Engine engine, const QString& dateColumn);
/// \brief The invoice window's tax rate for a year and a month given as SQL: the first Tax row by
/// Id_T whose months cover it (NULL where none does).
QString coveringTaxRateSql(const QString& year, const QString& month);

/// \brief Drops the triggers keeping InvoiceSums, for a bulk load of lines and payments: --check-database then
/// reports them and the next upgradeDatabase (the next start too: the stored version is cleared)
/// makes them again and refills the sums. Throws SchemaError.
void dropInvoiceSumsTriggers(QSqlDatabase& db);

/// \brief Names of the indexes a table has in the database, lower case.
QStringList existingIndexes(QSqlDatabase& db, const QString& table);

}  // namespace kestrum::schema

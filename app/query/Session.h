#pragma once
// What the program asks of a connection's engine (which engine, how it orders text), asked once
// per session: the answers are kept for the connection as it is open now and asked again after it
// is opened again, also when a reconnect under the same name reaches another database.
#include <QSqlDatabase>
#include <QVariant>

namespace kestrum {

/// \brief The ODBC handle a Qt driver or result holds, or nullptr. Qt gives it as a void* (older
/// builds named the type SQLHANDLE).
void* odbcHandle(const QVariant& handle);

/// \brief The engine's name as the ODBC driver gives it (SQL_DBMS_NAME), or the Qt driver's name
/// for a connection that is not through ODBC; empty when the driver does not say.
QString dbmsName(const QSqlDatabase& db);

/// \brief Whether the connection's engine is PostgreSQL (the driver's DBMS name).
bool isPostgreSQL(const QSqlDatabase& db);

/// \brief Whether text without case compares by character codes: SQLite's NOCASE always;
/// PostgreSQL's citext when the database collates as C with the C library's collations.
bool codeOrdered(const QSqlDatabase& db);

/// \brief Whether rows can be read as the server's UTF-8 text a block at a time (see TextRows):
/// PostgreSQL whose encoding is UTF-8 and whose driver hands a value outside ASCII over as its own
/// bytes. Asked of the server once per session.
bool readsText(const QSqlDatabase& db);

/// \brief Drops what is known of the connection's session (prepareSession does this after every
/// open), so the next question goes to the engine it now reaches.
void forgetSession(const QSqlDatabase& db);

/// \brief A number that changes each time forgetSession is called for the connection's name (every
/// open through prepareSession), 0 before the first: work kept for a session sees it has ended.
quint64 sessionSerial(const QSqlDatabase& db);

}  // namespace kestrum

#pragma once
// First start without a script: the program registers its own SQLite data source and creates
// the database when neither exists yet.
#include <QString>

#include <stdexcept>

namespace kestrum::setup {

/// The data source the program opens when no --connect is given.
inline const QString DataSourceName = QStringLiteral("Kestrum");
/// unixODBC's name of the SQLite 3 driver (Debian package libsqliteodbc).
inline const QString SqliteDriver = QStringLiteral("SQLite3");

/// \brief Set-up refused or failed; what() is the message for the user. Nothing was rewritten.
class SetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FirstStart {
    QString source;           // the data source's name
    bool registered = false;  // the data source entry was written now
    bool created = false;     // the database file and its tables were made now
    QString iniFile;          // the user's ODBC data-source file
    QString database;         // the SQLite file ("" when the source is not ours to look after)
};

/// \brief Points unixODBC at $HOME/.odbc.ini unless ODBCINI names a file already: unixODBC
/// otherwise looks the user's file up by the account's home and ignores $HOME.
void nameUserOdbcIni();

/// \brief Makes sure the data source exists and has a database: writes a missing entry as a
/// user data source over $XDG_DATA_HOME/kestrum/kestrum.db, and creates the tables when the
/// SQLite file an entry names is missing or empty. An existing entry is never rewritten and a
/// database with data is never touched. Throws SetupError.
FirstStart prepareDataSource(const QString& name = DataSourceName);

/// The message shown once after a first start ("" when nothing was set up).
QString firstStartNotice(const FirstStart& done);

/// \brief Once the windows are up: logs (category kestrum.startup) that the login window is
/// open and, after a first start, prints the notice on stdout and shows it in a message box.
void announceStart(const FirstStart& done);

}  // namespace kestrum::setup

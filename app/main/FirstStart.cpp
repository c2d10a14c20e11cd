#include "FirstStart.h"

#include "DataModule.h"
#include "Dialogs.h"
#include "Pass.h"
#include "Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStandardPaths>
#include <QTimer>

#include <odbcinst.h>

#include <cstdio>
#include <vector>

namespace kestrum::setup {

namespace {

Q_LOGGING_CATEGORY(lcStartup, "kestrum.startup", QtWarningMsg)

const char* const OdbcIni = "odbc.ini";
const char* const OdbcInstIni = "odbcinst.ini";

QString profileString(const char* section, const char* key, const char* file)
{
    std::vector<char> buf(8192);
    const int n = SQLGetPrivateProfileString(section, key, "", buf.data(), int(buf.size()), file);
    return n > 0 ? QString::fromLocal8Bit(buf.data(), qstrnlen(buf.data(), size_t(n))) : QString();
}

// Every data source defined for this user, in the user's file or the system's.
QStringList dataSourceNames()
{
    std::vector<char> buf(64 * 1024);
    const int n = SQLGetPrivateProfileString(nullptr, nullptr, "", buf.data(), int(buf.size()), OdbcIni);
    QStringList names;
    for (int i = 0; i < n && buf[size_t(i)] != '\0';) {
        const QByteArray name(buf.data() + i);
        names << QString::fromLocal8Bit(name);
        i += int(name.size()) + 1;
    }
    return names;
}

QString installerMessage()
{
    DWORD code = 0;
    char text[SQL_MAX_MESSAGE_LENGTH] = {};
    WORD length = 0;
    if (SQLInstallerError(1, &code, text, sizeof text, &length) == SQL_NO_DATA)
        return QStringLiteral("no reason given");
    return QString::fromLocal8Bit(text);
}

void writeUserEntry(const QString& name, const QList<std::pair<const char*, QString>>& keys)
{
    const QByteArray section = name.toLocal8Bit();
    SQLSetConfigMode(ODBC_USER_DSN);
    for (const auto& [key, value] : keys) {
        if (!SQLWritePrivateProfileString(section.constData(), key, value.toLocal8Bit().constData(), OdbcIni)) {
            const QString why = installerMessage();
            SQLSetConfigMode(ODBC_BOTH_DSN);
            throw SetupError(QStringLiteral("The ODBC data source \"%1\" could not be written to %2 (%3).")
                                 .arg(name, qEnvironmentVariable("ODBCINI"), why)
                                 .toStdString());
        }
    }
    SQLSetConfigMode(ODBC_BOTH_DSN);
}

bool isSqliteDriver(const QString& driver)
{
    return driver.compare(SqliteDriver, Qt::CaseInsensitive) == 0 || driver.endsWith(QLatin1String("libsqlite3odbc.so"));
}

bool missingOrEmpty(const QString& file)
{
    const QFileInfo info(file);
    return !info.exists() || (info.isFile() && info.size() == 0);
}

void createTables(const QString& name)
{
    const QString connection = QStringLiteral("kestrum-first-start");
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connection);
        db.setDatabaseName(kestrum::qtOdbcDatabaseName(name));
        if (!db.open()) {
            failure = QStringLiteral("The new database could not be opened (%1).").arg(db.lastError().text());
        } else {
            try {
                schema::createDatabase(db);
            } catch (const std::exception& e) {
                failure = QStringLiteral("The new database could not be set up (%1).").arg(QString::fromLocal8Bit(e.what()));
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        throw SetupError(failure.toStdString());
}

}  // namespace

void nameUserOdbcIni()
{
    if (qEnvironmentVariableIsEmpty("ODBCINI"))
        qputenv("ODBCINI", QFile::encodeName(QDir::homePath() + QStringLiteral("/.odbc.ini")));
}

FirstStart prepareDataSource(const QString& name)
{
    nameUserOdbcIni();
    FirstStart done;
    done.source = name;
    done.iniFile = qEnvironmentVariable("ODBCINI");
    const QByteArray section = name.toLocal8Bit();

    if (dataSourceNames().contains(name, Qt::CaseInsensitive)) {
        // Someone's entry: only a SQLite file it names that is missing or empty gets the tables.
        if (!isSqliteDriver(profileString(section.constData(), "Driver", OdbcIni)))
            return done;
        const QString file = profileString(section.constData(), "Database", OdbcIni);
        if (file.isEmpty() || !QFileInfo(file).isAbsolute())
            return done;
        done.database = file;
        if (missingOrEmpty(file)) {
            QDir().mkpath(QFileInfo(file).absolutePath());
            createTables(name);
            done.created = true;
        }
        return done;
    }

    if (profileString(SqliteDriver.toLatin1().constData(), "Driver", OdbcInstIni).isEmpty())
        throw SetupError(QStringLiteral("The ODBC driver \"%1\" is not installed (Debian package libsqliteodbc), "
                                        "so the data source \"%2\" cannot be set up.")
                             .arg(SqliteDriver, name)
                             .toStdString());
    const QString folder =
        QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kestrum"))
            .absoluteFilePath();
    // A line break in the path would end the entry's line and write keys of its own.
    if (folder.contains(u'\n') || folder.contains(u'\r'))
        throw SetupError(QStringLiteral("The data folder \"%1\" has a line break in its name.").arg(folder).toStdString());
    if (!QDir().mkpath(folder))
        throw SetupError(QStringLiteral("The data folder %1 could not be made.").arg(folder).toStdString());
    done.database = folder + QStringLiteral("/kestrum.db");
    const bool fresh = missingOrEmpty(done.database);

    // The same entry scripts wrote before the program did it itself. StepAPI=1: the driver
    // hands rows over as they are read instead of reading a whole result first.
    writeUserEntry(name, {{"Description", QStringLiteral("Kestrum shop database")},
                          {"Driver", SqliteDriver},
                          {"Database", done.database},
                          {"Timeout", QStringLiteral("2000")},
                          {"StepAPI", QStringLiteral("1")}});
    done.registered = true;
    if (fresh) {
        createTables(name);
        done.created = true;
    }
    return done;
}

QString firstStartNotice(const FirstStart& done)
{
    if (!done.registered && !done.created)
        return {};
    QString text = done.registered
                       ? QStringLiteral("Kestrum registered the ODBC data source \"%1\" in %2.\n\n").arg(done.source, done.iniFile)
                       : QString();
    if (done.created) {
        text += QStringLiteral("Your data is kept in the new database\n%1\n\n"
                               "Log in as \"%2\" with the password \"%3\", then change both with PASSWORD.")
                    .arg(done.database, schema::GuestUser, schema::GuestPassword);
    } else {
        text += QStringLiteral("It uses the database that was already there:\n%1").arg(done.database);
    }
    return text;
}

void announceStart(const FirstStart& done)
{
    if (done.registered)
        qCInfo(lcStartup).noquote() << "registered data source" << done.source << "in" << done.iniFile;
    if (done.created)
        qCInfo(lcStartup).noquote() << "created database" << done.database;
    if (Pass)
        qCInfo(lcStartup) << "login window open";
    const QString notice = firstStartNotice(done);
    if (notice.isEmpty())
        return;
    std::fputs(qPrintable(notice + u'\n'), stdout);
    std::fflush(stdout);
    // After the loop has painted the main and login windows, so the box sits in front of them.
    QTimer::singleShot(0, [notice] { ui::showMessage(notice); });
}

}  // namespace kestrum::setup

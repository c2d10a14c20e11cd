// kestrum [--connect "ODBC connection string"] [--create-database | --check-database |
//          --upgrade-database | --backup FILE | --restore FILE] [--version]
#include "BackupUi.h"
#include "Commands.h"
#include "DataFiles.h"
#include "DataModule.h"
#include "Format.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "FirstStart.h"
#include "MainForm.h"
#include "ProgramWindows.h"
#include "Schema.h"
#include "Shell.h"
#include "Splash.h"
#include "Version.h"

#include <QApplication>
#include <QIcon>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTimer>
#include <cstdio>

namespace {

const char* const usage =
    "Usage: kestrum [--connect \"ODBC connection string\"]\n"
    "               [--create-database | --check-database | --upgrade-database]\n"
    "       kestrum --version\n"
    "  --connect TEXT      use this ODBC connection string (or data source name) instead of\n"
    "                      the data source \"Kestrum\"\n"
    "  --create-database   create the tables, the shop profile row and the user Guest\n"
    "                      (password 12) in an empty database, then exit\n"
    "  --check-database    list missing tables, columns and indexes, then exit (0: complete)\n"
    "  --upgrade-database  add what a database made by an earlier version lacks, keeping\n"
    "                      its rows, then exit\n"
    "  --backup FILE       back the database up into FILE (a folder: a file named by shop, date\n"
    "                      and time there), check the copy, then exit (0: backed up)\n"
    "  --restore FILE      check the backup FILE, ask, save the current database as a\n"
    "                      \"before-restore\" backup, put FILE in its place, then exit\n"
    "  --version           print the version, then exit\n"
    "  -h, --help          print this text, then exit\n"
    "Without --connect a first start registers the data source \"Kestrum\" in ~/.odbc.ini over\n"
    "an SQLite file in $XDG_DATA_HOME/kestrum/ and creates the database there.\n";

struct Options {
    QString connection = kestrum::setup::DataSourceName;
    bool connectGiven = false;
    bool create = false;
    bool check = false;
    bool upgrade = false;
    QString backupFile;   // --backup
    QString restoreFile;  // --restore
};

// --backup FILE and --restore FILE; returns how many arguments it took (0: not one of them).
int parseBackupOption(int argc, char** argv, int i, Options& o)
{
    const QString a = QString::fromLocal8Bit(argv[i]);
    QString* into = a == "--backup" ? &o.backupFile : a == "--restore" ? &o.restoreFile : nullptr;
    if (!into || i + 1 >= argc)
        return 0;
    *into = QString::fromLocal8Bit(argv[i + 1]);
    return 2;
}

bool backupCommand(const Options& o)
{
    return !o.backupFile.isEmpty() || !o.restoreFile.isEmpty();
}

void print(FILE* to, const QString& text)
{
    std::fputs(qPrintable(text), to);
    std::fputc('\n', to);
    std::fflush(to);
}

// 0: run; otherwise the exit code after the options were refused or help was printed.
int parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (int used = parseBackupOption(argc, argv, i, o)) {
            i += used - 1;
        } else if (a == "--connect" && i + 1 < argc) {
            o.connection = QString::fromLocal8Bit(argv[++i]);
            o.connectGiven = true;
        } else if (a.startsWith("--connect=")) {
            o.connection = a.mid(int(qstrlen("--connect=")));
            o.connectGiven = true;
        } else if (a == "--create-database") {
            o.create = true;
        } else if (a == "--check-database") {
            o.check = true;
        } else if (a == "--upgrade-database") {
            o.upgrade = true;
        } else if (a == "--version") {
            std::printf("kestrum %s\n", kestrum::programVersion());
            return -1;
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return -1;
        } else {
            print(stderr, QStringLiteral("kestrum: unknown or incomplete option \"%1\"").arg(a));
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (int(o.create) + int(o.check) + int(o.upgrade) + int(!o.backupFile.isEmpty()) + int(!o.restoreFile.isEmpty()) > 1) {
        print(stderr, "kestrum: --create-database, --check-database, --upgrade-database, --backup and --restore "
                      "exclude each other");
        return 2;
    }
    if (o.connection.trimmed().isEmpty()) {
        print(stderr, "kestrum: --connect needs a connection string");
        return 2;
    }
    return 0;
}

QString unreachableText(const Options& o, const QString& driverMessage)
{
    return QStringLiteral("The database could not be opened (%1).\n\n%2\n\n"
                          "Start Kestrum with --connect \"ODBC connection string\" to use another "
                          "database, or run kestrum --create-database to set up a new one.")
        .arg(o.connection.contains('=') ? QStringLiteral("--connect")
                                        : QStringLiteral("data source \"%1\"").arg(o.connection),
             driverMessage);
}

// --create-database, --check-database and --upgrade-database: no window, results on stdout, errors on stderr.
int runSchemaCommand(const Options& o)
{
    int rc = 1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "kestrum-setup");
        db.setDatabaseName(kestrum::qtOdbcDatabaseName(o.connection));
        if (!db.open()) {
            print(stderr, unreachableText(o, db.lastError().text()));
        } else {
            try {
                if (o.create) {
                    kestrum::schema::createDatabase(db);
                    print(stdout, QStringLiteral("Database created. Log in as \"%1\" with the "
                                                 "password \"%2\" and change it.")
                                      .arg(kestrum::schema::GuestUser,
                                           kestrum::schema::GuestPassword));
                    rc = 0;
                } else if (o.upgrade) {
                    const QStringList done = kestrum::schema::upgradeDatabase(db);
                    for (const QString& line : done)
                        print(stdout, line);
                    print(stdout, done.isEmpty() ? QStringLiteral("The database is up to date.")
                                                 : QStringLiteral("The database was brought up to date."));
                    rc = 0;
                } else {
                    const QStringList missing = kestrum::schema::checkDatabase(db);
                    for (const QString& line : missing)
                        print(stdout, line);
                    if (missing.isEmpty())
                        print(stdout, "The database has every table, column and index.");
                    rc = missing.isEmpty() ? 0 : 1;
                }
            } catch (const std::exception& e) {
                print(stderr, kestrum::ui::errorText(e));
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("kestrum-setup");
    return rc;
}

// Shown in the standard error box where someone can see it, always on stderr.
void startupError(const QString& text)
{
    print(stderr, text);
    const QString platform = QGuiApplication::platformName();
    if (platform != "offscreen" && platform != "minimal")
        kestrum::ui::showError(text);
}

// The Database menu's backups: the connection for pg_dump, the start-up check and automatic
// backup once the main window shows, and how a restore closes the windows.
void startBackups(const Options& o)
{
    kestrum::backup::setConnection(o.connection);
    kestrum::backup::setCloseProgram([] {
        if (MainForm)
            MainForm->close();
    });
    QTimer::singleShot(0, [] { kestrum::backup::atStart(); });
}

// A confirmed restore: every window and the connection go, the backup is put in place, and the
// program opens again on it. Returns the exit code of the new run.
int reopenProgram(const Options& o)
{
    try {
        kestrum::reopenAfterRestore(o.connection);
    } catch (const kestrum::DatabaseError& e) {
        startupError(unreachableText(o, e.message()));
        return 1;
    }
    return QApplication::exec();
}

int runProgram(const Options& o)
{
    TSplash splash;
    splash.showNow();
    kestrum::setup::FirstStart firstStart;
    if (!o.connectGiven) {
        try {
            firstStart = kestrum::setup::prepareDataSource(o.connection);
        } catch (const kestrum::setup::SetupError& e) {
            startupError(QString::fromLocal8Bit(e.what()));
            return 1;
        }
    }
    try {
        DM = new TDM(o.connection);
    } catch (const kestrum::DatabaseError& e) {
        startupError(unreachableText(o, e.message()));
        return 1;
    }
    kestrum::bringDatabaseForward(QStringLiteral("This database"));
    kestrum::registerProgramWindows();
    kestrum::shell::createWindows();
    splash.hide();
    splash.close();
    kestrum::setup::announceStart(firstStart);
    startBackups(o);
    int rc = QApplication::exec();
    while (rc == 0 && kestrum::backup::restorePending())
        rc = reopenProgram(o);
    if (DM)
        kestrum::backup::atClose();
    return rc;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (int rc = parse(argc, argv, options); rc != 0)
        return rc < 0 ? 0 : rc;
    kestrum::setup::nameUserOdbcIni();  // before the first ODBC call reads the user's file
    kestrum::settleLocalTimeZone();
    if (options.create || options.check || options.upgrade) {
        QCoreApplication app(argc, argv);
        return runSchemaCommand(options);
    }
    if (backupCommand(options)) {
        QCoreApplication app(argc, argv);
        return options.backupFile.isEmpty()
                   ? kestrum::backup::runRestoreCommand(options.connection, options.restoreFile)
                   : kestrum::backup::runBackupCommand(options.connection, options.backupFile);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Kestrum");
    QApplication::setApplicationDisplayName("Kestrum");
    QApplication::setApplicationVersion(kestrum::programVersion());
    QApplication::setDesktopFileName("kestrum");
    QApplication::setWindowIcon(QIcon::fromTheme(
        "kestrum", QIcon(kestrum::ui::dataFile("icons/hicolor/256x256/apps/kestrum.png"))));
    int rc = 1;
    try {
        rc = runProgram(options);
    } catch (const std::exception& e) {
        startupError(kestrum::ui::errorText(e));
        rc = 1;
    } catch (...) {
        startupError("Kestrum stopped on an unexpected error.");
        rc = 1;
    }
    kestrum::shell::destroyWindows();
    delete DM;
    DM = nullptr;
    return rc;
}

#include "Commands.h"

#include "DataModule.h"
#include "DatabaseBackup.h"
#include "Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace kestrum::backup {
namespace {

volatile std::sig_atomic_t interrupted = 0;

// Ctrl+C stops the work at its next step, so the partial file is removed.
void onSignal(int) { interrupted = 1; }

const Progress stopOnSignal = [](qint64, qint64) { return interrupted == 0; };

void say(FILE* to, const QString& text) {
    std::fputs(qPrintable(text), to);
    std::fputc('\n', to);
    std::fflush(to);
}

bool answeredYes(const QString& question) {
    say(stdout, question + QStringLiteral("\nType yes to go on: "));
    std::string line;
    if (!std::getline(std::cin, line)) return false;
    const QString a = QString::fromLocal8Bit(line.c_str()).trimmed().toLower();
    return a == QLatin1String("yes") || a == QLatin1String("y");
}

// Runs `work` on the database at `connection`; errors go to stderr as the exit code 1.
int withDatabase(const QString& connection, const std::function<int(QSqlDatabase&)>& work) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const QString name = QStringLiteral("kestrum-backup");
    int rc = 1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(qtOdbcDatabaseName(connection));
        if (!db.open()) {
            say(stderr, QStringLiteral("kestrum: the database could not be opened: %1").arg(db.lastError().text()));
        } else {
            try {
                rc = work(db);
            } catch (const std::exception& e) {
                say(stderr, QStringLiteral("kestrum: %1").arg(QString::fromStdString(e.what())));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rc;
}

}  // namespace

int runBackupCommand(const QString& connection, const QString& file) {
    return withDatabase(connection, [&](QSqlDatabase& db) {
        const Location where = locate(db, connection);
        QString target = file;
        if (QFileInfo(file).isDir()) target = QDir(file).filePath(backupName(where, Kind::Manual));
        backUp(where, target, stopOnSignal);
        say(stdout, QStringLiteral("The database was backed up to \"%1\" and the copy checked.")
                        .arg(QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath())));
        return 0;
    });
}

int runRestoreCommand(const QString& connection, const QString& file) {
    Location where;
    bool replace = false;
    QString before;
    const int rc = withDatabase(connection, [&](QSqlDatabase& db) {
        where = locate(db, connection);
        const BackupInfo info = inspect(where, file, stopOnSignal);
        if (!answeredYes(restoreQuestion(file, info))) {
            say(stdout, QStringLiteral("Nothing was changed."));
            return 1;
        }
        if (where.postgres()) {
            const qint64 rows = postgresRows(db);
            if (rows > 0 && !answeredYes(QStringLiteral("The database is not empty: it holds %1 rows of invoices, "
                                                         "customers, parts and other records. Replace ALL of it?")
                                             .arg(rows))) {
                say(stdout, QStringLiteral("Nothing was changed."));
                return 1;
            }
            replace = rows >= 0;
        }
        before = backUpToFolder(where, loadSettings(), Kind::BeforeRestore, stopOnSignal);
        say(stdout, QStringLiteral("The current database was saved as \"%1\".").arg(QDir::toNativeSeparators(before)));
        return 0;
    });
    if (rc != 0) return rc;
    // The connection is closed: the file can be replaced.
    try {
        restoreInPlace(where, file, replace, stopOnSignal);
    } catch (const std::exception& e) {
        say(stderr, QStringLiteral("kestrum: the backup was not restored; the database is as it was.\n%1")
                        .arg(QString::fromStdString(e.what())));
        return 1;
    }
    say(stdout, QStringLiteral("The backup \"%1\" was restored.").arg(QDir::toNativeSeparators(file)));
    // A backup made by an earlier version is brought forward, as --upgrade-database would.
    return withDatabase(connection, [&](QSqlDatabase& db) {
        for (const QString& line : schema::upgradeDatabase(db))
            say(stdout, line);
        return 0;
    });
}

}  // namespace kestrum::backup

#include "DatabaseBackup.h"

#include "PartialFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

namespace kestrum::backup {

Location locate(const QSqlDatabase& db, const QString& connection) {
    Location where;
    try {
        where.engine = schema::engineOf(db);
    } catch (const schema::SchemaError& e) {
        throw BackupError(QString::fromStdString(e.what()));
    }
    QSqlQuery q(db);
    if (where.postgres()) {
        where.pg = pgTarget(db, connection);
    } else {
        if (q.exec(QStringLiteral("PRAGMA database_list")))
            while (q.next())
                if (q.value(1).toString() == QLatin1String("main")) where.file = q.value(2).toString();
        q.finish();
        if (where.file.isEmpty())
            throw BackupError(QStringLiteral("The database is not kept in a file, so it cannot be backed up."));
    }
    q.prepare(QStringLiteral("SELECT Name_R FROM Reg WHERE Id_R = ?"));
    q.addBindValue(1);
    if (q.exec() && q.next()) where.shopName = q.value(0).toString();
    return where;
}

QString backupName(const Location& where, Kind kind, const QDateTime& when) {
    return backupFileName(where.shopName, when, kind, where.postgres());
}

void backUp(const Location& where, const QString& file, const Progress& progress, Verify verify) {
    if (where.postgres())
        dumpPostgres(where.pg, file, progress);
    else
        backupSqliteFile(where.file, file, progress, verify);
}

QString backUpToFolder(const Location& where, const BackupSettings& settings, Kind kind, const Progress& progress) {
    makeFolder(settings.folder, QDir(settings.folder) == QDir(defaultFolder()));
    QString file = QDir(settings.folder).filePath(backupName(where, kind));
    // Two copies within one second (a restore straight after a backup) must not share a name.
    for (int i = 1; QFileInfo::exists(file); ++i)
        file = QDir(settings.folder).filePath(backupName(where, kind, QDateTime::currentDateTime().addSecs(i)));
    backUp(where, file, progress, Verify::Quick);
    if (kind == Kind::Automatic) rotate(settings.folder, where.shopName, settings.keepDaily, settings.keepMonthly);
    return file;
}

QDateTime lastAutomaticBackup(const Location& where, const BackupSettings& settings) {
    for (const BackupFile& f : backupsIn(settings.folder, where.shopName))
        if (f.kind == Kind::Automatic && f.path.endsWith(where.postgres() ? QLatin1String(".dump") : QLatin1String(".db")))
            return f.when;
    return {};
}

BackupInfo inspect(const Location& where, const QString& file, const Progress& progress) {
    return where.postgres() ? inspectPostgresDump(file, progress) : inspectSqliteBackup(file, progress);
}

QString restoreQuestion(const QString& file, const BackupInfo& info) {
    const QLocale locale;
    return QStringLiteral("Restore the backup \"%1\" taken %2?\n\nIt holds %3 invoices, %4 customers and %5 parts.\n\n"
                          "The current database is first saved as a backup named \"before-restore\"; "
                          "then it is replaced by the backup and Kestrum opens it again.")
        .arg(QFileInfo(file).fileName(), locale.toString(info.taken, QLocale::LongFormat))
        .arg(info.invoices)
        .arg(info.customers)
        .arg(info.parts);
}

void restoreInPlace(const Location& where, const QString& file, bool replace, const Progress& progress) {
    if (where.postgres())
        restorePostgres(where.pg, file, replace, progress);
    else
        replaceSqliteFile(file, where.file, progress);
}

QString newestGoodBackup(const Location& where, const BackupSettings& settings) {
    for (const BackupFile& f : backupsIn(settings.folder, QString())) {
        if (f.path.endsWith(QLatin1String(".dump")) != where.postgres()) continue;
        try {
            inspect(where, f.path);
            return f.path;
        } catch (const BackupError&) {
        }
    }
    return {};
}

QString checkReport(const Location& where, const QString& integrity, const QStringList& missing) {
    QStringList lines;
    if (where.postgres())
        lines << QStringLiteral("Integrity: PostgreSQL checks its own storage.");
    else
        lines << (integrity == QLatin1String("ok") ? QStringLiteral("Integrity check: ok.")
                                                   : QStringLiteral("Integrity check found damage:\n%1").arg(integrity));
    lines << (missing.isEmpty() ? QStringLiteral("Tables: the database has every table and column.")
                                : QStringLiteral("Tables:\n%1").arg(missing.join(u'\n')));
    return lines.join(QStringLiteral("\n\n"));
}

}  // namespace kestrum::backup

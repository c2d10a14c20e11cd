#include "BackupFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <memory>

namespace kestrum::backup {
namespace {

QString& settingsOverride() {
    static QString path;
    return path;
}

std::unique_ptr<QSettings> store() {
    if (!settingsOverride().isEmpty())
        return std::make_unique<QSettings>(settingsOverride(), QSettings::IniFormat);
    // $XDG_CONFIG_HOME/kestrum/kestrum.ini
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kestrum"),
                                       QStringLiteral("kestrum"));
}

const QString StampFormat = QStringLiteral("yyyy-MM-dd-HHmmss");

const QRegularExpression& namePattern() {
    static const QRegularExpression re(
        QStringLiteral("^(.+)-(\\d{4}-\\d{2}-\\d{2}-\\d{6})(-auto|-before-restore)?\\.(db|dump)$"));
    return re;
}

}  // namespace

QString defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kestrum/backups");
}

BackupSettings loadSettings() {
    const auto s = store();
    BackupSettings b;
    b.folder = s->value(QStringLiteral("backup/folder"), defaultFolder()).toString();
    if (b.folder.trimmed().isEmpty()) b.folder = defaultFolder();
    b.automatic = s->value(QStringLiteral("backup/automatic"), true).toBool();
    // A count that is not a number (the file edited by hand) falls back to the default.
    const auto count = [&](const QString& key, int fallback, int least) {
        bool ok = false;
        const int n = s->value(key, fallback).toInt(&ok);
        return std::max(least, ok ? n : fallback);
    };
    b.keepDaily = count(QStringLiteral("backup/keepDaily"), 7, 1);
    b.keepMonthly = count(QStringLiteral("backup/keepMonthly"), 12, 0);
    return b;
}

void saveSettings(const BackupSettings& b) {
    const auto s = store();
    s->setValue(QStringLiteral("backup/folder"), b.folder);
    s->setValue(QStringLiteral("backup/automatic"), b.automatic);
    s->setValue(QStringLiteral("backup/keepDaily"), std::max(1, b.keepDaily));
    s->setValue(QStringLiteral("backup/keepMonthly"), std::max(0, b.keepMonthly));
    s->sync();
}

void setSettingsFile(const QString& path) { settingsOverride() = path; }

void recordFailure(const QString& why) {
    const auto s = store();
    s->setValue(QStringLiteral("backup/lastFailure"), why);
    s->sync();
}

QString takeFailure() {
    const auto s = store();
    const QString why = s->value(QStringLiteral("backup/lastFailure")).toString();
    if (!why.isEmpty()) {
        s->remove(QStringLiteral("backup/lastFailure"));
        s->sync();
    }
    return why;
}

QString shopTag(const QString& shopName) {
    QString tag;
    for (const QChar c : shopName.trimmed()) {
        if (c.isLetterOrNumber())
            tag += c;
        else if (!tag.endsWith(u'-'))
            tag += u'-';
    }
    while (tag.endsWith(u'-')) tag.chop(1);
    while (tag.startsWith(u'-')) tag.remove(0, 1);
    return tag.isEmpty() ? QStringLiteral("kestrum") : tag.left(60);
}

QString backupFileName(const QString& shopName, const QDateTime& when, Kind kind, bool postgres) {
    const QString suffix = kind == Kind::Automatic       ? QStringLiteral("-auto")
                           : kind == Kind::BeforeRestore ? QStringLiteral("-before-restore")
                                                         : QString();
    return QStringLiteral("%1-%2%3.%4")
        .arg(shopTag(shopName), when.toString(StampFormat), suffix,
             postgres ? QStringLiteral("dump") : QStringLiteral("db"));
}

QList<BackupFile> backupsIn(const QString& folder, const QString& shopName) {
    QList<BackupFile> out;
    const QString tag = shopName.isNull() ? QString() : shopTag(shopName);
    const QStringList names = QDir(folder).entryList(QDir::Files);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = namePattern().match(name);
        if (!m.hasMatch() || (!tag.isNull() && m.captured(1) != tag)) continue;
        const QDateTime when = QDateTime::fromString(m.captured(2), StampFormat);
        if (!when.isValid()) continue;
        const Kind kind = m.captured(3) == QLatin1String("-auto")             ? Kind::Automatic
                          : m.captured(3) == QLatin1String("-before-restore") ? Kind::BeforeRestore
                                                                              : Kind::Manual;
        out.append({QDir(folder).filePath(name), when, kind});
    }
    std::sort(out.begin(), out.end(), [](const BackupFile& a, const BackupFile& b) { return a.when > b.when; });
    return out;
}

QList<QDateTime> rotationRemoves(QList<QDateTime> stamps, int keepDaily, int keepMonthly) {
    std::sort(stamps.begin(), stamps.end(), std::greater<>());
    QList<bool> kept(stamps.size(), false);
    QSet<QDate> days;
    for (qsizetype i = 0; i < stamps.size(); ++i) {
        const QDate day = stamps[i].date();
        if (days.contains(day) || days.size() >= std::max(1, keepDaily)) continue;
        days.insert(day);
        kept[i] = true;
    }
    QSet<int> months;
    for (qsizetype i = 0; i < stamps.size(); ++i) {
        const int month = stamps[i].date().year() * 12 + stamps[i].date().month();
        if (kept[i] || months.contains(month) || months.size() >= keepMonthly) continue;
        months.insert(month);
        kept[i] = true;
    }
    QList<QDateTime> removes;
    for (qsizetype i = stamps.size() - 1; i >= 0; --i)
        if (!kept[i]) removes.append(stamps[i]);
    return removes;
}

QStringList rotate(const QString& folder, const QString& shopName, int keepDaily, int keepMonthly) {
    QList<BackupFile> automatic;
    for (const BackupFile& f : backupsIn(folder, shopName))
        if (f.kind == Kind::Automatic) automatic.append(f);
    QList<QDateTime> stamps;
    for (const BackupFile& f : automatic) stamps.append(f.when);
    QStringList removed;
    for (const QDateTime& when : rotationRemoves(stamps, keepDaily, keepMonthly))
        for (const BackupFile& f : automatic)
            if (f.when == when && QFile::remove(f.path)) removed << f.path;
    return removed;
}

}  // namespace kestrum::backup

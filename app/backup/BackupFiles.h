#pragma once
// Where backups go, what they are called, how many automatic copies are kept, and the user's
// backup settings (QSettings in the user's config folder).
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace kestrum::backup {

struct BackupSettings {
    QString folder;          // automatic and "before-restore" copies
    bool automatic = true;   // at close, and at start when the last copy is older than a day
    int keepDaily = 7;       // newest copy of each of the last N days with a copy
    int keepMonthly = 12;    // and the newest remaining copy of each of the last N months
};

/// $XDG_DATA_HOME/kestrum/backups (~/.local/share/kestrum/backups by default).
QString defaultFolder();
BackupSettings loadSettings();
void saveSettings(const BackupSettings& settings);
/// \brief For tests: keep the settings in this file instead of the user's config folder ("" restores).
void setSettingsFile(const QString& path);

/// \brief Remembers why the last automatic backup failed, for the next start to say once.
void recordFailure(const QString& why);
/// The failure recorded, cleared as it is read ("" when the last backup went well).
QString takeFailure();

enum class Kind { Manual, Automatic, BeforeRestore };

/// The shop's name made safe for a file name ("kestrum" when it has none).
QString shopTag(const QString& shopName);
/// \brief "<shop>-<yyyy-MM-dd-HHmmss>[-auto|-before-restore].<db|dump>".
QString backupFileName(const QString& shopName, const QDateTime& when, Kind kind, bool postgres);

struct BackupFile {
    QString path;
    QDateTime when;
    Kind kind;
};
/// \brief The backups in `folder` named by backupFileName, of any shop when `shopName` is null,
/// newest first.
QList<BackupFile> backupsIn(const QString& folder, const QString& shopName = QString());

/// \brief Of automatic copies (taken at `stamps`), those rotation removes: all but the newest copy
/// of each of the last `keepDaily` days and the newest remaining copy of each of the last
/// `keepMonthly` months. The newest copy always stays. Oldest first.
QList<QDateTime> rotationRemoves(QList<QDateTime> stamps, int keepDaily, int keepMonthly);
/// \brief Removes the automatic copies of `shopName` in `folder` that rotation does not keep.
/// Never touches manual or "before-restore" copies. Returns the files removed.
QStringList rotate(const QString& folder, const QString& shopName, int keepDaily, int keepMonthly);

}  // namespace kestrum::backup

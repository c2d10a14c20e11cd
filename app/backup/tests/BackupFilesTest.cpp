// Names, rotation and settings of the backups, and the temporary file that becomes a backup
// only when it is whole.
#include "BackupError.h"
#include "BackupFiles.h"
#include "PartialFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kestrum::backup;

namespace {

unsigned modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

}  // namespace

TEST(BackupNames, CarryShopDateAndTimeAndKind) {
    const QDateTime when(QDate(2026, 3, 7), QTime(14, 5, 9));
    EXPECT_EQ(backupFileName("Main Street Auto & Tire", when, Kind::Manual, false),
              "Main-Street-Auto-Tire-2026-03-07-140509.db");
    EXPECT_EQ(backupFileName("", when, Kind::Automatic, false), "kestrum-2026-03-07-140509-auto.db");
    EXPECT_EQ(backupFileName("../../etc", when, Kind::BeforeRestore, true), "etc-2026-03-07-140509-before-restore.dump");
}

TEST(BackupNames, ListedNewestFirstByShopAndKind) {
    QTemporaryDir dir;
    const QDateTime t(QDate(2026, 1, 1), QTime(9, 0));
    touch(dir.filePath(backupFileName("A", t, Kind::Automatic, false)));
    touch(dir.filePath(backupFileName("A", t.addDays(1), Kind::Manual, false)));
    touch(dir.filePath(backupFileName("A", t.addDays(2), Kind::BeforeRestore, false)));
    touch(dir.filePath(backupFileName("B", t.addDays(3), Kind::Automatic, false)));
    touch(dir.filePath("notes.txt"));
    touch(dir.filePath(".A-2026-01-05-090000-auto.db.partial-abcdef"));
    const QList<BackupFile> a = backupsIn(dir.path(), "A");
    ASSERT_EQ(a.size(), 3);
    EXPECT_EQ(a[0].kind, Kind::BeforeRestore);
    EXPECT_EQ(a[1].kind, Kind::Manual);
    EXPECT_EQ(a[2].kind, Kind::Automatic);
    EXPECT_EQ(a[2].when, t);
    EXPECT_EQ(backupsIn(dir.path()).size(), 4);
}

// A copy every day (two on some days) for two and a half years: after each day's rotation the
// folder holds the newest copy of each of the last 7 days and one copy of each of the 12 months
// before those, never more; the newest copy always stays.
TEST(BackupRotation, KeepsExactlyTheConfiguredCopiesAcrossDaysAndMonths) {
    QTemporaryDir dir;
    QDateTime now(QDate(2024, 11, 20), QTime(18, 0));
    for (int day = 0; day < 900; ++day, now = now.addDays(1)) {
        touch(dir.filePath(backupFileName("Shop", now, Kind::Automatic, false)));
        if (day % 5 == 0) touch(dir.filePath(backupFileName("Shop", now.addSecs(600), Kind::Automatic, false)));
        rotate(dir.path(), "Shop", 7, 12);
        const QList<BackupFile> left = backupsIn(dir.path(), "Shop");
        ASSERT_FALSE(left.isEmpty());
        ASSERT_GE(left.first().when, now);
        ASSERT_LE(left.size(), 19) << "day " << day;
    }
    const QList<BackupFile> left = backupsIn(dir.path(), "Shop");
    ASSERT_EQ(left.size(), 19);
    // The dailies: the newest copy of each of the last 7 days; the other 12 copies, one a month.
    QSet<QDate> days;
    QSet<int> months;
    int monthly = 0;
    const QDate today = left.first().when.date();
    for (const BackupFile& f : left) {
        if (f.when.date() > today.addDays(-7) && !days.contains(f.when.date())) {
            days.insert(f.when.date());
            continue;
        }
        ++monthly;
        months.insert(f.when.date().year() * 12 + f.when.date().month());
    }
    EXPECT_EQ(days.size(), 7);
    EXPECT_EQ(monthly, 12);
    EXPECT_EQ(months.size(), 12);
}

TEST(BackupRotation, OtherSettingsAndFilesItMustNotTouch) {
    QTemporaryDir dir;
    QDateTime now(QDate(2026, 1, 1), QTime(8, 0));
    const QString manual = dir.filePath(backupFileName("Shop", now, Kind::Manual, false));
    const QString before = dir.filePath(backupFileName("Shop", now, Kind::BeforeRestore, false));
    const QString other = dir.filePath(backupFileName("Other", now, Kind::Automatic, false));
    touch(manual);
    touch(before);
    touch(other);
    for (int day = 0; day < 100; ++day, now = now.addDays(1)) {
        touch(dir.filePath(backupFileName("Shop", now, Kind::Automatic, false)));
        rotate(dir.path(), "Shop", 3, 2);
    }
    EXPECT_TRUE(QFile::exists(manual));
    EXPECT_TRUE(QFile::exists(before));
    EXPECT_TRUE(QFile::exists(other));
    int automatic = 0;
    for (const BackupFile& f : backupsIn(dir.path(), "Shop")) automatic += f.kind == Kind::Automatic;
    EXPECT_EQ(automatic, 5);
    // Nothing kept at all is not a setting: the newest copy stays.
    EXPECT_EQ(rotationRemoves({now, now.addDays(-1)}, 0, 0), QList<QDateTime>{now.addDays(-1)});
}

TEST(BackupSettingsStore, RoundTripAndFailureSaidOnce) {
    QTemporaryDir dir;
    setSettingsFile(dir.filePath("kestrum.conf"));
    const BackupSettings d = loadSettings();
    EXPECT_EQ(d.folder, defaultFolder());
    EXPECT_TRUE(d.automatic);
    EXPECT_EQ(d.keepDaily, 7);
    EXPECT_EQ(d.keepMonthly, 12);
    saveSettings({dir.filePath("b"), false, 3, 0});
    const BackupSettings s = loadSettings();
    EXPECT_EQ(s.folder, dir.filePath("b"));
    EXPECT_FALSE(s.automatic);
    EXPECT_EQ(s.keepDaily, 3);
    EXPECT_EQ(s.keepMonthly, 0);
    EXPECT_EQ(takeFailure(), "");
    recordFailure("disk full");
    EXPECT_EQ(takeFailure(), "disk full");
    EXPECT_EQ(takeFailure(), "");
    setSettingsFile({});
}

TEST(BackupPartialFile, OwnerOnlyAndNeverUnderTheFinalNameUntilCommitted) {
    QTemporaryDir dir;
    const QString target = dir.filePath("copy.db");
    QString temp;
    {
        PartialFile f(target);
        temp = f.path();
        EXPECT_TRUE(isPartialName(QFileInfo(temp).fileName()));
        EXPECT_EQ(modeOf(temp), 0600u);
        EXPECT_FALSE(QFile::exists(target));
    }
    EXPECT_FALSE(QFile::exists(temp));
    EXPECT_FALSE(QFile::exists(target));
    {
        PartialFile f(target);
        touch(f.path());
        f.commit();
    }
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_EQ(modeOf(target), 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"copy.db"});
    EXPECT_THROW(PartialFile(dir.filePath("missing-folder/copy.db")), BackupError);

    makeFolder(dir.filePath("new/backups"), false);
    EXPECT_EQ(modeOf(dir.filePath("new/backups")), 0700u);
    ::chmod(QFile::encodeName(dir.filePath("new/backups")).constData(), 0755);
    makeFolder(dir.filePath("new/backups"), false);  // a folder the user picked keeps its mode
    EXPECT_EQ(modeOf(dir.filePath("new/backups")), 0755u);
    makeFolder(dir.filePath("new/backups"), true);
    EXPECT_EQ(modeOf(dir.filePath("new/backups")), 0700u);
}

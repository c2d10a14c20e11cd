// The backup windows the user drives: the progress dialog's own Cancel button stops a backup with
// no file left and the database untouched; "Backup Settings" stores its values in the user's
// config folder, shows them again and refuses what cannot be used.
#include "BackupSettingsDialog.h"
#include "BackupTestSupport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTimer>

#include <sqlite3.h>

using namespace kestrum::backup;
using backuptest::BackupTest;
using backuptest::Snapshot;

namespace {

class BackupWindowsTest : public BackupTest {
protected:
    void SetUp() override {
        if (GetParam() == testsupport::Engine::PostgreSQL && QStandardPaths::findExecutable("pg_dump").isEmpty())
            GTEST_SKIP() << "pg_dump is not on the path (Debian package postgresql-client-15)";
        BackupTest::SetUp();
    }

    // Another connection holds the database so that a backup has to wait: SQLite's exclusive
    // lock, or on PostgreSQL a table locked against readers.
    void holdDatabase() {
        if (postgres()) {
            QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "holder");
            db.setDatabaseName(connection());
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            ASSERT_TRUE(db.transaction());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec("LOCK TABLE Customer IN ACCESS EXCLUSIVE MODE")) << q.lastError().text().toStdString();
        } else {
            ASSERT_EQ(sqlite3_open(QFile::encodeName(where().file).constData(), &holder_), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(holder_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        holding_ = true;
    }
    void letGo() {
        if (!holding_) return;
        holding_ = false;
        if (postgres()) {
            QSqlDatabase::database("holder").rollback();
            QSqlDatabase::database("holder").close();
            QSqlDatabase::removeDatabase("holder");
        } else {
            sqlite3_exec(holder_, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(holder_);
            holder_ = nullptr;
        }
    }
    void TearDown() override {
        letGo();
        BackupTest::TearDown();
    }

    sqlite3* holder_ = nullptr;
    bool holding_ = false;
};

// The user's settings store, in a config folder of the test's own.
class ConfigFolder {
public:
    ConfigFolder() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        setSettingsFile({});
    }
    ~ConfigFolder() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }
    QString file() const { return dir.filePath("kestrum/kestrum.ini"); }
    QTemporaryDir dir;
};

void clickOk(TBackupSettings& d) {
    d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

TEST_P(BackupWindowsTest, ProgressDialogsCancelButtonLeavesNoFileAndTheDatabaseUntouched) {
    fill(20);
    const Snapshot before = live();
    const QString out = dir_.filePath("manual");
    QDir().mkpath(out);
    setFileChooser([&](bool, const QString&) {
        holdDatabase();  // after the program read the shop's name, before the backup starts
        return out + (postgres() ? "/shop.dump" : "/shop.db");
    });
    QString label;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(w);
            if (!progress || !progress->isVisible() || !label.isEmpty()) continue;
            label = progress->labelText();
            auto* cancel = progress->findChild<QPushButton*>();
            ASSERT_NE(cancel, nullptr);
            EXPECT_EQ(cancel->text(), "Cancel");
            cancel->click();
            letGo();
        }
    });
    watch.start(50);
    backUpNow();
    watch.stop();

    EXPECT_EQ(label, "Backing up the database…");
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
    ASSERT_EQ(dialogs_->messages().size(), 1);
    EXPECT_TRUE(dialogs_->messages()[0].contains("cancelled")) << dialogs_->messages()[0].toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(live(), before);

    // The same backup, not cancelled, goes through.
    dialogs_->clear();
    setFileChooser([&](bool, const QString&) { return out + (postgres() ? "/shop.dump" : "/shop.db"); });
    backUpNow();
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
    EXPECT_EQ(backupContents(out + (postgres() ? "/shop.dump" : "/shop.db")), before);
}

TEST_P(BackupWindowsTest, SettingsAreStoredInTheConfigFolderReadBackAndBadValuesRefused) {
    ConfigFolder config;
    {
        TBackupSettings d;
        EXPECT_EQ(QDir::fromNativeSeparators(d.Folder()->text()), defaultFolder());
        EXPECT_TRUE(d.Automatic()->isChecked());
        EXPECT_EQ(d.Daily()->value(), 7);
        EXPECT_EQ(d.Monthly()->value(), 12);
        d.show();
        d.Folder()->setText(dir_.filePath("elsewhere/copies"));
        d.Automatic()->setChecked(false);
        d.Daily()->setValue(3);
        d.Monthly()->setValue(0);
        clickOk(d);
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
    EXPECT_TRUE(QDir(dir_.filePath("elsewhere/copies")).exists());
    ASSERT_TRUE(QFile::exists(config.file()));
    {
        QSettings stored(config.file(), QSettings::IniFormat);
        EXPECT_EQ(stored.value("backup/folder").toString(), dir_.filePath("elsewhere/copies"));
        EXPECT_EQ(stored.value("backup/automatic").toBool(), false);
        EXPECT_EQ(stored.value("backup/keepDaily").toInt(), 3);
        EXPECT_EQ(stored.value("backup/keepMonthly").toInt(), 0);
    }
    const BackupSettings saved = loadSettings();
    EXPECT_EQ(saved.folder, dir_.filePath("elsewhere/copies"));
    EXPECT_FALSE(saved.automatic);
    EXPECT_EQ(saved.keepDaily, 3);
    EXPECT_EQ(saved.keepMonthly, 0);
    {
        TBackupSettings again;
        EXPECT_EQ(QDir::fromNativeSeparators(again.Folder()->text()), dir_.filePath("elsewhere/copies"));
        EXPECT_FALSE(again.Automatic()->isChecked());
        EXPECT_EQ(again.Daily()->value(), 3);
        EXPECT_EQ(again.Monthly()->value(), 0);
    }

    // A folder that is not a full path, none at all, or one that cannot be made: refused, the
    // dialog stays open and nothing is stored.
    QFile plain(dir_.filePath("a-file"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const QString& bad : {QStringLiteral("backups"), QStringLiteral("  "), dir_.filePath("a-file/copies")}) {
        SCOPED_TRACE(bad.toStdString());
        dialogs_->clear();
        TBackupSettings d;
        d.show();
        d.Folder()->setText(bad);
        d.Daily()->setValue(9);
        clickOk(d);
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_TRUE(d.isVisible());
        ASSERT_EQ(dialogs_->errors().size(), 1);
        EXPECT_TRUE(dialogs_->errors()[0].contains("nothing was saved", Qt::CaseInsensitive))
            << dialogs_->errors()[0].toStdString();
        EXPECT_EQ(loadSettings().keepDaily, 3);
        EXPECT_EQ(loadSettings().folder, dir_.filePath("elsewhere/copies"));
    }
    // Counts the dialog cannot take, nor the store give back.
    TBackupSettings d;
    d.Daily()->setValue(0);
    d.Monthly()->setValue(-5);
    EXPECT_EQ(d.Daily()->value(), 1);
    EXPECT_EQ(d.Monthly()->value(), 0);
    {
        QSettings stored(config.file(), QSettings::IniFormat);
        stored.setValue("backup/keepDaily", "many");
        stored.setValue("backup/keepMonthly", -4);
    }
    EXPECT_EQ(loadSettings().keepDaily, 7);
    EXPECT_EQ(loadSettings().keepMonthly, 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, BackupWindowsTest, TESTSUPPORT_ENGINES);

}  // namespace

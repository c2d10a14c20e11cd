#include "BackupUi.h"

#include "BackupSettingsDialog.h"
#include "DataModule.h"
#include "DatabaseBackup.h"
#include "Dialogs.h"
#include "PartialFile.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QStandardPaths>

#include <atomic>
#include <optional>
#include <thread>

namespace kestrum::backup {
namespace {

struct Pending {
    Location where;
    QString file;
    bool replace = false;
    QString before;  // the copy of the replaced database
};

struct State {
    QString connection;
    std::function<void()> closeProgram;
    FileChooser chooser;
    std::optional<Pending> pending;
};

State& state() {
    static State s;
    return s;
}

Location here() {
    if (!DM) throw BackupError(QStringLiteral("No database is open."));
    return locate(DM->database(), state().connection);
}

QString choose(bool save, const QString& suggestion) {
    if (state().chooser) return state().chooser(save, suggestion);
    const QString filter = QStringLiteral("Kestrum backups (*.db *.dump);;All files (*)");
    return save ? QFileDialog::getSaveFileName(QApplication::activeWindow(), QStringLiteral("Back Up Database"),
                                               suggestion, filter)
                : QFileDialog::getOpenFileName(QApplication::activeWindow(), QStringLiteral("Restore Database"),
                                               suggestion, filter);
}

// The menu commands share one way of reporting: a cancel is said plainly, a failure as an error.
void reporting(const std::function<void()>& work) {
    try {
        work();
    } catch (const Cancelled& e) {
        ui::showMessage(e.text());
    } catch (const std::exception& e) {
        ui::showError(ui::errorText(e));
    }
}

// A copy of a database that fails its check cannot be verified; kept byte for byte instead, so
// that a restore over it never loses it.
QString keepDamagedCopy(const Location& where, const BackupSettings& settings) {
    makeFolder(settings.folder, false);
    const QString target = QDir(settings.folder).filePath(backupName(where, Kind::BeforeRestore) + ".damaged");
    PartialFile out(target);
    QFile::remove(out.path());
    if (!QFile::copy(where.file, out.path()))
        throw BackupError(QStringLiteral("Cannot copy the damaged database to \"%1\".").arg(target));
    out.commit(0600);
    return target;
}

void endStartCheck(bool cancel);

bool passesQuickCheck(const QString& file) {
    try {
        return integrityCheck(file, true) == QLatin1String("ok");
    } catch (const BackupError&) {
        return false;
    }
}

}  // namespace

void setConnection(const QString& connection) { state().connection = connection; }
void setCloseProgram(std::function<void()> close) { state().closeProgram = std::move(close); }
void setFileChooser(FileChooser chooser) { state().chooser = std::move(chooser); }

void runWithProgress(const QString& label, const std::function<void(const Progress&)>& work) {
    std::atomic<bool> cancel{false}, finished{false};
    std::atomic<qint64> done{0}, total{0};
    std::exception_ptr error;
    const Progress progress = [&](qint64 d, qint64 t) {
        done = d;
        total = t;
        return !cancel.load();
    };
    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            error = std::current_exception();
        }
        finished = true;
    });
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QProgressDialog dialog(label, QStringLiteral("Cancel"), 0, 0);
        dialog.setWindowTitle(QStringLiteral("Kestrum"));
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setMinimumDuration(400);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        while (!finished) {
            const qint64 t = total;
            // Units past what an int holds are shown in thousands.
            const int scale = t > 1'000'000'000 ? 1000 : 1;
            dialog.setMaximum(int(t / scale));
            dialog.setValue(int(std::min(done.load(), t) / scale));
            // Until the dialog shows, the windows behind must not take clicks.
            QApplication::processEvents(dialog.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents, 30);
            if (dialog.wasCanceled()) cancel = true;
            if (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    }
    worker.join();
    if (error) std::rethrow_exception(error);
}

QMenu* addDatabaseMenu(QMainWindow* window) {
    QMenu* menu = window->menuBar()->addMenu(QStringLiteral("&Database"));
    menu->setObjectName(QStringLiteral("DatabaseMenu"));
    const struct {
        const char* name;
        const char* text;
        const char* tip;
        void (*run)();
    } items[] = {
        {"BackUpItem", "&Back Up Database…", "Save a checked copy of the database to a file", [] { backUpNow(); }},
        {"RestoreItem", "&Restore Database…", "Replace the database by a backup", [] { restoreDatabase(); }},
        {"CheckItem", "&Check Database", "Check the database file and its tables", [] { checkDatabase(); }},
        {"BackupSettingsItem", "Backup &Settings…", "Where automatic backups go and how many are kept",
         [] { showSettings(); }},
    };
    for (const auto& item : items) {
        QAction* a = menu->addAction(QString::fromUtf8(item.text));
        a->setObjectName(QString::fromLatin1(item.name));
        a->setStatusTip(QString::fromLatin1(item.tip));
        QObject::connect(a, &QAction::triggered, menu, item.run);
    }
    return menu;
}

void backUpNow() {
    reporting([] {
        const Location where = here();
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString file = choose(true, QDir(folder).filePath(backupName(where, Kind::Manual)));
        if (file.isEmpty()) return;
        runWithProgress(QStringLiteral("Backing up the database…"),
                        [&](const Progress& p) { backUp(where, file, p); });
        ui::showMessage(QStringLiteral("The database was backed up to \"%1\" and the copy checked.")
                            .arg(QDir::toNativeSeparators(file)));
    });
}

void restoreDatabase(const QString& chosen) {
    reporting([&] {
        const Location where = here();
        const BackupSettings settings = loadSettings();
        const QString file = chosen.isEmpty() ? choose(false, settings.folder) : chosen;
        if (file.isEmpty()) return;
        BackupInfo info;
        runWithProgress(QStringLiteral("Checking the backup…"),
                        [&](const Progress& p) { info = inspect(where, file, p); });
        if (!ui::confirm(restoreQuestion(file, info))) return;
        bool replace = false;
        if (where.postgres()) {
            const qint64 rows = postgresRows(DM->database());
            if (rows > 0 &&
                !ui::confirm(QStringLiteral("The database is not empty: it holds %1 rows of invoices, customers, parts "
                                            "and other records.\n\nReplace ALL of it with the backup?")
                                 .arg(rows)))
                return;
            replace = rows >= 0;
        }
        Pending p{where, file, replace, {}};
        try {
            runWithProgress(QStringLiteral("Saving the current database…"), [&](const Progress& pr) {
                p.before = backUpToFolder(where, settings, Kind::BeforeRestore, pr);
            });
        } catch (const Cancelled&) {
            throw;
        } catch (const BackupError&) {
            if (where.postgres() || passesQuickCheck(where.file)) throw;
            p.before = keepDamagedCopy(where, settings);
        }
        state().pending = p;
        if (state().closeProgram) state().closeProgram();
    });
}

bool restorePending() { return state().pending.has_value(); }

bool finishRestore() {
    endStartCheck(true);
    if (!state().pending) return false;
    const Pending p = *state().pending;
    state().pending.reset();
    try {
        runWithProgress(QStringLiteral("Restoring the database…"),
                        [&](const Progress& pr) { restoreInPlace(p.where, p.file, p.replace, pr); });
        ui::showMessage(QStringLiteral("The backup \"%1\" was restored.\n\nThe database it replaced is kept as \"%2\".")
                            .arg(QDir::toNativeSeparators(p.file), QDir::toNativeSeparators(p.before)));
    } catch (const std::exception& e) {
        ui::showError(QStringLiteral("The backup was not restored; the database is as it was.\n\n%1").arg(ui::errorText(e)));
    }
    return true;
}

void checkDatabase() {
    reporting([] {
        const Location where = here();
        QString report;
        QSqlDatabase db = DM->database();
        // The schema check reads through the program's connection, so it stays on this thread.
        runWithProgress(QStringLiteral("Checking the database…"), [&](const Progress& p) {
            if (!where.postgres()) report = integrityCheck(where.file, false, p);
        });
        ui::showMessage(checkReport(where, report, schema::checkDatabase(db)));
    });
}

void showSettings() {
    TBackupSettings dialog(QApplication::activeWindow());
    dialog.exec();
}

namespace {

// The check at start runs beside the program: quick_check reads the whole file, which on a
// twenty-year shop takes longer than anyone should wait for a window.
struct StartCheck {
    std::thread thread;
    std::atomic<bool> stop{false};
    ~StartCheck() {
        stop = true;
        if (thread.joinable()) thread.join();
    }
};

StartCheck& startCheck() {
    static StartCheck c;
    return c;
}

void endStartCheck(bool cancel) {
    StartCheck& c = startCheck();
    if (!c.thread.joinable()) return;
    if (cancel) c.stop = true;
    c.thread.join();
    // Its verdict was posted to this thread; a cancelled one says nothing.
    QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
}

void afterStartCheck(const Location& where, const QString& result) {
    reporting([&] {
        const BackupSettings settings = loadSettings();
        if (result != QLatin1String("ok")) {
            const QString good = newestGoodBackup(where, settings);
            const QString damage = QStringLiteral("The database check found damage:\n%1").arg(result);
            if (good.isEmpty())
                ui::showError(damage + QStringLiteral("\n\nNo good backup was found in \"%1\".")
                                           .arg(QDir::toNativeSeparators(settings.folder)));
            else if (ui::confirm(damage + QStringLiteral("\n\nRestore the newest good backup, \"%1\"?")
                                              .arg(QFileInfo(good).fileName())))
                restoreDatabase(good);
            return;  // a damaged database is not copied over good backups
        }
        const QDateTime last = lastAutomaticBackup(where, settings);
        if (settings.automatic && (!last.isValid() || last.secsTo(QDateTime::currentDateTime()) > 24 * 3600))
            runWithProgress(QStringLiteral("Backing up the database…"), [&](const Progress& p) {
                backUpToFolder(where, settings, Kind::Automatic, p);
            });
    });
}

}  // namespace

void atStart() {
    reporting([] {
        const QString failure = takeFailure();
        if (!failure.isEmpty()) ui::showMessage(QStringLiteral("The last automatic backup failed:\n\n%1").arg(failure));
        const Location where = here();
        if (where.postgres()) return;  // automatic backups are for the embedded database
        endStartCheck(true);
        StartCheck& c = startCheck();
        c.stop = false;
        c.thread = std::thread([where] {
            QString result;
            try {
                result = integrityCheck(where.file, true, [](qint64, qint64) { return !startCheck().stop.load(); });
            } catch (const Cancelled&) {
                return;
            } catch (const std::exception& e) {
                result = QString::fromStdString(e.what());  // not even readable: damage too
            }
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [where, result] {
                    if (!startCheck().stop) afterStartCheck(where, result);
                },
                Qt::QueuedConnection);
        });
    });
}

void waitForStartCheck() { endStartCheck(false); }

void atClose() {
    endStartCheck(true);
    const QString when = QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    try {
        const Location where = here();
        const BackupSettings settings = loadSettings();
        if (where.postgres() || !settings.automatic) return;
        runWithProgress(QStringLiteral("Backing up the database before Kestrum closes…"),
                        [&](const Progress& p) { backUpToFolder(where, settings, Kind::Automatic, p); });
    } catch (const Cancelled&) {
        recordFailure(QStringLiteral("The backup when Kestrum closed (%1) was cancelled.").arg(when));
    } catch (const std::exception& e) {
        recordFailure(QStringLiteral("When Kestrum closed (%1): %2").arg(when, ui::errorText(e)));
    } catch (...) {
        recordFailure(QStringLiteral("When Kestrum closed (%1): an unexpected error.").arg(when));
    }
}

}  // namespace kestrum::backup

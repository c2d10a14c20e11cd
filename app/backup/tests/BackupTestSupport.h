#pragma once
// A fresh database with the program's tables and a data module (WindowTest), backup settings in
// a folder of the test's own, and a way to read a whole database for comparison.
#include "BackupFiles.h"
#include "BackupUi.h"
#include "DatabaseBackup.h"
#include "WindowTest.h"

#include <QMap>
#include <QTemporaryDir>

namespace backuptest {

/// Every row of every table of the schema, as text, sorted: two databases with equal snapshots
/// hold the same data.
using Snapshot = QMap<QString, QStringList>;
Snapshot snapshot(const QString& connection);
/// ODBC connection string of an SQLite file.
QString sqliteConnection(const QString& file);

class BackupTest : public testsupport::WindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Customers, parts, invoices with lines: `n` of each (awkward values among them).
    void fill(int n, int from = 1);
    /// The live database read whole.
    Snapshot live() { return snapshot(connection()); }
    QString connection() const { return QString::fromStdString(db_->kestrumConnection()); }
    kestrum::backup::Location where() { return kestrum::backup::locate(DM->database(), connection()); }
    bool postgres() const { return GetParam() == testsupport::Engine::PostgreSQL; }
    /// Closes the data module (a restore needs the database let go) and opens it again.
    void closeDatabase();
    void reopenDatabase();
    /// Snapshot of a backup file: SQLite opens it; PostgreSQL restores it into a fresh database.
    Snapshot backupContents(const QString& file);
    QString folder() const { return dir_.filePath("backups"); }

    QTemporaryDir dir_;
};

}  // namespace backuptest

#include "BackupTestSupport.h"

#include "Schema.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

#include <atomic>

namespace backuptest {

using namespace kestrum::backup;

namespace {

// SQLite files are read through SQLite itself: Qt's ODBC driver is far too slow for big tables
// under the sanitizers.
Snapshot sqliteSnapshot(const QString& file) {
    Snapshot out;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    for (const kestrum::schema::Table& t : kestrum::schema::tables()) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, ("SELECT * FROM " + t.name).toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            out.insert(t.name, {"<missing>"});
            continue;
        }
        QStringList rows;
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList cells;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                cells << (sqlite3_column_type(st, i) == SQLITE_NULL
                              ? QStringLiteral("<null>")
                              : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
            rows << cells.join(QChar(0x1f));
        }
        sqlite3_finalize(st);
        rows.sort();
        out.insert(t.name, rows);
    }
    sqlite3_close(db);
    return out;
}

}  // namespace

Snapshot snapshot(const QString& connection) {
    if (connection.contains("{SQLite3}"))
        return sqliteSnapshot(connection.section("Database=", 1).section(';', 0, 0));
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("backup-snapshot-%1").arg(serial++);
    Snapshot out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", name);
        db.setDatabaseName(connection);
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
        for (const kestrum::schema::Table& t : kestrum::schema::tables()) {
            QSqlQuery q(db);
            if (!q.exec("SELECT * FROM " + t.name)) {
                out.insert(t.name, {"<missing>"});
                continue;
            }
            QStringList rows;
            while (q.next()) {
                QStringList cells;
                for (int i = 0; i < q.record().count(); ++i)
                    cells << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
                rows << cells.join(QChar(0x1f));
            }
            rows.sort();
            out.insert(t.name, rows);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

QString sqliteConnection(const QString& file) {
    return QStringLiteral("Driver={SQLite3};Database=%1;Timeout=5000;").arg(file);
}

void BackupTest::SetUp() {
    testsupport::WindowTest::SetUp();
    if (IsSkipped()) return;
    setSettingsFile(dir_.filePath("kestrum.conf"));
    saveSettings({folder(), true, 7, 12});
    setConnection(connection());
    setCloseProgram({});
    setFileChooser({});
}

void BackupTest::TearDown() {
    setSettingsFile({});
    setFileChooser({});
    testsupport::WindowTest::TearDown();
}

void BackupTest::fill(int n, int from) {
    for (int i = from; i < from + n; ++i) {
        exec("Insert Into Customer (ID_Customer, Name_Customer, City_Customer) Values (?, ?, ?)",
             {i, QStringLiteral("O'Neil %1 \"Ünïcødé\"").arg(i), i % 3 ? QVariant(QStringLiteral("Springfield")) : QVariant()});
        exec("Insert Into Part (ID_Material, Number_Material, Color_Material, Price_Material) Values (?, ?, ?, ?)",
             {i, QStringLiteral("Part %1").arg(i), QStringLiteral("PN-%1").arg(i), 12.5 + i});
        exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, Tax_Inv, Paid_Inv)"
             " Values (?, ?, ?, ?, ?, ?)",
             {i, QStringLiteral("O'Neil %1").arg(i), QDate(2026, 1 + i % 12, 1 + i % 28), 100.25 * i, i % 2 == 0, false});
        exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item)"
             " Values (?, ?, ?, ?, ?, ?)",
             {i, QStringLiteral("Part %1").arg(i), 2, QStringLiteral("PN-%1").arg(i), 12.5, 25.0});
    }
}

void BackupTest::closeDatabase() {
    for (const QPointer<QWidget>& w : windows_) delete w.data();
    windows_.clear();
    testsupport::settle();
    DM = nullptr;
    dm_.reset();
}

void BackupTest::reopenDatabase() {
    dm_ = std::make_unique<TDM>(connection());
    DM = dm_.get();
}

Snapshot BackupTest::backupContents(const QString& file) {
    if (!postgres()) return snapshot(sqliteConnection(file));
    testsupport::TestDatabase fresh(testsupport::Engine::PostgreSQL);
    PgTarget t = where().pg;
    const QString conn = QString::fromStdString(fresh.connectionString());
    t.database = conn.section("Database=", 1).section(';', 0, 0);
    restorePostgres(t, file, false);
    return snapshot(conn);
}

}  // namespace backuptest

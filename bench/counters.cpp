// counters: N simulated counters (separate processes, one connection each, as N workstations
// would be) save invoices with part lines for a fixed time on one PostgreSQL database, through the
// program's own save mechanism: each proposes the largest number plus one, claims it (or the next
// free one), and writes the header and its lines in one transaction. Then every document each
// counter reported is checked: it exists under the number it was told, with its own header and
// exactly its own lines; no header or line is lost, doubled or mixed. Prints documents per second.
//
//   counters [--conn <odbc admin connection>] [--seconds 10] [--counters 2,4,8] [--lines 3]
//
// The connection defaults to TEST_PG_ODBC; a throw-away database is made on that server and
// dropped afterwards.
#include "Concurrency.h"
#include "DataModule.h"
#include "Query.h"
#include "Schema.h"
#include "Transaction.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

QString option(const QStringList& args, const QString& name, const QString& fallback)
{
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

// The same connection string on another database of the server.
QString onDatabase(QString conn, const QString& database)
{
    static const QRegularExpression db(QStringLiteral("Database=[^;]*"), QRegularExpression::CaseInsensitiveOption);
    if (conn.contains(db))
        return conn.replace(db, "Database=" + database);
    return conn + (conn.endsWith(';') ? "" : ";") + "Database=" + database + ";";
}

bool run(const QString& conn, const QString& sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "counters-admin");
        db.setDatabaseName(conn);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok)
                err << sql << ": " << q.lastError().text() << "\n";
        } else {
            err << "cannot connect: " << db.lastError().text() << "\n";
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("counters-admin");
    return ok;
}

// One counter: saves documents until the time is up and prints "doc <tag> <number>" for each.
int worker(const QString& conn, int id, int seconds, int lines)
{
    std::unique_ptr<TDM> dm;
    try {
        dm = std::make_unique<TDM>(conn);
    } catch (const std::exception& e) {
        err << "counter " << id << ": " << e.what() << "\n";
        return 2;
    }
    DM = dm.get();
    kestrum::Query* q = DM->QInv1;
    kestrum::Query* probe = DM->QInv2;
    auto nextFree = [probe] {
        probe->Close();
        probe->Clear();
        probe->Add("Select Max(InvoiceNo_Inv) As Top_No From Invoice");
        probe->Open();
        const kestrum::Field top = probe->FieldByName("Top_No");
        return top.IsNull() ? qint64(1) : top.AsInteger() + 1;
    };
    QElapsedTimer clock;
    clock.start();
    int made = 0, busy = 0;
    while (clock.elapsed() < seconds * 1000LL) {
        const QString tag = QStringLiteral("c%1-%2").arg(id).arg(made);
        // New proposes a number; the clerk types a while; Save claims it.
        const qint64 proposed = nextFree();
        qint64 number = 0;
        try {
            kestrum::retryOnce([&] {
                kestrum::Transaction transaction(DM->database());
                kestrum::NumberedSave save;
                save.table = "Invoice";
                save.keyColumn = "InvoiceNo_Inv";
                save.key = proposed;
                save.proposed = true;
                save.nextFree = nextFree;
                const kestrum::SaveResult r =
                    kestrum::writeNumbered(q, save, {{"CustomerName_Inv", tag}, {"PO_Inv", tag}, {"Paid_Inv", false},
                                                     {"Tax_Inv", false}});
                number = r.key;
                for (int l = 0; l < lines; ++l) {
                    q->Close();
                    q->Clear();
                    q->Add("Insert Into InvItem (Inv_Item, Name_Item, Color_Item, Qty_Item) Values (?,?,?,?)");
                    q->Bind(number);
                    q->Bind(tag);
                    q->Bind(QStringLiteral("P-%1").arg(l));
                    q->Bind(l + 1);
                    q->ExecSQL();
                }
                transaction.commit();
            });
        } catch (const kestrum::DatabaseError& e) {
            if (e.reason() == kestrum::DatabaseError::Reason::Other) {
                err << "counter " << id << ": " << e.message() << "\n";
                return 3;
            }
            ++busy;  // told "try again": nothing was saved, as the user would be told
            continue;
        }
        out << "doc " << tag << ' ' << number << "\n";
        ++made;
    }
    out << "busy " << busy << "\n";
    out.flush();
    DM = nullptr;
    return 0;
}

struct Round {
    int counters = 0;
    int documents = 0;
    int busy = 0;
    double seconds = 0;
    QStringList faults;
};

Round race(const QString& program, const QString& conn, int counters, int seconds, int lines)
{
    Round r;
    r.counters = counters;
    run(conn, "Delete From InvItem");
    run(conn, "Delete From Invoice");
    std::vector<std::unique_ptr<QProcess>> procs;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < counters; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(program, {"--worker", QString::number(i), "--conn", conn, "--seconds", QString::number(seconds),
                           "--lines", QString::number(lines)});
        procs.push_back(std::move(p));
    }
    QHash<QString, qint64> told;  // tag -> number the counter was told
    for (auto& p : procs) {
        p->waitForFinished(-1);
        if (p->exitCode() != 0)
            r.faults << "a counter failed: " + QString::fromLocal8Bit(p->readAllStandardError()).trimmed();
        const QStringList output = QString::fromLocal8Bit(p->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        for (const QString& line : output) {
            const QStringList f = line.split(' ');
            if (f.value(0) == "doc")
                told.insert(f.value(1), f.value(2).toLongLong());
            else if (f.value(0) == "busy")
                r.busy += f.value(1).toInt();
        }
    }
    r.seconds = double(clock.elapsed()) / 1000.0;
    r.documents = int(told.size());

    // What is stored must be exactly what the counters were told.
    QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "counters-check");
    db.setDatabaseName(conn);
    if (!db.open()) {
        r.faults << "cannot check: " + db.lastError().text();
    } else {
        QSqlQuery q(db);
        QHash<qint64, QString> headers;
        q.exec("Select InvoiceNo_Inv, PO_Inv, CustomerName_Inv From Invoice");
        while (q.next()) {
            if (q.value(1).toString() != q.value(2).toString())
                r.faults << QStringLiteral("invoice %1 has a mixed header").arg(q.value(0).toLongLong());
            headers.insert(q.value(0).toLongLong(), q.value(1).toString());
        }
        QHash<qint64, int> lineCount;
        q.exec("Select Inv_Item, Name_Item From InvItem");
        while (q.next()) {
            const qint64 n = q.value(0).toLongLong();
            ++lineCount[n];
            if (headers.value(n) != q.value(1).toString())
                r.faults << QStringLiteral("invoice %1 holds a line of %2").arg(n).arg(q.value(1).toString());
        }
        if (headers.size() != told.size())
            r.faults << QStringLiteral("%1 invoices stored, %2 reported saved").arg(headers.size()).arg(told.size());
        for (auto it = told.cbegin(); it != told.cend(); ++it) {
            if (headers.value(it.value()) != it.key())
                r.faults << QStringLiteral("%1 is not stored as invoice %2").arg(it.key()).arg(it.value());
            if (lineCount.value(it.value()) != lines)
                r.faults << QStringLiteral("invoice %1 has %2 lines, not %3")
                                .arg(it.value())
                                .arg(lineCount.value(it.value()))
                                .arg(lines);
        }
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("counters-check");
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = option(args, "--seconds", "10").toInt();
    const int lines = option(args, "--lines", "3").toInt();
    if (args.contains("--worker"))
        return worker(option(args, "--conn", {}), option(args, "--worker", "0").toInt(), seconds, lines);

    const QString admin = option(args, "--conn", qEnvironmentVariable("TEST_PG_ODBC"));
    if (admin.isEmpty()) {
        err << "counters: give --conn or set TEST_PG_ODBC (a PostgreSQL ODBC connection string)\n";
        return 1;
    }
    const QString name = QStringLiteral("kestrum_counters_%1").arg(QCoreApplication::applicationPid());
    if (!run(admin, "CREATE DATABASE " + name))
        return 1;
    const QString conn = onDatabase(admin, name);
    int status = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "counters-schema");
        db.setDatabaseName(conn);
        try {
            if (!db.open())
                throw kestrum::schema::SchemaError(db.lastError().text().toStdString());
            kestrum::schema::createDatabase(db);
        } catch (const std::exception& e) {
            err << "counters: " << e.what() << "\n";
            status = 1;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("counters-schema");

    if (status == 0) {
        out << "counters  seconds  documents  docs/s  told-busy  faults\n";
        out.flush();
        for (const QString& n : option(args, "--counters", "2,4,8").split(',')) {
            const Round r = race(args.first(), conn, n.toInt(), seconds, lines);
            out << QString::asprintf("%8d  %7.1f  %9d  %6.1f  %9d  %6lld\n", r.counters, r.seconds, r.documents,
                                     r.documents / r.seconds, r.busy, static_cast<long long>(r.faults.size()));
            for (const QString& f : r.faults.mid(0, 10))
                out << "  fault: " << f << "\n";
            out.flush();
            if (!r.faults.isEmpty())
                status = 4;
        }
    }
    run(admin, "DROP DATABASE IF EXISTS " + name);
    return status;
}

// window-actions: drives the program's windows offscreen on a generated database (make-shop)
// and prints the median and 95th percentile of each action.
#include "DataModule.h"
#include "Format.h"
#include "InvoicingWindows.h"
#include "PartedQueryDataSet.h"
#include "Pass.h"
#include "ProgramWindows.h"
#include "ReceivablesWindows.h"
#include "RecordWindows.h"
#include "ReportWindows.h"
#include "Schema.h"
#include "WindowActions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

// Seconds since this process started, from the kernel's own record of the start (clock ticks).
double secondsSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat")), uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = stat.readAll();
    // Field 22 (starttime) counts from the field after the command name, which may hold spaces.
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const double started = fields[19].toDouble() / double(sysconf(_SC_CLK_TCK));
    const double now = uptime.readAll().split(' ').value(0).toDouble();
    return now - started;
}

double peakMegabytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    kestrum::settleLocalTimeZone();  // as the program does
    QApplication app(argc, argv);
    QString connect;
    kestrum::bench::ActionOptions o;
    bool verbose = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString a = argv[i], v = argv[i + 1];
        if (a == "--connect")
            connect = v;
        else if (a == "--runs")
            o.runs = std::max(1, v.toInt());
        else if (a == "--save")
            o.save = v == "yes";
        else if (a == "--year")
            o.year = v.toInt();
        else if (a == "--from-year")
            o.fromYear = v.toInt();
        else if (a == "--only")
            o.only = v.split(',', Qt::SkipEmptyParts);
        else if (a == "--csv-file")
            o.csvPath = v;
        else if (a == "--read-ahead")
            kestrum::report::PartedQueryDataSet::setReadAhead(v != "no");
        else if (a == "--trace")
            o.traceActions = v;
        else if (a == "--verbose")
            verbose = v == "yes";
    }
    if (connect.isEmpty()) {
        std::fprintf(stderr,
                     "usage: window-actions --connect \"ODBC connection string\" [--runs N] [--save yes] [--year YYYY]\n"
                     "       [--from-year YYYY] [--only TPart,TInvoice,...,Shop or TVehicleHistory,TReceivablesAging,CSV]\n"
                     "       [--csv-file PATH] [--read-ahead no] [--trace ACTION-PATTERN]\n"
                     "  Use a database made by make-shop. --save yes also times the actions that write\n"
                     "  (Save, saving an invoice line, the finished-invoice list). Reports run over --year\n"
                     "  (default: last year), from Jan 1 of --from-year when given. --csv-file keeps the CSV of the full invoice\n"
                     "  list there (to compare one build's file with another's). --read-ahead no reads a\n"
                     "  long report's parts only when its layout needs them (to compare). --trace lists\n"
                     "  each statement the matching actions run, with its time (stderr).\n");
        return 2;
    }
    if (verbose)
        o.progress = [](const QString& t) { std::fprintf(stderr, "%s\n", t.toLocal8Bit().constData()); };
    kestrum::bench::ActionResults r;
    double startSeconds = -1;
    double forwardMs = -1;
    bool forwardWhole = false;
    try {
        TDM dm(connect);
        DM = &dm;
        {
            // Cold start as the program does it: connect, bring the database forward (one look
            // at its stored version when it is up to date), then the login window on screen.
            QSqlDatabase db = dm.database();
            const quint32 stored = kestrum::schema::storedVersion(db);
            QElapsedTimer forward;
            forward.start();
            kestrum::bringDatabaseForward(QStringLiteral("This database"));
            forwardMs = forward.nsecsElapsed() / 1e6;
            forwardWhole = kestrum::schema::versionState(stored) != kestrum::schema::VersionState::Current;
            TPass* login = TPass::open();
            QApplication::processEvents();
            startSeconds = secondsSinceProcessStart();
            login->close();
            QApplication::processEvents();
        }
        kestrum::registerRecordWindows();
        kestrum::registerInvoicingWindows();
        kestrum::registerReceivablesWindows();
        kestrum::registerReportWindows();
        r = kestrum::bench::runWindowActions(o);
        DM = nullptr;
    } catch (const std::exception& e) {
        DM = nullptr;
        std::fprintf(stderr, "window-actions: %s\n", e.what());
        return 1;
    }
    std::printf("%s", kestrum::bench::figuresTable(r).toLocal8Bit().constData());
    std::printf("\nStart to the login window: %.0f ms (process start to the window shown, 10 ms ticks)\n",
                startSeconds * 1000);
    std::printf("  of which bringing the database forward: %.1f ms (%s)\n", forwardMs,
                forwardWhole ? "no stored version of this build: the whole database looked at"
                             : "its stored version is this build's: one statement");
    std::printf("Peak memory (RSS) of the whole run: %.0f MB\n", peakMegabytes());
    {
        // Work done on every thread (a report reads its next part on one of its own).
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        std::printf("CPU time of the whole run: %.2f s user, %.2f s system\n",
                    double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6,
                    double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6);
    }
    // Where the peak comes from: the actions that raised it most.
    std::vector<std::pair<double, std::string>> rises;
    for (const auto& [action, mb] : r.peakRiseMb)
        if (mb >= 1)
            rises.emplace_back(mb, action);
    std::sort(rises.rbegin(), rises.rend());
    for (size_t i = 0; i < rises.size() && i < 8; ++i)
        std::printf("  peak raised by %s: %.0f MB\n", rises[i].second.c_str(), rises[i].first);
    for (const QString& e : r.errors)
        std::fprintf(stderr, "error shown: %s\n", e.toLocal8Bit().constData());
    for (const QString& f : r.faults)
        std::fprintf(stderr, "wrong: %s\n", f.toLocal8Bit().constData());
    return r.errors.isEmpty() && r.faults.isEmpty() ? 0 : 1;
}

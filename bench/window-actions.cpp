// window-actions: drives the master-record windows offscreen on a generated database (make-shop)
// and prints the median and 95th percentile of each action.
#include "DataModule.h"
#include "RecordWindow.h"
#include "RecordWindows.h"
#include "ScriptedDialogs.h"
#include "WindowFactory.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
std::map<std::string, std::vector<double>> samples;

void timed(const std::string& action, const std::function<void()>& f) {
    const auto t0 = Clock::now();
    f();
    QApplication::processEvents();
    samples[action].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

void clickAt(QWidget* viewport, QPoint at) { QTest::mouseClick(viewport, Qt::LeftButton, {}, at); }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString connect;
    int runs = 10;
    bool save = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString a = argv[i];
        if (a == "--connect") connect = argv[i + 1];
        else if (a == "--runs") runs = std::max(1, QString(argv[i + 1]).toInt());
        else if (a == "--save") save = QString(argv[i + 1]) == "yes";
    }
    if (connect.isEmpty()) {
        std::fprintf(stderr,
                     "usage: window-actions --connect \"ODBC connection string\" [--runs N] [--save yes]\n"
                     "  Use a database made by make-shop. --save yes also times Save, which adds rows.\n");
        return 2;
    }
    try {
        TDM dm(connect);
        DM = &dm;
        kestrum::ui::ScriptedDialogs dialogs;
        kestrum::registerRecordWindows();
        const char* const windows[] = {"TPart", "TCustomer", "TCompany", "TEmployee", "TLabor"};
        for (int run = 0; run < runs; ++run) {
            for (const char* cls : windows) {
                const std::string tag = std::string(cls) + " ";
                QWidget* w = nullptr;
                timed(tag + "open", [&] {
                    w = kestrum::ui::WindowFactory::create(cls);
                    w->show();
                });
                auto* rw = qobject_cast<kestrum::records::RecordWindow*>(w);
                if (!rw) {
                    std::fprintf(stderr, "%s is not a record window\n", cls);
                    return 1;
                }
                QTableView* grid = rw->grid();
                const int rows = grid->model()->rowCount();
                if (rows > 0)
                    timed(tag + "select row", [&] {
                        const QRect r = grid->visualRect(grid->model()->index((run * 7 + 1) % std::min(rows, 20), 0));
                        clickAt(grid->viewport(), r.center());
                    });
                QHeaderView* h = grid->horizontalHeader();
                const int section = 1 + run % std::max(1, h->count() - 1);
                timed(tag + "title sort", [&] {
                    clickAt(h->viewport(),
                            QPoint(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2));
                });
                if (auto* box = rw->findChild<QLineEdit*>(rw->spec().searchControl)) {
                    const QString text = QString(QChar(u'A' + run % 26));
                    timed(tag + "search", [&] { box->setText(text); });
                    box->clear();
                }
                timed(tag + "New", [&] { rw->newRecord(); });
                if (save) {
                    dialogs.answerYes();
                    timed(tag + "Save", [&] { rw->saveRecord(); });
                }
                delete w;
                QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
        }
        DM = nullptr;
        if (!dialogs.errors().isEmpty())
            std::fprintf(stderr, "errors shown: %s\n", dialogs.errors().join("; ").toLocal8Bit().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "window-actions: %s\n", e.what());
        return 1;
    }
    std::printf("%-24s %6s %10s %10s\n", "Action", "Runs", "Median ms", "p95 ms");
    for (const auto& [action, v] : samples)
        std::printf("%-24s %6zu %10.1f %10.1f\n", action.c_str(), v.size(), percentile(v, 0.5), percentile(v, 0.95));
    return 0;
}

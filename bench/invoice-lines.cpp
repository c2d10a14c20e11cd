// invoice-lines: one invoice with 200 lines (100 part, 100 labor), then the median and 95th
// percentile of opening the invoice window on it, recomputing its totals (selecting it in the
// list) and producing the three-copy printout as a PDF.
#include "DataModule.h"
#include "InvoicingWindows.h"
#include "Query.h"
#include "ReportPreview.h"
#include "Schema.h"
#include "ScriptedDialogs.h"
#include "TInvoice.h"
#include "Transaction.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTableView>
#include <QTemporaryDir>
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

void timed(const std::string& action, const std::function<void()>& f)
{
    const auto t0 = Clock::now();
    f();
    QApplication::processEvents();
    samples[action].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

void exec(const QString& sql, const QVariantList& values = {})
{
    kestrum::Query* q = DM->Q5;
    q->Clear();
    q->Add(sql);
    for (const QVariant& v : values)
        q->Bind(v);
    q->ExecSQL();
}

/// Invoice `number` with 100 part and 100 labor lines; returns the expected total text.
void fillInvoice(int number)
{
    kestrum::Transaction t(DM->database());
    for (const char* table : {"Invoice", "InvItem", "InvLabor", "Tax"})
        exec(QString("Delete From %1").arg(table));
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (1, ?, 1, 12, 0.0825)", {QDate::currentDate().year()});
    exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, DueDate_Inv, Amount_Inv, "
         "Tax_Inv) Values (?, ?, 'Bench Fleet Services', ?, ?, 0, ?)",
         {number, false, QDate::currentDate(), QDate::currentDate(), true});
    for (int i = 1; i <= 100; ++i) {
        const kestrum::Decimal rate = *kestrum::Decimal::parse(QString("%1.37").arg(i));
        exec("Insert Into InvItem (Inv_Item, Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item, "
             "Amount_Item) Values (?, ?, 'Acme', 2, '', ?, ?, ?)",
             {number, QString("Part %1").arg(i), QString("P-%1").arg(i), QVariant::fromValue(rate),
              QVariant::fromValue(rate * kestrum::Decimal::fromInt(2))});
        exec("Insert Into InvLabor (Inv_Labor, Description_Labor, PartNo_Labor, Qty_Labor, Rate_Labor, Amount_Labor, "
             "Remark_Labor) Values (?, ?, '', 1.5, 80, 120, '')",
             {number, QString("Job %1").arg(i)});
    }
    t.commit();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString connect;
    int runs = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString a = argv[i];
        if (a == "--connect")
            connect = argv[i + 1];
        else if (a == "--runs")
            runs = std::max(1, QString(argv[i + 1]).toInt());
    }
    QTemporaryDir dir;
    if (connect.isEmpty()) {
        // A fresh SQLite database of our own; --connect names any other (its invoice tables are emptied).
        connect = "Driver={SQLite3};Database=" + dir.filePath("bench.db") + ";Timeout=5000;";
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "bench-setup");
            db.setDatabaseName(connect);
            if (!db.open()) {
                std::fprintf(stderr, "invoice-lines: %s\n", db.lastError().text().toLocal8Bit().constData());
                return 1;
            }
            kestrum::schema::createDatabase(db);
            db.close();
        }
        QSqlDatabase::removeDatabase("bench-setup");
    } else {
        std::fprintf(stderr, "invoice-lines: the Invoice, InvItem, InvLabor and Tax tables of that database are "
                             "emptied and refilled\n");
    }

    int pages = 0;
    QString total;
    try {
        TDM dm(connect);
        DM = &dm;
        kestrum::ui::ScriptedDialogs dialogs;
        kestrum::registerInvoicingWindows();
        fillInvoice(1);
        for (int run = 0; run < runs; ++run) {
            TInvoice* w = nullptr;
            timed("open invoice (200 lines)", [&] {
                w = new TInvoice;
                w->resize(1100, 760);
                w->show();
            });
            QTableView* list = w->list();
            timed("recompute totals", [&] {
                const QRect r = list->visualRect(list->model()->index(0, 0));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
            });
            total = w->findChild<QLabel*>("Label14")->text();
            timed("printout to PDF", [&] {
                kestrum::report::ReportCapture capture;
                w->findChild<QPushButton*>("Button9")->click();
                if (capture.reports().empty())
                    throw std::runtime_error("no printout was made");
                pages = capture.reports().front().pageCount();
                QString error;
                if (!capture.reports().front().exportPdf(dir.filePath("invoice.pdf"), &error))
                    throw std::runtime_error(error.toStdString());
            });
            delete w;
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        DM = nullptr;
        if (!dialogs.errors().isEmpty()) {
            std::fprintf(stderr, "errors shown: %s\n", dialogs.errors().join("; ").toLocal8Bit().constData());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "invoice-lines: %s\n", e.what());
        return 1;
    }
    // 100 x 2 x (i + .37) = 10174 in parts, 100 x 120 in labor, 8.25 % on the parts
    if (total != "23013.36" || pages != 3 * (pages / 3) || pages == 0) {
        std::fprintf(stderr, "invoice-lines: wrong result: total %s (expected 23013.36), %d pages\n",
                     total.toLocal8Bit().constData(), pages);
        return 1;
    }
    std::printf("invoice total %s, printout %d pages (3 copies)\n", total.toLocal8Bit().constData(), pages);
    std::printf("%-28s %6s %10s %10s\n", "Action", "Runs", "Median ms", "p95 ms");
    for (const auto& [action, v] : samples)
        std::printf("%-28s %6zu %10.1f %10.1f\n", action.c_str(), v.size(), percentile(v, 0.5), percentile(v, 0.95));
    return 0;
}

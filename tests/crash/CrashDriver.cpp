// Runs one of the program's multi-statement writes over and over on the database it is given,
// until it is killed: the crash-safety test kills it at a random moment and then checks that
// nothing was left half-written.
//
//   kestrum_crash_driver archive|totals|lines CONNECTION
//
// Each step prints "begin N" before it starts and "end N" once it has committed.
#include "Archive.h"
#include "DataModule.h"
#include "Document.h"
#include "PeriodTotals.h"
#include "Query.h"
#include "RowDelete.h"
#include "ScriptedDialogs.h"
#include "CrashLine.h"

#include <QApplication>

#include <cstdio>
#include <exception>

namespace {

void say(const char* what, qint64 n)
{
    std::printf("%s %lld\n", what, static_cast<long long>(n));
    std::fflush(stdout);
}

// Archives the lowest invoice still live, with every header column as the window would pass it.
bool archiveNext()
{
    kestrum::Query* q = DM->Q5;
    q->Clear();
    q->Add("Select * From Invoice where InvoiceNo_Inv = (Select Min(InvoiceNo_Inv) From Invoice)");
    q->Open();
    if (q->RecordCount() == 0)
        return false;
    const qint64 number = q->FieldByName("InvoiceNo_Inv").AsInteger();
    QList<std::pair<QString, QVariant>> header;
    for (int c = 0; c < q->FieldCount(); ++c)
        header.append({q->FieldNames().at(c), q->fieldAt(0, c).AsVariant()});
    q->Close();
    say("begin", number);
    if (!kestrum::invoicing::moveToArchive(kestrum::invoicing::invoiceDocument(), number, header))
        throw std::runtime_error("archive refused");
    say("end", number);
    return true;
}

// One run of the period totals: every row of run `k` carries the amount k.
void fillTotals(qint64 k, int invoices)
{
    std::vector<kestrum::reports::InvoiceFigures> figures;
    for (int i = 1; i <= invoices; ++i) {
        kestrum::reports::InvoiceFigures f;
        f.invoice = i;
        f.parts = f.labor = f.tax = kestrum::Decimal::fromInt(k);
        figures.push_back(f);
    }
    say("begin", k);
    kestrum::reports::fillWorkTables(figures);
    say("end", k);
}

// Drops one of the identical part lines of invoice 1 (the others are written back), then adds
// one back, so the document's lines go round between n and n - 1, each line whole.
void dropAndAddLine(qint64 step)
{
    using kestrum::receivables::ColumnValue;
    say("begin", step);
    if (!kestrum::receivables::deleteOneRow(DM->Q3, "InvItem", {{"Inv_Item", qint64(1)}}))
        throw std::runtime_error("no line to drop");
    say("end", step);
    kestrum::Query* q = DM->Q4;
    q->Clear();
    q->Add("Insert Into InvItem (Inv_Item, Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item,"
           " Amount_Item) Values (?, ?, ?, ?, ?, ?, ?, ?)");
    for (const QVariant& v : crashLine())
        q->Bind(v);
    q->ExecSQL();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s archive|totals|lines CONNECTION\n", argv[0]);
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[1]);
    try {
        kestrum::ui::ScriptedDialogs dialogs;
        TDM dm(QString::fromLocal8Bit(argv[2]));
        DM = &dm;
        std::printf("ready\n");
        std::fflush(stdout);
        for (qint64 step = 1;; ++step) {
            if (mode == QLatin1String("archive")) {
                if (!archiveNext())
                    break;
            } else if (mode == QLatin1String("totals")) {
                fillTotals(step, 40);
            } else if (mode == QLatin1String("lines")) {
                dropAndAddLine(step);
            } else {
                std::fprintf(stderr, "unknown mode\n");
                return 2;
            }
        }
        std::printf("done\n");
        std::fflush(stdout);
        DM = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

// The crash driver is killed (SIGKILL) at random moments while it archives invoices, fills the
// period-total work tables or rewrites a document's lines; after each kill the database is
// opened again and must hold every document whole: nothing half-archived, the work tables all
// of one run, every line complete.
#include "CrashLine.h"
#include "Transaction.h"
#include "WindowTest.h"

#include <QMap>
#include <QProcess>
#include <QSet>
#include <QThread>

#include <csignal>
#include <random>

namespace {

constexpr int Invoices = 300;  // more than a few rounds can archive
constexpr int WorkRows = 40;   // rows per work table per run (as the driver writes them)
constexpr int Lines = 30;      // identical lines of invoice 1 in the line rounds
constexpr int Rounds = 5;

struct Kill {
    qint64 lastBegin = 0;
    qint64 lastEnd = 0;
    bool finished = false;  // the driver ran out of work before the kill
    bool midStep() const { return !finished && lastBegin > lastEnd; }
};

class CrashTest : public testsupport::WindowTest {
protected:
    void SetUp() override
    {
        testsupport::WindowTest::SetUp();
        ASSERT_NE(DM, nullptr);
    }

    void insertInvoice(qint64 n)
    {
        exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, Tax_Inv)"
             " Values (?, ?, ?, ?, ?)",
             {n, QStringLiteral("Customer %1").arg(n), QDate(2026, 3, 1 + int(n % 28)), double(n), true});
    }

    void insertLine(const QVariantList& values)
    {
        exec("Insert Into InvItem (Inv_Item, Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item,"
             " Amount_Item) Values (?, ?, ?, ?, ?, ?, ?, ?)",
             values);
    }

    // Lets go of every cursor, so the driver finds SQLite's file unlocked.
    void idle()
    {
        for (kestrum::Query* q : DM->queries())
            q->Close();
    }

    Kill runAndKill(const char* mode, std::mt19937& rng, int maxDelayMs)
    {
        idle();
        QProcess p;
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(QStringLiteral(CRASH_DRIVER), {QString::fromLatin1(mode), QString::fromStdString(db_->kestrumConnection())});
        EXPECT_TRUE(p.waitForStarted(30000));
        QByteArray out;
        while (!out.contains("ready\n")) {
            if (!p.waitForReadyRead(60000)) {
                ADD_FAILURE() << "driver did not start: " << p.readAllStandardError().toStdString();
                p.kill();
                p.waitForFinished();
                return {};
            }
            out += p.readAllStandardOutput();
        }
        const int delay = std::uniform_int_distribution<int>(0, maxDelayMs)(rng);
        QThread::msleep(delay);
        Kill k;
        if (p.state() == QProcess::Running)
            ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished(30000);
        out += p.readAllStandardOutput();
        const QByteArray err = p.readAllStandardError();
        for (const QByteArray& line : out.split('\n')) {
            if (line.startsWith("begin "))
                k.lastBegin = line.mid(6).toLongLong();
            else if (line.startsWith("end "))
                k.lastEnd = line.mid(4).toLongLong();
            else if (line == "done")
                k.finished = true;
        }
        if (p.exitStatus() == QProcess::NormalExit)
            EXPECT_TRUE(k.finished) << mode << " driver failed: " << err.toStdString();
        return k;
    }

    QMap<qint64, qint64> countsBy(const QString& table, const QString& column)
    {
        kestrum::Query* q = DM->Q5;
        q->Clear();
        q->Add("Select " + column + ", Count(*) As N From " + table + " Group By " + column);
        q->Open();
        QMap<qint64, qint64> n;
        for (int r = 0; r < q->RecordCount(); ++r)
            n.insert(q->fieldAt(r, 0).AsInteger(), q->fieldAt(r, 1).AsInteger());
        return n;
    }

    QStringList column(const QString& sql, const QVariantList& values = {})
    {
        kestrum::Query* q = DM->Q5;
        q->Clear();
        q->Add(sql);
        for (const QVariant& v : values)
            q->Bind(v);
        q->Open();
        QStringList out;
        for (int r = 0; r < q->RecordCount(); ++r)
            out << q->fieldAt(r, 0).AsString();
        return out;
    }
};

TEST_P(CrashTest, KilledArchiveLeavesEveryInvoiceWhollyLiveOrWhollyArchived)
{
    kestrum::Transaction seeding(DM->database());
    for (qint64 n = 1; n <= Invoices; ++n) {
        insertInvoice(n);
        for (int i = 0; i < 3; ++i)
            insertLine({n, QStringLiteral("Part %1").arg(i), QStringLiteral("Mfg"), 1.0, QString(),
                        QStringLiteral("c%1").arg(i), double(n), double(n)});
        for (int i = 0; i < 2; ++i)
            exec("Insert Into InvLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor)"
                 " Values (?, ?, ?, ?, ?)",
                 {n, QStringLiteral("Job %1").arg(i), 1.0, double(n), double(n)});
    }
    seeding.commit();
    std::mt19937 rng(20261208);
    int midStep = 0;
    std::string seen;  // begin/end of each round, for the message
    qint64 archivedBefore = 0;
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Kill k = runAndKill("archive", rng, 400);
        midStep += k.midStep();
        seen += " " + std::to_string(k.lastBegin) + "/" + std::to_string(k.lastEnd);

        const QMap<qint64, qint64> live = countsBy("Invoice", "InvoiceNo_Inv");
        const QMap<qint64, qint64> liveItems = countsBy("InvItem", "Inv_Item");
        const QMap<qint64, qint64> liveLabor = countsBy("InvLabor", "Inv_Labor");
        const QMap<qint64, qint64> cash = countsBy("InvoiceCash", "InvoiceNo_Inv");
        const QMap<qint64, qint64> cashItems = countsBy("InvItemCash", "Inv_Item");
        const QMap<qint64, qint64> cashLabor = countsBy("InvLaborCash", "Inv_Labor");
        qint64 archived = 0;
        for (qint64 n = 1; n <= Invoices; ++n) {
            const std::vector<qint64> l{live.value(n), liveItems.value(n), liveLabor.value(n)};
            const std::vector<qint64> c{cash.value(n), cashItems.value(n), cashLabor.value(n)};
            const std::vector<qint64> whole{1, 3, 2}, none{0, 0, 0};
            const bool isLive = l == whole && c == none;
            const bool isArchived = l == none && c == whole;
            EXPECT_TRUE(isLive || isArchived)
                << "invoice " << n << " half-written: live " << l[0] << "/" << l[1] << "/" << l[2] << ", archive "
                << c[0] << "/" << c[1] << "/" << c[2];
            archived += isArchived;
        }
        // The driver archives in number order: what it reported done is archived.
        EXPECT_GE(archived, archivedBefore + (k.lastEnd > 0 ? 1 : 0));
        if (k.lastEnd > 0)
            EXPECT_EQ(cash.value(k.lastEnd), 1);
        archivedBefore = archived;
    }
    // Archived rows keep their values.
    if (archivedBefore > 0) {
        EXPECT_EQ(column("Select CustomerName_Inv From InvoiceCash where InvoiceNo_Inv=?", {qint64(1)}),
                  QStringList{"Customer 1"});
        EXPECT_EQ(column("Select Color_Item From InvItemCash where Inv_Item=? Order By Color_Item", {qint64(1)}),
                  (QStringList{"c0", "c1", "c2"}));
    }
    EXPECT_GT(midStep, 0) << "no kill landed inside an archive:" << seen;
    RecordProperty("killed_mid_archive", midStep);
}

TEST_P(CrashTest, KilledPeriodTotalsLeaveOneWholeRunInTheWorkTables)
{
    std::mt19937 rng(1208);
    int midStep = 0;
    qint64 previous = 0;  // the run the tables held before this round (0: empty)
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Kill k = runAndKill("totals", rng, 300);
        midStep += k.midStep();
        QSet<qint64> allowed{k.lastEnd, k.lastBegin};
        if (k.lastEnd == 0)
            allowed << previous;
        qint64 run = -1;
        for (const auto& [table, amount] : {std::pair{"TotalLabor", "T_Amount_Labor"},
                                            std::pair{"TotalItem", "T_Amount_Item"},
                                            std::pair{"TotalTax", "T_Amount_Tax"}}) {
            const QStringList amounts = column(QStringLiteral("Select %1 From %2").arg(amount, table));
            const QSet<QString> distinct(amounts.begin(), amounts.end());
            if (amounts.isEmpty()) {
                EXPECT_TRUE(allowed.contains(0)) << table << " emptied by a killed run";
                EXPECT_TRUE(run == -1 || run == 0) << table;
                run = 0;
                continue;
            }
            EXPECT_EQ(amounts.size(), WorkRows) << table << " holds part of a run";
            ASSERT_EQ(distinct.size(), 1) << table << " mixes runs: " << QStringList(distinct.values()).join(",").toStdString();
            const qint64 k2 = qint64(amounts.first().toDouble());
            EXPECT_TRUE(allowed.contains(k2)) << table << " holds run " << k2;
            EXPECT_TRUE(run == -1 || run == k2) << "the three work tables hold different runs";
            run = k2;
        }
        previous = run;
    }
    EXPECT_GT(midStep, 0) << "no kill landed inside a run";
    RecordProperty("killed_mid_run", midStep);
}

TEST_P(CrashTest, KilledLineRewriteLeavesTheDocumentsLinesComplete)
{
    insertInvoice(1);
    insertInvoice(2);
    for (int i = 0; i < Lines; ++i)
        insertLine(crashLine());
    for (int i = 0; i < 3; ++i)
        insertLine({qint64(2), QStringLiteral("Other"), QStringLiteral("Mfg"), 1.0, QString(),
                    QStringLiteral("o%1").arg(i), 5.0, 5.0});
    const QString lineSql = QStringLiteral(
        "Select Name_Item, Mfg_Item, Qty_Item, Style_Item, Color_Item, Rate_Item, Amount_Item From InvItem"
        " where Inv_Item=?");
    std::mt19937 rng(812);
    int midStep = 0;
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const Kill k = runAndKill("lines", rng, 300);
        midStep += k.midStep();
        const int n = scalar("Select Count(*) From InvItem where Inv_Item=?", {qint64(1)}).toInt();
        EXPECT_TRUE(n == Lines || n == Lines - 1) << n << " lines left of " << Lines;
        kestrum::Query* q = DM->Q5;
        q->Clear();
        q->Add(lineSql);
        q->Bind(qint64(1));
        q->Open();
        const QVariantList want = crashLine();
        for (int r = 0; r < q->RecordCount(); ++r)
            for (int c = 0; c < q->FieldCount(); ++c) {
                const QString got = q->fieldAt(r, c).AsString();
                const QVariant w = want.at(c + 1);
                if (w.metaType() == QMetaType::fromType<kestrum::Decimal>())
                    EXPECT_EQ(q->fieldAt(r, c).AsCurrency(), w.value<kestrum::Decimal>()) << "line " << r;
                else
                    EXPECT_EQ(got, w.toString()) << "line " << r << " column " << c;
            }
        // Bring it back to a whole set for the next round.
        if (n == Lines - 1)
            insertLine(crashLine());
        EXPECT_EQ(column("Select Color_Item From InvItem where Inv_Item=? Order By Color_Item", {qint64(2)}),
                  (QStringList{"o0", "o1", "o2"}));
    }
    EXPECT_GT(midStep, 0) << "no kill landed inside a rewrite";
    RecordProperty("killed_mid_rewrite", midStep);
}

INSTANTIATE_TEST_SUITE_P(Engines, CrashTest, TESTSUPPORT_ENGINES);

}  // namespace

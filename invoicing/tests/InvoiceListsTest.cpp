// The open and finished invoice lists: the work tables filled for a period and what is printed.
#include "InvoicingFixture.h"

#include "InvoiceLists.h"
#include "ReportPreview.h"
#include "StatementLog.h"

#include "DataModule.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace {

/// One of the two lists as the tests below print it for March (see seedMarch).
struct ListCase {
    bool open;
    const char* table;
    int ownRows;              // rows of its own print
    const char* ownTotal;     // as its footer prints it
    const char* otherInsert;  // one row of another workstation's print: number, name, date
};

const ListCase lists[] = {
    {true, "OpenInvoice", 3, "Total  Amount: $190.00",
     "Insert Into OpenInvoice (InvNo, Name, DateT, PaidT, Amount) Values (?, ?, ?, 0, 1000)"},
    {false, "TotalReport", 2, "Total  : $80.00",
     "Insert Into TotalReport (InvNo, Name, Via, DateT, Amount) Values (?, ?, 'Cash', ?, 1000)"},
};

const QString otherName = QStringLiteral("Other Counter");

/// Another workstation on a connection of its own, on a thread of its own (a connection belongs to
/// the thread that opens it): `work` runs there with the open connection.
std::thread otherWorkstation(const std::string& connection, std::function<void(QSqlDatabase&)> work)
{
    return std::thread([connection, work = std::move(work)] {
        const QString name = QStringLiteral("other workstation");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
            db.setDatabaseName(QString::fromStdString(connection));
            EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
            if (db.isOpen())
                work(db);
        }
        QSqlDatabase::removeDatabase(name);
    });
}

void run(QSqlQuery& q, const QString& sql, const QVariantList& values = {})
{
    EXPECT_TRUE(q.prepare(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    for (const QVariant& v : values)
        q.addBindValue(v);
    EXPECT_TRUE(q.exec()) << sql.toStdString() << ": " << q.lastError().text().toStdString();
}

/// What another workstation's print does inside its transaction: empties the list's table and
/// puts its one row there.
void putOthersRow(QSqlQuery& q, const ListCase& list)
{
    run(q, QStringLiteral("Delete from %1").arg(QLatin1String(list.table)));
    run(q, QLatin1String(list.otherInsert), {999999, otherName, QDate(2026, 3, 2)});
}

class InvoiceListsTest : public InvoicingTest {
protected:
    void invoice(int n, const QString& customer, const QDate& date, const char* amount, bool paid)
    {
        exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, Tax_Inv) "
             "Values (?, ?, ?, ?, ?, ?)",
             {n, paid, customer, date, QString::fromLatin1(amount), false});
    }
    void payment(int n, const QString& customer, const QString& via, const QDate& date, const char* amount)
    {
        exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, ViaPayment_Receivable, "
             "PayDate_Receivable, Amount_Receivable) Values (?, ?, ?, ?, ?)",
             {n, customer, via, date, QString::fromLatin1(amount)});
    }
    /// March 2026: invoices 1, 2 and 5 open in the month, 3 paid in it, 4 open in April.
    void seedMarch()
    {
        invoice(1, "Whitfield Hauling", QDate(2026, 3, 1), "100", false);
        payment(1, "Whitfield Hauling", "Check", QDate(2026, 3, 5), "30");
        invoice(2, "Hill Farm", QDate(2026, 3, 10), "50", false);
        invoice(3, "O'Brien Paid", QDate(2026, 3, 12), "80", true);
        payment(3, "O'Brien Paid", "Cash", QDate(2026, 2, 20), "50");  // before the range
        payment(3, "O'Brien Paid", "Card", QDate(2026, 3, 15), "30");
        invoice(4, "Later Ltd", QDate(2026, 4, 2), "70", false);
        invoice(5, "Open Paying", QDate(2026, 3, 20), "40", false);
        payment(5, "Open Paying", "Cash", QDate(2026, 3, 21), "10");
    }
    static void period(QWidget* w, const QString& from, const QString& to)
    {
        setText(w, "Edit1", from);
        setText(w, "Edit2", to);
    }
};

}  // namespace

TEST_P(InvoiceListsTest, OpenListHoldsTheInvoicesOfThePeriodWithWhatIsPaid)
{
    seedMarch();
    auto* w = open<TOpenInvoice>();
    EXPECT_EQ(w->windowTitle(), "OpenInvoice");
    EXPECT_EQ(text(w, "Edit1"), text(w, "Edit2"));  // both start as today
    EXPECT_EQ(text(w, "ComboBox1"), "All");
    EXPECT_EQ(text(w, "ComboBox3"), "Open");
    period(w, "3/1/2026", "3/31/2026");
    kestrum::report::ReportCapture capture;
    click(w, "Button3");
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_EQ(count("OpenInvoice"), 3);
    EXPECT_EQ(scalar("Select PaidT From OpenInvoice where InvNo=1"), "30");
    EXPECT_EQ(scalar("Select PaidT From OpenInvoice where InvNo=2"), "0");  // no payments: 0
    EXPECT_EQ(scalar("Select Amount From OpenInvoice where InvNo=5"), "40");
    const QString page = capture.reports().back().pageText(0);
    EXPECT_TRUE(page.contains("Open invoices between date"));
    EXPECT_TRUE(page.contains("Whitfield Hauling"));
    EXPECT_TRUE(page.contains("70"));  // balance of invoice 1
    EXPECT_FALSE(page.contains("Later Ltd"));
    EXPECT_TRUE(page.contains("Total Paid  : $40.00"));
    EXPECT_TRUE(page.contains("Total  Amount: $190.00"));

    // One customer; then the paid ones instead of the open ones.
    setText(w, "ComboBox1", "Hill Farm");
    click(w, "Button3");
    EXPECT_EQ(scalar("Select Count(*) From OpenInvoice where InvNo=2"), "1");
    EXPECT_EQ(count("OpenInvoice"), 1);
    setText(w, "ComboBox1", "All");
    w->findChild<QComboBox*>("ComboBox3")->setCurrentText("Paid");
    click(w, "Button3");
    EXPECT_EQ(count("OpenInvoice"), 1);
    EXPECT_EQ(scalar("Select Name From OpenInvoice"), "O'Brien Paid");
    EXPECT_EQ(scalar("Select PaidT From OpenInvoice"), "80");

    // From after To: an empty list with zero totals.
    period(w, "4/1/2026", "3/1/2026");
    click(w, "Button3");
    EXPECT_EQ(count("OpenInvoice"), 0);
    EXPECT_TRUE(capture.reports().back().pageText(0).contains("Total Paid  : $0.00"));
}

TEST_P(InvoiceListsTest, BadDatesAndFailedFillsLeaveTheLastListAsItWas)
{
    seedMarch();
    auto* w = open<TOpenInvoice>();
    period(w, "3/1/2026", "3/31/2026");
    kestrum::report::ReportCapture capture;
    click(w, "Button3");
    ASSERT_EQ(count("OpenInvoice"), 3);

    period(w, "3/45/2026", "3/31/2026");
    click(w, "Button3");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors().first().contains("From Date"));
    EXPECT_EQ(count("OpenInvoice"), 3);
    EXPECT_EQ(capture.reports().size(), 1u);

    // A fill that fails after emptying the table puts the old rows back.
    exec("Create Unique Index est_one_name On OpenInvoice (Name)");
    invoice(6, "Hill Farm", QDate(2026, 3, 11), "9", false);
    dialogs_->clear();
    period(w, "3/1/2026", "3/31/2026");
    click(w, "Button3");
    EXPECT_EQ(dialogs_->errors().size(), 1);
    EXPECT_EQ(count("OpenInvoice"), 3);
    EXPECT_EQ(scalar("Select Count(*) From OpenInvoice where InvNo=6"), "0");
    EXPECT_EQ(capture.reports().size(), 1u);
}

TEST_P(InvoiceListsTest, FinishedListHoldsEveryPaymentOfInvoicesPaidInThePeriod)
{
    seedMarch();
    auto* w = open<TFinishedInvoiceReport>();
    EXPECT_EQ(w->windowTitle(), "FinishedInvoiceReport");
    EXPECT_FALSE(find(w, "ComboBox1")->isVisible());
    EXPECT_EQ(text(w, "ComboBox3"), "Paid");
    period(w, "3/1/2026", "3/31/2026");
    kestrum::report::ReportCapture capture;
    click(w, "Button3");
    ASSERT_EQ(capture.reports().size(), 1u);
    // Invoice 3 only, with its payment from before the range too.
    EXPECT_EQ(count("TotalReport"), 2);
    EXPECT_EQ(scalar("Select Count(*) From TotalReport where InvNo=3"), "2");
    EXPECT_EQ(scalar("Select Via From TotalReport where Amount=50"), "Cash");
    const QString page = capture.reports().back().pageText(0);
    EXPECT_TRUE(page.contains("O'Brien Paid"));
    EXPECT_TRUE(page.contains("Card"));
    EXPECT_TRUE(page.contains("Total  : $80.00"));

    // "All": unpaid invoices with a payment in the range as well.
    w->findChild<QComboBox*>("ComboBox3")->setCurrentText("All");
    click(w, "Button3");
    EXPECT_EQ(count("TotalReport"), 4);
    EXPECT_EQ(scalar("Select Count(*) From TotalReport where InvNo=4"), "0");
    EXPECT_TRUE(capture.reports().back().pageText(0).contains("Total  : $120.00"));

    setText(w, "Edit2", "next week");
    dialogs_->clear();
    click(w, "Button3");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors().first().contains("To Date"));
    EXPECT_EQ(count("TotalReport"), 4);
}

TEST_P(InvoiceListsTest, TwoPrintsAtOnceTakeTurnsAndEachPrintsItsOwnRows)
{
    seedMarch();
    for (const ListCase& list : lists) {
        SCOPED_TRACE(list.table);
        // Another workstation is half-way through its print of the same list: the last print's
        // row deleted and its own put in, not yet committed. This print waits for it, then replaces them.
        exec(QLatin1String(list.otherInsert), {888888, QStringLiteral("Last Print"), QDate(2026, 3, 3)});
        std::promise<void> halfWay;
        int othersRead = -1;
        std::thread other = otherWorkstation(db_->kestrumConnection(), [&](QSqlDatabase& db) {
            EXPECT_TRUE(db.transaction());
            QSqlQuery q(db);
            putOthersRow(q, list);
            // What its report reads before its print ends: its own row alone.
            run(q, QStringLiteral("Select Count(*) From %1").arg(QLatin1String(list.table)));
            othersRead = q.next() ? q.value(0).toInt() : -1;
            halfWay.set_value();
            QThread::msleep(500);
            EXPECT_TRUE(db.commit());
        });
        halfWay.get_future().wait();

        QWidget* w = list.open ? static_cast<QWidget*>(open<TOpenInvoice>()) : open<TFinishedInvoiceReport>();
        period(w, "3/1/2026", "3/31/2026");
        kestrum::report::ReportCapture capture;
        click(w, "Button3");
        other.join();

        EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join(' ').toStdString();
        ASSERT_EQ(capture.reports().size(), 1u);
        EXPECT_EQ(othersRead, 1);
        // One print's rows are left: the later one's.
        EXPECT_EQ(count(list.table), list.ownRows);
        EXPECT_EQ(scalar(QStringLiteral("Select Count(*) From %1 where InvNo = 999999").arg(QLatin1String(list.table))),
                  "0");
        const QString page = capture.reports().back().pageText(0);
        EXPECT_FALSE(page.contains(otherName)) << page.toStdString();
        EXPECT_TRUE(page.contains(QLatin1String(list.ownTotal))) << page.toStdString();
    }
}

TEST_P(InvoiceListsTest, APrintWhoseRowsAreReplacedRightAfterItsCommitPrintsItsOwnList)
{
    seedMarch();
    const bool pg = db_->engine() == testsupport::Engine::PostgreSQL;
    for (const ListCase& list : lists) {
        SCOPED_TRACE(list.table);
        const QString table = QLatin1String(list.table);
        // Once this print has filled its table, another workstation asks for the table to replace
        // its rows and holds it until it has: it gets it the moment this print's transaction ends.
        std::thread other;
        const auto observe = [&](const QString& sql, double) {
            if (other.joinable() || QThread::currentThread() != qApp->thread() || !sql.contains("Insert Into " + table))
                return;
            auto asking = std::make_shared<std::promise<void>>();
            std::future<void> asked = asking->get_future();
            other = otherWorkstation(db_->kestrumConnection(), [&list, table, pg, asking](QSqlDatabase& db) {
                QSqlQuery q(db);
                asking->set_value();
                if (pg) {
                    EXPECT_TRUE(db.transaction());
                    run(q, "Lock Table " + table + " In Access Exclusive Mode");
                } else {
                    run(q, QStringLiteral("Begin Exclusive"));
                }
                putOthersRow(q, list);
                if (pg)
                    EXPECT_TRUE(db.commit());
                else
                    run(q, QStringLiteral("Commit"));
            });
            asked.wait();
            // On PostgreSQL the other workstation is queued for the table before this print goes on.
            QSqlQuery waiting(DM->database());
            waiting.prepare(QStringLiteral("Select Count(*) From pg_locks L Join pg_class C On C.oid = L.relation"
                                           " where Not L.granted And C.relname = Lower(?) And L.database ="
                                           " (Select oid From pg_database where datname = current_database())"));
            for (int i = 0; pg && i < 500; ++i) {
                waiting.addBindValue(table);
                if (waiting.exec() && waiting.next() && waiting.value(0).toInt() > 0)
                    break;
                QThread::msleep(10);
            }
            if (!pg)
                QThread::msleep(50);
        };
        QWidget* w = list.open ? static_cast<QWidget*>(open<TOpenInvoice>()) : open<TFinishedInvoiceReport>();
        period(w, "3/1/2026", "3/31/2026");
        kestrum::report::ReportCapture capture;
        kestrum::setStatementObserver(observe);
        click(w, "Button3");
        kestrum::setStatementObserver({});
        ASSERT_TRUE(other.joinable());
        other.join();

        EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join(' ').toStdString();
        ASSERT_EQ(capture.reports().size(), 1u);
        const QString page = capture.reports().back().pageText(0);
        EXPECT_FALSE(page.contains(otherName)) << page.toStdString();
        EXPECT_TRUE(page.contains(QLatin1String(list.ownTotal))) << page.toStdString();
        // The table keeps the last print's rows: the other workstation's.
        EXPECT_EQ(count(list.table), 1);
        EXPECT_EQ(scalar("Select Name From " + table), otherName);
    }
}

TEST_P(InvoiceListsTest, AListStillLaidOutWhenAnotherWorkstationReplacesItsRowsPrintsItsOwn)
{
    // More open invoices than the first page reads: the preview lays out the rest later.
    seedMarch();
    exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, Tax_Inv)"
         " With Recursive N(I) As (Select 100 Union All Select I + 1 From N where I < 699)"
         " Select I, ?, ?, ?, 1, ? From N",
         {false, QStringLiteral("Fleet Account"), QDate(2026, 3, 25), false});
    auto* w = open<TOpenInvoice>();
    period(w, "3/1/2026", "3/31/2026");
    bool shown = false;
    const auto previous = kestrum::report::setPreviewHook([&](kestrum::report::TReportPreview& preview) {
        shown = true;
        // Another workstation prints meanwhile; it neither waits for this preview nor changes it.
        std::thread other = otherWorkstation(db_->kestrumConnection(), [](QSqlDatabase& db) {
            EXPECT_TRUE(db.transaction());
            QSqlQuery q(db);
            putOthersRow(q, lists[0]);
            EXPECT_TRUE(db.commit()) << db.lastError().text().toStdString();
        });
        other.join();
        ASSERT_TRUE(preview.finishReport());
        const kestrum::report::PreparedReport& r = preview.report();
        ASSERT_GT(r.pageCount(), 1);
        for (int page = 0; page < r.pageCount(); ++page)
            EXPECT_FALSE(r.pageText(page).contains(otherName)) << page;
        EXPECT_TRUE(r.pageText(r.pageCount() - 1).contains("Total  Amount: $790.00"));
    });
    click(w, "Button3");
    kestrum::report::setPreviewHook(previous);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join(' ').toStdString();
    EXPECT_EQ(scalar("Select Name From OpenInvoice"), otherName);
}

INSTANTIATE_TEST_SUITE_P(Engines, InvoiceListsTest, TESTSUPPORT_ENGINES);

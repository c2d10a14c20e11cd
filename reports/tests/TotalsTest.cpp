// Period totals for a month and a year: the figures equal sums worked out here over the same
// rows, the parts tax of each invoice uses its own month's rate, and the work tables are
// replaced in one piece.
#include "ReportsFixture.h"

#include "PeriodTotals.h"
#include "TTax.h"
#include "TotalReports.h"

#include "DataModule.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <future>
#include <optional>
#include <thread>

using namespace reportstest;
using kestrum::reports::PeriodFigures;

namespace {

struct Expected {
    PeriodFigures figures;
    std::vector<int> invoices;
};

}  // namespace

class TotalsTest : public ReportsTest {
protected:
    // Invoices dated in the period.
    Expected byInvoiceDate(QDate from, QDate to, std::optional<bool> paid, const QString& customer = {})
    {
        return collect(from, to, [&](const Inv& i) {
            return i.date >= from && i.date <= to && (!paid || i.paid == *paid) &&
                   (customer.isEmpty() || i.customer == customer);
        });
    }

    // Invoices with a payment in the period and none after it.
    Expected byLastPayment(QDate from, QDate to, bool paidOnly)
    {
        return collect(from, to, [&](const Inv& i) {
            bool inside = false;
            QDate last;
            for (const Pay& p : payments)
                if (p.invoice == i.no) {
                    inside = inside || (p.date >= from && p.date <= to);
                    last = std::max(last, p.date);
                }
            return inside && last <= to && (!paidOnly || i.paid);
        });
    }

    Expected collect(QDate from, QDate to, const std::function<bool(const Inv&)>& take)
    {
        Expected e;
        for (const Inv& i : invoices) {
            if (!take(i))
                continue;
            e.invoices.push_back(i.no);
            e.figures.parts += sum(i.parts);
            e.figures.labor += sum(i.labor);
            if (i.taxable)
                e.figures.tax += sum(i.parts) * rateOf(i.date);
        }
        for (const Line& l : lines)
            for (const Order& o : orders)
                if (o.po == l.po && o.date >= from && o.date <= to)
                    e.figures.orders += l.amount();
        return e;
    }

    // The five figures in the order the page prints them.
    static QString figuresText(const PeriodFigures& f)
    {
        return "Total Amounts\n" + money(f.total()) + "\nTotal Parts\n" + money(f.parts) + "\nTotal Labors\n" +
               money(f.labor) + "\nTotal Taxs on Parts\n" + money(f.tax) + "\nP.O. Total Report\nTotal Amounts\n" +
               money(f.orders);
    }

    QString print(QWidget* w, const QString& button, const QString& from, const QString& to)
    {
        setText(w, "Edit1", from);
        setText(w, "Edit2", to);
        return textOf(printed([&] { click(w, button); }));
    }
};

TEST_P(TotalsTest, AmountReportForAMonthAndAYearWithEachInvoicesMonthlyRate)
{
    auto* w = open<TTotalAmountReport>();
    EXPECT_EQ(text(w, "ComboBox2"), "Paid");
    QString t = print(w, "Button2", "1/1/2026", "1/31/2026");
    EXPECT_TRUE(t.contains("Total Amounts Report"));
    EXPECT_TRUE(t.contains("Invoice Total Report"));
    EXPECT_TRUE(t.contains(figuresText(byInvoiceDate({2026, 1, 1}, {2026, 1, 31}, true).figures))) << t.toStdString();

    // The year spans both rates: 7.25 % to June, 8 % from July.
    const Expected year = byInvoiceDate({2026, 1, 1}, {2026, 12, 31}, true);
    ASSERT_EQ(year.invoices, (std::vector<int>{1, 3, 4, 5}));
    t = print(w, "Button2", "1/1/2026", "12/31/2026");
    EXPECT_TRUE(t.contains(figuresText(year.figures))) << t.toStdString();

    // "Open" is the unpaid invoices, not the paid ones again.
    setText(w, "ComboBox2", "Open");
    t = print(w, "Button2", "1/1/2026", "12/31/2026");
    EXPECT_TRUE(t.contains(figuresText(byInvoiceDate({2026, 1, 1}, {2026, 12, 31}, false).figures)));
    setText(w, "ComboBox2", "Paid");
    setText(w, "ComboBox1", "Dana Whitfield");
    t = print(w, "Button2", "1/1/2026", "12/31/2026");
    EXPECT_TRUE(t.contains(figuresText(byInvoiceDate({2026, 1, 1}, {2026, 12, 31}, true, "Dana Whitfield").figures)));
    EXPECT_TRUE(dialogs_->shown().isEmpty());

    // A taxable invoice in a month without a rate counts 0 tax, and the window says so.
    setText(w, "ComboBox1", "All");
    t = print(w, "Button2", "11/1/2025", "11/30/2025");
    EXPECT_TRUE(t.contains(figuresText(byInvoiceDate({2025, 11, 1}, {2025, 11, 30}, true).figures)));
    ASSERT_EQ(dialogs_->messages().size(), 1);
    EXPECT_TRUE(dialogs_->messages()[0].contains("No tax rate is set for 11/2025")) << dialogs_->messages()[0].toStdString();
}

TEST_P(TotalsTest, ReceivableTotalsCountInvoicesWhosePaymentsCloseInThePeriodAndFillTheWorkTables)
{
    auto* w = open<TTotalReceivable>();
    EXPECT_EQ(text(w, "ComboBox2"), "Paid");
    const auto workTablesHold = [&](const Expected& e) {
        EXPECT_EQ(count("TotalItem"), int(e.invoices.size()));
        EXPECT_EQ(count("TotalLabor"), int(e.invoices.size()));
        EXPECT_EQ(count("TotalTax"), int(e.invoices.size()));
        for (int no : e.invoices)
            for (const Inv& i : invoices)
                if (i.no == no) {
                    EXPECT_EQ(scalar("Select T_Amount_Item From TotalItem where T_Inv_Item = ?", {no}),
                              sum(i.parts).toString());
                    EXPECT_EQ(scalar("Select T_Amount_Labor From TotalLabor where T_Inv_Labor = ?", {no}),
                              sum(i.labor).toString());
                }
    };

    // Invoice 1 was paid in two instalments, January and February: counted once, in February,
    // with its whole parts and labor. Invoice 2 had a payment in February but is not paid.
    const Expected feb = byLastPayment({2026, 2, 1}, {2026, 2, 28}, true);
    ASSERT_EQ(feb.invoices, std::vector<int>{1});
    QString t = print(w, "Button3", "2/1/2026", "2/28/2026");
    EXPECT_TRUE(t.contains("Total Receivable Amounts Report"));
    EXPECT_TRUE(t.contains(figuresText(feb.figures))) << t.toStdString();
    workTablesHold(feb);
    setText(w, "ComboBox2", "All");
    const Expected febAll = byLastPayment({2026, 2, 1}, {2026, 2, 28}, false);
    ASSERT_EQ(febAll.invoices, (std::vector<int>{1, 2}));
    EXPECT_TRUE(print(w, "Button3", "2/1/2026", "2/28/2026").contains(figuresText(febAll.figures)));
    workTablesHold(febAll);
    setText(w, "ComboBox2", "Paid");

    // Invoice 4 had a July payment, but its last one is in August: not July's, August's.
    ASSERT_TRUE(byLastPayment({2026, 7, 1}, {2026, 7, 31}, true).invoices.empty());
    EXPECT_TRUE(print(w, "Button3", "7/1/2026", "7/31/2026")
                    .contains(figuresText(byLastPayment({2026, 7, 1}, {2026, 7, 31}, true).figures)));
    workTablesHold({});
    const Expected aug = byLastPayment({2026, 8, 1}, {2026, 8, 31}, true);
    ASSERT_EQ(aug.invoices, std::vector<int>{4});
    EXPECT_TRUE(print(w, "Button3", "8/1/2026", "8/31/2026").contains(figuresText(aug.figures)));

    // The year: invoice 7 of November 2025 was paid in January and has no rate.
    dialogs_->clear();
    const Expected year = byLastPayment({2026, 1, 1}, {2026, 12, 31}, true);
    ASSERT_EQ(year.invoices, (std::vector<int>{1, 3, 4, 5, 7}));
    t = print(w, "Button3", "1/1/2026", "12/31/2026");
    EXPECT_TRUE(t.contains(figuresText(year.figures))) << t.toStdString();
    workTablesHold(year);
    EXPECT_TRUE(dialogs_->messages().value(0).contains("11/2025"));
    EXPECT_EQ(scalar("Select T_Amount_Tax From TotalTax where T_Inv_Tax = 7"), "0");
    EXPECT_EQ(scalar("Select T_Amount_Tax From TotalTax where T_Inv_Tax = 4"), (dec("212.34") * dec("0.08")).toString());

    // The PDF carries the same figures.
    setText(w, "Edit1", "1/1/2026");
    const QString pdf = pdfTextOf(printed([&] { click(w, "Button3"); }));
    if (!pdf.isEmpty()) {
        EXPECT_TRUE(pdf.contains("Total Receivable Report"));
        EXPECT_TRUE(pdf.contains(money(year.figures.total()))) << pdf.toStdString();
        EXPECT_TRUE(pdf.contains(money(year.figures.orders)));
    }
}

TEST_P(TotalsTest, BothReportsTakeTheRateTheInvoiceWindowTakesWhereRatesOverlapOrAreEmpty)
{
    // A lower Id_T covering January wins over the half-year row; a November 2025 row without a
    // rate is a rate of 0, not a missing one.
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (0, 2026, 1, 1, ?)", {QVariant::fromValue(dec("0.01"))});
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (5, 2025, 11, 11, Null)");
    const Decimal january = *kestrum::records::findTaxRate(QDate(2026, 1, 15));
    ASSERT_EQ(january, dec("0.01"));
    ASSERT_EQ(kestrum::records::findTaxRate(QDate(2025, 11, 15)), std::optional<Decimal>(Decimal()));

    auto* w = open<TTotalAmountReport>();
    PeriodFigures f = byInvoiceDate({2026, 1, 1}, {2026, 1, 31}, true).figures;
    f.tax = sum(invoices[0].parts) * january;
    EXPECT_TRUE(print(w, "Button2", "1/1/2026", "1/31/2026").contains(figuresText(f)));
    f = byInvoiceDate({2025, 11, 1}, {2025, 11, 30}, true).figures;
    f.tax = Decimal();
    EXPECT_TRUE(print(w, "Button2", "11/1/2025", "11/30/2025").contains(figuresText(f)));
    EXPECT_TRUE(dialogs_->messages().isEmpty()) << dialogs_->messages().join("; ").toStdString();

    auto* r = open<TTotalReceivable>();
    print(r, "Button3", "1/1/2026", "1/31/2026");  // invoice 7 of November 2025, paid in January
    EXPECT_EQ(scalar("Select T_Amount_Tax From TotalTax where T_Inv_Tax = 7"), "0");
    EXPECT_TRUE(dialogs_->messages().isEmpty()) << dialogs_->messages().join("; ").toStdString();
    print(r, "Button3", "2/1/2026", "2/28/2026");  // invoice 1, last paid in February
    EXPECT_EQ(scalar("Select T_Amount_Tax From TotalTax where T_Inv_Tax = 1"),
              (sum(invoices[0].parts) * january).toString());
}

TEST_P(TotalsTest, TheRateInAStatementIsTheRateTheInvoiceWindowLooksUp)
{
    // Rows without a year or a month never match the window's look-up; neither may they match
    // in the statements of aging and vehicle history.
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (-3, 2025, Null, 12, 0.5)");
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (-2, 2025, 1, Null, 0.5)");
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (-1, Null, 1, 12, 0.5)");
    for (const Inv& i : invoices) {
        if (!i.date.isValid())
            continue;
        QVariantList values;
        const QString rate = kestrum::records::taxRateExpression("H.InvoiceDate_Inv", values);
        values << i.no;
        const QString got = scalar("Select " + rate + " From Invoice H Where H.InvoiceNo_Inv = ?", values);
        EXPECT_EQ(Decimal::parse(got).value_or(dec("-1")).rounded(6),
                  kestrum::records::findTaxRate(i.date).value_or(Decimal()).rounded(6))
            << "invoice " << i.no << " of " << i.date.toString(Qt::ISODate).toStdString() << ": " << got.toStdString();
        // The rates of every month joined: the same rate, and no row where the window finds none.
        const QString join = kestrum::records::monthlyRateJoin("R", "H.InvoiceDate_Inv");
        const QString joined =
            scalar("Select Coalesce(R.Tax_R, 0) From Invoice H" + join + " Where H.InvoiceNo_Inv = ?", {i.no});
        EXPECT_EQ(Decimal::parse(joined).value_or(dec("-1")).rounded(6),
                  kestrum::records::findTaxRate(i.date).value_or(Decimal()).rounded(6))
            << "invoice " << i.no << " joined: " << joined.toStdString();
        EXPECT_EQ(scalar("Select Count(R.Key_R) From Invoice H" + join + " Where H.InvoiceNo_Inv = ?", {i.no}),
                  kestrum::records::findTaxRate(i.date) ? "1" : "0")
            << "invoice " << i.no;
    }
}

TEST_P(TotalsTest, ReceivableTotalsTakeAnUndatedPaymentAsNoLaterOneAndAPaymentTheDayAfterAsLater)
{
    auto* w = open<TTotalReceivable>();
    const auto addPayment = [&](int invoice, const QVariant& date, const char* ref) {
        exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, ViaPayment_Receivable, "
             "DepositTo_Receivable, PayDate_Receivable, Ref_Receivable, Amount_Receivable, Remark_Receivable) "
             "Values (?,?,?,?,?,?,?,?)",
             {invoice, QString("Dana Whitfield"), QString("Cash"), QString("Main Checking"), date, QString(ref),
              QVariant::fromValue(dec("1")), QString("")});
    };
    const auto invoicesOf = [&](const QString& from, const QString& to) {
        print(w, "Button3", from, to);
        std::vector<int> taken;
        QSqlQuery q(DM->database());
        EXPECT_TRUE(q.exec("Select T_Inv_Item From TotalItem Order By T_Inv_Item")) << q.lastError().text().toStdString();
        while (q.next())
            taken.push_back(q.value(0).toInt());
        return taken;
    };

    // A payment without a date is no later payment: invoice 1 still closes in February.
    addPayment(1, QVariant(QMetaType::fromType<QDate>()), "undated");
    EXPECT_EQ(invoicesOf("2/1/2026", "2/28/2026"), std::vector<int>{1});
    // Two payments on the last day, one of them on the period's last day: still August's.
    addPayment(4, QDate(2026, 8, 5), "same day");
    addPayment(4, QDate(2026, 8, 31), "last day");
    EXPECT_EQ(invoicesOf("8/1/2026", "8/31/2026"), std::vector<int>{4});
    // A payment on the day after the period moves invoice 1 out of February into March.
    addPayment(1, QDate(2026, 3, 1), "day after");
    EXPECT_TRUE(invoicesOf("2/1/2026", "2/28/2026").empty());
    EXPECT_EQ(invoicesOf("3/1/2026", "3/31/2026"), (std::vector<int>{1, 3}));
}

TEST_P(TotalsTest, ReceivableTotalsNameOnlyTheInvoicesWithoutARateAndKeepTheFiguresOfFarApartNumbers)
{
    // March 2026 closes invoice 3 and these: an undated taxable one, one far above every other
    // number dated in a month without a rate, an untaxed one, and one whose month has a rate row
    // without a rate (0, not missing).
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (3, 2027, 6, 6, Null)");
    const auto add = [&](int no, const QVariant& date, bool taxable, const char* parts, const char* labor) {
        exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Tax_Inv) Values (?,?,?,?,?)",
             {no, true, QString("Brook Farm"), date, taxable});
        exec("Insert Into InvItem (Name_Item, Amount_Item, Inv_Item) Values (?,?,?)",
             {QString("Part"), QVariant::fromValue(dec(parts)), no});
        exec("Insert Into InvLabor (Description_Labor, Amount_Labor, Inv_Labor) Values (?,?,?)",
             {QString("Labor"), QVariant::fromValue(dec(labor)), no});
        exec("Insert Into Receivable (InvoiceNo_Receivable, PayDate_Receivable, Amount_Receivable) Values (?,?,?)",
             {no, QDate(2026, 3, 12), QVariant::fromValue(dec("1"))});
    };
    add(900, QVariant(QMetaType::fromType<QDate>()), true, "10", "5");
    add(901, QDate(2026, 3, 1), false, "11", "6");
    add(903, QDate(2027, 6, 1), true, "30", "8");
    add(1000000, QDate(2027, 5, 10), true, "20", "7");

    auto* w = open<TTotalReceivable>();
    dialogs_->clear();
    print(w, "Button3", "3/1/2026", "3/31/2026");
    EXPECT_EQ(count("TotalItem"), 5);
    EXPECT_EQ(scalar("Select T_Amount_Labor From TotalLabor where T_Inv_Labor = 3"), "90");
    EXPECT_EQ(scalar("Select T_Amount_Labor From TotalLabor where T_Inv_Labor = 1000000"), "7");
    EXPECT_EQ(scalar("Select T_Amount_Item From TotalItem where T_Inv_Item = 1000000"), "20");
    EXPECT_EQ(scalar("Select T_Amount_Labor From TotalLabor where T_Inv_Labor = 900"), "5");
    for (int no : {900, 901, 903, 1000000})
        EXPECT_EQ(scalar("Select T_Amount_Tax From TotalTax where T_Inv_Tax = ?", {no}), "0") << no;
    ASSERT_EQ(dialogs_->messages().size(), 1);
    const QString note = dialogs_->messages()[0];
    EXPECT_TRUE(note.contains("No tax rate is set for invoice 900, 5/2027: ")) << note.toStdString();
    EXPECT_FALSE(note.contains("6/2027")) << note.toStdString();
    EXPECT_FALSE(note.contains("901")) << note.toStdString();

    // With a rate for May 2027 only the undated invoice is named.
    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (4, 2027, 1, 5, ?)", {QVariant::fromValue(dec("0.05"))});
    dialogs_->clear();
    print(w, "Button3", "3/1/2026", "3/31/2026");
    EXPECT_EQ(scalar("Select T_Amount_Tax From TotalTax where T_Inv_Tax = 1000000"), "1");
    ASSERT_EQ(dialogs_->messages().size(), 1);
    EXPECT_TRUE(dialogs_->messages()[0].contains("No tax rate is set for invoice 900: ")) << dialogs_->messages()[0].toStdString();
}

TEST_P(TotalsTest, AFailedRunLeavesTheLastRunsWorkTablesAndBadDatesWriteNothing)
{
    auto* w = open<TTotalReceivable>();
    print(w, "Button3", "1/1/2026", "12/31/2026");
    const int rows = count("TotalLabor");
    ASSERT_EQ(rows, 5);

    setText(w, "Edit2", "2/30/2026");
    kestrum::report::ReportCapture none;
    click(w, "Button3");
    EXPECT_EQ(dialogs_->errors().value(0), "To Date must be a date (month/day/year), not \"2/30/2026\".");
    EXPECT_EQ(count("TotalLabor"), rows);

    // The third table is gone: the run stops after emptying the first two, which come back.
    exec("Drop Table TotalTax");
    dialogs_->clear();
    setText(w, "Edit2", "2/28/2026");
    click(w, "Button3");
    EXPECT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(none.reports().empty());
    EXPECT_EQ(count("TotalLabor"), rows);
    EXPECT_EQ(count("TotalItem"), rows);
}

TEST_P(TotalsTest, RunsFromTwoWorkstationsTakeTurnsAndEachSumsOnlyItsOwnRows)
{
    // Another workstation is half-way through its run: the old rows deleted and one of its own in
    // each table, not yet committed. This run waits for it, then replaces its rows.
    std::promise<void> halfWay;
    std::thread other([&] {
        const QString name = QStringLiteral("other workstation");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
            db.setDatabaseName(QString::fromStdString(db_->kestrumConnection()));
            EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
            EXPECT_TRUE(db.transaction());
            QSqlQuery q(db);
            for (const char* sql :
                 {"Delete from TotalLabor", "Delete from TotalItem", "Delete from TotalTax",
                  "Insert Into TotalLabor (T_Inv_Labor, T_Amount_Labor) Values (999999, 1000)",
                  "Insert Into TotalItem (T_Inv_Item, T_Amount_Item) Values (999999, 1000)",
                  "Insert Into TotalTax (T_Inv_Tax, T_Amount_Tax) Values (999999, 1000)"})
                EXPECT_TRUE(q.exec(QLatin1String(sql))) << sql << ": " << q.lastError().text().toStdString();
            halfWay.set_value();
            QThread::msleep(500);
            EXPECT_TRUE(db.commit());
        }
        QSqlDatabase::removeDatabase(name);
    });
    halfWay.get_future().wait();

    kestrum::reports::InvoiceSelection s;
    s.by = kestrum::reports::InvoiceSelection::By::LastPayment;
    s.period = {QDate(2026, 1, 1), QDate(2026, 12, 31)};
    s.paid = true;
    kestrum::reports::WorkTableRun run;
    EXPECT_NO_THROW(run = kestrum::reports::fillWorkTables(s));
    other.join();

    const Expected year = byLastPayment({2026, 1, 1}, {2026, 12, 31}, true);
    EXPECT_EQ(run.totals.parts, year.figures.parts);
    EXPECT_EQ(run.totals.labor, year.figures.labor);
    EXPECT_EQ(run.totals.tax, year.figures.tax);
    for (const char* table : {"TotalLabor", "TotalItem", "TotalTax"})
        EXPECT_EQ(count(table), int(year.invoices.size())) << table;
    EXPECT_EQ(scalar("Select Count(*) From TotalItem where T_Inv_Item = 999999"), "0");
}

INSTANTIATE_TEST_SUITE_P(Engines, TotalsTest, TESTSUPPORT_ENGINES);

// The open and finished invoice lists: the work tables filled for a period and what is printed.
#include "InvoicingFixture.h"

#include "InvoiceLists.h"
#include "ReportPreview.h"

namespace {

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

INSTANTIATE_TEST_SUITE_P(Engines, InvoiceListsTest, TESTSUPPORT_ENGINES);

// Every history button shows the rows of its record: through the record windows of this program
// and the receivables', and through stand-ins for the windows of the modules built after this one.
#include "ReportsFixture.h"

#include "AuxWindow.h"
#include "HistoryBrowser.h"
#include "History.h"
#include "Openers.h"
#include "TBank.h"
#include "TCompany.h"
#include "TCustomer.h"
#include "TLabor.h"
#include "TPart.h"
#include "TReceivable.h"

#include <QApplication>
#include <QTimer>

using namespace reportstest;

class HistoryTest : public ReportsTest {
protected:
    void SetUp() override
    {
        ReportsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (const char* c : {"TPartOrderHistory", "TPartInvoiceHistory", "TLaborInvoiceHistory", "TBankHistory"})
            kestrum::ui::createAuxWindow(c, QString(c).mid(1));
    }

    // Shows a start-up history through `open`, runs `whileShown` on it and closes it; returns its rows.
    QStringList modal(const QString& className, const std::function<void()>& open,
                      const std::function<void(QWidget*)>& whileShown = {})
    {
        QWidget* aux = kestrum::ui::auxWindow(className);
        EXPECT_NE(aux, nullptr);
        QStringList rows;
        bool shown = false;
        QTimer::singleShot(0, aux, [&] {
            shown = aux->isVisible();
            rows = gridRows(aux);
            if (whileShown)
                whileShown(aux);
            aux->close();
        });
        open();
        QApplication::processEvents();  // a show that failed still lets the check run now
        EXPECT_TRUE(shown) << className.toStdString();
        EXPECT_FALSE(aux->isVisible());
        return rows;
    }

    // The child history that a button just opened (a top-level window in the tests).
    QWidget* child(const QString& objectName)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == objectName && w->isVisible()) {
                windows_.append(w);
                return w;
            }
        ADD_FAILURE() << objectName.toStdString() << " is not open";
        return nullptr;
    }

    template <typename W>
    W* opener()
    {
        auto* w = new W;
        windows_.append(w);
        w->show();
        return w;
    }

    static QString title(QWidget* history, int column)
    {
        auto* grid = history->findChild<QTableView*>("DBGrid1");
        return grid->model()->headerData(column, Qt::Horizontal).toString();
    }
};

TEST_P(HistoryTest, PartHistoriesListTheOrderAndInvoiceLinesOfThePartAndRebuildAtEachShow)
{
    TPart* part = open<TPart>();
    setText(part, "Edit8", "BP-12");
    QStringList rows = modal("TPartOrderHistory", [&] { click(part, "Button6"); });
    int bought = 0;
    for (const Line& l : lines)
        bought += l.partNo == "BP-12";
    EXPECT_EQ(rows.size(), bought);
    for (const QString& r : rows)
        EXPECT_TRUE(r.contains("|BP-12|")) << r.toStdString();
    EXPECT_EQ(title(kestrum::ui::auxWindow("TPartOrderHistory"), 7), "Po");

    // A new order line shows at the next opening.
    exec("Insert Into Items (Name_Item, Color_Item, Qty_Item, Rate_Item, Amount_Item, Po_Item) Values (?,?,1,2,2,8)",
         {QString("Brake pad"), QString("BP-12")});
    EXPECT_EQ(modal("TPartOrderHistory", [&] { click(part, "Button6"); }).size(), bought + 1);

    int sold = 0;
    for (const Inv& i : invoices)
        sold += !i.parts.empty();
    rows = modal("TPartInvoiceHistory", [&] { click(part, "Button8"); });
    EXPECT_EQ(rows.size(), sold);
    EXPECT_EQ(title(kestrum::ui::auxWindow("TPartInvoiceHistory"), 7), "Invoice #");
    EXPECT_EQ(kestrum::ui::auxWindow("TPartInvoiceHistory")->findChild<QLabel*>("Panel1")->text(), "Part Invoice History");

    setText(part, "Edit8", "RT-120");
    EXPECT_EQ(modal("TPartInvoiceHistory", [&] { click(part, "Button8"); }).size(), 2);  // invoices 1 and 4
}

TEST_P(HistoryTest, LaborHistoryMatchesADescriptionWithAnApostrophe)
{
    TLabor* labor = open<TLabor>();
    setText(labor, "ComboBox1", "Driver's seat");
    const QStringList rows = modal("TLaborInvoiceHistory", [&] { click(labor, "Button8"); });
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows[0].startsWith("Driver's seat|"));
    EXPECT_TRUE(rows[0].endsWith("|3"));
    EXPECT_TRUE(dialogs_->errors().isEmpty());
}

TEST_P(HistoryTest, CustomerHistoriesListThePaymentsAndInvoicesOfTheCustomerReadOnly)
{
    TCustomer* customer = open<TCustomer>();
    setText(customer, "Edit2", "O'Neil Garage");
    click(customer, "Button8");
    QWidget* paid = child("CustomerHistory");
    ASSERT_NE(paid, nullptr);
    QStringList expected;
    for (const Pay& p : payments)
        if (p.name == "O'Neil Garage")
            expected << QString::number(p.invoice);
    QStringList got;
    for (const QString& r : gridRows(paid))
        got << r.section('|', 0, 0);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(title(paid, 6), "Paid Amount");
    EXPECT_EQ(paid->findChild<QTableView*>("DBGrid1")->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(paid->findChild<QWidget*>("DBNavigator1")->isHidden());

    click(customer, "Button9");
    QWidget* billed = child("CustomerInvoiceHistory");
    ASSERT_NE(billed, nullptr);
    const QStringList rows = gridRows(billed);
    ASSERT_EQ(rows.size(), 2);  // invoices 2 and 5
    // The titles name what is under them: number, customer, repair person, date, PO, amount.
    EXPECT_EQ(rows[0].section('|', 0, 3), "2|O'Neil Garage|Sam|2/3/2026");
    EXPECT_EQ(rows[0].section('|', 4, 4), "PO-2");
    EXPECT_EQ(title(billed, 5), "Inv Amount");
    EXPECT_EQ(billed->findChild<QTableView*>("DBGrid1")->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_P(HistoryTest, VendorAndPaymentHistoriesListTheRowsOfTheirRecord)
{
    TCompany* vendor = open<TCompany>();
    setText(vendor, "Edit2", "Zed Supply");
    click(vendor, "Button8");
    QWidget* bills = child("VendorHistory");
    ASSERT_NE(bills, nullptr);
    EXPECT_EQ(gridRows(bills).size(), 2);
    EXPECT_EQ(title(bills, 3), "Due Date");
    EXPECT_EQ(title(bills, 5), "Address");

    // A bill is its reference and its vendor: Zed's B-1 is not Acme's.
    auto* bill = opener<TBill>();
    setText(bill, "Edit1", "B-1");
    setText(bill, "ComboBox1", "Zed Supply");
    kestrum::records::openChildHistory("TPayableHistory");
    QWidget* paid = child("PayableHistory");
    ASSERT_NE(paid, nullptr);
    ASSERT_EQ(gridRows(paid).size(), 1);
    EXPECT_TRUE(gridRows(paid)[0].contains("|12.01|"));

    auto* order = opener<TPoOrder>();
    setText(order, "Edit1", "7");
    kestrum::records::openChildHistory("TPayableOrderHistory");
    QWidget* orderPaid = child("PayableOrderHistory");
    ASSERT_NE(orderPaid, nullptr);
    ASSERT_EQ(gridRows(orderPaid).size(), 1);
    EXPECT_TRUE(gridRows(orderPaid)[0].startsWith("7|Acme Parts|Check|"));
    EXPECT_EQ(title(orderPaid, 0), "PO#");
}

TEST_P(HistoryTest, ReceivableHistoryDeletesThePaymentItIsOnAfterTheQuestion)
{
    TReceivable* receivable = open<TReceivable>();
    setText(receivable, "Edit1", "1");
    click(receivable, "Button5");
    QWidget* h = child("ReceivableHistory");
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(gridRows(h).size(), 2);
    const QString paidBefore = scalar("Select Sum(Amount_Receivable) From Receivable where InvoiceNo_Receivable = 1");
    EXPECT_EQ(paidBefore, (payments[0].amount + payments[1].amount).toString());

    click(h, "NavLast");
    dialogs_->answerNo();
    click(h, "NavDelete");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{"Delete record?"});
    EXPECT_EQ(count("Receivable"), int(payments.size()));

    dialogs_->answerYes();
    click(h, "NavDelete");  // the second instalment
    EXPECT_EQ(gridRows(h).size(), 1);
    EXPECT_EQ(count("Receivable"), int(payments.size()) - 1);
    EXPECT_EQ(scalar("Select Sum(Amount_Receivable) From Receivable where InvoiceNo_Receivable = 1"),
              payments[0].amount.toString());

    // The estimate window's number, read at opening; a number that is none says so.
    auto* estimate = opener<TEstimate>();
    setText(estimate, "Edit1", "4");
    QApplication::setActiveWindow(estimate);
    kestrum::records::openChildHistory("TInvoiceHistory");
    QWidget* inv = child("InvoiceHistory");
    ASSERT_NE(inv, nullptr);
    EXPECT_EQ(gridRows(inv).size(), 2);
    inv->close();
    setText(estimate, "Edit1", "4x");
    kestrum::records::openChildHistory("TInvoiceHistory");
    EXPECT_EQ(dialogs_->errors().value(0), "Inv# must be a whole number, not \"4x\".");
    EXPECT_TRUE(gridRows(child("InvoiceHistory")).isEmpty());
}

TEST_P(HistoryTest, BankHistoryListsItsAccountOnlyPrintsItsTotalAndDeletesOneOfTwoEqualDeposits)
{
    TBank* bank = open<TBank>();
    setText(bank, "Edit2", "Main Checking");
    Decimal total;
    int listed = 0;
    for (const Dep& d : deposits)
        if (d.to == "Main Checking") {
            total += d.amount;
            ++listed;
        }
    kestrum::report::PreparedReport report;
    const QStringList rows = modal("TBankHistory", [&] { click(bank, "Button8"); },
                                   [&](QWidget* h) { report = printed([&] { click(h, "Button2"); }); });
    EXPECT_EQ(rows.size(), listed);
    for (const QString& r : rows)
        EXPECT_TRUE(r.startsWith("Main Checking|"));
    EXPECT_TRUE(textOf(report).contains("Total  $: " + money(total))) << textOf(report).toStdString();
    if (const QString pdf = pdfTextOf(report); !pdf.isEmpty()) {
        EXPECT_TRUE(pdf.contains("Kestrel Auto Repair"));
        EXPECT_TRUE(pdf.contains(money(total))) << pdf.toStdString();
    }

    // The deposit entered twice: one goes, its twin stays.
    const int before = count("Deposit");
    modal("TBankHistory", [&] { click(bank, "Button8"); }, [&](QWidget* h) {
        click(h, "NavLast");
        dialogs_->answerYes();
        click(h, "NavDelete");
        EXPECT_EQ(gridRows(h).size(), listed - 1);
    });
    EXPECT_EQ(count("Deposit"), before - 1);
    EXPECT_EQ(scalar("Select Count(*) From Deposit where From_Dep = ? And Remark_Dep Is Null",
                     {QString("O'Neil Garage")}),
              "1");
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, HistoryTest, TESTSUPPORT_ENGINES);

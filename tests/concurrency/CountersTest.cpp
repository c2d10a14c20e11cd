// Two counters of the shop on one database, as two programs would be: each has its own data
// module (its own connection) and its own windows, and the test switches the program-wide data
// module to the counter whose window it drives. They race as clerks do: both press New, both get
// the same number, both save.
#include "WindowTest.h"

#include "Concurrency.h"
#include "Format.h"
#include "InvoiceLines.h"
#include "InvoicingWindows.h"
#include "PurchasingWindows.h"
#include "ReceivablesWindows.h"
#include "RecordWindows.h"
#include "TBill.h"
#include "TCustomer.h"
#include "TEstimate.h"
#include "TInvoice.h"
#include "TPart.h"
#include "TPoOrder.h"
#include "TReceivable.h"

#include <QPlainTextEdit>

namespace {

class CountersTest : public testsupport::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (IsSkipped())
            return;
        kestrum::registerInvoicingWindows();
        kestrum::registerPurchasingWindows();
        kestrum::registerReceivablesWindows();
        kestrum::registerRecordWindows();
        a_ = dm_.get();
        second_ = std::make_unique<TDM>(QString::fromStdString(db_->kestrumConnection()));
        b_ = second_.get();
        exec("Insert Into Customer (ID_Customer, Name_Customer) Values (1, 'Alpha Hauling')");
        exec("Insert Into Customer (ID_Customer, Name_Customer) Values (2, 'Beta Farms')");
    }
    void TearDown() override
    {
        DM = a_;
        for (const QPointer<QWidget>& w : windows_)
            delete w.data();
        windows_.clear();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        second_.reset();
        WindowTest::TearDown();
    }

    /// From now on the program's data module is that of counter `dm`.
    static void at(TDM* dm) { DM = dm; }

    template <typename W>
    W* openAt(TDM* dm)
    {
        at(dm);
        return open<W>();
    }

    void save(QWidget* w, const QString& button)
    {
        dialogs_->answerYes();
        click(w, button);
    }

    /// The part-line editor of an invoice or estimate window, with one line saved.
    template <typename E>
    void saveLine(QWidget* doc, QPointer<E>& global, const QString& partNo, const QString& amount)
    {
        click(doc, "Button6");
        E* ed = global.data();
        ASSERT_NE(ed, nullptr);
        windows_.append(ed);
        // The name is picked from the catalogue, as the clerk does.
        auto* combo = qobject_cast<QComboBox*>(find(ed, "ComboBox1"));
        ASSERT_NE(combo, nullptr);
        const int index = combo->findText(partNo + " part");
        ASSERT_GE(index, 0);
        combo->setCurrentIndex(index);
        ASSERT_EQ(text(ed, "Edit4"), partNo);
        setText(ed, "Edit2", "1");
        setText(ed, "Edit5", amount);
        setText(ed, "Edit6", amount);
        save(ed, "Button1");
        EXPECT_EQ(dialogs_->pendingAnswers(), 0) << dialogs_->last().toStdString();
        ed->close();
        testsupport::settle();
    }

    /// Catalogue parts "A-1 part" (part number A-1) and the like, for the line editors.
    void seedParts()
    {
        int id = 1;
        for (const char* no : {"A-1", "B-1", "A-9"})
            exec("Insert Into Part (ID_Material, Number_Material, Color_Material, Price_Material) Values (?, ?, ?, 1)",
                 {id++, QString(no) + " part", QString(no)});
    }

    QString memo(QWidget* w, const QString& name) { return w->findChild<QPlainTextEdit*>(name)->toPlainText(); }

    TDM* a_ = nullptr;
    TDM* b_ = nullptr;
    std::unique_ptr<TDM> second_;
};

TEST_P(CountersTest, TwoCountersPressNewTogetherAndEachKeepsItsOwnInvoiceWithItsOwnLines)
{
    seedParts();
    TInvoice* invA = openAt<TInvoice>(a_);
    click(invA, "Button3");
    TInvoice* invB = openAt<TInvoice>(b_);
    click(invB, "Button3");
    ASSERT_EQ(text(invA, "Edit1"), "1");
    ASSERT_EQ(text(invB, "Edit1"), "1");  // both were offered the same number

    at(a_);
    setText(invA, "ComboBox1", "Alpha Hauling");
    saveLine(invA, InvItem, "A-1", "10");
    at(b_);
    setText(invB, "ComboBox1", "Beta Farms");
    dialogs_->clear();
    saveLine(invB, InvItem, "B-1", "20");
    // B's first line found number 1 taken: B's invoice is 2 and B was told so.
    EXPECT_EQ(text(invB, "Edit1"), "2");
    EXPECT_TRUE(dialogs_->messages().contains(kestrum::renumberedMessage("invoice", 2, 1)))
        << dialogs_->messages().join(" | ").toStdString();

    at(a_);
    dialogs_->clear();
    save(invA, "Button2");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    at(b_);
    dialogs_->clear();
    save(invB, "Button2");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});

    EXPECT_EQ(count("Invoice"), 2);
    EXPECT_EQ(scalar("Select CustomerName_Inv From Invoice where InvoiceNo_Inv=1"), "Alpha Hauling");
    EXPECT_EQ(scalar("Select CustomerName_Inv From Invoice where InvoiceNo_Inv=2"), "Beta Farms");
    EXPECT_EQ(scalar("Select Count(*) From InvItem where Inv_Item=1"), "1");
    EXPECT_EQ(scalar("Select Color_Item From InvItem where Inv_Item=1"), "A-1");
    EXPECT_EQ(scalar("Select Count(*) From InvItem where Inv_Item=2"), "1");
    EXPECT_EQ(scalar("Select Color_Item From InvItem where Inv_Item=2"), "B-1");

    // Headers only: the second Save takes the next free number and says which.
    at(a_);
    click(invA, "Button3");
    setText(invA, "ComboBox1", "Alpha Hauling");
    at(b_);
    click(invB, "Button3");
    setText(invB, "ComboBox1", "Beta Farms");
    ASSERT_EQ(text(invA, "Edit1"), "3");
    ASSERT_EQ(text(invB, "Edit1"), "3");
    at(a_);
    save(invA, "Button2");
    at(b_);
    dialogs_->clear();
    save(invB, "Button2");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::renumberedMessage("invoice", 4, 3)});
    EXPECT_EQ(scalar("Select CustomerName_Inv From Invoice where InvoiceNo_Inv=3"), "Alpha Hauling");
    EXPECT_EQ(scalar("Select CustomerName_Inv From Invoice where InvoiceNo_Inv=4"), "Beta Farms");
}

TEST_P(CountersTest, ASaveOverAnInvoiceChangedOrDeletedElsewhereWritesNothing)
{
    seedParts();
    exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, PO_Inv, Tax_Inv) Values (1, ?, "
         "'Alpha Hauling', 'first', ?)",
         {false, false});
    exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, PO_Inv, Tax_Inv) Values (2, ?, "
         "'Beta Farms', 'second', ?)",
         {false, false});
    TInvoice* invA = openAt<TInvoice>(a_);
    TInvoice* invB = openAt<TInvoice>(b_);
    ASSERT_EQ(text(invA, "Edit1"), "1");
    ASSERT_EQ(text(invB, "Edit1"), "1");

    at(a_);
    setText(invA, "Edit5", "changed by A");
    save(invA, "Button2");
    at(b_);
    setText(invB, "Edit5", "changed by B");
    dialogs_->clear();
    dialogs_->answerYes();  // the save question
    dialogs_->answerNo();   // do not reload
    click(invB, "Button2");
    EXPECT_EQ(dialogs_->confirmations().value(1), kestrum::changedQuestion("invoice"));
    EXPECT_EQ(scalar("Select PO_Inv From Invoice where InvoiceNo_Inv=1"), "changed by A");
    EXPECT_EQ(text(invB, "Edit5"), "changed by B");  // No leaves what B typed on screen

    // B reloads, sees A's change, and its own Save then goes through.
    dialogs_->answerYes(2);
    click(invB, "Button2");
    EXPECT_EQ(text(invB, "Edit5"), "changed by A");
    setText(invB, "Edit5", "changed by B");
    dialogs_->clear();
    save(invB, "Button2");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(scalar("Select PO_Inv From Invoice where InvoiceNo_Inv=1"), "changed by B");

    // A line for an invoice deleted at the other counter is refused, not left behind.
    at(a_);
    clickRow(invA->list(), 1);
    ASSERT_EQ(text(invA, "Edit1"), "2");
    at(b_);
    clickRow(invB->list(), 1);
    ASSERT_EQ(text(invB, "Edit1"), "2");
    dialogs_->answerYes();
    click(invB, "Button4");
    EXPECT_EQ(count("Invoice"), 1);
    at(a_);
    dialogs_->clear();
    saveLine(invA, InvItem, "A-9", "5");
    EXPECT_TRUE(dialogs_->errors().join(" ").contains("Invoice 2 was deleted at another workstation"))
        << dialogs_->shown().size();
    EXPECT_EQ(count("InvItem"), 0);
    EXPECT_EQ(count("Invoice"), 1);
}

TEST_P(CountersTest, EstimatesOrdersBillsCustomersAndPartsTakeTheNextFreeNumber)
{
    // Estimates.
    TEstimate* estA = openAt<TEstimate>(a_);
    click(estA, "Button3");
    TEstimate* estB = openAt<TEstimate>(b_);
    click(estB, "Button3");
    at(a_);
    setText(estA, "ComboBox1", "Alpha Hauling");
    save(estA, "Button2");
    at(b_);
    setText(estB, "ComboBox1", "Beta Farms");
    dialogs_->clear();
    save(estB, "Button2");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::renumberedMessage("estimate", 2, 1)});
    EXPECT_EQ(scalar("Select CustomerName_Inv From Estimate where InvoiceNo_Inv=1"), "Alpha Hauling");
    EXPECT_EQ(scalar("Select CustomerName_Inv From Estimate where InvoiceNo_Inv=2"), "Beta Farms");

    // Purchase orders.
    TPoOrder* poA = openAt<TPoOrder>(a_);
    click(poA, "Button3");
    TPoOrder* poB = openAt<TPoOrder>(b_);
    click(poB, "Button3");
    at(a_);
    setText(poA, "ComboBox3", "Acme Parts");
    save(poA, "Button2");
    at(b_);
    setText(poB, "ComboBox3", "Brake World");
    dialogs_->clear();
    save(poB, "Button2");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::renumberedMessage("order", 2, 1)});
    EXPECT_EQ(scalar("Select Vendor_Order From Orders where Po_Order=1"), "Acme Parts");
    EXPECT_EQ(scalar("Select Vendor_Order From Orders where Po_Order=2"), "Brake World");

    // Bills of one vendor: the proposed reference moves on; each bill keeps its own amount.
    TBill* billA = openAt<TBill>(a_);
    click(billA, "Button3");
    TBill* billB = openAt<TBill>(b_);
    click(billB, "Button3");
    ASSERT_EQ(text(billA, "Edit1"), "1000");
    ASSERT_EQ(text(billB, "Edit1"), "1000");
    at(a_);
    setText(billA, "ComboBox1", "Acme Parts");
    setText(billA, "Edit4", "11");
    save(billA, "Button2");
    at(b_);
    setText(billB, "ComboBox1", "Acme Parts");
    setText(billB, "Edit4", "22");
    dialogs_->clear();
    save(billB, "Button2");
    EXPECT_TRUE(dialogs_->messages().value(0).startsWith("Saved as bill 1001")) << dialogs_->last().toStdString();
    EXPECT_EQ(scalar("Select Amount_Bill From Bill where Ref_Bill='1000'").toDouble(), 11.0);
    EXPECT_EQ(scalar("Select Amount_Bill From Bill where Ref_Bill='1001'").toDouble(), 22.0);
    EXPECT_EQ(count("Bill"), 2);

    // Customers (two already stored) and parts.
    TCustomer* custA = openAt<TCustomer>(a_);
    click(custA, "Button2");
    TCustomer* custB = openAt<TCustomer>(b_);
    click(custB, "Button2");
    ASSERT_EQ(text(custA, "Edit1"), "3");
    ASSERT_EQ(text(custB, "Edit1"), "3");
    at(a_);
    setText(custA, "Edit2", "Gamma Towing");
    save(custA, "Button1");
    at(b_);
    setText(custB, "Edit2", "Delta Fleet");
    dialogs_->clear();
    save(custB, "Button1");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::renumberedMessage("number", 4, 3)});
    EXPECT_EQ(text(custB, "Edit1"), "4");
    EXPECT_EQ(scalar("Select Name_Customer From Customer where ID_Customer=3"), "Gamma Towing");
    EXPECT_EQ(scalar("Select Name_Customer From Customer where ID_Customer=4"), "Delta Fleet");

    // The customer both now show is changed at A; B's Save of its older copy is refused.
    at(a_);
    setText(custA, "Edit3", "555-0100");
    save(custA, "Button1");
    at(b_);
    clickRow(custB->grid(), 2);
    ASSERT_EQ(text(custB, "Edit1"), "3");
    at(a_);
    setText(custA, "Edit3", "555-0199");
    save(custA, "Button1");
    at(b_);
    setText(custB, "Edit3", "555-0000");
    dialogs_->clear();
    dialogs_->answerYes();
    dialogs_->answerYes();  // reload
    click(custB, "Button1");
    EXPECT_EQ(dialogs_->confirmations().value(1), kestrum::changedQuestion("record"));
    EXPECT_EQ(scalar("Select Tell_Customer From Customer where ID_Customer=3"), "555-0199");
    EXPECT_EQ(text(custB, "Edit3"), "555-0199");

    TPart* partA = openAt<TPart>(a_);
    click(partA, "Button2");
    TPart* partB = openAt<TPart>(b_);
    click(partB, "Button2");
    at(a_);
    setText(partA, "Edit7", "Brake pad");
    save(partA, "Button1");
    at(b_);
    setText(partB, "Edit7", "Rotor");
    dialogs_->clear();
    save(partB, "Button1");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::renumberedMessage("number", 2, 1)});
    EXPECT_EQ(scalar("Select Number_Material From Part where ID_Material=1"), "Brake pad");
    EXPECT_EQ(scalar("Select Number_Material From Part where ID_Material=2"), "Rotor");
}

TEST_P(CountersTest, PaymentsFromBothCountersAllCountAndRefreshShowsThem)
{
    exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, Amount_Inv, Tax_Inv) Values (7, ?, "
         "'Alpha Hauling', 100, ?)",
         {false, false});
    TReceivable* payA = openAt<TReceivable>(a_);
    TReceivable* payB = openAt<TReceivable>(b_);
    auto pay = [&](TReceivable* w, const QString& ref, const QString& amount) {
        setText(w, "Edit1", "7");
        setText(w, "Edit2", kestrum::formatShortDate(QDate::currentDate()));
        setText(w, "Edit3", ref);
        setText(w, "Edit4", amount);
        save(w, "Button1");
    };
    at(a_);
    pay(payA, "CHK-1", "30");
    at(b_);
    pay(payB, "CHK-2", "45");
    EXPECT_EQ(scalar("Select Count(*) From Receivable where InvoiceNo_Receivable=7"), "2");
    EXPECT_EQ(scalar("Select Sum(Amount_Receivable) From Receivable where InvoiceNo_Receivable=7").toDouble(), 75.0);

    // The invoice window of A, refreshed, shows what both counters took.
    TInvoice* invA = openAt<TInvoice>(a_);
    click(invA, "Button5");
    EXPECT_EQ(text(invA, "Edit1"), "7");
    EXPECT_EQ(text(invA, "Label19").toDouble(), 75.0);
}

INSTANTIATE_TEST_SUITE_P(Engines, CountersTest, TESTSUPPORT_ENGINES);

}  // namespace

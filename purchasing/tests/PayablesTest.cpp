// Payments to vendors: against bills and orders, the balances every window shows, refusals,
// the payable list with its delete and its printout, and the registration of the windows.
#include "PurchasingFixture.h"

#include "AuxWindow.h"
#include "DataModule.h"
#include "PreparedReport.h"
#include "PurchasingWindows.h"
#include "ReportPreview.h"
#include "TBill.h"
#include "TBillExpense.h"
#include "TBillPart.h"
#include "TFindPayable.h"
#include "TLaborFind.h"
#include "TOrderItem.h"
#include "TPayable.h"
#include "TPayableList.h"
#include "TPayableOrder.h"
#include "TPoOrder.h"
#include "WindowFactory.h"

#include <QFile>
#include <QTemporaryDir>

namespace {
class PayablesTest : public PurchasingTest {
protected:
    /// Fills the payment boxes after the look-up and saves (answer Yes).
    void pay(QWidget* w, const QString& key, const QString& amount, const QString& check = "1001") {
        setText(w, "Edit1", key);
        setText(w, "Edit4", amount);
        setText(w, "Edit3", check);
        setText(w, "ComboBox2", "Checking");
        dialogs_->answerYes();
        click(w, "Button1");
    }
    static QStringList figures(QWidget* w) {
        return {text(w, "Label9"), text(w, "Label11"), text(w, "Label14"), text(w, "Label16")};
    }
};
} // namespace

TEST_P(PayablesTest, TwoPaymentsOnABillAndOneOnAnOrderGiveTheRightBalancesEverywhere) {
    addBill("1000", "Acme Parts", "250");
    addBill("1000", "Bolt Co", "90"); // same reference, another vendor: its own payments
    addOrder(7, "Acme Parts");
    exec("Insert Into Items (Po_Item, Name_Item, Qty_Item, Color_Item, Amount_Item) Values (?, ?, ?, ?, ?)",
         {7, "Rotor", 2, "RT-9", money("80")});

    TPayable* p = open<TPayable>();
    EXPECT_EQ(text(p, "ComboBox3"), "Bus Expence");
    setText(p, "ComboBox1", "Acme Parts");
    setText(p, "Edit1", "1000");
    EXPECT_EQ(figures(p), (QStringList{"Acme Parts", "250", "0.00", "250"}));
    EXPECT_EQ(text(p, "Edit4"), "250"); // the whole amount is proposed
    EXPECT_EQ(text(p, "ComboBox3"), "Parts");
    pay(p, "1000", "100");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{SaveQ});
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    // Ready for the next payment: the bill is cleared.
    EXPECT_EQ(text(p, "Edit1"), "");
    EXPECT_EQ(text(p, "Label9"), "");
    EXPECT_EQ(text(p, "Label11"), "0.00");
    EXPECT_EQ(text(p, "Label16"), "0.00");

    setText(p, "ComboBox1", "Acme Parts");
    setText(p, "Edit1", "1000");
    EXPECT_EQ(figures(p), (QStringList{"Acme Parts", "250", "100", "150"}));
    pay(p, "1000", "150", "1002");
    setText(p, "ComboBox1", "Acme Parts");
    setText(p, "Edit1", "1000");
    EXPECT_EQ(figures(p), (QStringList{"Acme Parts", "250", "250", "0"}));
    EXPECT_EQ(scalar("Select PayDate_Payable From Payable where Ref_Payable=?", {"1002"}), today());

    // The other vendor's bill with the same reference shares none of it.
    setText(p, "ComboBox1", "Bolt Co");
    setText(p, "Edit1", "");
    setText(p, "Edit1", "1000");
    EXPECT_EQ(figures(p), (QStringList{"Bolt Co", "90", "0.00", "90"}));

    // The order: total of its lines, "Inventory" and "Sale" proposed.
    TPoOrder* o = open<TPoOrder>();
    setText(o, "Edit1", "7");
    click(o, "Button8");
    TPayableOrder* po = adopt(PayableOrder.data());
    ASSERT_NE(po, nullptr);
    EXPECT_EQ(po->windowTitle(), "PayableOrder");
    EXPECT_EQ(text(po, "Edit1"), "7");
    EXPECT_EQ(figures(po), (QStringList{"Acme Parts", "80", "0.00", "80"}));
    EXPECT_EQ(text(po, "ComboBox3"), "Inventory");
    EXPECT_EQ(text(po, "ComboBox4"), "Sale");
    pay(po, "7", "30");
    EXPECT_EQ(count("PayableOrder"), 1);
    setText(po, "Edit1", "7");
    EXPECT_EQ(figures(po), (QStringList{"Acme Parts", "80", "30", "50"}));

    // The bill window, the list and its total agree.
    TBill* b = open<TBill>();
    clickRow(gridOf(b), 0);
    EXPECT_EQ(text(b, "Label19"), "250");
    clickRow(gridOf(b), 1);
    EXPECT_EQ(text(b, "Label19"), "");
    TPayableList* l = open<TPayableList>();
    EXPECT_EQ(rows(l), 2);
    EXPECT_EQ(text(l, "Label2"), "250");
    EXPECT_EQ(gridOf(l)->model()->headerData(5, Qt::Horizontal).toString(), "Amount $");
    EXPECT_EQ(gridOf(l)->model()->headerData(6, Qt::Horizontal).toString(), "Chart_Payable");
    // A look-up in the payment window leaves the list beside it showing payments.
    setText(p, "Edit1", "");
    setText(p, "Edit1", "1000");
    EXPECT_EQ(rows(l), 2);
    EXPECT_EQ(cell(l, "DBGrid1", 0, 5), "100");
}

TEST_P(PayablesTest, PaymentsThatNoBillOrOrderWouldCountAreRefused) {
    addBill("1000", "Acme Parts", "250");
    addOrder(7, "Acme Parts");
    TPayable* p = open<TPayable>();

    // No such bill, and a bill of another vendor: nothing written, a clear message.
    setText(p, "ComboBox1", "Acme Parts");
    setText(p, "Edit1", "1009");
    setText(p, "Edit4", "10");
    click(p, "Button1");
    setText(p, "Edit1", "1000");
    setText(p, "ComboBox1", "Bolt Co");
    click(p, "Button1");
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    ASSERT_EQ(dialogs_->errors().size(), 2);
    EXPECT_TRUE(dialogs_->errors()[0].contains("1009"));
    EXPECT_TRUE(dialogs_->errors()[1].contains("Bolt Co"));

    // Amount and date must be what they say.
    dialogs_->clear();
    setText(p, "ComboBox1", "Acme Parts");
    setText(p, "Edit4", "ten");
    click(p, "Button1");
    setText(p, "Edit4", "10");
    setText(p, "Edit2", "2/30/2026");
    click(p, "Button1");
    ASSERT_EQ(dialogs_->errors().size(), 2);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Amount"));
    EXPECT_TRUE(dialogs_->errors()[1].contains("Pay Date"));
    EXPECT_EQ(text(p, "Edit1"), "1000"); // what was typed stays

    // Over-payment is allowed: the balance goes negative. Saved twice, counted twice.
    dialogs_->clear();
    setText(p, "Edit2", today());
    pay(p, "1000", "200");
    setText(p, "ComboBox1", "Acme Parts");
    pay(p, "1000", "200");
    setText(p, "ComboBox1", "Acme Parts");
    setText(p, "Edit1", "1000");
    EXPECT_EQ(text(p, "Label16"), "-150");
    EXPECT_EQ(count("Payable"), 2);

    // Orders: a number that is no order, or no number at all.
    TPayableOrder* po = open<TPayableOrder>();
    dialogs_->clear();
    setText(po, "Edit1", "8");
    setText(po, "Edit4", "5");
    click(po, "Button1");
    setText(po, "Edit1", "7x");
    click(po, "Button1");
    ASSERT_EQ(dialogs_->errors().size(), 2);
    EXPECT_TRUE(dialogs_->errors()[0].contains("8"));
    EXPECT_TRUE(dialogs_->errors()[1].contains("PO#"));
    EXPECT_EQ(count("PayableOrder"), 0);
    // Answering No writes nothing but clears for the next payment.
    setText(po, "Edit1", "7");
    dialogs_->answerNo();
    click(po, "Button1");
    EXPECT_EQ(count("PayableOrder"), 0);
    EXPECT_EQ(text(po, "Edit1"), "");
}

TEST_P(PayablesTest, TheFinderPicksTheBillOfTheRowClicked) {
    addBill("1000", "Bolt Co", "90");
    addBill("1000", "Acme Parts", "250");
    addBill("0999", "Acme Parts", "5");
    TPayable* p = open<TPayable>();
    click(p, "SpeedButton1");
    TFindPayable* f = adopt(FindPayable.data());
    ASSERT_NE(f, nullptr);
    f->show();
    ASSERT_EQ(rows(f), 3);
    EXPECT_EQ(cell(f, "DBGrid1", 0, 0), "0999"); // sorted by reference
    clickTitle(gridOf(f), 1);                    // by vendor: Acme, Acme, Bolt
    ASSERT_EQ(cell(f, "DBGrid1", 2, 1), "Bolt Co");
    clickRow(gridOf(f), 2);
    QTest::mouseDClick(gridOf(f)->viewport(), Qt::LeftButton, {},
                       gridOf(f)->visualRect(gridOf(f)->model()->index(2, 0)).center());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(FindPayable.isNull());
    EXPECT_EQ(figures(p), (QStringList{"Bolt Co", "90", "0.00", "90"}));
    EXPECT_EQ(text(p, "Edit1"), "1000");
}

TEST_P(PayablesTest, TheListDeletesExactlyOnePaymentAndPrintsWithTheTotal) {
    addBill("1000", "Acme Parts", "250");
    const auto payment = [this](const QString& ref, const QString& amount) {
        exec("Insert Into Payable (BillNo_Payable, Name_Payable, ViaPayment_Payable, PayDate_Payable, "
             "Ref_Payable, "
             "Amount_Payable, Chart_Payable, SubChart_Payable) Values (?, ?, ?, ?, ?, ?, ?, ?)",
             {"1000", "Acme Parts", "Checking", QDate(2026, 11, 9), ref, money(amount), "Parts", "Brakes"});
    };
    payment("C-1", "1234.5");
    payment("C-1", "1234.5"); // the same payment entered twice
    payment("C-2", "15.25");
    TPayableList* l = open<TPayableList>();
    EXPECT_EQ(text(l, "Label2"), "2484.25");

    {
        kestrum::report::ReportCapture capture;
        click(l, "Button2");
        ASSERT_EQ(capture.reports().size(), 1u);
        const kestrum::report::PreparedReport& r = capture.reports()[0];
        EXPECT_EQ(r.widthMm, 210);
        EXPECT_EQ(r.heightMm, 280);
        const QString page = r.pageText(0);
        for (const char* t : {"Payable List", "Bill No", "Vendor Name", "Chart of Acount", "Acme Parts",
                              "$1,234.50", "$15.25", "Total  Amount   : $2,484.25", "11/9/2026"})
            EXPECT_TRUE(page.contains(t)) << t << "\n" << page.toStdString();
        QTemporaryDir dir;
        const QString file = dir.filePath("payables.pdf");
        QString error;
        ASSERT_TRUE(r.exportPdf(file, &error)) << error.toStdString();
        QFile pdf(file);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
        EXPECT_TRUE(pdf.read(5) == "%PDF-");
    }

    // Deleting one of the twins leaves the other; the total drops at once.
    clickTitle(gridOf(l), 4); // by Ref: C-1, C-1, C-2
    clickRow(gridOf(l), 0);
    dialogs_->answerYes();
    click(l, "NavDelete");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{"Delete record?"});
    EXPECT_EQ(count("Payable"), 2);
    EXPECT_EQ(scalar("Select Count(*) From Payable where Ref_Payable=?", {"C-1"}), "1");
    EXPECT_EQ(rows(l), 2);
    EXPECT_EQ(text(l, "Label2"), "1249.75");
    // No: nothing goes.
    dialogs_->answerNo();
    click(l, "NavDelete");
    EXPECT_EQ(count("Payable"), 2);
}

TEST_P(PayablesTest, EveryWindowIsRegisteredAndSetsItsGlobalReference) {
    kestrum::ui::WindowFactory::clear();
    kestrum::registerPurchasingWindows();
    for (const char* cls : {"TPoOrder", "TOrderItem", "TLaborFind", "TBill", "TBillPart", "TBillExpense",
                            "TPayable", "TPayableOrder", "TFindPayable", "TPayableList"}) {
        QWidget* w = kestrum::ui::WindowFactory::create(cls);
        ASSERT_NE(w, nullptr) << cls;
        windows_.append(w);
        EXPECT_TRUE(w->inherits(cls)) << cls;
        // Every edit box and combo is named by its caption label.
        QSet<QWidget*> named;
        for (QLabel* label : w->findChildren<QLabel*>())
            if (label->buddy())
                named.insert(label->buddy());
        for (QWidget* c : w->findChildren<QWidget*>())
            if (c->objectName().startsWith("Edit") || c->objectName().startsWith("ComboBox") ||
                c->objectName().startsWith("Memo"))
                EXPECT_TRUE(named.contains(c)) << cls << " " << c->objectName().toStdString();
    }
    EXPECT_FALSE(PoOrder.isNull());
    EXPECT_FALSE(LaborFind.isNull());
    EXPECT_FALSE(PayableList.isNull());
    // The part picker is a start-up auxiliary window made by class name.
    QWidget* aux = kestrum::ui::createAuxWindow("TLaborFind", "Part Find");
    EXPECT_TRUE(aux->inherits("TLaborFind"));
    EXPECT_EQ(kestrum::ui::auxWindow("TLaborFind"), aux);
    kestrum::ui::destroyAuxWindows();
    kestrum::ui::WindowFactory::clear();
}

INSTANTIATE_TEST_SUITE_P(Engines, PayablesTest, TESTSUPPORT_ENGINES);

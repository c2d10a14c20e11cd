// Vendor bills through their windows: references, the identity of a bill, part and expense lines
// and their totals, and what a bill has been paid.
#include "PurchasingFixture.h"

#include "DataModule.h"
#include "TBill.h"
#include "TBillExpense.h"
#include "TBillPart.h"
#include "TPart.h"
#include "TPayable.h"

namespace {
class BillsTest : public PurchasingTest {
protected:
    /// The bill window showing the bill in list row `row`.
    TBill* billAt(int row) {
        TBill* w = open<TBill>();
        clickRow(gridOf(w), row);
        return w;
    }
    template <typename E> E* openEditor(TBill* w, const QString& button, QPointer<E>& global) {
        click(w, button);
        E* e = adopt(global.data());
        if (e)
            e->show();
        return e;
    }
    template <typename E> void saveLine(E* e, const QString& name, const QString& qty, const QString& rate) {
        setText(e, "ComboBox1", name);
        setText(e, "Edit2", qty);
        setText(e, "Edit5", rate);
        e->computeAmount();
        dialogs_->answerYes();
        click(e, "Button1");
    }
    static void closeNow(QWidget* e) {
        e->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};
} // namespace

TEST_P(BillsTest, NewProposesTheHighestNumericReferencePlusOneOr1000) {
    TBill* w = open<TBill>();
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "1000");
    EXPECT_EQ(text(w, "Edit4"), "0.00");
    EXPECT_EQ(text(w, "Edit2"), today());

    // Table order does not matter, nor do references that are not numbers.
    addBill("1017", "Acme Parts", "10");
    addBill("A-77", "Bolt Co", "10");
    addBill("998", "Acme Parts", "10");
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "1018");
}

TEST_P(BillsTest, TwoVendorsMayShareAReferenceAndSavingChangesOnlyTheOneShown) {
    exec("Insert Into Company (ID_Company, Name_Company, Address_Company, City_Company, State_Company, "
         "Zip_Company) "
         "Values (?, ?, ?, ?, ?, ?)",
         {1, "Acme Parts", "12 Elm St", "Turlock", "CA", "95380"});
    TBill* w = open<TBill>();
    click(w, "Button3");
    setText(w, "ComboBox1", "Acme Parts");
    w->ComboBox1Exit();
    EXPECT_EQ(memo(w, "Memo1"), "12 Elm St Turlock, CA 95380");
    setText(w, "Edit4", "250");
    setText(w, "Edit2", "11/3/2026");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});

    click(w, "Button3");
    setText(w, "Edit1", "1000");
    setText(w, "ComboBox1", "Bolt Co");
    setText(w, "Edit4", "80");
    setText(w, "Edit2", "11/3/2026");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(count("Bill"), 2);

    // Refresh shows the first bill; change it and save: only that row changes.
    ASSERT_EQ(text(w, "ComboBox1"), "Acme Parts");
    setText(w, "Edit4", "260");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(count("Bill"), 2);
    EXPECT_EQ(scalar("Select Amount_Bill From Bill where Vendor_Bill=?", {"Acme Parts"}), "260");
    EXPECT_EQ(scalar("Select Amount_Bill From Bill where Vendor_Bill=?", {"Bolt Co"}), "80");

    // A bill date that is not a date stops Save before the question.
    dialogs_->clear();
    setText(w, "Edit2", "someday");
    click(w, "Button2");
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Bill Date"));

    // Delete takes exactly the bill shown.
    dialogs_->clear();
    setText(w, "Edit2", "11/3/2026");
    setText(w, "ComboBox1", "Bolt Co");
    dialogs_->answerYes();
    click(w, "Button4");
    EXPECT_EQ(count("Bill"), 1);
    EXPECT_EQ(scalar("Select Vendor_Bill From Bill"), "Acme Parts");
}

TEST_P(BillsTest, TitleClickKeepsTheShownBillTheHighlightedRowByReferenceAndVendor) {
    addBill("100", "Amy Supply", "10");
    addBill("100", "Zed Parts", "20");
    addBill("050", "Moe Tools", "30");
    TBill* w = billAt(1);
    ASSERT_EQ(text(w, "ComboBox1"), "Zed Parts");
    clickTitle(gridOf(w), 1);  // by vendor: Zed goes last, Amy's bill of the same reference first
    EXPECT_EQ(text(w, "Edit1"), "100");
    EXPECT_EQ(text(w, "ComboBox1"), "Zed Parts");
    EXPECT_EQ(gridOf(w)->currentIndex().row(), 2);
    EXPECT_EQ(DM->QBill1->FieldByName("Vendor_Bill").AsString(), "Zed Parts");
    EXPECT_EQ(DM->QBill1->FieldByName("Amount_Bill").AsString(), text(w, "Edit4"));
}

TEST_P(BillsTest, PartAndExpenseLinesTotalAndLeaveStockAlone) {
    addPart(1, "Brake pad", "BP-1", "2.50");
    addPart(2, "Rotor", "RT-9", "40");
    addBill("1000", "Acme Parts", "150");
    TBill* w = billAt(0);
    ASSERT_EQ(text(w, "Edit1"), "1000");
    EXPECT_EQ(text(w, "Label14"), "0.00");

    TBillPart* p = openEditor(w, "Button6", BillPart);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(text(p, "Label6"), "1000");
    EXPECT_EQ(text(p, "Label15"), "Acme Parts");
    saveLine(p, "Brake pad", "4", "2.5");
    EXPECT_EQ(text(p, "Label7"), "10");
    saveLine(p, "Brake pad", "6", "2.5"); // the same name: that line changes
    saveLine(p, "Rotor", "2", "40");
    EXPECT_EQ(scalar("Select Count(*) From BillItem where Inv_Bill=?", {"1000"}), "2");
    EXPECT_EQ(text(p, "Label7"), "95");
    closeNow(p);
    EXPECT_EQ(rows(w, "DBGrid2"), 2);
    EXPECT_EQ(text(w, "Label12"), "95");

    // Expense descriptions are free text: a new one stays and is saved.
    TBillExpense* x = openEditor(w, "Button8", BillExpense);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(text(x, "Label6"), "1000");
    saveLine(x, "Freight", "1", "12.5");
    EXPECT_EQ(text(x, "ComboBox1"), "Freight");
    saveLine(x, "Core charge", "2", "7.25");
    EXPECT_EQ(rows(x), 2);
    closeNow(x);
    EXPECT_EQ(rows(w, "DBGrid3"), 2);
    EXPECT_EQ(text(w, "Label15"), "27");
    EXPECT_EQ(text(w, "Label14"), "122");

    // Bills do not move stock.
    TPart* part = open<TPart>();
    clickRow(part->grid(), 0);
    EXPECT_EQ(text(part, "Label19"), "0");
    EXPECT_EQ(text(part, "Label21"), "0");
}

TEST_P(BillsTest, EveryLoadShowsBothKindsOfLinesAndTheEditorsKeepTheirBill) {
    addBill("1000", "Acme Parts", "150");
    addBill("2000", "Bolt Co", "60");
    exec("Insert Into BillItem (Inv_Bill, Vendor_Bill, Name_Bill, Qty_Bill, Amount_Bill) Values (?, ?, ?, ?, ?)",
         {"2000", "Bolt Co", "Rotor", 1, money("40")});
    exec("Insert Into BillExpense (Bill_Expense, Vendor_Expense, Description_Expense, Qty_Expense, "
         "Amount_Expense) Values (?, ?, ?, ?, ?)",
         {"2000", "Bolt Co", "Freight", 1, money("9.5")});
    TBill* w = open<TBill>(); // opens on the last bill
    EXPECT_EQ(text(w, "Edit1"), "2000");
    EXPECT_EQ(rows(w, "DBGrid2"), 1);
    EXPECT_EQ(rows(w, "DBGrid3"), 1);
    setText(w, "Edit13", "1"); // search by reference
    EXPECT_EQ(text(w, "Edit1"), "1000");
    EXPECT_EQ(rows(w, "DBGrid2"), 0);
    EXPECT_EQ(rows(w, "DBGrid3"), 0);
    setText(w, "Edit13", "2");
    ASSERT_EQ(text(w, "Edit1"), "2000");

    // The expense editor works on 2000 even after the bill window moved on.
    TBillExpense* x = openEditor(w, "Button8", BillExpense);
    ASSERT_NE(x, nullptr);
    EXPECT_GE(qobject_cast<QComboBox*>(find(x, "ComboBox1"))->findText("Freight"), 0); // earlier descriptions
    clickRow(gridOf(w), 0);
    ASSERT_EQ(text(w, "Edit1"), "1000");
    saveLine(x, "Fuel surcharge", "1", "3");
    click(x, "Button5");
    EXPECT_EQ(rows(x), 2);
    EXPECT_EQ(scalar("Select Count(*) From BillExpense where Bill_Expense=?", {"2000"}), "2");
    EXPECT_EQ(scalar("Select Count(*) From BillExpense where Bill_Expense=?", {"1000"}), "0");
}

TEST_P(BillsTest, PaidCountsThePaymentsOfTheBillsReferenceAndVendorOnly) {
    addBill("1000", "Acme Parts", "150");
    addBill("1000", "Bolt Co", "60");
    const auto pay = [this](const QString& vendor, const QString& amount) {
        exec("Insert Into Payable (BillNo_Payable, Name_Payable, PayDate_Payable, Amount_Payable) Values (?, "
             "?, ?, ?)",
             {"1000", vendor, QDate(2026, 11, 9), money(amount)});
    };
    TBill* w = billAt(0);
    EXPECT_EQ(text(w, "Label19"), ""); // nothing paid yet
    pay("Acme Parts", "100");
    pay("Acme Parts", "20");
    pay("Bolt Co", "60");
    clickRow(gridOf(w), 0);
    EXPECT_EQ(text(w, "ComboBox1"), "Acme Parts");
    EXPECT_EQ(text(w, "Label19"), "120");
    clickRow(gridOf(w), 1);
    EXPECT_EQ(text(w, "Label19"), "60");

    // "Payable" opens the payment window on this very bill.
    click(w, "Button11");
    TPayable* p = adopt(Payable.data());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(text(p, "Edit1"), "1000");
    EXPECT_EQ(text(p, "Label9"), "Bolt Co");
    EXPECT_EQ(text(p, "Label11"), "60");
    EXPECT_EQ(text(p, "Label14"), "60");
    EXPECT_EQ(text(p, "Label16"), "0");
}

TEST_P(BillsTest, LinesBelongToTheReferenceAndVendorAndGoWithTheirBill) {
    addPart(1, "Brake pad", "BP-1", "5");
    addBill("1000", "Acme Parts", "150");
    addBill("1000", "Bolt Co", "60");
    TBill* w = billAt(0);
    ASSERT_EQ(text(w, "ComboBox1"), "Acme Parts");
    TBillPart* p = openEditor(w, "Button6", BillPart);
    ASSERT_NE(p, nullptr);
    saveLine(p, "Brake pad", "2", "5");
    closeNow(p);
    TBillExpense* x = openEditor(w, "Button8", BillExpense);
    ASSERT_NE(x, nullptr);
    saveLine(x, "Freight", "1", "7");
    closeNow(x);
    EXPECT_EQ(scalar("Select Vendor_Bill From BillItem"), "Acme Parts");
    EXPECT_EQ(scalar("Select Vendor_Expense From BillExpense"), "Acme Parts");
    EXPECT_EQ(rows(w, "DBGrid2"), 1);
    EXPECT_EQ(text(w, "Label14"), "17");

    // Bolt Co's bill with the same reference shows none of Acme's lines or totals.
    clickRow(gridOf(w), 1);
    ASSERT_EQ(text(w, "ComboBox1"), "Bolt Co");
    EXPECT_EQ(rows(w, "DBGrid2"), 0);
    EXPECT_EQ(rows(w, "DBGrid3"), 0);
    EXPECT_EQ(text(w, "Label14"), "0.00");

    // A bill with payments stays; one without goes, and its lines with it.
    exec("Insert Into Payable (BillNo_Payable, Name_Payable, PayDate_Payable, Amount_Payable) Values (?, ?, ?, ?)",
         {"1000", "Bolt Co", QDate(2026, 11, 9), money("10")});
    dialogs_->clear();
    dialogs_->answerYes();
    click(w, "Button4");
    EXPECT_EQ(count("Bill"), 2);
    EXPECT_TRUE(dialogs_->messages().value(0).contains("has payments")) << dialogs_->last().toStdString();
    clickRow(gridOf(w), 0);
    ASSERT_EQ(text(w, "ComboBox1"), "Acme Parts");
    dialogs_->answerYes();
    click(w, "Button4");
    EXPECT_EQ(count("Bill"), 1);
    EXPECT_EQ(count("BillItem"), 0);
    EXPECT_EQ(count("BillExpense"), 0);

    // A new Acme bill under that reference starts without the deleted bill's lines.
    addBill("1000", "Acme Parts", "80");
    click(w, "Button5");
    for (int row = 0; row < rows(w); ++row) {
        clickRow(gridOf(w), row);
        if (text(w, "ComboBox1") == "Acme Parts")
            break;
    }
    ASSERT_EQ(text(w, "ComboBox1"), "Acme Parts");
    EXPECT_EQ(rows(w, "DBGrid2"), 0);
    EXPECT_EQ(text(w, "Label14"), "0.00");
}

TEST_P(BillsTest, CorrectingTheDateOrVendorOfTheShownBillUpdatesIt) {
    addBill("1000", "Acme Parts", "150");
    exec("Insert Into BillItem (Inv_Bill, Vendor_Bill, Name_Bill, Qty_Bill, Amount_Bill) Values (?, ?, ?, ?, ?)",
         {"1000", "Acme Parts", "Rotor", 1, money("40")});
    exec("Insert Into Payable (BillNo_Payable, Name_Payable, PayDate_Payable, Amount_Payable) Values (?, ?, ?, ?)",
         {"1000", "Acme Parts", QDate(2026, 11, 9), money("25")});
    TBill* w = billAt(0);
    setText(w, "Edit2", "11/5/2026");
    setText(w, "ComboBox1", "Acme Parts Inc");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(count("Bill"), 1);
    EXPECT_EQ(scalar("Select Vendor_Bill From Bill"), "Acme Parts Inc");
    EXPECT_EQ(scalar("Select Count(*) From Bill where BillDate_Bill=?", {QDate(2026, 11, 5)}), "1");
    // Its lines and payments follow it.
    EXPECT_EQ(scalar("Select Vendor_Bill From BillItem"), "Acme Parts Inc");
    EXPECT_EQ(scalar("Select Name_Payable From Payable"), "Acme Parts Inc");
    clickRow(gridOf(w), 0);
    EXPECT_EQ(rows(w, "DBGrid2"), 1);
    EXPECT_EQ(text(w, "Label19"), "25");

    // A genuinely new bill is one made with New; a reference the vendor already used is refused.
    click(w, "Button3");
    setText(w, "Edit1", "1000");
    setText(w, "ComboBox1", "Acme Parts Inc");
    dialogs_->clear();
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(count("Bill"), 1);
    EXPECT_TRUE(dialogs_->messages().value(0).contains("already has a bill")) << dialogs_->last().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, BillsTest, TESTSUPPORT_ENGINES);

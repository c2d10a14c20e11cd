// Purchase orders through their windows: numbering, save and delete, the line editor and its
// part picker, and stock on hand following the order lines.
#include "PurchasingFixture.h"

#include "DataModule.h"
#include "TLaborFind.h"
#include "TOrderItem.h"
#include "TPart.h"
#include "TPoOrder.h"

using kestrum::ui::ScriptedDialogs;

namespace {
class OrdersTest : public PurchasingTest {
protected:
    /// The order window on order `po` (saved through the window), with its line editor open.
    TOrderItem* editorFor(TPoOrder* w, int po) {
        setText(w, "Edit1", QString::number(po));
        click(w, "Button6");
        TOrderItem* e = adopt(OrderItem.data());
        if (e)
            e->show();
        return e;
    }
    /// Saves the line in the editor's boxes (answer Yes).
    void saveLine(TOrderItem* e) {
        dialogs_->answerYes();
        click(e, "Button1");
    }
    /// Stock figures of the parts window for the part in row `row` (Sale, Buy, Inventory).
    QStringList stockOf(int row) {
        TPart* p = open<TPart>();
        clickRow(p->grid(), row);
        QStringList figures{text(p, "Label17"), text(p, "Label19"), text(p, "Label21"), text(p, "Label23")};
        delete p;
        return figures;
    }
};
} // namespace

TEST_P(OrdersTest, NewProposesOneThenTheHighestNumberPlusOneAndSaveInsertsThenUpdates) {
    TPoOrder* w = open<TPoOrder>();
    EXPECT_EQ(w->windowTitle(), "PoOrder");
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(text(w, "Edit4"), "Stock");
    EXPECT_EQ(text(w, "Edit2"), today());
    EXPECT_EQ(text(w, "Edit3"), today());

    setText(w, "ComboBox1", "O'Neil Farms");
    setText(w, "ComboBox3", "Acme Parts");
    setText(w, "ComboBox4", "Fresno's yard");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{SaveQ});
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(count("Orders"), 1);
    EXPECT_EQ(scalar("Select SideMark_Order From Orders where Po_Order=1"), "O'Neil Farms");
    EXPECT_EQ(scalar("Select ShipFrom_Order From Orders where Po_Order=1"), "Fresno's yard");
    EXPECT_EQ(rows(w), 1);

    // Saving the same number again changes that order.
    setText(w, "ComboBox3", "Bolt Co");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(count("Orders"), 1);
    EXPECT_EQ(scalar("Select Vendor_Order From Orders where Po_Order=1"), "Bolt Co");

    // The highest number plus one, whatever the list's order; Refresh shows the highest.
    addOrder(41, "Acme Parts");
    addOrder(7, "Acme Parts");
    click(w, "Button5");
    EXPECT_EQ(text(w, "Edit1"), "41");
    clickTitle(gridOf(w), 4); // by vendor
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "42");
    EXPECT_EQ(count("Orders"), 3);
}

TEST_P(OrdersTest, BadNumbersAndDatesAreRefusedWithAMessageAndNothingIsWritten) {
    TPoOrder* w = open<TPoOrder>();
    click(w, "Button3");
    setText(w, "Edit2", "13/45/2026");
    click(w, "Button2");
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Order Date")) << dialogs_->errors()[0].toStdString();

    dialogs_->clear();
    setText(w, "Edit2", today());
    setText(w, "Edit1", "12; Delete From Orders");
    click(w, "Button2");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("PO#"));
    EXPECT_EQ(count("Orders"), 0);

    // An empty number: Save and Delete do nothing and say nothing.
    dialogs_->clear();
    setText(w, "Edit1", "");
    click(w, "Button2");
    click(w, "Button4");
    EXPECT_TRUE(dialogs_->shown().isEmpty());
}

TEST_P(OrdersTest, OrderLinesRaiseStockOnHandAndDeletingALineTakesItBack) {
    addPart(1, "Brake pad", "BP-1", "2.50");
    addPart(2, "Rotor", "RT-9", "40");
    addOrder(5, "Acme Parts");
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item) Values (?, ?, ?, ?)",
         {900, "Brake pad", 3, "BP-1"});
    EXPECT_EQ(stockOf(0), (QStringList{"3", "0", "-3", "-7.5"}));

    TPoOrder* w = open<TPoOrder>();
    TOrderItem* e = editorFor(w, 5);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(text(e, "Label6"), "5");
    EXPECT_EQ(text(e, "Label19"), "Acme Parts");

    // Choosing a part name fills maker, style, part number and price from the catalogue.
    setText(e, "ComboBox1", "Brake pad");
    EXPECT_EQ(text(e, "Edit4"), "BP-1");
    EXPECT_EQ(text(e, "Edit5"), "2.5");
    EXPECT_EQ(text(e, "Edit1"), "Bosch");
    setText(e, "Edit2", "10");
    e->computeAmount();
    EXPECT_EQ(text(e, "Edit6"), "25");
    saveLine(e);
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(stockOf(0), (QStringList{"3", "10", "7", "17.5"}));

    // The same part number again changes that line: its new quantity counts, not both.
    setText(e, "ComboBox1", "Brake pad");
    setText(e, "Edit2", "5");
    e->computeAmount();
    saveLine(e);
    EXPECT_EQ(scalar("Select Count(*) From Items where Po_Item=5"), "1");
    EXPECT_EQ(stockOf(0), (QStringList{"3", "5", "2", "5"}));

    // A second part is a second line; closing the editor shows both and their total.
    setText(e, "ComboBox1", "Rotor");
    setText(e, "Edit2", "2");
    e->computeAmount();
    saveLine(e);
    EXPECT_EQ(rows(e), 2);
    e->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(rows(w, "DBGrid2"), 2);
    EXPECT_EQ(text(w, "Label12"), "92.5");

    // An order that has lines is not deleted.
    dialogs_->clear();
    click(w, "Button4");
    EXPECT_EQ(dialogs_->messages(), QStringList{"This PO it has Material Please Delete PO first"});
    EXPECT_EQ(count("Orders"), 1);

    // Deleting the line gives the stock back.
    e = editorFor(w, 5);
    ASSERT_NE(e, nullptr);
    QTableView* g = gridOf(e);
    for (int r = 0; r < g->model()->rowCount(); ++r)
        if (cell(e, "DBGrid1", r, 4) == "BP-1")
            clickRow(g, r);
    ASSERT_EQ(text(e, "Edit4"), "BP-1");
    dialogs_->answerYes();
    click(e, "Button3");
    EXPECT_EQ(stockOf(0), (QStringList{"3", "0", "-3", "-7.5"}));
    EXPECT_EQ(scalar("Select Count(*) From Items"), "1");
}

TEST_P(OrdersTest, LineAmountIsQuantityTimesRateOnlyForAQuantityAboveZero) {
    addOrder(1, "Acme Parts");
    TPoOrder* w = open<TPoOrder>();
    TOrderItem* e = editorFor(w, 1);
    ASSERT_NE(e, nullptr);
    const struct {
        const char *qty, *rate, *amount;
    } cases[] = {{"3", "2.5", "7.5"},
                 {"1", "0.25", "0.25"},
                 {"0", "9", "0"},
                 {"-2", "9", "0"},
                 {"10", "3.333", "33.33"}};
    for (const auto& c : cases) {
        setText(e, "Edit2", c.qty);
        setText(e, "Edit5", c.rate);
        e->computeAmount();
        EXPECT_EQ(text(e, "Edit6"), c.amount) << c.qty << " x " << c.rate;
    }
    // A rate that is not a number: a message naming the box, the amount stays.
    setText(e, "Edit2", "2");
    setText(e, "Edit5", "abc");
    kestrum::ui::runGuarded([&] { e->computeAmount(); });
    EXPECT_EQ(text(e, "Edit6"), "33.33");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Rate"));

    // Nor is such a line saved.
    dialogs_->clear();
    setText(e, "ComboBox1", "");
    e->setFields({{"ComboBox1", "Hand typed"}, {"Edit4", "HT-1"}, {"Edit2", "x"}});
    click(e, "Button1");
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    EXPECT_EQ(dialogs_->errors().size(), 1);
    EXPECT_EQ(count("Items"), 0);
}

TEST_P(OrdersTest, PartPickerSearchesDescriptionsAndFillsTheLineAtCost) {
    addPart(1, "Brake pad", "BP-1", "12.3456", "Front pad set");
    addPart(2, "Oil filter", "OF-2", "10", "Spin-on filter");
    addOrder(3, "Acme Parts");
    TPoOrder* w = open<TPoOrder>();
    TOrderItem* e = editorFor(w, 3);
    ASSERT_NE(e, nullptr);

    auto* picker = new TLaborFind;
    windows_.append(picker);
    EXPECT_EQ(picker->windowTitle(), "Order Part Find");
    picker->Show();
    EXPECT_EQ(rows(picker), 2);
    EXPECT_EQ(gridOf(picker)->model()->headerData(0, Qt::Horizontal).toString(), "Part Name");
    setText(picker, "Edit1", "FILTER");
    ASSERT_EQ(rows(picker), 1);
    clickRow(gridOf(picker), 0);
    click(picker, "Button2");
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(text(e, "ComboBox1"), "Oil filter");
    EXPECT_EQ(text(e, "Edit4"), "OF-2");
    EXPECT_EQ(text(e, "Edit5"), "10"); // at cost: no mark-up on orders

    setText(picker, "Edit1", "");
    picker->Show();
    clickRow(gridOf(picker), 0); // sorted by part number: BP-1 first
    click(picker, "Button2");
    EXPECT_EQ(text(e, "Edit5"), "12.35");
    setText(e, "Edit2", "2");
    e->computeAmount();
    saveLine(e);
    EXPECT_EQ(scalar("Select Color_Item From Items where Po_Item=3"), "BP-1");
}

TEST_P(OrdersTest, TheListAndTheLinesFollowTheSelectedOrder) {
    addOrder(1, "Acme Parts");
    addOrder(2, "Bolt Co");
    exec("Insert Into Items (Po_Item, Name_Item, Qty_Item, Color_Item, Amount_Item) Values (?, ?, ?, ?, ?)",
         {2, "Rotor", 1, "RT-9", money("40")});
    TPoOrder* w = open<TPoOrder>();
    EXPECT_EQ(text(w, "Edit1"), "1"); // the first order at opening
    EXPECT_EQ(rows(w, "DBGrid2"), 0);
    EXPECT_EQ(text(w, "Label12"), "");
    clickRow(gridOf(w), 1);
    EXPECT_EQ(text(w, "ComboBox3"), "Bolt Co");
    EXPECT_EQ(rows(w, "DBGrid2"), 1);
    EXPECT_EQ(text(w, "Label12"), "40");

    // Search on the sorted column; the box turns what is typed into capitals.
    clickTitle(gridOf(w), 4);
    setText(w, "Edit13", "ACME");
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(gridOf(w)->model()->headerData(4, Qt::Horizontal).toString(), "Vendor");

    // An order without lines goes after the question.
    dialogs_->answerYes();
    click(w, "Button4");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{DeleteQ});
    EXPECT_EQ(count("Orders"), 1);
    EXPECT_EQ(text(w, "Edit1"), "2");
}

TEST_P(OrdersTest, TitleClickKeepsTheShownOrderTheHighlightedRow) {
    addOrder(1, "Amy Co");
    addOrder(2, "Zed Co");
    addOrder(3, "Moe Co");
    TPoOrder* w = open<TPoOrder>();
    clickRow(gridOf(w), 1);
    ASSERT_EQ(text(w, "Edit1"), "2");
    clickTitle(gridOf(w), 4);  // by vendor: Zed goes last
    EXPECT_EQ(text(w, "Edit1"), "2");
    EXPECT_EQ(text(w, "ComboBox3"), "Zed Co");
    EXPECT_EQ(gridOf(w)->currentIndex().row(), 2);
    EXPECT_EQ(DM->QPo1->FieldByName("Po_Order").AsString(), "2");
    // After New nothing is shown to keep: the sort leaves the new order's boxes alone.
    click(w, "Button3");
    clickTitle(gridOf(w), 0);
    EXPECT_EQ(text(w, "Edit1"), "4");
}

TEST_P(OrdersTest, EnterWalksTheHeaderRingLeftWalksBackAndF2Saves) {
    TPoOrder* w = open<TPoOrder>();
    click(w, "Button3");
    ASSERT_EQ(QApplication::focusWidget(), find(w, "ComboBox1"));
    const QStringList ring = {"ComboBox2", "Edit2", "ComboBox3", "ComboBox4", "ComboBox5",
                              "Edit3",     "Edit4", "Edit1",     "ComboBox1"};
    for (const QString& next : ring) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), find(w, next)) << next.toStdString();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), find(w, "Edit1"));
    dialogs_->answerYes();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    EXPECT_EQ(dialogs_->confirmations(), QStringList{SaveQ});
    EXPECT_EQ(count("Orders"), 1);

    // The line editor's ring: item name to amount and round again.
    TOrderItem* e = editorFor(w, 1);
    ASSERT_NE(e, nullptr);
    QApplication::setActiveWindow(e);
    find(e, "ComboBox1")->setFocus();
    for (const char* next : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "ComboBox1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), find(e, next)) << next;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, OrdersTest, TESTSUPPORT_ENGINES);

// The part-line and labor-line editors and their finders, driven from the invoice window.
#include "InvoicingFixture.h"

#include "AuxWindow.h"
#include "InputError.h"
#include "LineEditor.h"
#include "NameList.h"
#include "TPart.h"
#include "CountGate.h"
#include "Transaction.h"

using kestrum::Decimal;
using testsupport::CountGate;
using kestrum::lines::lineAmount;
using kestrum::lines::markedUpRate;

namespace {
const QString SaveQ = "Are you sure you want to Save this Record?";
const QString DeleteQ = "Are you sure you want to Delete this Record?";
Decimal dec(const char* text) { return *Decimal::parse(text); }
}  // namespace

TEST(LineAmount, QuantityTimesRateComparedAsNumbers)
{
    EXPECT_EQ(lineAmount("2", "12.5", "Qty", "Rate $"), "25");
    EXPECT_EQ(lineAmount("1.5", "10", "Qty", "Rate $"), "15");
    EXPECT_EQ(lineAmount("10", "3.333", "Qty", "Rate $"), "33.33");
    EXPECT_EQ(lineAmount(".5", "10", "Qty", "Rate $"), "5");  // ".5" is more than nothing
    EXPECT_EQ(lineAmount("0", "10", "Qty", "Rate $"), "0");
    EXPECT_EQ(lineAmount("-1", "10", "Qty", "Rate $"), "0");
    EXPECT_EQ(lineAmount("", "10", "Qty", "Rate $"), "0");
    EXPECT_EQ(lineAmount("0", "", "Qty", "Rate $"), "0");  // the rate is not needed then
    try {
        lineAmount("2", "ten", "Qty", "Rate $");
        FAIL() << "a rate that is no number must be refused";
    } catch (const kestrum::InputError& e) {
        EXPECT_EQ(e.caption(), "Rate $");
    }
    EXPECT_THROW(lineAmount("two", "10", "Qty", "Rate $"), kestrum::InputError);
}

TEST(LineAmount, FinderMarkUpIsCutToFourDecimals)
{
    EXPECT_EQ(markedUpRate(dec("10")), "12");
    EXPECT_EQ(markedUpRate(dec("12.3456")), "14.81");  // 2.46912 cut to 2.4691
    EXPECT_EQ(markedUpRate(dec("0.00005")), "");       // rounds to 0.0001; the fifth is cut away
    EXPECT_EQ(markedUpRate(dec("99.99")), "119.99");
}

TEST_P(InvoicingTest, PartLineFromTheListSavesUpdatesAndDeletesByPartNumber)
{
    seedShop();
    TInvoice* inv = open<TInvoice>();
    click(inv, "Button3");  // New: number 1
    ASSERT_EQ(text(inv, "Edit1"), "1");
    setText(inv, "ComboBox1", "Whitfield Hauling");
    TInvItem* ed = openPartLines(inv);
    ASSERT_TRUE(ed);
    EXPECT_EQ(text(ed, "Label6"), "1");
    EXPECT_EQ(text(ed, "Label15"), "Whitfield Hauling");
    EXPECT_EQ(text(ed, "Label17"), text(inv, "Edit2"));

    chooseName(ed, "Brake pad");  // the price as stored, no mark-up
    EXPECT_EQ(text(ed, "Edit1"), "Acme");
    EXPECT_EQ(text(ed, "Edit4"), "BP-1");
    EXPECT_EQ(text(ed, "Edit5"), "10");
    setText(ed, "Edit2", "2");
    leave(ed, "Edit2");
    EXPECT_EQ(text(ed, "Edit6"), "20");
    dialogs_->answerYes();
    click(ed, "Button1");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(scalar("Select Amount_Item From InvItem where Inv_Item=1 and Color_Item='BP-1'"), "20");
    EXPECT_EQ(text(ed, "Label7"), "20");

    // The same part number again replaces the line; the invoice holds one line per part number.
    setText(ed, "Edit2", "3");
    leave(ed, "Edit2");
    dialogs_->answerYes();
    click(ed, "Button1");
    EXPECT_EQ(count("InvItem"), 1);
    EXPECT_EQ(scalar("Select Qty_Item From InvItem where Inv_Item=1"), "3");

    // Two lines of one name with different part numbers: Delete takes only the shown one.
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Brake pad', 1, 'BP-1-REAR', 10, 10)");
    click(ed, "Button5");
    ASSERT_EQ(text(ed, "Edit4"), "BP-1");
    dialogs_->answerYes();
    click(ed, "Button3");
    EXPECT_EQ(dialogs_->confirmations().last(), DeleteQ);
    EXPECT_EQ(count("InvItem"), 1);
    EXPECT_EQ(scalar("Select Color_Item From InvItem"), "BP-1-REAR");
    EXPECT_EQ(text(ed, "Label7"), "10");
}

TEST_P(InvoicingTest, ATypedNameThatIsNoPartClearsTheLineAndBadNumbersAreRefused)
{
    seedShop();
    TInvoice* inv = open<TInvoice>();
    click(inv, "Button3");
    TInvItem* ed = openPartLines(inv);
    chooseName(ed, "Rotor");
    setText(ed, "Edit2", "4");
    setText(ed, "ComboBox1", "Roto");
    EXPECT_EQ(text(ed, "ComboBox1"), "");
    EXPECT_EQ(text(ed, "Edit4"), "");
    EXPECT_EQ(text(ed, "Edit2"), "0");

    chooseName(ed, "Rotor");
    setText(ed, "Edit2", "2 pcs");
    leave(ed, "Edit2");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors().first().contains("Qty")) << dialogs_->errors().first().toStdString();
    click(ed, "Button1");  // refused before the question: nothing asked, nothing written
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    EXPECT_EQ(count("InvItem"), 0);
}

TEST_P(InvoicingTest, PartFinderCopiesWithMarkUpSearchesAnyCaseAndOutlivesItsEditor)
{
    seedShop();
    TInvoice* inv = open<TInvoice>();
    click(inv, "Button3");
    TInvItem* ed = openPartLines(inv);
    click(ed, "Button8");
    ASSERT_TRUE(InvPartFind);
    EXPECT_TRUE(InvPartFind->isVisible());
    EXPECT_EQ(InvPartFind->listQuery()->RecordCount(), 2);
    setText(InvPartFind, "Edit1", "rotor");  // stored as "Vented ROTOR"
    ASSERT_EQ(InvPartFind->listQuery()->RecordCount(), 1);
    setText(ed, "Edit2", "2");
    click(InvPartFind, "Button2");
    EXPECT_FALSE(InvPartFind->isVisible());
    EXPECT_EQ(text(ed, "ComboBox1"), "Rotor");
    EXPECT_EQ(text(ed, "Edit4"), "RT-2");
    EXPECT_EQ(text(ed, "Edit5"), "14.81");
    EXPECT_EQ(text(ed, "Edit2"), "2");  // quantity left as it was

    // The editor goes; the finder's Select then only hides it.
    ed->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(InvItem);
    InvPartFind->Show();
    click(InvPartFind, "Button2");
    EXPECT_FALSE(InvPartFind->isVisible());
    EXPECT_TRUE(dialogs_->errors().isEmpty());
}

TEST_P(InvoicingTest, TheFinderOverALongCatalogueShowsItsFirstPageAtOnceAndStaysTrueBeforeTheCount)
{
    seedShop();
    {
        // Part numbers run against the keys; every 50th part is a rotor.
        kestrum::Transaction t(DM->database());
        for (int id = 3; id <= 402; ++id)
            exec("Insert Into Part (ID_Material, Number_Material, Description_Material, Color_Material, Price_Material) "
                 "Values (?, ?, ?, ?, 10)",
                 {id, QString("Name %1").arg(id), id % 50 == 0 ? QString("rotor %1").arg(id) : QString("pad %1").arg(id),
                  QString("P%1").arg(1000 - id)});
        t.commit();
    }
    CountGate gate;
    TInvoice* inv = open<TInvoice>();
    click(inv, "Button3");
    TInvItem* ed = openPartLines(inv);
    gate.open();  // the invoice list's own count
    gate.hold();
    click(ed, "Button8");
    ASSERT_TRUE(InvPartFind);
    QAbstractItemModel* model = InvPartFind->grid()->model();
    EXPECT_EQ(model->rowCount(), 256);
    EXPECT_EQ(model->index(0, 0).data().toString(), "BP-1");
    gate.open();
    ASSERT_EQ(model->rowCount(), 402);
    EXPECT_EQ(model->index(401, 0).data().toString(), "RT-2");
    EXPECT_EQ(model->index(400, 0).data().toString(), "P997");  // part 3, the last by number before RT-2

    // Last before the count, with a part added meanwhile: counted at once, the new part last.
    gate.hold();
    InvPartFind->hide();
    InvPartFind->Show();  // shown again: the list is read again
    ASSERT_EQ(model->rowCount(), 256);
    exec("Insert Into Part (ID_Material, Number_Material, Color_Material, Price_Material) Values (403, 'Zed', 'ZZ-9', 5)");
    click(InvPartFind, "NavLast");
    EXPECT_EQ(model->rowCount(), 403);
    EXPECT_EQ(InvPartFind->listQuery()->FieldByName("Color_Material").AsString(), "ZZ-9");
    click(InvPartFind, "Button2");
    EXPECT_EQ(text(ed, "Edit4"), "ZZ-9");
    EXPECT_EQ(text(ed, "Edit5"), "6");

    // A search typed before the count lists exactly the matches, in the table's order.
    InvPartFind->Show();
    ASSERT_EQ(model->rowCount(), 256);
    setText(InvPartFind, "Edit1", "ROTOR");
    ASSERT_EQ(model->rowCount(), 9);  // Vented ROTOR and the eight rotors
    EXPECT_EQ(model->index(0, 0).data().toString(), "RT-2");
    EXPECT_EQ(model->index(8, 0).data().toString(), "P600");
    gate.open();
    EXPECT_EQ(model->rowCount(), 9);
    EXPECT_TRUE(dialogs_->errors().isEmpty());
}

TEST_P(InvoicingTest, ClosingTheEditorRewritesTheInvoiceTotalsAndStockFollowsTheSale)
{
    seedShop();
    TInvoice* inv = open<TInvoice>();
    click(inv, "Button3");
    TInvItem* ed = openPartLines(inv);
    chooseName(ed, "Brake pad");
    setText(ed, "Edit2", "2");
    leave(ed, "Edit2");
    dialogs_->answerYes();
    click(ed, "Button1");
    click(ed, "Button4");  // Close
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(text(inv, "Label12"), "20");
    EXPECT_EQ(inv->findChild<QTableView*>("DBGrid2")->model()->rowCount(), 1);
    // Taxable at 0.0825: the total follows the new lines at once.
    EXPECT_EQ(text(inv, "Label14"), "21.65");

    // Sold before the header is even saved: the parts window counts the line.
    TPart* parts = open<TPart>();
    clickRow(parts->grid(), 0);
    ASSERT_EQ(text(parts, "Edit8"), "BP-1");
    EXPECT_EQ(text(parts, "Label21"), "-2");
}

TEST_P(InvoicingTest, LaborLinesAreOnePerDescriptionAndComeFromTheFinderAsStored)
{
    seedShop();
    TInvoice* inv = open<TInvoice>();
    click(inv, "Button3");
    TInvLabor* ed = openLaborLines(inv);
    ASSERT_TRUE(ed);
    click(ed, "Button8");
    ASSERT_TRUE(InvLaborFind && InvLaborFind->isVisible());
    setText(InvLaborFind, "Edit1", "BRAKE");
    ASSERT_EQ(InvLaborFind->listQuery()->RecordCount(), 1);
    click(InvLaborFind, "Button2");
    EXPECT_EQ(text(ed, "ComboBox1"), "Brake job");
    EXPECT_EQ(text(ed, "Edit1"), "Front axle");
    EXPECT_EQ(text(ed, "Edit5"), "80");  // no mark-up on labor
    EXPECT_EQ(text(ed, "Edit4"), "both sides");
    setText(ed, "Edit2", "1.5");
    leave(ed, "Edit5");
    EXPECT_EQ(text(ed, "Edit6"), "120");
    dialogs_->answerYes();
    click(ed, "Button1");
    // Saving the description again replaces the line.
    chooseName(ed, "Brake job");
    setText(ed, "Edit2", "2");
    leave(ed, "Edit2");
    dialogs_->answerYes();
    click(ed, "Button1");
    EXPECT_EQ(count("InvLabor"), 1);
    EXPECT_EQ(scalar("Select Amount_Labor From InvLabor where Inv_Labor=1"), "160");
    EXPECT_EQ(text(ed, "Label4"), "160");
    // New empties the rate: a positive quantity then asks for one.
    click(ed, "Button2");
    EXPECT_EQ(text(ed, "Edit5"), "");
    EXPECT_EQ(text(ed, "Edit6"), "0.00");
    setText(ed, "Edit2", "1");
    leave(ed, "Edit2");
    EXPECT_EQ(dialogs_->errors().size(), 1);
}

TEST_P(InvoicingTest, AnEditorWithoutAnInvoiceNumberSendsNoStatement)
{
    seedShop();
    TInvoice* inv = open<TInvoice>();  // empty list: no number
    ASSERT_EQ(text(inv, "Edit1"), "");
    EXPECT_TRUE(dialogs_->errors().isEmpty());
    TInvItem* ed = openPartLines(inv);
    EXPECT_TRUE(dialogs_->errors().isEmpty());
    EXPECT_FALSE(ed->listQuery()->Active());
    EXPECT_EQ(text(ed, "Label7"), "");
    chooseName(ed, "Brake pad");
    click(ed, "Button1");
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    EXPECT_EQ(dialogs_->messages().size(), 1);
    EXPECT_EQ(count("InvItem"), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, InvoicingTest, TESTSUPPORT_ENGINES);

TEST_P(InvoicingTest, AnEditorOutlivingItsInvoiceWindowClosesQuietlyAndKeysWalkTheRing)
{
    seedShop();
    auto* inv = new TInvoice;
    inv->show();
    click(inv, "Button3");
    QPointer<TInvItem> ed = openPartLines(inv);
    ASSERT_TRUE(ed);
    chooseName(ed, "Brake pad");
    // Enter walks the ring, F2 saves from any box of it.
    QApplication::setActiveWindow(ed);
    QWidget* mfg = find(ed, "Edit1");
    mfg->setFocus();
    QTest::keyClick(mfg, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), find(ed, "Edit2"));
    dialogs_->answerYes();
    QTest::keyClick(find(ed, "Edit2"), Qt::Key_F2);
    EXPECT_EQ(count("InvItem"), 1);

    delete inv;
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(Invoice);
    ed->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ed);
    EXPECT_TRUE(dialogs_->errors().isEmpty());
}

TEST_P(InvoicingTest, TheNameListReadsAPageAtATimeYetFindsAndCompletesAnyPart)
{
    seedShop();
    // Three pages and a bit of parts, keys out of insertion order; the list follows the keys.
    const int parts = 3 * kestrum::lines::NameList::PageRows + 17;
    QSqlDatabase db = dm_->database();
    ASSERT_TRUE(db.transaction());
    for (int i = parts; i >= 1; --i)
        exec("Insert Into Part (ID_Material, Number_Material, Color_Material, Price_Material) Values (?, ?, ?, ?)",
             {100 + i, QString("Zz part %1").arg(i, 4, 10, QChar('0')), QString("Z-%1").arg(i), i});
    exec("Insert Into Part (ID_Material, Number_Material, Color_Material, Price_Material) Values (?, ?, ?, ?)",
         {100 + parts + 1, QString("O'Neil's \"last\" part"), QString("Q-1"), 7});
    ASSERT_TRUE(db.commit());

    TInvoice* inv = open<TInvoice>();
    click(inv, "Button3");
    TInvItem* ed = openPartLines(inv);
    ASSERT_TRUE(ed);
    auto* combo = ed->findChild<QComboBox*>("ComboBox1");
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->count(), kestrum::lines::NameList::PageRows);  // only the first page read
    EXPECT_EQ(combo->itemText(0), "Brake pad");
    EXPECT_EQ(combo->itemText(2), "Zz part 0001");

    // Choosing a name far down the list reads on to it and fills the line.
    chooseName(ed, "O'Neil's \"last\" part");
    EXPECT_EQ(text(ed, "Edit4"), "Q-1");
    EXPECT_EQ(text(ed, "Edit5"), "7");
    EXPECT_EQ(combo->count(), parts + 3);
    EXPECT_EQ(combo->itemText(parts + 1), QString("Zz part %1").arg(parts, 4, 10, QChar('0')));
    EXPECT_EQ(combo->findText("No such part"), -1);

    // A drop-down reads the list again from the start: a part added meanwhile is in it.
    exec("Insert Into Part (ID_Material, Number_Material, Color_Material, Price_Material) Values (?, ?, ?, ?)",
         {100000, QString("Added meanwhile"), QString("A-1"), 1});
    combo->showPopup();
    combo->hidePopup();
    EXPECT_EQ(combo->count(), kestrum::lines::NameList::PageRows);
    EXPECT_EQ(combo->findText("Added meanwhile"), parts + 3);

    // Typing completes inline to the first name that starts with the text, however far down,
    // with the completed part selected, and the name is looked up at once. Text no name starts
    // with is no part: the line is cleared, the box too.
    QLineEdit* edit = combo->lineEdit();
    ASSERT_TRUE(edit);
    combo->setEditText(QString());
    QTest::keyClicks(edit, "o'n");
    EXPECT_EQ(edit->text(), "O'Neil's \"last\" part");
    EXPECT_EQ(edit->selectedText(), "eil's \"last\" part");
    EXPECT_EQ(text(ed, "Edit4"), "Q-1");
    QTest::keyClick(edit, Qt::Key_Backspace);  // takes the completion away: "O'N" is no part
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(text(ed, "Edit4"), "");
    QTest::keyClicks(edit, "zz part 0002");
    EXPECT_EQ(edit->text(), "Zz part 0002");
    EXPECT_EQ(text(ed, "Edit4"), "Z-2");
    EXPECT_EQ(text(ed, "Edit5"), "2");
}

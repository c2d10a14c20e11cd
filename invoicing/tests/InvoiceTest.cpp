// The invoice window: numbering, header save and delete, totals with the month's tax, the list
// and its filters, search, the hand-over to the receivable window, the printout.
#include "InvoicingFixture.h"

#include "CountGate.h"
#include "DataModule.h"
#include "Grid.h"
#include "ReportPreview.h"
#include "Transaction.h"
#include "WindowFactory.h"

#include <QApplication>
#include <QRadioButton>

namespace {
const QString SaveQ = "Are you sure you want to Save this Record?";
}

TEST_P(InvoicingTest, NewProposesANumberAboveEveryNumberStillInUse)
{
    TInvoice* w = open<TInvoice>();
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(text(w, "Edit4"), "0.00");
    for (int n : {1, 2, 7})
        addInvoice(n, "A", true);
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "8");
    // Lines and payments of deleted or archived invoices keep their numbers out of use.
    exec("Insert Into InvLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor) "
         "Values (12, 'left over', 1, 1, 1)");
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "13");
    exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, Amount_Receivable) Values (20, 'A', 5)");
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "21");
    exec("Insert Into InvoiceCash (InvoiceNo_Inv, CustomerName_Inv) Values (30, 'A')");
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "31");
    EXPECT_EQ(count("Invoice"), 3);  // New writes nothing
}

TEST_P(InvoicingTest, SaveInsertsThenUpdatesTheHeaderAsTypedAndBadInputWritesNothing)
{
    seedShop();
    TInvoice* w = open<TInvoice>();
    click(w, "Button3");
    setText(w, "ComboBox1", "O'Neil & \"Sons\"; Drop Table Invoice");
    setText(w, "ComboBox2", "Sam Ortega");
    setText(w, "Edit6", "1FTFW1E50NFA00001");
    setText(w, "Edit8", "2022");
    setText(w, "ComboBox3", "Ford");
    setText(w, "ComboBox4", "F-150");
    setText(w, "Edit4", "150.5");
    w->findChild<QComboBox*>("ComboBox5")->setCurrentText("No");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{SaveQ});
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(scalar("Select CustomerName_Inv From Invoice where InvoiceNo_Inv=1"),
              "O'Neil & \"Sons\"; Drop Table Invoice");
    EXPECT_EQ(scalar("Select Amount_Inv From Invoice where InvoiceNo_Inv=1"), "150.5");
    EXPECT_EQ(scalar("Select Make_Inv From Invoice where InvoiceNo_Inv=1"), "Ford");
    // Refresh shows the first open invoice: this one, with its stored flag.
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(text(w, "ComboBox5"), "No");

    setText(w, "Edit7", "48211");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(count("Invoice"), 1);
    EXPECT_EQ(scalar("Select Mileage_Inv From Invoice where InvoiceNo_Inv=1"), "48211");

    dialogs_->clear();
    setText(w, "Edit2", "13/45/2026");
    setText(w, "Edit5", "changed");
    click(w, "Button2");
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors().first().contains("Invoice Date"));
    EXPECT_EQ(scalar("Select PO_Inv From Invoice where InvoiceNo_Inv=1"), "");

    // Delete removes the header only.
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Brake pad', 1, 'BP-1', 10, 10)");
    click(w, "Button5");
    dialogs_->answerYes();
    click(w, "Button4");
    EXPECT_EQ(count("Invoice"), 0);
    EXPECT_EQ(count("InvItem"), 1);
    EXPECT_EQ(text(w, "Edit1"), "");
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "2");  // the orphan line keeps number 1 out of use
}

TEST_P(InvoicingTest, TotalTaxesPartsOnlyAtTheMonthsRateAndFlagsTheBalance)
{
    seedShop();
    addInvoice(1, "Whitfield Hauling", true);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Brake pad', 10, 'BP-1', 10, 100)");
    exec("Insert Into InvLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor) "
         "Values (1, 'Brake job', 1, 50, 50)");
    TInvoice* w = open<TInvoice>();
    EXPECT_EQ(text(w, "Label12"), "100");
    EXPECT_EQ(text(w, "Label15"), "50");
    EXPECT_EQ(text(w, "Label14"), "158.25");
    EXPECT_EQ(text(w, "Label17"), "Invoice is not Balance");
    setText(w, "Edit4", "158.25");
    EXPECT_EQ(text(w, "Label17"), "......................");

    w->findChild<QComboBox*>("ComboBox5")->setCurrentText("No");
    EXPECT_EQ(text(w, "Label14"), "150");
    setText(w, "Edit4", "150.00");
    EXPECT_EQ(text(w, "Label17"), "Invoice is not Balance");  // texts compared, as the shop reads them
    setText(w, "Edit4", "150");
    EXPECT_EQ(text(w, "Label17"), "......................");

    // A month no rate row covers: tax 0, and the window says so.
    EXPECT_EQ(text(w, "TaxNote"), "");
    exec("Update Invoice Set InvoiceDate_Inv=? where InvoiceNo_Inv=1", {QDate(2001, 5, 3)});
    click(w, "Button5");
    EXPECT_EQ(text(w, "ComboBox5"), "Yes");
    EXPECT_EQ(text(w, "Label14"), "150");
    EXPECT_FALSE(text(w, "TaxNote").isEmpty());

    // Paid is the sum of the payments.
    exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, Amount_Receivable, Ref_Receivable) "
         "Values (1, 'Whitfield Hauling', 20.5, 'a')");
    exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, Amount_Receivable, Ref_Receivable) "
         "Values (1, 'Whitfield Hauling', 30, 'b')");
    click(w, "Button5");
    EXPECT_EQ(text(w, "Label19"), "50.5");
}

TEST_P(InvoicingTest, EveryInvoiceShownBringsItsOwnFlagLinesAndFiltersListPaidOrAll)
{
    seedShop();
    addInvoice(1, "Whitfield Hauling", true);
    addInvoice(2, "Hill Farm", false);
    addInvoice(3, "Paid Ltd", true, QDate::currentDate(), true);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (2, 'Rotor', 1, 'RT-2', 40, 40)");
    TInvoice* w = open<TInvoice>();
    QTableView* list = w->list();
    EXPECT_EQ(list->model()->rowCount(), 2);  // open ones
    EXPECT_EQ(text(w, "ComboBox5"), "Yes");
    clickRow(list, 1);
    EXPECT_EQ(text(w, "Edit1"), "2");
    EXPECT_EQ(text(w, "ComboBox5"), "No");
    EXPECT_EQ(text(w, "Label12"), "40");
    EXPECT_EQ(text(w, "Label14"), "40");
    // Refresh goes back to the first open invoice, flag and lines included.
    click(w, "Button5");
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(text(w, "ComboBox5"), "Yes");
    EXPECT_EQ(text(w, "Label12"), "");

    click(w, "RadioButton2");
    EXPECT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(text(w, "Edit1"), "3");
    EXPECT_TRUE(w->findChild<QCheckBox*>("CheckBox1")->isChecked());
    click(w, "RadioButton3");
    EXPECT_EQ(list->model()->rowCount(), 3);
    EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), "Customer Name");
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), "Whitfield Hauling");

    // Search: typed lower case, matched in any case, whole invoice loaded.
    setText(w, "Edit13", "hill");
    EXPECT_EQ(text(w, "Edit13"), "HILL");
    EXPECT_EQ(text(w, "Edit1"), "2");
    EXPECT_EQ(text(w, "Label12"), "40");
    // A title click sorts and keeps the shown invoice current.
    clickTitle(list, 1);
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), "Hill Farm");
    EXPECT_EQ(text(w, "Edit1"), "2");
    EXPECT_EQ(list->currentIndex().row(), 0);
}

TEST_P(InvoicingTest, CustomerAddressArchiveCodeTimerAndReceivableHandOver)
{
    seedShop();
    TInvoice* w = open<TInvoice>();
    click(w, "Button3");
    setText(w, "ComboBox1", "Whitfield Hauling");
    leave(w, "ComboBox1");
    EXPECT_EQ(w->findChild<QPlainTextEdit*>("Memo1")->toPlainText(), "12 Orchard Rd Millbrook, NY 12545");
    setText(w, "ComboBox1", "Nobody");
    leave(w, "ComboBox1");
    EXPECT_EQ(w->findChild<QPlainTextEdit*>("Memo1")->toPlainText(), "");
    setText(w, "Edit4", "");
    leave(w, "Edit4");
    EXPECT_EQ(text(w, "Edit4"), "0");

    auto* archive = w->findChild<QPushButton*>("Button12");
    EXPECT_FALSE(archive->isEnabled());
    setText(w, "Edit11", "Quelmo");
    EXPECT_TRUE(archive->isEnabled());
    setText(w, "Edit11", "Quelmo1");
    EXPECT_FALSE(archive->isEnabled());

    w->findChild<QLabel*>("Label15")->clear();
    w->timerTick();
    EXPECT_EQ(text(w, "Label15"), "0.00");

    // Without a receivable window in the build the user is told so.
    click(w, "Button11");
    EXPECT_EQ(dialogs_->messages().last(), kestrum::ui::notAvailableMessage());
    // With one, the invoice number lands in its invoice-number box.
    QPointer<QWidget> receivable;
    kestrum::ui::WindowFactory::registerWindow("TReceivable", [&receivable] {
        auto* r = new QWidget;
        (new QLineEdit(r))->setObjectName("Edit1");
        receivable = r;
        return r;
    });
    click(w, "Button11");
    ASSERT_TRUE(receivable);
    EXPECT_EQ(receivable->findChild<QLineEdit*>("Edit1")->text(), text(w, "Edit1"));
    delete receivable.data();
}

TEST_P(InvoicingTest, PrintoutHasThreeCopiesAndTheLayoutOfTheShownTaxFlag)
{
    seedShop();
    exec("Update Reg Set Name_R='Kestrel Auto Repair' where Id_R=1");
    DM->QReg1->Close();
    DM->QReg1->Open();
    addInvoice(1, "Whitfield Hauling", true);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Brake pad', 10, 'BP-1', 10, 100)");
    TInvoice* w = open<TInvoice>();
    kestrum::report::ReportCapture capture;
    click(w, "Button9");
    ASSERT_EQ(capture.reports().size(), 1u);
    const auto& taxed = capture.reports().front();
    ASSERT_EQ(taxed.pageCount(), 3);
    EXPECT_TRUE(taxed.pageText(0).contains(" Kestrel Auto Repair Copy"));
    EXPECT_TRUE(taxed.pageText(1).contains("Customer Copy"));
    EXPECT_TRUE(taxed.pageText(2).contains("Accounting Copy"));
    EXPECT_TRUE(taxed.pageText(0).contains("Tax on Part : $8.25"));
    EXPECT_TRUE(taxed.pageText(2).contains("Total invoice : $108.25"));

    // A changed flag is saved first (Yes), so paper and database tell the same.
    w->findChild<QComboBox*>("ComboBox5")->setCurrentText("No");
    dialogs_->answerYes();
    click(w, "Button9");
    ASSERT_EQ(capture.reports().size(), 2u);
    EXPECT_EQ(scalar("Select Count(*) From Invoice where InvoiceNo_Inv=1 and Tax_Inv=?", {false}), "1");
    const auto& plain = capture.reports().back();
    EXPECT_TRUE(plain.pageText(0).contains("Tax on Part : No Tax"));
    EXPECT_TRUE(plain.pageText(1).contains("Total invoice : $100.00"));

    // A part editor's look-up borrows the part-line query; the printout still has the invoice's lines.
    TInvItem* ed = openPartLines(w);
    chooseName(ed, "Rotor");
    click(w, "Button9");
    ASSERT_EQ(capture.reports().size(), 3u);
    EXPECT_TRUE(capture.reports().back().pageText(0).contains("Part : Brake pad"));
    EXPECT_FALSE(capture.reports().back().pageText(0).contains("Rotor"));
    EXPECT_TRUE(dialogs_->errors().isEmpty());
}

TEST_P(InvoicingTest, HeaderKeysMoveAsTheShopIsUsedToAndF2Saves)
{
    TInvoice* w = open<TInvoice>();
    click(w, "Button3");
    QWidget* number = find(w, "Edit1");
    number->setFocus();
    QTest::keyClick(number, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), find(w, "ComboBox1")->focusProxy() ? find(w, "ComboBox1")->focusProxy()
                                                                               : find(w, "ComboBox1"));
    QTest::keyClick(number, Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), find(w, "Memo2"));
    dialogs_->answerYes();
    QTest::keyClick(find(w, "Edit3"), Qt::Key_F2);
    EXPECT_EQ(dialogs_->confirmations(), QStringList{SaveQ});
    EXPECT_EQ(count("Invoice"), 1);
}

using testsupport::CountGate;

TEST_P(InvoicingTest, ALongOpenListShowsItsFirstPageAndGrowsUnderTheShownInvoiceWhenCounted)
{
    seedShop();
    {
        kestrum::Transaction t(DM->database());
        for (int n = 1; n <= 300; ++n)
            addInvoice(n, QString("Customer %1").arg(n), n % 2 == 0);
        addInvoice(301, "Paid Ltd", true, QDate::currentDate(), true);
        t.commit();
    }
    CountGate gate;
    TInvoice* w = open<TInvoice>();
    QTableView* list = w->list();
    EXPECT_EQ(list->model()->rowCount(), 256);
    EXPECT_EQ(text(w, "Edit1"), "1");
    // Last before the count is known: the list is counted at once and the last open invoice shown.
    click(w, "NavLast");
    EXPECT_EQ(text(w, "Edit1"), "300");
    EXPECT_EQ(list->model()->rowCount(), 300);
    EXPECT_EQ(list->currentIndex().row(), 299);
    gate.open();
    EXPECT_EQ(list->model()->rowCount(), 300);
    EXPECT_EQ(text(w, "Edit1"), "300");

    // Refresh: the first page again; an invoice chosen meanwhile stays shown as the list grows.
    gate.hold();
    click(w, "Button5");
    EXPECT_EQ(list->model()->rowCount(), 256);
    clickRow(list, 5);
    EXPECT_EQ(text(w, "Edit1"), "6");
    exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv) Values (?, ?, ?)", {302, false, "Late Farm"});
    gate.open();
    EXPECT_EQ(list->model()->rowCount(), 301);
    EXPECT_EQ(list->currentIndex().row(), 5);
    EXPECT_EQ(text(w, "Edit1"), "6");
    EXPECT_EQ(list->model()->index(300, 0).data().toString(), "302");
    EXPECT_EQ(list->model()->index(300, 1).data().toString(), "Late Farm");
}

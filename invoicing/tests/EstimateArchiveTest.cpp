// Estimates written through their window, printed and archived; invoices archived; archives that
// are refused or fail half-way and leave every table as it was.
#include "ArchiveFixture.h"

#include "Archive.h"
#include "AuxWindow.h"
#include "LineEditor.h"
#include "PickerWindow.h"
#include "ReportPreview.h"
#include "TEstimate.h"

#include <QAbstractButton>
#include <QFile>
#include <QTemporaryDir>

namespace {
const QString SaveQ = "Are you sure you want to Save this Record?";

}  // namespace

TEST_P(ArchiveTest, EstimateIsWrittenPrintedToPdfAndArchivedWithItsLines)
{
    seedShop();
    addInvoice(5, "Hill Farm", true);
    // A payment under number 1 belongs to invoice 1, not to estimate 1.
    exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, Amount_Receivable) Values (1, 'X', 25)");
    TEstimate* w = open<TEstimate>();
    EXPECT_EQ(w->windowTitle(), "Estimate");
    EXPECT_EQ(text(w, "capEdit1"), "Estimate #");
    EXPECT_EQ(text(w, "capLabel14"), "Total Estimate $");
    EXPECT_EQ(qobject_cast<QAbstractButton*>(find(w, "Button9"))->text(), "Print Estimate");
    EXPECT_FALSE(find(w, "Button11")->isVisible());  // no Receivable hand-over
    EXPECT_FALSE(find(w, "Button10")->isVisible());
    EXPECT_FALSE(find(w, "Label19")->isVisible());

    click(w, "Button3");
    ASSERT_EQ(text(w, "Edit1"), "1");  // its own numbers, whatever the invoices hold
    setText(w, "ComboBox1", "Whitfield Hauling");
    setText(w, "Edit6", "VIN 'quoted'");
    dialogs_->answerYes();
    click(w, "Button2");
    EXPECT_EQ(count("Estimate"), 1);
    EXPECT_EQ(count("Invoice"), 1);

    // A part through the estimate's finder (20 % mark-up), then a labor line from the catalogue.
    click(w, "Button6");
    ASSERT_TRUE(EstimateItem);
    EXPECT_EQ(EstimateItem->windowTitle(), "EstimateItem");
    EXPECT_EQ(text(EstimateItem, "Label6"), "1");
    click(EstimateItem, "Button8");
    ASSERT_TRUE(EstimatePartFind && EstimatePartFind->isVisible());
    setText(EstimatePartFind, "Edit1", "brake");
    clickRow(EstimatePartFind->grid(), 0);
    click(EstimatePartFind, "Button2");
    EXPECT_EQ(text(EstimateItem, "ComboBox1"), "Brake pad");
    EXPECT_EQ(text(EstimateItem, "Edit5"), "12");
    setText(EstimateItem, "Edit2", "2");
    leave(EstimateItem, "Edit2");
    EXPECT_EQ(text(EstimateItem, "Edit6"), "24");
    dialogs_->answerYes();
    click(EstimateItem, "Button1");
    EXPECT_EQ(scalar("Select Amount_Item From EstimateItem where Inv_Item=1"), "24");
    EXPECT_EQ(count("InvItem"), 0);  // an estimate sells nothing
    click(EstimateItem, "Button4");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(text(w, "Label12"), "24");

    click(w, "Button8");
    ASSERT_TRUE(EstimateLabor);
    EXPECT_EQ(EstimateLabor->windowTitle(), "EstimateLabor");
    chooseName(EstimateLabor, "Brake job");
    setText(EstimateLabor, "Edit2", "1");
    leave(EstimateLabor, "Edit2");
    dialogs_->answerYes();
    click(EstimateLabor, "Button1");
    EXPECT_EQ(scalar("Select Amount_Labor From EstimateLabor where Inv_Labor=1"), "80");
    EXPECT_EQ(count("InvLabor"), 0);
    click(EstimateLabor, "Button4");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(text(w, "Label15"), "80");
    EXPECT_EQ(text(w, "Label14"), "105.98");  // 24 + 80 + 24 x 0.0825
    EXPECT_EQ(text(w, "Label19"), "");        // invoice 1's payment is not shown here

    {
        kestrum::report::ReportCapture capture;
        click(w, "Button9");
        ASSERT_EQ(capture.reports().size(), 1u);
        const auto& printed = capture.reports().front();
        EXPECT_TRUE(printed.pageText(0).contains("Estimate"));
        EXPECT_TRUE(printed.pageText(0).contains("Part : Brake pad"));
        EXPECT_TRUE(printed.pageText(0).contains("Labor : Brake job"));
        EXPECT_TRUE(printed.pageText(2).contains("Total invoice : $105.98"));
        QTemporaryDir dir;
        const QString pdf = dir.filePath("estimate.pdf");
        QString error;
        ASSERT_TRUE(printed.exportPdf(pdf, &error)) << error.toStdString();
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(5).startsWith("%PDF"));
    }

    // The code enables Archive; one more character disables it again.
    EXPECT_FALSE(find(w, "Button12")->isEnabled());
    setText(w, "Edit11", "Quelmo");
    EXPECT_TRUE(find(w, "Button12")->isEnabled());
    setText(w, "Edit11", "Quelmox");
    EXPECT_FALSE(find(w, "Button12")->isEnabled());
    setText(w, "Edit11", "Quelmo");
    dialogs_->clear();
    dialogs_->answerNo();
    click(w, "Button12");
    EXPECT_EQ(count("Estimate"), 1);  // No: nothing moves
    dialogs_->answerYes();
    click(w, "Button12");
    EXPECT_EQ(dialogs_->confirmations(), (QStringList{SaveQ, SaveQ}));
    EXPECT_EQ(dialogs_->messages(), QStringList{"Removed!"});
    EXPECT_EQ(count("Estimate"), 0);
    EXPECT_EQ(count("EstimateItem"), 0);
    EXPECT_EQ(count("EstimateLabor"), 0);
    EXPECT_EQ(scalar("Select CustomerName_Inv From InvoiceCash where InvoiceNo_Inv=1"), "Whitfield Hauling");
    EXPECT_EQ(scalar("Select Vin_Inv From InvoiceCash where InvoiceNo_Inv=1"), "VIN 'quoted'");
    EXPECT_EQ(scalar("Select Amount_Item From InvItemCash where Inv_Item=1"), "24");
    EXPECT_EQ(scalar("Select Rate_Labor From InvLaborCash where Inv_Labor=1"), "80");
    EXPECT_EQ(count("Invoice"), 1);
    EXPECT_EQ(count("Receivable"), 1);
    EXPECT_EQ(text(w, "Edit1"), "");  // the open list is empty now

    // New never hands out an archived number.
    click(w, "Button3");
    EXPECT_EQ(text(w, "Edit1"), "2");
}

TEST_P(ArchiveTest, InvoiceArchiveMovesEveryRowOnceAndRefusesANumberAlreadyArchived)
{
    seedShop();
    addInvoice(1, "O'Neil Garage", true);
    addInvoice(2, "Hill Farm", false);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Mfg_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Pad ''front''', 'Acme''s', 2, 'BP-1', 10, 20)");
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Rotor', 1, 'RT-2', 15.5, 15.5)");
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (2, 'Rotor', 1, 'RT-2', 15.5, 15.5)");
    exec("Insert Into InvLabor (Inv_Labor, Description_Labor, PartNo_Labor, Qty_Labor, Rate_Labor, Amount_Labor, "
         "Remark_Labor) Values (1, 'Brake job', 'axle', 1.5, 80, 120, 'it''s done; --')");
    exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, Amount_Receivable) Values (1, 'X', 5)");

    TInvoice* w = open<TInvoice>();
    ASSERT_EQ(text(w, "Edit1"), "1");
    setText(w, "Edit5", "unsaved contact");  // archived as shown
    setText(w, "Edit11", "Quelmo");
    dialogs_->answerYes();
    click(w, "Button12");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Removed!"});
    EXPECT_EQ(rows("Invoice").size(), 1);
    EXPECT_EQ(scalar("Select Count(*) From Invoice where InvoiceNo_Inv=2"), "1");
    EXPECT_EQ(rows("InvItem").size(), 1);  // invoice 2's line stays
    EXPECT_EQ(count("InvLabor"), 0);
    EXPECT_EQ(count("Receivable"), 1);  // payments are not archived
    EXPECT_EQ(count("InvoiceCash"), 1);
    EXPECT_EQ(scalar("Select CustomerName_Inv From InvoiceCash"), "O'Neil Garage");
    EXPECT_EQ(scalar("Select PO_Inv From InvoiceCash"), "unsaved contact");
    EXPECT_EQ(count("InvItemCash"), 2);
    EXPECT_EQ(scalar("Select Mfg_Item From InvItemCash where Color_Item='BP-1'"), "Acme's");
    EXPECT_EQ(scalar("Select Name_Item From InvItemCash where Color_Item='BP-1'"), "Pad 'front'");
    EXPECT_EQ(scalar("Select Remark_Labor From InvLaborCash"), "it's done; --");
    EXPECT_EQ(scalar("Select Qty_Labor From InvLaborCash"), "1.5");
    EXPECT_EQ(text(w, "Edit1"), "2");  // Refresh shows the next open invoice

    // The same number again (written straight in): refused, nothing moves.
    addInvoice(1, "Someone Else", true);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Other', 1, 'OT-1', 1, 1)");
    click(w, "Button5");
    ASSERT_EQ(text(w, "Edit1"), "1");
    const QString before = snapshot();
    dialogs_->clear();
    dialogs_->answerYes();
    click(w, "Button12");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::invoicing::alreadyArchivedMessage(1)});
    EXPECT_EQ(snapshot(), before);

    // An archived estimate's number blocks an invoice of that number the same way.
    exec("Insert Into InvLaborCash (Inv_Labor, Description_Labor, Amount_Labor) Values (2, 'from an estimate', 1)");
    const QString withEstimateLine = snapshot();
    clickRow(w->list(), 1);
    ASSERT_EQ(text(w, "Edit1"), "2");
    dialogs_->clear();
    dialogs_->answerYes();
    click(w, "Button12");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::invoicing::alreadyArchivedMessage(2)});
    EXPECT_EQ(snapshot(), withEstimateLine);

    // A date that does not parse is named before anything is asked.
    dialogs_->clear();
    setText(w, "Edit2", "2/30/2026");
    click(w, "Button12");
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors().first().contains("Invoice Date"));
}

TEST_P(ArchiveTest, AFailureHalfWayThroughAnArchiveLeavesEveryTableAsItWas)
{
    seedShop();
    // The archive takes one labor line per description; two alike in the live table make the
    // labor copy fail after the header and the part lines are already copied.
    exec("Create Unique Index est_one_labor On InvLaborCash (Inv_Labor, Description_Labor)");
    addInvoice(1, "Whitfield Hauling", true);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (1, 'Brake pad', 1, 'BP-1', 10, 10)");
    for (int i = 0; i < 2; ++i)
        exec("Insert Into InvLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor) "
             "Values (1, 'Brake job', 1, 80, 80)");
    exec("Insert Into Estimate (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, Tax_Inv) Values (7, ?, 'Hill Farm', ?)",
         {false, true});
    exec("Insert Into EstimateItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (7, 'Rotor', 1, 'RT-2', 12, 12)");
    for (int i = 0; i < 2; ++i)
        exec("Insert Into EstimateLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor) "
             "Values (7, 'Road test', 1, 40, 40)");
    const QString before = snapshot();

    TInvoice* inv = open<TInvoice>();
    ASSERT_EQ(text(inv, "Edit1"), "1");
    setText(inv, "Edit11", "Quelmo");
    dialogs_->answerYes();
    click(inv, "Button12");
    EXPECT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->messages().isEmpty());  // no "Removed!"
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(text(inv, "Edit1"), "1");
    inv->close();

    TEstimate* est = open<TEstimate>();
    ASSERT_EQ(text(est, "Edit1"), "7");
    setText(est, "Edit11", "Quelmo");
    dialogs_->clear();
    dialogs_->answerYes();
    click(est, "Button12");
    EXPECT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->messages().isEmpty());
    EXPECT_EQ(snapshot(), before);

    // With the duplicate gone the same archive goes through whole.
    exec("Delete From EstimateLabor where Inv_Labor=7");
    dialogs_->clear();
    dialogs_->answerYes();
    click(est, "Button12");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Removed!"});
    EXPECT_EQ(count("Estimate"), 0);
    EXPECT_EQ(count("EstimateItem"), 0);
    EXPECT_EQ(scalar("Select CustomerName_Inv From InvoiceCash where InvoiceNo_Inv=7"), "Hill Farm");
    EXPECT_EQ(scalar("Select Count(*) From InvItemCash where Inv_Item=7"), "1");
    EXPECT_EQ(count("Invoice"), 1);
}

TEST_P(ArchiveTest, AnInvoiceAndAnEstimateOfOneNumberAreBothArchivedButNeitherTwice)
{
    seedShop();
    addInvoice(12, "Hill Farm", true);
    exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
         "Values (12, 'Rotor', 1, 'RT-2', 15, 15)");
    exec("Insert Into Estimate (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, Tax_Inv) Values (12, ?, 'Whitfield Hauling', ?)",
         {false, true});
    exec("Insert Into EstimateLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor) "
         "Values (12, 'Road test', 1, 40, 40)");

    TInvoice* inv = open<TInvoice>();
    ASSERT_EQ(text(inv, "Edit1"), "12");
    setText(inv, "Edit11", "Quelmo");
    dialogs_->answerYes();
    click(inv, "Button12");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Removed!"});
    inv->close();

    TEstimate* est = open<TEstimate>();
    ASSERT_EQ(text(est, "Edit1"), "12");
    setText(est, "Edit11", "Quelmo");
    dialogs_->clear();
    dialogs_->answerYes();
    click(est, "Button12");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Removed!"});
    EXPECT_EQ(count("Estimate"), 0);
    EXPECT_EQ(count("InvoiceCash"), 2);
    EXPECT_EQ(scalar("Select CustomerName_Inv From InvoiceCash where InvoiceNo_Inv=12 and Kind_Inv='Invoice'"),
              "Hill Farm");
    EXPECT_EQ(scalar("Select CustomerName_Inv From InvoiceCash where InvoiceNo_Inv=12 and Kind_Inv='Estimate'"),
              "Whitfield Hauling");
    EXPECT_EQ(scalar("Select Kind_Item From InvItemCash where Inv_Item=12"), "Invoice");
    EXPECT_EQ(scalar("Select Kind_Labor From InvLaborCash where Inv_Labor=12"), "Estimate");

    // A second estimate 12 is a true duplicate: refused, nothing moves.
    exec("Insert Into Estimate (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, Tax_Inv) Values (12, ?, 'Again', ?)",
         {false, true});
    click(est, "Button5");
    ASSERT_EQ(text(est, "Edit1"), "12");
    const QString before = snapshot();
    dialogs_->clear();
    dialogs_->answerYes();
    click(est, "Button12");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::invoicing::alreadyArchivedMessage(12)});
    EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Engines, ArchiveTest, TESTSUPPORT_ENGINES);

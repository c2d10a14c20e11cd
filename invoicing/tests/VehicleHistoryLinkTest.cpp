// The invoice and estimate windows open the vehicle history on their vehicle, and the history
// opens them again on the document double-clicked.
#include "InvoicingFixture.h"

#include "ReportWindows.h"
#include "TEstimate.h"
#include "VehicleHistory.h"

TEST_P(InvoicingTest, VehicleHistoryOpensFromTheInvoiceAndOpensItsDocuments)
{
    seedShop();
    kestrum::registerReportWindows();
    addInvoice(1, "Whitfield Hauling", true);
    exec("Update Invoice Set Plate_Inv = 'KST 100', Vin_Inv = '1FTX99' where InvoiceNo_Inv = 1");
    addInvoice(2, "Hill Farm", false);
    exec("Update Invoice Set Plate_Inv = 'ZZZ 1' where InvoiceNo_Inv = 2");
    exec("Insert Into Estimate (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Plate_Inv, Tax_Inv)"
         " Values (4, ?, 'Whitfield Hauling', ?, 'kst100', ?)",
         {false, QDate::currentDate().addDays(1), false});

    TInvoice* inv = open<TInvoice>();
    ASSERT_EQ(text(inv, "Edit1"), "1");
    click(inv, "VehicleHistoryButton");
    ASSERT_TRUE(VehicleHistory);
    windows_.append(VehicleHistory.data());
    EXPECT_EQ(text(VehicleHistory, "Edit1"), "1FTX99");
    EXPECT_EQ(text(VehicleHistory, "Edit2"), "KST 100");
    kestrum::Query* docs = VehicleHistory->documents();
    ASSERT_EQ(docs->RecordCount(), 2);  // the invoice and the estimate, not invoice 2

    // Double-click on the estimate: the estimate window on it.
    ASSERT_EQ(docs->fieldAt(0, docs->fieldIndex("Kind")).AsString(), "estimate");
    VehicleHistory->openRow(0);
    ASSERT_TRUE(Estimate);
    windows_.append(Estimate.data());
    EXPECT_EQ(text(Estimate, "Edit1"), "4");
    VehicleHistory->openRow(1);
    ASSERT_TRUE(Invoice);
    windows_.append(Invoice.data());
    EXPECT_EQ(text(Invoice, "Edit1"), "1");
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
}

TEST_P(InvoicingTest, VehicleHistoryOpensFromTheEstimateOnItsVehicle)
{
    seedShop();
    kestrum::registerReportWindows();
    addInvoice(1, "Whitfield Hauling", true);
    exec("Update Invoice Set Plate_Inv = 'KST 100' where InvoiceNo_Inv = 1");
    addInvoice(2, "Hill Farm", false);
    exec("Update Invoice Set Plate_Inv = 'ZZZ 1', Vin_Inv = '9XYZ' where InvoiceNo_Inv = 2");
    exec("Insert Into Estimate (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Vin_Inv, Plate_Inv, Tax_Inv)"
         " Values (4, ?, 'Whitfield Hauling', ?, '', 'kst100', ?)",
         {false, QDate::currentDate().addDays(1), false});

    TEstimate* est = open<TEstimate>();
    ASSERT_EQ(text(est, "Edit1"), "4");
    auto* button = qobject_cast<QAbstractButton*>(find(est, "VehicleHistoryButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Vehicle History");
    click(est, "VehicleHistoryButton");
    ASSERT_TRUE(VehicleHistory);
    windows_.append(VehicleHistory.data());
    EXPECT_EQ(text(VehicleHistory, "Edit1"), "");
    EXPECT_EQ(text(VehicleHistory, "Edit2"), "kst100");
    kestrum::Query* docs = VehicleHistory->documents();
    ASSERT_EQ(docs->RecordCount(), 2);  // the estimate and invoice 1 under the other spelling, not invoice 2
    EXPECT_EQ(docs->fieldAt(0, docs->fieldIndex("Kind")).AsString(), "estimate");
    EXPECT_EQ(docs->fieldAt(0, docs->fieldIndex("InvoiceNo_Inv")).AsInteger(), 4);
    EXPECT_EQ(docs->fieldAt(1, docs->fieldIndex("InvoiceNo_Inv")).AsInteger(), 1);
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
}

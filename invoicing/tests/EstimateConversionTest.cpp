// "Make Invoice" on the estimate window: the invoice equals the estimate, the estimate goes to the
// archive once, and a refusal or a failure half-way writes nothing.
#include "ArchiveFixture.h"

#include "EstimateConversion.h"
#include "TEstimate.h"

#include <QAbstractButton>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

class ConversionTest : public ArchiveTest {
protected:
    // Estimate 7 for "Whitfield Hauling", taxable, with two part lines and one labor line.
    void addEstimate()
    {
        exec("Insert Into Estimate (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, RepairPerson_Inv, InvoiceDate_Inv,"
             " DueDate_Inv, Amount_Inv, Vin_Inv, Plate_Inv, Mileage_Inv, Make_Inv, Tax_Inv, Remark_Inv)"
             " Values (7, ?, 'Whitfield Hauling', 'Sam Ortega', ?, ?, 0, '1FT''X 99', 'KST 100', '81200', 'Ford', ?,"
             " 'brakes, \"soon\"')",
             {false, QDate(2020, 3, 4), QDate(2020, 3, 4), true});
        exec("Insert Into EstimateItem (Inv_Item, Name_Item, Mfg_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item)"
             " Values (7, 'Brake pad', 'Acme', 2, 'BP-1', 12, 24)");
        exec("Insert Into EstimateItem (Inv_Item, Name_Item, Mfg_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item)"
             " Values (7, 'Rotor', 'Acme', 1, 'RT-2', 14.8147, 14.8147)");
        exec("Insert Into EstimateLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor)"
             " Values (7, 'Brake job', 1.5, 80, 120)");
    }
    // Every line of document `number` in `table` (its number left out), in a fixed order.
    QString lines(const QString& table, const QString& key, int number)
    {
        QSqlQuery q(DM->database());
        EXPECT_TRUE(q.prepare("Select * From " + table + " where " + key + " = ?"));
        q.addBindValue(number);
        EXPECT_TRUE(q.exec());
        QStringList out;
        while (q.next()) {
            QStringList values;
            for (int c = 0; c < q.record().count(); ++c)
                if (q.record().fieldName(c).compare(key, Qt::CaseInsensitive) != 0)
                    values << q.value(c).toString();
            out << values.join('|');
        }
        out.sort();
        return out.join("\n");
    }
};

}  // namespace

TEST_P(ConversionTest, MakeInvoiceCopiesEveryLineArchivesTheEstimateAndOpensTheInvoice)
{
    seedShop();
    addInvoice(3, "Hill Farm", false);
    addEstimate();
    const QString estimateItems = lines("EstimateItem", "Inv_Item", 7);
    const QString estimateLabor = lines("EstimateLabor", "Inv_Labor", 7);
    ASSERT_FALSE(estimateItems.isEmpty());
    const QString stockBefore = scalar("Select Sum(Qty_Item) From InvItem where Color_Item = 'BP-1'");

    TEstimate* est = open<TEstimate>();
    ASSERT_EQ(text(est, "Edit1"), "7");
    const QString estimateTotal = text(est, "Label14");
    auto* make = qobject_cast<QAbstractButton*>(find(est, "MakeInvoiceButton"));
    ASSERT_NE(make, nullptr);
    EXPECT_EQ(make->text(), "Make Invoice");
    dialogs_->answerYes();
    click(est, "MakeInvoiceButton");
    ASSERT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();

    // The next free invoice number, dated today, the estimate's customer, vehicle and tax flag.
    EXPECT_EQ(count("Invoice"), 2);
    EXPECT_EQ(scalar("Select Max(InvoiceNo_Inv) From Invoice"), "4");
    EXPECT_EQ(scalar("Select CustomerName_Inv From Invoice where InvoiceNo_Inv = 4"), "Whitfield Hauling");
    EXPECT_EQ(scalar("Select Vin_Inv From Invoice where InvoiceNo_Inv = 4"), "1FT'X 99");
    EXPECT_EQ(scalar("Select Remark_Inv From Invoice where InvoiceNo_Inv = 4"), "brakes, \"soon\"");
    EXPECT_EQ(scalar("Select Count(*) From Invoice where InvoiceNo_Inv = 4 And Tax_Inv = ? And Paid_Inv = ?",
                     {true, false}),
              "1");
    EXPECT_EQ(scalar("Select Count(*) From Invoice where InvoiceNo_Inv = 4 And InvoiceDate_Inv = ?",
                     {QDate::currentDate()}),
              "1");
    EXPECT_EQ(lines("InvItem", "Inv_Item", 4), estimateItems);
    EXPECT_EQ(lines("InvLabor", "Inv_Labor", 4), estimateLabor);
    // Stock on hand follows the invoice's part lines.
    EXPECT_EQ(scalar("Select Sum(Qty_Item) From InvItem where Color_Item = 'BP-1'").toDouble(),
              stockBefore.toDouble() + 2);

    // The estimate is in the archive and no longer live.
    EXPECT_EQ(count("Estimate"), 0);
    EXPECT_EQ(count("EstimateItem"), 0);
    EXPECT_EQ(count("EstimateLabor"), 0);
    EXPECT_EQ(scalar("Select CustomerName_Inv From InvoiceCash where InvoiceNo_Inv = 7"), "Whitfield Hauling");
    EXPECT_EQ(scalar("Select Count(*) From InvItemCash where Inv_Item = 7"), "2");

    // The invoice window shows the new invoice with the estimate's figures (same tax month rule).
    ASSERT_TRUE(Invoice);
    EXPECT_EQ(text(Invoice, "Edit1"), "4");
    EXPECT_EQ(text(Invoice, "Label12"), "38.8147");
    EXPECT_EQ(text(Invoice, "Label15"), "120");
    EXPECT_EQ(text(Invoice, "Label14"), "162.02");  // 38.8147 + 120 + 38.8147 * 0.0825, this year's rate
    EXPECT_FALSE(estimateTotal.isEmpty());

    // A second conversion of the same number is refused and writes nothing.
    const QString after = snapshot();
    dialogs_->clear();
    EXPECT_FALSE(kestrum::invoicing::makeInvoiceFromEstimate(7).has_value());
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::invoicing::estimateNotSavedMessage(7)});
    EXPECT_EQ(snapshot(), after);
    Invoice->close();
}

TEST_P(ConversionTest, UnsavedOrEmptyEstimatesAreRefusedAndAFailureAfterTheHeaderWritesNothing)
{
    seedShop();
    TEstimate* est = open<TEstimate>();
    // Nothing shown: nothing to convert.
    click(est, "MakeInvoiceButton");
    EXPECT_EQ(dialogs_->messages().size(), 1);

    // Typed but not saved.
    click(est, "Button3");
    const QString typed = text(est, "Edit1");
    setText(est, "ComboBox1", "Whitfield Hauling");
    dialogs_->clear();
    dialogs_->answerYes();
    click(est, "MakeInvoiceButton");
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::invoicing::estimateNotSavedMessage(typed.toLongLong())});
    EXPECT_EQ(count("Invoice"), 0);

    // Saved without lines.
    exec("Insert Into Estimate (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, Tax_Inv) Values (5, ?, 'Hill Farm', ?)",
         {false, false});
    dialogs_->clear();
    EXPECT_FALSE(kestrum::invoicing::makeInvoiceFromEstimate(5).has_value());
    EXPECT_EQ(dialogs_->messages(), QStringList{kestrum::invoicing::estimateEmptyMessage(5)});
    EXPECT_EQ(count("Invoice"), 0);
    est->close();

    // The labor copy fails after the header and the part lines are written: all of it is undone.
    addEstimate();
    exec("Insert Into EstimateLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor)"
         " Values (7, 'Brake job', 1, 80, 80)");
    exec("Create Unique Index one_labor On InvLabor (Inv_Labor, Description_Labor)");
    const QString before = snapshot();
    dialogs_->clear();
    EXPECT_THROW(kestrum::invoicing::makeInvoiceFromEstimate(7), kestrum::DatabaseError);
    EXPECT_EQ(snapshot(), before);

    TEstimate* again = open<TEstimate>();
    ASSERT_EQ(text(again, "Edit1"), "5");
    dialogs_->clear();
    dialogs_->answerYes();
    again->showDocument(7);
    click(again, "MakeInvoiceButton");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors().first().contains("nothing was written"));
    EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Engines, ConversionTest, TESTSUPPORT_ENGINES);

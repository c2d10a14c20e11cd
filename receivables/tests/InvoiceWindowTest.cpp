// From the invoice window to the receivable window and back: the number handed over through
// the Receivable button, two payments, and the paid figure every window shows.
#include "ReceivablesFixture.h"

#include "InvoicingWindows.h"
#include "TInvoice.h"
#include "TReceivable.h"
#include "TReceivableList.h"

TEST_P(ReceivablesTest, InvoicePaidInTwoPaymentsShowsPaidAndBalanceInEveryWindow)
{
    kestrum::registerInvoicingWindows();
    exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, Tax_Inv) "
         "Values (?, ?, ?, ?, ?, ?)",
         {21, false, QString("Whitfield Hauling"), QDate::currentDate(), QString("200.4"), false});
    TInvoice* invoice = open<TInvoice>();
    click(invoice, "Button5");
    ASSERT_EQ(text(invoice, "Edit1"), "21");
    EXPECT_EQ(text(invoice, "Label19"), "");

    click(invoice, "Button11");
    QPointer<TReceivable> r = Receivable.data();
    ASSERT_NE(r.data(), nullptr);
    windows_.append(r.data());
    EXPECT_EQ(text(r, "Edit1"), "21");
    EXPECT_EQ(text(r, "Label9"), "Whitfield Hauling");
    EXPECT_EQ(text(r, "Label11"), "200.4");
    EXPECT_EQ(text(r, "Label14"), "0.00");
    EXPECT_EQ(text(r, "Label16"), "200.4");

    for (const auto& [ref, amount] : {std::pair{"1001", "150"}, std::pair{"1002", "50.15"}}) {
        setText(r, "Edit1", "21");
        setText(r, "Edit3", ref);
        setText(r, "Edit4", amount);
        dialogs_->answerYes();
        click(r, "Button1");
    }
    EXPECT_EQ(count("Receivable"), 2);
    setText(r, "Edit1", "21");
    EXPECT_EQ(text(r, "Label14"), "200.15");
    EXPECT_EQ(text(r, "Label16"), "0.25");

    click(invoice, "Button5");
    EXPECT_EQ(text(invoice, "Label19"), "200.15");

    click(r, "List");
    ASSERT_NE(ReceivableList.data(), nullptr);
    EXPECT_EQ(text(ReceivableList, "Label2"), "200.15");
    EXPECT_EQ(ReceivableList->grid()->model()->rowCount(), 2);
}

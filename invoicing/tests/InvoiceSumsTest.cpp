// The parts and labor sums kept per invoice number equal the sums of the lines after every kind of
// write: single lines through the line editors, statements written straight in, a line moved to
// another invoice, an invoice renumbered or deleted, an archive and an estimate conversion.
#include "ArchiveFixture.h"

#include "Decimal.h"
#include "EstimateConversion.h"

#include <QSqlQuery>

#include <map>

using kestrum::Decimal;

namespace {

using Sums = std::map<qint64, std::pair<Decimal, Decimal>>;

class InvoiceSumsTest : public ArchiveTest {
protected:
    // Each number's sums worked out here from the lines (a number whose lines have no amount at
    // all has none).
    Sums fromLines()
    {
        Sums out;
        const auto add = [&](const QString& sql, bool parts) {
            QSqlQuery q(DM->database());
            EXPECT_TRUE(q.exec(sql));
            while (q.next()) {
                if (q.value(0).isNull() || q.value(1).isNull())
                    continue;
                const qint64 n = q.value(0).toLongLong();
                const Decimal amount = Decimal::parse(q.value(1).toString()).value_or(Decimal());
                (parts ? out[n].first : out[n].second) += amount;
            }
        };
        add("Select Inv_Item, Amount_Item From InvItem", true);
        add("Select Inv_Labor, Amount_Labor From InvLabor", false);
        return out;
    }

    Sums kept()
    {
        Sums out;
        QSqlQuery q(DM->database());
        EXPECT_TRUE(q.exec("Select InvoiceNo_Sums, Parts_Sums, Labor_Sums From InvoiceSums"));
        while (q.next())
            out[q.value(0).toLongLong()] = {Decimal::parse(q.value(1).toString()).value_or(Decimal()).rounded(6),
                                            Decimal::parse(q.value(2).toString()).value_or(Decimal()).rounded(6)};
        return out;
    }

    static std::string shown(const Sums& s)
    {
        std::string out;
        for (const auto& [n, v] : s)
            out += std::to_string(n) + ": " + v.first.toString().toStdString() + " / " +
                   v.second.toString().toStdString() + "; ";
        return out;
    }

    void expectKeptSumsMatchTheLines(const char* after)
    {
        const Sums expected = fromLines(), got = kept();
        EXPECT_EQ(shown(got), shown(expected)) << "after " << after;
        // The header's customer, date and due date (its date where it has none) kept beside them;
        // none where no header has the number.
        const QDate none(1900, 1, 1);
        EXPECT_EQ(scalar("Select Count(*) From InvoiceSums S Left Join Invoice H On H.InvoiceNo_Inv = S.InvoiceNo_Sums"
                         " where Coalesce(S.CustomerName_Sums, '-') <> Coalesce(H.CustomerName_Inv, '-')"
                         " Or Coalesce(S.InvoiceDate_Sums, ?) <> Coalesce(H.InvoiceDate_Inv, ?)"
                         " Or Coalesce(S.DueDate_Sums, ?) <> Coalesce(H.DueDate_Inv, H.InvoiceDate_Inv, ?)",
                         {none, none, none, none}),
                  "0")
            << "after " << after;
    }

    void part(int number, const QString& name, const QString& amount)
    {
        exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Color_Item, Rate_Item, Amount_Item) "
             "Values (?, ?, 1, 'BP-1', ?, ?)",
             {number, name, amount, amount});
    }
    void labor(int number, const QString& name, const QString& amount)
    {
        exec("Insert Into InvLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor) "
             "Values (?, ?, 1, ?, ?)",
             {number, name, amount, amount});
    }
};

}  // namespace

TEST_P(InvoiceSumsTest, KeptSumsFollowInsertsUpdatesDeletesAndLinesMovedOrRenumbered)
{
    seedShop();
    addInvoice(1, "Whitfield Hauling", true);
    addInvoice(2, "Whitfield Hauling", false);
    part(1, "Pad", "20");
    part(1, "Rotor", "12.3456");
    part(1, "Rotor", "0.1");
    part(2, "Pad", "0.2");
    labor(1, "Brake job", "120");
    labor(2, "Road test", "40.5");
    expectKeptSumsMatchTheLines("inserts");
    EXPECT_EQ(scalar("Select Parts_Sums + Labor_Sums From InvoiceSums where InvoiceNo_Sums = 1"), "152.4456");

    exec("Update InvItem Set Amount_Item = 30 where Inv_Item = 1 And Name_Item = 'Pad'");
    exec("Update InvLabor Set Amount_Labor = Amount_Labor * 2");  // every invoice in one statement
    exec("Update InvItem Set Name_Item = 'Front pad' where Name_Item = 'Pad'");  // no amount changes
    expectKeptSumsMatchTheLines("updates");

    // A line moved from invoice 1 to invoice 2, and one to a number no invoice has yet.
    exec("Update InvItem Set Inv_Item = 2 where Amount_Item = 30");
    exec("Update InvLabor Set Inv_Labor = 9 where Inv_Labor = 2");
    expectKeptSumsMatchTheLines("lines moved");

    // Every line of a number gone: its row goes too.
    exec("Delete From InvItem where Inv_Item = 2");
    exec("Delete From InvLabor where Inv_Labor = 9");
    expectKeptSumsMatchTheLines("deletes");
    EXPECT_EQ(scalar("Select Count(*) From InvoiceSums where InvoiceNo_Sums in (2, 9)"), "0");

    // Deleting the header leaves its lines, and so their sums, for a new invoice of that number.
    exec("Delete From Invoice where InvoiceNo_Inv = 1");
    expectKeptSumsMatchTheLines("a header deleted");
    EXPECT_EQ(scalar("Select Count(*) From InvoiceSums where InvoiceNo_Sums = 1"), "1");

    // Renumbered lines, several rows per statement; lines copied by one Insert ... Select.
    exec("Update InvItem Set Inv_Item = 5 where Inv_Item = 1");
    exec("Update InvLabor Set Inv_Labor = 5 where Inv_Labor = 1");
    exec("Insert Into InvItem (Inv_Item, Name_Item, Amount_Item) Select 6, Name_Item, Amount_Item From InvItem"
         " where Inv_Item = 5");
    expectKeptSumsMatchTheLines("renumbering and copying");
    EXPECT_EQ(scalar("Select Count(*) From InvoiceSums where InvoiceNo_Sums = 1"), "0");

    // Lines without a number or an amount count nowhere and break nothing.
    exec("Insert Into InvItem (Name_Item, Amount_Item) Values ('Loose', 3)");
    part(7, "Free", "0");
    exec("Update InvItem Set Amount_Item = Null where Inv_Item = 7");
    expectKeptSumsMatchTheLines("lines without a number or an amount");
    EXPECT_EQ(scalar("Select Count(*) From InvoiceSums where InvoiceNo_Sums = 7"), "0");
}

TEST_P(InvoiceSumsTest, KeptSumsFollowTheArchiveAndAnEstimateMadeIntoAnInvoice)
{
    seedShop();
    addInvoice(1, "Whitfield Hauling", true);
    addInvoice(2, "Whitfield Hauling", false);
    part(1, "Pad", "20");
    part(2, "Rotor", "15.5");
    labor(1, "Brake job", "120");
    expectKeptSumsMatchTheLines("inserts");

    // The archive takes invoice 1 with its lines out of the live tables.
    TInvoice* w = open<TInvoice>();
    ASSERT_EQ(text(w, "Edit1"), "1");
    setText(w, "Edit11", "Quelmo");
    dialogs_->answerYes();
    click(w, "Button12");
    ASSERT_EQ(count("InvItemCash"), 1);
    expectKeptSumsMatchTheLines("the archive");
    EXPECT_EQ(scalar("Select Count(*) From InvoiceSums where InvoiceNo_Sums = 1"), "0");

    // An estimate made into an invoice brings its lines with it.
    exec("Insert Into Estimate (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Tax_Inv)"
         " Values (7, ?, 'Whitfield Hauling', ?, ?)",
         {false, QDate::currentDate(), true});
    exec("Insert Into EstimateItem (Inv_Item, Name_Item, Qty_Item, Rate_Item, Amount_Item) Values (7, 'Pad', 2, 12, 24)");
    exec("Insert Into EstimateItem (Inv_Item, Name_Item, Qty_Item, Rate_Item, Amount_Item)"
         " Values (7, 'Rotor', 1, 14.8147, 14.8147)");
    exec("Insert Into EstimateLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor)"
         " Values (7, 'Brake job', 1.5, 80, 120)");
    const std::optional<qint64> made = kestrum::invoicing::makeInvoiceFromEstimate(7);
    ASSERT_TRUE(made.has_value());
    expectKeptSumsMatchTheLines("an estimate made into an invoice");
    EXPECT_EQ(scalar("Select CustomerName_Sums From InvoiceSums where InvoiceNo_Sums = ?", {*made}), "Whitfield Hauling");
    EXPECT_EQ(Decimal::parse(scalar("Select Parts_Sums From InvoiceSums where InvoiceNo_Sums = ?", {*made}))
                  .value_or(Decimal())
                  .rounded(6),
              Decimal::parse("38.8147").value_or(Decimal()));
}

INSTANTIATE_TEST_SUITE_P(Engines, InvoiceSumsTest, TESTSUPPORT_ENGINES);

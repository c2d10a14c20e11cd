// What keeps the windows usable on a big shop: the database sorts a list on a title click (no
// rows read ahead), the search asks the database before reading the list, the key box follows
// only what the user types, the parts count comes from the database, and the part finder lists
// in part-number order as it reads. Each case also checks the window still shows the right rows.
#include "AuxWindow.h"
#include "InvoiceLines.h"
#include "InvoicingWindows.h"
#include "Query.h"
#include "TCustomer.h"
#include "ReportPreview.h"
#include "ReportWindow.h"
#include "ReportWindows.h"
#include "TInvoice.h"
#include "TPart.h"
#include "BackgroundCount.h"
#include "Transaction.h"
#include "WindowFactory.h"
#include "WindowTest.h"

using testsupport::WindowTest;

namespace {

class BigListsTest : public WindowTest {
protected:
    void part(int id, const QVariant& name, const QVariant& type, const QString& partNo)
    {
        exec("Insert Into Part (ID_Material, Number_Material, Type_Material, Color_Material, Price_Material) "
             "Values (?, ?, ?, ?, 1)",
             {id, name, type, partNo});
    }
    static QStringList column(QTableView* grid, int c)
    {
        QStringList out;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, c).data().toString();
        return out;
    }
};

TEST_P(BigListsTest, TitleClickSortsInTheDatabaseNullsFirstTiesByKeyAndReadsNoRowsAhead)
{
    part(3, "Wiper", "Body", "P-3");
    part(1, "Alpha", QVariant(), "P-1");
    part(2, "brake", "body", "P-2");
    part(4, "Caliper", "Axle", "P-4");
    TPart* w = open<TPart>();
    QTableView* grid = w->grid();
    clickTitle(grid, 1);  // Type_Material
    ASSERT_EQ(w->sortColumn(), "Type_Material");
    QApplication::processEvents();
    // NULL first, case ignored, equal types in key order.
    EXPECT_EQ(column(grid, 0), (QStringList{"1", "4", "2", "3"}));
    EXPECT_TRUE(w->listQuery()->Active());

    clickTitle(grid, 2);  // Number_Material, case ignored
    EXPECT_EQ(column(grid, 2), (QStringList{"Alpha", "brake", "Caliper", "Wiper"}));

    // A reload drops the order again.
    click(w, "Button5");
    EXPECT_EQ(w->sortColumn(), "");

    // The list is read as the grid asks: a sorted big list does not arrive whole.
    for (int id = 10; id < 410; ++id)
        part(id, QString("Part %1").arg(id, 4, 10, QChar('0')), "Body", QString("N-%1").arg(id));
    click(w, "Button5");
    clickTitle(grid, 2);
    EXPECT_LT(w->listQuery()->heldRows(), 404);
    EXPECT_EQ(w->listQuery()->FieldByName("Number_Material").AsString(), "Alpha");
    // The total follows the first page: counted on the counting connection, then shown.
    kestrum::settleBackgroundCounts();
    QApplication::processEvents();
    EXPECT_EQ(text(w, "Label14"), "404");
}

TEST_P(BigListsTest, SearchMovesToTheFirstMatchAndTheKeyBoxKeepsTheGridOnThatRow)
{
    // Sorted by name, "Zeta" (key 1) comes after key 12: looking up the key "1" again from the
    // box would move the grid to 12 while the boxes show 1.
    part(1, "Zeta", "Body", "Z-1");
    part(12, "Alpha", "Body", "A-12");
    part(5, "Mu_1%", "Body", "M-5");
    TPart* w = open<TPart>();
    clickTitle(w->grid(), 2);
    setText(w, "Edit6", "z");
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(text(w, "Edit7"), "Zeta");
    EXPECT_EQ(w->listQuery()->FieldByName("ID_Material").AsString(), "1");
    EXPECT_EQ(w->grid()->currentIndex().row(), 2);

    // No match: row and boxes stay where they were.
    setText(w, "Edit6", "Q");
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(w->listQuery()->FieldByName("ID_Material").AsString(), "1");
    // Wildcards are plain characters to the search.
    setText(w, "Edit6", "_");
    EXPECT_EQ(text(w, "Edit1"), "1");
    setText(w, "Edit6", "mu_1%");
    EXPECT_EQ(text(w, "Edit1"), "5");

    // Typing in the key box still finds the first key that starts with it.
    setText(w, "Edit1", "1");
    EXPECT_EQ(w->listQuery()->FieldByName("ID_Material").AsString(), "12");

    // New proposes a key no row has; the grid does not move to look for it.
    const int row = w->grid()->currentIndex().row();
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "13");
    EXPECT_EQ(w->grid()->currentIndex().row(), row);
}

TEST_P(BigListsTest, CustomerSearchOnANumberColumnStillLocates)
{
    exec("Insert Into Customer (ID_Customer, Name_Customer, Type_Customer) Values (7, 'Ann', 'Customer')");
    exec("Insert Into Customer (ID_Customer, Name_Customer, Type_Customer) Values (31, 'Bob', 'Fleet')");
    TCustomer* w = open<TCustomer>();
    clickTitle(w->grid(), 0);
    ASSERT_EQ(w->sortColumn(), "ID_Customer");
    setText(w, "Edit6", "3");
    EXPECT_EQ(text(w, "Edit2"), "Bob");
    setText(w, "Edit6", "");
    clickTitle(w->grid(), 2);
    setText(w, "Edit6", "FLE");
    EXPECT_EQ(text(w, "Edit2"), "Bob");
}

TEST_P(BigListsTest, PartFinderListsByPartNumberNullFirst)
{
    kestrum::registerInvoicingWindows();
    part(1, "Rotor", "Body", "R-9");
    part(2, "Pad", "Body", "b-2");
    part(3, "Hose", "Body", "A-5");
    exec("Insert Into Part (ID_Material, Number_Material) Values (4, 'Loose')");
    auto* finder = qobject_cast<kestrum::lines::PickerWindow*>(kestrum::ui::createAuxWindow("TInvPartFind", "Find"));
    ASSERT_NE(finder, nullptr);
    finder->Show();
    QApplication::processEvents();
    EXPECT_EQ(column(finder->grid(), 0), (QStringList{"", "A-5", "b-2", "R-9"}));
    kestrum::ui::destroyAuxWindows();
}

TEST_P(BigListsTest, TotalReceivableFillsItsWorkTablesWithEveryInvoiceOfAYear)
{
    // More invoices than go into one statement, so the rows are written in several.
    constexpr int invoices = 450;
    {
        kestrum::Transaction t(DM->database());
        for (int n = 1; n <= invoices; ++n) {
            const QDate day = QDate(2025, 1, 1).addDays(n % 365);
            exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, Tax_Inv) "
                 "Values (?, ?, 'Ann', ?, ?, ?)",
                 {n, true, day.startOfDay(), n + 0.5, false});
            exec("Insert Into InvLabor (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor) "
                 "Values (?, 'Job', 1, ?, ?)",
                 {n, n + 0.5, n + 0.5});
            exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, PayDate_Receivable, Amount_Receivable) "
                 "Values (?, 'Ann', ?, ?)",
                 {n, day.startOfDay(), n + 0.5});
        }
        t.commit();
    }
    kestrum::registerReportWindows();
    QWidget* w = kestrum::ui::WindowFactory::create("TTotalReceivable");
    windows_.append(w);
    w->show();
    setText(w, "Edit1", "1/1/2025");
    setText(w, "Edit2", "12/31/2025");
    kestrum::report::ReportCapture capture;
    qobject_cast<kestrum::reports::ReportWindow*>(w)->Print();
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_EQ(dialogs_->errors(), QStringList{});
    EXPECT_EQ(count("TotalLabor"), invoices);
    EXPECT_EQ(count("TotalItem"), invoices);
    EXPECT_EQ(count("TotalTax"), invoices);
    // 1.5 + 2.5 + ... + 450.5
    EXPECT_EQ(scalar("Select Sum(T_Amount_Labor) From TotalLabor").toDouble(), invoices * (invoices + 1) / 2 + invoices * 0.5);
    EXPECT_EQ(scalar("Select Count(Distinct T_Inv_Labor) From TotalLabor"), QString::number(invoices));
    EXPECT_EQ(scalar("Select Max(T_Inv_Item) From TotalItem"), QString::number(invoices));
    EXPECT_EQ(scalar("Select Sum(T_Amount_Item) From TotalItem").toDouble(), 0.0);
}

TEST_P(BigListsTest, InvoicePrintoutReadsTheListOnlyToTheShownInvoice)
{
    kestrum::registerInvoicingWindows();
    constexpr int invoices = 600;  // more than the list reads at a time
    {
        kestrum::Transaction t(DM->database());
        for (int n = 1; n <= invoices; ++n)
            exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, Amount_Inv, Tax_Inv) "
                 "Values (?, ?, ?, ?, 0, ?)",
                 {n, false, QString("Customer %1").arg(n), QDate(2025, 3, 1).startOfDay(), false});
        exec("Insert Into InvItem (Inv_Item, Name_Item, Qty_Item, Rate_Item, Amount_Item, Color_Item) "
             "Values (2, 'Rotor', 2, 40, 80, 'R-1')");
        t.commit();
    }
    TInvoice* w = open<TInvoice>();
    clickRow(w->list(), 1);
    ASSERT_EQ(w->number(), "2");
    kestrum::report::ReportCapture capture;
    click(w, "Button9");
    ASSERT_EQ(capture.reports().size(), 1u);
    const kestrum::report::PreparedReport& r = capture.reports().front();
    ASSERT_EQ(r.pageCount(), 3);
    for (int page = 0; page < 3; ++page) {
        const QStringList lines = r.pageText(page).split('\n');
        EXPECT_TRUE(lines.contains("Customer 2")) << page;
        EXPECT_TRUE(r.pageText(page).contains("Rotor")) << page;
    }
    EXPECT_LT(DM->QInv1->heldRows(), invoices);
    EXPECT_EQ(DM->QInv1->FieldByName("InvoiceNo_Inv").AsString(), "2");
}

INSTANTIATE_TEST_SUITE_P(Engines, BigListsTest, TESTSUPPORT_ENGINES);

}  // namespace

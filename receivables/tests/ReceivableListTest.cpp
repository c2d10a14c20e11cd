// The list of all payments: grand total, delete through the navigator, sorting, the printout.
#include "ReceivablesFixture.h"

#include "Grid.h"
#include "PreparedReport.h"
#include "ReportPreview.h"
#include "TReceivable.h"
#include "TReceivableFind.h"
#include "TReceivableList.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

QString pdfText(const QString& path)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        return {};
    QProcess p;
    p.start("pdftotext", {"-layout", path, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

TEST_P(ReceivablesTest, ListShowsEveryPaymentWithTheGrandTotalAndDeleteLowersIt)
{
    invoice(7, "Ann", "150.5");
    payment(7, "A1", "100");
    payment(7, "B2", "30.25");
    payment(9, "", "20");
    payment(9, "", "20");  // the same values twice: two real payments

    TReceivable* r = open<TReceivable>();
    click(r, "List");
    QPointer<TReceivableList> w = ReceivableList.data();
    ASSERT_NE(w.data(), nullptr);
    QTableView* grid = w->grid();
    EXPECT_EQ(text(w, "Label2"), "170.25");
    ASSERT_EQ(grid->model()->rowCount(), 4);
    const QStringList titles = {"Inv#", "Name", "Via Pay", "Pay Date", "Ref", "Deposit To", "Amount $"};
    for (int i = 0; i < titles.size(); ++i)
        EXPECT_EQ(grid->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
    EXPECT_EQ(grid->columnWidth(0), 60);

    // Sorted by amount, the 20s come first; delete one of the two equal payments only.
    clickTitle(grid, 6);
    auto* header = static_cast<kestrum::ui::GridHeader*>(grid->horizontalHeader());
    EXPECT_EQ(header->titleColor(6), kestrum::ui::colorValue(255));
    EXPECT_EQ(grid->model()->index(0, 6).data().toString(), "20");
    dialogs_->answerYes();
    click(w, "NavDelete");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{"Delete record?"});
    EXPECT_EQ(count("Receivable"), 3);
    EXPECT_EQ(scalar("Select Count(*) From Receivable where InvoiceNo_Receivable=9"), "1");
    EXPECT_EQ(text(w, "Label2"), "150.25");
    EXPECT_EQ(grid->model()->rowCount(), 3);

    // Move to the last row (100, A1) and delete it; No first deletes nothing.
    click(w, "NavLast");
    EXPECT_EQ(grid->currentIndex().row(), 2);
    dialogs_->answerNo();
    click(w, "NavDelete");
    EXPECT_EQ(count("Receivable"), 3);
    dialogs_->answerYes();
    click(w, "NavDelete");
    EXPECT_EQ(scalar("Select Count(*) From Receivable where Ref_Receivable='A1'"), "0");
    EXPECT_EQ(text(w, "Label2"), "50.25");

    // The receivable window now finds less paid on invoice 7.
    setText(r, "Edit1", "7");
    EXPECT_EQ(text(r, "Label14"), "30.25");
    EXPECT_EQ(text(r, "Label16"), "120.25");
}

TEST_P(ReceivablesTest, PrintedListHasEveryPaymentAndTheTotalAndExportsToPdf)
{
    payment(7, "A1", "1100", "Ann O'Hara", QDate(2026, 3, 4));
    payment(8, "C-9", "30.5", "Bob", QDate(2026, 3, 5));
    exec("Update Receivable Set Chart_Receivable='Sales', SubChart_Receivable='Parts' where Ref_Receivable='C-9'");
    TReceivableList* w = open<TReceivableList>();

    kestrum::report::ReportCapture capture;
    click(w, "Button2");
    ASSERT_EQ(capture.reports().size(), 1u);
    const kestrum::report::PreparedReport& p = capture.reports()[0];
    EXPECT_DOUBLE_EQ(p.widthMm, 210);
    EXPECT_DOUBLE_EQ(p.heightMm, 280);
    ASSERT_EQ(p.pageCount(), 1);
    const QString page = p.pageText(0);
    for (const char* t : {"Reveivable List", "Invoice No", "Customer Name", "Pay Date", "Via Payment", "Ref",
                          "Amount", "Chart of Acount", "Ann O'Hara", "3/4/2026", "$1,100.00", "C-9", "$30.50",
                          "Sales", "Parts", "Total  Amount   : $1,130.50"})
        EXPECT_TRUE(page.contains(t)) << t << "\n" << page.toStdString();
    EXPECT_TRUE(page.endsWith("\n1")) << page.toStdString();  // the page number

    QTemporaryDir dir;
    const QString file = dir.filePath("receivables.pdf");
    QString error;
    ASSERT_TRUE(p.exportPdf(file, &error)) << error.toStdString();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
    const QString text = pdfText(file);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext not installed; PDF text not checked";
    EXPECT_TRUE(text.contains("Total  Amount   : $1,130.50") || text.contains("Total Amount : $1,130.50"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("Ann O'Hara"));
}

TEST_P(ReceivablesTest, ListOnAnEmptyTableShowsZeroAndDeleteDoesNothing)
{
    TReceivableList* w = open<TReceivableList>();
    EXPECT_EQ(text(w, "Label2"), "0.00");
    click(w, "NavDelete");
    EXPECT_TRUE(dialogs_->shown().isEmpty());
    kestrum::report::ReportCapture capture;
    click(w, "Button2");
    ASSERT_EQ(capture.reports().size(), 1u);
    EXPECT_TRUE(capture.reports()[0].pageText(0).contains("Total  Amount   : $0.00"));
}

TEST_P(ReceivablesTest, TheListKeepsItsRowsWhileThePaymentWindowAndTheFinderLookUpInvoices)
{
    invoice(7, "Ann", "150.5");
    invoice(9, "Bo", "40");
    payment(7, "A1", "100");
    payment(9, "B1", "20");

    TReceivable* r = open<TReceivable>();
    click(r, "List");
    QPointer<TReceivableList> list = ReceivableList.data();
    ASSERT_TRUE(list);
    QTableView* grid = list->grid();
    ASSERT_EQ(grid->model()->rowCount(), 2);

    // Typing an invoice number and a reference, and opening the finder, run look-ups of their own.
    setText(r, "Edit1", "9");
    EXPECT_EQ(text(r, "Label9"), "Bo");
    setText(r, "Edit3", "B1");
    click(r, "SpeedButton1");
    ASSERT_TRUE(ReceivableFind);
    EXPECT_EQ(ReceivableFind->grid()->model()->rowCount(), 2);  // the invoices
    ASSERT_EQ(grid->model()->rowCount(), 2);
    QStringList refs = {grid->model()->index(0, 4).data().toString(), grid->model()->index(1, 4).data().toString()};
    refs.sort();
    EXPECT_EQ(refs, (QStringList{"A1", "B1"}));

    // Its printout and its delete still work on its own rows.
    {
        kestrum::report::ReportCapture capture;
        click(list, "Button2");
        ASSERT_EQ(capture.reports().size(), 1u);
        EXPECT_TRUE(capture.reports().back().pageText(0).contains("A1"));
        EXPECT_TRUE(capture.reports().back().pageText(0).contains("B1"));
    }
    clickRow(grid, 0);
    const QString shown = grid->model()->index(0, 4).data().toString();
    dialogs_->answerYes();
    click(list, "NavDelete");
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join('\n').toStdString();
    EXPECT_EQ(scalar("Select Count(*) From Receivable where Ref_Receivable=?", {shown}), "0");
    EXPECT_EQ(count("Receivable"), 1);
}


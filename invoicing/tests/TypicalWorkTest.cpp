// The shop's typical piece of work, through the program's own windows: log in, INVOICE, New,
// customer, vehicle, a part line through the finder, a labor line, Save, select, check the total
// with the month's tax, and the printout as a PDF read back as text.
#include "InvoicingFixture.h"

#include "AuxWindow.h"
#include "MainForm.h"
#include "Pass.h"
#include "ReportPreview.h"
#include "Shell.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

class TypicalWorkTest : public InvoicingTest {
protected:
    void TearDown() override
    {
        kestrum::shell::destroyWindows();
        settle();
        InvoicingTest::TearDown();
    }
};

}  // namespace

TEST_P(TypicalWorkTest, LogInWriteAnInvoiceWithAPartAndALaborLineAndPrintItAsPdf)
{
    seedShop();
    exec("Update Reg Set Name_R='Kestrel Auto Repair', Address_R='400 Main Street', City_R='Millbrook', "
         "State_R='NY', Zip_R='12545' where Id_R=1");
    DM->QReg1->Close();
    DM->QReg1->Open();

    // Start-up as the program does it: main window, login child, the finders.
    kestrum::ui::destroyAuxWindows();
    kestrum::shell::createWindows();
    ASSERT_TRUE(MainForm && Pass);
    Pass->findChild<QLineEdit*>("Edit1")->setText("Guest");
    Pass->findChild<QLineEdit*>("Edit2")->setText("12");
    Pass->findChild<QPushButton*>("BitBtn2")->click();
    settle();
    ASSERT_FALSE(Pass);

    MainForm->findChild<QToolButton*>("SpeedButton6")->click();  // INVOICE
    ASSERT_TRUE(Invoice);
    TInvoice* w = Invoice;
    EXPECT_EQ(w->windowTitle(), "Invoice");

    click(w, "Button3");  // New
    const QString number = text(w, "Edit1");
    ASSERT_EQ(number, "1");
    setText(w, "ComboBox1", "Whitfield Hauling");
    leave(w, "ComboBox1");
    setText(w, "ComboBox2", "Sam Ortega");
    setText(w, "Edit6", "1FTFW1E50NFA00001");
    setText(w, "Edit7", "48211");
    setText(w, "Edit8", "2022");
    setText(w, "ComboBox3", "Ford");
    setText(w, "ComboBox4", "F-150");
    setText(w, "Edit9", "KST 204");

    // A part line through the finder (price 10 plus 20 %).
    click(w, "Button6");
    ASSERT_TRUE(InvItem);
    click(InvItem, "Button8");
    ASSERT_TRUE(InvPartFind && InvPartFind->isVisible());
    setText(InvPartFind, "Edit1", "brake");
    click(InvPartFind, "Button2");
    setText(InvItem, "Edit2", "2");
    leave(InvItem, "Edit2");
    EXPECT_EQ(text(InvItem, "Edit6"), "24");
    dialogs_->answerYes();
    click(InvItem, "Button1");
    click(InvItem, "Button4");
    settle();
    EXPECT_EQ(text(w, "Label12"), "24");

    // A labor line picked by name.
    click(w, "Button8");
    ASSERT_TRUE(InvLabor);
    chooseName(InvLabor, "Brake job");
    setText(InvLabor, "Edit2", "1.5");
    leave(InvLabor, "Edit2");
    dialogs_->answerYes();
    click(InvLabor, "Button1");
    click(InvLabor, "Button4");
    settle();
    EXPECT_EQ(text(w, "Label15"), "120");

    dialogs_->answerYes();
    click(w, "Button2");  // Save the header
    EXPECT_EQ(count("Invoice"), 1);
    clickRow(w->list(), 0);
    ASSERT_EQ(text(w, "Edit1"), number);
    // 24 + 120 + 24 x 0.0825
    EXPECT_EQ(text(w, "Label14"), "145.98");
    EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join('\n').toStdString();

    kestrum::report::ReportCapture capture;
    click(w, "Button9");
    ASSERT_EQ(capture.reports().size(), 1u);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("invoice.pdf");
    QString error;
    ASSERT_TRUE(capture.reports().front().exportPdf(pdf, &error)) << error.toStdString();
    QProcess reader;
    reader.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QString pages = QString::fromUtf8(reader.readAllStandardOutput());
    const QStringList copies = pages.split('\f', Qt::SkipEmptyParts);
    ASSERT_EQ(copies.size(), 3) << pages.toStdString();
    const QString labels[] = {"Kestrel Auto Repair Copy", "Customer Copy", "Accounting Copy"};
    for (int i = 0; i < 3; ++i) {
        // pdftotext lays runs of blanks out as it sees fit: compare with single blanks.
        const QString page = copies[i].simplified();
        EXPECT_TRUE(page.contains(labels[i])) << i;
        for (const char* expected : {"Kestrel Auto Repair", "Whitfield Hauling", "Part : Brake pad", "BP-1",
                                     "Labor : Brake job", "$24.00", "$120.00", "Total  Part   : $24.00",
                                     "Total Labor  : $120.00", "Tax on Part : $1.98", "Total invoice : $145.98",
                                     "1FTFW1E50NFA00001", "F-150"})
            EXPECT_TRUE(page.contains(QString::fromLatin1(expected).simplified())) << i << ": " << expected << "\n"
                                                                        << copies[i].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, TypicalWorkTest, TESTSUPPORT_ENGINES);

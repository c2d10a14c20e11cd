// The receivable window: the invoice handed over through Edit1, payments saved and looked up,
// the figures, refusals, the lists and the find window.
#include "ReceivablesFixture.h"

#include "TReceivable.h"
#include "TReceivableFind.h"

#include "Grid.h"
#include "Mdi.h"

#include <QDateEdit>

using kestrum::ui::WindowFactory;

namespace {
const QString SaveQ = "Are you sure you want to Save this Record?";
const QString Dots = QString(30, '.');
}  // namespace

TEST_P(ReceivablesTest, OpenedByClassNameTheNumberWrittenIntoEdit1LooksTheInvoiceUp)
{
    invoice(7, "Ann O'Hara", "150.5");
    // As the invoice window does it: create by class name, show, write its number into Edit1.
    QWidget* w = WindowFactory::create("TReceivable");
    ASSERT_NE(w, nullptr);
    windows_.append(w);
    w->show();
    EXPECT_EQ(Receivable.data(), w);
    EXPECT_EQ(text(w, "Edit2"), "");  // nothing looked up yet
    w->findChild<QLineEdit*>("Edit1")->setText("7");

    EXPECT_EQ(text(w, "Label9"), "Ann O'Hara");
    EXPECT_EQ(text(w, "ComboBox1"), "Ann O'Hara");
    EXPECT_EQ(text(w, "Label11"), "150.5");
    EXPECT_EQ(text(w, "Edit4"), "150.5");  // the whole total is proposed
    EXPECT_EQ(text(w, "Label14"), "0.00");
    EXPECT_EQ(text(w, "Label16"), "150.5");
    EXPECT_EQ(text(w, "Edit2"), today());
    EXPECT_EQ(text(w, "ComboBox2"), "Check");
    EXPECT_TRUE(dialogs_->shown().isEmpty());

    // A number with no invoice clears the invoice's figures.
    setText(w, "Edit3", "R1");
    w->findChild<QLineEdit*>("Edit1")->setText("8");
    EXPECT_EQ(text(w, "Label9"), "");
    EXPECT_EQ(text(w, "Label11"), "");
    EXPECT_EQ(text(w, "ComboBox1"), "");
    EXPECT_EQ(text(w, "ComboBox2"), "");
    EXPECT_EQ(text(w, "Edit3"), "");
    EXPECT_EQ(text(w, "Edit4"), "0.00");
    EXPECT_EQ(text(w, "Label14"), "0.00");
    EXPECT_EQ(text(w, "Label16"), "0.00");
}

TEST_P(ReceivablesTest, TwoRefsMakeTwoPaymentsTheSameRefUpdatesAndTheFiguresFollow)
{
    invoice(7, "Ann", "150.5");
    TReceivable* w = open<TReceivable>();
    setText(w, "Edit1", "7");
    setText(w, "Edit3", "A1");
    EXPECT_EQ(text(w, "Label12"), Dots);
    setText(w, "ComboBox3", "Main");
    setText(w, "Edit4", "100");
    setText(w, "Edit2", "3/4/2026");
    w->findChild<QPlainTextEdit*>("Memo1")->setPlainText("first \"half\"");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{SaveQ});
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(count("Receivable"), 1);
    EXPECT_EQ(scalar("Select Amount_Receivable From Receivable where Ref_Receivable='A1'"), "100");
    EXPECT_EQ(scalar("Select PayDate_Receivable From Receivable"), "3/4/2026");
    EXPECT_EQ(scalar("Select DepositTo_Receivable From Receivable"), "Main");
    EXPECT_EQ(scalar("Select Remark_Receivable From Receivable"), "first \"half\"");
    // Cleared for the next payment; Paid still shows the sum before this payment.
    EXPECT_EQ(text(w, "Edit1"), "");
    EXPECT_EQ(text(w, "Edit3"), "");
    EXPECT_EQ(text(w, "Edit4"), "0.00");
    EXPECT_EQ(text(w, "Label9"), "");
    EXPECT_EQ(text(w, "Label11"), "0.00");
    EXPECT_EQ(text(w, "Label16"), "0.00");
    EXPECT_EQ(text(w, "Label14"), "0.00");
    EXPECT_EQ(text(w, "ComboBox3"), "Main");

    setText(w, "Edit1", "7");
    EXPECT_EQ(text(w, "Label14"), "100");
    EXPECT_EQ(text(w, "Label16"), "50.5");

    // The same (invoice, Ref) again changes that payment.
    setText(w, "Edit3", "A1");
    EXPECT_EQ(text(w, "Label12"), "It has Receivable");
    EXPECT_EQ(text(w, "Edit4"), "100");
    EXPECT_EQ(text(w, "Edit2"), "3/4/2026");
    EXPECT_EQ(memo(w, "Memo1"), "first \"half\"");
    setText(w, "Edit4", "20");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(count("Receivable"), 1);
    EXPECT_EQ(scalar("Select Amount_Receivable From Receivable"), "20");
    EXPECT_EQ(scalar("Select DepositTo_Receivable From Receivable"), "Main");

    // Another Ref adds a payment; the paid sum covers both, the balance in exact decimals.
    setText(w, "Edit1", "7");
    setText(w, "Edit3", "B'2");
    setText(w, "Edit4", "30.35");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(count("Receivable"), 2);
    setText(w, "Edit1", "7");
    EXPECT_EQ(text(w, "Label14"), "50.35");
    EXPECT_EQ(text(w, "Label16"), "100.15");

    // A Ref typed on from an existing one shows the dots and keeps the loaded values.
    setText(w, "Edit3", "B'2");
    EXPECT_EQ(text(w, "Label12"), "It has Receivable");
    EXPECT_EQ(text(w, "Edit4"), "30.35");
    setText(w, "Edit3", "B'23");
    EXPECT_EQ(text(w, "Label12"), Dots);
    EXPECT_EQ(text(w, "Edit4"), "30.35");
}

TEST_P(ReceivablesTest, PaymentsWithoutRefAlwaysAddAndNeverOverwrite)
{
    invoice(3, "Bob", "90");
    TReceivable* w = open<TReceivable>();
    for (const char* amount : {"40", "25"}) {
        setText(w, "Edit1", "3");
        setText(w, "Edit4", amount);
        EXPECT_EQ(text(w, "Label12"), Dots);
        dialogs_->answerYes();
        click(w, "Button1");
    }
    EXPECT_EQ(count("Receivable"), 2);
    setText(w, "Edit1", "3");
    EXPECT_EQ(text(w, "Label14"), "65");
    EXPECT_EQ(text(w, "Label16"), "25");
    setText(w, "Edit3", "");
    EXPECT_EQ(text(w, "Label12"), Dots);
}

TEST_P(ReceivablesTest, BadInputIsRefusedWithAMessageAndNothingIsWritten)
{
    invoice(5, "Cy", "10");
    TReceivable* w = open<TReceivable>();

    // Empty number: nothing at all.
    click(w, "Button1");
    EXPECT_TRUE(dialogs_->shown().isEmpty());

    // Typing something that is no number is no invoice, without an error box per keystroke.
    setText(w, "Edit1", "5x");
    EXPECT_TRUE(dialogs_->errors().isEmpty());
    EXPECT_EQ(text(w, "Label9"), "");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Invoice")) << dialogs_->errors()[0].toStdString();

    // A number with no invoice.
    dialogs_->clear();
    setText(w, "Edit1", "6");
    setText(w, "Edit4", "10");
    click(w, "Button1");
    EXPECT_EQ(dialogs_->messages(), QStringList{"There is no invoice 6. The payment was not saved."});
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());

    // Amount and date that do not parse name their box.
    dialogs_->clear();
    setText(w, "Edit1", "5");
    setText(w, "Edit4", "12,50");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Amount")) << dialogs_->errors()[0].toStdString();
    dialogs_->clear();
    setText(w, "Edit4", "12.50");
    setText(w, "Edit2", "2/30/2026");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Pay Date")) << dialogs_->errors()[0].toStdString();
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());

    // No to the question writes nothing and keeps what was typed.
    dialogs_->clear();
    setText(w, "Edit2", "2/28/2026");
    dialogs_->answerNo();
    click(w, "Button1");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{SaveQ});
    EXPECT_EQ(count("Receivable"), 0);
    EXPECT_EQ(text(w, "Edit4"), "12.50");
}

TEST_P(ReceivablesTest, ComboListsComeFromTheTablesAndThePickerWritesThePayDate)
{
    TReceivable* w = open<TReceivable>();
    auto* methods = w->findChild<QComboBox*>("ComboBox2");
    ASSERT_EQ(methods->count(), 4);
    EXPECT_EQ(methods->itemText(2), "C.C.");
    // No payment yet: the first drop-down leaves no method to pick, the typed text stays.
    EXPECT_EQ(dropDown(w, "ComboBox2"), QStringList{});
    EXPECT_EQ(text(w, "ComboBox2"), "Check");

    payment(1, "r", "5");
    exec("Insert Into Bank (ID_Bank, Name_Bank) Values (1, 'Main'), (2, 'Visa Card')");
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (1, 'Ann'), (2, 'Bob')");
    EXPECT_EQ(dropDown(w, "ComboBox2"), QStringList{"Check"});
    QStringList banks = dropDown(w, "ComboBox3");
    banks.sort();
    EXPECT_EQ(banks, (QStringList{"Main", "Visa Card"}));
    QStringList names = dropDown(w, "ComboBox1");
    names.sort();
    EXPECT_EQ(names, (QStringList{"Ann", "Bob"}));

    auto* picker = w->findChild<QDateEdit*>("DateTimePicker1");
    EXPECT_EQ(picker->date(), QDate::currentDate());
    picker->setDate(QDate(2026, 1, 9));
    EXPECT_EQ(text(w, "Edit2"), "1/9/2026");

    // New clears the payment, leaves the account.
    setText(w, "ComboBox3", "Main");
    setText(w, "Edit3", "x");
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit3"), "");
    EXPECT_EQ(text(w, "ComboBox2"), "");
    EXPECT_EQ(text(w, "Edit2"), today());
    EXPECT_EQ(text(w, "Edit4"), "0.00");
    EXPECT_EQ(text(w, "ComboBox3"), "Main");
    EXPECT_TRUE(find(w, "Edit1")->hasFocus() || !w->isActiveWindow());
}

TEST_P(ReceivablesTest, FindWindowHandsTheChosenInvoiceOverAndCloses)
{
    invoice(12, "Zed", "40");
    invoice(4, "Amy", "75.25");
    payment(4, "p", "25.25");
    TReceivable* w = open<TReceivable>();
    click(w, "SpeedButton1");
    QPointer<TReceivableFind> find = ReceivableFind.data();
    ASSERT_NE(find.data(), nullptr);
    QTableView* grid = find->grid();
    ASSERT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "4");  // sorted by number

    clickTitle(grid, 2);  // by customer name: Amy first
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "Amy");
    auto* header = static_cast<kestrum::ui::GridHeader*>(grid->horizontalHeader());
    EXPECT_EQ(header->titleColor(2), kestrum::ui::colorValue(255));
    clickTitle(grid, 6);  // the amount does not sort here
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "Amy");
    EXPECT_NE(header->titleColor(2), kestrum::ui::colorValue(255));
    clickTitle(grid, 0);
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "4");

    find->DBGrid1DblClick(1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(find.isNull());
    EXPECT_EQ(text(w, "Edit1"), "12");
    EXPECT_EQ(text(w, "Label9"), "Zed");
    EXPECT_EQ(text(w, "Label11"), "40");
    EXPECT_EQ(text(w, "Label14"), "0.00");

    // The same invoice chosen again is looked up afresh.
    payment(12, "q", "15");
    click(w, "SpeedButton1");
    ASSERT_NE(ReceivableFind.data(), nullptr);
    ReceivableFind->DBGrid1DblClick(1);
    EXPECT_EQ(text(w, "Label14"), "15");
    EXPECT_EQ(text(w, "Label16"), "25");
}

TEST_P(ReceivablesTest, HistoryNeedsAnInvoiceNumber)
{
    TReceivable* w = open<TReceivable>();
    click(w, "Button5");
    EXPECT_TRUE(dialogs_->shown().isEmpty());
    setText(w, "Edit1", "3");
    click(w, "Button5");  // this test program has no history window
    EXPECT_EQ(dialogs_->messages(), QStringList{"This window is not available in this build."});
    EXPECT_FALSE(find(w, "Button3")->isEnabled());
    EXPECT_FALSE(find(w, "Button7")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Engines, ReceivablesTest, TESTSUPPORT_ENGINES);

TEST_P(ReceivablesTest, LauncherClassNamesOpenTheirWindows)
{
    // BANK, DEPOSIT and RECEIVABLE open their windows by class name; the two others by buttons.
    const QStringList names = {"TBank", "TDeposit", "TReceivable", "TReceivableFind", "TReceivableList"};
    for (const QString& name : names) {
        QWidget* w = kestrum::ui::launchWindow(name, false);
        ASSERT_NE(w, nullptr) << name.toStdString();
        windows_.append(w);
        EXPECT_EQ(QString(w->metaObject()->className()), name);
        EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
    }
    EXPECT_TRUE(dialogs_->shown().isEmpty());
}

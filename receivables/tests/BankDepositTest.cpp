// The bank window (record pattern on Bank) and the deposit window.
#include "ReceivablesFixture.h"

#include "AuxWindow.h"
#include "Decimal.h"
#include "TBank.h"
#include "TDeposit.h"

#include <QDateEdit>
#include <QTimer>

namespace {
const QString SaveQ = "Are you sure you want to Save this Record?";
const QString DeleteQ = "Are you sure you want to Delete this Record?";
}  // namespace

TEST_P(ReceivablesTest, BankNewProposesOneWithDefaultsAndSaveInsertsThenUpdates)
{
    TBank* w = open<TBank>();
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(text(w, "ComboBox1"), "Credit");
    EXPECT_EQ(text(w, "ComboBox2"), "Master Card");
    EXPECT_EQ(text(w, "Edit4"), "");

    setText(w, "Edit2", "Chase O'Brien");
    setText(w, "Edit3", "4111-22");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(scalar("Select Name_Bank From Bank where ID_Bank=1"), "Chase O'Brien");
    EXPECT_EQ(scalar("Select Type_Bank From Bank where ID_Bank=1"), "Credit");
    EXPECT_EQ(scalar("Select Count(*) From Bank where Date_Bank Is Null"), "1");  // empty expiry: NULL

    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "2");
    setText(w, "Edit2", "Visa");
    w->findChild<QDateEdit*>("DateTimePicker1")->setDate(QDate(2028, 6, 30));
    EXPECT_EQ(text(w, "Edit4"), "6/30/2028");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(scalar("Select Date_Bank From Bank where ID_Bank=2"), "6/30/2028");
    EXPECT_EQ(w->grid()->currentIndex().row(), 1);  // the saved account stays selected

    // Renaming account 1 updates it and leaves the deposits that name it alone.
    exec("Insert Into Deposit (DepositTo_Dep, Chk_Dep, Amount_Dep) Values ('Chase O''Brien', '1', 5)");
    clickRow(w->grid(), 0);
    EXPECT_EQ(text(w, "Edit2"), "Chase O'Brien");
    setText(w, "Edit2", "Chase");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(count("Bank"), 2);
    EXPECT_EQ(scalar("Select Name_Bank From Bank where ID_Bank=1"), "Chase");
    EXPECT_EQ(scalar("Select DepositTo_Dep From Deposit"), "Chase O'Brien");

    // A bad expiry date is refused; nothing changes.
    dialogs_->clear();
    setText(w, "Edit4", "13/1/2028");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Exp Date")) << dialogs_->errors()[0].toStdString();
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());

    // Delete, and the type list offers the types in use.
    dialogs_->clear();
    // Row order after an update is the engine's: find account 2.
    const int row2 = w->grid()->model()->match(w->grid()->model()->index(0, 0), Qt::DisplayRole, "2", 1,
                                               Qt::MatchExactly).value(0).row();
    clickRow(w->grid(), row2);
    EXPECT_EQ(text(w, "Edit1"), "2");
    dialogs_->answerYes();
    click(w, "Button3");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{DeleteQ});
    EXPECT_EQ(count("Bank"), 1);
    EXPECT_EQ(dropDown(w, "ComboBox1"), QStringList{"Credit"});
}

TEST_P(ReceivablesTest, BankHistoryShowsTheBankHistoryWindowModally)
{
    TBank* w = open<TBank>();
    click(w, "Button8");  // no such window in this program
    EXPECT_EQ(dialogs_->messages(), QStringList{"This window is not available in this build."});

    auto* history = qobject_cast<kestrum::ui::AuxWindow*>(kestrum::ui::createAuxWindow("TBankHistory", "BankHistory"));
    ASSERT_NE(history, nullptr);
    bool wasModal = false;
    QTimer::singleShot(0, history, [&] {
        wasModal = history->isVisible() && history->inModalLoop();
        history->close();
    });
    click(w, "Button8");
    EXPECT_TRUE(wasModal);
    kestrum::ui::destroyAuxWindows();
}

TEST_P(ReceivablesTest, DepositSaveReplacesTheSameAccountAndCheckAndTheTotalCoversAll)
{
    TDeposit* w = open<TDeposit>();
    EXPECT_EQ(text(w, "Label3"), "0.00");
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), today());
    EXPECT_EQ(text(w, "Edit4"), "0.00");

    auto save = [&](const QString& account, const QString& check, const QString& amount, const QString& from) {
        click(w, "Button2");
        setText(w, "ComboBox1", account);
        setText(w, "Edit2", check);
        setText(w, "Edit4", amount);
        setText(w, "ComboBox2", from);
        setText(w, "Edit1", "3/2/2026");
        dialogs_->answerYes();
        click(w, "Button1");
    };
    save("Main", "101", "50", "Ann");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    save("Main", "101", "75.5", "Ann O'Hara");  // same account and check: replaced
    EXPECT_EQ(count("Deposit"), 1);
    EXPECT_EQ(scalar("Select Amount_Dep From Deposit"), "75.5");
    EXPECT_EQ(scalar("Select From_Dep From Deposit"), "Ann O'Hara");
    save("Main", "102", "10", "Ann");    // another check: added
    save("Savings", "101", "4.25", "Bob");  // another account: added
    save("Main", "", "1", "Cy");           // no check number: always added
    save("Main", "", "1", "Cy");
    EXPECT_EQ(count("Deposit"), 5);
    EXPECT_EQ(text(w, "Label3"), "91.75");
    const QStringList titles = {"Deposit To", "Date", "From", "Acc", "SubAcc", "Chk#", "Amount", "Remark"};
    for (int i = 0; i < titles.size(); ++i)
        EXPECT_EQ(w->grid()->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);

    // Bad input stops before the question.
    dialogs_->clear();
    setText(w, "Edit4", "1.2.3");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->errors().size(), 1);
    EXPECT_TRUE(dialogs_->errors()[0].contains("Amount")) << dialogs_->errors()[0].toStdString();
    EXPECT_TRUE(dialogs_->confirmations().isEmpty());
    EXPECT_EQ(count("Deposit"), 5);
}

TEST_P(ReceivablesTest, DepositDeleteRemovesOnlyTheDepositShown)
{
    // Two deposits of one payer on one day, and two identical ones without a check number.
    const QDateTime day = QDate(2026, 3, 2).startOfDay();
    for (const auto& [chk, amount] : {std::pair{"201", "10"}, std::pair{"202", "20"}, std::pair{"", "5"},
                                      std::pair{"", "5"}})
        exec("Insert Into Deposit (DepositTo_Dep, Date_Dep, From_Dep, Chk_Dep, Amount_Dep) Values (?,?,?,?,?)",
             {QString("Main"), day, QString("Ann"), QString(chk), QString(amount)});
    TDeposit* w = open<TDeposit>();
    ASSERT_EQ(w->grid()->model()->rowCount(), 4);
    EXPECT_EQ(text(w, "Label3"), "40");

    clickRow(w->grid(), 1);
    EXPECT_EQ(text(w, "Edit2"), "202");
    EXPECT_EQ(text(w, "Edit1"), "3/2/2026");
    dialogs_->answerYes();
    click(w, "Button3");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{DeleteQ});
    EXPECT_EQ(count("Deposit"), 3);
    EXPECT_EQ(scalar("Select Count(*) From Deposit where Chk_Dep='201'"), "1");
    EXPECT_EQ(text(w, "Label3"), "20");

    clickRow(w->grid(), 1);
    EXPECT_EQ(text(w, "Edit2"), "");
    dialogs_->answerYes();
    click(w, "Button3");
    EXPECT_EQ(count("Deposit"), 2);
    EXPECT_EQ(scalar("Select Count(*) From Deposit where Amount_Dep=5"), "1");
    // The twin that stays keeps every value.
    EXPECT_EQ(scalar("Select Date_Dep From Deposit where Amount_Dep=5"), "3/2/2026");
    EXPECT_EQ(scalar("Select From_Dep From Deposit where Amount_Dep=5"), "Ann");
    EXPECT_EQ(scalar("Select DepositTo_Dep From Deposit where Amount_Dep=5"), "Main");

    // No deletes nothing; an empty account does nothing at all.
    clickRow(w->grid(), 0);
    dialogs_->answerNo();
    click(w, "Button3");
    EXPECT_EQ(count("Deposit"), 2);
    dialogs_->clear();
    setText(w, "ComboBox1", "");
    click(w, "Button3");
    EXPECT_TRUE(dialogs_->shown().isEmpty());
}

TEST_P(ReceivablesTest, DepositListsPickerNavigatorAndSearch)
{
    exec("Insert Into Bank (ID_Bank, Name_Bank) Values (1, 'Main')");
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (1, 'Ann')");
    exec("Insert Into Deposit (DepositTo_Dep, From_Dep, Acc_Dep, SubAcc_Dep, Chk_Dep, Amount_Dep) "
         "Values ('Main', 'Zoe', 'Sales', 'Parts', '1', 3), ('Main', 'Bob', 'Sales', 'Labor', '2', 4)");
    TDeposit* w = open<TDeposit>();
    EXPECT_EQ(text(w, "ComboBox2"), "Zoe");  // the first row is loaded at show
    EXPECT_EQ(dropDown(w, "ComboBox1"), QStringList{"Main"});
    EXPECT_EQ(dropDown(w, "ComboBox2"), QStringList{"Ann"});
    EXPECT_EQ(dropDown(w, "ComboBox3"), QStringList{"Sales"});
    QStringList sub = dropDown(w, "ComboBox4");
    sub.sort();
    EXPECT_EQ(sub, (QStringList{"Labor", "Parts"}));

    w->findChild<QDateEdit*>("DateTimePicker1")->setDate(QDate(2026, 5, 1));
    EXPECT_EQ(text(w, "Edit1"), "5/1/2026");

    // The navigator moves the grid only.
    click(w, "NavLast");
    EXPECT_EQ(w->grid()->currentIndex().row(), 1);
    EXPECT_EQ(text(w, "ComboBox2"), "Zoe");
    // The search finds a payer.
    setText(w, "Edit6", "bo");
    EXPECT_EQ(text(w, "ComboBox2"), "Bob");
    EXPECT_EQ(text(w, "Edit2"), "2");
}

TEST_P(ReceivablesTest, DepositTitleClickKeepsTheShownDepositTheHighlightedRow)
{
    // One day for all: the date alone does not tell the deposits apart.
    const QDateTime day = QDate(2026, 3, 2).startOfDay();
    for (const auto& [from, chk] : {std::pair{"Amy", "11"}, std::pair{"Zed", "12"}, std::pair{"Moe", "13"}})
        exec("Insert Into Deposit (DepositTo_Dep, Date_Dep, From_Dep, Chk_Dep, Amount_Dep) Values (?,?,?,?,?)",
             {QString("Main"), day, QString(from), QString(chk), QString("10")});
    TDeposit* w = open<TDeposit>();
    clickRow(w->grid(), 1);
    ASSERT_EQ(text(w, "ComboBox2"), "Zed");
    clickTitle(w->grid(), 2);  // by payer: Zed goes last
    EXPECT_EQ(text(w, "ComboBox2"), "Zed");
    EXPECT_EQ(text(w, "Edit2"), "12");
    EXPECT_EQ(w->grid()->currentIndex().row(), 2);
    EXPECT_EQ(DM->QDeposit1->FieldByName("From_Dep").AsString(), "Zed");
    // The navigator moves on from the deposit shown.
    click(w, "NavPrior");
    EXPECT_EQ(DM->QDeposit1->FieldByName("From_Dep").AsString(), "Moe");
}

TEST_P(ReceivablesTest, BankTotalIsTheSumOfTheShownAccountsDeposits)
{
    exec("Insert Into Bank (ID_Bank, Name_Bank) Values (1, 'Main Checking')");
    exec("Insert Into Bank (ID_Bank, Name_Bank) Values (2, 'Savings')");
    exec("Insert Into Bank (ID_Bank, Name_Bank) Values (3, 'Petty Cash')");
    for (const char* amount : {"100", "25.5"})
        exec("Insert Into Deposit (DepositTo_Dep, Amount_Dep) Values ('Main Checking', ?)",
             {QVariant::fromValue(*kestrum::Decimal::parse(amount))});
    exec("Insert Into Deposit (DepositTo_Dep, Amount_Dep) Values ('Savings', 7)");

    TBank* w = open<TBank>();
    ASSERT_EQ(text(w, "Edit2"), "Main Checking");
    EXPECT_EQ(text(w, "Label15"), "125.5");
    clickRow(w->grid(), 1);
    EXPECT_EQ(text(w, "Label15"), "7");
    clickRow(w->grid(), 2);  // no deposits yet
    EXPECT_EQ(text(w, "Label15"), "0.00");
    setText(w, "Edit6", "main");  // the search shows the found account's total
    EXPECT_EQ(text(w, "Edit2"), "Main Checking");
    EXPECT_EQ(text(w, "Label15"), "125.5");
}


// The record-window pattern, driven through the Parts and Customers windows: key proposal,
// insert-or-update, the questions, bad input, sorting and search, keyboard cycle.
#include "RecordsFixture.h"

#include "Grid.h"
#include "TCompany.h"
#include "TCustomer.h"
#include "TEmployee.h"
#include "TLabor.h"
#include "TPart.h"

using kestrum::ui::ScriptedDialogs;

namespace {
const QString SaveQ = "Are you sure you want to Save this Record?";
const QString DeleteQ = "Are you sure you want to Delete this Record?";
}  // namespace

TEST_P(RecordsTest, NewProposesOneOnEmptyTableThenLargestPlusOneWhateverTheSort)
{
    TPart* w = open<TPart>();
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(text(w, "Edit4"), "0.00");
    EXPECT_EQ(text(w, "Edit7"), "");

    for (int id : {41, 5, 7})
        exec("Insert Into Part (ID_Material, Number_Material, Price_Material) Values (?, ?, ?)",
             {id, QString("name %1").arg(50 - id), 1});
    click(w, "Button5");
    clickTitle(w->grid(), 2);  // by name: 41 sorts first, 5 last
    ASSERT_EQ(w->sortColumn(), "Number_Material");
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "42");
    EXPECT_EQ(count("Part"), 3);  // the proposal reserves nothing
}

TEST_P(RecordsTest, SaveInsertsThenUpdatesAndAnExistingKeyIsOverwritten)
{
    TPart* w = open<TPart>();
    click(w, "Button2");
    setText(w, "Edit7", "Brake pad");
    setText(w, "Edit8", "BP-1");
    setText(w, "Edit4", "12.50");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(dialogs_->confirmations(), QStringList{SaveQ});
    EXPECT_EQ(dialogs_->messages(), QStringList{"Data Recorded!"});
    EXPECT_EQ(scalar("Select Number_Material From Part where ID_Material=1"), "Brake pad");
    EXPECT_EQ(scalar("Select Price_Material From Part where ID_Material=1"), "12.5");
    EXPECT_EQ(text(w, "Label14"), "1");

    // The first row is back in the boxes; change it and save again: an update, no message.
    dialogs_->clear();
    ASSERT_EQ(text(w, "Edit1"), "1");
    setText(w, "Edit7", "Brake pad front");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_TRUE(dialogs_->messages().isEmpty());
    EXPECT_EQ(count("Part"), 1);
    EXPECT_EQ(scalar("Select Number_Material From Part where ID_Material=1"), "Brake pad front");

    // A record typed from scratch under an existing key replaces that record.
    for (const char* c : {"Edit7", "Edit2", "Edit8", "Edit5"})
        setText(w, c, "");
    setText(w, "Edit1", "1");
    setText(w, "Edit7", "Rotor");
    setText(w, "Edit4", "");  // an empty price is written as 0
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(count("Part"), 1);
    EXPECT_EQ(scalar("Select Number_Material From Part where ID_Material=1"), "Rotor");
    EXPECT_EQ(scalar("Select Color_Material From Part where ID_Material=1"), "");
    EXPECT_EQ(scalar("Select Price_Material From Part where ID_Material=1"), "0");
}

TEST_P(RecordsTest, AnsweringNoWritesNothingAndEmptyKeyDoesNothingAtAll)
{
    TCustomer* w = open<TCustomer>();
    click(w, "Button2");
    setText(w, "Edit2", "Ann Lee");
    dialogs_->answerNo();
    click(w, "Button1");
    EXPECT_EQ(count("Customer"), 0);
    EXPECT_TRUE(dialogs_->messages().isEmpty());
    EXPECT_EQ(text(w, "Edit2"), "Ann Lee");  // the Customers window keeps what was typed

    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (3, 'Bob')");
    dialogs_->clear();
    setText(w, "Edit1", "");
    click(w, "Button1");  // no question: an unscripted one would abort the test
    click(w, "Button3");
    EXPECT_TRUE(dialogs_->shown().isEmpty());
    EXPECT_EQ(count("Customer"), 1);

    setText(w, "Edit1", "3");
    dialogs_->answerNo();
    click(w, "Button3");
    EXPECT_EQ(count("Customer"), 1);
    dialogs_->answerYes();
    click(w, "Button3");
    EXPECT_EQ(dialogs_->confirmations().last(), DeleteQ);
    EXPECT_EQ(count("Customer"), 0);
}

TEST_P(RecordsTest, BadNumbersStopWithOneMessageNamingTheBoxAndWriteNothing)
{
    TPart* w = open<TPart>();
    setText(w, "Edit1", "1 or 1=1");
    setText(w, "Edit7", "x");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->shown().size(), 1);  // no question before the message
    EXPECT_TRUE(dialogs_->last().contains("ID Part")) << dialogs_->last().toStdString();
    click(w, "Button3");
    EXPECT_TRUE(dialogs_->last().contains("ID Part"));

    dialogs_->clear();
    setText(w, "Edit1", "8");
    setText(w, "Edit4", "12,50");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->shown().size(), 1);
    EXPECT_TRUE(dialogs_->last().contains("Price $")) << dialogs_->last().toStdString();
    EXPECT_EQ(count("Part"), 0);
}

void RecordsTest::hostileRoundTrip(kestrum::records::RecordWindow* w)
{
    using kestrum::records::FieldKind;
    const auto& spec = w->spec();
    const QString hostile = "O'Neil \"Jr\"; drop table " + spec.table + "; --";
    click(w, "Button2");
    for (const auto& f : spec.fields)
        if (f.kind == FieldKind::Text || f.kind == FieldKind::Upper)
            setText(w, f.control, f.control + " " + hostile);
    dialogs_->answerYes();
    click(w, "Button1");
    ASSERT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->last().toStdString();
    for (const auto& f : spec.fields) {
        if (f.kind != FieldKind::Text && f.kind != FieldKind::Upper)
            continue;
        QString expected = f.control + " " + hostile;
        if (f.kind == FieldKind::Upper)
            expected = expected.toUpper();
        EXPECT_EQ(scalar("Select " + f.column + " From " + spec.table + " where " + spec.keyColumn + "=1"), expected)
            << spec.table.toStdString() << "." << f.column.toStdString();
    }
}

TEST_P(RecordsTest, ApostrophesAndQuotesInEveryBoxStoreAsTyped)
{
    hostileRoundTrip(open<TPart>());
    hostileRoundTrip(open<TCompany>());
    hostileRoundTrip(open<TEmployee>());
    hostileRoundTrip(open<TLabor>());
    TCustomer* w = open<TCustomer>();
    hostileRoundTrip(w);
    // And the name still finds its documents.
    exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, Amount_Inv) Values (1, ?, 10)",
         {QString("Edit2 O'Neil \"Jr\"; drop table Customer; --")});
    clickRow(w->grid(), 0);
    EXPECT_EQ(text(w, "Label15"), "10");
}

TEST_P(RecordsTest, TitleClickSortsRedAndSearchLocatesOnThatColumn)
{
    int id = 1;
    for (const char* no : {"300", "125", "12", "129", "012"})
        exec("Insert Into Part (ID_Material, Number_Material, Color_Material, Price_Material) Values (?, ?, ?, 1)",
             {id++, QString("part %1").arg(no), QString(no)});
    TPart* w = open<TPart>();
    QTableView* grid = w->grid();
    auto* header = qobject_cast<kestrum::ui::GridHeader*>(grid->horizontalHeader());
    ASSERT_NE(header, nullptr);

    clickTitle(grid, 7);  // "Part No"
    EXPECT_EQ(header->titleColor(7), QColor(255, 0, 0));
    EXPECT_EQ(header->titleColor(2), QColor(Qt::black));
    EXPECT_EQ(grid->model()->headerData(7, Qt::Horizontal).toString(), "Part No");
    setText(w, "Edit6", "12");
    EXPECT_EQ(text(w, "Edit8"), "12");  // 012, 12, 125, ...: the first that starts with 12
    EXPECT_EQ(text(w, "Edit1"), "3");
    EXPECT_EQ(grid->currentIndex().row(), 1);

    // A reload drops the sort and the red title; the search then looks at the name.
    click(w, "Button5");
    EXPECT_EQ(header->titleColor(7), QColor(Qt::black));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "Type Part");
    setText(w, "Edit6", "part 129");
    EXPECT_EQ(text(w, "Edit8"), "129");

    // The key box moves the grid without touching the boxes.
    setText(w, "Edit1", "5");
    EXPECT_EQ(w->listQuery()->FieldByName("Color_Material").AsString(), "012");
    EXPECT_EQ(text(w, "Edit8"), "129");
}

TEST_P(RecordsTest, ANumberProposedByNewButTakenMeanwhileIsNotOverwritten)
{
    TCustomer* w = open<TCustomer>();
    click(w, "Button2");
    ASSERT_EQ(text(w, "Edit1"), "1");
    setText(w, "Edit2", "Mine");
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (1, 'Theirs')");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(scalar("Select Name_Customer From Customer where ID_Customer=1"), "Theirs");
    EXPECT_EQ(text(w, "Edit1"), "2");
    ASSERT_EQ(dialogs_->messages().size(), 1);
    EXPECT_TRUE(dialogs_->messages().first().contains("2"));
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(scalar("Select Name_Customer From Customer where ID_Customer=2"), "Mine");

    // Loading an existing record and saving it still updates it.
    clickRow(w->grid(), 0);
    ASSERT_EQ(text(w, "Edit1"), "1");
    setText(w, "Edit2", "Theirs, renamed");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(scalar("Select Name_Customer From Customer where ID_Customer=1"), "Theirs, renamed");
}

TEST_P(RecordsTest, KeyboardAloneWalksTheFieldsAndSaves)
{
    TCustomer* w = open<TCustomer>();
    click(w, "Button2");  // focus to the name box
    ASSERT_EQ(QApplication::focusWidget(), find(w, "Edit2"));
    QTest::keyClicks(QApplication::focusWidget(), "Kim");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), find(w, "ComboBox1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), find(w, "Edit2"));
    find(w, "Edit9")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // cell shares the phone's keys
    EXPECT_EQ(QApplication::focusWidget(), find(w, "Edit7"));
    find(w, "ComboBox3")->setFocus();
    setText(w, "ComboBox3", "");
    QTest::keyClicks(QApplication::focusWidget(), "ca");
    EXPECT_EQ(text(w, "ComboBox3"), "CA");
    find(w, "Edit5")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // wraps to the name
    EXPECT_EQ(QApplication::focusWidget(), find(w, "Edit2"));
    dialogs_->answerYes();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    EXPECT_EQ(scalar("Select State_Customer From Customer where Name_Customer='Kim'"), "CA");
    EXPECT_EQ(QApplication::focusWidget(), w->grid());

    // Grid keys: F3 is New here, F8 is not bound.
    QTest::keyClick(w->grid(), Qt::Key_F3);
    EXPECT_EQ(text(w, "Edit1"), "2");
    EXPECT_EQ(text(w, "ComboBox1"), "Customer");
    EXPECT_EQ(text(w, "ComboBox2"), "Turlock");
}

TEST_P(RecordsTest, PartsGridBindsAllFourKeysAndLeftWalksForward)
{
    exec("Insert Into Part (ID_Material, Number_Material, Price_Material) Values (4, 'Hose', 3)");
    TPart* w = open<TPart>();
    find(w, "Edit7")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), find(w, "Edit2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);  // the description keeps Left
    EXPECT_EQ(QApplication::focusWidget(), find(w, "Edit2"));
    find(w, "Edit5")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), find(w, "ComboBox3"));

    clickRow(w->grid(), 0);
    ASSERT_EQ(text(w, "Edit1"), "4");
    dialogs_->answerYes();
    QTest::keyClick(w->grid(), Qt::Key_F8);
    EXPECT_EQ(count("Part"), 0);
    EXPECT_EQ(text(w, "Label14"), "0");
    QTest::keyClick(w->grid(), Qt::Key_F3);
    EXPECT_EQ(text(w, "Edit1"), "1");
}

TEST_P(RecordsTest, ComboListsOfferTheDistinctValuesAndKeepTheTypedText)
{
    exec("Insert Into Part (ID_Material, Mfg_Material, Style_Type_Material) Values (1, 'Bosch', 'A')");
    exec("Insert Into Part (ID_Material, Mfg_Material, Style_Type_Material) Values (2, 'Bosch', 'B')");
    exec("Insert Into Part (ID_Material, Mfg_Material, Style_Type_Material) Values (3, 'ACDelco', 'B')");
    TPart* w = open<TPart>();
    auto* mfg = qobject_cast<QComboBox*>(find(w, "ComboBox1"));
    auto* style = qobject_cast<QComboBox*>(find(w, "ComboBox4"));
    EXPECT_EQ(mfg->count(), 2);    // at show
    EXPECT_EQ(style->count(), 0);  // only on drop-down
    setText(w, "ComboBox4", "typed");
    style->showPopup();
    style->hidePopup();
    EXPECT_EQ(style->count(), 2);
    EXPECT_EQ(style->currentText(), "typed");
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordsTest, TESTSUPPORT_ENGINES);

TEST_P(RecordsTest, AClosedWindowLetsGoOfItsListUnlessAnotherWindowStillShowsIt)
{
    for (int i = 1; i <= 300; ++i)  // more than the first rows a list reads
        exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {i, QString("Customer %1").arg(i)});
    auto* first = open<TCustomer>();
    auto* second = open<TCustomer>();
    kestrum::Query* list = DM->QCustomer1;
    ASSERT_TRUE(list->Active());
    EXPECT_LT(list->heldRows(), 300);  // read a page at a time as the grid scrolls

    ASSERT_TRUE(first->close());
    EXPECT_TRUE(list->Active());  // the second window still shows it
    EXPECT_EQ(second->grid()->model()->index(0, 1).data().toString(), "Customer 1");

    ASSERT_TRUE(second->close());
    EXPECT_FALSE(list->Active());

    // Opened again, the window reads its list again.
    auto* again = open<TCustomer>();
    EXPECT_TRUE(list->Active());
    EXPECT_EQ(text(again, "Edit1"), "1");
}

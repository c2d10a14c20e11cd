// What each master window adds to the pattern: figures, look-ups, defaults, the tax rate and
// the shop profile.
#include "RecordsFixture.h"

#include "RecordWindows.h"
#include "TCompany.h"
#include "TCustomer.h"
#include "TEmployee.h"
#include "TLabor.h"
#include "TPart.h"
#include "TProfile.h"
#include "TTax.h"
#include "WindowFactory.h"
#include "Format.h"
#include "Mdi.h"
#include "Keyset.h"
#include "Schema.h"
#include "StatementLog.h"
#include "Transaction.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QFocusEvent>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

using kestrum::Decimal;

namespace {
QVariant dec(const char* text)
{
    return QVariant::fromValue(*Decimal::parse(text));
}
}  // namespace

TEST_P(RecordsTest, PartsStockIsBoughtMinusSoldByPartNumber)
{
    exec("Insert Into Part (ID_Material, Color_Material, Price_Material) Values (1, 'AB-1', 2.50)");
    exec("Insert Into Part (ID_Material, Color_Material, Price_Material) Values (2, 'AB-2', 4)");
    exec("Insert Into Part (ID_Material, Color_Material, Price_Material) Values (3, 'AB-3', 4)");
    for (const char* qty : {"10", "5"})
        exec("Insert Into Items (Color_Item, Qty_Item, Po_Item) Values ('AB-1', ?, 1)", {dec(qty)});
    exec("Insert Into InvItem (Color_Item, Qty_Item, Inv_Item) Values ('AB-1', 3, 1)");
    exec("Insert Into InvItem (Color_Item, Qty_Item, Inv_Item) Values ('ab-1x', 3, 1)");  // another part
    exec("Insert Into InvItem (Color_Item, Qty_Item, Inv_Item) Values ('AB-3', 1.5, 1)");
    exec("Insert Into EstimateItem (Color_Item, Qty_Item, Inv_Item) Values ('AB-1', 100, 1)");

    TPart* w = open<TPart>();
    EXPECT_EQ(text(w, "Label14"), "3");
    clickRow(w->grid(), 0);
    EXPECT_EQ(text(w, "Label17"), "3");
    EXPECT_EQ(text(w, "Label19"), "15");
    EXPECT_EQ(text(w, "Label21"), "12");
    EXPECT_EQ(text(w, "Label23"), "30");

    click(w, "NavNext");  // never ordered nor sold
    EXPECT_EQ(text(w, "Edit8"), "AB-2");
    EXPECT_EQ(text(w, "Label17"), "0");
    EXPECT_EQ(text(w, "Label19"), "0");
    EXPECT_EQ(text(w, "Label21"), "0");
    EXPECT_EQ(text(w, "Label23"), "");

    click(w, "NavLast");  // sold a fractional quantity, never bought
    EXPECT_EQ(text(w, "Label21"), "-1.5");
    EXPECT_EQ(text(w, "Label23"), "-6");
    EXPECT_TRUE(dialogs_->errors().isEmpty());
}

TEST_P(RecordsTest, PartNumberLookUpLoadsTheExactPartOnly)
{
    exec("Insert Into Part (ID_Material, Number_Material, Color_Material) Values (1, 'short', '12')");
    exec("Insert Into Part (ID_Material, Number_Material, Color_Material) Values (2, 'long', '123')");
    TPart* w = open<TPart>();
    click(w, "Button2");
    setText(w, "Edit8", "12");
    qobject_cast<TPart*>(w)->Edit8Exit();
    EXPECT_EQ(text(w, "Label16"), "Other Match");
    EXPECT_EQ(text(w, "Edit1"), "1");  // not 123, which merely starts with 12
    EXPECT_EQ(text(w, "Edit7"), "short");

    click(w, "Button2");
    setText(w, "Edit7", "new one");
    setText(w, "Edit8", "99");
    // Leaving the box by keyboard runs the look-up too.
    find(w, "Edit8")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(text(w, "Label16"), "Not Match");
    EXPECT_EQ(text(w, "Edit1"), "3");
    EXPECT_EQ(text(w, "Edit7"), "new one");
}

TEST_P(RecordsTest, CustomerBalanceIsInvoicedMinusPaidByName)
{
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (1, 'Ann')");
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (2, 'Bo')");
    exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, Amount_Inv) Values (1, 'Ann', 100)");
    exec("Insert Into Invoice (InvoiceNo_Inv, CustomerName_Inv, Amount_Inv) Values (2, 'Ann', 50.5)");
    exec("Insert Into Estimate (InvoiceNo_Inv, CustomerName_Inv, Amount_Inv) Values (3, 'Ann', 999)");
    exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, Amount_Receivable) Values (1, 'Ann', 100)");

    TCustomer* w = open<TCustomer>();  // figures of the first row at show
    EXPECT_EQ(text(w, "Label15"), "150.5");
    EXPECT_EQ(text(w, "Label16"), "100");
    EXPECT_EQ(text(w, "Label18"), "50.5");
    EXPECT_EQ(w->grid()->model()->headerData(0, Qt::Horizontal).toString(), "No");
    EXPECT_EQ(w->grid()->model()->headerData(10, Qt::Horizontal).toString(), "Tel_Customer");

    clickRow(w->grid(), 1);
    EXPECT_EQ(text(w, "Edit2"), "Bo");
    EXPECT_EQ(text(w, "Label15"), "0");
    EXPECT_EQ(text(w, "Label16"), "0");
    EXPECT_EQ(text(w, "Label18"), "0");

    setText(w, "Edit6", "an");  // the search shows the found customer's figures
    EXPECT_EQ(text(w, "Edit2"), "Ann");
    EXPECT_EQ(text(w, "Label18"), "50.5");
}

TEST_P(RecordsTest, VendorTotalIsTheBilledSumAndNewProposesVendorDefaults)
{
    exec("Insert Into Company (ID_Company, Name_Company, State_Company) Values (1, 'Parts Co', 'NV')");
    exec("Insert Into Company (ID_Company, Name_Company) Values (2, 'Idle Inc')");
    exec("Insert Into Bill (Ref_Bill, Vendor_Bill, Amount_Bill) Values ('A1', 'Parts Co', 200)");
    exec("Insert Into Bill (Ref_Bill, Vendor_Bill, Amount_Bill) Values ('A2', 'Parts Co', 35.25)");
    exec("Insert Into Payable (BillNo_Payable, Name_Payable, Amount_Payable) Values ('A1', 'Parts Co', 200)");

    TCompany* w = open<TCompany>();
    EXPECT_EQ(text(w, "Label15"), "235.25");
    clickRow(w->grid(), 1);
    EXPECT_EQ(text(w, "Label15"), "");

    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "3");
    EXPECT_EQ(text(w, "ComboBox1"), "Vendor");
    EXPECT_EQ(text(w, "ComboBox2"), "Turlock");
    EXPECT_EQ(text(w, "ComboBox3"), "CA");
    auto* states = qobject_cast<QComboBox*>(find(w, "ComboBox3"));
    states->showPopup();
    states->hidePopup();
    EXPECT_TRUE(states->findText("NV") >= 0);
    EXPECT_EQ(states->currentText(), "CA");

    setText(w, "Edit2", "New Vendor");
    setText(w, "Edit11", "555-0100");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(dialogs_->messages(), QStringList{"Saved!"});
    EXPECT_EQ(scalar("Select Fax_Company From Company where ID_Company=3"), "555-0100");
    EXPECT_EQ(w->listQuery()->FieldByName("ID_Company").AsString(), "3");  // the grid shows it
    EXPECT_EQ(text(w, "Edit2"), "New Vendor");
}

TEST_P(RecordsTest, EmployeeDatesAreParsedOnceAndEmptyOnesStoreNull)
{
    TEmployee* w = open<TEmployee>();
    click(w, "Button2");
    const QDate today = QDate::currentDate();
    EXPECT_EQ(text(w, "Edit3"), kestrum::formatShortDate(today.addDays(-10000)));
    EXPECT_EQ(text(w, "Edit11"), kestrum::formatShortDate(today));
    EXPECT_EQ(text(w, "Edit12"), kestrum::formatShortDate(today.addDays(365)));
    EXPECT_EQ(text(w, "ComboBox2"), "San Jose");
    EXPECT_EQ(text(w, "ComboBox1"), "CA");

    qobject_cast<QDateEdit*>(find(w, "DateTimePicker2"))->setDate(QDate(2008, 3, 1));
    EXPECT_EQ(text(w, "Edit11"), "3/1/2008");
    setText(w, "Edit2", "Dee");
    setText(w, "Edit3", "10/14/1980");
    setText(w, "Edit12", "");
    dialogs_->answerYes();
    click(w, "Button1");
    ASSERT_EQ(dialogs_->messages(), QStringList{"Saved!"}) << dialogs_->last().toStdString();
    EXPECT_EQ(scalar("Select DOB_Employee From Employee where ID_Employee=1"), "10/14/1980");
    EXPECT_EQ(scalar("Select Start_Employee From Employee where ID_Employee=1"), "3/1/2008");
    EXPECT_EQ(scalar("Select Count(*) From Employee where End_Employee Is Null"), "1");
    EXPECT_EQ(text(w, "Edit2"), "Dee");  // the first row is back in the boxes

    dialogs_->clear();
    setText(w, "Edit11", "2/30/2026");
    setText(w, "ComboBox2", "Fresno");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->shown().size(), 1);
    EXPECT_TRUE(dialogs_->last().contains("Start Date")) << dialogs_->last().toStdString();
    EXPECT_EQ(scalar("Select City_Employee From Employee where ID_Employee=1"), "San Jose");
}

TEST_P(RecordsTest, LaborSaleFigureAndRateDefaults)
{
    exec("Insert Into Labor (ID_Labor, Description_Labor, Rate_Labor) Values (1, 'Oil change', 40)");
    exec("Insert Into InvLabor (Description_Labor, Amount_Labor, Inv_Labor) Values ('Oil change', 80, 1)");
    exec("Insert Into InvLabor (Description_Labor, Amount_Labor, Inv_Labor) Values ('Oil change', 45.5, 2)");
    exec("Insert Into EstimateLabor (Description_Labor, Amount_Labor, Inv_Labor) Values ('Oil change', 9, 3)");
    TLabor* w = open<TLabor>();
    clickRow(w->grid(), 0);
    EXPECT_EQ(text(w, "Label17"), "125.5");

    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "2");
    EXPECT_EQ(text(w, "Edit2"), "0.00");
    setText(w, "ComboBox1", "Tune-up");
    find(w, "Edit2")->setFocus();
    setText(w, "Edit2", "");
    find(w, "Edit3")->setFocus();
    EXPECT_EQ(text(w, "Edit2"), "0.00");
    setText(w, "Edit2", "");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(scalar("Select Rate_Labor From Labor where ID_Labor=2"), "0");
    EXPECT_EQ(text(w, "ComboBox1"), "Tune-up");  // the saved row is copied back
    clickRow(w->grid(), 1);
    EXPECT_EQ(text(w, "Label17"), "");

    // Cancel only puts the grid's row back into the boxes.
    setText(w, "Edit3", "scribble");
    click(w, "Button7");
    EXPECT_EQ(text(w, "Edit3"), "");
}

TEST_P(RecordsTest, TaxRatesKeepSixDecimalsAndTheMonthFindsItsRate)
{
    TTax* w = open<TTax>();
    click(w, "Button2");
    EXPECT_EQ(text(w, "Edit1"), "1");
    setText(w, "Edit2", "2007");
    setText(w, "Edit3", "1");
    setText(w, "Edit4", "6");
    setText(w, "Edit5", "0.072501");
    dialogs_->answerYes();
    click(w, "Button1");
    click(w, "Button2");
    setText(w, "Edit2", "2007");
    setText(w, "Edit3", "7");
    setText(w, "Edit4", "12");
    setText(w, "Edit5", "0.07375");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(dialogs_->messages(), QStringList({"Saved!", "Saved!"}));
    EXPECT_EQ(scalar("Select Tax_T From Tax where Id_T=1"), "0.072501");

    EXPECT_EQ(kestrum::records::taxRate(QDate(2007, 3, 15)), *Decimal::parse("0.072501"));
    EXPECT_EQ(kestrum::records::taxRate(QDate(2007, 7, 1)), *Decimal::parse("0.07375"));
    EXPECT_EQ(kestrum::records::taxRate(QDate(2008, 7, 1)), Decimal{});

    // An empty rate is refused, not stored as something.
    dialogs_->clear();
    setText(w, "Edit5", "");
    click(w, "Button1");
    ASSERT_EQ(dialogs_->shown().size(), 1);
    EXPECT_TRUE(dialogs_->last().contains("Tax"));

    // A Customers window re-running its queries does not change what the Tax grid shows.
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (1, 'Ann')");
    open<TCustomer>();
    EXPECT_EQ(w->listQuery()->FieldByName("Year_T").AsString(), "2007");
}

TEST_P(RecordsTest, ProfileUpdatesTheRegRowAndSaysSoWhenItIsMissing)
{
    QPointer<TProfile> w = open<TProfile>();
    setText(w, "Edit1", "Joe's Garage");
    setText(w, "Edit4", "O'Fallon");
    click(w, "Button2");
    EXPECT_EQ(scalar("Select Name_R From Reg where Id_R=1"), "Joe's Garage");
    EXPECT_EQ(scalar("Select City_R From Reg where Id_R=1"), "O'Fallon");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());  // saved and closed

    w = open<TProfile>();
    EXPECT_EQ(text(w, "Edit1"), "Joe's Garage");
    exec("Delete From Reg");
    click(w, "Button2");
    ASSERT_EQ(dialogs_->messages().size(), 1);
    EXPECT_TRUE(dialogs_->messages().first().contains("Nothing was saved"));
    EXPECT_FALSE(w.isNull());
}

TEST_P(RecordsTest, EveryWindowIsRegisteredAndSetsItsGlobalReference)
{
    kestrum::ui::WindowFactory::clear();
    kestrum::registerRecordWindows();
    for (const char* cls : {"TPart", "TCustomer", "TCompany", "TEmployee", "TLabor", "TTax", "TProfile"}) {
        QWidget* w = kestrum::ui::WindowFactory::create(cls);
        ASSERT_NE(w, nullptr) << cls;
        windows_.append(w);
        EXPECT_TRUE(w->inherits(cls));
    }
    EXPECT_FALSE(Part.isNull());
    EXPECT_FALSE(Profile.isNull());
    // The history browsers come with another module; until then the button says so.
    TPart* p = Part;
    p->show();
    click(p, "Button6");
    EXPECT_EQ(dialogs_->last(), kestrum::ui::notAvailableMessage());
    kestrum::ui::WindowFactory::clear();
}

TEST_P(RecordsTest, EmployeePickersOpenOnTheBoxDateAndAnyPickWritesIt)
{
    exec("Insert Into Employee (ID_Employee, Name_Employee, DOB_Employee) Values (1, 'Dee', ?)",
         {QDate(1980, 10, 14).startOfDay()});
    TEmployee* w = open<TEmployee>();
    ASSERT_EQ(text(w, "Edit3"), "10/14/1980");
    auto* dob = qobject_cast<QDateEdit*>(find(w, "DateTimePicker1"));
    EXPECT_EQ(dob->date(), QDate(1980, 10, 14));  // the stored date, not today
    setText(w, "Edit3", "2/3/1975");
    EXPECT_EQ(dob->date(), QDate(1975, 2, 3));
    EXPECT_EQ(text(w, "Edit3"), "2/3/1975");

    // Picking the very date the picker shows still writes the box.
    setText(w, "Edit12", "");
    auto* end = qobject_cast<QDateEdit*>(find(w, "DateTimePicker3"));
    EXPECT_EQ(end->date(), QDate::currentDate());
    ASSERT_TRUE(end->calendarWidget());
    emit end->calendarWidget()->clicked(end->date());
    EXPECT_EQ(text(w, "Edit12"), kestrum::formatShortDate(QDate::currentDate()));
    end->setDate(QDate(2030, 1, 31));
    EXPECT_EQ(text(w, "Edit12"), "1/31/2030");
}

TEST_P(RecordsTest, PartNumberLookUpWaitsForTheUserToMoveOnInsideTheWindow)
{
    exec("Insert Into Part (ID_Material, Number_Material, Color_Material) Values (1, 'short', '12')");
    exec("Insert Into Part (ID_Material, Number_Material, Color_Material) Values (2, 'long', '123')");
    TPart* w = open<TPart>();
    EXPECT_TRUE(find(w, "Label16")->isHidden());  // no empty coloured block
    click(w, "Button2");
    setText(w, "Edit7", "typed name");
    setText(w, "Edit8", "12");
    find(w, "Edit8")->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), find(w, "Edit8"));

    // A context menu and another window take the focus: the boxes stay as typed.
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(find(w, "Edit8"), &popup);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    other.setFocus();
    EXPECT_EQ(text(w, "Edit7"), "typed name");
    EXPECT_EQ(text(w, "Label16"), "");
    EXPECT_TRUE(find(w, "Label16")->isHidden());

    // Moving on to the next box of the window looks the number up.
    QApplication::setActiveWindow(w);
    find(w, "Edit8")->setFocus();
    find(w, "Edit9")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(text(w, "Label16"), "Other Match");
    EXPECT_FALSE(find(w, "Label16")->isHidden());
    EXPECT_EQ(text(w, "Edit1"), "1");
    EXPECT_EQ(text(w, "Edit7"), "short");
}

TEST_P(RecordsTest, TitleClickKeepsTheShownRecordTheHighlightedRow)
{
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (1, 'Zed')");
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (2, 'Amy')");
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (3, 'Moe')");
    TCustomer* w = open<TCustomer>();
    clickRow(w->grid(), 0);
    ASSERT_EQ(text(w, "Edit2"), "Zed");
    clickTitle(w->grid(), 1);  // by name: Zed goes last
    EXPECT_EQ(text(w, "Edit2"), "Zed");
    EXPECT_EQ(w->listQuery()->FieldByName("Name_Customer").AsString(), "Zed");
    EXPECT_EQ(w->grid()->currentIndex().row(), 2);
    // The figures and Save still belong to the record shown.
    setText(w, "Edit3", "555-0101");
    dialogs_->answerYes();
    click(w, "Button1");
    EXPECT_EQ(scalar("Select Tell_Customer From Customer where ID_Customer=1"), "555-0101");
    EXPECT_EQ(scalar("Select Count(*) From Customer where Tell_Customer='555-0101'"), "1");
}

TEST_P(RecordsTest, TitleClickOnALongListOpensAtTheShownRecordAndAClickOnTheSameTitleReadsNothing)
{
    {
        kestrum::Transaction t(dm_->database());
        // Names in the reverse order of the keys: the first customers sort to the end.
        for (int id = 1; id <= 700; ++id)
            exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)",
                 {id, QString("Name %1").arg(1000 - id)});
        t.commit();
    }
    TCustomer* w = open<TCustomer>();
    clickRow(w->grid(), 1);
    ASSERT_EQ(text(w, "Edit1"), "2");
    clickTitle(w->grid(), 1);
    EXPECT_EQ(w->grid()->currentIndex().row(), 698);
    EXPECT_EQ(w->grid()->model()->rowCount(), 700);
    EXPECT_EQ(w->listQuery()->FieldByName("Name_Customer").AsString(), "Name 998");
    EXPECT_EQ(w->grid()->model()->index(0, 1).data().toString(), "Name 300");
    EXPECT_EQ(text(w, "Edit2"), "Name 998");

    int statements = 0;
    kestrum::setStatementObserver([&](const QString&, double) { ++statements; });
    clickTitle(w->grid(), 1);
    kestrum::setStatementObserver({});
    EXPECT_EQ(statements, 0);
    EXPECT_EQ(w->grid()->currentIndex().row(), 698);
    EXPECT_EQ(w->sortColumn(), "Name_Customer");

    // Another record in the boxes: the same title brings it into view in the same order.
    w->setControlText("Edit1", "5");
    clickTitle(w->grid(), 1);
    EXPECT_EQ(w->grid()->currentIndex().row(), 695);
    EXPECT_EQ(w->listQuery()->FieldByName("ID_Customer").AsString(), "5");
    // Another title reorders and keeps that record.
    clickTitle(w->grid(), 0);
    EXPECT_EQ(w->grid()->currentIndex().row(), 4);
    EXPECT_EQ(w->listQuery()->FieldByName("ID_Customer").AsString(), "5");
}


namespace {
kestrum::TableHint declaredTable(const QString& name)
{
    const kestrum::schema::Table* t = kestrum::schema::findTable(name);
    if (!t)
        return {};
    kestrum::TableHint hint{t->key, {}, {}};
    for (const kestrum::schema::Column& c : t->columns)
        hint.columns << c.name;
    hint.folded = t->foldedSorts;
    hint.foldedExpression = kestrum::schema::foldedSortExpression;
    return hint;
}
}  // namespace

TEST_P(RecordsTest, EveryTitleAListSortsByIsReadFromAnIndexNotByASortOfTheTable)
{
    // Asked on an empty table with table scans ruled out: the plan a shop's 100,000 parts would get.
    const bool pg = GetParam() == testsupport::Engine::PostgreSQL;
    QSqlQuery q(dm_->database());
    if (pg)
        for (const char* off : {"SET enable_seqscan = off", "SET enable_bitmapscan = off", "SET enable_sort = off"})
            ASSERT_TRUE(q.exec(off));
    auto plan = [&](const QString& sql, const QVariantList& values) {
        EXPECT_TRUE(q.prepare((pg ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + sql)) << q.lastError().text().toStdString();
        for (const QVariant& v : values)
            q.addBindValue(v);
        EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString() << "\n" << sql.toStdString();
        QString text = sql + "\n";
        while (q.next())
            text += q.value(pg ? 0 : 3).toString() + "\n";
        return text;
    };
    // A whole sort of the table (SQLite's temporary tree, PostgreSQL's Sort; an Incremental Sort of
    // equal values is fine) or a read of the whole table.
    auto sortsTheTable = [&](const QString& text) {
        static const QRegularExpression sort("(^|->)\\s*Sort\\s+\\(|TEMP B-TREE|Seq Scan", QRegularExpression::MultilineOption);
        return sort.match(text).hasMatch();
    };
    // A seek or a count walks the index from its end when it has no range to start from.
    auto walks = [&](const QString& text) {
        static const QRegularExpression scan("^\\W*SCAN ", QRegularExpression::MultilineOption);
        return sortsTheTable(text) || scan.match(text).hasMatch();
    };
    const QList<QWidget*> windows{open<TPart>(), open<TCustomer>(), open<TCompany>(), open<TEmployee>(),
                                  open<TLabor>()};
    for (QWidget* w : windows) {
        const auto& spec = qobject_cast<kestrum::records::RecordWindow*>(w)->spec();
        for (const QString& field : spec.sortable) {
            // As a title click words it; the paging adds the key and a page's limit.
            auto keyset = kestrum::KeysetPlan::make(spec.listSql + " Order By " + field + " Nulls First, " + spec.keyColumn,
                                                    declaredTable, !pg, pg, pg);
            ASSERT_TRUE(keyset) << field.toStdString();
            const QString first = plan(keyset->edgeSql(false), {256});
            EXPECT_FALSE(sortsTheTable(first)) << field.toStdString() << ":\n" << first.toStdString();
            // The page before a row far down: from that row's value back, not from the list's end.
            for (bool leadNull : {false, true}) {
                QVariantList values;
                if (keyset->seekReadsRow())
                    values << 1;
                for (int i = keyset->rangeLookups(leadNull); i > 0; --i)
                    values << 1;
                const QString before = plan(keyset->seekSql(true, false, leadNull), values << 256);
                EXPECT_FALSE(walks(before)) << field.toStdString() << ":\n" << before.toStdString();
                // Inside a run of equal values the index starts at the row itself: value and key
                // together bound the index scan, they are not tested row by row after it.
                static const QRegularExpression pair("Index Cond: .*ROW\\(");
                if (pg && !leadNull && field != spec.keyColumn)
                    EXPECT_TRUE(pair.match(before).hasMatch()) << field.toStdString() << ":\n" << before.toStdString();
            }
            int repeats = 0;
            const QString position = plan(keyset->positionSql({false, false}, &repeats), {1});
            EXPECT_EQ(repeats, field == spec.keyColumn ? 1 : 3);
            EXPECT_FALSE(walks(position)) << field.toStdString() << ":\n" << position.toStdString();
        }
    }
}

// The Shop menu's windows on both engines: a vehicle's whole history under several spellings of
// its plate, and receivables aging against figures the test works out from its own invoices.
#include "WindowTest.h"

#include "AuxWindow.h"
#include "DataModule.h"
#include "Decimal.h"
#include "Format.h"
#include "ReceivablesAging.h"
#include "ReportPreview.h"
#include "ReportWindows.h"
#include "VehicleHistory.h"
#include "WindowFactory.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QTableView>

using kestrum::Decimal;

namespace {

Decimal dec(const char* text)
{
    return *Decimal::parse(QString::fromLatin1(text));
}

class ShopWindowsTest : public testsupport::WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        kestrum::registerReportWindows();
        // 8 % through 2024, 6 % for 2023's second half; nothing else.
        exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (1, 2024, 1, 12, 0.08)");
        exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (2, 2023, 7, 12, 0.06)");
    }
    void TearDown() override
    {
        kestrum::ui::destroyAuxWindows();
        WindowTest::TearDown();
        kestrum::ui::WindowFactory::clear();
    }
    void document(const QString& table, int number, const QString& customer, const QVariant& date, const QVariant& due,
                  bool taxable, const QString& vin, const QString& plate)
    {
        const bool archive = table == "InvoiceCash";
        exec("Insert Into " + table +
                 " (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv, InvoiceDate_Inv, DueDate_Inv, Vin_Inv, Plate_Inv,"
                 " Mileage_Inv" + (archive ? QString() : QStringLiteral(", Tax_Inv")) + ") Values (?, ?, ?, ?, ?, ?, ?, '9000'" +
                 (archive ? QString() : QStringLiteral(", ?")) + ")",
             archive ? QVariantList{number, false, customer, date, due, vin, plate}
                     : QVariantList{number, false, customer, date, due, vin, plate, taxable});
    }
    void part(const QString& table, int number, const QString& amount)
    {
        exec("Insert Into " + table + " (Inv_Item, Name_Item, Qty_Item, Rate_Item, Amount_Item) Values (?, 'Pad', 1, ?, ?)",
             {number, amount, amount});
    }
    void labor(const QString& table, int number, const QString& amount)
    {
        exec("Insert Into " + table +
                 " (Inv_Labor, Description_Labor, Qty_Labor, Rate_Labor, Amount_Labor) Values (?, 'Job', 1, ?, ?)",
             {number, amount, amount});
    }
    void pay(int number, const QString& amount, const QVariant& date)
    {
        exec("Insert Into Receivable (InvoiceNo_Receivable, Name_Receivable, Amount_Receivable, PayDate_Receivable)"
             " Values (?, 'x', ?, ?)",
             {number, amount, date});
    }
    static Decimal figure(kestrum::Query* q, int row, const QString& column)
    {
        return q->fieldAt(row, q->fieldIndex(column)).AsCurrency();
    }
};

}  // namespace

TEST_P(ShopWindowsTest, VehicleHistoryFindsEveryDocumentOfAPlateSpelledTwoWaysAndNoOtherVehicle)
{
    document("Invoice", 1, "Whitfield Hauling", QDate(2024, 3, 5), QDate(2024, 4, 5), true, "1FTX99", "KST 100");
    part("InvItem", 1, "100");
    labor("InvLabor", 1, "50");
    pay(1, "30", QDate(2024, 3, 9));
    document("Invoice", 2, "Whitfield Hauling", QDate(2024, 5, 1), QVariant(QMetaType(QMetaType::QDate)), false, "",
             "kst100");
    labor("InvLabor", 2, "75.5");
    document("Estimate", 5, "Whitfield Hauling", QDate(2024, 6, 2), QDate(2024, 6, 2), true, "", "Kst 1 00");
    part("EstimateItem", 5, "40");
    document("InvoiceCash", 9, "Old Owner", QDate(2023, 8, 1), QDate(2023, 8, 1), false, "", "KST100");
    part("InvItemCash", 9, "10");
    document("Invoice", 3, "Hill Farm", QDate(2024, 6, 9), QDate(2024, 6, 9), true, "2ABC", "ABC 200");
    document("Invoice", 4, "Percent Co", QDate(2024, 6, 9), QDate(2024, 6, 9), true, "", "K%T_100\\");

    auto* w = open<TVehicleHistory>();
    setText(w, "Edit2", " kst 100 ");
    click(w, "Button3");
    ASSERT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
    kestrum::Query* docs = w->documents();
    ASSERT_EQ(docs->RecordCount(), 4);
    QStringList found;
    for (int r = 0; r < 4; ++r)
        found << docs->fieldAt(r, docs->fieldIndex("Kind")).AsString() + " " +
                     docs->fieldAt(r, docs->fieldIndex("InvoiceNo_Inv")).AsString();
    EXPECT_EQ(found, (QStringList{"estimate 5", "invoice 2", "invoice 1", "archived 9"}));  // newest first

    // Invoice 1: parts 100, labor 50, tax 8 % of the parts, paid 30.
    EXPECT_EQ(figure(docs, 2, "Parts"), dec("100"));
    EXPECT_EQ(figure(docs, 2, "Labor"), dec("50"));
    EXPECT_EQ(figure(docs, 2, "Tax"), dec("8"));
    EXPECT_EQ(figure(docs, 2, "Total"), dec("158"));
    EXPECT_EQ(figure(docs, 2, "Paid"), dec("30"));
    EXPECT_EQ(figure(docs, 2, "Balance"), dec("128"));
    EXPECT_TRUE(docs->fieldAt(0, docs->fieldIndex("Balance")).IsNull());  // estimates owe nothing
    EXPECT_EQ(figure(docs, 0, "Tax"), dec("3.2"));
    // Money shows in the program's format.
    QAbstractItemModel* m = w->documentGrid()->model();
    EXPECT_EQ(static_cast<QStyledItemDelegate*>(w->documentGrid()->itemDelegateForColumn(13))->displayText(m->data(m->index(2, 13)), QLocale()), "128");
    EXPECT_EQ(static_cast<QStyledItemDelegate*>(w->documentGrid()->itemDelegateForColumn(9))->displayText(m->data(m->index(1, 9)), QLocale()), "75.5");

    // Selecting a row shows its lines, from the table of its kind.
    docs->SetRecNo(3);
    ASSERT_EQ(w->partLines()->RecordCount(), 1);
    EXPECT_EQ(w->partLines()->FieldByName("Amount_Item").AsCurrency(), dec("10"));
    docs->SetRecNo(1);
    EXPECT_EQ(w->partLines()->RecordCount(), 0);
    EXPECT_EQ(w->laborLines()->RecordCount(), 1);

    // By VIN, partly and in any case.
    setText(w, "Edit2", "");
    setText(w, "Edit1", "ftx");
    click(w, "Button3");
    ASSERT_EQ(docs->RecordCount(), 1);
    EXPECT_EQ(docs->FieldByName("InvoiceNo_Inv").AsInteger(), 1);

    // Wild cards and backslashes are letters like any other.
    setText(w, "Edit1", "");
    setText(w, "Edit2", "K%T_100\\");
    click(w, "Button3");
    ASSERT_EQ(docs->RecordCount(), 1);
    EXPECT_EQ(docs->FieldByName("InvoiceNo_Inv").AsInteger(), 4);
    setText(w, "Edit2", "K_T");
    click(w, "Button3");
    EXPECT_EQ(docs->RecordCount(), 0);

    // Printed through the report layer.
    setText(w, "Edit2", "KST100");
    click(w, "Button3");
    kestrum::report::ReportCapture capture;
    click(w, "Button2");
    ASSERT_EQ(capture.reports().size(), 1u);
}

TEST_P(ShopWindowsTest, VehicleLookUpFollowsEveryWriteOfTheDocumentsAndAnyLengthOfText)
{
    document("Invoice", 1, "Hill Farm", QDate(2024, 3, 5), QDate(2024, 3, 5), true, "1FTX 99", "ABC 123");
    document("Invoice", 2, "Quote Co", QDate(2024, 3, 6), QDate(2024, 3, 6), true, "", "O\"BR 1");
    auto* w = open<TVehicleHistory>();
    kestrum::Query* docs = w->documents();
    auto numbers = [&](const char* box, const QString& text) {
        for (const char* b : {"Edit1", "Edit2", "Edit3"})
            setText(w, b, "");
        setText(w, box, text);
        click(w, "Button3");
        EXPECT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
        QStringList out;
        for (int r = 0; r < docs->RecordCount(); ++r)
            out << docs->fieldAt(r, docs->fieldIndex("InvoiceNo_Inv")).AsString();
        return out;
    };
    EXPECT_EQ(numbers("Edit2", "c12"), QStringList{"1"});
    EXPECT_EQ(numbers("Edit2", "c1"), QStringList{"1"});  // shorter than any index entry
    EXPECT_EQ(numbers("Edit2", "3"), QStringList{"1"});
    EXPECT_EQ(numbers("Edit2", "o\"b"), QStringList{"2"});  // a quote is a letter too
    EXPECT_EQ(numbers("Edit1", "x99"), QStringList{"1"});

    // Saved over, renumbered, deleted and written again under the same number.
    exec("Update Invoice Set Plate_Inv = 'XYZ 789' where InvoiceNo_Inv = 1");
    EXPECT_TRUE(numbers("Edit2", "c12").isEmpty());
    EXPECT_EQ(numbers("Edit2", "z78"), QStringList{"1"});
    exec("Update Invoice Set InvoiceNo_Inv = 7 where InvoiceNo_Inv = 1");
    EXPECT_EQ(numbers("Edit2", "z78"), QStringList{"7"});
    exec("Delete From Invoice where InvoiceNo_Inv = 7");
    EXPECT_TRUE(numbers("Edit2", "z78").isEmpty());
    document("Invoice", 7, "Hill Farm", QDate(2024, 4, 5), QDate(2024, 4, 5), true, "", "QQQ 111");
    EXPECT_EQ(numbers("Edit2", "q111"), QStringList{"7"});
    EXPECT_TRUE(numbers("Edit2", "z78").isEmpty());
    // Moved to the archive as the archive does it: a copy, then the live row goes.
    exec("Insert Into InvoiceCash (InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, Plate_Inv, Kind_Inv)"
         " Select InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, Plate_Inv, 'invoice' From Invoice where InvoiceNo_Inv = 7");
    exec("Delete From Invoice where InvoiceNo_Inv = 7");
    ASSERT_EQ(numbers("Edit2", "q111"), QStringList{"7"});
    EXPECT_EQ(docs->FieldByName("Kind").AsString(), "archived");

    if (GetParam() == testsupport::Engine::SQLite) {
        // The look-up reads the trigram index, not every document.
        QVariantList values;
        const QString sql = kestrum::reports::vehicleDocumentsSql("", "q111", "", values);
        QSqlQuery plan(DM->database());
        plan.prepare("Explain Query Plan " + sql);
        for (const QVariant& v : values)
            plan.addBindValue(v);
        ASSERT_TRUE(plan.exec()) << plan.lastError().text().toStdString();
        QStringList steps;
        while (plan.next())
            steps << plan.value(3).toString();
        EXPECT_TRUE(steps.join('\n').contains("VehicleKey_Invoice VIRTUAL TABLE")) << steps.join('\n').toStdString();
        EXPECT_FALSE(steps.join('\n').contains("SCAN H")) << steps.join('\n').toStdString();
    }
}

TEST_P(ShopWindowsTest, AgingSplitsEachOpenBalanceByDaysPastDueAsOfTheDate)
{
    const QDate asOf(2024, 6, 30);
    struct Case {
        int number;
        const char* customer;
        int dueDaysAgo;  // -1: no due date (its invoice date counts), 40 days before as-of
        const char* parts;
        const char* labor;
        bool taxable;
        const char* paid;
    };
    const Case cases[] = {
        {1, "Acme", 0, "100", "0", true, "0"},           {2, "Acme", 30, "10", "5", false, "0"},
        {3, "Acme", 31, "20", "0", true, "7.5"},         {4, "Acme", 60, "0", "40", false, "0"},
        {5, "Acme", 61, "33.33", "0", true, "0"},        {6, "Acme", 90, "1", "1", false, "0"},
        {7, "Acme", 91, "200", "0", false, "150"},       {8, "Acme", -1, "12.5", "0", true, "0"},
        {9, "Bell", 10, "50", "0", false, "80"},          // overpaid: a credit
        {10, "Bell", 45, "60", "0", false, "60"},         // paid in full: not listed
        {11, "Cole, \"Jr\"", 120, "0", "99.99", false, "0"},
    };
    const char* const buckets[] = {"Current_Due", "Days_1_30", "Days_31_60", "Days_61_90", "Over_90"};
    std::map<QString, std::array<Decimal, 6>> expected;
    for (const Case& c : cases) {
        const QDate invoiceDate = c.dueDaysAgo < 0 ? asOf.addDays(-40) : asOf.addDays(-c.dueDaysAgo - 10);
        const QVariant due = c.dueDaysAgo < 0 ? QVariant(QMetaType(QMetaType::QDate)) : QVariant(asOf.addDays(-c.dueDaysAgo));
        document("Invoice", c.number, c.customer, invoiceDate, due, c.taxable, "", "");
        if (dec(c.parts) != Decimal())
            part("InvItem", c.number, c.parts);
        if (dec(c.labor) != Decimal())
            labor("InvLabor", c.number, c.labor);
        if (dec(c.paid) != Decimal())
            pay(c.number, c.paid, asOf.addDays(-1));
        const Decimal rate = invoiceDate.year() == 2024 ? dec("0.08") : dec("0.06");
        const Decimal total = (dec(c.parts) + dec(c.labor) + (c.taxable ? dec(c.parts) * rate : Decimal())).rounded(2);
        const Decimal balance = total - dec(c.paid);
        if (balance.isZero())
            continue;
        const int age = c.dueDaysAgo < 0 ? 40 : c.dueDaysAgo;
        const int bucket = age <= 0 ? 0 : age <= 30 ? 1 : age <= 60 ? 2 : age <= 90 ? 3 : 4;
        expected[c.customer][size_t(bucket)] += balance;
        expected[c.customer][5] += balance;
    }
    // After the date asked for: neither this invoice nor this payment counts.
    document("Invoice", 12, "Acme", asOf.addDays(1), asOf.addDays(1), false, "", "");
    labor("InvLabor", 12, "500");
    pay(1, "100", asOf.addDays(2));

    auto* w = open<TReceivablesAging>();
    EXPECT_EQ(text(w, "Edit1"), kestrum::formatShortDate(QDate::currentDate()));
    setText(w, "Edit1", kestrum::formatShortDate(asOf));
    click(w, "Button3");
    ASSERT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
    kestrum::Query* q = w->customers();
    ASSERT_EQ(q->RecordCount(), int(expected.size()));
    std::array<Decimal, 6> grand{};
    int row = 0;
    for (const auto& [name, figures] : expected) {
        EXPECT_EQ(q->fieldAt(row, 0).AsString(), name);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(figure(q, row, buckets[i]).rounded(2), figures[size_t(i)]) << name.toStdString() << " " << buckets[i];
        EXPECT_EQ(figure(q, row, "Total_Due").rounded(2), figures[5]);
        for (int i = 0; i < 6; ++i)
            grand[size_t(i)] += figures[size_t(i)];
        ++row;
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(w->totals()[size_t(i)].rounded(2), grand[size_t(i)]);
        EXPECT_EQ(text(w, QStringLiteral("Label%1").arg(i + 1)), kestrum::formatMoney(grand[size_t(i)]));
    }

    // Double-click on Acme: its open invoices with their age, oldest due first.
    w->showCustomer(0);
    kestrum::Query* open = w->invoices();
    ASSERT_EQ(open->RecordCount(), 8);
    EXPECT_EQ(open->fieldAt(0, 0).AsInteger(), 7);
    EXPECT_EQ(open->fieldAt(0, open->fieldIndex("Age")).AsInteger(), 91);
    EXPECT_EQ(open->fieldAt(7, 0).AsInteger(), 1);
    EXPECT_EQ(open->fieldAt(7, open->fieldIndex("Age")).AsInteger(), 0);
    EXPECT_EQ(figure(open, 0, "Balance"), dec("50"));

    // One customer only.
    setText(w, "ComboBox1", "Bell");
    click(w, "Button3");
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(figure(q, 0, "Total_Due"), dec("-30"));

    kestrum::report::ReportCapture capture;
    click(w, "Button2");
    ASSERT_EQ(capture.reports().size(), 1u);
}

// The aging reads kept figures per invoice: after payments are changed, moved or deleted, a
// header's tax flag is changed and a rate is edited after the payments, it still gives what the
// test works out itself from its own invoices and payments, as of a date some payments lie after.
TEST_P(ShopWindowsTest, AgingFollowsPaymentsMovedChangedOrDeletedAndRatesEditedAfterThem)
{
    const QDate asOf(2024, 6, 30);
    struct Inv {
        int number;
        const char* customer;
        QDate date, due;
        bool taxable;
        const char* parts;
        const char* labor;
    };
    std::vector<Inv> invoices{
        {21, "Dale", {2024, 5, 1}, {2024, 5, 31}, true, "100", "0"},   // 30 days past due
        {22, "Dale", {2024, 4, 1}, {2024, 4, 15}, false, "0", "40"},   // 76
        {23, "Erin", {2024, 6, 20}, {2024, 7, 20}, false, "0", "25"},  // not due yet
        {24, "Erin", {2024, 3, 1}, {2024, 3, 31}, true, "50", "0"},    // 91
        {25, "Erin", {2024, 6, 1}, {2024, 6, 15}, false, "0", "10"},   // 15
    };
    struct Payment {
        int number;
        const char* amount;
        QDate date;
    };
    std::vector<Payment> payments{{21, "50", {2024, 6, 10}}, {21, "58", {2024, 7, 5}}, {22, "40", {2024, 4, 20}},
                                  {24, "54", {2024, 4, 1}},  {25, "10", {2024, 6, 2}}};
    Decimal rate = dec("0.08");
    for (const Inv& i : invoices) {
        document("Invoice", i.number, i.customer, i.date, i.due, i.taxable, "", "");
        if (dec(i.parts) != Decimal())
            part("InvItem", i.number, i.parts);
        if (dec(i.labor) != Decimal())
            labor("InvLabor", i.number, i.labor);
    }
    for (const Payment& p : payments)
        pay(p.number, p.amount, p.date);

    auto* w = open<TReceivablesAging>();
    setText(w, "Edit1", kestrum::formatShortDate(asOf));
    const auto expectAging = [&](const char* after) {
        std::map<QString, std::array<Decimal, 6>> expected;
        for (const Inv& i : invoices) {
            Decimal paid;
            for (const Payment& p : payments)
                if (p.number == i.number && p.date <= asOf)
                    paid += dec(p.amount);
            const Decimal total =
                (dec(i.parts) + dec(i.labor) + (i.taxable ? dec(i.parts) * rate : Decimal())).rounded(2);
            if ((total - paid).isZero())
                continue;
            const qint64 age = i.due.daysTo(asOf);
            const int bucket = age <= 0 ? 0 : age <= 30 ? 1 : age <= 60 ? 2 : age <= 90 ? 3 : 4;
            expected[i.customer][size_t(bucket)] += total - paid;
            expected[i.customer][5] += total - paid;
        }
        click(w, "Button3");
        ASSERT_TRUE(dialogs_->errors().isEmpty()) << dialogs_->errors().join("\n").toStdString();
        kestrum::Query* q = w->customers();
        ASSERT_EQ(q->RecordCount(), int(expected.size())) << after;
        int row = 0;
        for (const auto& [name, figures] : expected) {
            EXPECT_EQ(q->fieldAt(row, 0).AsString(), name) << after;
            for (int i = 0; i < 6; ++i)
                EXPECT_EQ(q->fieldAt(row, i + 1).AsCurrency().rounded(2), figures[size_t(i)])
                    << after << ": " << name.toStdString() << " column " << i;
            ++row;
        }
    };
    expectAging("the first payments");

    exec("Update Receivable Set Amount_Receivable = 70 where InvoiceNo_Receivable = 21 And Amount_Receivable = 50");
    payments[0].amount = "70";
    expectAging("a payment's amount changed");

    exec("Update Receivable Set InvoiceNo_Receivable = 23 where InvoiceNo_Receivable = 22");
    payments[2].number = 23;
    expectAging("a payment moved to another invoice");

    exec("Delete From Receivable where InvoiceNo_Receivable = 25");
    payments.erase(payments.begin() + 4);
    expectAging("a payment deleted");

    // A payment dated after the date asked for is left out, one dated before it counts.
    exec("Update Receivable Set PayDate_Receivable = ? where InvoiceNo_Receivable = 24", {QDate(2024, 7, 1)});
    payments[3].date = QDate(2024, 7, 1);
    expectAging("a payment moved after the date");
    exec("Update Receivable Set PayDate_Receivable = ? where InvoiceNo_Receivable = 24", {QDate(2024, 4, 1)});
    payments[3].date = QDate(2024, 4, 1);
    expectAging("the payment moved back");

    // Rates are edited after the payments: the paid-up invoice 24 owes its new tax again.
    exec("Update Tax Set Tax_T = 0.1 where Id_T = 1");
    rate = dec("0.1");
    expectAging("the year's rate edited");

    exec("Update Invoice Set Tax_Inv = ? where InvoiceNo_Inv = 24", {false});
    invoices[3].taxable = false;
    expectAging("an invoice's tax flag cleared");

    exec("Delete From Tax where Id_T = 1");
    rate = Decimal();
    expectAging("the year's rate deleted");

    exec("Insert Into Tax (Id_T, Year_T, A_T, E_T, Tax_T) Values (3, 2024, 1, 12, 0.08)");
    rate = dec("0.08");
    expectAging("the year's rate entered again");
}

INSTANTIATE_TEST_SUITE_P(Engines, ShopWindowsTest, TESTSUPPORT_ENGINES);

// A list shown in a grid is read a page at a time by key; every way of reading it must give the
// same rows in the same order as reading the whole statement.
#include "Fixture.h"
#include "CountGate.h"
#include "QueryModel.h"
#include "TextRows.h"
#include "Transaction.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

// Few distinct names in mixed case, some NULL: runs of equal sort values cross page boundaries.
QVariant nameFor(int id) {
    static const QStringList names{"alpha", "Alpha", "beta", "BETA", "Gamma", "delta_1", "O'Neil", "zeta%"};
    if (id % 11 == 0) return {};
    return names[(id * 7) % names.size()];
}

class PagingTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ref_ = std::make_unique<kestrum::Query>(dm_->database(), QStringLiteral("Reference"));
    }
    void TearDown() override {
        ref_.reset();
        DataTest::TearDown();
    }

    void addCustomers(int from, int to) {
        kestrum::Transaction t(dm_->database());
        for (int id = from; id <= to; ++id)
            exec("Insert Into Customer (ID_Customer, Name_Customer, City_Customer) Values (?, ?, ?)",
                 {id, nameFor(id), QString("City %1").arg(id % 5)});
        t.commit();
    }

    static void open(kestrum::Query& q, const QString& sql, const QVariantList& values = {}) {
        q.Close();
        q.Clear();
        q.Add(sql);
        for (const QVariant& v : values) q.Bind(v);
        q.Open();
    }

    // Key and name of every row, read front to back.
    static QStringList rows(kestrum::Query& q) {
        QStringList out;
        const int key = 0, name = 1;
        for (int r = 0; r < q.RecordCount(); ++r)
            out << q.fieldAt(r, key).AsString() + "|" + q.fieldAt(r, name).AsString();
        return out;
    }
    // The same, read back to front with the dataset's own navigation.
    static QStringList rowsBackwards(kestrum::Query& q, const QString& key, const QString& name) {
        QStringList out;
        q.Last();
        while (q.RecNo() >= 0) {
            out.prepend(q.FieldByName(key).AsString() + "|" + q.FieldByName(name).AsString());
            q.Prior();  // at the first row it only sets Bof
            if (q.Bof()) break;
        }
        return out;
    }

    // Names in mixed case and accents, runs of equal ones, blanks and quotes; every `nullEvery`-th NULL.
    void addAccentedCustomers(int to, int nullEvery, QVariant (*cityOf)(int)) {
        static const QStringList names{"émile", "Émile", "EMILE", "zoë", "Zoe", "ÅSA", "åsa", "Ångström", "b", "B ",
                                       "",      "O'Neil", "ölund", "Zoe"};
        kestrum::Transaction t(dm_->database());
        for (int id = 1; id <= to; ++id)
            exec("Insert Into Customer (ID_Customer, Name_Customer, City_Customer) Values (?, ?, ?)",
                 {id, id % nullEvery == 0 ? QVariant() : QVariant(names[(id * 5) % names.size()]), cityOf(id)});
        t.commit();
    }

    // The statement read whole by a query no grid shows.
    QStringList whole(const QString& sql, const QVariantList& values = {}) {
        open(*ref_, sql, values);
        return rows(*ref_);
    }

    std::unique_ptr<kestrum::Query> ref_;
};

TEST_P(PagingTest, ARecordListGivesTheWholeStatementsRowsInEveryReadingOrder) {
    addCustomers(1, 700);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    open(q, "Select ID_Customer, Name_Customer, City_Customer From Customer");
    ASSERT_TRUE(q.paged());
    EXPECT_EQ(model.rowCount(), 700);  // the scroll bar knows every row at once
    EXPECT_LE(q.heldRows(), 256);

    const QStringList expected = whole("Select ID_Customer, Name_Customer, City_Customer From Customer Order By ID_Customer");
    ASSERT_EQ(expected.size(), 700);
    EXPECT_EQ(rows(q), expected);
    open(q, "Select ID_Customer, Name_Customer, City_Customer From Customer");
    EXPECT_EQ(rowsBackwards(q, "ID_Customer", "Name_Customer"), expected);

    // Jumps anywhere (scroll bar dragged), then the neighbours of each.
    open(q, "Select ID_Customer, Name_Customer, City_Customer From Customer");
    QRandomGenerator rng(7);
    for (int i = 0; i < 40; ++i) {
        const int r = int(rng.bounded(700));
        ASSERT_EQ(model.data(model.index(r, 0)).toString() + "|" + model.data(model.index(r, 1)).toString(),
                  expected[r])
            << r;
    }
    EXPECT_LE(q.heldRows(), 8 * 256);  // a bounded number of pages

    // What a grid would write out: the shown order in one statement.
    open(*ref_, q.shownOrderSql());
    EXPECT_EQ(rows(*ref_), expected);
}

TEST_P(PagingTest, TitleSortsAndClientSortsKeepEqualValuesInKeyOrderAcrossPages) {
    addCustomers(1, 700);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);

    // The record windows' title click: the database sorts, NULL first, ties by key.
    const QString byName =
        "Select ID_Customer, Name_Customer, City_Customer From Customer Order By Name_Customer Nulls First, ID_Customer";
    open(q, byName);
    ASSERT_TRUE(q.paged());
    const QStringList expected = whole(byName);
    EXPECT_EQ(rows(q), expected);
    open(q, byName);
    EXPECT_EQ(rowsBackwards(q, "ID_Customer", "Name_Customer"), expected);

    // Worked out here too: case ignored, NULL first, equal names by key.
    QList<int> ids;
    for (int id = 1; id <= 700; ++id) ids << id;
    std::stable_sort(ids.begin(), ids.end(), [](int a, int b) {
        const QVariant x = nameFor(a), y = nameFor(b);
        if (x.isNull() || y.isNull()) return x.isNull() && !y.isNull();
        return x.toString().compare(y.toString(), Qt::CaseInsensitive) < 0;
    });
    QStringList mine;
    for (int id : ids) mine << QString::number(id) + "|" + nameFor(id).toString();
    EXPECT_EQ(expected, mine);

    // The dataset's own Sort is the client's stable sort; paged, the database must agree with it.
    const QString plain = "Select ID_Customer, Name_Customer, City_Customer From Customer Order By City_Customer Desc, ID_Customer";
    open(q, plain);
    open(*ref_, plain);
    EXPECT_EQ(rows(q), rows(*ref_));
    q.SetSort("name_customer");
    ref_->SetSort("name_customer");
    EXPECT_EQ(rows(q), rows(*ref_));
    EXPECT_EQ(model.rowCount(), 700);
    q.SetSort("");
    ref_->SetSort("");
    EXPECT_EQ(rows(q), rows(*ref_));
    EXPECT_THROW(q.SetSort("Nope"), kestrum::DatabaseError);
}

TEST_P(PagingTest, LocateAsksTheDatabaseAndLandsWhereReadingTheWholeListWould) {
    addCustomers(1, 1500);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    const QString byName = "Select * From Customer Order By Name_Customer Nulls First, ID_Customer";
    open(q, byName);
    open(*ref_, byName);
    ASSERT_TRUE(q.paged());
    struct Case {
        QString column, text;
        bool partial;
    };
    const QList<Case> cases{{"Name_Customer", "be", true},       {"Name_Customer", "GAMMA", false},
                            {"Name_Customer", "delta_", true},   {"Name_Customer", "zeta%", false},
                            {"Name_Customer", "o'n", true},      {"Name_Customer", "alp", false},
                            {"ID_Customer", "1499", false},      {"ID_Customer", "14", true},
                            {"ID_Customer", "0014", false},      {"City_Customer", "city 3", false},
                            {"Name_Customer", "Öl", true},       {"Name_Customer", "", true},
                            {"ID_Customer", "99999", false},     {"Name_Customer", "O'N", true},
                            {"Name_Customer", "bEt", true},      {"Name_Customer", "ZETA%", false},
                            {"Name_Customer", "zz", true},       {"Name_Customer", "ZET", true},
                            {"Name_Customer", "g", true},        {"Name_Customer", "Delta_", true}};
    for (const Case& c : cases) {
        const bool found = q.Locate(c.column, c.text, c.partial);
        EXPECT_EQ(found, ref_->Locate(c.column, c.text, c.partial)) << c.text.toStdString();
        if (!found) continue;
        EXPECT_EQ(q.RecNo(), ref_->RecNo()) << c.text.toStdString();
        EXPECT_EQ(q.FieldByName("ID_Customer").AsString(), ref_->FieldByName("ID_Customer").AsString());
    }
    // The last row, found by key, is read with the rows around it, not after all before it.
    open(q, byName);
    ASSERT_TRUE(q.Locate("ID_Customer", "1496", false));
    EXPECT_LE(q.heldRows(), 2 * 256);
    EXPECT_EQ(model.data(model.index(q.RecNo() - 1, 0)).toString(), ref_->fieldAt(q.RecNo() - 1, 0).AsString());
}

TEST_P(PagingTest, InsertsAndDeletesShowAfterAReloadAndAFilteredListPagesOnlyItsRows) {
    addCustomers(1, 600);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    const QString byName = "Select * From Customer Order By Name_Customer Nulls First, ID_Customer";
    open(q, byName);
    (void)rows(q);
    exec("Delete From Customer where ID_Customer Between ? And ?", {250, 270});
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5000, "alpha"});
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5001, QVariant()});
    open(q, byName);
    EXPECT_EQ(model.rowCount(), 600 - 21 + 2);
    EXPECT_EQ(rows(q), whole(byName));
    open(q, byName);
    EXPECT_EQ(rowsBackwards(q, "ID_Customer", "Name_Customer"), whole(byName));

    // The invoice list: bound filter, its own order, then a client-style sort by name.
    {
        kestrum::Transaction t(dm_->database());
        for (int n = 1; n <= 900; ++n)
            exec("Insert Into Invoice (InvoiceNo_Inv, Paid_Inv, CustomerName_Inv) Values (?, ?, ?)",
                 {n, n % 3 == 0, nameFor(n)});
        t.commit();
    }
    kestrum::Query& inv = *dm_->QInv1;
    kestrum::QueryModel invoices(&inv);
    const QString list = "Select InvoiceNo_Inv, CustomerName_Inv, Paid_Inv From Invoice where Paid_Inv=? Order By InvoiceNo_Inv";
    open(inv, list, {false});
    open(*ref_, list, {false});
    ASSERT_TRUE(inv.paged());
    EXPECT_EQ(inv.RecordCount(), 600);
    EXPECT_EQ(rows(inv), rows(*ref_));
    inv.SetSort("CustomerName_Inv");
    ref_->SetSort("CustomerName_Inv");
    EXPECT_EQ(rowsBackwards(inv, "InvoiceNo_Inv", "CustomerName_Inv"),
              rowsBackwards(*ref_, "InvoiceNo_Inv", "CustomerName_Inv"));
    ASSERT_TRUE(inv.Locate("InvoiceNo_Inv", "899", false));
    ASSERT_TRUE(ref_->Locate("InvoiceNo_Inv", "899", false));
    EXPECT_EQ(inv.RecNo(), ref_->RecNo());
    EXPECT_FALSE(inv.Locate("InvoiceNo_Inv", "900", false));  // paid: not in this list

    // A finder's search: a filter with an expression, sorted by a column with many equal values.
    const QString finder = "Select City_Customer, Name_Customer, ID_Customer From Customer "
                           "where Lower(Name_Customer) Like ? Order By City_Customer Nulls First";
    open(q, finder, {"%a%"});
    ASSERT_TRUE(q.paged());
    open(*ref_, q.shownOrderSql(), {"%a%"});
    const QStringList shown = rows(*ref_);
    EXPECT_GT(shown.size(), 256);
    EXPECT_EQ(rows(q), shown);
    open(q, finder, {"%a%"});
    EXPECT_EQ(rowsBackwards(q, "City_Customer", "Name_Customer"), shown);  // key and name: columns 0 and 1

    // Statements beyond one table are read whole, as before.
    open(inv, "Select InvoiceNo_Inv, Count(*) From Invoice Group By InvoiceNo_Inv");
    EXPECT_FALSE(inv.paged());
    open(inv, "Select CustomerName_Inv From Invoice");  // no key among the columns
    EXPECT_FALSE(inv.paged());
}

TEST_P(PagingTest, RowsFoundByKeyReadTheirNeighboursAcrossTheEmptyValuesInEveryOrder) {
    // A row found by key has its page read before and after it; the reads keep to its side of the
    // empty values and fetch the rest from the other side, in each order a list may have.
    addCustomers(1, 1200);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    const QStringList orders{"Name_Customer Nulls First, ID_Customer", "Name_Customer Nulls Last, ID_Customer",
                             "Name_Customer Desc Nulls First, ID_Customer", "Name_Customer Desc Nulls Last, ID_Customer",
                             "Name_Customer, ID_Customer Desc", "City_Customer Desc, Name_Customer, ID_Customer"};
    // Rows with and without a name, near the ends and in the middle of the list.
    const QStringList keys{"11", "1199", "1100", "600", "605", "1", "2", "77"};
    for (const QString& order : orders) {
        const QString sql = "Select ID_Customer, Name_Customer, City_Customer From Customer Order By " + order;
        const QStringList expected = whole(sql);
        ASSERT_EQ(expected.size(), 1200);
        for (const QString& key : keys) {
            open(q, sql);
            ASSERT_TRUE(q.paged());
            ASSERT_TRUE(q.Locate("ID_Customer", key, false)) << order.toStdString() << " " << key.toStdString();
            const int at = q.RecNo();
            ASSERT_EQ(expected.indexOf(QRegularExpression(key + "\\|.*")), at) << order.toStdString() << " " << key.toStdString();
            // Both ways from there, a page and more, through the grid's model.
            for (int r = std::max(0, at - 300); r < std::min(1200, at + 300); ++r)
                ASSERT_EQ(model.data(model.index(r, 0)).toString() + "|" + model.data(model.index(r, 1)).toString(),
                          expected[r])
                    << order.toStdString() << ", found " << key.toStdString() << ", row " << r;
            EXPECT_LE(q.heldRows(), 8 * 256);
        }
        // A search by name lands on the first match in this order.
        open(q, sql);
        open(*ref_, sql);
        for (const QString& text : QStringList{"gam", "Beta", "zeta%"}) {
            const bool partial = text == QLatin1String("gam");
            ASSERT_EQ(q.Locate("Name_Customer", text, partial), ref_->Locate("Name_Customer", text, partial));
            EXPECT_EQ(q.RecNo(), ref_->RecNo()) << order.toStdString() << " " << text.toStdString();
            EXPECT_EQ(model.data(model.index(q.RecNo() - 1, 0)).toString(), ref_->fieldAt(q.RecNo() - 1, 0).AsString());
        }
    }
}

TEST_P(PagingTest, AStreamOfAPagedListIsTheWholeStatementReadInChunksByKey) {
    // Streams read by key in chunks (here of 1,000 rows): runs of equal and empty names cross them.
    addCustomers(1, 4500);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);  // a list shown in a grid
    for (const QString& order : {QStringLiteral("ID_Customer"), QStringLiteral("Name_Customer, ID_Customer"),
                                 QStringLiteral("Name_Customer Desc Nulls Last, ID_Customer"),
                                 QStringLiteral("City_Customer Desc, Name_Customer, ID_Customer")}) {
        const QString sql = "Select ID_Customer, Name_Customer, City_Customer From Customer Order By " + order;
        const QStringList expected = whole(sql);
        open(q, sql);
        ASSERT_TRUE(q.paged()) << order.toStdString();
        QStringList streamed;
        q.streamRows(
            [&](const std::vector<QVariant>& row) {
                streamed << row[0].toString() + "|" + row[1].toString();
                return true;
            },
            1000);
        EXPECT_EQ(streamed, expected) << order.toStdString();
        EXPECT_LE(q.heldRows(), 256);  // the list itself read nothing more
        int seen = 0;
        q.streamRows([&](const std::vector<QVariant>&) { return ++seen < 3000; }, 1000);
        EXPECT_EQ(seen, 3000);

        // Read as the server's text (PostgreSQL; SQLite reads nothing and says so): the same rows,
        // each value equal to the stream's, blocks and chunks crossing each other.
        QStringList asText;
        const bool read = q.streamText(
            [&](const kestrum::TextRow& row) {
                const std::string_view name = row.text(1);
                EXPECT_EQ(row.isNull(1), row.value(1).isNull());
                EXPECT_EQ(QString::fromUtf8(name.data(), qsizetype(name.size())), row.value(1).toString());
                asText << row.value(0).toString() + "|" + row.value(1).toString();
                return true;
            },
            1000);
        EXPECT_EQ(read, GetParam() == testsupport::Engine::PostgreSQL);
        EXPECT_EQ(asText, read ? expected : QStringList()) << order.toStdString();
        seen = 0;
        q.streamText([&](const kestrum::TextRow&) { return ++seen < 3000; }, 1000);
        EXPECT_EQ(seen, read ? 3000 : 0);
    }
}

TEST_P(PagingTest, AFoldedTitleSortCountsAndReadsTheRowsAsTheWholeStatementThroughInsertsAndDeletes) {
    // The long lists' text columns are ordered, sought and counted as folded text on PostgreSQL
    // (by their index of lower-case text): the same rows in the same places as citext's own order.
    addAccentedCustomers(900, 9, [](int) { return QVariant(QStringLiteral("C")); });
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    const QStringList orders{"Name_Customer Nulls First, ID_Customer", "Name_Customer Desc Nulls Last, ID_Customer"};
    auto check = [&](const QString& when) {
        for (const QString& order : orders) {
            const QString sql = "Select ID_Customer, Name_Customer, City_Customer From Customer Order By " + order;
            const QStringList expected = whole(sql);
            open(q, sql);
            ASSERT_TRUE(q.paged());
            ASSERT_EQ(model.rowCount(), expected.size());
            // Rows found by key land where the whole statement has them, each run of equal names
            // (case and accents aside) in key order, the NULLs at their end, neighbours across pages.
            for (int i = 0; i < expected.size(); i += 23) {
                const QString key = expected[i].section(u'|', 0, 0);
                ASSERT_TRUE(q.Locate("ID_Customer", key, false)) << when.toStdString() << " " << key.toStdString();
                ASSERT_EQ(q.RecNo(), i) << when.toStdString() << " " << order.toStdString() << " " << key.toStdString();
                for (int r = std::max(0, i - 3); r < std::min(int(expected.size()), i + 260); r += 37)
                    ASSERT_EQ(model.data(model.index(r, 0)).toString() + "|" + model.data(model.index(r, 1)).toString(),
                              expected[r])
                        << when.toStdString() << " " << order.toStdString() << " row " << r;
            }
            EXPECT_EQ(rowsBackwards(q, "ID_Customer", "Name_Customer"), expected) << when.toStdString();
            // A search typed into the sorted column starts at the first match in this order.
            open(*ref_, sql);
            for (const QString& text : {QStringLiteral("zo"), QStringLiteral("EMI"), QStringLiteral("b "), QStringLiteral("o'")}) {
                ASSERT_EQ(q.Locate("Name_Customer", text, true), ref_->Locate("Name_Customer", text, true)) << text.toStdString();
                EXPECT_EQ(q.RecNo(), ref_->RecNo()) << when.toStdString() << " " << order.toStdString() << " " << text.toStdString();
            }
        }
    };
    check("as made");
    exec("Delete From Customer where ID_Customer Between ? And ?", {100, 180});
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5000, "ZOË"});
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5001, QVariant()});
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5002, "åSA"});
    check("after inserts and deletes");
}

TEST_P(PagingTest, OpeningAtARowLandsWhereOpenAndLocateWouldAndReadsOnlyThePageAroundIt) {
    // A title click keeps its record in view: the list opens at that row with its place and count
    // from the database, every other row still where the whole statement has it.
    addAccentedCustomers(1300, 13, [](int id) {
        return id % 7 == 0 ? QVariant() : QVariant(QString("City %1").arg(id % 3));
    });
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    QItemSelectionModel selection(&model);
    model.followSelection(&selection);
    const QStringList orders{"Name_Customer Nulls First, ID_Customer", "Name_Customer Desc Nulls Last, ID_Customer",
                             "City_Customer Nulls First, ID_Customer", "ID_Customer"};
    auto check = [&](const QString& when) {
        for (const QString& order : orders) {
            const QString sql = "Select ID_Customer, Name_Customer, City_Customer From Customer Order By " + order;
            const QStringList expected = whole(sql);
            QList<int> places{0, 1, 255, 256, 257, int(expected.size()) - 1};
            for (int i = 3; i < expected.size(); i += 89) places << i;
            for (int at : places) {
                const qint64 key = expected[at].section(u'|', 0, 0).toLongLong();
                q.setStatement(sql);
                ASSERT_TRUE(q.OpenAt("ID_Customer", key)) << when.toStdString() << " " << key;
                ASSERT_TRUE(q.paged());
                ASSERT_EQ(q.RecNo(), at) << when.toStdString() << " " << order.toStdString() << " " << key;
                EXPECT_EQ(q.FieldByName("ID_Customer").AsInteger(), key);
                EXPECT_EQ(model.rowCount(), expected.size());
                EXPECT_EQ(selection.currentIndex().row(), at);
                EXPECT_LE(q.heldRows(), 256) << "only the page around the row is read";
                EXPECT_FALSE(q.Bof());
                EXPECT_FALSE(q.Eof());
                // Its neighbours across the page boundaries, both ways.
                for (int r = std::max(0, at - 270); r < std::min(int(expected.size()), at + 270); r += 29)
                    ASSERT_EQ(model.data(model.index(r, 0)).toString() + "|" + model.data(model.index(r, 1)).toString(),
                              expected[r])
                        << when.toStdString() << " " << order.toStdString() << " at " << at << " row " << r;
            }
            // Read from there to the end and back: the whole statement.
            q.setStatement(sql);
            ASSERT_TRUE(q.OpenAt("ID_Customer", expected[700].section(u'|', 0, 0).toLongLong()));
            EXPECT_EQ(rowsBackwards(q, "ID_Customer", "Name_Customer"), expected) << when.toStdString();
            q.setStatement(sql);
            ASSERT_TRUE(q.OpenAt("ID_Customer", expected[700].section(u'|', 0, 0).toLongLong()));
            EXPECT_EQ(rows(q), expected) << when.toStdString();
            // No row has the key: opened at the first row, as Open and a failed Locate leave it.
            q.setStatement(sql);
            EXPECT_FALSE(q.OpenAt("ID_Customer", 99999));
            EXPECT_EQ(q.RecNo(), 0);
            EXPECT_EQ(model.rowCount(), expected.size());
            EXPECT_EQ(q.FieldByName("ID_Customer").AsString(), expected[0].section(u'|', 0, 0));
        }
    };
    check("as made");
    exec("Delete From Customer where ID_Customer Between ? And ?", {200, 260});
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5000, "ZOË"});
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5001, QVariant()});
    exec("Insert Into Customer (ID_Customer, Name_Customer, City_Customer) Values (?, ?, ?)", {5002, "alpha", "City 1"});
    check("after inserts and deletes");

    // A grouped list is not paged: it opens and locates as before.
    kestrum::Query& other = *dm_->QInv1;
    other.setStatement("Select Name_Customer, Count(*) From Customer Group By Name_Customer");
    EXPECT_FALSE(other.OpenAt("Name_Customer", 1));
    EXPECT_FALSE(other.paged());
    EXPECT_TRUE(other.Active());
}

INSTANTIATE_TEST_SUITE_P(Engines, PagingTest, TESTSUPPORT_ENGINES);

// A count that follows the first page: held back at a gate until the test opens it.
class CountFollowsTest : public PagingTest {
protected:
    void SetUp() override {
        PagingTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        gate_.emplace();
    }
    void TearDown() override {
        gate_.reset();
        PagingTest::TearDown();
    }
    // Lets the held counts run, waits until the query has its count, and holds the next ones.
    void release(kestrum::Query& q) {
        gate_->open();
        for (int i = 0; i < 200 && q.countPending(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
        gate_->hold();
    }

    std::optional<testsupport::CountGate> gate_;
};

TEST_P(CountFollowsTest, TheFirstPageShowsAtOnceAndTheListGrowsUnderTheCurrentRowWhenCounted) {
    addCustomers(1, 700);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    QItemSelectionModel selection(&model);
    model.followSelection(&selection);
    q.setCountFollows(true);
    const QString sql = "Select ID_Customer, Name_Customer, City_Customer From Customer Order By Name_Customer, ID_Customer";
    open(q, sql);
    ASSERT_TRUE(q.paged());
    EXPECT_TRUE(q.countPending());
    EXPECT_EQ(model.rowCount(), 256);
    EXPECT_TRUE(model.canFetchMore());
    ASSERT_TRUE(q.SetRecNo(200));
    const QString current = q.FieldByName("ID_Customer").AsString();

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    release(q);
    EXPECT_FALSE(q.countPending());
    EXPECT_EQ(model.rowCount(), 700);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0].value(1).toInt(), 256);
    EXPECT_EQ(inserted[0].value(2).toInt(), 699);
    EXPECT_TRUE(reset.isEmpty());  // the grid keeps its place
    EXPECT_EQ(q.RecNo(), 200);
    EXPECT_EQ(q.FieldByName("ID_Customer").AsString(), current);
    EXPECT_EQ(selection.currentIndex().row(), 200);
    EXPECT_EQ(rows(q), whole(sql));

    // A short list has nothing to count.
    open(q, "Select ID_Customer, Name_Customer From Customer where ID_Customer <= ?", {100});
    EXPECT_FALSE(q.countPending());
    EXPECT_EQ(model.rowCount(), 100);
}

TEST_P(CountFollowsTest, RowsWrittenBeforeTheCountRunsAreCountedAndShownInOrder) {
    addCustomers(1, 700);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    q.setCountFollows(true);
    const QString sql = "Select ID_Customer, Name_Customer From Customer";
    open(q, sql);
    ASSERT_TRUE(q.countPending());
    // Past the first page: rows go and come while the count waits.
    exec("Delete From Customer where ID_Customer Between ? And ?", {400, 419});
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5000, "alpha"});
    release(q);
    EXPECT_EQ(model.rowCount(), 681);
    EXPECT_EQ(rows(q), whole(sql + " Order By ID_Customer"));

    // Fewer rows than the first page held: the rows read stay under the grid until it reloads.
    open(q, sql);
    ASSERT_TRUE(q.countPending());
    exec("Delete From Customer where ID_Customer > ?", {100});
    release(q);
    EXPECT_FALSE(q.countPending());
    EXPECT_EQ(model.rowCount(), 256);
    EXPECT_EQ(model.data(model.index(255, 0)).toString(), "256");
    open(q, sql);
    EXPECT_EQ(model.rowCount(), 100);
}

TEST_P(CountFollowsTest, LastOrARowPastTheFirstPageBeforeTheCountCountsAtOnceAndTheLateCountIsDropped) {
    addCustomers(1, 700);
    kestrum::Query& q = *dm_->QCustomer1;
    kestrum::QueryModel model(&q);
    q.setCountFollows(true);
    const QString sql = "Select ID_Customer, Name_Customer, City_Customer From Customer Order By City_Customer, ID_Customer";
    const QStringList expected = whole(sql);
    open(q, sql);
    ASSERT_TRUE(q.countPending());
    q.Last();
    EXPECT_FALSE(q.countPending());
    EXPECT_EQ(q.RecNo(), 699);
    EXPECT_EQ(model.rowCount(), 700);
    EXPECT_EQ(q.FieldByName("ID_Customer").AsString() + "|" + q.FieldByName("Name_Customer").AsString(),
              expected.last());
    // The background count, run after another row came, is not taken: the list was counted.
    exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5000, "alpha"});
    release(q);
    EXPECT_EQ(model.rowCount(), 700);
    EXPECT_EQ(q.RecNo(), 699);

    // Walking past the first page, and a locate beyond it, count too.
    open(q, sql);
    ASSERT_TRUE(q.countPending());
    ASSERT_TRUE(q.SetRecNo(255));
    q.Next();
    EXPECT_FALSE(q.Eof());
    EXPECT_EQ(q.RecNo(), 256);
    EXPECT_EQ(model.rowCount(), 701);
    open(q, sql);
    ASSERT_TRUE(q.countPending());
    ASSERT_TRUE(q.Locate("ID_Customer", "699", false));  // "City 4": among the last rows
    EXPECT_FALSE(q.countPending());
    EXPECT_GT(q.RecNo(), 256);
    EXPECT_EQ(q.FieldByName("Name_Customer").AsString(), nameFor(699).toString());
    EXPECT_EQ(q.RecordCount(), 701);

    // Inside a transaction the count is this connection's own, at once.
    {
        kestrum::Transaction t(dm_->database());
        exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {5001, "beta"});
        open(q, sql);
        EXPECT_FALSE(q.countPending());
        EXPECT_EQ(model.rowCount(), 702);
    }  // not committed
    open(q, sql);
    release(q);
    EXPECT_EQ(model.rowCount(), 701);
}

INSTANTIATE_TEST_SUITE_P(Engines, CountFollowsTest, TESTSUPPORT_ENGINES);


}  // namespace

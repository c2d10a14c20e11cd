// Client-side sort, locate and navigation; the grid model's lazy loading; the transaction guard.
#include "Fixture.h"
#include "QueryModel.h"
#include "Transaction.h"

#include <QItemSelectionModel>
#include <QSignalSpy>

namespace {

class PoolTest : public DataTest {
protected:
    void addCustomers(const QList<std::pair<int, QString>>& rows) {
        for (const auto& [id, name] : rows)
            exec("Insert Into Customer (ID_Customer, Name_Customer) Values (?, ?)", {id, name});
    }
    kestrum::Query& openAll(kestrum::Query& q, const QString& sql) {
        q.Clear();
        q.Add(sql);
        q.Open();
        return q;
    }
    QStringList column(kestrum::Query& q, const QString& name) {
        QStringList out;
        for (q.First(); !q.Eof(); q.Next()) out << q.FieldByName(name).AsString();
        return out;
    }
};

TEST_P(PoolTest, SortIsStableTypeAwareAndLocateFindsPrefixesWithoutCase) {
    addCustomers({{9, "beta"}, {10, "Alpha"}, {2, "alpha"}, {100, "Gamma"}, {3, "O'Neil"}});
    exec("Insert Into Customer (ID_Customer) Values (?)", {50});  // NULL name sorts first
    kestrum::Query& q = openAll(*dm_->QCustomer2, "Select * From Customer Order By ID_Customer");
    q.SetSort("ID_Customer");
    EXPECT_EQ(column(q, "ID_Customer"), QStringList({"2", "3", "9", "10", "50", "100"}));
    q.SetSort("name_customer");
    EXPECT_EQ(column(q, "Name_Customer"), QStringList({"", "alpha", "Alpha", "beta", "Gamma", "O'Neil"}));
    q.Last();
    EXPECT_EQ(q.FieldByName("ID_Customer").AsInteger(), 3);
    EXPECT_EQ(q.RecordCount(), 6);

    EXPECT_TRUE(q.Locate("Name_Customer", "o'n", true));
    EXPECT_EQ(q.FieldByName("ID_Customer").AsInteger(), 3);
    EXPECT_TRUE(q.Locate("Name_Customer", "ALPHA", false));
    EXPECT_EQ(q.FieldByName("ID_Customer").AsInteger(), 2);  // first in the sorted order
    EXPECT_FALSE(q.Locate("Name_Customer", "alp", false));
    EXPECT_FALSE(q.Locate("Name_Customer", "zz", true));
    EXPECT_EQ(q.FieldByName("ID_Customer").AsInteger(), 2);  // a failed Locate keeps the row
    EXPECT_TRUE(q.Locate("ID_Customer", "10", false));

    q.SetSort("");
    EXPECT_EQ(column(q, "ID_Customer"), QStringList({"2", "3", "9", "10", "50", "100"}));
    EXPECT_THROW(q.SetSort("Nope"), kestrum::DatabaseError);
}

TEST_P(PoolTest, NavigationFollowsDatasetRules) {
    kestrum::Query& q = openAll(*dm_->QCustomer3, "Select * From Customer");
    EXPECT_TRUE(q.Eof() && q.Bof());
    EXPECT_EQ(q.RecordCount(), 0);
    EXPECT_EQ(q.FieldByName("Name_Customer").AsString(), "");  // no row reads as empty
    addCustomers({{1, "a"}, {2, "b"}});
    openAll(q, "Select * From Customer Order By ID_Customer");
    EXPECT_FALSE(q.Eof());
    q.Next();
    EXPECT_EQ(q.RecNo(), 1);
    q.Next();
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.RecNo(), 1);
    q.Prior();
    q.Prior();
    EXPECT_TRUE(q.Bof());
    EXPECT_EQ(q.RecNo(), 0);
    q.Close();
    EXPECT_THROW(q.FieldByName("Name_Customer"), kestrum::DatabaseError);
}

TEST_P(PoolTest, ModelLoadsLazilyAndFollowsTheCurrentRow) {
    {
        kestrum::Transaction t(dm_->database());
        for (int i = 1; i <= 600; ++i)
            exec("Insert Into Part (ID_Material, Number_Material, Price_Material) Values (?, ?, ?)",
                 {i, QString("Part %1").arg(i, 4, 10, QChar('0')), QVariant::fromValue(kestrum::Decimal::fromInt(i))});
        t.commit();
    }
    kestrum::Query& q = *dm_->QPart1;
    kestrum::QueryModel model(&q);
    // Statements a page plan cannot serve (joins, work tables) are still read as the grid scrolls.
    q.setPaged(false);
    model.setBatchSize(100);
    model.setTitles({"ID Part", "Material Type"});
    openAll(q, "Select * From Part Order By ID_Material");
    EXPECT_LT(model.rowCount(), 600);
    EXPECT_TRUE(model.canFetchMore());
    EXPECT_EQ(model.columnCount(), 13);  // twelve stored columns and the row version
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Material Type");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Number_Material");

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    const int before = model.rowCount();
    model.fetchMore();
    EXPECT_EQ(model.rowCount(), before + 100);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.data(model.index(before + 99, 10)).toString(), QString::number(before + 100));

    QItemSelectionModel selection(&model);
    model.followSelection(&selection);
    q.SetRecNo(5);
    EXPECT_EQ(selection.currentIndex().row(), 5);
    selection.setCurrentIndex(model.index(7, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(q.RecNo(), 7);
    EXPECT_EQ(q.FieldByName("ID_Material").AsInteger(), 8);

    EXPECT_EQ(q.RecordCount(), 600);  // the rest arrives in the grid too
    EXPECT_EQ(model.rowCount(), 600);
    EXPECT_FALSE(model.canFetchMore());

    model.sort(10);  // title click: by price, numerically
    EXPECT_EQ(model.data(model.index(599, 10)).toString(), "600");
    EXPECT_EQ(selection.currentIndex().row(), 0);
    q.Close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_P(PoolTest, TransactionRollsBackUnlessCommitted) {
    try {
        kestrum::Transaction t(dm_->database());
        addCustomers({{1, "gone"}});
        exec("Insert Into InvItem (Inv_Item, Name_Item) Values (?, ?)", {1, QString("gone")});
        throw std::runtime_error("second step failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(openAll(*dm_->Q3, "Select * From Customer").RecordCount(), 0);
    EXPECT_EQ(openAll(*dm_->Q3, "Select * From InvItem").RecordCount(), 0);
    {
        kestrum::Transaction t(dm_->database());
        addCustomers({{2, "kept"}});
        t.commit();
    }
    EXPECT_EQ(openAll(*dm_->Q3, "Select * From Customer").RecordCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, PoolTest, TESTSUPPORT_ENGINES);

}  // namespace

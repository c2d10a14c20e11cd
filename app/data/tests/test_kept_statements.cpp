// A paged list keeps its page statements prepared and runs them again with new values: every read
// through them must give what a query that never ran them reads, through sorts, searches, writes
// and a reconnect, and the statements kept on the server stay few.
#include "Concurrency.h"
#include "Fixture.h"
#include "KeptStatements.h"
#include "Transaction.h"

#include <QSqlQuery>

namespace {

const QString List = QStringLiteral("Select * From Customer");

class KeptStatementsTest : public DataTest {
protected:
    bool postgres() const { return GetParam() == testsupport::Engine::PostgreSQL; }

    void addCustomers(int from, int to) {
        static const QStringList names{"beta", "Alpha", "alpha", "Gamma", "BETA", "delta", "O'Neil"};
        kestrum::Transaction t(dm_->database());
        for (int id = from; id <= to; ++id)
            exec("Insert Into Customer (ID_Customer, Name_Customer, City_Customer, Type_Customer) Values (?, ?, ?, ?)",
                 {id, id % 13 == 0 ? QVariant() : QVariant(names[(id * 3) % names.size()]),
                  QString("City %1").arg(id % 9), id % 4 == 0 ? "Fleet" : "Customer"});
        t.commit();
    }

    // Sorts one after the other: each keeps the order before it among its ties.
    static void openPaged(kestrum::Query& q, const QStringList& sorts = {}) {
        q.setStatement(List);
        q.setPaged(true);
        q.Open();
        ASSERT_TRUE(q.paged());
        for (const QString& sort : sorts) q.SetSort(sort);
    }

    // Key, name and city of every row front to back, then back to front from Last.
    static std::string both(kestrum::Query& q) {
        QStringList out;
        const int rows = q.RecordCount();
        const int key = q.fieldIndex("ID_Customer"), name = q.fieldIndex("Name_Customer");
        for (int r = 0; r < rows; ++r) out << q.fieldAt(r, key).AsString() + "|" + q.fieldAt(r, name).AsString();
        q.Last();
        for (int r = rows - 1; r >= 0; --r) {
            out << q.FieldByName("ID_Customer").AsString();
            q.Prior();
        }
        return out.join(u',').toStdString();
    }

    // The same list read by a query of its own, with nothing kept from earlier reads.
    std::string fresh(const QStringList& sorts) {
        kestrum::Query q(dm_->database(), QStringLiteral("Fresh"));
        openPaged(q, sorts);
        return both(q);
    }
    // Where a search lands in a fresh query; -1 when nothing matches.
    int freshLocate(const QStringList& sorts, const QString& column, const QString& text) {
        kestrum::Query q(dm_->database(), QStringLiteral("Fresh"));
        openPaged(q, sorts);
        return q.Locate(column, text, true) ? q.RecNo() : -1;
    }

    // Statements prepared on the server by this connection now (none on SQLite).
    int serverStatements() {
        if (!postgres()) return 0;
        QSqlQuery count(dm_->database());
        if (!count.exec("Select Count(*) From pg_prepared_statements") || !count.next()) return -1;
        return count.value(0).toInt();
    }
};

TEST_P(KeptStatementsTest, PageReadsAfterSortsSearchesWritesAndAReconnectGiveTheRowsOfAFreshRead) {
    addCustomers(1, 700);
    kestrum::Query& q = *dm_->QCustomer1;
    const int before = serverStatements();

    openPaged(q);
    EXPECT_EQ(both(q), fresh({}));
    QStringList sorts;
    for (const QString& sort : {QString("Name_Customer"), QString("Type_Customer"), QString("Name_Customer")}) {
        q.SetSort(sort);
        sorts << sort;
        const std::string shown = fresh(sorts);
        EXPECT_EQ(both(q), shown) << sort.toStdString();
        EXPECT_EQ(both(q), shown) << sort.toStdString();  // every statement run again with its values
        for (const QString& text : {QString("be"), QString("g"), QString("o'"), QString("zz"), QString("Al")}) {
            const bool found = q.Locate(sort, text, true);
            const int row = freshLocate(sorts, sort, text);
            EXPECT_EQ(found ? q.RecNo() : -1, row) << sort.toStdString() << " " << text.toStdString();
        }
    }
    // On PostgreSQL the reads above ran statements kept on the server.
    if (postgres()) {
        EXPECT_GT(serverStatements(), before);
    }

    // Rows written since: the kept statements read them as a fresh query does.
    exec("Insert Into Customer (ID_Customer, Name_Customer, Type_Customer) Values (?, ?, ?)", {5000, "beta", "Fleet"});
    exec("Insert Into Customer (ID_Customer, Name_Customer, Type_Customer) Values (?, ?, ?)", {5001, QVariant(), "Fleet"});
    openPaged(q, {"Name_Customer"});
    EXPECT_EQ(q.RecordCount(), 702);
    EXPECT_EQ(both(q), fresh({"Name_Customer"}));
    exec("Delete From Customer where ID_Customer Between ? And ?", {100, 400});
    openPaged(q, {"Name_Customer"});
    EXPECT_EQ(q.RecordCount(), 401);
    EXPECT_EQ(both(q), fresh({"Name_Customer"}));
    ASSERT_TRUE(q.Locate("Name_Customer", "gam", true));
    EXPECT_EQ(q.RecNo(), freshLocate({"Name_Customer"}, "Name_Customer", "gam"));

    // Opened again as the program's reconnect does: a new session, where nothing is kept yet.
    {
        QSqlDatabase db = dm_->database();
        db.close();
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        kestrum::prepareSession(db);
    }
    EXPECT_EQ(serverStatements(), 0);
    openPaged(q, {"Name_Customer"});
    EXPECT_EQ(both(q), fresh({"Name_Customer"}));
    ASSERT_TRUE(q.Locate("Name_Customer", "del", true));
    EXPECT_EQ(q.RecNo(), freshLocate({"Name_Customer"}, "Name_Customer", "del"));
}

TEST_P(KeptStatementsTest, ManySortsAndSearchesKeepOnlyABoundedNumberOfStatementsAndAClosedQueryNone) {
    addCustomers(1, 300);
    const int before = serverStatements();
    {
        kestrum::Query q(dm_->database(), QStringLiteral("Sorted"));
        openPaged(q);
        const QStringList columns{"Name_Customer", "City_Customer", "Type_Customer", "Tell_Customer",
                                  "Address_Customer", "State_Customer", "Zip_Customer", "ID_Customer"};
        for (int round = 0; round < 2; ++round)
            for (const QString& c : columns) {
                q.SetSort(c);
                q.Last();
                q.SetRecNo(q.RecordCount() / 2);
                (void)q.Locate("Name_Customer", "a", true);
                (void)q.Locate(c, "C", true);
                // At most the bound, beside the count statement itself while it runs.
                if (postgres()) {
                    EXPECT_LE(serverStatements() - before, int(kestrum::KeptStatements::Bound) + 1) << c.toStdString();
                }
            }
        openPaged(q, {"City_Customer"});
        EXPECT_EQ(both(q), fresh({"City_Customer"}));
    }
    // A query let go of takes its statements with it.
    EXPECT_EQ(serverStatements(), before);
}

TEST_P(KeptStatementsTest, AKeptStatementOfATableThatGainedAColumnIsPreparedAgainAndReadsIt) {
    addCustomers(1, 300);
    kestrum::Query& q = *dm_->QCustomer1;
    openPaged(q);
    const std::string shown = both(q);
    exec("Alter Table Customer Add Column Kept_Extra Integer");
    exec("Update Customer Set Kept_Extra = ID_Customer * 2");
    openPaged(q);
    ASSERT_GE(q.fieldIndex("Kept_Extra"), 0);
    EXPECT_EQ(both(q), shown);
    ASSERT_TRUE(q.SetRecNo(299));
    EXPECT_EQ(q.FieldByName("Kept_Extra").AsInteger(), 600);
}

INSTANTIATE_TEST_SUITE_P(Engines, KeptStatementsTest, TESTSUPPORT_ENGINES);

}  // namespace

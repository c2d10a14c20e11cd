// Creating and checking the database on both engines.
#include "Passwords.h"
#include "Schema.h"
#include "TestDatabase.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

namespace schema = kestrum::schema;
using testsupport::Engine;

namespace {

class SchemaTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb_ = std::make_unique<testsupport::TestDatabase>(GetParam());
        db_ = QSqlDatabase::addDatabase("QODBC", "schema-test");
        db_.setDatabaseName(QString::fromStdString(tdb_->kestrumConnection()));
        ASSERT_TRUE(db_.open()) << db_.lastError().text().toStdString();
    }
    void TearDown() override {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase("schema-test");
        tdb_.reset();
    }
    QStringList columnsOf(const QString& table) {
        QSqlQuery q(db_);
        EXPECT_TRUE(q.exec("SELECT * FROM " + table + " WHERE 1 = 0")) << table.toStdString();
        QStringList names;
        for (int i = 0; i < q.record().count(); ++i) names << q.record().fieldName(i).toLower();
        return names;
    }
    int count(const QString& sql) {
        QSqlQuery q(db_);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << q.lastError().text().toStdString();
        return q.next() ? q.value(0).toInt() : -1;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb_;
    QSqlDatabase db_;
};

TEST_P(SchemaTest, CreatesEveryTableAndColumnInStoredOrderWithProfileRowAndGuest) {
    ASSERT_EQ(schema::engineOf(db_), GetParam() == Engine::SQLite ? schema::Engine::SQLite
                                                                 : schema::Engine::PostgreSQL);
    schema::createDatabase(db_);
    EXPECT_TRUE(schema::checkDatabase(db_).isEmpty()) << schema::checkDatabase(db_).join("; ").toStdString();
    for (const schema::Table& t : schema::tables()) {
        QStringList expected;
        for (const schema::Column& c : t.columns) expected << c.name.toLower();
        EXPECT_EQ(columnsOf(t.name), expected) << t.name.toStdString();
    }
    QStringList names;
    for (const schema::Table& t : schema::tables()) names << t.name;
    EXPECT_EQ(names.join(' '),
              "Part Company Customer Employee Labor Tax Reg Pass Invoice Estimate InvoiceCash InvItem "
              "EstimateItem InvItemCash Items InvLabor EstimateLabor InvLaborCash Orders Bill BillItem "
              "BillExpense Payable PayableOrder Receivable Bank Deposit TotalItem TotalLabor TotalTax "
              "TotalReport OpenInvoice");
    EXPECT_EQ(columnsOf("Customer").mid(0, 4),
              QStringList({"id_customer", "name_customer", "type_customer", "tell_customer"}));
    EXPECT_EQ(columnsOf("InvoiceCash").size(), 17);
    EXPECT_EQ(columnsOf("Items").last(), "po_item");

    EXPECT_EQ(count("SELECT Count(*) FROM Reg WHERE Id_R = 1"), 1);
    QSqlQuery q(db_);
    ASSERT_TRUE(q.exec("SELECT UserName_Pass, Password_Pass FROM Pass"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "Guest");
    EXPECT_TRUE(kestrum::passwords::isHash(q.value(1).toString()));
    EXPECT_TRUE(kestrum::passwords::verify(q.value(1).toString(), "12"));
    EXPECT_FALSE(q.next());
}

TEST_P(SchemaTest, RefusesAnExistingDatabaseAndChangesNothing) {
    schema::createDatabase(db_);
    QSqlQuery q(db_);
    ASSERT_TRUE(q.exec("INSERT INTO Customer (ID_Customer, Name_Customer) VALUES (1, 'Kept')"));
    try {
        schema::createDatabase(db_);
        FAIL() << "second create was not refused";
    } catch (const schema::SchemaError& e) {
        EXPECT_TRUE(QString(e.what()).contains("nothing was changed")) << e.what();
    }
    EXPECT_EQ(count("SELECT Count(*) FROM Customer"), 1);
    EXPECT_EQ(count("SELECT Count(*) FROM Pass"), 1);
    EXPECT_EQ(count("SELECT Count(*) FROM Reg"), 1);
}

TEST_P(SchemaTest, RefusesWhenOnlyOneTableExists) {
    QSqlQuery q(db_);
    ASSERT_TRUE(q.exec("CREATE TABLE Part (ID_Material INTEGER)"));
    EXPECT_THROW(schema::createDatabase(db_), schema::SchemaError);
    const QStringList problems = schema::checkDatabase(db_);
    EXPECT_TRUE(problems.contains("Table Invoice is missing"));
    EXPECT_TRUE(problems.contains("Column Part.Remark_Material is missing"));
    EXPECT_FALSE(problems.contains("Table Part is missing"));
    EXPECT_EQ(db_.tables().size(), 1);  // nothing else was created
}

TEST_P(SchemaTest, CheckReportsADroppedColumnAndTable) {
    schema::createDatabase(db_);
    QSqlQuery q(db_);
    ASSERT_TRUE(q.exec("ALTER TABLE Customer DROP COLUMN Web_Customer")) << q.lastError().text().toStdString();
    ASSERT_TRUE(q.exec("DROP TABLE TotalTax"));
    EXPECT_EQ(schema::checkDatabase(db_),
              QStringList({"Column Customer.Web_Customer is missing", "Table TotalTax is missing"}));
}

TEST_P(SchemaTest, TextComparesWithoutCaseAndRatesKeepTheirDecimals) {
    schema::createDatabase(db_);
    QSqlQuery q(db_);
    ASSERT_TRUE(q.exec("INSERT INTO Customer (ID_Customer, Name_Customer) VALUES (1, 'O''Neil')"));
    EXPECT_EQ(count("SELECT Count(*) FROM Customer WHERE Name_Customer = 'o''NEIL'"), 1);
    EXPECT_EQ(count("SELECT Count(*) FROM Customer WHERE Name_Customer LIKE 'o''n%'"), 1);
    // The user name is the key, and it ignores case like every lookup.
    EXPECT_FALSE(q.exec("INSERT INTO Pass (UserName_Pass, Password_Pass) VALUES ('GUEST', 'x')"));
    ASSERT_TRUE(q.exec("INSERT INTO Tax (Id_T, Year_T, A_T, E_T, Tax_T) VALUES (1, 2026, 1, 12, 0.07375)"));
    EXPECT_EQ(count("SELECT Count(*) FROM Tax WHERE Tax_T = 0.07375"), 1);
}

TEST_P(SchemaTest, AListSortedEmptyFirstReadsItsIndexInsteadOfSortingTheTable) {
    schema::createDatabase(db_);
    QSqlQuery q(db_);
    ASSERT_TRUE(q.exec("INSERT INTO Part (ID_Material, Color_Material) VALUES (1, 'b-2')"));
    ASSERT_TRUE(q.exec("INSERT INTO Part (ID_Material, Color_Material) VALUES (2, NULL)"));
    ASSERT_TRUE(q.exec("INSERT INTO Part (ID_Material, Color_Material) VALUES (3, 'A-1')"));
    const QString sorted = "SELECT Color_Material FROM Part ORDER BY Color_Material NULLS FIRST";
    QStringList order;
    ASSERT_TRUE(q.exec(sorted)) << q.lastError().text().toStdString();
    while (q.next()) order << (q.value(0).isNull() ? QString("<null>") : q.value(0).toString());
    EXPECT_EQ(order, (QStringList{"<null>", "A-1", "b-2"}));

    // The plan of a big table's list, asked on this small one with table scans ruled out.
    const bool pg = GetParam() == Engine::PostgreSQL;
    if (pg) ASSERT_TRUE(q.exec("SET enable_seqscan = off"));
    ASSERT_TRUE(q.exec((pg ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + sorted)) << q.lastError().text().toStdString();
    QString plan;
    while (q.next()) plan += q.value(pg ? 0 : 3).toString() + "\n";
    EXPECT_TRUE(plan.contains("ix_part_color_material", Qt::CaseInsensitive)) << plan.toStdString();
    EXPECT_FALSE(plan.contains("Sort Key", Qt::CaseInsensitive)) << plan.toStdString();
    EXPECT_FALSE(plan.contains("TEMP B-TREE", Qt::CaseInsensitive)) << plan.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, SchemaTest, TESTSUPPORT_ENGINES);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

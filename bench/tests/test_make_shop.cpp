// The generated shop: counts as the scale says, consistent figures and links, same data on both engines.
#include "BulkLoader.h"
#include "Schema.h"
#include "ShopGenerator.h"
#include "TestDatabase.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

using testsupport::Engine;
namespace shop = kestrum::shop;

namespace {

shop::Options options(const testsupport::TestDatabase& db, std::uint64_t seed = 7) {
    shop::Options o;
    o.connect = db.kestrumConnection();
    o.seed = seed;
    o.scale = 0.001;
    o.until = QDate(2026, 6, 30);
    return o;
}

// A connection for reading back, closed and removed with the object.
class Reader {
public:
    explicit Reader(const testsupport::TestDatabase& tdb) : name_(QStringLiteral("reader-%1").arg(serial++)) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", name_);
        db.setDatabaseName(QString::fromStdString(tdb.kestrumConnection()));
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    }
    ~Reader() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlQuery run(const QString& sql, const QVariantList& values = {}) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        q.setForwardOnly(true);
        EXPECT_TRUE(q.prepare(sql)) << sql.toStdString() << q.lastError().text().toStdString();
        for (const QVariant& v : values) q.addBindValue(v);
        EXPECT_TRUE(q.exec()) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return q;
    }
    QStringList tables() {
        QStringList out;
        for (const QString& t : QSqlDatabase::database(name_, false).tables(QSql::Tables))
            out << (t.compare("customer", Qt::CaseInsensitive) == 0 ? QString("Customer") : t);
        return out;
    }
    qint64 number(const QString& sql, const QVariantList& values = {}) {
        QSqlQuery q = run(sql, values);
        return q.next() ? q.value(0).toLongLong() : -1;
    }
    // Engine-neutral digest of a table's rows in key order: numbers to four places, dates as days.
    QByteArray digest(const QString& table, const QString& order) {
        QSqlQuery q = run("SELECT * FROM " + table + " ORDER BY " + order);
        const kestrum::schema::Table* t = kestrum::schema::findTable(table);
        QCryptographicHash h(QCryptographicHash::Sha1);
        while (q.next()) {
            for (int i = 0; i < t->columns.size(); ++i) {
                const QVariant v = q.value(i);
                QString text;
                if (v.isNull()) text = "<null>";
                else switch (t->columns[i].type) {
                    case kestrum::schema::ColumnType::Number:
                    case kestrum::schema::ColumnType::Rate: text = QString::number(v.toDouble(), 'f', 5); break;
                    case kestrum::schema::ColumnType::Date: text = v.toDateTime().date().toString(Qt::ISODate); break;
                    case kestrum::schema::ColumnType::Boolean: text = v.toBool() ? "1" : "0"; break;
                    default: text = v.toString();
                    }
                h.addData(text.toUtf8() + '\t');
            }
            h.addData("\n");
        }
        return h.result().toHex();
    }

private:
    static inline int serial = 0;
    QString name_;
};

class MakeShopTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override { TESTSUPPORT_REQUIRE_ENGINE(GetParam()); }
};

TEST_P(MakeShopTest, TinyShopHasScaledCountsConsistentFiguresAndLinks) {
    testsupport::TestDatabase tdb(GetParam());
    const auto results = shop::makeShop(options(tdb));
    Reader db(tdb);

    const shop::Counts n = shop::countsFor(0.001);
    EXPECT_EQ(n.invoices, 300);
    EXPECT_EQ(n.partLines + n.laborLines, 3000);
    const std::map<QString, qint64> expected{
        {"Part", 100},     {"Customer", 50},    {"Company", 2},        {"Employee", 2},   {"Labor", 10},
        {"Tax", 240},      {"Invoice", 300},    {"InvItem", 2000},     {"InvLabor", 1000}, {"Receivable", 400},
        {"Orders", 60},    {"Items", 180},      {"Bill", 80},          {"BillItem", 160}, {"BillExpense", 80},
        {"Payable", 80},   {"Bank", 5},         {"Deposit", 20},       {"Reg", 1},        {"Pass", 1}};
    for (const auto& [table, rows] : expected) {
        EXPECT_EQ(db.number("SELECT COUNT(*) FROM " + table), rows) << table.toStdString();
        if (results.count(table.toStdString())) {
            EXPECT_EQ(results.at(table.toStdString()).rows, rows);
        }
    }

    // Line amounts are quantity times rate.
    for (const auto& [table, qty, rate, amount] :
         std::initializer_list<std::tuple<QString, QString, QString, QString>>{
             {"InvItem", "Qty_Item", "Rate_Item", "Amount_Item"},
             {"InvLabor", "Qty_Labor", "Rate_Labor", "Amount_Labor"},
             {"Items", "Qty_Item", "Rate_Item", "Amount_Item"},
             {"BillItem", "Qty_Bill", "Rate_Bill", "Amount_Bill"},
             {"BillExpense", "Qty_Expense", "Rate_Expense", "Amount_Expense"}})
        EXPECT_EQ(db.number(QString("SELECT COUNT(*) FROM %1 WHERE ABS(%4 - %2 * %3) > 0.000001")
                                .arg(table, qty, rate, amount)),
                  0)
            << table.toStdString();
    EXPECT_GT(db.number("SELECT COUNT(*) FROM InvLabor WHERE Qty_Labor <> ROUND(Qty_Labor, 0)"), 0);

    // Totals: lines plus tax for taxable invoices; payments never above the total; paid flag true.
    const QString parts = "COALESCE((SELECT SUM(Amount_Item) FROM InvItem WHERE Inv_Item = InvoiceNo_Inv), 0)";
    const QString labor = "COALESCE((SELECT SUM(Amount_Labor) FROM InvLabor WHERE Inv_Labor = InvoiceNo_Inv), 0)";
    const QString paid =
        "COALESCE((SELECT SUM(Amount_Receivable) FROM Receivable WHERE InvoiceNo_Receivable = InvoiceNo_Inv), 0)";
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Invoice WHERE Tax_Inv = ? AND ABS(Amount_Inv - " + parts + " - " +
                            labor + ") > 0.000001",
                        {false}),
              0);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Invoice WHERE Amount_Inv < " + parts + " + " + labor + " - 0.000001 OR Amount_Inv > " +
                        parts + " * 1.2 + " + labor),
              0);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Invoice WHERE " + paid + " > Amount_Inv + 0.000001"), 0);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Invoice WHERE Paid_Inv = ? AND ABS(" + paid + " - Amount_Inv) > 0.000001",
                        {true}),
              0);
    EXPECT_GT(db.number("SELECT COUNT(*) FROM Invoice WHERE Paid_Inv = ?", {true}), 200);
    EXPECT_GT(db.number("SELECT COUNT(*) FROM Invoice WHERE Paid_Inv = ?", {false}), 0);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Bill WHERE (SELECT SUM(Amount_Payable) FROM Payable WHERE "
                        "BillNo_Payable = Ref_Bill) > Amount_Bill + 0.000001"),
              0);

    // Every link by value points at something that exists.
    for (const auto& [from, column, to, key] : std::initializer_list<std::tuple<QString, QString, QString, QString>>{
             {"InvItem", "Inv_Item", "Invoice", "InvoiceNo_Inv"},
             {"InvLabor", "Inv_Labor", "Invoice", "InvoiceNo_Inv"},
             {"Receivable", "InvoiceNo_Receivable", "Invoice", "InvoiceNo_Inv"},
             {"Items", "Po_Item", "Orders", "Po_Order"},
             {"BillItem", "Inv_Bill", "Bill", "Ref_Bill"},
             {"BillExpense", "Bill_Expense", "Bill", "Ref_Bill"},
             {"Payable", "BillNo_Payable", "Bill", "Ref_Bill"},
             {"Invoice", "CustomerName_Inv", "Customer", "Name_Customer"},
             {"Receivable", "Name_Receivable", "Customer", "Name_Customer"},
             {"Invoice", "RepairPerson_Inv", "Employee", "Name_Employee"},
             {"Orders", "Vendor_Order", "Company", "Name_Company"},
             {"Bill", "Vendor_Bill", "Company", "Name_Company"},
             {"Receivable", "DepositTo_Receivable", "Bank", "Name_Bank"},
             {"Deposit", "DepositTo_Dep", "Bank", "Name_Bank"},
             {"InvItem", "Color_Item", "Part", "Color_Material"},
             {"InvLabor", "Description_Labor", "Labor", "Description_Labor"}})
        EXPECT_EQ(db.number(QString("SELECT COUNT(*) FROM %1 WHERE NOT EXISTS (SELECT 1 FROM %3 WHERE %4 = %2)")
                                .arg(from, column, to, key)),
                  0)
            << from.toStdString() << "." << column.toStdString();
    // Names a window looks up are unique; some carry apostrophes.
    EXPECT_EQ(db.number("SELECT COUNT(DISTINCT Name_Customer) FROM Customer"), 50);
    EXPECT_EQ(db.number("SELECT COUNT(DISTINCT Color_Material) FROM Part"), 100);
    EXPECT_GT(db.number("SELECT COUNT(*) FROM Customer WHERE Name_Customer LIKE ?", {"%'%"}), 0);

    // Dates span twenty years up to the last day and compare equal to what the program binds.
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Invoice WHERE InvoiceDate_Inv = ?", {QDate(2007, 1, 1).startOfDay()}), 1);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Invoice WHERE InvoiceDate_Inv BETWEEN ? AND ?",
                        {QDate(2007, 1, 1).startOfDay(), QDate(2026, 6, 30).startOfDay()}),
              300);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Tax WHERE Year_T = ? AND A_T = ? AND E_T = ?", {2026, 6, 6}), 1);
}

TEST_P(MakeShopTest, RefusesADatabaseThatHasTablesAndWritesNothing) {
    testsupport::TestDatabase tdb(GetParam());
    tdb.exec("CREATE TABLE Customer (ID_Customer INTEGER)");
    EXPECT_THROW(shop::makeShop(options(tdb)), kestrum::schema::SchemaError);
    Reader db(tdb);
    EXPECT_EQ(db.number("SELECT COUNT(*) FROM Customer"), 0);
    EXPECT_EQ(db.tables(), QStringList{"Customer"});
}

INSTANTIATE_TEST_SUITE_P(Engines, MakeShopTest, TESTSUPPORT_ENGINES);

TEST(MakeShopBothEngines, SameSeedGivesTheSameRowsOnSQLiteAndPostgreSQL) {
    if (!testsupport::postgresAvailable()) GTEST_SKIP() << "TEST_PG_ODBC is not set";
    testsupport::TestDatabase lite(Engine::SQLite), pg(Engine::PostgreSQL), other(Engine::SQLite);
    shop::makeShop(options(lite));
    shop::makeShop(options(pg));
    shop::makeShop(options(other, 8));
    Reader a(lite), b(pg), c(other);
    for (const auto& [table, order] : std::initializer_list<std::pair<QString, QString>>{
             {"Customer", "ID_Customer"},
             {"Part", "ID_Material"},
             {"Tax", "Id_T"},
             {"Invoice", "InvoiceNo_Inv"},
             {"InvItem", "Inv_Item, Color_Item"},
             {"Receivable", "InvoiceNo_Receivable, Ref_Receivable"}}) {
        const QByteArray d = a.digest(table, order);
        EXPECT_EQ(d, b.digest(table, order)) << table.toStdString();
        EXPECT_NE(d, c.digest(table, order)) << table.toStdString() << " does not depend on the seed";
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Combo boxes list a column's distinct values; on PostgreSQL a column with few values and an index is
// read one value at a time. Either way the list holds each value once, by the column's own equality.
#include "Distinct.h"
#include "Fixture.h"
#include "Transaction.h"

#include <QSet>
#include <QSqlQuery>

namespace {

class DistinctTest : public DataTest {
protected:
    // Makers in mixed case, with blanks, quotes, empty text and NULLs, in a table big enough (and
    // analysed) for the probes to pay.
    void addParts(int count) {
        static const QStringList makers{"acme", "ACME", "Acme", "bosch", "Bosch ", "", "o'Neil", "zed%", "Zed%", "Ångström"};
        kestrum::Transaction t(dm_->database());
        for (int id = 1; id <= count; ++id)
            exec("Insert Into Part (ID_Material, Mfg_Material, Unit_Material, Description_Material) Values (?, ?, ?, ?)",
                 {id, id % 13 == 0 ? QVariant() : QVariant(makers[id % makers.size()]), QStringLiteral("EA"),
                  QStringLiteral("Part %1").arg(id)});
        t.commit();
        if (GetParam() == testsupport::Engine::PostgreSQL) exec("Analyze Part");
    }

    QVariantList read(const QString& sql) {
        kestrum::Query& q = *dm_->QPo2;
        q.setStatement(sql);
        q.Open();
        QVariantList out;
        const QString column = q.FieldNames().value(0);
        for (q.First(); !q.Eof(); q.Next()) {
            const kestrum::Field f = q.FieldByName(column);
            out << (f.IsNull() ? QVariant() : QVariant(f.AsString()));
        }
        return out;
    }

    // One entry per value by the engines' case rule for plain letters, NULL as "<null>".
    static QStringList folded(const QVariantList& values) {
        QStringList out;
        for (const QVariant& v : values) out << (v.isNull() ? QStringLiteral("<null>") : v.toString().toLower());
        return out;
    }
};

TEST_P(DistinctTest, AComboListHoldsEachValueOnceNullFirstThenInTheColumnsOrder) {
    addParts(3000);
    const QVariantList values = read("Select distinct Mfg_Material From Part");
    const QStringList got = folded(values);
    // The same values as a statement that groups them, and none twice.
    const QStringList grouped = folded(read("Select Mfg_Material From Part Group By Mfg_Material"));
    EXPECT_EQ(QSet<QString>(got.begin(), got.end()), QSet<QString>(grouped.begin(), grouped.end()));
    EXPECT_EQ(got.size(), grouped.size());
    ASSERT_EQ(got.size(), 8) << got.join(u'|').toStdString();  // acme, bosch, "bosch ", "", o'neil, zed%, Ångström, NULL
    EXPECT_EQ(got.first(), "<null>");
    // Each shown value is one the rows hold, in a spelling stored.
    QSet<QString> stored;
    for (const QVariant& v : read("Select Mfg_Material From Part")) {
        if (!v.isNull()) stored << v.toString();
    }
    for (const QVariant& v : values) {
        EXPECT_TRUE(v.isNull() || stored.contains(v.toString())) << v.toString().toStdString();
    }
    // NULL first, then the column's order (as an Order By of the same column gives it).
    QStringList ordered = folded(read("Select Mfg_Material From Part Group By Mfg_Material Order By Mfg_Material Nulls First"));
    EXPECT_EQ(got, ordered);
}

TEST_P(DistinctTest, TheProbedValuesEqualTheStatementsOwnAlsoWithoutNullsAndOnAnEmptyTable) {
    const kestrum::DistinctList makers{"Mfg_Material", "Part"};
    EXPECT_TRUE(read(kestrum::skipScanSql(makers)).isEmpty());
    EXPECT_TRUE(read("Select distinct Mfg_Material From Part").isEmpty());
    addParts(300);
    for (const QString& column : {QStringLiteral("Mfg_Material"), QStringLiteral("Unit_Material"),
                                  QStringLiteral("Description_Material"), QStringLiteral("ID_Material")}) {
        QStringList probed = folded(read(kestrum::skipScanSql({column, "Part"})));
        QStringList whole = folded(read("Select distinct " + column + " From Part"));
        EXPECT_EQ(probed.size(), whole.size()) << column.toStdString();
        probed.sort();
        whole.sort();
        EXPECT_EQ(probed, whole) << column.toStdString();
    }
}

TEST_P(DistinctTest, AWalkListsTheValuesInTheStatementsOrderAndItsCountStopsAfterTheBound) {
    addParts(400);
    // Read by the walk in the order walked: exactly what Distinct gives, spelling and order alike.
    for (const QString& column : {QStringLiteral("Mfg_Material"), QStringLiteral("Unit_Material"),
                                  QStringLiteral("Description_Material")}) {
        const QVariantList walked = read(kestrum::walkSql({column, "Part"}));
        const QVariantList ordered = read("Select " + column + " From Part Group By " + column + " Order By " + column +
                                          " Nulls First");
        EXPECT_EQ(folded(walked), folded(ordered)) << column.toStdString();
        // SQLite lists a walk where the statement was: the same spellings in the same order as the
        // statement run by the engine itself, not rewritten (PostgreSQL's own comes in hash order).
        if (GetParam() != testsupport::Engine::SQLite) continue;
        QSqlQuery plain(dm_->database());
        ASSERT_TRUE(plain.exec("Select distinct " + column + " From Part"));
        QStringList distinct;
        while (plain.next()) distinct << (plain.isNull(0) ? QStringLiteral("<null>") : plain.value(0).toString());
        QStringList spelled;
        for (const QVariant& v : walked) spelled << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        EXPECT_EQ(spelled, distinct) << column.toStdString();
    }
    // The count says how many values there are, NULL aside, or one past the bound.
    auto walkCount = [&](const QString& column, int bound) {
        kestrum::Query& q = *dm_->QPo2;
        q.setStatement(kestrum::walkCountSql({column, "Part"}), {bound});
        q.Open();
        return q.FieldByName("Expr1000").AsInteger();
    };
    EXPECT_EQ(walkCount("Mfg_Material", 100), 7);
    EXPECT_EQ(walkCount("Description_Material", 1000), 400);
    EXPECT_EQ(walkCount("Description_Material", 10), 11);
}

TEST(DistinctStatement, OnlyTheExactShapeIsRecognisedAndOnlyFewValuesForManyRowsPay) {
    const auto list = kestrum::parseDistinctList("  select   DISTINCT Mfg_Material\n from  Part ");
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(list->column, "Mfg_Material");
    EXPECT_EQ(list->table, "Part");
    for (const char* other : {"Select distinct Mfg_Material From Part Where Price_Material > 1",
                              "Select distinct Mfg_Material, Unit_Material From Part",
                              "Select distinct Mfg_Material From Part Order By Mfg_Material",
                              "Select Mfg_Material From Part", "Select distinct Upper(Mfg_Material) From Part",
                              "Select distinct Mfg_Material From Part; Delete From Part"})
        EXPECT_FALSE(kestrum::parseDistinctList(other).has_value()) << other;
    EXPECT_TRUE(kestrum::skipScanPays(22, 100000));
    EXPECT_TRUE(kestrum::skipScanPays(-0.0001, 100000));  // a fraction of the rows: 10 values
    EXPECT_FALSE(kestrum::skipScanPays(-1, 50000));       // every name different
    EXPECT_FALSE(kestrum::skipScanPays(40, 1000));        // a small table reads fast anyway
    EXPECT_FALSE(kestrum::skipScanPays(5000, 10000000));  // thousands of probes
    EXPECT_FALSE(kestrum::skipScanPays(0, 0));            // never analysed
}

INSTANTIATE_TEST_SUITE_P(Engines, DistinctTest, TESTSUPPORT_ENGINES);

}  // namespace

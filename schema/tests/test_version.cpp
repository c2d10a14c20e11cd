// The schema's version: derived from the declaration, stored by create and upgrade, and what a
// start decides by.
#include "SchemaDetail.h"
#include "SchemaFixture.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace schema = kestrum::schema;
namespace detail = kestrum::schema::detail;
using testsupport::Engine;

namespace {

quint32 versionOf(const QList<schema::Table>& tables, const QStringList& objects = detail::engineObjectStatements()) {
    return detail::versionOf(detail::declarationText(tables, objects));
}

TEST(SchemaVersionTest, ThisBuildsVersionIsTheLastKnownAndNoneRepeats) {
    const QList<quint32>& known = schema::knownVersions();
    ASSERT_FALSE(known.isEmpty());
    // A changed declaration has a new version: append it to Known in schema/SchemaVersion.cpp.
    EXPECT_EQ(schema::versionText(known.last()).toStdString(), schema::versionText(schema::schemaVersion()).toStdString())
        << "append 0x" << schema::versionText(schema::schemaVersion()).toStdString()
        << "u to the known versions";
    EXPECT_EQ(QSet<quint32>(known.begin(), known.end()).size(), known.size());
    EXPECT_EQ(schema::versionState(schema::schemaVersion()), schema::VersionState::Current);
    EXPECT_EQ(schema::versionState(0), schema::VersionState::Older);
    EXPECT_EQ(schema::versionText(0x0badcafe), "0badcafe");
}

TEST(SchemaVersionTest, EveryKindOfChangeToTheDeclarationChangesTheVersion) {
    const QList<schema::Table> declared = schema::tables();
    ASSERT_EQ(versionOf(declared), schema::schemaVersion());
    QList<QList<schema::Table>> changed(9, declared);
    changed[0][3].columns.append({"Nickname_Employee", schema::ColumnType::Text});
    changed[1][3].columns[1].name = "FullName_Employee";
    changed[2][3].columns[2].type = schema::ColumnType::Text;
    changed[3][3].indexes.append({"Cell_Employee"});
    changed[4][3].uniqueIndexes.append(changed[4][3].indexes.takeFirst());
    changed[5][3].key = "Name_Employee";
    changed[6].removeAt(3);
    changed[7].last().derived = false;
    changed[8].append({"Mileage", {{"Vin_Mileage", schema::ColumnType::Text}}, "", {}});
    QSet<quint32> seen{schema::schemaVersion()};
    for (qsizetype i = 0; i < changed.size(); ++i)
        EXPECT_TRUE(!seen.contains(versionOf(changed[i])) && (seen.insert(versionOf(changed[i])), true))
            << "change " << i << " kept a version";
    // The engines' own objects: a trigger's body changed, one more object.
    QStringList objects = detail::engineObjectStatements();
    objects.last().append(u' ');
    EXPECT_FALSE(seen.contains(versionOf(declared, objects)));
    EXPECT_FALSE(seen.contains(versionOf(declared, detail::engineObjectStatements() << "CREATE INDEX X ON Y (Z)")));
}

class VersionTest : public schematest::SchemaTest {
protected:
    bool sqlite() const { return GetParam() == Engine::SQLite; }
    // A version no build of this program declared: a later one's.
    static quint32 laterVersion() { return schema::schemaVersion() == 0x7ffffffe ? 0x7ffffffd : 0x7ffffffe; }
};

TEST_P(VersionTest, CreateAndUpgradeStoreTheVersionAndAStartThenHasNothingToDo) {
    schema::createDatabase(db_);
    EXPECT_EQ(schema::storedVersion(db_), schema::schemaVersion());
    EXPECT_TRUE(schema::upgradeAtStart(db_).isEmpty());

    // A database of the shape before the marker: looked at, brought forward, marked.
    tdb_.reset();
    db_.close();
    tdb_ = std::make_unique<testsupport::TestDatabase>(GetParam());
    db_.setDatabaseName(QString::fromStdString(tdb_->kestrumConnection()));
    ASSERT_TRUE(db_.open());
    testsupport::createPreviousShape(*tdb_);
    EXPECT_EQ(schema::storedVersion(db_), 0u);
    const QStringList done = schema::upgradeAtStart(db_);
    EXPECT_TRUE(done.contains("Table InvoiceSums added")) << done.join("; ").toStdString();
    EXPECT_EQ(schema::storedVersion(db_), schema::schemaVersion());
    EXPECT_TRUE(schema::checkDatabase(db_).isEmpty());
    EXPECT_TRUE(schema::upgradeAtStart(db_).isEmpty());
}

TEST_P(VersionTest, AnUpToDateMarkerIsTrustedAtStartButNotByTheCheck) {
    schema::createDatabase(db_);
    exec("DROP TABLE TotalTax");
    exec(sqlite() ? "DROP TRIGGER InvoiceSums_InvItem_Delete" : "DROP TRIGGER InvoiceSums_InvItem_Delete ON InvItem");
    EXPECT_TRUE(schema::upgradeAtStart(db_).isEmpty());
    const QStringList missing = schema::checkDatabase(db_);
    EXPECT_TRUE(missing.contains("Table TotalTax is missing")) << missing.join("; ").toStdString();
    EXPECT_EQ(missing.size(), 2) << missing.join("; ").toStdString();
    // The upgrade command looks at everything too.
    const QStringList done = schema::upgradeDatabase(db_);
    EXPECT_TRUE(done.contains("Table TotalTax added")) << done.join("; ").toStdString();
    EXPECT_TRUE(schema::checkDatabase(db_).isEmpty());
    EXPECT_EQ(schema::storedVersion(db_), schema::schemaVersion());
}

TEST_P(VersionTest, DroppingTheSumsTriggersForABulkLoadClearsTheMarkerSoTheNextStartMakesThemAgain) {
    schema::createDatabase(db_);
    schema::dropInvoiceSumsTriggers(db_);
    exec("INSERT INTO InvItem (Inv_Item, Amount_Item) VALUES (5, 7.5)");
    EXPECT_EQ(schema::storedVersion(db_), 0u);
    EXPECT_EQ(schema::upgradeAtStart(db_).size(), 1);
    EXPECT_TRUE(schema::checkDatabase(db_).isEmpty());
    QSqlQuery q(db_);
    ASSERT_TRUE(q.exec("SELECT Parts_Sums FROM InvoiceSums WHERE InvoiceNo_Sums = 5"));
    ASSERT_TRUE(q.next());
    EXPECT_DOUBLE_EQ(q.value(0).toDouble(), 7.5);
}

TEST_P(VersionTest, ALaterVersionsDatabaseIsUsedAsItIsAndRefusedWithoutAWriteWhenItLacksWhatThisOneNeeds) {
    schema::createDatabase(db_);
    detail::writeVersion(db_, laterVersion());
    EXPECT_EQ(schema::versionState(schema::storedVersion(db_)), schema::VersionState::Newer);
    EXPECT_TRUE(schema::upgradeAtStart(db_).isEmpty());
    EXPECT_EQ(schema::storedVersion(db_), laterVersion());

    exec("DROP TABLE TotalTax");
    exec(sqlite() ? "DROP TRIGGER InvoiceSums_InvLabor_Update" : "DROP TRIGGER InvoiceSums_InvLabor_Update ON InvLabor");
    try {
        schema::upgradeAtStart(db_);
        ADD_FAILURE() << "a later version's database lacking a table was used";
    } catch (const schema::LaterVersionError& e) {
        const QString text = QString::fromStdString(e.what());
        EXPECT_TRUE(text.contains(schema::versionText(laterVersion()))) << e.what();
        EXPECT_TRUE(text.contains(schema::versionText(schema::schemaVersion()))) << e.what();
        EXPECT_TRUE(text.contains("Table TotalTax is missing")) << e.what();
    }
    EXPECT_TRUE(schema::checkDatabase(db_).contains("Table TotalTax is missing"));
    EXPECT_EQ(schema::storedVersion(db_), laterVersion());
    // Asked for by name, the upgrade adds this build's table and triggers but leaves the later
    // version's mark.
    schema::upgradeDatabase(db_);
    EXPECT_TRUE(schema::checkDatabase(db_).isEmpty());
    EXPECT_EQ(schema::storedVersion(db_), laterVersion());
}

// Every object a new database holds is made by a statement the version is the hash of, so none
// can change without the version changing.
TEST_P(VersionTest, EveryObjectOfANewDatabaseIsCoveredByTheVersion) {
    schema::createDatabase(db_);
    const QString text = detail::declarationText(schema::tables(), detail::engineObjectStatements());
    QSqlQuery q(db_);
    int objects = 0;
    if (sqlite()) {
        ASSERT_TRUE(q.exec("SELECT name, sql FROM sqlite_master WHERE sql IS NOT NULL"));
        // The full-text index's own tables are made by SQLite from the CREATE VIRTUAL TABLE.
        static const QRegularExpression shadow("^VehicleKey_\\w+_(data|idx|docsize|config|content)$");
        while (q.next()) {
            if (shadow.match(q.value(0).toString()).hasMatch()) continue;
            ++objects;
            EXPECT_TRUE(text.contains(q.value(1).toString())) << q.value(1).toString().toStdString();
        }
    } else {
        ASSERT_TRUE(q.exec("SELECT prosrc FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
                           "WHERE n.nspname = current_schema() AND p.prolang = (SELECT oid FROM pg_language "
                           "WHERE lanname = 'plpgsql')"));
        while (q.next()) {
            ++objects;
            EXPECT_TRUE(text.contains(q.value(0).toString())) << q.value(0).toString().toStdString();
        }
        ASSERT_TRUE(q.exec("SELECT t.tgname FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid JOIN pg_namespace n "
                           "ON n.oid = c.relnamespace WHERE NOT t.tgisinternal AND n.nspname = current_schema() "
                           "UNION ALL SELECT indexname FROM pg_indexes WHERE schemaname = current_schema() "
                           "AND indexname NOT LIKE '%_pkey'"));
        while (q.next()) {
            ++objects;
            EXPECT_TRUE(text.contains(q.value(0).toString(), Qt::CaseInsensitive)) << q.value(0).toString().toStdString();
        }
    }
    EXPECT_GT(objects, 100);
}

INSTANTIATE_TEST_SUITE_P(Engines, VersionTest, TESTSUPPORT_ENGINES);

}  // namespace

// The entity over a real table on both engines: the statements it generates, adding, changing,
// deleting and locking rows, the view with its where phrase and filter, the search kinds, hostile
// values and hostile names, and stored procedures where the engine has them.
#include "EntityTestSupport.h"
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/entity/ODBCEntity.h>
#include <vantrel/ext/ODBCTools.h>
#include <vantrel/framework/AppServices.h>
#include <vantrel/framework/Streaming.h>

#include <gtest/gtest.h>

using namespace vantrel;
using testsupport::Engine;

namespace {

class EntityEngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE part (id INTEGER PRIMARY KEY, name VARCHAR(200), qty INTEGER, "
                  "price DOUBLE PRECISION, note TEXT)");
        db = connect();
        DataBase = db.get();
        shown.clear();
        previousHandler =
            Application().SetExceptionHandler([this](const std::exception& e) { shown += e.what(); });
        entity = std::make_unique<TUserEntity>();
        entity->SetfactTable("PART");
        entity->SetviewTable("part");
        entity->SetviewEntity("Parts");
        entity->CreateField("ID", "", "Number", 6, true, true, true, true, ftInteger, cnstETPK);
        entity->CreateField("NAME", "", "Name", 30, true, true, true, false, ftString, cnstETField);
        entity->CreateField("QTY", "", "Qty", 6, true, true, true, false, ftInteger, cnstETField);
        entity->CreateField("PRICE", "", "Price", 8, true, true, false, false, ftFloat, cnstETField);
        entity->CreateField("NOTE", "", "Note", 40, true, true, false, false, ftMemo, cnstETField);
    }
    void TearDown() override {
        entity.reset();
        if (db)
            Application().SetExceptionHandler(previousHandler);
        DataBase = nullptr;
        db.reset();
        tdb.reset();
    }
    bool postgres() const { return GetParam() == Engine::PostgreSQL; }
    std::unique_ptr<TODBCDatabase> connect() { return entitytest::connectQuickly(*tdb); }
    void add(int id, const Variant& name, const Variant& qty, const Variant& price = Variant::Null(),
             const Variant& note = Variant::Null()) {
        entity->ClearFieldsValue();
        entity->SetFieldValue("ID", id);
        entity->SetFieldValue("NAME", name);
        entity->SetFieldValue("QTY", qty);
        entity->SetFieldValue("PRICE", price);
        entity->SetFieldValue("NOTE", note);
        entity->Add();
    }
    // One row as "name|qty|price|note" read on a fresh query, "<none>" without the row.
    String row(int id) {
        auto q = OpenQueryLong("select name, qty, price, note from part where id = :id", {Variant(id)});
        if (q->Eof())
            return "<none>";
        String out;
        for (int i = 0; i < 4; ++i) {
            TField* f = (*q->Fields())[i];
            String text;
            if (f->IsNull())
                text = "<null>";
            else if (i == 0 || i == 3)
                q->ReadColumnData(f, text); // whole, however long
            else
                text = f->AsString();
            out += (i ? "|" : "") + text;
        }
        return out;
    }
    int count() {
        auto q = OpenQuery("select count(*) from part");
        return (*q->Fields())[0]->AsInteger();
    }
    // The ids of the entity's open view, in order.
    String viewIds() {
        TODBCQuery* q = entity->Query();
        String out;
        for (q->First(); !q->Eof(); q->Next())
            out += (out.empty() ? "" : ",") + q->FieldByName("ID")->AsString();
        return out;
    }
    int currentId() { return entity->Query()->FieldByName("ID")->AsInteger(); }
    void seed() {
        add(1, "Brake pad", 4, 12.5);
        add(2, "brake disc", 2, 40.0);
        add(3, "Oil filter", 10, 7.25);
        add(4, "Air filter", 0, 9.0);
        add(5, "Spark plug", 25, 3.0);
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
    std::unique_ptr<TUserEntity> entity;
    TApplication::TExceptionHandler previousHandler;
    std::string shown;
};

TEST_P(EntityEngineTest, StatementsNameTheCatalogsColumnsQuotedAndCarryParameters) {
    TStringList lines;
    auto* key = new TUserEntity;
    std::unique_ptr<TUserEntity> small(key);
    small->SetfactTable("Part");
    small->CreateField("ID", "", "", 1, true, true, false, false, ftInteger, cnstETPK);
    small->CreateField("name", "", "", 1, true, true, false, false, ftString, cnstETField);
    small->GenerateSQLInsert(&lines);
    ASSERT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines[0], "INSERT INTO \"part\"");
    EXPECT_EQ(lines[1], "(\"id\",\"name\")");
    EXPECT_EQ(lines[2], "VALUES(:\"ID\",:\"name\")");
    small->GenerateSQLDelete(&lines);
    ASSERT_EQ(lines.Count(), 1);
    EXPECT_EQ(lines[0], "DELETE FROM \"part\" WHERE \"id\"=:\"ID\"");
    small->GenerateSQLSelect(&lines, true);
    EXPECT_EQ(lines.Text(), "SELECT \n\"id\",\"name\" FROM \"part\"\n");

    EXPECT_EQ(entity->GenerateOrder(-1), "");
    // Sortable: ID, NAME, QTY; from index 1 on, then the ones before.
    EXPECT_EQ(entity->GenerateOrder(1), "ORDER BY \"name\",\"qty\",\"id\"");
    entity->SetOrderingDesc(true);
    EXPECT_EQ(entity->GenerateOrder(0), "ORDER BY \"id\" DESC,\"name\" DESC,\"qty\" DESC");
}

TEST_P(EntityEngineTest, AddsChangesAndDeletesRows) {
    seed();
    EXPECT_EQ(count(), 5);
    EXPECT_EQ(row(3), "Oil filter|10|7.25|<null>");

    entity->SetOrdering(0);
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "1,2,3,4,5");
    EXPECT_EQ(entity->Query()->FieldByName("NAME")->DisplayName(), "Name");

    entity->ClearFieldsValue();
    entity->SetFieldValue("ID", 3);
    entity->SetFieldValue("NAME", "Oil filter XL");
    entity->SetFieldValue("QTY", 11);
    entity->SetFieldValue("PRICE", 8.5);
    entity->SetFieldValue("NOTE", "bigger");
    entity->OnCheckUpdate = [](TUserEntity*, bool& ok) { ok = false; };
    entity->Edit(); // refused by the application
    EXPECT_EQ(row(3), "Oil filter|10|7.25|<null>");
    entity->OnCheckUpdate = [](TUserEntity*, bool& ok) { ok = true; };
    entity->Edit();
    EXPECT_EQ(row(3), "Oil filter XL|11|8.5|bigger");
    EXPECT_TRUE(entity->flgReread());
    EXPECT_EQ(row(2), "brake disc|2|40|<null>"); // only the keyed row

    entity->ReOpenSql();
    EXPECT_FALSE(entity->flgReread());
    entity->ClearFieldsValue();
    entity->SetFieldValue("ID", 2);
    entity->Delete();
    EXPECT_EQ(row(2), "<none>");
    EXPECT_EQ(count(), 4);

    // Values from the view's current row.
    entity->EntityOpenOnly();
    ASSERT_TRUE(entity->Query()->Locate("ID", Variant(4), {}));
    entity->DeleteForQry();
    EXPECT_EQ(row(4), "<none>");
    entity->EntityOpenOnly();
    EXPECT_EQ(viewIds(), "1,3,5");
}

TEST_P(EntityEngineTest, AnUpdateLeavesOutOnlyWhatTheSameRowAlreadyHolds) {
    seed();
    entity->SetOrdering(0);
    entity->EntityOpen();
    ASSERT_TRUE(entity->Query()->Locate("ID", Variant(1), {}));
    TStringList lines;
    entity->ClearFieldsValue();
    entity->SetFieldValue("ID", 1);
    entity->SetFieldValue("NAME", "Brake pad");
    entity->SetFieldValue("QTY", 4);
    entity->SetFieldValue("PRICE", 12.5);
    entity->SetFieldValue("NOTE", ""); // empty text against a null column
    EXPECT_FALSE(entity->GenerateSQLUpdate(&lines));
    EXPECT_EQ(lines.Count(), 0);

    entity->SetFieldValue("QTY", 5);
    ASSERT_TRUE(entity->GenerateSQLUpdate(&lines));
    EXPECT_EQ(lines[1], "\"qty\"=:\"QTY\"");

    // Row 2 holds the same name as these values would give row 1, but the view is on row 1:
    // every column is written for another key.
    entity->SetFieldValue("ID", 2);
    entity->SetFieldValue("QTY", 4);
    ASSERT_TRUE(entity->GenerateSQLUpdate(&lines));
    EXPECT_EQ(lines[1], "\"name\"=:\"NAME\",\"qty\"=:\"QTY\",\"price\"=:\"PRICE\",\"note\"=:\"NOTE\"");
    entity->Edit(); // no check installed: the update goes ahead
    EXPECT_EQ(row(2), "Brake pad|4|12.5|<null>");
    entity->OnCheckUpdate = [](TUserEntity*, bool& ok) { ok = false; };
    entity->EditForArray(cdtArray, {"vetoed", 1, 1.0, "", 2});
    EXPECT_EQ(row(2), "Brake pad|4|12.5|<null>");
}

TEST_P(EntityEngineTest, ArrayValuesStayOnTheirOwnColumns) {
    seed();
    entity->EntityOpen();
    ASSERT_TRUE(entity->Query()->Locate("ID", Variant(1), {}));
    // name, qty, price, note, then the key; the name is the one the row already holds.
    entity->EditForArray(cdtArray, {"Brake pad", 9, 13.75, "new note", 1});
    EXPECT_EQ(row(1), "Brake pad|9|13.75|new note");
    // Null and empty values clear a column.
    entity->EditForArray(cdtArray, {"", Variant::Null(), 1.0, Variant(), 1});
    EXPECT_EQ(row(1), "<null>|<null>|1|<null>");
    entity->AddForArray(cdtArray, {7, "Fan belt", 1, 19.0, Variant::Null()});
    EXPECT_EQ(row(7), "Fan belt|1|19|<null>");
    entity->DeleteForArray(cdtArray, {7});
    EXPECT_EQ(row(7), "<none>");
    EXPECT_THROW(entity->DeleteForArray(cdtArray, {}), EEntityException);
    EXPECT_EQ(count(), 5);
}

TEST_P(EntityEngineTest, WherePhraseAndFilterAreBothApplied) {
    seed();
    entity->SetOrdering(0);
    // An OR in the where phrase must not swallow the filter.
    entity->SetWherePhrase("qty >= :QTY OR id = 4");
    entity->SetFieldValue("QTY", 4);
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "1,3,4,5");

    entity->SetFilterStr("price < 10");
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "3,4,5");

    entity->SetFieldFilter("NAME", "Oil filter");
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "3");

    entity->SetFilterStr("");
    entity->SetWherePhrase("");
    entity->SetFieldFilter("NAME", "brake disc");
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "2");

    // A filter phrase's parameters take the filter values, the where phrase's the values.
    entity->ClearFieldsFilter();
    entity->SetWherePhrase("id <> :ID");
    entity->SetFilterStr("qty > :QTY");
    entity->SetFieldValue("ID", 5);
    entity->SetFieldValue("QTY", 100);
    entity->SetFieldFilter("QTY", 1);
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "1,2,3");

    // The where phrase's parameter and a filter value of the same field keep their own values.
    entity->ClearFieldsFilter();
    entity->SetFilterStr("");
    entity->SetWherePhrase("qty >= :QTY");
    entity->SetFieldValue("QTY", 4);
    entity->SetFieldFilter("QTY", 10);
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "3");
    entity->SetFieldValue("QTY", 11);
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "");
}

TEST_P(EntityEngineTest, ReopeningKeepsTheCurrentRow) {
    seed();
    entity->SetOrdering(0);
    entity->EntityOpen();
    ASSERT_TRUE(entity->Query()->Locate("ID", Variant(4), {}));
    entity->SetOrderingDesc(true);
    entity->EntityOpenOnly();
    EXPECT_EQ(currentId(), 4);
    entity->ClearFieldsValue();
    entity->SetFieldValue("ID", 4);
    entity->Delete();
    entity->EntityOpenOnly();
    EXPECT_EQ(currentId(), 5); // the row is gone: the first one
}

TEST_P(EntityEngineTest, EachSearchKindFindsTheRightRows) {
    seed();
    entity->SetOrdering(0);
    entity->EntityOpen();
    TODBCQuery* q = entity->Query();

    entity->SetFieldFind("NAME", "brake");
    EXPECT_TRUE(entity->Find()); // from the first row on: the next match
    EXPECT_EQ(currentId(), 2);
    EXPECT_FALSE(entity->Find()); // no further match: stays
    EXPECT_EQ(currentId(), 2);

    entity->SetFindSensitive(true);
    q->First();
    EXPECT_TRUE(entity->Find());
    EXPECT_EQ(currentId(), 2);
    entity->SetFieldFind("NAME", "Brake");
    q->First();
    EXPECT_FALSE(entity->Find()); // row 1 is where the search starts, not a hit
    EXPECT_EQ(currentId(), 1);
    entity->SetFindSensitive(false);

    entity->SetFindOption(efoSubConCur);
    entity->SetFieldFind("NAME", "FILTER");
    EXPECT_TRUE(entity->Find());
    EXPECT_EQ(currentId(), 3);
    EXPECT_TRUE(entity->Find());
    EXPECT_EQ(currentId(), 4);

    entity->SetFindOption(efoFullConCur);
    entity->SetFieldFind("NAME", "spark");
    q->First();
    EXPECT_FALSE(entity->Find());
    entity->SetFieldFind("NAME", "spark PLUG");
    EXPECT_TRUE(entity->Find());
    EXPECT_EQ(currentId(), 5);

    // Backwards, with two conditions, a number compared as a number.
    entity->SetFindOption(efoFirstConCur);
    entity->SetFindDown(dfPrior);
    entity->SetFieldFind("NAME", "b");
    entity->SetFieldFind("QTY", "4");
    EXPECT_TRUE(entity->Find());
    EXPECT_EQ(currentId(), 1);
    entity->ClearFieldsFind();
    entity->SetFieldFind("PRICE", 7.25);
    q->Last();
    EXPECT_TRUE(entity->Find());
    EXPECT_EQ(currentId(), 3);
    // A zero finds an empty number.
    entity->ClearFieldsFind();
    entity->SetFieldFind("QTY", 0);
    entity->SetFindDown(dfNext);
    q->First();
    EXPECT_TRUE(entity->Find());
    EXPECT_EQ(currentId(), 4);
    // Nothing to search for: nothing moves.
    entity->ClearFieldsFind();
    q->First();
    EXPECT_FALSE(entity->Find());
    EXPECT_EQ(currentId(), 1);
}

// A date searched for matches the rows whose column holds that day, whatever the time of day.
TEST_P(EntityEngineTest, ADateFindsTheRowsOfThatDay) {
    tdb->exec("CREATE TABLE visit (id INTEGER PRIMARY KEY, due TIMESTAMP)");
    tdb->exec("INSERT INTO visit VALUES (1, '2026-03-04 09:30:00')");
    tdb->exec("INSERT INTO visit VALUES (2, '2026-11-12 00:00:00')");
    tdb->exec("INSERT INTO visit VALUES (3, '2026-03-14 00:00:00')");
    tdb->exec("INSERT INTO visit VALUES (4, '2026-11-12 16:45:00')");
    TUserEntity visits;
    visits.SetfactTable("VISIT");
    visits.SetviewTable("visit");
    visits.SetviewEntity("Visits");
    visits.CreateField("ID", "", "Number", 6, true, true, true, true, ftInteger, cnstETPK);
    visits.CreateField("DUE", "", "Due", 10, true, true, true, false, ftDateTime, cnstETField);
    visits.SetOrdering(0);
    visits.EntityOpen();
    TODBCQuery* q = visits.Query();
    auto current = [&] { return q->FieldByName("ID")->AsInteger(); };

    visits.SetFieldFind("DUE", Variant(EncodeDate(2026, 11, 12)));
    EXPECT_TRUE(visits.Find());
    EXPECT_EQ(current(), 2);
    EXPECT_TRUE(visits.Find());
    EXPECT_EQ(current(), 4);
    EXPECT_FALSE(visits.Find());
    EXPECT_EQ(current(), 4);

    // The 4th of March is not the 14th, nor the 14th the 4th.
    visits.SetFieldFind("DUE", Variant(EncodeDate(2026, 3, 4)));
    visits.SetFindDown(dfPrior);
    EXPECT_TRUE(visits.Find());
    EXPECT_EQ(current(), 1);
    q->First();
    visits.SetFieldFind("DUE", Variant(EncodeDate(2026, 3, 14)));
    visits.SetFindDown(dfNext);
    EXPECT_TRUE(visits.Find());
    EXPECT_EQ(current(), 3);
    EXPECT_EQ(shown, "");
}

TEST_P(EntityEngineTest, HostileValuesRoundTripUnchanged) {
    const std::vector<String> hostile = {
        "O'Brien's ''quoted''",      "x'); DROP TABLE part; --", "100% _sure_ [a-z]*", "back\\slash \\' \\\\",
        "\"double\" `tick` /* c */", "Grüße Ωμέγα 日本語",       ":ID :\"NAME\" ?",
    };
    int id = 10;
    for (const String& v : hostile)
        add(id++, v, 1, 1.0, v);
    const String longText(20000, 'w');
    add(id, "long", 1, 1.0, longText + "'end");
    EXPECT_EQ(count(), static_cast<int>(hostile.size()) + 1);
    id = 10;
    for (const String& v : hostile)
        EXPECT_EQ(row(id++), v + "|1|1|" + v);
    EXPECT_EQ(row(id), "long|1|1|" + longText + "'end");

    // As a filter value and a search value too.
    entity->SetOrdering(0);
    for (size_t i = 0; i < hostile.size(); ++i) {
        entity->ClearFieldsFilter();
        entity->SetFieldFilter("NAME", hostile[i]);
        entity->EntityOpen();
        EXPECT_EQ(viewIds(), std::to_string(10 + i)) << hostile[i];
    }
    entity->ClearFieldsFilter();
    entity->EntityOpen();
    entity->SetFindOption(efoFullConCur);
    entity->SetFieldFind("NAME", hostile[2]);
    entity->Query()->First();
    EXPECT_TRUE(entity->Find());
    EXPECT_EQ(currentId(), 12);

    // Changed to another hostile value, and deleted by it.
    entity->OnCheckUpdate = [](TUserEntity*, bool& ok) { ok = true; };
    entity->EditForArray(cdtArray, {hostile[1], 2, 2.0, hostile[0], 10});
    EXPECT_EQ(row(10), hostile[1] + "|2|2|" + hostile[0]);
    EXPECT_EQ(count(), static_cast<int>(hostile.size()) + 1);
}

TEST_P(EntityEngineTest, HostileNamesAndPhrasesAreRefusedBeforeAnythingRuns) {
    seed();
    TStringList lines;
    auto refused = [&](const std::function<void()>& f) {
        EXPECT_THROW(f(), EEntityException);
        EXPECT_EQ(count(), 5); // the table is still there, untouched
    };
    for (const String& bad : {String("name; DROP TABLE part"), String("id\"=0 OR \"id"), String("nosuch"),
                              String("name--"), String("na\nme"), String("qty:x")}) {
        TUserEntity e;
        e.SetfactTable("part");
        e.CreateField("ID", "", "", 1, true, true, false, false, ftInteger, cnstETPK);
        e.CreateField(bad, "", "", 1, true, true, true, false, ftString, cnstETField);
        e.SetFieldValue("ID", 1);
        e.SetFieldValue(bad, "x");
        refused([&] { e.Add(); });
        refused([&] { e.EditForArray(cdtArray, {"x", 1}); });
        refused([&] { e.GenerateSQLSelect(&lines, false); });
        refused([&] { e.GenerateOrder(0); });
    }
    for (const String& table : {String("part; DROP TABLE part"), String("part\" --"), String("nosuch")}) {
        TUserEntity e;
        e.SetfactTable(table);
        e.CreateField("ID", "", "", 1, true, true, false, false, ftInteger, cnstETPK);
        e.SetFieldValue("ID", 1);
        refused([&] { e.Delete(); });
    }
    // Phrases that would end the statement or hide its rest.
    for (const String& phrase :
         {String("1=1; DELETE FROM part"), String("1=1 --"), String("1=1 /* x */"), String("name = 'x"),
          String("(qty > 1"), String("name = $$x$$"), String("name = [x'] OR 1=1")}) {
        entity->SetWherePhrase(phrase);
        refused([&] { entity->EntityOpen(); });
        entity->SetWherePhrase("");
        entity->SetFilterStr(phrase);
        refused([&] { entity->EntityOpen(); });
        entity->SetFilterStr("");
    }
    // Quoted text may hold what is refused outside it.
    entity->SetWherePhrase("name <> ';--/*('");
    entity->EntityOpen();
    EXPECT_EQ(viewIds(), "1,2,3,4,5");
    // Procedure names are plain identifiers.
    entity->SetSP(fetInsert, "p; DROP TABLE part");
    refused([&] { entity->Add(); });
}

TEST_P(EntityEngineTest, LocksReportRowsThatAreGoneOrHeldElsewhere) {
    seed();
    entity->SetFieldValue("ID", 3);
    EXPECT_EQ(entity->Lock(), lrOk);
    EXPECT_TRUE(db->InTransaction()); // the lock holds until the transaction ends
    db->Rollback();
    EXPECT_EQ(row(3), "Oil filter|10|7.25|<null>");

    entity->SetFieldValue("ID", 99);
    EXPECT_EQ(entity->Lock(), lrDeleted);
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(entity->LockForArray(cdtArray, {99}), lrDeleted);
    EXPECT_EQ(entity->LockCascadeForArray(cdtArray, {1}), lrOk);
    db->Rollback();
    EXPECT_TRUE(shown.empty()) << shown;

    // Another connection holds the row (PostgreSQL) or the database's write lock (SQLite).
    auto other = connect();
    other->StartTransaction();
    {
        TODBCQuery hold;
        hold.SetODBCDatabase(other.get());
        hold.SQL()->Add("UPDATE part SET qty = qty WHERE id = 3");
        hold.ExecSQL();
    }
    entity->SetFieldValue("ID", 3);
    EXPECT_EQ(entity->Lock(), lrLocked);
    EXPECT_FALSE(shown.empty()); // the driver's error was shown, not raised
    EXPECT_FALSE(db->InTransaction());
    other->Rollback();
    shown.clear();
    entity->EntityOpen();
    ASSERT_TRUE(entity->Query()->Locate("ID", Variant(3), {}));
    tdb->exec("UPDATE part SET qty = 33 WHERE id = 3"); // changed since the view was read
    EXPECT_EQ(entity->Query()->FieldByName("QTY")->AsInteger(), 10);
    EXPECT_EQ(entity->LockForQry(), lrOk);
    EXPECT_EQ(currentId(), 3);
    EXPECT_EQ(entity->Query()->FieldByName("QTY")->AsInteger(), 33);
    db->Commit();

    // A lock needs a column it can name.
    TUserEntity onlyKey;
    onlyKey.SetfactTable("part");
    onlyKey.CreateField("ID", "", "", 1, true, true, false, false, ftInteger, cnstETPK);
    onlyKey.SetFieldValue("ID", 1);
    try {
        onlyKey.Lock();
        ADD_FAILURE() << "no lock statement expected";
    } catch (const EEntityException& e) {
        EXPECT_STREQ(e.what(), "Can not create select lock query");
    }
}

TEST_P(EntityEngineTest, StoredProceduresRunWithTheFieldsOfTheirOperation) {
    TUserEntity e;
    e.SetfactTable("part");
    e.CreateField("ID", "", "", 1, true, true, false, false, ftInteger, cnstETPK);
    e.CreateField("NAME", "", "", 1, true, true, false, false, ftString, cnstETField);
    try {
        e.CreateSProcedure(fetInsert);
        ADD_FAILURE() << "no procedure expected";
    } catch (const EEntityException& x) {
        EXPECT_STREQ(x.what(), "Can not create empty procedure");
    }
    e.SetSP(fetInsert, "add_part");
    auto q = e.CreateSProcedure(fetInsert);
    EXPECT_EQ(q->SQL()->Text(), "EXECUTE PROCEDURE add_part(:\"ID\",:\"NAME\")\n");
    if (!postgres())
        GTEST_SKIP() << "SQLite has no stored procedures";

    tdb->exec("CREATE PROCEDURE add_part(p_id INTEGER, p_name VARCHAR) LANGUAGE SQL AS "
              "$$ INSERT INTO part (id, name, qty) VALUES (p_id, p_name || '!', 0) $$");
    tdb->exec("CREATE FUNCTION lock_part(p_id INTEGER) RETURNS INTEGER LANGUAGE plpgsql AS "
              "$$ BEGIN IF NOT EXISTS (SELECT 1 FROM part WHERE id = p_id) THEN "
              "RAISE EXCEPTION 'gone'; END IF; RETURN p_id; END $$");
    const String saved = strExecuteProc;
    strExecuteProc = "CALL";
    e.SetFieldValue("ID", 8);
    e.SetFieldValue("NAME", "it's; -- odd");
    e.Add();
    EXPECT_EQ(row(8), "it's; -- odd!|0|<null>|<null>");
    strExecuteProc = "SELECT * FROM";
    e.SetSP(fetLock, "lock_part");
    e.SetSPOpen(fetLock, true);
    EXPECT_EQ(e.Lock(), lrOk);
    e.SetFieldValue("ID", 9);
    EXPECT_EQ(e.Lock(), lrLocked);
    EXPECT_NE(shown.find("gone"), std::string::npos);
    strExecuteProc = saved;
}

TEST_P(EntityEngineTest, BinaryValuesKeepEveryByte) {
    tdb->exec(std::string("CREATE TABLE doc (id INTEGER PRIMARY KEY, data ") +
              (postgres() ? "BYTEA" : "BLOB") + ")");
    TUserEntity e;
    e.SetfactTable("doc");
    e.CreateField("ID", "", "", 1, true, true, false, false, ftInteger, cnstETPK);
    e.CreateField("DATA", "", "", 1, true, true, false, false, ftBlob, cnstETField);
    TBytes bytes;
    for (int i = 0; i < 3000; ++i)
        bytes.push_back(static_cast<uint8_t>((i * 7) % 256)); // NULs and quotes among them
    e.SetFieldValue("ID", 1);
    e.SetFieldValue("DATA", Variant(bytes));
    e.Add();
    e.AddForArray(cdtArray, {2, String("a'b\\c", 6)});
    e.AddForArray(cdtArray, {3, Variant::Null()});
    auto read = [&](int id) {
        auto q = OpenQueryLong("select data from doc where id = :id", {Variant(id)});
        String data;
        if (!q->ReadColumnData((*q->Fields())[0], data))
            return String("<null>");
        return data;
    };
    EXPECT_EQ(read(1), String(bytes.begin(), bytes.end()));
    EXPECT_EQ(read(2), String("a'b\\c", 6));
    EXPECT_EQ(read(3), "<null>");
}

TEST_P(EntityEngineTest, AnotherEntityOfTheViewRereadsAfterAWrite) {
    seed();
    TUserEntity other;
    other.SetfactTable("part");
    other.SetviewEntity("PARTS");
    other.CreateField("ID", "", "", 1, true, true, true, true, ftInteger, cnstETPK);
    other.CreateField("QTY", "", "", 1, true, true, false, false, ftInteger, cnstETField);
    other.SetOrdering(0);
    other.EntityOpen();
    ASSERT_TRUE(other.Query()->Locate("ID", Variant(5), {}));
    EXPECT_FALSE(other.flgReread());

    entity->OnCheckUpdate = [](TUserEntity*, bool& ok) { ok = true; };
    entity->EditForArray(cdtArray, {"Spark plug", 24, 3.0, Variant::Null(), 5});
    EXPECT_TRUE(other.flgReread());
    other.ReOpenSql();
    EXPECT_FALSE(other.flgReread());
    EXPECT_EQ(other.Query()->FieldByName("ID")->AsInteger(), 5);
    EXPECT_EQ(other.Query()->FieldByName("QTY")->AsInteger(), 24);

    // Without a sort order a changed row may come back elsewhere; the re-read follows its key.
    other.SetOrdering(-1);
    other.EntityOpen();
    ASSERT_TRUE(other.Query()->Locate("ID", Variant(2), {}));
    entity->EditForArray(cdtArray, {"brake disc", 3, 40.0, Variant::Null(), 2});
    other.ReOpenSql();
    EXPECT_EQ(other.Query()->FieldByName("ID")->AsInteger(), 2);
    EXPECT_EQ(other.Query()->FieldByName("QTY")->AsInteger(), 3);
}

TEST_P(EntityEngineTest, AnEntityReadFromAFormWorksOnANewConnection) {
    seed();
    TMemoryStream form;
    WriteComponent(form, entity.get());
    form.SetPosition(0);
    std::unique_ptr<TComponent> read(ReadComponent(form, nullptr));
    auto* e = dynamic_cast<TUserEntity*>(read.get());
    ASSERT_NE(e, nullptr);
    e->SetFieldValue("ID", 6);
    e->SetFieldValue("NAME", "Wiper");
    e->Add();
    EXPECT_EQ(row(6), "Wiper|<null>|<null>|<null>");

    // The connection is replaced: what the entity learnt of the old one is dropped with it.
    DataBase = nullptr;
    db.reset();
    db = connect();
    DataBase = db.get();
    e->SetFieldValue("ID", 6);
    e->Delete();
    EXPECT_EQ(row(6), "<none>");
    e->SetOrdering(0);
    e->EntityOpen();
    EXPECT_EQ(e->Query()->FieldByName("NAME")->AsString(), "Brake pad");
}

TEST_P(EntityEngineTest, SelectAndCloseProceduresRunAroundTheView) {
    if (!postgres())
        GTEST_SKIP() << "SQLite has no stored procedures";
    seed();
    tdb->exec(
        "CREATE PROCEDURE touch_part(p_id INTEGER, p_name VARCHAR, p_qty INTEGER, p_price DOUBLE PRECISION, "
        "p_note TEXT) LANGUAGE SQL AS $$ UPDATE part SET qty = qty + 1 WHERE id = p_id $$");
    tdb->exec("CREATE PROCEDURE close_part() LANGUAGE SQL AS $$ UPDATE part SET note = 'closed' $$");
    const String saved = strExecuteProc;
    strExecuteProc = "CALL";
    entity->SetStoredProcedures("touch_part;;;;;;close_part;");
    entity->SetOrdering(0);
    entity->ClearFieldsValue();
    entity->SetFieldValue("ID", 3);
    entity->EntityOpen();
    ASSERT_TRUE(entity->Query()->Locate("ID", Variant(3), {}));
    EXPECT_EQ(entity->Query()->FieldByName("QTY")->AsInteger(), 11);

    // Without a pending re-read the query is only read again; with one the procedure runs first.
    entity->ReOpenSql();
    EXPECT_EQ(entity->Query()->FieldByName("QTY")->AsInteger(), 11);
    entity->SetFlgReread(true);
    entity->ReOpenSql();
    EXPECT_EQ(currentId(), 3);
    EXPECT_EQ(entity->Query()->FieldByName("QTY")->AsInteger(), 12);

    entity->execClose();
    EXPECT_FALSE(entity->Query()->Active());
    EXPECT_EQ(row(1), "Brake pad|4|12.5|closed");
    strExecuteProc = saved;
}

INSTANTIATE_TEST_SUITE_P(Engines, EntityEngineTest, TESTSUPPORT_ENGINES);

} // namespace

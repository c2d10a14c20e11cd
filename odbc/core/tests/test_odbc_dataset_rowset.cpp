// A forward-only block cursor's records name their row of the row set instead of copying it:
// records a grid keeps across blocks, the last row after the end, calculated fields and
// filters read the same values as the plain cursor; date and time parts on both cursors.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace vantrel;
using testsupport::Engine;

namespace {

constexpr int kRows = 10;

// What a row of the table reads as: name and made are null on every fourth row, stamp on every
// third; note is longer than a text column's buffer would need to be.
std::string expectedRow(int id) {
    std::string row = std::to_string(id) + "|";
    row += id % 4 == 0 ? "<null>|<null>|" : "name" + std::to_string(id) + "|2024-01-" + (id < 10 ? "0" : "") +
                                                 std::to_string(id) + "|";
    row += id % 3 == 0 ? "<null>|" : "2024-02-03 04:05:" + std::string(id < 10 ? "0" : "") + std::to_string(id) + "|";
    row += "note " + std::string(static_cast<size_t>(id) * 30, 'x') + "|";
    return row;
}

std::string readRow(TDataSet& ds) {
    std::string row = std::to_string(ds.FieldByName("id")->AsInteger()) + "|";
    TField* name = ds.FieldByName("name");
    row += (name->IsNull() ? std::string("<null>") : name->AsString()) + "|";
    char text[32];
    TDateTimeParts p;
    if (static_cast<TDateTimeField*>(ds.FieldByName("made"))->GetParts(p)) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d|", p.Year, p.Month, p.Day);
        row += text;
    } else {
        row += "<null>|";
    }
    if (static_cast<TDateTimeField*>(ds.FieldByName("stamp"))->GetParts(p)) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d|", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                      p.Second);
        row += text;
    } else {
        row += "<null>|";
    }
    row += ds.FieldByName("note")->AsString() + "|";
    return row;
}

// A control's window of records, as a grid keeps it.
class WindowLink : public TDataLink {};

class RowSetTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE item (id INTEGER PRIMARY KEY, name VARCHAR(20), made DATE, stamp TIMESTAMP, "
                  "note TEXT)");
        for (int i = 1; i <= kRows; ++i) {
            const std::string n = std::to_string(i), two = (i < 10 ? "0" : "") + n;
            tdb->exec("INSERT INTO item VALUES (" + n + ", 'name" + n + "', '2024-01-" + two + "', '2024-02-03 04:05:" +
                      two + "', 'note " + std::string(static_cast<size_t>(i) * 30, 'x') + "')");
        }
        tdb->exec("UPDATE item SET name = NULL, made = NULL WHERE id % 4 = 0");
        tdb->exec("UPDATE item SET stamp = NULL WHERE id % 3 = 0");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
    }
    void TearDown() override {
        db.reset();
        tdb.reset();
    }
    std::unique_ptr<TODBCQuery> blockQuery(int rowSet, const std::string& sql = kSql) {
        auto q = std::make_unique<TODBCQuery>(nullptr);
        q->SetODBCDatabase(db.get());
        q->SetUniDirectional(true);
        q->SetBlockCursor(true);
        q->SetRowSetSize(rowSet);
        q->SetSQLText(sql);
        return q;
    }

    static constexpr const char* kSql = "SELECT id, name, made, stamp, note FROM item ORDER BY id";
    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
};

TEST_P(RowSetTest, RecordsAGridKeepsReadTheirOwnRowsAcrossBlocks) {
    for (int rowSet : {1, 3, 4, 10}) {
        auto q = blockQuery(rowSet);
        TDataSource source(nullptr);
        source.SetDataSet(q.get());
        WindowLink link;
        link.SetDataSource(&source);
        link.SetBufferCount(5);
        q->Open();
        ASSERT_TRUE(q->BlockMode());
        int current = 1;
        for (; !q->Eof(); q->Next(), ++current) {
            EXPECT_EQ(readRow(*q), expectedRow(current)) << "row set " << rowSet;
            // Every record of the window, some of them from blocks fetched before this one.
            const int active = link.ActiveRecord();
            std::vector<int> ids;
            for (int i = 0; i < link.RecordCount(); ++i) {
                link.SetActiveRecord(i);
                const int id = q->FieldByName("id")->AsInteger();
                ids.push_back(id);
                EXPECT_EQ(readRow(*q), expectedRow(id)) << "row set " << rowSet << ", at " << current;
            }
            link.SetActiveRecord(active);
            ASSERT_FALSE(ids.empty());
            for (size_t i = 1; i < ids.size(); ++i)
                EXPECT_EQ(ids[i], ids[i - 1] + 1) << "row set " << rowSet;
            // The window fills ahead first, then follows the current record.
            EXPECT_NE(std::find(ids.begin(), ids.end(), current), ids.end()) << "row set " << rowSet;
            EXPECT_EQ(ids.back(), std::max(current, std::min(kRows, 5))) << "row set " << rowSet;
        }
        EXPECT_EQ(current, kRows + 1);
        // The fetch that found the end left the last row readable, text and dates included.
        EXPECT_EQ(readRow(*q), expectedRow(kRows)) << "row set " << rowSet;
        EXPECT_EQ(q->FieldByName("id")->AsInteger(), kRows);
        link.SetDataSource(nullptr);
    }
}

TEST_P(RowSetTest, CountingAndCalculatedFieldsAndFiltersReadTheRowSet) {
    auto q = blockQuery(3, "SELECT id, name FROM item ORDER BY id");
    auto* id = new TIntegerField(q.get());
    id->SetFieldName("id");
    id->SetDataSet(q.get());
    auto* name = new TStringField(q.get());
    name->SetFieldName("name");
    name->SetSize(20);
    name->SetDataSet(q.get());
    auto* label = new TStringField(q.get());
    label->SetFieldName("label");
    label->SetSize(40);
    label->SetCalculated(true);
    label->SetDataSet(q.get());
    q->OnCalcFields = [&](TDataSet*) {
        label->SetAsString(std::to_string(id->AsInteger() * 2) + ":" + (name->IsNull() ? "-" : name->AsString()));
    };
    q->OnFilterRecord = [&](TDataSet*, bool& accept) { accept = id->AsInteger() % 3 != 0; };
    q->SetFiltered(true);
    q->Open();
    std::vector<std::string> seen;
    for (; !q->Eof(); q->Next()) {
        seen.push_back(label->AsString());
        // Counting runs the statement again and comes back to the same row of the same block.
        if (id->AsInteger() == 5) {
            EXPECT_EQ(q->RecordCount(), kRows);
            EXPECT_EQ(label->AsString(), "10:name5");
            EXPECT_EQ(name->AsString(), "name5");
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"2:name1", "4:name2", "8:-", "10:name5", "14:name7", "16:-",
                                              "20:name10"}));
    EXPECT_EQ(label->AsString(), "20:name10");
}

TEST_P(RowSetTest, DateAndTimePartsMatchTheDecodedValueOnEveryCursor) {
    tdb->exec("UPDATE item SET stamp = '1999-12-31 23:59:58' WHERE id = 7");
    for (const bool block : {true, false}) {
        auto q = blockQuery(4, "SELECT id, made, stamp FROM item ORDER BY id");
        q->SetBlockCursor(block);
        q->SetUniDirectional(block);
        q->Open();
        int rows = 0;
        for (; !q->Eof(); q->Next(), ++rows) {
            auto* made = static_cast<TDateTimeField*>(q->FieldByName("made"));
            auto* stamp = static_cast<TDateTimeField*>(q->FieldByName("stamp"));
            TDateTimeParts p;
            ASSERT_EQ(made->GetParts(p), !made->IsNull());
            if (!made->IsNull()) {
                int y, m, d;
                DecodeDate(made->AsDateTime(), y, m, d);
                EXPECT_EQ((std::vector<int>{p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second}),
                          (std::vector<int>{y, m, d, 0, 0, 0}));
            } else {
                EXPECT_EQ(p.Year, 0);
            }
            ASSERT_EQ(stamp->GetParts(p), !stamp->IsNull());
            if (!stamp->IsNull()) {
                int y, m, d, h, n, s, ms;
                DecodeDateTime(stamp->AsDateTime(), y, m, d, h, n, s, ms);
                // The value as a fraction of a day may come back a millisecond short.
                if (ms >= 500) {
                    ms = 0;
                    ++s;
                }
                EXPECT_EQ((std::vector<int>{p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.MSec}),
                          (std::vector<int>{y, m, d, h, n, s, ms}))
                    << "block " << block << ", id " << q->FieldByName("id")->AsInteger();
            }
        }
        EXPECT_EQ(rows, kRows);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, RowSetTest, TESTSUPPORT_ENGINES);

} // namespace

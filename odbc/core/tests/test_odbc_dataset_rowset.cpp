// A forward-only block cursor's records name their row of the row set instead of copying it:
// records a grid keeps across blocks, the last row after the end, calculated fields and
// filters read the same values as the plain cursor; date and time parts on both cursors. The
// scrollable cursor fetches blocks too: moves across their edges both ways, bookmarks, counting,
// cut values and edits in the middle of a block.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/ODBCExtDataSet.h>

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

class ScrollBlockTest : public RowSetTest {
protected:
    template <class Query = TODBCQuery> std::unique_ptr<Query> scrollQuery(int rowSet, const std::string& sql = kSql) {
        auto q = std::make_unique<Query>(nullptr);
        q->SetODBCDatabase(db.get());
        q->SetRowSetSize(rowSet);
        q->SetSQLText(sql);
        return q;
    }
    // The ids of a window's records, each checked against what its row holds.
    static std::vector<int> windowIds(TDataSet& q, TDataLink& link) {
        const int active = link.ActiveRecord();
        std::vector<int> ids;
        for (int i = 0; i < link.RecordCount(); ++i) {
            link.SetActiveRecord(i);
            const int id = q.FieldByName("id")->AsInteger();
            ids.push_back(id);
            EXPECT_EQ(readRow(q), expectedRow(id));
        }
        link.SetActiveRecord(active);
        return ids;
    }
    static int at(TDataSet& q) { return q.FieldByName("id")->AsInteger(); }
};

TEST_P(ScrollBlockTest, MovesAcrossBlockEdgesBothWaysReadTheirRows) {
    for (int rowSet : {1, 2, 3, 4, 10, 100}) {
        SCOPED_TRACE("row set " + std::to_string(rowSet));
        auto q = scrollQuery(rowSet);
        TDataSource source(nullptr);
        source.SetDataSet(q.get());
        TDataLink link;
        link.SetDataSource(&source);
        link.SetBufferCount(5);
        q->Open();
        EXPECT_EQ(q->ScrollBlockMode(), rowSet > 1);
        int expected = 1;
        for (; !q->Eof(); q->Next(), ++expected) {
            ASSERT_EQ(readRow(*q), expectedRow(expected));
            const std::vector<int> ids = windowIds(*q, link);
            for (size_t i = 1; i < ids.size(); ++i)
                EXPECT_EQ(ids[i], ids[i - 1] + 1);
        }
        EXPECT_EQ(expected, kRows + 1);
        EXPECT_EQ(at(*q), kRows);
        // Back to the first row, the window following.
        for (expected = kRows; !q->Bof(); q->Prior(), --expected) {
            ASSERT_EQ(readRow(*q), expectedRow(expected));
            windowIds(*q, link);
        }
        EXPECT_EQ(expected, 0);
        EXPECT_EQ(at(*q), 1);
        // From the end, where rows are counted from the last one.
        q->Last();
        EXPECT_EQ(readRow(*q), expectedRow(kRows));
        q->Prior();
        q->Prior();
        q->Prior();
        EXPECT_EQ(readRow(*q), expectedRow(kRows - 3));
        windowIds(*q, link);
        EXPECT_EQ(q->MoveBy(-4), -4);
        EXPECT_EQ(readRow(*q), expectedRow(kRows - 7));
        EXPECT_EQ(q->MoveBy(5), 5);
        EXPECT_EQ(readRow(*q), expectedRow(kRows - 2));
        // Counting in the middle comes back to the same row.
        q->First();
        q->MoveBy(4);
        EXPECT_EQ(q->RecordCount(), kRows);
        EXPECT_EQ(readRow(*q), expectedRow(5));
        q->Next();
        EXPECT_EQ(readRow(*q), expectedRow(6));
        EXPECT_EQ(q->MoveBy(100), kRows - 6);
        EXPECT_TRUE(q->Eof());
        EXPECT_EQ(at(*q), kRows);
        link.SetDataSource(nullptr);
    }
}

TEST_P(ScrollBlockTest, BookmarksAndLocateReachRowsOfOtherBlocks) {
    auto q = scrollQuery(3);
    q->Open();
    q->MoveBy(1);
    const TBookmark second = q->GetBookmark();
    q->MoveBy(7);
    const TBookmark ninth = q->GetBookmark();
    EXPECT_LT(q->CompareBookmarks(second, ninth), 0);
    q->GotoBookmark(second);
    EXPECT_EQ(readRow(*q), expectedRow(2));
    q->Next();
    EXPECT_EQ(readRow(*q), expectedRow(3));
    q->GotoBookmark(ninth);
    EXPECT_EQ(readRow(*q), expectedRow(9));
    q->Prior();
    EXPECT_EQ(readRow(*q), expectedRow(8));
    // A bookmark taken after Last counts from the last row and finds the same row.
    q->Last();
    q->Prior();
    q->Prior();
    const TBookmark fromEnd = q->GetBookmark();
    q->First();
    q->GotoBookmark(fromEnd);
    EXPECT_EQ(readRow(*q), expectedRow(kRows - 2));
    q->Next();
    EXPECT_EQ(readRow(*q), expectedRow(kRows - 1));
    EXPECT_TRUE(q->Locate("id", 8, {}));
    EXPECT_EQ(readRow(*q), expectedRow(8));
    EXPECT_TRUE(q->Locate("name", Variant(String("name2")), {}));
    EXPECT_EQ(readRow(*q), expectedRow(2));
    EXPECT_FALSE(q->Locate("id", 99, {}));
    EXPECT_EQ(readRow(*q), expectedRow(2));
    // Running again keeps the bookmark's row.
    q->Refresh();
    EXPECT_EQ(readRow(*q), expectedRow(2));
}

TEST_P(ScrollBlockTest, CutValuesReadWholeFromAnyRecordOfTheWindow) {
    // Notes are up to 300 characters: a 64-byte column buffer cuts most of them.
    auto q = scrollQuery(4);
    q->SetBlobBufferSize(64);
    TDataSource source(nullptr);
    source.SetDataSet(q.get());
    TDataLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(5);
    q->Open();
    std::vector<int> seen;
    for (; !q->Eof(); q->Next()) {
        // Reading a cut value of another record of the window puts the cursor there and back.
        windowIds(*q, link);
        seen.push_back(at(*q));
        EXPECT_EQ(readRow(*q), expectedRow(seen.back()));
    }
    for (q->Last(); !q->Bof(); q->Prior()) {
        seen.push_back(at(*q));
        EXPECT_EQ(readRow(*q), expectedRow(seen.back()));
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    // A blob stream of a record in the middle of a block.
    q->First();
    q->MoveBy(5);
    auto stream = q->CreateBlobStream(q->FieldByName("note"), bmRead);
    std::string note(static_cast<size_t>(stream->Size()), '\0');
    stream->ReadBuffer(note.data(), stream->Size());
    EXPECT_EQ(note, "note " + std::string(180, 'x'));
    q->Next();
    EXPECT_EQ(readRow(*q), expectedRow(7));
    link.SetDataSource(nullptr);
}

TEST_P(ScrollBlockTest, AnEmptyResultAndOneShorterThanTheBlock) {
    auto q = scrollQuery(4, "SELECT id, name, made, stamp, note FROM item WHERE id > :low ORDER BY id");
    q->ParamByName("low")->SetAsInteger(kRows);
    q->Open();
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->Bof());
    EXPECT_EQ(q->RecordCount(), 0);
    q->Last();
    EXPECT_TRUE(q->Eof());
    q->Close();
    q->ParamByName("low")->SetAsInteger(kRows - 3);
    q->Open();
    q->Last();
    EXPECT_EQ(readRow(*q), expectedRow(kRows));
    q->Prior();
    EXPECT_EQ(readRow(*q), expectedRow(kRows - 1));
    EXPECT_EQ(q->RecordCount(), 3);
    q->First();
    EXPECT_EQ(readRow(*q), expectedRow(kRows - 2));
}

TEST_P(ScrollBlockTest, AnEditInTheMiddleOfABlockShowsAcrossItsEdges) {
    auto q = scrollQuery<TODBCExtQuery>(4, "SELECT id, name FROM item ORDER BY id");
    q->SetRefreshAfterPost(false);
    TDataSource source(nullptr);
    source.SetDataSet(q.get());
    TDataLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(5);
    q->Open();
    auto names = [&] {
        std::string out;
        TBookmark here = q->GetBookmark();
        for (q->First(); !q->Eof(); q->Next())
            out += q->FieldByName("name")->AsString() + ",";
        out += "|";
        for (q->Last(); !q->Bof(); q->Prior())
            out += q->FieldByName("name")->AsString() + ",";
        q->GotoBookmark(here);
        return out;
    };
    q->MoveBy(5);
    q->Edit();
    q->FieldByName("name")->SetAsString("edited");
    q->Post();
    EXPECT_EQ(q->FieldByName("name")->AsString(), "edited");
    q->MoveBy(-4);
    q->Delete();
    EXPECT_EQ(names(), "name1,name3,,name5,edited,name7,,name9,name10,|name10,name9,,name7,edited,name5,,name3,name1,");
    // Written by a handler: the statement runs again and the row is read from the table.
    q->SetRefreshAfterPost(true);
    q->OnUpdateRec = [&](TDataSet* ds, TUpdateKind, TUpdateAction&) {
        TODBCQuery w(nullptr);
        w.SetODBCDatabase(db.get());
        w.SetSQLText("UPDATE item SET name = :name WHERE id = :id");
        w.ParamByName("name")->SetAsString(ds->FieldByName("name")->AsString());
        w.ParamByName("id")->SetAsInteger(ds->FieldByName("id")->AsInteger());
        w.ExecSQL();
    };
    q->Close();
    q->Open();
    q->MoveBy(6);
    EXPECT_EQ(at(*q), 7);
    q->Edit();
    q->FieldByName("name")->SetAsString("written");
    q->Post();
    EXPECT_EQ(at(*q), 7);
    EXPECT_EQ(q->FieldByName("name")->AsString(), "written");
    q->Prior();
    EXPECT_EQ(at(*q), 6);
    q->Next();
    q->Next();
    EXPECT_EQ(at(*q), 8);
    link.SetDataSource(nullptr);
}

TEST_P(ScrollBlockTest, BothCountsLeaveOutARowDeletedInMemory) {
    auto q = scrollQuery<TODBCExtQuery>(4, "SELECT id, name FROM item ORDER BY id");
    q->SetRefreshAfterPost(false);
    q->Open();
    q->MoveBy(5);
    q->Delete();
    EXPECT_EQ(q->RecordCount(), kRows - 1);
    EXPECT_EQ(q->GetRecordCountExt(), kRows - 1);
    EXPECT_EQ(at(*q), 7);
}

INSTANTIATE_TEST_SUITE_P(Engines, ScrollBlockTest, TESTSUPPORT_ENGINES);

} // namespace

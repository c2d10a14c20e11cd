// The editable dataset on both drivers: an edited, an inserted and a deleted row reach the table
// through the handlers and show after the post; old values, retries, refusals and aborts keep the
// dataset and the table consistent; memo edits; writing outside an edit is refused.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCParams.h>
#include <vantrel/ext/ODBCExtDataSet.h>
#include <vantrel/framework/AppServices.h>

#include <gtest/gtest.h>

#include <memory>

using namespace vantrel;
using testsupport::Engine;

class ExtDataSetTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE part (id INTEGER PRIMARY KEY, name VARCHAR(30), qty INTEGER, note TEXT)");
        tdb->exec("INSERT INTO part VALUES (1, 'Brake pad', 4, 'front')");
        tdb->exec("INSERT INTO part VALUES (2, 'Oil filter', 10, NULL)");
        tdb->exec("INSERT INTO part VALUES (3, 'Spark plug', 16, 'NGK')");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetAutoCommitOption(acoAutoCommit);
        db->SetConnected(true);
        q = std::make_unique<TODBCExtQuery>(nullptr);
        q->SetODBCDatabase(db.get());
        q->SetSQLText("SELECT id, name, qty, note FROM part ORDER BY id");
        q->OnUpdateRec = [this](TDataSet* ds, TUpdateKind kind, TUpdateAction& action) {
            calls.push_back(kind);
            if (respond(action))
                return;
            run("UPDATE part SET id = :id, name = :name, qty = :qty, note = :note WHERE id = :old", ds);
        };
        q->OnInsertRec = [this](TDataSet* ds, TUpdateKind kind, TUpdateAction& action) {
            calls.push_back(kind);
            if (respond(action))
                return;
            run("INSERT INTO part (id, name, qty, note) VALUES (:id, :name, :qty, :note)", ds);
        };
        q->OnDeleteRec = [this](TDataSet* ds, TUpdateKind kind, TUpdateAction& action) {
            calls.push_back(kind);
            if (respond(action))
                return;
            run("DELETE FROM part WHERE id = :old", ds);
        };
        q->Open();
    }
    void TearDown() override {
        q.reset();
        db.reset();
        tdb.reset();
    }

    // Scripted answers of the handlers, one per call; when they run out the change is written.
    bool respond(TUpdateAction& action) {
        if (answers.empty())
            return false;
        action = answers.front();
        answers.erase(answers.begin());
        if (action == uaRetry || action == uaFail || action == uaAbort || action == uaSkip)
            return true;
        return false;
    }

    // Runs `sql` with the record's values: :old is the key before the edit.
    void run(const std::string& sql, TDataSet* ds) {
        TODBCQuery w(nullptr);
        w.SetODBCDatabase(db.get());
        w.SetSQLText(sql);
        for (int i = 0; i < w.Params()->Count(); ++i) {
            TODBCParam* p = w.Params()->Items(i);
            if (p->Name() == "old")
                p->SetAsVariant(ds->FieldByName("id")->OldValue());
            else if (p->Name() == "note")
                p->SetAsVariant(ds->FieldByName("note")->IsNull()
                                    ? Variant::Null()
                                    : Variant(ds->FieldByName("note")->AsString()));
            else
                p->SetAsVariant(ds->FieldByName(p->Name())->Value());
            if (p->IsNull() && p->DataType() == ftUnknown) { // a typed null for the column
                p->SetDataType(ftString);
                p->Clear();
            }
        }
        w.ExecSQL();
    }

    std::string table() {
        TODBCQuery r(nullptr);
        r.SetODBCDatabase(db.get());
        r.SetSQLText("SELECT id, name, qty, note FROM part ORDER BY id");
        r.Open();
        std::string out;
        for (r.First(); !r.Eof(); r.Next())
            out += r.FieldByName("id")->AsString() + ":" + r.FieldByName("name")->AsString() + ":" +
                   r.FieldByName("qty")->AsString() + ":" +
                   (r.FieldByName("note")->IsNull() ? "-" : r.FieldByName("note")->AsString()) + ";";
        return out;
    }

    std::string view() {
        std::string out;
        TBookmark here = q->GetBookmark();
        for (q->First(); !q->Eof(); q->Next())
            out += q->FieldByName("id")->AsString() + ":" + q->FieldByName("name")->AsString() + ";";
        if (!here.IsNull())
            q->GotoBookmark(here);
        return out;
    }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
    std::unique_ptr<TODBCExtQuery> q;
    std::vector<TUpdateKind> calls;
    std::vector<TUpdateAction> answers;
    const std::string start = "1:Brake pad:4:front;2:Oil filter:10:-;3:Spark plug:16:NGK;";
};

TEST_P(ExtDataSetTest, AnEditReachesTheTableThroughItsHandlerAndShowsAfterPost) {
    ASSERT_TRUE(q->CanModify());
    q->Next();
    q->Edit();
    q->FieldByName("name")->SetAsString("Oil filter XL");
    q->FieldByName("name")->SetAsString("Oil filter XXL");
    q->FieldByName("id")->SetAsInteger(20);
    EXPECT_EQ(q->ModifiedField(), 2);
    EXPECT_EQ(q->PendingKind(), 1);
    EXPECT_EQ(q->FieldByName("name")->OldValue().AsString(), "Oil filter"); // the first old value
    EXPECT_EQ(q->FieldByName("id")->OldValue().AsInteger(), 2);
    EXPECT_EQ(q->FieldByName("qty")->OldValue().AsInteger(), 10); // unchanged: the current value
    q->Post();
    EXPECT_EQ(calls, std::vector<TUpdateKind>{ukModify});
    EXPECT_EQ(q->State(), dsBrowse);
    EXPECT_EQ(q->ModifiedField(), 0);
    EXPECT_EQ(table(), "1:Brake pad:4:front;3:Spark plug:16:NGK;20:Oil filter XXL:10:-;");
    EXPECT_EQ(view(), "1:Brake pad;3:Spark plug;20:Oil filter XXL;");
}

TEST_P(ExtDataSetTest, AnInsertedAndADeletedRowReachTheTable) {
    q->Append();
    q->FieldByName("id")->SetAsInteger(7);
    q->FieldByName("name")->SetAsString("Wiper blade");
    q->FieldByName("qty")->SetAsInteger(2);
    EXPECT_EQ(q->PendingKind(), 2);
    EXPECT_TRUE(q->FieldByName("note")->IsNull());
    q->Post();
    EXPECT_EQ(table(), start + "7:Wiper blade:2:-;");
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;3:Spark plug;7:Wiper blade;");

    ASSERT_TRUE(q->Locate("id", Variant(3), 0));
    q->Delete();
    EXPECT_EQ(calls, (std::vector<TUpdateKind>{ukInsert, ukDelete}));
    EXPECT_EQ(table(), "1:Brake pad:4:front;2:Oil filter:10:-;7:Wiper blade:2:-;");
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 7); // the cursor stands on the next row
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;7:Wiper blade;");
}

TEST_P(ExtDataSetTest, InsertingIntoAnEmptyResultShowsTheNewRow) {
    q->Close();
    q->SetSQLText("SELECT id, name, qty, note FROM part WHERE id > 100 ORDER BY id");
    q->Open();
    ASSERT_TRUE(q->IsEmpty());
    q->Insert();
    q->FieldByName("id")->SetAsInteger(101);
    q->FieldByName("name")->SetAsString("Fan belt");
    q->Post();
    EXPECT_EQ(view(), "101:Fan belt;");
    EXPECT_FALSE(q->IsEmpty());
    q->Delete();
    EXPECT_TRUE(q->IsEmpty());
    EXPECT_EQ(table(), start);
}

TEST_P(ExtDataSetTest, RefusedAndAbortedChangesKeepTheEditAndTheTable) {
    q->Edit();
    q->FieldByName("qty")->SetAsInteger(99);
    answers = {uaFail};
    try {
        q->Post();
        FAIL() << "posted";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("Record update refused by its handler"), std::string::npos);
    }
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_EQ(q->FieldByName("qty")->AsInteger(), 99);
    EXPECT_EQ(q->FieldByName("qty")->OldValue().AsInteger(), 4);
    EXPECT_EQ(table(), start);

    answers = {uaAbort};
    EXPECT_THROW(q->Post(), EAbort);
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_EQ(q->PendingKind(), 1);

    answers = {uaRetry}; // called again, then writes
    q->Post();
    EXPECT_EQ(calls.size(), 4u);
    EXPECT_EQ(q->State(), dsBrowse);
    EXPECT_EQ(table(), "1:Brake pad:99:front;2:Oil filter:10:-;3:Spark plug:16:NGK;");

    // A refused delete leaves the row and no pending change behind.
    answers = {uaFail};
    EXPECT_THROW(q->Delete(), EDatabaseError);
    EXPECT_EQ(q->PendingKind(), 0);
    EXPECT_EQ(q->State(), dsBrowse);
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;3:Spark plug;");

    // A handler whose statement fails: the error comes through and the edit stays.
    q->Edit();
    q->FieldByName("id")->SetAsInteger(3); // duplicate key
    EXPECT_THROW(q->Post(), EODBCError);
    EXPECT_EQ(q->State(), dsEdit);
    q->Cancel();
    EXPECT_EQ(q->PendingKind(), 0);
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 1);
    EXPECT_EQ(table(), "1:Brake pad:99:front;2:Oil filter:10:-;3:Spark plug:16:NGK;");
}

TEST_P(ExtDataSetTest, WithoutHandlersAPostOnlyEndsTheEdit) {
    q->OnUpdateRec = nullptr;
    q->Edit();
    q->FieldByName("name")->SetAsString("changed");
    q->Post();
    EXPECT_EQ(q->State(), dsBrowse);
    EXPECT_EQ(q->ModifiedField(), 0);
    EXPECT_EQ(table(), start);
    // uaSkip ends the post too, without writing.
    q->Edit();
    q->FieldByName("name")->SetAsString("skipped");
    answers = {uaSkip};
    q->Post();
    EXPECT_EQ(q->State(), dsBrowse);
    EXPECT_EQ(table(), start);
}

TEST_P(ExtDataSetTest, MemoEditsGoThroughBlobStreamsAndOldValues) {
    const std::string longNote(30000, 'n');
    q->Edit();
    q->FieldByName("note")->SetAsString(longNote);
    EXPECT_EQ(q->PendingKind(), 1);
    EXPECT_EQ(q->FieldByName("note")->OldValue().AsString(), "front");
    EXPECT_EQ(q->FieldByName("note")->NewValue().AsString(), longNote);
    EXPECT_EQ(q->FieldByName("note")->AsString(), longNote);
    q->Post();
    EXPECT_EQ(table(), "1:Brake pad:4:" + longNote + ";2:Oil filter:10:-;3:Spark plug:16:NGK;");
    EXPECT_EQ(q->FieldByName("note")->AsString(), longNote); // read back from the new row

    q->Next();
    q->Edit();
    q->FieldByName("note")->SetAsString("was null");
    EXPECT_TRUE(q->FieldByName("note")->OldValue().IsNull());
    q->Cancel();
    EXPECT_TRUE(q->FieldByName("note")->IsNull());
}

TEST_P(ExtDataSetTest, WritingOutsideAnEditAndToReadOnlyFieldsIsRefused) {
    try {
        q->FieldByName("name")->SetAsString("x");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "ODBC Field name not editing");
    }
    q->FieldByName("qty")->SetReadOnly(true);
    q->Edit();
    EXPECT_THROW(q->FieldByName("qty")->SetAsInteger(1), EDatabaseError);
    EXPECT_EQ(q->ModifiedField(), 0);
    q->Cancel();
    EXPECT_THROW(TODBCExtBlobStream(q->FieldByName("note"), bmWrite), EDatabaseError);
}

TEST_P(ExtDataSetTest, BookmarksCompareByPositionFromEitherEnd) {
    TBookmark first = q->GetBookmark();
    q->Last();
    TBookmark last = q->GetBookmark();
    q->Prior();
    TBookmark middle = q->GetBookmark();
    EXPECT_EQ(q->CompareBookmarks(first, last), -1);
    EXPECT_EQ(q->CompareBookmarks(last, middle), 1);
    EXPECT_EQ(q->CompareBookmarks(middle, middle), 0);
    EXPECT_EQ(q->CompareBookmarks(TBookmark(), middle), 1);
    EXPECT_EQ(q->CompareBookmarks(middle, TBookmark()), -1);
    q->First();
    q->Next();
    EXPECT_EQ(q->CompareBookmarks(q->GetBookmark(), middle), 0);
}

// ---- Rows kept in memory after a post that does not run the statement again -----------------

TEST_P(ExtDataSetTest, WithoutRefreshAPostedEditShowsAgainAfterNavigatingAwayAndBack) {
    q->SetRefreshAfterPost(false);
    q->Next();
    q->Edit();
    q->FieldByName("name")->SetAsString("Oil filter XL");
    q->FieldByName("qty")->SetAsInteger(12);
    q->FieldByName("note")->SetAsString("was null");
    EXPECT_FALSE(q->FieldByName("note")->IsNull()); // the edit, not the row as read
    q->Post();
    EXPECT_EQ(table(), "1:Brake pad:4:front;2:Oil filter XL:12:was null;3:Spark plug:16:NGK;");
    EXPECT_EQ(q->PostedCount(), 1);
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Oil filter XL");

    q->Last();
    q->First();
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter XL;3:Spark plug;");
    q->Next();
    EXPECT_EQ(q->FieldByName("qty")->AsInteger(), 12);
    EXPECT_EQ(q->FieldByName("note")->AsString(), "was null");
    EXPECT_FALSE(q->FieldByName("note")->IsNull());
    // Found by its posted values; and seen so by a second edit's old values.
    q->First();
    ASSERT_TRUE(q->Locate("name", Variant(String("Oil filter XL")), 0));
    q->Edit();
    q->FieldByName("qty")->SetAsInteger(13);
    q->FieldByName("note")->SetAsString("second");
    EXPECT_EQ(q->FieldByName("qty")->OldValue().AsInteger(), 12);
    EXPECT_EQ(q->FieldByName("note")->OldValue().AsString(), "was null");
    q->Post();
    EXPECT_EQ(q->PostedCount(), 1);
    q->Last();
    q->Prior();
    EXPECT_EQ(q->FieldByName("qty")->AsInteger(), 13);
    EXPECT_EQ(q->FieldByName("note")->AsString(), "second");

    // Running the statement again shows the table and keeps nothing.
    q->Refresh();
    EXPECT_EQ(q->PostedCount(), 0);
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter XL;3:Spark plug;");
}

TEST_P(ExtDataSetTest, RowsPostedFromTheLastRowMatchWhenReadFromTheFirst) {
    q->SetRefreshAfterPost(false);
    q->Last();
    q->Edit();
    q->FieldByName("name")->SetAsString("Spark plug set");
    q->Post();
    q->Prior();
    q->Next();
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Spark plug set");
    q->First();
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;3:Spark plug set;");
    q->Edit();
    q->FieldByName("name")->SetAsString("Brake pad kit");
    q->Post();
    q->Last();
    TBookmark last = q->GetBookmark();
    q->First();
    TBookmark first = q->GetBookmark();
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Brake pad kit");
    q->GotoBookmark(last);
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Spark plug set");
    EXPECT_EQ(q->CompareBookmarks(first, last), -1);
}

TEST_P(ExtDataSetTest, WithoutAHandlerThePostedValuesStayInMemoryOnly) {
    q->OnUpdateRec = nullptr;
    q->OnDeleteRec = nullptr;
    q->Edit();
    q->FieldByName("name")->SetAsString("in memory");
    q->Post();
    q->Last();
    q->Next(); // past the last row and back through all of them
    q->First();
    EXPECT_EQ(view(), "1:in memory;2:Oil filter;3:Spark plug;");
    EXPECT_EQ(table(), start);

    q->Next();
    q->Delete(); // the cursor moves on to the next row, the deleted one is left out
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 3);
    EXPECT_EQ(view(), "1:in memory;3:Spark plug;");
    EXPECT_EQ(q->RecordCount(), 2);
    q->Last();
    q->Prior();
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 1);
    EXPECT_EQ(table(), start);

    q->Close();
    q->Open();
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;3:Spark plug;");
}

TEST_P(ExtDataSetTest, ADeletePostedWithoutRefreshLeavesTheRowOutEverywhere) {
    q->SetRefreshAfterPost(false);
    ASSERT_TRUE(q->Locate("id", Variant(2), 0));
    q->Delete();
    EXPECT_EQ(calls, std::vector<TUpdateKind>{ukDelete});
    EXPECT_EQ(table(), "1:Brake pad:4:front;3:Spark plug:16:NGK;");
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 3);
    EXPECT_EQ(view(), "1:Brake pad;3:Spark plug;");
    EXPECT_FALSE(q->Locate("id", Variant(2), 0));
    // A filter that accepts everything still leaves it out.
    q->OnFilterRecord = [](TDataSet*, bool& accept) { accept = true; };
    q->SetFiltered(true);
    EXPECT_EQ(view(), "1:Brake pad;3:Spark plug;");
    // ... and one on a posted value sees that value.
    q->SetFiltered(false);
    q->First();
    q->Edit();
    q->FieldByName("qty")->SetAsInteger(40);
    q->Post();
    q->OnFilterRecord = [](TDataSet* ds, bool& accept) {
        accept = ds->FieldByName("qty")->AsInteger() >= 16;
    };
    q->SetFiltered(true);
    EXPECT_EQ(view(), "1:Brake pad;3:Spark plug;");
    q->SetFiltered(false);
    q->OnFilterRecord = nullptr;
    EXPECT_EQ(q->RecordCount(), 2);
}

TEST_P(ExtDataSetTest, RefusedFailedOrCancelledPostsKeepNothing) {
    q->SetRefreshAfterPost(false);
    q->Edit();
    q->FieldByName("name")->SetAsString("refused");
    answers = {uaFail};
    EXPECT_THROW(q->Post(), EDatabaseError);
    answers = {uaAbort};
    EXPECT_THROW(q->Post(), EAbort);
    q->Cancel();
    EXPECT_EQ(q->PostedCount(), 0);

    q->Edit();
    q->FieldByName("name")->SetAsString("skipped");
    q->FieldByName("note")->SetAsString("skipped note");
    answers = {uaSkip};
    q->Post();
    EXPECT_EQ(q->PostedCount(), 0);

    q->Edit();
    q->FieldByName("id")->SetAsInteger(3); // duplicate key: the handler's statement fails
    EXPECT_THROW(q->Post(), EODBCError);
    q->Cancel();
    EXPECT_EQ(q->PostedCount(), 0);

    answers = {uaFail};
    EXPECT_THROW(q->Delete(), EDatabaseError);
    EXPECT_EQ(q->PostedCount(), 0);

    q->Next();
    q->First();
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;3:Spark plug;");
    EXPECT_EQ(q->FieldByName("note")->AsString(), "front");
    EXPECT_EQ(table(), start);
}

TEST_P(ExtDataSetTest, WithoutRefreshInsertedRecordsFollowTheLastRowUntilTheStatementRunsAgain) {
    q->SetRefreshAfterPost(false);
    q->Append();
    q->FieldByName("id")->SetAsInteger(7);
    q->FieldByName("name")->SetAsString("Wiper blade");
    q->FieldByName("note")->SetAsString("rear");
    q->Post();
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 7); // the new record stays current
    q->First();                                      // an insert in the middle also goes after the last row
    q->Next();
    q->Insert();
    q->FieldByName("id")->SetAsInteger(8);
    q->FieldByName("name")->SetAsString("Fuse");
    q->Post();
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Fuse");
    EXPECT_EQ(table(), start + "7:Wiper blade::rear;8:Fuse::-;");
    EXPECT_EQ(q->InsertedCount(), 2);
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;3:Spark plug;7:Wiper blade;8:Fuse;");
    EXPECT_EQ(q->RecordCount(), 5);

    q->Last();
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 8);
    q->Prior();
    EXPECT_EQ(q->FieldByName("note")->AsString(), "rear");
    EXPECT_TRUE(q->FieldByName("qty")->IsNull());
    TBookmark wiper = q->GetBookmark();
    q->Prior();
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 3);
    TBookmark spark = q->GetBookmark();
    EXPECT_EQ(q->CompareBookmarks(wiper, spark), 1);
    EXPECT_EQ(q->CompareBookmarks(spark, wiper), -1);
    q->First();
    q->GotoBookmark(wiper);
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Wiper blade");
    q->Next();
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 8);
    q->Next();
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->Locate("name", Variant(String("Wiper blade")), 0));

    // Edited and deleted like any row, through the handlers.
    q->Edit();
    q->FieldByName("qty")->SetAsInteger(2);
    q->Post();
    EXPECT_EQ(calls, (std::vector<TUpdateKind>{ukInsert, ukInsert, ukModify}));
    q->First();
    ASSERT_TRUE(q->Locate("id", Variant(7), 0));
    EXPECT_EQ(q->FieldByName("qty")->AsInteger(), 2);
    EXPECT_EQ(q->FieldByName("note")->AsString(), "rear");
    ASSERT_TRUE(q->Locate("id", Variant(8), 0));
    q->Delete();
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;3:Spark plug;7:Wiper blade;");
    EXPECT_EQ(q->RecordCount(), 4);
    EXPECT_EQ(table(), start + "7:Wiper blade:2:rear;");

    // A filter sees inserted records too.
    q->OnFilterRecord = [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("id")->AsInteger() != 2; };
    q->SetFiltered(true);
    EXPECT_EQ(view(), "1:Brake pad;3:Spark plug;7:Wiper blade;");
    q->SetFiltered(false);

    q->Refresh();
    EXPECT_EQ(q->InsertedCount(), 0);
    EXPECT_EQ(view(), "1:Brake pad;2:Oil filter;3:Spark plug;7:Wiper blade;");
}

TEST_P(ExtDataSetTest, WithoutAHandlerARecordInsertedIntoAnEmptyResultLivesUntilReopened) {
    q->OnInsertRec = nullptr;
    q->OnDeleteRec = nullptr;
    q->Close();
    q->SetSQLText("SELECT id, name, qty, note FROM part WHERE id > 100 ORDER BY id");
    q->Open();
    ASSERT_TRUE(q->IsEmpty());
    q->Insert();
    q->FieldByName("id")->SetAsInteger(101);
    q->FieldByName("name")->SetAsString("Fan belt");
    q->Post();
    EXPECT_FALSE(q->IsEmpty());
    EXPECT_EQ(view(), "101:Fan belt;");
    q->First();
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Fan belt");
    EXPECT_TRUE(q->FieldByName("note")->IsNull());
    EXPECT_EQ(q->FieldByName("note")->AsString(), "");
    EXPECT_EQ(table(), start);
    q->Close();
    q->Open();
    EXPECT_TRUE(q->IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Engines, ExtDataSetTest, TESTSUPPORT_ENGINES);

TEST(ExtDataSetDesign, AFailedOpenWhileLoadingInTheDesignerGoesToTheApplicationHandler) {
    std::string shown;
    auto previous = Application().SetExceptionHandler([&](const std::exception& e) { shown = e.what(); });
    TODBCExtQuery q(nullptr);
    q.SetSQLText("SELECT 1");
    q.SetStateFlags(csLoading | csReading);
    q.SetActive(true); // kept until loaded
    q.ClearStateFlags(csReading);
    q.SetDesigning(true);
    EXPECT_NO_THROW(q.Loaded());
    Application().SetExceptionHandler(previous);
    EXPECT_EQ(shown, "ODBC This operation is not allowed on closed database");
    EXPECT_FALSE(q.Active());
}

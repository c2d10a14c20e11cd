// The dataset engine through a small in-memory dataset: rows in a vector, one record buffer per
// ring slot, bookmarks are the rows' keys.
#include <vantrel/framework/DB.h>

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace vantrel;


namespace {

struct Row {
    int64_t Key;
    int32_t Id;
    std::string Name;
    double Amount;
    bool IdNull = false, NameNull = false, AmountNull = false;
};

struct Rec {
    int64_t Key;
    uint8_t Flag;
    uint8_t Has[3];
    int32_t Id;
    char Name[21];
    double Amount;
};

class TMemDataSet : public TDataSet {
public:
    explicit TMemDataSet(TComponent* owner) : TDataSet(owner) {}
    ~TMemDataSet() override { Close(); }

    std::vector<Row> Rows;
    int64_t NextKey = 1000;
    void AddRow(int id, const std::string& name, double amount) { Rows.push_back({NextKey++, id, name, amount}); }

protected:
    TRecordBuffer AllocRecordBuffer() override { return reinterpret_cast<TRecordBuffer>(new Rec()); }
    void FreeRecordBuffer(TRecordBuffer& b) override {
        delete reinterpret_cast<Rec*>(b);
        b = nullptr;
    }
    int GetRecordSize() override { return sizeof(Rec); }
    void InternalOpen() override {
        FOpen = true;
        FCur = -1;
        InternalInitFieldDefs();
        if (DefaultFields())
            CreateFields();
        BindFields(true);
    }
    void InternalClose() override {
        BindFields(false);
        if (DefaultFields())
            DestroyFields();
        FOpen = false;
    }
    bool IsCursorOpen() const override { return FOpen; }
    void InternalInitFieldDefs() override {
        FieldDefs()->Clear();
        FieldDefs()->Add("Id", ftInteger);
        FieldDefs()->Add("Name", ftString, 20);
        FieldDefs()->Add("Amount", ftFloat);
    }
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = static_cast<int>(Rows.size()); }
    void Fill(TRecordBuffer b) {
        Rec* r = reinterpret_cast<Rec*>(b);
        const Row& row = Rows[static_cast<size_t>(FCur)];
        std::memset(r, 0, sizeof(Rec));
        r->Key = row.Key;
        r->Flag = bfCurrent;
        r->Has[0] = !row.IdNull;
        r->Has[1] = !row.NameNull;
        r->Has[2] = !row.AmountNull;
        r->Id = row.Id;
        std::strncpy(r->Name, row.Name.c_str(), 20);
        r->Amount = row.Amount;
    }
    TGetResult GetRecord(TRecordBuffer b, TGetMode mode, bool) override {
        int n = static_cast<int>(Rows.size());
        if (mode == gmCurrent) {
            if (FCur < 0 || FCur >= n)
                return FCur < 0 ? grBOF : grEOF;
            Fill(b);
            return grOK;
        }
        int step = mode == gmNext ? 1 : -1;
        for (;;) {
            FCur += step;
            if (FCur >= n) {
                FCur = n;
                return grEOF;
            }
            if (FCur < 0) {
                FCur = -1;
                return grBOF;
            }
            Fill(b);
            if (!Filtered() || DoFilterRecord(b))
                return grOK;
        }
    }
    int IndexOfKey(int64_t key) const {
        for (size_t i = 0; i < Rows.size(); ++i)
            if (Rows[i].Key == key)
                return static_cast<int>(i);
        return -1;
    }
    void InternalGotoBookmark(const void* bm) override {
        int64_t key;
        std::memcpy(&key, bm, 8);
        int i = IndexOfKey(key);
        if (i < 0)
            DatabaseError("Record not found", this);
        FCur = i;
    }
    void InternalSetToRecord(TRecordBuffer b) override {
        int i = IndexOfKey(reinterpret_cast<Rec*>(b)->Key);
        if (i >= 0)
            FCur = i;
    }
    void GetBookmarkData(TRecordBuffer b, void* data) override { std::memcpy(data, &reinterpret_cast<Rec*>(b)->Key, 8); }
    void SetBookmarkData(TRecordBuffer b, const void* data) override {
        std::memcpy(&reinterpret_cast<Rec*>(b)->Key, data, 8);
    }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer b) override {
        return static_cast<TBookmarkFlag>(reinterpret_cast<Rec*>(b)->Flag);
    }
    void SetBookmarkFlag(TRecordBuffer b, TBookmarkFlag f) override { reinterpret_cast<Rec*>(b)->Flag = f; }
    int GetRecordCount() override { return static_cast<int>(Rows.size()); }

    bool GetFieldData(TField* field, void* buffer) override {
        Rec* r = reinterpret_cast<Rec*>(StateBuffer());
        if (!r)
            return false;
        int i = field->FieldNo() - 1;
        if (!r->Has[i])
            return false;
        if (buffer) {
            if (i == 0)
                std::memcpy(buffer, &r->Id, 4);
            else if (i == 1)
                std::memcpy(buffer, r->Name, 21);
            else
                std::memcpy(buffer, &r->Amount, 8);
        }
        return true;
    }
    void SetFieldData(TField* field, const void* buffer) override {
        CheckFieldCanWrite(field);
        field->Validate(buffer);
        Rec* r = reinterpret_cast<Rec*>(StateBuffer());
        int i = field->FieldNo() - 1;
        r->Has[i] = buffer != nullptr;
        if (buffer) {
            if (i == 0)
                std::memcpy(&r->Id, buffer, 4);
            else if (i == 1)
                std::memcpy(r->Name, buffer, 21);
            else
                std::memcpy(&r->Amount, buffer, 8);
        }
        DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
    }
    void InternalPost() override {
        Rec* r = reinterpret_cast<Rec*>(ActiveBuffer());
        Row row{0, r->Id, r->Name, r->Amount, !r->Has[0], !r->Has[1], !r->Has[2]};
        if (State() == dsEdit) {
            row.Key = r->Key;
            Rows[static_cast<size_t>(IndexOfKey(r->Key))] = row;
            return;
        }
        row.Key = NextKey++;
        int at = static_cast<int>(Rows.size());
        if (r->Flag == bfInserted) {
            int i = IndexOfKey(r->Key);
            if (i >= 0)
                at = i;
        } else if (r->Flag == bfBOF) {
            at = 0;
        }
        Rows.insert(Rows.begin() + at, row);
        FCur = at;
    }
    void InternalDelete() override {
        Rows.erase(Rows.begin() + FCur);
        if (FCur >= static_cast<int>(Rows.size()))
            FCur = static_cast<int>(Rows.size()) - 1;
    }

private:
    bool FOpen = false;
    int FCur = -1;
};

// A link that writes down what it was told.
class TLogLink : public TDataLink {
public:
    std::vector<std::string> Log;
    int Scrolled = 0;

protected:
    void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { Log.push_back("changed"); }
    void DataSetScrolled(int distance) override {
        Scrolled += distance;
        Log.push_back("scrolled");
    }
    void EditingChanged() override { Log.push_back(Editing() ? "editing" : "browsing"); }
    void RecordChanged(TField* f) override { Log.push_back(f ? "field " + f->FieldName() : "record"); }
};

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ds = new TMemDataSet(&owner);
        ds->SetName("Mem");
        for (int i = 1; i <= 20; ++i)
            ds->AddRow(i, "Name" + std::to_string(i), i * 1.5);
        src = new TDataSource(&owner);
        src->SetDataSet(ds);
    }
    TComponent owner{nullptr};
    TMemDataSet* ds = nullptr;
    TDataSource* src = nullptr;
};

TEST_F(DataSetTest, NavigatesBothWaysOverTheRingOfAFiveRecordLink) {
    TLogLink link;
    link.SetBufferCount(5);
    link.SetDataSource(src);
    ds->Open();
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(ds->BufferCount(), 5);
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(link.RecordCount(), 5);
    for (int i = 1; i <= 20; ++i) {
        EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), i);
        EXPECT_GE(link.ActiveRecord(), 0);
        EXPECT_LT(link.ActiveRecord(), 5);
        ds->Next();
    }
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 20);
    EXPECT_EQ(link.ActiveRecord(), 4);
    // The window moved 15 rows forward in all.
    EXPECT_EQ(link.Scrolled, 15);
    for (int i = 20; i >= 1; --i) {
        EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), i);
        ds->Prior();
    }
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(ds->MoveBy(7), 7);
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 8);
    EXPECT_EQ(ds->MoveBy(-100), -7);
    ds->Last();
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 20);
    EXPECT_TRUE(ds->Eof());
    // Other rows of the window are readable by moving the link's active record.
    link.SetActiveRecord(0);
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 16);
    link.SetActiveRecord(4);
    ds->First();
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 1);
    ds->Close();
    EXPECT_FALSE(link.Active());
}

TEST_F(DataSetTest, BookmarksRoundTripCompareAndAreRefusedAfterReopen) {
    ds->Open();
    ds->MoveBy(3);
    TBookmark b4 = ds->GetBookmark();
    ds->MoveBy(10);
    TBookmark b14 = ds->GetBookmark();
    ds->GotoBookmark(b4);
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 4);
    ds->Next();
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 5);
    EXPECT_EQ(ds->CompareBookmarks(b4, b4), 0);
    EXPECT_NE(ds->CompareBookmarks(b4, b14), 0);
    EXPECT_EQ(ds->CompareBookmarks(TBookmark(), TBookmark()), 0);
    EXPECT_EQ(ds->CompareBookmarks(b4, TBookmark()), -1);
    EXPECT_TRUE(ds->BookmarkValid(b14));
    TMemDataSet other(nullptr);
    other.Rows = ds->Rows;
    other.Open();
    EXPECT_THROW(other.GotoBookmark(b4), EDatabaseError);
    ds->Close();
    ds->Open();
    EXPECT_FALSE(ds->BookmarkValid(b4));
    EXPECT_THROW(ds->GotoBookmark(b4), EDatabaseError);
    ds->FreeBookmark(b4);
    EXPECT_TRUE(b4.IsNull());
}

TEST_F(DataSetTest, EditPostCancelInsertDeleteRunEventsInOrder) {
    std::vector<std::string> log;
    auto note = [&](const char* what) { return [&log, what](TDataSet*) { log.push_back(what); }; };
    ds->BeforeEdit = note("BeforeEdit");
    ds->AfterEdit = note("AfterEdit");
    ds->BeforePost = note("BeforePost");
    ds->AfterPost = note("AfterPost");
    ds->BeforeCancel = note("BeforeCancel");
    ds->AfterCancel = note("AfterCancel");
    ds->BeforeInsert = note("BeforeInsert");
    ds->AfterInsert = note("AfterInsert");
    ds->OnNewRecord = [&](TDataSet* d) {
        log.push_back("OnNewRecord");
        d->FieldByName("Amount")->SetAsFloat(9.0);
    };
    ds->BeforeDelete = note("BeforeDelete");
    ds->AfterDelete = note("AfterDelete");
    TLogLink link;
    link.SetDataSource(src);
    ds->Open();
    EXPECT_THROW(ds->Post(), EDatabaseError);
    ds->Edit();
    EXPECT_EQ(ds->State(), dsEdit);
    EXPECT_TRUE(link.Editing());
    ds->FieldByName("Name")->SetAsString("Changed");
    EXPECT_TRUE(ds->Modified());
    EXPECT_EQ(ds->FieldByName("Name")->OldValue().AsString(), "Changed"); // base: the buffer's value
    ds->Post();
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->Rows[0].Name, "Changed");
    EXPECT_EQ((std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}), log);
    log.clear();

    ds->Edit();
    ds->FieldByName("Name")->SetAsString("Discarded");
    ds->Cancel();
    EXPECT_EQ(ds->FieldByName("Name")->AsString(), "Changed");
    EXPECT_EQ((std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}), log);
    log.clear();

    ds->Next(); // on Id 2
    ds->Insert();
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_FALSE(ds->Modified()); // OnNewRecord values alone do not count
    EXPECT_EQ(ds->FieldByName("Amount")->AsFloat(), 9.0);
    EXPECT_TRUE(ds->FieldByName("Id")->IsNull());
    ds->FieldByName("Id")->SetAsInteger(100);
    ds->Post();
    EXPECT_EQ(ds->Rows.size(), 21u);
    EXPECT_EQ(ds->Rows[1].Id, 100);
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 100);
    EXPECT_EQ((std::vector<std::string>{"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforePost", "AfterPost"}),
              log);
    log.clear();

    ds->Append();
    ds->Cancel(); // nothing typed: the append is dropped
    EXPECT_EQ(ds->Rows.size(), 21u);
    ds->Append();
    ds->FieldByName("Id")->SetAsInteger(200);
    ds->Next(); // leaving the record posts it
    EXPECT_EQ(ds->Rows.back().Id, 200);
    log.clear();

    ds->First();
    ds->Delete();
    EXPECT_EQ(ds->Rows.size(), 21u);
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 100);
    EXPECT_EQ((std::vector<std::string>{"BeforeDelete", "AfterDelete"}), log);
    ds->Close();
    EXPECT_THROW(ds->Edit(), EDatabaseError);
}

TEST_F(DataSetTest, CalculatedFieldsAndFilteringBothWays) {
    // Persistent fields: three data fields and one calculated.
    auto* id = new TIntegerField(ds);
    id->SetFieldName("Id");
    id->SetDataSet(ds);
    auto* amount = new TFloatField(ds);
    amount->SetFieldName("Amount");
    amount->SetDataSet(ds);
    auto* twice = new TFloatField(ds);
    twice->SetFieldName("Twice");
    twice->SetCalculated(true);
    twice->SetDataSet(ds);
    int calcs = 0;
    ds->OnCalcFields = [&](TDataSet* d) {
        ++calcs;
        d->FieldByName("Twice")->SetAsFloat(d->FieldByName("Amount")->AsFloat() * 2);
    };
    ds->Open();
    EXPECT_FALSE(ds->DefaultFields());
    EXPECT_EQ(ds->FieldCount(), 3);
    EXPECT_EQ(twice->AsFloat(), 3.0);
    EXPECT_GT(calcs, 0);
    ds->Next();
    EXPECT_EQ(twice->AsFloat(), 6.0);
    EXPECT_THROW(twice->SetAsFloat(1), EDatabaseError); // only inside OnCalcFields
    ds->Edit();
    amount->SetAsFloat(10);
    EXPECT_EQ(twice->AsFloat(), 20.0); // recalculated on the change
    ds->Cancel();
    EXPECT_EQ(twice->AsFloat(), 6.0);

    // Even ids only; the handler may read the calculated field.
    ds->OnFilterRecord = [&](TDataSet* d, bool& accept) {
        accept = d->FieldByName("Id")->AsInteger() % 2 == 0 && d->FieldByName("Twice")->AsFloat() > 0;
    };
    ds->SetFiltered(true);
    EXPECT_EQ(id->AsInteger(), 2);
    std::vector<int> seen;
    for (; !ds->Eof(); ds->Next())
        seen.push_back(id->AsInteger());
    EXPECT_EQ(seen, (std::vector<int>{2, 4, 6, 8, 10, 12, 14, 16, 18, 20}));
    seen.clear();
    for (ds->Last(); !ds->Bof(); ds->Prior())
        seen.push_back(id->AsInteger());
    EXPECT_EQ(seen.front(), 20);
    EXPECT_EQ(seen.back(), 2);
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_EQ(twice->AsFloat(), 6.0);
    ds->Close();
}

TEST_F(DataSetTest, LocateOptionsAndLookup) {
    ds->Rows[4].Name = "Smith";
    ds->Rows[9].Name = "smithers";
    ds->Rows[11].NameNull = true;
    ds->Open();
    EXPECT_TRUE(ds->Locate("Name", Variant("Smith"), 0));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 5);
    EXPECT_FALSE(ds->Locate("Name", Variant("SMITH"), 0));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 5); // position kept
    EXPECT_TRUE(ds->Locate("Name", Variant("smithe"), loPartialKey));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 10);
    EXPECT_TRUE(ds->Locate("Name", Variant("SMITHERS"), loCaseInsensitive));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 10);
    EXPECT_TRUE(ds->Locate("Name", Variant::Null(), 0));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 12);
    EXPECT_TRUE(ds->Locate("Id;Amount", VarArrayOf({Variant(7), Variant(10.5)}), 0));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 7);
    EXPECT_FALSE(ds->Locate("Id;Amount", VarArrayOf({Variant(7), Variant(11.0)}), 0));
    EXPECT_THROW(ds->Locate("Id;Amount", Variant(7), 0), EDatabaseError);
    EXPECT_THROW(ds->Locate("Nope", Variant(7), 0), EDatabaseError);
    int scrolls = 0;
    ds->AfterScroll = [&](TDataSet*) { ++scrolls; };
    EXPECT_EQ(ds->Lookup("Id", Variant(3), "Name").AsString(), "Name3");
    EXPECT_TRUE(ds->Lookup("Id", Variant(99), "Name").IsNull());
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 7);
    ds->Next();
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 8); // the cursor came back
}

TEST_F(DataSetTest, FieldConversionsAndNulls) {
    ds->Rows[0].AmountNull = true;
    ds->Rows[1].Name = "42";
    ds->Open();
    TField* id = ds->FieldByName("Id");
    TField* name = ds->FieldByName("Name");
    TField* amount = ds->FieldByName("Amount");
    EXPECT_TRUE(amount->IsNull());
    EXPECT_EQ(amount->AsFloat(), 0.0);
    EXPECT_EQ(amount->AsString(), "");
    EXPECT_TRUE(amount->AsVariant().IsNull());
    EXPECT_EQ(id->AsString(), "1");
    EXPECT_EQ(id->AsFloat(), 1.0);
    EXPECT_THROW(name->AsInteger(), EConvertError); // "Name1"
    EXPECT_THROW(id->AsDateTime(), EDatabaseError);
    try {
        ds->FieldByName("Missing");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Mem: Field 'Missing' not found");
    }
    ds->Next();
    EXPECT_EQ(name->AsInteger(), 42);
    EXPECT_EQ(amount->AsCurrency(), Currency::FromDouble(3.0));
    ds->Edit();
    EXPECT_THROW(name->SetAsString(std::string(21, 'x')), EDatabaseError);
    id->SetAsString("  77 ");
    EXPECT_EQ(id->AsInteger(), 77);
    EXPECT_THROW(id->SetAsString("7x"), EConvertError);
    EXPECT_THROW(id->SetAsFloat(1e12), EDatabaseError);
    id->SetAsFloat(2.6);
    EXPECT_EQ(id->AsInteger(), 3);
    amount->SetAsVariant(Variant::Null());
    EXPECT_TRUE(amount->IsNull());
    amount->SetAsVariant(Variant(std::string("2.25")));
    EXPECT_EQ(amount->AsFloat(), 2.25);
    // OnValidate sees the new value and can refuse it.
    id->OnValidate = [](TField* f) {
        if (f->AsInteger() < 0)
            DatabaseError("negative");
    };
    EXPECT_THROW(id->SetAsInteger(-1), EDatabaseError);
    EXPECT_EQ(id->AsInteger(), 3);
    id->Clear();
    EXPECT_TRUE(id->IsNull());
    ds->Post();
    EXPECT_TRUE(ds->Rows[1].IdNull);

    TBooleanField flag(nullptr);
    EXPECT_EQ(FieldTypeName(ftBoolean), "Boolean");
    EXPECT_EQ(static_cast<int>(ftGuid), 35);
    EXPECT_EQ(static_cast<int>(ftLargeint), 25);
}

TEST_F(DataSetTest, DisableControlsHoldsLinkEventsUntilEnable) {
    TLogLink link;
    link.SetDataSource(src);
    ds->Open();
    link.Log.clear();
    ds->DisableControls();
    ds->DisableControls();
    for (int i = 0; i < 5; ++i)
        ds->Next();
    ds->Edit();
    EXPECT_TRUE(link.Log.empty());
    EXPECT_EQ(src->State(), dsBrowse);
    ds->EnableControls();
    EXPECT_TRUE(link.Log.empty());
    ds->EnableControls();
    EXPECT_EQ(src->State(), dsEdit);
    EXPECT_EQ(link.Log, (std::vector<std::string>{"editing", "changed"}));
    ds->Cancel();
}

TEST(DataSetSpeed, AMillionNextCallsDoNotAllocate) {
    TMemDataSet ds(nullptr);
    for (int i = 0; i < 1000; ++i)
        ds.AddRow(i, "Row", i);
    TDataSource src(nullptr);
    src.SetDataSet(&ds);
    TLogLink link;
    link.SetBufferCount(5);
    link.SetDataSource(&src);
    int64_t sum = 0;
    ds.AfterScroll = [&sum](TDataSet* d) { sum += d->FieldByName("Id") != nullptr; };
    ds.Open();
    TField* id = ds.FieldByName("Id");
    TField* amount = ds.FieldByName("Amount");
    link.Log.reserve(4000000);
    long before = testsupport::allocations.load();
    for (int pass = 0; pass < 1000; ++pass) {
        while (!ds.Eof()) {
            sum += id->AsInteger() + static_cast<int64_t>(amount->AsFloat());
            ds.Next();
        }
        ds.First();
    }
    EXPECT_EQ(testsupport::allocations.load() - before, 0);
    EXPECT_GT(sum, 0);
    ds.Close();
}

} // namespace

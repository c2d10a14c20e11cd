// The user entity without a database: its field list in stored forms (written, read back, and
// read from bytes made by hand), the procedure names text, the list of open entities and the
// settings file.
#include <vantrel/entity/ODBCEntity.h>
#include <vantrel/framework/Registry.h>
#include <vantrel/framework/Streaming.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace vantrel;

namespace {

// The bytes of a stored form, built by hand after the documented encoding.
struct FormBytes {
    std::string b;
    FormBytes& raw(std::initializer_list<int> bytes) {
        for (int x : bytes)
            b += static_cast<char>(x);
        return *this;
    }
    FormBytes& shortText(const std::string& s) {
        b += static_cast<char>(s.size());
        b += s;
        return *this;
    }
    FormBytes& text(const std::string& s) {
        const uint32_t n = static_cast<uint32_t>(s.size());
        for (int i = 0; i < 4; ++i)
            b += static_cast<char>((n >> (8 * i)) & 0xFF);
        b += s;
        return *this;
    }
    FormBytes& str(const std::string& s) {
        raw({0x07});
        return text(s);
    }
    FormBytes& boolean(bool v) { return raw({v ? 0x09 : 0x08}); }
    FormBytes& int8(int v) { return raw({0x02, v & 0xFF}); }
};

std::string formOf(TComponent* c) {
    TMemoryStream s;
    WriteComponent(s, c);
    return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

std::unique_ptr<TUserEntity> readForm(const std::string& bytes) {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    std::unique_ptr<TComponent> c(ReadComponent(s, nullptr));
    auto* e = dynamic_cast<TUserEntity*>(c.get());
    EXPECT_NE(e, nullptr);
    c.release();
    return std::unique_ptr<TUserEntity>(e);
}

TEST(UserEntityForm, FieldListAndSettingsSurviveAFormStream) {
    TUserEntity e;
    e.SetName("Parts");
    e.SetfactTable("part");
    e.SetviewTable("part_view");
    e.SetviewEntity("PartView");
    e.SetWherePhrase("qty > 0");
    e.SetFilterStr("name like :name");
    e.SetOrdering(1);
    e.SetOrderingDesc(true);
    e.SetFindOption(efoSubConCur);
    e.SetFindDown(dfPrior);
    e.SetStoredProcedures("sel;ins;;del;;;cls;");
    TFieldItem* id = e.CreateField("ID", "", "Number", 6, true, false, true, true, ftInteger, cnstETPK);
    id->SetNameWrapper("\"");
    TFieldItem* name = e.CreateField("NAME", "upper(name) AS NAME", "Part's \"name\"", 30, true, true, true,
                                     false, ftString, cnstETField);
    name->SetviewTable("  p  ");
    name->SetPhraseWrapper("'");
    name->SetIsBookMark(false);
    e.CreateField("NOTE", "", "", 0, false, true, false, false, ftMemo, cnstETView);

    auto back = readForm(formOf(&e));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Name(), "Parts");
    EXPECT_EQ(back->factTable(), "part");
    EXPECT_EQ(back->viewTable(), "part_view");
    EXPECT_EQ(back->viewEntity(), "PartView");
    EXPECT_EQ(back->WherePhrase(), "qty > 0");
    EXPECT_EQ(back->FilterStr(), "name like :name");
    EXPECT_EQ(back->Ordering(), 1);
    EXPECT_TRUE(back->OrderingDesc());
    EXPECT_EQ(back->FindOption(), efoSubConCur);
    EXPECT_EQ(back->FindDown(), dfPrior);
    EXPECT_EQ(back->StoredProcedures(), "sel;ins;;del;;;cls;");
    ASSERT_EQ(back->FieldCount(), 3);
    EXPECT_EQ(back->lstFields()->Get(1), "NAME");
    TFieldItem* b0 = back->GetFields(0);
    TFieldItem* b1 = back->FieldByName("name");
    TFieldItem* b2 = back->GetFields(2);
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(b0->Entity(), back.get());
    EXPECT_EQ(b0->FactName(), "ID");
    EXPECT_EQ(b0->DisplayName(), "Number");
    EXPECT_EQ(b0->dspWidth(), 6);
    EXPECT_FALSE(b0->flgVisible());
    EXPECT_TRUE(b0->IdentRecord());
    EXPECT_EQ(b0->fType(), ftInteger);
    EXPECT_EQ(b0->ExecSet(), cnstETPK);
    EXPECT_EQ(b0->NameWrapper(), "\"");
    EXPECT_EQ(b1->SelectStr(), "upper(name) AS NAME");
    EXPECT_EQ(b1->DisplayName(), "Part's \"name\"");
    EXPECT_EQ(b1->viewTable(), "p");
    EXPECT_EQ(b1->PhraseWrapper(), "'");
    EXPECT_FALSE(b1->IsBookMark());
    EXPECT_EQ(b1->ExecSet(), cnstETField);
    EXPECT_FALSE(b2->flgView());
    EXPECT_EQ(b2->fType(), ftMemo);
    EXPECT_TRUE(b2->ExecSet().Empty());
    // Values are run-time state, never stored.
    EXPECT_TRUE(b0->Value().IsNull());
    EXPECT_TRUE(b0->findStr().IsNull());
}

TEST(UserEntityForm, HandMadeFieldListReadsInTheStoredOrder) {
    auto build = [](std::initializer_list<const char*> flags) {
        FormBytes f;
        f.raw({'V', 'F', 'S', 0x01, 0xF0}).shortText("TUserEntity").text("Hand");
        f.shortText("factTable").str("orders");
        f.shortText("Fields").raw({0x01});
        // One item: names, flags, width, type, the seven exec flags, the wrappers.
        f.str("ORDER_NO").str("").str("Order").str("o");
        f.boolean(true).boolean(false).boolean(true).boolean(true).boolean(false);
        f.int8(12).int8(ftInteger);
        for (const char* flag : flags)
            f.str(flag);
        f.str("[").str("]");
        f.raw({0x00});       // end of the list
        f.raw({0x00, 0x00}); // end of properties, end of children
        return f;
    };
    FormBytes f = build({"Y", "Y", "N", "y", "Y", "N", "YES"});
    auto e = readForm(f.b);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Name(), "Hand");
    EXPECT_EQ(e->factTable(), "orders");
    ASSERT_EQ(e->FieldCount(), 1);
    EXPECT_EQ(e->lstFields()->Get(0), "ORDER_NO");
    TFieldItem* item = e->GetFields(0);
    EXPECT_EQ(item->DisplayName(), "Order");
    EXPECT_EQ(item->viewTable(), "o");
    EXPECT_TRUE(item->flgView());
    EXPECT_FALSE(item->flgVisible());
    EXPECT_TRUE(item->flgSort());
    EXPECT_TRUE(item->IdentRecord());
    EXPECT_FALSE(item->IsBookMark());
    EXPECT_EQ(item->dspWidth(), 12);
    EXPECT_EQ(item->fType(), ftInteger);
    // Only an exact "Y" sets an operation: "y" and "YES" do not.
    EXPECT_EQ(item->ExecSet(), (TSetExecType{fetSelect, fetInsert, fetLock}));
    EXPECT_EQ(item->NameWrapper(), "[");
    EXPECT_EQ(item->PhraseWrapper(), "]");

    // Written again, the flags that were not exactly "Y" come out as "N".
    EXPECT_EQ(formOf(e.get()), build({"Y", "Y", "N", "N", "Y", "N", "N"}).b);
}

TEST(UserEntityForm, DamagedFieldListsAreRefused) {
    auto prefix = [] {
        FormBytes f;
        f.raw({'V', 'F', 'S', 0x01, 0xF0}).shortText("TUserEntity").text("Bad");
        f.shortText("Fields").raw({0x01});
        f.str("A").str("").str("").str("");
        f.boolean(true).boolean(true).boolean(false).boolean(false).boolean(true);
        f.int8(5);
        return f;
    };
    FormBytes badType = prefix();
    badType.int8(120);
    for (int i = 0; i < 9; ++i)
        badType.str("N");
    badType.raw({0x00, 0x00, 0x00});
    EXPECT_THROW(readForm(badType.b), EReadError);

    FormBytes cut = prefix();
    cut.int8(ftString).str("Y");
    EXPECT_THROW(readForm(cut.b), EReadError);
}

TEST(UserEntityForm, AnEmptyFieldListIsNotStored) {
    TUserEntity e;
    e.SetfactTable("t");
    EXPECT_EQ(formOf(&e).find("Fields"), std::string::npos);
    e.CreateField("A", "", "", 1, true, true, false, false, ftString, cnstETField);
    EXPECT_NE(formOf(&e).find("Fields"), std::string::npos);
}

// The designer lists the published properties in this order; the field list among them is
// never written (the items are stored as "Fields"), and strings a form names for it are dropped.
TEST(UserEntityForm, PublishedPropertiesAndTheReadOnlyFieldList) {
    std::vector<String> names;
    const TClassInfo* info = FindClassInfo("TUserEntity");
    ASSERT_NE(info, nullptr);
    for (const TPropInfo& p : info->Properties)
        names.push_back(p.Name);
    EXPECT_EQ(names, (std::vector<String>{"lstFields", "viewTable", "factTable", "viewFull", "flgReread",
                                          "viewEntity", "LockUniDirectional", "Precision", "Digits",
                                          "SaveFindIni", "SaveFilterIni", "FindSensitive", "FindOption",
                                          "WherePhrase", "FilterStr", "FindDown", "Ordering", "OrderingDesc",
                                          "StoredProcedures"}));

    TUserEntity e;
    e.CreateField("A", "", "", 1, true, true, false, false, ftString, cnstETField);
    EXPECT_EQ(formOf(&e).find("lstFields"), std::string::npos);

    // Named before the stored items (where a writer would put a published property) or after
    // them, the strings never stand in the list without a field item.
    for (const bool before : {true, false}) {
        FormBytes f;
        f.raw({'V', 'F', 'S', 0x01, 0xF0}).shortText("TUserEntity").text("Forged");
        auto ghosts = [&] { f.shortText("lstFields.Strings").raw({0x01}).str("GHOST").str("ID").raw({0x00}); };
        if (before)
            ghosts();
        f.shortText("Fields").raw({0x01});
        f.str("ID").str("").str("Id").str("");
        f.boolean(true).boolean(true).boolean(false).boolean(true).boolean(false);
        f.int8(4).int8(ftInteger);
        for (int i = 0; i < 7; ++i)
            f.str("N");
        f.str("").str("");
        f.raw({0x00});
        if (!before)
            ghosts();
        f.raw({0x00, 0x00});
        auto forged = readForm(f.b);
        ASSERT_TRUE(forged);
        EXPECT_EQ(forged->FieldByName("GHOST"), nullptr);
        for (int i = 0; i < forged->FieldCount(); ++i)
            EXPECT_NE(forged->GetFields(i), nullptr);
        if (before) {
            ASSERT_EQ(forged->FieldCount(), 1);
            EXPECT_EQ(forged->GetFields(0)->DisplayName(), "Id");
        }
    }
}

TEST(UserEntityForm, StoredProceduresText) {
    TUserEntity e;
    e.SetStoredProcedures("a;b;c;d;e;f;g;");
    EXPECT_EQ(e.GetSP(fetSelect), "a");
    EXPECT_EQ(e.GetSP(fetCLock), "f");
    EXPECT_EQ(e.GetSP(fetClose), "g");
    EXPECT_EQ(e.StoredProcedures(), "a;b;c;d;e;f;g;");

    // A name without its terminating ";" is dropped, and writing clears every name first.
    e.SetStoredProcedures("first;second");
    EXPECT_EQ(e.GetSP(fetSelect), "first");
    EXPECT_EQ(e.GetSP(fetInsert), "");
    EXPECT_EQ(e.GetSP(fetClose), "");
    EXPECT_EQ(e.StoredProcedures(), "first;;;;;;;");

    // After the seventh ";" the rest is ignored.
    e.SetStoredProcedures(";;;;;;last;extra;");
    EXPECT_EQ(e.GetSP(fetClose), "last");
    EXPECT_EQ(e.StoredProcedures(), ";;;;;;last;");
}

TEST(UserEntityCheckUpdate, AnswersFalseUntilTheHandlerSaysYes) {
    TUserEntity e;
    EXPECT_FALSE(e.CheckUpdate());
    EXPECT_FALSE(e.HasUpdateCheck());
    TUserEntity* seen = nullptr;
    e.OnCheckUpdate = [&](TUserEntity* sender, bool& flgUpdate) {
        seen = sender;
        EXPECT_FALSE(flgUpdate);
        flgUpdate = true;
    };
    EXPECT_TRUE(e.HasUpdateCheck());
    EXPECT_TRUE(e.CheckUpdate());
    EXPECT_EQ(seen, &e);
}

// ---- Open entities ------------------------------------------------------------------------------

int entryOf(TEntity* e) {
    return lstOpenEntity->IndexOfObject(e);
}

TEST(OpenEntities, EntitiesEnterAndLeaveTheList) {
    const int before = lstOpenEntity->Count();
    {
        TComponent owner(nullptr);
        auto* a = new TUserEntity(&owner);
        a->SetviewEntity("Parts");
        auto b = std::make_unique<TUserEntity>();
        EXPECT_EQ(lstOpenEntity->Count(), before + 2);
        EXPECT_EQ(lstOpenEntity->Get(entryOf(a)), "Parts");
        TEntity* gone = b.get();
        b.reset();
        EXPECT_EQ(lstOpenEntity->IndexOfObject(gone), -1);
        EXPECT_EQ(lstOpenEntity->Count(), before + 1);
        // Marking by name after one was destroyed touches only the living.
        TEntity::SetUpdateEntity("Parts", a);
        EXPECT_TRUE(a->flgReread());
    }
    EXPECT_EQ(lstOpenEntity->Count(), before);
}

TEST(OpenEntities, UpdatesMarkEveryEntityOfTheViewAndBringTheWriterFirst) {
    TUserEntity other, a, b, c;
    other.SetviewEntity("Other");
    a.SetviewEntity("Parts");
    b.SetviewEntity("PARTS");
    c.SetviewEntity("Parts");

    TEntity::SetUpdateEntity("parts", &c);
    EXPECT_TRUE(a.flgReread());
    EXPECT_TRUE(b.flgReread());
    EXPECT_TRUE(c.flgReread());
    EXPECT_FALSE(other.flgReread());
    // c now comes before the other entities of its view.
    EXPECT_LT(entryOf(&c), entryOf(&a));
    EXPECT_LT(entryOf(&c), entryOf(&b));

    a.SetFlgReread(false);
    b.SetFlgReread(false);
    c.SetFlgReread(false);
    TEntity::SetRereadFlag("Parts"); // exact name only
    EXPECT_TRUE(a.flgReread());
    EXPECT_FALSE(b.flgReread());
    EXPECT_TRUE(c.flgReread());
}

// ---- Settings -----------------------------------------------------------------------------------

class EntitySettings : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("vantrel-entity-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        EntityINIFileName = (dir / "entity.ini").string();
    }
    void TearDown() override {
        EntityINIFileName.clear();
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
};

TEST_F(EntitySettings, SearchSettingsAndSavedValuesComeBackUnderTheViewName) {
    {
        TUserEntity e;
        e.SetSaveFindIni(true);
        e.SetSaveFilterIni(true);
        e.CreateField("NAME", "", "", 10, true, true, false, false, ftString, cnstETField);
        e.CreateField("QTY", "", "", 10, true, true, false, false, ftInteger, cnstETField);
        e.SetViewFull("PartsWindow");
        EXPECT_FALSE(e.FindSensitive()); // nothing stored yet: the defaults
        EXPECT_EQ(e.FindOption(), efoFirstConCur);
        EXPECT_EQ(e.FindDown(), dfNext);
        e.SetFindSensitive(true);
        e.SetFindOption(efoFullConCur);
        e.SetFindDown(dfPrior);
        e.SetFieldFind("NAME", "O'Brien = \\x; [a]");
        e.SetFieldFilter("QTY", 5);
        e.WriteToINI();
    }
    TIniFile ini(EntityINIFileName);
    EXPECT_EQ(ini.ReadInteger("PartsWindow", "FindOption", -1), 0);
    EXPECT_EQ(ini.ReadInteger("PartsWindow", "FindDown", -1), 1);

    TUserEntity e;
    e.SetSaveFindIni(true);
    e.SetSaveFilterIni(true);
    e.CreateField("NAME", "", "", 10, true, true, false, false, ftString, cnstETField);
    e.CreateField("QTY", "", "", 10, true, true, false, false, ftInteger, cnstETField);
    e.SetViewFull("PartsWindow");
    EXPECT_TRUE(e.FindSensitive());
    EXPECT_EQ(e.FindOption(), efoFullConCur);
    EXPECT_EQ(e.FindDown(), dfPrior);
    EXPECT_EQ(e.FieldByName("NAME")->findStr().AsString(), "O'Brien = \\x; [a]");
    EXPECT_TRUE(e.FieldByName("NAME")->filterStr().IsNull());
    EXPECT_EQ(e.FieldByName("QTY")->filterStr().AsString(), "5");

    // Another view name has its own defaults; values out of range fall back to them.
    ini.WriteInteger("Broken", "FindOption", 9);
    ini.WriteInteger("Broken", "FindDown", -3);
    e.SetViewFull("Broken");
    EXPECT_FALSE(e.FindSensitive());
    EXPECT_EQ(e.FindOption(), efoFirstConCur);
    EXPECT_EQ(e.FindDown(), dfNext);
}

TEST_F(EntitySettings, AFormReadsItsSettingsOnceTheFieldsAreThere) {
    {
        TIniFile ini(EntityINIFileName);
        ini.WriteString("Stored", "CODE-find", "abc");
        ini.WriteBool("Stored", "FindSensitive", true);
    }
    TUserEntity source;
    source.SetSaveFindIni(true);
    source.CreateField("CODE", "", "", 4, true, true, false, false, ftString, cnstETField);
    {
        const std::string saved = EntityINIFileName;
        EntityINIFileName.clear(); // not read while it is being set up
        source.SetViewFull("Stored");
        EntityINIFileName = saved;
    }
    auto back = readForm(formOf(&source));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->FindSensitive());
    EXPECT_EQ(back->FieldByName("CODE")->findStr().AsString(), "abc");
}

} // namespace

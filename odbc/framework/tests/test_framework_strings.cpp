#include <vantrel/framework/Classes.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace vantrel;

TEST(StringList, SortedListsHonourDuplicates) {
    TStringList l;
    l.SetSorted(true);
    l.Add("pear");
    l.Add("Apple");
    l.Add("fig");
    EXPECT_EQ(l.CommaText(), "Apple,fig,pear");
    EXPECT_EQ(l.Add("APPLE"), 0); // dupIgnore: the existing entry's index, nothing added
    EXPECT_EQ(l.Count(), 3);
    l.SetDuplicates(dupError);
    EXPECT_THROW(l.Add("Fig"), EStringListError);
    EXPECT_EQ(l.Count(), 3);
    l.SetDuplicates(dupAccept);
    l.Add("fig");
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l.IndexOf("FIG"), 1);
    EXPECT_THROW(l.Insert(0, "x"), EStringListError);
    int at;
    EXPECT_FALSE(l.Find("grape", at));
    EXPECT_EQ(at, 3);
    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("apple"), -1);
}

TEST(StringList, ChangeEventsFireOncePerUpdateBracket) {
    TStringList l;
    int changing = 0, changed = 0;
    l.OnChanging = [&](TObject*) { ++changing; };
    l.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &l);
        ++changed;
    };
    l.Add("a");
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    l.BeginUpdate();
    l.Add("b");
    l.Add("c");
    l.Delete(0);
    EXPECT_EQ(changed, 1);
    l.EndUpdate();
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);
    l.SetText("x\r\ny\nz");
    EXPECT_EQ(changed, 3);
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Text(), "x\ny\nz\n");
}

TEST(StringList, ObjectsNamesValuesAndCommaText) {
    TStringList l;
    TComponent c(nullptr);
    l.AddObject("DSN=Kestrum", &c);
    l.Add("UID=admin");
    EXPECT_EQ(l.Values("uid"), "admin");
    EXPECT_EQ(l.Objects(0), &c);
    EXPECT_EQ(l.IndexOfObject(&c), 0);
    l.SetValue("UID", "");
    EXPECT_EQ(l.Count(), 1);

    l.SetCommaText("one, \"two words\",\"say \"\"hi\"\"\",,last");
    ASSERT_EQ(l.Count(), 5);
    EXPECT_EQ(l[1], "two words");
    EXPECT_EQ(l[2], "say \"hi\"");
    EXPECT_EQ(l[3], "");
    EXPECT_EQ(l.CommaText(), "one,\"two words\",\"say \"\"hi\"\"\",,last");
}

TEST(StringList, OwnedObjectsAreFreed) {
    auto* l = new TStringList;
    l->SetOwnsObjects(true);
    l->AddObject("a", new TComponent(nullptr));
    l->AddObject("b", new TComponent(nullptr));
    l->Delete(0);
    delete l; // LeakSanitizer reports anything not freed
}

TEST(Streams, MemoryStreamReadWriteSeekAndShortReads) {
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.Size(), 5);
    m.SetPosition(1);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 4);
    EXPECT_STREQ(buf, "ello");
    m.SetPosition(3);
    EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);
    EXPECT_THROW(m.Seek(-1, soBeginning), EStreamError);
    m.Seek(2, soEnd);
    m.WriteBuffer("!", 1); // the gap is zero-filled
    EXPECT_EQ(m.Size(), 8);
    EXPECT_EQ(m.Memory()[5], 0);
    m.SetSize(2);
    EXPECT_EQ(m.Position(), 2);
}

TEST(Streams, FileStreamRoundTripAndOpenErrors) {
    char dir[] = "/tmp/vantrel-fs-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    String path = String(dir) + "/data.bin";
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("abcdef", 6);
        f.SetPosition(2);
        char c[2];
        f.ReadBuffer(c, 2);
        f.WriteBuffer("XY", 2); // read then write without an explicit seek
    }
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(String(m.Bytes().begin(), m.Bytes().end()), "abcdXY");
    TStringList lines;
    lines.SetText("a\nb");
    lines.SaveToFile(path);
    TStringList back;
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Equals(lines));
    std::remove(path.c_str());
    EXPECT_THROW(TFileStream(path, fmOpenRead), EFOpenError);
    rmdir(dir);
}

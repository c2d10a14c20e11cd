#include <vantrel/framework/Streaming.h>

#include <gtest/gtest.h>

#include <random>

using namespace vantrel;

namespace {

enum TStyle { stPlain, stBold, stItalic };

// A component with one property of every stored kind, a nested string list, a component
// reference and a binary property kept in its own format.
class TSample : public TComponent {
public:
    explicit TSample(TComponent* owner) : TComponent(owner) { Lines.SetOwnsObjects(false); }

    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    bool Active() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    const String& Caption() const { return FCaption; }
    void SetCaption(const String& v) {
        if (v == "forbidden")
            throw EInvalidOperation("caption refused");
        FCaption = v;
    }
    TStyle Style() const { return FStyle; }
    void SetStyle(TStyle v) { FStyle = v; }
    int64_t Options() const { return FOptions; }
    void SetOptions(int64_t v) { FOptions = v; }
    TStringList* GetLines() { return &Lines; }
    TSample* Link() const { return FLink; }
    void SetLink(TSample* v) {
        if (FLink)
            FLink->RemoveFreeNotification(this);
        FLink = v;
        if (v)
            v->FreeNotification(this);
    }

    TBytes Blob;
    TStringList Lines;
    int LoadedCalls = 0;
    bool LoadingWhileReading = false;

    void DefineProperties(TFiler* filer) override {
        TComponent::DefineProperties(filer);
        auto* ancestor = dynamic_cast<TSample*>(filer->Ancestor());
        bool hasData = ancestor ? ancestor->Blob != Blob : !Blob.empty();
        filer->DefineBinaryProperty(
            "Data",
            [this](TStream& s) {
                // Own versioned format: 2-byte count, then the bytes.
                uint16_t n;
                s.ReadBuffer(&n, 2);
                Blob.resize(n);
                if (n)
                    s.ReadBuffer(Blob.data(), n);
            },
            [this](TStream& s) {
                uint16_t n = static_cast<uint16_t>(Blob.size());
                s.WriteBuffer(&n, 2);
                if (n)
                    s.WriteBuffer(Blob.data(), n);
            },
            hasData);
    }

    void Loaded() override {
        TComponent::Loaded();
        ++LoadedCalls;
    }
    void SetCaptionChecked(const String& v) {
        LoadingWhileReading = Loading();
        SetCaption(v);
    }

protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opRemove && c == FLink)
            FLink = nullptr;
    }

private:
    int FCount = 10;
    bool FActive = false;
    double FRatio = 0;
    String FCaption;
    TStyle FStyle = stPlain;
    int64_t FOptions = 0;
    TSample* FLink = nullptr;
};

const bool Registered = [] {
    RegisterClass<TSample, TComponent>("TSample")
        .Integer("Count", &TSample::Count, &TSample::SetCount, 10)
        .Boolean("Active", &TSample::Active, &TSample::SetActive, false)
        .Float("Ratio", &TSample::Ratio, &TSample::SetRatio, 0.0)
        .Text("Caption", &TSample::Caption, &TSample::SetCaptionChecked)
        .Enum("Style", &TSample::Style, &TSample::SetStyle, {"stPlain", "stBold", "stItalic"}, stPlain)
        .Set("Options", &TSample::Options, &TSample::SetOptions, {"soA", "soB", "soC"}, 0)
        .Object("Lines", &TSample::GetLines)
        .Component("Link", &TSample::Link, &TSample::SetLink);
    return true;
}();

std::unique_ptr<TSample> MakeTree() {
    auto root = std::make_unique<TSample>(nullptr);
    root->SetName("Form1");
    root->SetCaption("Shop \"office\"\n");
    root->SetStyle(stItalic);
    root->SetOptions(0b101);
    auto* a = new TSample(root.get());
    a->SetName("First");
    a->SetCount(-70000);
    a->SetActive(true);
    a->SetRatio(0.1);
    a->Blob = {0, 1, 2, 255};
    a->Lines.SetText("SELECT *\nFROM Part");
    auto* b = new TSample(root.get());
    b->SetName("Second");
    b->SetTag(int64_t(1) << 40);
    b->SetLink(a);
    auto* c = new TSample(a); // grandchild
    c->SetName("Inner");
    c->SetLink(b);
    return root;
}

void Store(TMemoryStream& m, TComponent* c, TComponent* ancestor = nullptr) {
    WriteComponent(m, c, ancestor);
    m.SetPosition(0);
}

bool Contains(const TMemoryStream& m, const String& text) {
    String all(m.Bytes().begin(), m.Bytes().end());
    return all.find(text) != String::npos;
}

} // namespace

TEST(Streaming, ComponentTreeRoundTrip) {
    ASSERT_TRUE(Registered);
    auto tree = MakeTree();
    TMemoryStream m;
    Store(m, tree.get());
    TComponent holder(nullptr);
    auto* read = dynamic_cast<TSample*>(ReadComponent(m, &holder));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Owner(), &holder);
    EXPECT_EQ(read->Name(), "Form1");
    EXPECT_EQ(read->Caption(), "Shop \"office\"\n");
    EXPECT_EQ(read->Style(), stItalic);
    EXPECT_EQ(read->Options(), 0b101);
    ASSERT_EQ(read->ComponentCount(), 2);
    auto* a = dynamic_cast<TSample*>(read->FindComponent("First"));
    auto* b = dynamic_cast<TSample*>(read->FindComponent("Second"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Owner(), read);
    EXPECT_EQ(a->Count(), -70000);
    EXPECT_TRUE(a->Active());
    EXPECT_EQ(a->Ratio(), 0.1);
    EXPECT_EQ(a->Blob, (TBytes{0, 1, 2, 255}));
    EXPECT_EQ(a->Lines.Text(), "SELECT *\nFROM Part\n");
    EXPECT_EQ(b->Tag(), int64_t(1) << 40);
    EXPECT_EQ(b->Link(), a); // references resolved to the new objects
    auto* inner = dynamic_cast<TSample*>(a->FindComponent("Inner"));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Link(), b);
    // Loaded ran once per component, after reading; csLoading was set while properties were read.
    EXPECT_EQ(read->LoadedCalls, 1);
    EXPECT_EQ(inner->LoadedCalls, 1);
    EXPECT_TRUE(read->LoadingWhileReading);
    EXPECT_EQ(read->ComponentState() & (csLoading | csReading), 0u);

    // The reference is live: freeing the target clears it.
    delete a;
    EXPECT_EQ(b->Link(), nullptr);
}

TEST(Streaming, DefaultsAndEmptyValuesAreNotWritten) {
    TSample plain(nullptr);
    plain.SetName("Plain");
    TMemoryStream m;
    Store(m, &plain);
    // Signature, header, class, name, end of properties, end of children: nothing else.
    EXPECT_EQ(m.Size(), int64_t(4 + 1 + 1 + 7 + 4 + 5 + 1 + 1));
    for (const char* p : {"Count", "Active", "Ratio", "Caption", "Style", "Options", "Lines", "Link", "Data", "Tag"})
        EXPECT_FALSE(Contains(m, p)) << p;

    plain.SetCount(11);
    TMemoryStream m2;
    Store(m2, &plain);
    EXPECT_TRUE(Contains(m2, "Count"));
    EXPECT_FALSE(Contains(m2, "Active"));
}

TEST(Streaming, AncestorComparisonWritesOnlyDifferences) {
    auto ancestor = MakeTree();
    auto derived = MakeTree();
    auto* first = dynamic_cast<TSample*>(derived->FindComponent("First"));
    first->SetActive(false);                          // differs from the ancestor (true)
    first->Lines.Add("WHERE 1=1");                    // nested list differs
    TMemoryStream m;
    Store(m, derived.get(), ancestor.get());
    EXPECT_TRUE(Contains(m, "Active"));
    EXPECT_TRUE(Contains(m, "Lines.Strings"));
    EXPECT_FALSE(Contains(m, "Count")); // equal to the ancestor's -70000, though not the default
    EXPECT_FALSE(Contains(m, "Data"));
    EXPECT_FALSE(Contains(m, "Caption"));

    // Read back into an instance built like the ancestor: the differences apply.
    auto target = MakeTree();
    ReadComponentInto(m, target.get());
    auto* t = dynamic_cast<TSample*>(target->FindComponent("First"));
    EXPECT_FALSE(t->Active());
    EXPECT_EQ(t->Count(), -70000);
    EXPECT_EQ(t->Lines.Count(), 3);
    EXPECT_EQ(target->ComponentCount(), 2); // read into the existing children, none added
}

TEST(Streaming, ReaderAndWriterPrimitivesForDefinedProperties) {
    TMemoryStream m;
    {
        TWriter w(m);
        w.WriteListBegin();
        w.WriteString("Qty_Item");
        w.WriteBoolean(true);
        w.WriteInteger(-1);
        w.WriteInteger(300);
        w.WriteInteger(int64_t(5) << 33);
        w.WriteFloat(2.75);
        w.WriteIdent("ftString");
        w.WriteBinary("\x01\x02", 2);
        w.WriteListEnd();
    }
    m.SetPosition(0);
    TReader r(m);
    r.ReadListBegin();
    EXPECT_EQ(r.ReadString(), "Qty_Item");
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_EQ(r.ReadInteger(), -1);
    EXPECT_EQ(r.ReadInteger(), 300);
    EXPECT_THROW(r.ReadInteger(), EReadError); // does not fit 32 bits
    EXPECT_EQ(r.ReadInt64(), int64_t(5) << 33);
    EXPECT_EQ(r.ReadFloat(), 2.75);
    EXPECT_THROW(r.ReadString(), EReadError); // an identifier is next, not a string
    EXPECT_EQ(r.ReadIdent(), "ftString");
    EXPECT_EQ(r.ReadBinary(), (TBytes{1, 2}));
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    EXPECT_THROW(r.ReadValue(), EReadError); // at the end of the stream
}

TEST(Streaming, TruncatedStreamsAreRejectedCleanly) {
    auto tree = MakeTree();
    TMemoryStream full;
    Store(full, tree.get());
    const auto& bytes = full.Bytes();
    for (size_t len = 0; len < bytes.size(); ++len) {
        TMemoryStream part;
        part.WriteBuffer(bytes.data(), static_cast<int64_t>(len));
        part.SetPosition(0);
        TComponent holder(nullptr);
        EXPECT_THROW(ReadComponent(part, &holder), EReadError) << "length " << len;
        EXPECT_EQ(holder.ComponentCount(), 0) << "partial tree left behind at length " << len;
    }
}

TEST(Streaming, CorruptStreamsRaiseReadErrorsOnly) {
    auto tree = MakeTree();
    TMemoryStream full;
    Store(full, tree.get());
    std::mt19937 rng(1234);
    int rejected = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = full.Bytes();
        int flips = 1 + static_cast<int>(rng() % 3);
        for (int f = 0; f < flips; ++f)
            bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
        TMemoryStream m;
        m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        m.SetPosition(0);
        TComponent holder(nullptr);
        try {
            ReadComponent(m, &holder);
        } catch (const EReadError&) {
            ++rejected;
        }
    }
    EXPECT_GT(rejected, 1000);

    // A length field claiming 4 GB is refused before anything is allocated.
    std::vector<uint8_t> bytes = full.Bytes();
    size_t nameLen = 4 + 1 + 1 + 7; // signature, flags, class name
    bytes[nameLen] = bytes[nameLen + 1] = bytes[nameLen + 2] = bytes[nameLen + 3] = 0xFF;
    TMemoryStream m;
    m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    m.SetPosition(0);
    try {
        ReadComponent(m, nullptr);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_NE(String(e.what()).find("truncated at offset 17"), String::npos) << e.what();
    }
}

TEST(Streaming, UnknownClassPropertyAndRefusedValuesAreNamed) {
    TSample s(nullptr);
    s.SetName("S");
    s.SetCaption("ok");
    TMemoryStream m;
    Store(m, &s);
    std::vector<uint8_t> bytes = m.Bytes();
    String all(bytes.begin(), bytes.end());

    auto readWith = [&](String text) -> String {
        TMemoryStream x;
        x.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
        x.SetPosition(0);
        try {
            delete ReadComponent(x, nullptr);
        } catch (const Exception& e) {
            return e.Message();
        }
        return "no error";
    };
    String badClass = all;
    badClass.replace(badClass.find("TSample"), 7, "TNoSuch");
    EXPECT_EQ(readWith(badClass), "Class TNoSuch not found");
    String badProp = all;
    badProp.replace(badProp.find("Caption"), 7, "Captiom");
    EXPECT_NE(readWith(badProp).find("property Captiom does not exist"), String::npos);
    String refused = all;
    size_t at = refused.find("ok");
    refused.replace(at - 4, 6, String("\x09\0\0\0", 4) + "forbidden");
    EXPECT_EQ(readWith(refused), "Error reading S.Caption: caption refused");
    String trailing = all + "x";
    EXPECT_NE(readWith(trailing).find("data after the end"), String::npos);
    EXPECT_EQ(readWith("VFS\x02"), "Invalid stored form: unsupported format version 2");
}

TEST(Streaming, WritingAnUnregisteredClassFails) {
    class TUnregistered : public TComponent {
    public:
        using TComponent::TComponent;
    };
    TUnregistered u(nullptr);
    TMemoryStream m;
    EXPECT_THROW(WriteComponent(m, &u), EWriteError);
    EXPECT_NE(FindClassInfo("TSample"), nullptr);
    EXPECT_NE(FindClassInfo("tsample")->FindProperty("tag"), nullptr); // inherited, case-insensitive
}

#include <vantrel/framework/Registry.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vantrel-xdg-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        Dir = tmpl;
        const char* old = std::getenv("XDG_CONFIG_HOME");
        HadOld = old != nullptr;
        if (old)
            Old = old;
        setenv("XDG_CONFIG_HOME", Dir.c_str(), 1);
    }
    void TearDown() override {
        if (HadOld)
            setenv("XDG_CONFIG_HOME", Old.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::system(("rm -rf '" + Dir + "'").c_str());
    }
    String FileText(const String& path) {
        std::ifstream f(path);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    std::vector<String> Entries(const String& dir) {
        std::vector<String> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.')
                    names.push_back(e->d_name);
            closedir(d);
        }
        return names;
    }
    String Dir, Old;
    bool HadOld = false;
};

} // namespace

TEST_F(Registry, ValuesRoundTripUnderXdgConfigHome) {
    {
        TRegistry reg("vantrel/test.ini");
        EXPECT_EQ(reg.FileName(), Dir + "/vantrel/test.ini");
        EXPECT_FALSE(reg.OpenKey("Software\\Vantrel\\Entity", false));
        ASSERT_TRUE(reg.OpenKey("\\Software\\\\Vantrel\\Entity\\", true)); // slashes normalised
        EXPECT_EQ(reg.CurrentPath(), "Software\\Vantrel\\Entity");
        reg.WriteString("Caption", "  padded = [text]; \\ with\nnewline\t");
        reg.WriteInteger("FindOption", -3);
        reg.WriteBool("FindSensitive", true);
        reg.WriteFloat("Ratio", 0.1);
        reg.WriteBinaryData("Blob", TBytes{0, 0xAB, 0xFF});
        reg.WriteString("name=with=equals", "v");
        ASSERT_TRUE(reg.OpenKey("Child", true)); // relative to the open key
        reg.WriteString("x", "1");
    }
    TRegistry reg("vantrel/test.ini");
    ASSERT_TRUE(reg.OpenKey("software\\vantrel\\entity", false)); // keys ignore case
    EXPECT_EQ(reg.ReadString("caption"), "  padded = [text]; \\ with\nnewline\t");
    EXPECT_EQ(reg.ReadInteger("FindOption"), -3);
    EXPECT_TRUE(reg.ReadBool("FindSensitive"));
    EXPECT_EQ(reg.ReadFloat("Ratio"), 0.1);
    EXPECT_EQ(reg.ReadBinaryData("Blob"), (TBytes{0, 0xAB, 0xFF}));
    EXPECT_EQ(reg.ReadString("name=with=equals"), "v");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Caption"), ERegistryException);

    TStringList names;
    reg.GetValueNames(names);
    EXPECT_EQ(names.CommaText(), "Caption,FindOption,FindSensitive,Ratio,Blob,name=with=equals");
    reg.GetKeyNames(names);
    EXPECT_EQ(names.CommaText(), "Child");
    EXPECT_TRUE(reg.DeleteValue("Ratio"));
    EXPECT_FALSE(reg.ValueExists("Ratio"));
    EXPECT_FALSE(reg.DeleteValue("Ratio"));

    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    reg.GetKeyNames(names);
    EXPECT_EQ(names.CommaText(), "Vantrel");
    EXPECT_TRUE(reg.DeleteKey("Vantrel"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\Vantrel\\Entity\\Child"));
    // Atomic replacement leaves no temporary files behind.
    EXPECT_EQ(Entries(Dir + "/vantrel"), std::vector<String>{"test.ini"});
}

TEST_F(Registry, UnknownLinesSurviveAndBadUseIsRefused) {
    String path = Dir + "/kept.ini";
    {
        std::ofstream f(path);
        f << "; hand-written comment\n[Entity]\nnot a value line\nFindDown = 1\n";
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Entity", "FindDown", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Entity", "FindOption", 1), 1);
    EXPECT_FALSE(ini.ReadBool("Entity", "FindSensitive", false));
    ini.WriteString("Entity", "Name-find", "abc");
    ini.WriteBool("Other", "Flag", true);
    String text = FileText(path);
    EXPECT_NE(text.find("; hand-written comment"), String::npos);
    EXPECT_NE(text.find("not a value line"), String::npos);
    EXPECT_EQ(ini.ReadString("Entity", "Name-find", ""), "abc");
    EXPECT_TRUE(ini.ReadBool("Other", "Flag", false));
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections.CommaText(), "Entity,Other");
    ini.EraseSection("Other");
    EXPECT_FALSE(ini.SectionExists("Other"));

    TRegistry reg(path);
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException); // no key open
    ASSERT_TRUE(reg.OpenKeyReadOnly("Entity"));
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);
    EXPECT_THROW(TRegistry("../escape.ini"), ERegistryException);
    EXPECT_THROW(TIniFile(""), ERegistryException);
}

TEST_F(Registry, UnwritableStoreReportsAndKeepsOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    TIniFile ini("locked/settings.ini");
    ini.WriteString("A", "b", "old");
    chmod((Dir + "/locked").c_str(), 0500);
    EXPECT_THROW(ini.WriteString("A", "b", "new"), ERegistryException);
    chmod((Dir + "/locked").c_str(), 0700);
    EXPECT_EQ(ini.ReadString("A", "b", ""), "old");
}

TEST_F(Registry, StoreThatCannotBeReplacedFailsClearly) {
    // A folder where the file should be: reading finds nothing usable and writing is refused.
    mkdir((Dir + "/vantrel").c_str(), 0700);
    mkdir((Dir + "/vantrel/blocked.ini").c_str(), 0700);
    TIniFile ini("vantrel/blocked.ini");
    EXPECT_THROW(ini.WriteString("A", "b", "c"), ERegistryException);
    EXPECT_THROW(ini.ReadString("A", "b", "d"), ERegistryException);
    struct stat st;
    ASSERT_EQ(stat((Dir + "/vantrel/blocked.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(Entries(Dir + "/vantrel"), std::vector<String>{"blocked.ini"}); // no temporary left
}

// Query tools without a database: ConverString, the export format, appending query results,
// searching for text, the busy cursor and remembering a grid's layout.
#include "MemDataSet.h"

#include <vantrel/ext/ODBCTools.h>
#include <vantrel/grid/ExtDBGrid.h>

#include <QApplication>
#include <QHeaderView>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vantrel;
using vantrel::test::TMemDataSet;

namespace {

String readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ToolsTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("vantrel-tools-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        ds = std::make_unique<TMemDataSet>(nullptr, std::vector<test::TMemColumn>{{"Id", ftInteger},
                                                                                  {"Name", ftString, 30},
                                                                                  {"Amount", ftFloat},
                                                                                  {"Qty", ftSmallint},
                                                                                  {"Made", ftDate}});
        ds->Open();
    }
    void TearDown() override {
        ds.reset();
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
    std::unique_ptr<TMemDataSet> ds;
};

TEST(ConverString, FollowsTheRulesBothWays) {
    EXPECT_EQ(ConverString("it's", true), "it''s");
    EXPECT_EQ(ConverString("a\\b", true), "a\\\\b");
    EXPECT_EQ(ConverString(String("x\0y", 3), true), "x\\x00y");
    EXPECT_EQ(ConverString("l1\r\nl2", true), "l1\\x0D\\x0Al2");
    EXPECT_EQ(ConverString("plain", true), "plain");
    EXPECT_EQ(ConverString("", true), "");

    EXPECT_EQ(ConverString("it''s", false), "it's");
    EXPECT_EQ(ConverString("a\\\\b", false), "a\\b");
    EXPECT_EQ(ConverString("x\\x00y", false), String("x\0y", 3));
    EXPECT_EQ(ConverString("\\x0D\\x0A", false), "\r\n");
    // Left to right, the first pair wins: "\\x0A" is an escaped backslash followed by "x0A".
    EXPECT_EQ(ConverString("\\\\x0A", false), "\\x0A");
    EXPECT_EQ(ConverString("'''", false), "''");
    // What matches no pair is copied, one character at a time.
    EXPECT_EQ(ConverString("\\q\\x0", false), "\\q\\x0");
    EXPECT_EQ(ConverString("\\x0d", false), "\\x0d");

    String all("'\\\0\r\n mixed ''", 14);
    EXPECT_EQ(ConverString(ConverString(all, true), false), all);
}

TEST_F(ToolsTextTest, ExportWritesTheHeaderAndTheValuesFromTheCurrentRecord) {
    ds->AddRows(
        {{Variant(1), Variant(String("first")), Variant(2.5), Variant(3),
          Variant(TDateTime(EncodeDate(2024, 2, 3)))},
         {Variant(2), Variant(String("it's a\\b\nc")), Variant(-0.125), Variant::Null(), Variant::Null()},
         {Variant(3), Variant(String("")), Variant::Null(), Variant(0), Variant::Null()},
         {Variant(4), Variant::Null(), Variant(1e20), Variant(-7), Variant::Null()}});
    ds->First();
    ds->Next(); // from the current record on
    auto file = dir / "out.txt";
    ExportDataSet(*ds, file.string());
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(readFile(file), "Id,Name,Amount,Qty,Made\r\n"
                              "2,'it''s a\\\\b\\x0Ac',-0.125,,\r\n"
                              "3,'',,0,\r\n"
                              "4,,1e+20,-7,\r\n");
    ds->First();
    ExportDataSet(*ds, file.string()); // overwritten
    String text = readFile(file);
    EXPECT_EQ(text.substr(0, text.find("\r\n", 25) + 2),
              "Id,Name,Amount,Qty,Made\r\n1,'first',2.5,3,'2024-02-03'\r\n");
}

TEST_F(ToolsTextTest, SaveQryToFileAppendsPrefixedLinesOfTheFirstFields) {
    ds->AddRows({{Variant(1), Variant(String("a'b")), Variant(1.5), Variant(1), Variant::Null()},
                 {Variant(2), Variant(String("c")), Variant(2.0), Variant(2), Variant::Null()}});
    auto file = dir / "log.txt";
    ds->First();
    SaveQryToFile(file.string(), "P", *ds, {"Id", "Name"});
    ds->First();
    SaveQryToFile(file.string(), "Q", *ds, {"Id"});
    EXPECT_EQ(readFile(file), "P,1,'a''b'\r\nP,2,'c'\r\nQ,1\r\nQ,2\r\n");
    ds->First();
    EXPECT_THROW(SaveQryToFile(file.string(), "X", *ds, {"a", "b", "c", "d", "e", "f"}), EDatabaseError);
}

TEST_F(ToolsTextTest, FindAnyRecordSearchesForwardFromTheNextRecord) {
    ds->AddRows({{Variant(1), Variant(String("Apple")), Variant(1.0), Variant(1), Variant::Null()},
                 {Variant(2), Variant(String("banana")), Variant(2.0), Variant(2), Variant::Null()},
                 {Variant(3), Variant(String("Cherry")), Variant(3.0), Variant(3), Variant::Null()},
                 {Variant(4), Variant(String("apricot")), Variant(4.0), Variant(4), Variant::Null()}});
    ds->First();
    EXPECT_TRUE(FindAnyRecord(*ds, false, "AP"));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 4); // not the current record 1
    ds->First();
    EXPECT_FALSE(FindAnyRecord(*ds, true, "AP"));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 1); // back where it started
    EXPECT_TRUE(FindAnyRecord(*ds, true, "Ch"));
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 3);
    EXPECT_TRUE(FindAnyRecord(*ds, false, "4")); // numbers are searched by their text
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 4);
    EXPECT_FALSE(FindAnyRecord(*ds, false, "a")); // at the last record nothing follows
    EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 4);
}

TEST(ExecCursor, ShowsTheBusyCursorAndPutsBackTheOneItFound) {
    std::vector<TCursor> seen;
    auto previous = Application().SetCursorHandler([&](TCursor c) { seen.push_back(c); });
    Application().SetCursor(crHourGlass);
    seen.clear();
    {
        TExecCursor outer;
        {
            TExecCursor inner; // already showing: nothing to change or restore
        }
        EXPECT_EQ(Application().Cursor(), crSQLWait);
    }
    EXPECT_EQ(Application().Cursor(), crHourGlass);
    EXPECT_EQ(seen, (std::vector<TCursor>{crSQLWait, crHourGlass}));
    // A worker thread leaves the cursor alone.
    seen.clear();
    std::thread([] { TExecCursor worker; }).join();
    EXPECT_TRUE(seen.empty());
    Application().SetCursor(crDefault);
    Application().SetCursorHandler(previous);
}

TEST_F(ToolsTextTest, FieldSaveRestoresCaptionsWidthsAndOrderOfAGrid) {
    ds->AddRows({{Variant(1), Variant(String("a")), Variant(1.0), Variant(1), Variant::Null()}});
    TDataSource source(nullptr);
    source.SetDataSet(ds.get());
    TExtDBGrid grid;
    grid.resize(500, 200);
    grid.SetDataSource(&source);
    grid.show();
    grid.Columns()[1]->SetTitleCaption("Who");
    grid.Columns()[1]->SetWidth(150);
    grid.horizontalHeader()->moveSection(0, 3); // Id after Qty: Name, Amount, Qty, Id, Made
    grid.Columns()[4]->SetVisible(false);

    TFieldSave save;
    save.GetInfoGrid(grid);
    ASSERT_EQ(save.GetFieldCount(), 5);
    ASSERT_NE(save.FieldByName("name"), nullptr);
    EXPECT_EQ(save.FieldByName("Name")->Caption, "Who");
    EXPECT_EQ(save.FieldByName("Name")->Width, 150);
    EXPECT_EQ(save.FieldByName("Id")->Index, 3);

    TStringList stored;
    save.SaveToStrings(stored);
    TFieldSave loaded;
    loaded.LoadFromStrings(stored);
    EXPECT_EQ(loaded.GetFieldCount(), 5);

    // A fresh grid on the same data takes the layout.
    TExtDBGrid other;
    other.resize(500, 200);
    other.SetDataSource(&source);
    loaded.SetInfoGrid(other);
    std::vector<String> order;
    for (int i = 0; i < other.Columns().Count(); ++i)
        order.push_back(other.Columns()[i]->FieldName());
    EXPECT_EQ(order, (std::vector<String>{"Name", "Amount", "Qty", "Id", "Made"}));
    EXPECT_EQ(other.Columns()[0]->Caption(), "Who");
    EXPECT_EQ(other.horizontalHeader()->sectionSize(0), 150);
    EXPECT_EQ(other.Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Who");

    stored.Clear();
    stored.Add("'Name','x',notanumber,1");
    EXPECT_THROW(loaded.LoadFromStrings(stored), EDatabaseError);
    EXPECT_EQ(loaded.GetFieldCount(), 5); // a bad layout changes nothing
}

} // namespace

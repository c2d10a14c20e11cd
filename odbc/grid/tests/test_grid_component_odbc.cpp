// A stored form with a connection, a query, a data source and an extended grid, read back by a
// program on both engines: the grid comes back live, shows the query's rows and keeps its options.
#include <TestDatabase.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/framework/Streaming.h>
#include <vantrel/grid/GridComponent.h>

#include <QTest>

#include <gtest/gtest.h>

using namespace vantrel;
using testsupport::Engine;

namespace {

class GridComponentTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE gridrow (id INTEGER PRIMARY KEY, name VARCHAR(20))");
        for (int i = 1; i <= 30; ++i)
            tdb->exec("INSERT INTO gridrow VALUES (" + std::to_string(i) + ", 'row " + std::to_string(i) + "')");
    }
    std::unique_ptr<testsupport::TestDatabase> tdb;
};

TEST_P(GridComponentTest, AFormReadBackShowsTheQueryInItsGrid) {
    TMemoryStream stream;
    {
        TComponent form(nullptr);
        form.SetName("Form1");
        auto* db = new TODBCDatabase(&form);
        db->SetName("ODBCDatabase1");
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
        auto* q = new TODBCQuery(&form);
        q->SetName("ODBCQuery1");
        q->SetODBCDatabase(db);
        q->SetSQLText("SELECT id, name FROM gridrow ORDER BY id");
        q->Open();
        auto* source = new TDataSource(&form);
        source->SetName("DataSource1");
        source->SetDataSet(q);
        auto* grid = new TExtDBGridComponent(&form);
        grid->SetName("DBGrid1");
        grid->SetDataSource(source);
        grid->SetOptions(grid->Options() | dgMultiSelect | dgRowSelect);
        grid->SetIndicatorSize(17);
        grid->SetWidth(400);
        grid->SetHeight(300);
        EXPECT_EQ(grid->ExtGrid()->Model()->index(0, 1).data().toString(), "row 1");
        WriteComponent(stream, &form);
    }
    stream.SetPosition(0);
    std::unique_ptr<TComponent> form(ReadComponent(stream, nullptr));
    auto* q = dynamic_cast<TODBCQuery*>(form->FindComponent("ODBCQuery1"));
    auto* holder = dynamic_cast<TExtDBGridComponent*>(form->FindComponent("DBGrid1"));
    ASSERT_TRUE(q && holder);
    ASSERT_TRUE(q->Active());
    TExtDBGrid* grid = holder->ExtGrid();
    ASSERT_NE(grid, nullptr);

    QWidget window;
    grid->setParent(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(grid->size(), QSize(400, 300));
    EXPECT_EQ(grid->IndicatorSize(), 17);
    EXPECT_TRUE(grid->Options() & dgMultiSelect);
    EXPECT_EQ(grid->Model()->index(0, 1).data().toString(), "row 1");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 3);
    EXPECT_EQ(grid->SelectedRows().Count(), 3); // the form's multi-select works on the query
    // At the end the window goes first and takes the grid with it; the form still closes cleanly.
}

INSTANTIATE_TEST_SUITE_P(Engines, GridComponentTest, TESTSUPPORT_ENGINES);

} // namespace

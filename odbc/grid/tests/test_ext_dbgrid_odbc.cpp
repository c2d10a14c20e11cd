// The extended grid over a query on both engines: rows are read as they are shown, the end of a
// large result is reached without reading it all, and a Shift range over the query's bookmarks.
#include "ODBCTestHelpers.h"

#include <TestDatabase.h>
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/grid/ExtDBGrid.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace vantrel;
using testsupport::Engine;

namespace {

class ExtGridQueryTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE gridrow (id INTEGER PRIMARY KEY, name VARCHAR(20))");
        // One statement fills the table: 3000 rows.
        tdb->exec(GetParam() == Engine::PostgreSQL
                      ? "INSERT INTO gridrow SELECT g, 'row ' || g FROM generate_series(1, 3000) g"
                      : "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                        "INSERT INTO gridrow SELECT i, 'row ' || i FROM n");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
        q = std::make_unique<TODBCQuery>(nullptr);
        q->SetODBCDatabase(db.get());
        q->SQL()->Add("select id, name from gridrow order by id");
        q->Open();
        source = std::make_unique<TDataSource>(nullptr);
        source->SetDataSet(q.get());
        window = std::make_unique<QWidget>();
        window->resize(400, 300);
        grid = new TExtDBGrid(window.get());
        grid->setGeometry(0, 0, 400, 300);
        grid->SetOptions(grid->Options() | dgMultiSelect);
        grid->SetDataSource(source.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        grid->setFocus();
    }
    void TearDown() override {
        window.reset();
        source.reset();
        q.reset();
        db.reset();
        tdb.reset();
    }
    int CurrentId() { return q->FieldByName("id")->AsInteger(); }

    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
    std::unique_ptr<TODBCQuery> q;
    std::unique_ptr<TDataSource> source;
    std::unique_ptr<QWidget> window;
    TExtDBGrid* grid = nullptr;
};

TEST_P(ExtGridQueryTest, ReadsRowsAsTheyAreShownAndReachesTheEndWithoutReadingAll) {
    EXPECT_LT(grid->Model()->RecordsRead(), 200);
    EXPECT_EQ(grid->Model()->index(0, 1).data().toString(), "row 1");
    EXPECT_FALSE(grid->Model()->BottomComplete());
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(CurrentId(), 3000);
    int row = grid->Model()->CurrentRow();
    EXPECT_EQ(grid->Model()->index(row, 1).data().toString(), "row 3000");
    EXPECT_LT(grid->Model()->RecordsRead(), 400);
    EXPECT_TRUE(grid->Model()->BottomComplete());
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(CurrentId(), 2999);
    EXPECT_EQ(grid->currentIndex().row(), row - 1);
    // Scrolling up reads the rows above, keeping the record.
    int before = grid->Model()->rowCount();
    grid->verticalScrollBar()->setValue(0);
    QApplication::processEvents();
    EXPECT_GT(grid->Model()->rowCount(), before);
    EXPECT_EQ(CurrentId(), 2999);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(CurrentId(), 1);
    EXPECT_EQ(grid->currentIndex().row(), 0);
}

TEST_P(ExtGridQueryTest, ShiftRangeOverTheQuerysBookmarks) {
    QTest::keyClick(grid, Qt::Key_Down);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(CurrentId(), 6);
    ASSERT_EQ(grid->SelectedRows().Count(), 5);
    std::vector<int> ids;
    for (int i = 0; i < grid->SelectedRows().Count(); ++i) {
        q->GotoBookmark(grid->SelectedRows()[i]);
        ids.push_back(CurrentId());
    }
    EXPECT_EQ(ids, (std::vector<int>{2, 3, 4, 5, 6}));
    // The query cannot be edited: Down past the end appends nothing.
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(q->State(), dsBrowse);
    EXPECT_EQ(CurrentId(), 3000);
}

INSTANTIATE_TEST_SUITE_P(Engines, ExtGridQueryTest, TESTSUPPORT_ENGINES);

} // namespace

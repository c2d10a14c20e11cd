// The extended grid offscreen over an in-memory dataset: lazy rows, following the dataset, range
// selection by keys and mouse, drawing of selected rows without focus, deleting, appending.
#include "MemDataSet.h"

#include <vantrel/grid/ExtDBGrid.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vantrel;
using vantrel::test::TMemDataSet;

namespace {

class ExtGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        ds = std::make_unique<TMemDataSet>(
            nullptr,
            std::vector<test::TMemColumn>{{"Id", ftInteger}, {"Name", ftString, 20}, {"Amount", ftFloat}});
        ds->Open();
        source = std::make_unique<TDataSource>(nullptr);
        source->SetDataSet(ds.get());
        window = std::make_unique<QWidget>();
        window->resize(420, 300);
        grid = new TExtDBGrid(window.get());
        grid->setObjectName("DBGrid1");
        grid->setGeometry(0, 0, 400, 280);
        previousConfirm = SetGridConfirmHandler([this](const QString& text) {
            questions << text;
            if (answers.empty())
                ADD_FAILURE() << "unexpected question " << text.toStdString();
            bool a = !answers.empty() && answers.front();
            if (!answers.empty())
                answers.erase(answers.begin());
            return a;
        });
    }
    void TearDown() override {
        SetGridConfirmHandler(previousConfirm);
        window.reset();
        source.reset();
        ds.reset();
    }
    void Fill(int n) {
        std::vector<std::vector<Variant>> rows;
        for (int i = 1; i <= n; ++i)
            rows.push_back({Variant(i), Variant(String("Name ") + IntToStr(i)), Variant(i * 1.5)});
        ds->AddRows(rows);
    }
    void Show() {
        grid->SetDataSource(source.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        grid->setFocus();
        QApplication::processEvents();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(grid, Qt::Key(key), mods);
    }
    int CurrentId() { return ds->FieldByName("Id")->AsInteger(); }
    QString Cell(int row, int col) { return grid->Model()->index(row, col).data().toString(); }
    std::vector<int> SelectedIds() {
        std::vector<int> ids;
        TBookmark here = ds->GetBookmark();
        for (int i = 0; i < grid->SelectedRows().Count(); ++i) {
            ds->GotoBookmark(grid->SelectedRows()[i]);
            ids.push_back(CurrentId());
        }
        ds->GotoBookmark(here);
        return ids;
    }
    QPoint CellCenter(int row, int col) { return grid->visualRect(grid->Model()->index(row, col)).center(); }

    std::unique_ptr<TMemDataSet> ds;
    std::unique_ptr<TDataSource> source;
    std::unique_ptr<QWidget> window;
    TExtDBGrid* grid = nullptr;
    TConfirmHandler previousConfirm;
    QStringList questions;
    std::vector<bool> answers;
};

TEST_F(ExtGridTest, ReadsOnlyTheRowsItShowsAndMoreAsItScrolls) {
    Fill(5000);
    ds->Reads = 0;
    Show();
    int shown = grid->Model()->rowCount();
    EXPECT_GT(shown, 5);
    EXPECT_LT(shown, 200);
    EXPECT_LT(ds->Reads, 1000);
    EXPECT_EQ(Cell(0, 1), "Name 1");
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    QApplication::processEvents();
    EXPECT_GT(grid->Model()->rowCount(), shown);
    EXPECT_LT(grid->Model()->rowCount(), 5000);

    // Jumping to the end reads around the last record, not everything before it.
    ds->Reads = 0;
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(CurrentId(), 5000);
    EXPECT_LT(ds->Reads, 1000);
    int row = grid->Model()->CurrentRow();
    EXPECT_EQ(Cell(row, 0), "5000");
    EXPECT_EQ(grid->currentIndex().row(), row);
    EXPECT_TRUE(grid->Model()->BottomComplete());
    EXPECT_FALSE(grid->Model()->TopComplete());
    // Scrolling to the top reads the rows above.
    int before = grid->Model()->rowCount();
    grid->verticalScrollBar()->setValue(0);
    QApplication::processEvents();
    EXPECT_GT(grid->Model()->rowCount(), before);
    EXPECT_EQ(CurrentId(), 5000); // reading never moves the user's record
}

TEST_F(ExtGridTest, FollowsTheDataSetBothWays) {
    Fill(30);
    Show();
    ds->MoveBy(7);
    EXPECT_EQ(CurrentId(), 8);
    EXPECT_EQ(Cell(grid->currentIndex().row(), 0), "8");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCenter(2, 1));
    EXPECT_EQ(CurrentId(), 3);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(CurrentId(), 5);
    EXPECT_EQ(grid->currentIndex().row(), 4);
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(CurrentId(), 1);
    // A record changed elsewhere shows its new text.
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("Changed");
    ds->Post();
    EXPECT_EQ(Cell(0, 1), "Changed");
}

TEST_F(ExtGridTest, IndicatorSizeTakesOnlyOneToFortyNine) {
    Fill(3);
    Show();
    EXPECT_EQ(grid->IndicatorSize(), 10);
    EXPECT_EQ(grid->verticalHeader()->width(), 10);
    grid->SetIndicatorSize(0);
    EXPECT_EQ(grid->IndicatorSize(), 10);
    grid->SetIndicatorSize(50);
    EXPECT_EQ(grid->IndicatorSize(), 10);
    grid->SetIndicatorSize(49);
    EXPECT_EQ(grid->IndicatorSize(), 49);
    EXPECT_EQ(grid->verticalHeader()->width(), 49);
    grid->SetOptions(grid->Options() & ~dgIndicator);
    EXPECT_FALSE(grid->verticalHeader()->isVisible());

    auto* images = new TImageList(nullptr, 8, 8);
    QPixmap red(8, 8);
    red.fill(Qt::red);
    images->Add(red);
    grid->SetIndicators(images);
    EXPECT_EQ(grid->Indicators(), images);
    delete images; // the grid forgets a destroyed image list
    EXPECT_EQ(grid->Indicators(), nullptr);
}

TEST_F(ExtGridTest, ShiftKeysSelectARangeAndAPlainMoveClearsIt) {
    Fill(20);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    int changes = 0;
    grid->OnSelectionChange = [&](TCustomDBGrid*) { ++changes; };
    grid->OnGetDataSetKey = [](TDataSet* d, String& key) { key = "K" + d->FieldByName("Id")->AsString(); };
    Show();
    Key(Qt::Key_Down); // on 2
    for (int i = 0; i < 3; ++i)
        Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(CurrentId(), 5);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_TRUE(grid->RangeActive());
    EXPECT_EQ(grid->SelectedKeys().Count(), 4);
    EXPECT_GE(changes, 3);
    // Back toward the anchor unselects the row that is left.
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 3, 4}));
    // Past the anchor the range turns round.
    Key(Qt::Key_Up, Qt::ShiftModifier);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(CurrentId(), 1);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{1, 2}));
    EXPECT_EQ(grid->SelectedKeys().IndexOf("K1") >= 0, true);
    // The rows are drawn as highlighted.
    EXPECT_TRUE(grid->HighlightCell(1, 2));
    EXPECT_FALSE(grid->HighlightCell(5, 2));

    changes = 0;
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
    EXPECT_EQ(grid->SelectedKeys().Count(), 0);
    EXPECT_FALSE(grid->RangeActive());
    EXPECT_EQ(changes, 1);

    // SetShiftSelection in either order; ClearSelection.
    ds->First();
    TBookmark a = ds->GetBookmark();
    ds->MoveBy(9);
    TBookmark b = ds->GetBookmark();
    grid->SetShiftSelection(b, a);
    EXPECT_EQ(grid->SelectedRows().Count(), 10);
    EXPECT_EQ(CurrentId(), 10);
    grid->ClearSelection();
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
}

TEST_F(ExtGridTest, MouseSelectsWithShiftAndTogglesWithControl) {
    Fill(20);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    Show();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCenter(2, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, CellCenter(5, 0));
    EXPECT_EQ(CurrentId(), 6);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5, 6}));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCenter(4, 0));
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 6}));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CellCenter(9, 0));
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 6, 10}));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCenter(0, 0));
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
    // Dragging with the button down selects the rows passed over.
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, CellCenter(1, 0));
    QMouseEvent move(QEvent::MouseMove, CellCenter(3, 0), grid->viewport()->mapToGlobal(CellCenter(3, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, CellCenter(3, 0));
    EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 3, 4}));
}

TEST_F(ExtGridTest, SelectedRowsKeepAButtonFaceBackgroundWithoutFocus) {
    Fill(10);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    QPalette pal = grid->palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 255));
    pal.setColor(QPalette::Highlight, QColor(0, 0, 200));
    pal.setColor(QPalette::Button, QColor(200, 180, 20));
    pal.setColor(QPalette::ButtonText, QColor(10, 10, 10));
    grid->setPalette(pal);
    auto* other = new QLineEdit(window.get());
    other->setGeometry(0, 285, 100, 14);
    Show();
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(grid->SelectedRows().Count(), 3);
    auto pixelAt = [&](int row) {
        QRect r = grid->visualRect(grid->Model()->index(row, 1));
        QImage img = grid->viewport()->grab().toImage();
        return img.pixelColor(r.left() + 3, r.top() + 2);
    };
    EXPECT_EQ(pixelAt(1), QColor(0, 0, 200));
    other->setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(grid->hasFocus());
    EXPECT_EQ(pixelAt(0), QColor(200, 180, 20));
    EXPECT_EQ(pixelAt(1), QColor(200, 180, 20));
    EXPECT_EQ(pixelAt(5), QColor(255, 255, 255));
}

TEST_F(ExtGridTest, DeletingAsksFirstAndTakesEverySelectedRow) {
    Fill(10);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    Show();
    answers = {false};
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(questions, QStringList{"Delete record?"});
    EXPECT_EQ(ds->RowCount(), 10);
    answers = {true};
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds->RowCount(), 9);
    EXPECT_EQ(Cell(0, 0), "2");

    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    questions.clear();
    answers = {false, true};
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(questions, QStringList{"Delete all selected records?"});
    EXPECT_EQ(ds->RowCount(), 9);
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds->RowCount(), 6);
    EXPECT_EQ(grid->SelectedRows().Count(), 0);
    EXPECT_EQ(Cell(0, 0), "5");
}

TEST_F(ExtGridTest, DownPastTheEndAppendsAndLeavingAnEmptyNewRowCancelsIt) {
    Fill(3);
    Show();
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_EQ(grid->Model()->rowCount(), 4);
    EXPECT_TRUE(grid->Model()->IsInsertRow(3));
    Key(Qt::Key_Up);
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->RowCount(), 3);
    EXPECT_EQ(grid->Model()->rowCount(), 3);
    EXPECT_EQ(CurrentId(), 3);

    // Typing into the new row and moving on posts it.
    Key(Qt::Key_Down);
    ASSERT_EQ(ds->State(), dsInsert);
    grid->SetSelectedIndex(0);
    ASSERT_TRUE(grid->Model()->setData(grid->currentIndex(), "77", Qt::EditRole));
    EXPECT_EQ(Cell(3, 0), "77");
    Key(Qt::Key_Up);
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->RowCount(), 4);
    EXPECT_EQ(Cell(3, 0), "77");

    // Insert puts the new row in front of the current one.
    Key(Qt::Key_Home, Qt::ControlModifier);
    Key(Qt::Key_Down);
    Key(Qt::Key_Insert);
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_TRUE(grid->Model()->IsInsertRow(1));
    EXPECT_EQ(Cell(2, 0), "2");
    Key(Qt::Key_Escape);
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(grid->Model()->rowCount(), 4);

    // A read-only grid neither appends nor edits.
    grid->SetReadOnly(true);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_FALSE(grid->Model()->setData(grid->currentIndex(), "1", Qt::EditRole));
}

TEST_F(ExtGridTest, ColumnsFollowFieldsUntilCustomizedAndMoveByTheHeader) {
    Fill(3);
    Show();
    ASSERT_EQ(grid->Columns().Count(), 3);
    EXPECT_EQ(grid->Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Name");
    int fromSeen = -1, toSeen = -1;
    grid->OnColumnMoved = [&](TCustomDBGrid*, int from, int to) {
        fromSeen = from;
        toSeen = to;
    };
    grid->horizontalHeader()->moveSection(0, 2);
    EXPECT_EQ(fromSeen, 0);
    EXPECT_EQ(toSeen, 2);
    EXPECT_EQ(grid->Columns()[2]->FieldName(), "Id");
    EXPECT_EQ(grid->Columns().State(), csCustomized);
    EXPECT_EQ(Cell(0, 2), "1");
    EXPECT_EQ(Cell(0, 0), "Name 1");
    grid->Columns()[0]->Title.Caption = "Who";
    grid->Columns()[0]->SetWidth(123);
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), 123);
    EXPECT_EQ(grid->Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Who");
    grid->Columns()[1]->SetVisible(false);
    EXPECT_EQ(grid->Model()->columnCount(), 2);
    // A re-open keeps the customized columns; restoring defaults follows the fields again.
    ds->Close();
    ds->Open();
    EXPECT_EQ(grid->Columns()[0]->Title.Caption, "Who");
    grid->Columns().RestoreDefaults();
    EXPECT_EQ(grid->Columns()[0]->FieldName(), "Id");
    EXPECT_EQ(grid->Model()->columnCount(), 3);
}

} // namespace

namespace {

TEST_F(ExtGridTest, OwnerDrawingAndTheGridsEvents) {
    Fill(5);
    int drawn = 0;
    TColumn* drawnColumn = nullptr;
    grid->SetDefaultDrawing(false);
    grid->OnDrawColumnCell = [&](TCustomDBGrid*, QPainter* p, const QRect& r, int col, TColumn* c,
                                 TGridDrawState) {
        ++drawn;
        if (col == 1)
            drawnColumn = c;
        p->fillRect(r, QColor(1, 2, 3));
    };
    TColumn* titleClicked = nullptr;
    TColumn* cellClicked = nullptr;
    grid->OnTitleClick = [&](TCustomDBGrid*, TColumn* c) { titleClicked = c; };
    grid->OnCellClick = [&](TCustomDBGrid*, TColumn* c) { cellClicked = c; };
    int swallowed = 0;
    grid->OnKeyDown = [&](TCustomDBGrid*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Down && swallowed++ == 0)
            key = 0; // the first Down is taken by the handler
    };
    Show();
    QImage img = grid->viewport()->grab().toImage();
    EXPECT_GT(drawn, 5);
    ASSERT_NE(drawnColumn, nullptr);
    EXPECT_EQ(drawnColumn->FieldName(), "Name");
    QRect cell = grid->visualRect(grid->Model()->index(0, 1));
    EXPECT_EQ(img.pixelColor(cell.center()), QColor(1, 2, 3));

    QHeaderView* header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    ASSERT_NE(titleClicked, nullptr);
    EXPECT_EQ(titleClicked->FieldName(), "Amount");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCenter(1, 0));
    ASSERT_NE(cellClicked, nullptr);
    EXPECT_EQ(cellClicked->FieldName(), "Id");
    EXPECT_EQ(CurrentId(), 2);
    Key(Qt::Key_Down);
    EXPECT_EQ(CurrentId(), 2);
    Key(Qt::Key_Down);
    EXPECT_EQ(CurrentId(), 3);
}

TEST_F(ExtGridTest, TabWrapsToTheNextRowAndMoveColClamps) {
    Fill(5);
    int entered = 0, exited = 0;
    grid->OnColEnter = [&](TCustomDBGrid*) { ++entered; };
    grid->OnColExit = [&](TCustomDBGrid*) { ++exited; };
    Show();
    grid->MoveCol(99);
    EXPECT_EQ(grid->SelectedIndex(), 2);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(exited, 1);
    Key(Qt::Key_Tab);
    EXPECT_EQ(CurrentId(), 2);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    Key(Qt::Key_Backtab);
    EXPECT_EQ(CurrentId(), 1);
    EXPECT_EQ(grid->SelectedIndex(), 2);
    grid->MoveCol(-5);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(grid->SelectedField()->FieldName(), "Id");
    Key(Qt::Key_Right);
    EXPECT_EQ(grid->SelectedField()->FieldName(), "Name");
    // Without the tab option Tab leaves the grid alone.
    grid->SetOptions(grid->Options() & ~dgTabs);
    Key(Qt::Key_Tab);
    EXPECT_EQ(CurrentId(), 1);
}

TEST_F(ExtGridTest, LeavingTheGridCancelsAnEmptyNewRecord) {
    Fill(3);
    auto* other = new QLineEdit(window.get());
    other->setGeometry(0, 285, 100, 14);
    Show();
    Key(Qt::Key_Insert);
    ASSERT_EQ(ds->State(), dsInsert);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(grid->Model()->rowCount(), 3);
    grid->setFocus();
    grid->SetOptions(grid->Options() & ~dgCancelOnExit);
    Key(Qt::Key_Insert);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ds->State(), dsInsert);
    ds->Cancel();
}

TEST_F(ExtGridTest, FrameAlignTabOrderAndColours) {
    Fill(2);
    auto* first = new QLineEdit(window.get());
    auto* second = new QLineEdit(window.get());
    Show();
    grid->SetBorderStyle(bsNone);
    EXPECT_EQ(grid->frameShape(), QFrame::NoFrame);
    grid->SetBorderStyle(bsSingle);
    grid->SetCtl3D(false);
    EXPECT_EQ(grid->frameShape(), QFrame::Box);
    grid->SetAlign(alClient);
    EXPECT_EQ(grid->geometry(), window->contentsRect());
    window->resize(500, 350);
    QApplication::processEvents();
    EXPECT_EQ(grid->geometry(), window->contentsRect());
    grid->SetAlign(alTop);
    EXPECT_EQ(grid->geometry().top(), 0);
    EXPECT_EQ(grid->width(), window->width());
    grid->SetTabOrder(0);
    EXPECT_EQ(grid->TabOrder(), 0);
    grid->SetTabOrder(2);
    EXPECT_EQ(grid->TabOrder(), 2);
    EXPECT_EQ(second->nextInFocusChain(), grid);
    grid->SetTabOrder(1);
    EXPECT_EQ(grid->TabOrder(), 1);
    EXPECT_EQ(first->nextInFocusChain(), grid);
    grid->SetTabStop(false);
    EXPECT_FALSE(grid->TabStop());
    grid->SetColor(QColor(10, 20, 30));
    EXPECT_EQ(grid->Color(), QColor(10, 20, 30));
    grid->SetFixedColor(QColor(40, 50, 60));
    EXPECT_EQ(grid->Model()->headerData(0, Qt::Horizontal, Qt::BackgroundRole).value<QColor>(),
              QColor(40, 50, 60));
    QFont big = grid->font();
    big.setPointSize(big.pointSize() + 6);
    grid->SetTitleFont(big);
    EXPECT_EQ(grid->Model()->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().pointSize(),
              big.pointSize());
}

} // namespace

namespace {

TEST_F(ExtGridTest, CellEditorsWithPickListAndEllipsisButton) {
    Fill(3);
    Show();
    int buttonClicks = 0;
    grid->OnEditButtonClick = [&](TCustomDBGrid*) { ++buttonClicks; };
    grid->Columns()[1]->SetButtonStyle(cbsEllipsis);
    grid->SetSelectedIndex(1);
    grid->edit(grid->currentIndex());
    auto* button = grid->viewport()->findChild<QToolButton*>("EditButton");
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(buttonClicks, 1);
    auto* line = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "Name 1");
    EXPECT_EQ(line->maxLength(), 20);
    line->setText("Typed");
    QTest::keyClick(line, Qt::Key_Return);
    QApplication::processEvents(); // the view commits an editor's text after the key
    EXPECT_EQ(ds->State(), dsEdit);
    EXPECT_EQ(ds->FieldByName("Name")->AsString(), "Typed");
    Key(Qt::Key_Down); // leaving the row posts it
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(Cell(0, 1), "Typed");

    grid->Columns()[2]->PickList = QStringList{"1.25", "2.5"};
    grid->SetSelectedIndex(2);
    grid->edit(grid->currentIndex());
    auto* combo = grid->viewport()->findChild<QComboBox*>();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    combo->setCurrentIndex(1);
    QTest::keyClick(combo, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(ds->FieldByName("Amount")->AsFloat(), 2.5);
    // A value the field refuses leaves the record in edit mode, and the error is shown.
    std::vector<std::string> shown;
    auto previous =
        Application().SetExceptionHandler([&](const std::exception& e) { shown.push_back(e.what()); });
    grid->SetSelectedIndex(0);
    EXPECT_FALSE(grid->Model()->setData(grid->currentIndex(), "not a number", Qt::EditRole));
    Application().SetExceptionHandler(previous);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("not a number"), std::string::npos) << shown[0];
    ds->Cancel();

    // Posting from elsewhere takes the text of an open editor first.
    grid->SetSelectedIndex(1);
    ds->Edit();
    grid->edit(grid->currentIndex());
    ASSERT_NE(grid->Delegate()->CurrentEditor(), nullptr);
    auto* open = grid->Delegate()->CurrentEditor()->findChild<QLineEdit*>();
    ASSERT_NE(open, nullptr);
    open->setText("From the editor");
    ds->Post();
    EXPECT_EQ(CurrentId(), 2); // the reload after the post does not move the record
    EXPECT_EQ(ds->FieldByName("Name")->AsString(), "From the editor");
    EXPECT_EQ(grid->currentIndex().row(), 1);
}

} // namespace

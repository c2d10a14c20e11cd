// Dialog scripting, key cycles, grid keys, auxiliary windows, the second timer and grid titles.
#include "AuxWindow.h"
#include "CsvExport.h"
#include "Decimal.h"
#include "Dialogs.h"
#include "FirstShow.h"
#include "Grid.h"
#include "Keys.h"
#include "ScriptedDialogs.h"
#include "Timer.h"
#include "WindowFactory.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace kestrum::ui;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))  // test discovery runs us bare
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(Dialogs, ScriptedAnswersInOrderAndRecordsEveryBox)
{
    ScriptedDialogs d;
    d.answerYes();
    d.answerNo();
    EXPECT_TRUE(confirm("first?"));
    EXPECT_FALSE(confirm("second?"));
    showMessage("Saved!");
    EXPECT_FALSE(runGuarded([] { throw std::runtime_error("driver said no"); }));
    EXPECT_TRUE(runGuarded([] {}));
    EXPECT_EQ(d.confirmations(), QStringList({"first?", "second?"}));
    EXPECT_EQ(d.messages(), QStringList({"Saved!"}));
    EXPECT_EQ(d.errors(), QStringList({"driver said no"}));
    EXPECT_EQ(d.pendingAnswers(), 0);
}

TEST(Dialogs, EscapedExceptionStopsTheHandlerThere)
{
    ScriptedDialogs d;
    int reached = 0;
    runGuarded([&] {
        reached = 1;
        throw std::runtime_error("");
        reached = 2;  // never
    });
    EXPECT_EQ(reached, 1);
    ASSERT_EQ(d.errors().size(), 1);
    EXPECT_FALSE(d.errors().first().isEmpty());  // an empty message still says something
}

TEST(Dialogs, ScriptedDialogsRestoreThePreviousOnes)
{
    ScriptedDialogs outer;
    {
        ScriptedDialogs inner;
        showMessage("inner");
    }
    showMessage("outer");
    EXPECT_EQ(outer.messages(), QStringList({"outer"}));
}

TEST(DialogsDeathTest, ConfirmWithoutScriptedAnswerFailsLoudly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            ScriptedDialogs d;
            confirm("Are you sure you want to Save this Record?");
        },
        "no scripted answer.*Save this Record");
}

struct CycleWindow {
    QWidget window;
    QLineEdit* a = new QLineEdit(&window);
    QLineEdit* b = new QLineEdit(&window);
    QLineEdit* c = new QLineEdit(&window);
    QPushButton* ok = new QPushButton("&OK", &window);
    CycleWindow()
    {
        window.show();
        QApplication::setActiveWindow(&window);
    }
};

namespace {

// A window that fills itself at its first show and counts how often it did.
class FillsOnce : public QWidget {
public:
    int runs = 0;
    bool fail = false;

protected:
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        runOnFirstShow(this, shown_, [this] {
            ++runs;
            if (fail)
                throw std::runtime_error("list query failed");
        });
    }

private:
    bool shown_ = false;
};

}  // namespace

TEST(FirstShow, RunsOnceAcrossHidesAndMinimisingAndAFailureIsShownOnce)
{
    ScriptedDialogs d;
    {
        FillsOnce w;
        EXPECT_EQ(w.runs, 0);  // not at creation
        w.show();
        EXPECT_EQ(w.runs, 1);
        w.hide();
        w.show();
        w.showMinimized();
        w.showNormal();
        EXPECT_EQ(w.runs, 1);
    }
    FillsOnce failing;
    failing.fail = true;
    failing.show();
    EXPECT_EQ(failing.runs, 1);
    EXPECT_EQ(d.errors(), QStringList{"list query failed"});
    failing.hide();
    failing.show();
    EXPECT_EQ(failing.runs, 1);
    EXPECT_EQ(d.errors().size(), 1);

    bool shown = false;
    QWidget plain;
    EXPECT_TRUE(runOnFirstShow(&plain, shown, [] {}));
    EXPECT_TRUE(shown);
    EXPECT_FALSE(runOnFirstShow(&plain, shown, [] { ADD_FAILURE() << "ran twice"; }));
}

TEST(KeyCycle, EnterWalksForwardAndWrapsLeftWalksBack)
{
    CycleWindow w;
    auto* cycle = new KeyCycle({w.a, w.b, w.c}, &w.window);
    cycle->setWrapTo(w.b);
    w.a->setFocus();
    QTest::keyClick(w.a, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.b);
    QTest::keyClick(w.b, Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), w.c);
    QTest::keyClick(w.c, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.b);  // wraps to the first control after the key
    QTest::keyClick(w.b, Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), w.a);

    cycle->setLeftKey(KeyCycle::LeftKey::Next);
    cycle->keepLeft(w.b);
    QTest::keyClick(w.a, Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), w.b);
    w.b->setText("xy");
    QTest::keyClick(w.b, Qt::Key_Left);  // moves the text cursor only
    EXPECT_EQ(QApplication::focusWidget(), w.b);
    EXPECT_EQ(w.b->cursorPosition(), 1);
}

TEST(KeyCycle, EnterOnAButtonPressesItAndF2RunsGuarded)
{
    ScriptedDialogs d;
    CycleWindow w;
    int pressed = 0;
    QObject::connect(w.ok, &QPushButton::clicked, [&] { ++pressed; });
    auto* cycle = new KeyCycle({w.a, w.ok}, &w.window);
    int saves = 0;
    cycle->onF2([&] {
        ++saves;
        throw std::runtime_error("no connection");
    });
    w.a->setFocus();
    QTest::keyClick(w.a, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w.ok);
    EXPECT_EQ(pressed, 0);
    QTest::keyClick(w.ok, Qt::Key_Return);
    EXPECT_EQ(pressed, 1);
    QTest::keyClick(w.a, Qt::Key_F2);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(d.errors(), QStringList({"no connection"}));
}

TEST(GridKeys, BoundKeysRunTheirHandlersOthersPassThrough)
{
    QStandardItemModel model(3, 2);
    QTableView view;
    view.setModel(&model);
    view.show();
    QString pressed;
    bindGridKeys(&view, {.save = [&] { pressed += "S"; },
                         .add = [&] { pressed += "N"; },
                         .refresh = {},
                         .remove = [&] { pressed += "D"; }});
    view.setFocus();
    for (int k : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F5, Qt::Key_F8})
        QTest::keyClick(&view, Qt::Key(k));
    EXPECT_EQ(pressed, "SND");
}

TEST(Grid, TitleClickNamesTheFieldAndColoursTheTitle)
{
    QStandardItemModel model(2, 3);
    model.setHorizontalHeaderLabels({"ID_Material", "Type_Material", "Number_Material"});
    QTableView view;
    view.setModel(&model);
    Grid grid(&view);
    grid.setColumns({{"ID", 40}, {"Material Type", 120}});
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Material Type");
    EXPECT_EQ(view.columnWidth(1), 120);
    view.show();

    int clicked = -1;
    QObject::connect(&grid, &Grid::titleClicked, [&](int pos, const QString&) {
        clicked = pos;
        grid.markSorted(pos);
    });
    QHeaderView* header = view.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    EXPECT_EQ(clicked, 2);
    EXPECT_EQ(grid.header()->titleColor(2), QColor(255, 0, 0));
    EXPECT_EQ(grid.header()->titleColor(0), QColor(Qt::black));
    grid.markSorted(0);
    EXPECT_EQ(grid.header()->titleColor(2), QColor(Qt::black));

    EXPECT_EQ(colorValue(16510442), QColor(0xEA, 0xED, 0xFB));  // the frame's pale blue
}

TEST(AuxWindow, CloseOnlyHidesAndShowModalReturnsWhenHidden)
{
    AuxWindow w;
    QPointer<AuxWindow> ref(&w);
    w.Show();
    EXPECT_TRUE(w.isVisible());
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(ref.isNull());

    bool wasModal = false;
    QTimer::singleShot(0, &w, [&] {
        wasModal = w.inModalLoop() && w.isModal();
        w.close();
    });
    w.ShowModal();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.isModal());
}

TEST(AuxWindow, UnprovidedClassBecomesAPlainCaptionedWindow)
{
    WindowFactory::clear();
    WindowFactory::registerWindow("TProvided", [] { return new AuxWindow; });
    QWidget* provided = createAuxWindow("TProvided", "Provided");
    QWidget* plain = createAuxWindow("TInvPartFind", "Part Find");
    EXPECT_EQ(auxWindow("TProvided"), provided);
    EXPECT_EQ(plain->windowTitle(), "Part Find");
    EXPECT_FALSE(plain->isVisible());
    EXPECT_NE(qobject_cast<AuxWindow*>(plain), nullptr);
    QPointer<QWidget> ref(plain);
    destroyAuxWindows();
    EXPECT_TRUE(ref.isNull());
    EXPECT_EQ(auxWindow("TInvPartFind"), nullptr);
    WindowFactory::clear();
}

TEST(SecondTimer, TicksEverySecondAndStopsOnAnError)
{
    ScriptedDialogs d;
    QObject owner;
    int ticks = 0;
    QTimer* t = startSecondTimer(&owner, [&] {
        if (++ticks == 2)
            throw std::runtime_error("tick failed");
    });
    EXPECT_EQ(t->interval(), 1000);
    EXPECT_TRUE(t->isActive());
    QMetaObject::invokeMethod(t, "timeout", Qt::DirectConnection);
    QMetaObject::invokeMethod(t, "timeout", Qt::DirectConnection);
    EXPECT_FALSE(t->isActive());
    EXPECT_EQ(d.errors(), QStringList({"tick failed"}));
}

TEST(CsvExport, ValuesReadAsNumbersAndDatesAndFieldsQuoteOnlyWhatNeedsIt)
{
    EXPECT_EQ(csvText(QVariant::fromValue(*kestrum::Decimal::parse("-0.0700"))), "-0.07");
    EXPECT_EQ(csvText(QVariant::fromValue(*kestrum::Decimal::parse("1234.5"))), "1234.5");
    EXPECT_EQ(csvText(QVariant(qlonglong(42))), "42");
    EXPECT_EQ(csvText(QVariant(QDateTime(QDate(2024, 3, 5), QTime(0, 0)))), "2024-03-05");
    EXPECT_EQ(csvText(QVariant(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)))), "2024-03-05T14:07:09");
    EXPECT_EQ(csvText(QVariant(true)), "Yes");
    EXPECT_EQ(csvText(QVariant()), "");
    EXPECT_EQ(csvField("plain"), "plain");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(csvField(" padded"), "\" padded\"");
    EXPECT_EQ(csvField(""), "");
}

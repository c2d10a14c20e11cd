// The MDI frame as the launcher sees it: children counted until closed however they close,
// the one-window rule, and classes that no module provides.
#include "Mdi.h"
#include "ScriptedDialogs.h"
#include "WindowFactory.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <gtest/gtest.h>

using namespace kestrum::ui;

namespace {
class MdiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        area.show();
        setMdiArea(&area);
        WindowFactory::clear();
        WindowFactory::registerWindow("TThing", [] { return new QLabel("thing"); });
    }
    void TearDown() override
    {
        setMdiArea(nullptr);
        WindowFactory::clear();
    }
    // The window goes first; its frame's deletion is posted from there.
    static void settle()
    {
        for (int i = 0; i < 2; ++i)
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QMdiArea area;
    ScriptedDialogs dialogs;
};
}  // namespace

TEST_F(MdiTest, ChildrenCountUntilClosedByThemselvesOrTheirFrame)
{
    QPointer<QWidget> a = launchWindow("TThing", false);
    QPointer<QWidget> b = launchWindow("TThing", false);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(mdiChildCount(), 2);
    EXPECT_TRUE(a->testAttribute(Qt::WA_DeleteOnClose));

    a->close();  // the window closes itself
    EXPECT_EQ(mdiChildCount(), 1);
    settle();
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(area.subWindowList().size(), 1);  // its empty frame went too

    qobject_cast<QMdiSubWindow*>(b->parentWidget())->showMinimized();
    EXPECT_EQ(mdiChildCount(), 1);  // a minimised child still counts
    closeWindow(b);  // the frame's close box
    settle();
    EXPECT_TRUE(b.isNull());
    EXPECT_EQ(mdiChildCount(), 0);
    EXPECT_TRUE(area.subWindowList().isEmpty());
}

TEST_F(MdiTest, OneWindowRuleRefusesWhileAnyChildIsOpen)
{
    QPointer<QWidget> a = launchWindow("TThing", true);
    ASSERT_TRUE(a);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(launchWindow("TThing", true), nullptr);
    EXPECT_EQ(dialogs.messages(),
              QStringList({"One window is open Please close window and again slest item"}));
    EXPECT_EQ(mdiChildCount(), 1);
    a->close();
    settle();
    EXPECT_NE(launchWindow("TThing", true), nullptr);
}

TEST_F(MdiTest, UnprovidedClassSaysSoAndOpensNothing)
{
    EXPECT_EQ(launchWindow("TInvoice", true), nullptr);
    EXPECT_EQ(dialogs.messages(), QStringList({"This window is not available in this build."}));
    EXPECT_EQ(mdiChildCount(), 0);
}

TEST_F(MdiTest, FramelessCentredChildHasNoTitleBar)
{
    auto* w = new QLabel("login");
    w->setFixedSize(200, 100);
    area.resize(800, 600);
    QMdiSubWindow* frame = openMdiChild(w, {.frameless = true, .centred = true});
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->windowFlags() & Qt::FramelessWindowHint);
    QPoint offset = frame->geometry().center() - area.viewport()->rect().center();
    EXPECT_LE(offset.manhattanLength(), 4);
    EXPECT_EQ(openMdiChild(w), frame);  // opening it again only activates it
    EXPECT_EQ(area.subWindowList().size(), 1);
}

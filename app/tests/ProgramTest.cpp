// The whole program's windows on a real database, started as the program starts them: after the
// login every launcher opens a window of its own class (guarded ones once, the master windows
// once per press), every report of the menu opens, and each auxiliary window at start-up comes
// from a module rather than the blank stand-in.
#include "Accessibility.h"
#include "AuxWindow.h"
#include "DataModule.h"
#include "MainForm.h"
#include "Mdi.h"
#include "Pass.h"
#include "ProgramWindows.h"
#include "Schema.h"
#include "ScriptedDialogs.h"
#include "Shell.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "WindowFactory.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QToolButton>
#include <gtest/gtest.h>

using testsupport::Engine;
using namespace kestrum;

namespace {
using testsupport::settle;

// Windows of one class may share a C++ class and tell themselves apart by object name.
bool isOfClass(const QWidget* w, const QString& className)
{
    return w && (w->inherits(className.toLatin1().constData()) || w->objectName() == className.mid(1));
}

QList<QWidget*> childrenOpen()
{
    QList<QWidget*> open;
    for (QMdiSubWindow* frame : MainForm->MdiArea()->subWindowList())
        if (frame->widget())
            open << frame->widget();
    return open;
}

class ProgramTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        db = std::make_unique<testsupport::TestDatabase>(GetParam());
        testsupport::createSchema(db->kestrumConnection());
        // A shop that has filled in its profile: the login asks nothing more.
        db->exec("Update Reg Set Name_R = 'Kestrel Auto Repair' where Id_R = 1");
        DM = new TDM(QString::fromStdString(db->kestrumConnection()));
        ui::WindowFactory::clear();
        registerProgramWindows();
        shell::createWindows();
        settle();
    }
    void TearDown() override
    {
        shell::destroyWindows();
        settle();
        ui::WindowFactory::clear();
        delete DM;
        DM = nullptr;
    }
    void press(const QString& button)
    {
        auto* b = MainForm->findChild<QToolButton*>(button);
        ASSERT_NE(b, nullptr) << button.toStdString();
        b->click();
        settle();
    }
    void closeAll()
    {
        MainForm->MdiArea()->closeAllSubWindows();
        settle();
        ASSERT_EQ(ui::mdiChildCount(), 0);
    }
    void login()
    {
        ASSERT_TRUE(Pass);
        Pass->findChild<QLineEdit*>("Edit1")->setText("Guest");
        Pass->findChild<QLineEdit*>("Edit2")->setText("12");
        Pass->findChild<QPushButton*>("BitBtn2")->click();
        settle();
        ASSERT_TRUE(Pass.isNull()) << dialogs.last().toStdString();
    }

    std::unique_ptr<testsupport::TestDatabase> db;
    ui::ScriptedDialogs dialogs;
};

}  // namespace

TEST_P(ProgramTest, EveryAuxiliaryWindowComesFromAModuleAndStaysOutOfTheFrame)
{
    for (const shell::AuxClass& c : shell::auxiliaryClasses()) {
        const QString cls = c.className;
        EXPECT_TRUE(ui::WindowFactory::isRegistered(cls)) << c.className;
        QWidget* w = ui::auxWindow(cls);
        ASSERT_NE(w, nullptr) << c.className;
        EXPECT_TRUE(isOfClass(w, cls)) << c.className << " is " << w->metaObject()->className();
        EXPECT_TRUE(w->isWindow()) << c.className;
        EXPECT_TRUE(w->isHidden()) << c.className;
    }
    // At start-up only the login window is in the frame.
    const QList<QWidget*> open = childrenOpen();
    ASSERT_EQ(open.size(), 1);
    EXPECT_TRUE(isOfClass(open[0], "TPass"));
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.last().toStdString();
}

TEST_P(ProgramTest, AfterLoginEveryLauncherOpensItsWindowAndGuardedOnesOnlyOnce)
{
    login();
    ASSERT_EQ(ui::mdiChildCount(), 0);
    for (const TMainForm::Launch& l : TMainForm::launchers()) {
        const QString cls = l.className;
        SCOPED_TRACE(std::string(l.button) + " " + l.className);
        dialogs.clear();
        press(l.button);
        EXPECT_FALSE(dialogs.messages().contains(ui::notAvailableMessage()));
        EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.last().toStdString();
        QList<QWidget*> open = childrenOpen();
        ASSERT_EQ(open.size(), 1);
        EXPECT_TRUE(isOfClass(open[0], cls)) << open[0]->metaObject()->className();
        EXPECT_TRUE(open[0]->isVisible());

        dialogs.clear();
        press(l.button);
        open = childrenOpen();
        if (l.guarded) {
            EXPECT_EQ(dialogs.messages(), QStringList{ui::oneWindowMessage()});
            EXPECT_EQ(open.size(), 1);
        } else {  // the master windows open one more each time
            EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.last().toStdString();
            ASSERT_EQ(open.size(), 2);
            EXPECT_TRUE(isOfClass(open[1], cls));
            EXPECT_NE(open[0], open[1]);
        }
        closeAll();
    }
}

TEST_P(ProgramTest, EveryShownButtonOfTheReportMenuOpensAWindow)
{
    login();
    press("SpeedButton3");
    QList<QWidget*> open = childrenOpen();
    ASSERT_EQ(open.size(), 1);
    QWidget* menu = open[0];
    ASSERT_TRUE(isOfClass(menu, "TReport"));
    int opened = 0;
    for (QPushButton* b : menu->findChildren<QPushButton*>()) {
        if (b->isHidden() || b->objectName() == "Button10")  // Close
            continue;
        SCOPED_TRACE(b->objectName().toStdString() + " " + b->text().toStdString());
        dialogs.clear();
        b->click();
        settle();
        EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.last().toStdString();
        open = childrenOpen();
        ASSERT_EQ(open.size(), 2);
        EXPECT_NE(open[1], menu);
        ++opened;
        ui::closeWindow(open[1]);
        settle();
    }
    EXPECT_EQ(opened, 10);
    dialogs.clear();
    menu->findChild<QPushButton*>("Button10")->click();
    settle();
    EXPECT_EQ(ui::mdiChildCount(), 0);
}

namespace {

// What a screen reader is told about each enabled control of `window` that it could not name:
// no name at all, a name of symbols only ("|<"), or the control's own value as its name.
QStringList unnamedControls(QWidget* window, const QString& className)
{
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!ui::isControl(w) || !w->isEnabled() || !w->isVisibleTo(window))
            continue;
        bool inner = false;  // a combo box's own line edit, a date edit's box: named with it
        for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
            inner = inner || ui::isControl(p);
        if (inner)
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        QString name = a ? a->text(QAccessible::Name) : QString();
        QString value;
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // NOTE: Qt's combo box interface on Linux reports its value as the name and leaves the
            // caption to the labelled-by relation; the name we give is read on other platforms.
            name = w->accessibleName();
            value = combo->currentText();
        } else if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->echoMode() == QLineEdit::Normal) {
            value = edit->text();  // a masked box's text is never spoken
        }
        const bool words = name.contains(QRegularExpression("[[:alnum:]]"));
        if (!words || (!value.isEmpty() && name == value))
            out << className + "." + w->objectName() + " (" + w->metaObject()->className() + ") named \"" + name +
                       "\"";
    }
    return out;
}

}  // namespace

TEST_P(ProgramTest, EveryEnabledControlOfEveryWindowHasANameAScreenReaderCanSay)
{
    QStringList unnamed = unnamedControls(MainForm, "TMainForm");
    ASSERT_TRUE(Pass);
    unnamed << unnamedControls(Pass, "TPass");
    const QStringList classes = ui::WindowFactory::classNames();
    ASSERT_GT(classes.size(), 30);
    for (const QString& cls : classes) {
        // The auxiliary windows live for the whole run; the others are made as the launcher makes them.
        QPointer<QWidget> w = ui::auxWindow(cls);
        const bool made = !w;
        if (made)
            w = ui::WindowFactory::create(cls);
        ASSERT_TRUE(w) << cls.toStdString();
        unnamed << unnamedControls(w, cls);
        if (made)
            delete w.data();
    }
    settle();
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join("\n").toStdString();
    // Names come from the captions the windows show.
    auto* invoice = ui::WindowFactory::create("TInvoice");
    for (const auto& [control, name] : std::initializer_list<std::pair<const char*, const char*>>{
             {"DateTimePicker1", "Invoice Date picker"},
             {"DBGrid2", "Invoice part lines"},
             {"NavFirst", "First record"},
             {"ComboBox5", "Tax"}}) {
        QWidget* c = invoice->findChild<QWidget*>(control);
        ASSERT_TRUE(c) << control;
        const QString said = qobject_cast<QComboBox*>(c) ? c->accessibleName()
                                                          : QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name);
        EXPECT_EQ(said, name) << control;
    }
    // Figure labels are tied to their captions.
    QLabel* paid = invoice->findChild<QLabel*>("capLabel19");
    EXPECT_EQ(paid->buddy(), invoice->findChild<QLabel*>("Label19"));
    delete invoice;
}

INSTANTIATE_TEST_SUITE_P(Engines, ProgramTest, TESTSUPPORT_ENGINES);

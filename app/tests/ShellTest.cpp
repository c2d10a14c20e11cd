// The shell on a real database: one-window rule, login, password change, shop name, and the
// program itself started as a process.
#include "AuxWindow.h"
#include "ChangePassword.h"
#include "DataModule.h"
#include "Help.h"
#include "MainForm.h"
#include "Mdi.h"
#include "Pass.h"
#include "Passwords.h"
#include "Schema.h"
#include "ScriptedDialogs.h"
#include "Shell.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "WindowFactory.h"

#include <QAction>
#include <QApplication>
#include <QStatusBar>
#include <QTextBrowser>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QSqlError>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QToolButton>
#include <gtest/gtest.h>

using testsupport::Engine;
using namespace kestrum;

namespace {
using testsupport::createSchema;
using testsupport::settle;

class ShellTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        db = std::make_unique<testsupport::TestDatabase>(GetParam());
        createSchema(db->kestrumConnection());
        db->exec("Update Reg Set Name_R = 'O''Neil Auto Repair' where Id_R = 1");
        DM = new TDM(QString::fromStdString(db->kestrumConnection()));
        ui::WindowFactory::clear();
        shell::registerShellWindows();
        // Stand-ins for module windows: one unguarded master class, two guarded ones.
        for (const char* c : {"TPart", "TInvoice", "TTax"})
            ui::WindowFactory::registerWindow(c, [] { return new QWidget; });
        shell::createWindows();
    }
    void TearDown() override
    {
        shell::destroyWindows();
        settle();
        ui::WindowFactory::clear();
        delete DM;
        DM = nullptr;
    }
    void press(const char* button) { MainForm->findChild<QToolButton*>(button)->click(); }
    void login(const QString& name, const QString& password)
    {
        ASSERT_TRUE(Pass);
        Pass->findChild<QLineEdit*>("Edit1")->setText(name);
        Pass->findChild<QLineEdit*>("Edit2")->setText(password);
        Pass->findChild<QPushButton*>("BitBtn2")->click();
        settle();
    }
    QString storedPassword(const QString& name)
    {
        DM->Q1->Clear();
        DM->Q1->Add("Select Password_Pass From Pass where UserName_Pass = ?");
        DM->Q1->Bind(name);
        DM->Q1->Open();
        return DM->Q1->Eof() ? QString() : DM->Q1->FieldByName("Password_Pass").AsString();
    }
    int userCount()
    {
        DM->Q1->Clear();
        DM->Q1->Add("Select * From Pass");
        DM->Q1->Open();
        return DM->Q1->RecordCount();
    }
    // Opens the change window (logged in first) and fills it.
    void change(const QString& oldName, const QString& oldPw, const QString& newName,
                const QString& newPw)
    {
        if (Pass)
            login("Guest", "12");
        if (!ChangePassword)
            press("SpeedButton16");
        ASSERT_TRUE(ChangePassword);
        const QString values[] = {oldName, oldPw, newName, newPw};
        for (int i = 0; i < 4; ++i)
            ChangePassword->findChild<QLineEdit*>(QString("Edit%1").arg(i + 1))->setText(values[i]);
        ChangePassword->findChild<QPushButton*>("Button2")->click();
        settle();
    }

    std::unique_ptr<testsupport::TestDatabase> db;
    ui::ScriptedDialogs dialogs;
};
}  // namespace

TEST_P(ShellTest, StartsWithLoginChildAndShopName)
{
    ASSERT_TRUE(MainForm && Pass);
    EXPECT_EQ(MainForm->Label3()->text(), "O'Neil Auto Repair");
    EXPECT_EQ(MainForm->Label7()->text(), "xxxxxxxxx");
    EXPECT_EQ(ui::mdiChildCount(), 1);
    EXPECT_EQ(Pass->findChild<QLineEdit*>("Edit1")->text(), "Guest");
    EXPECT_EQ(Pass->findChild<QLineEdit*>("Edit2")->echoMode(), QLineEdit::Password);
    for (const shell::AuxClass& c : shell::auxiliaryClasses()) {
        QWidget* w = ui::auxWindow(c.className);
        ASSERT_NE(w, nullptr) << c.className;
        EXPECT_FALSE(w->isVisible());
    }
}

TEST_P(ShellTest, OneWindowRule)
{
    press("SpeedButton6");  // INVOICE while the login window is open
    EXPECT_EQ(dialogs.messages(),
              QStringList({"One window is open Please close window and again slest item"}));
    EXPECT_EQ(ui::mdiChildCount(), 1);
    press("SpeedButton1");  // PARTS opens beside it
    press("SpeedButton1");  // and a second one
    EXPECT_EQ(ui::mdiChildCount(), 3);
    dialogs.clear();
    press("SpeedButton15");  // TAX refused
    EXPECT_EQ(dialogs.messages().size(), 1);
    press("SpeedButton14");  // BANK: refused by the rule before anything else
    EXPECT_EQ(dialogs.messages().size(), 2);
    EXPECT_EQ(ui::mdiChildCount(), 3);

    MainForm->MdiArea()->closeAllSubWindows();
    settle();
    EXPECT_EQ(ui::mdiChildCount(), 0);
    dialogs.clear();
    press("SpeedButton6");
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(ui::mdiChildCount(), 1);
    MainForm->MdiArea()->closeAllSubWindows();
    settle();
    press("SpeedButton14");  // a class no module provides here
    EXPECT_EQ(dialogs.messages(), QStringList({"This window is not available in this build."}));
}

TEST_P(ShellTest, LoginRightThenInvoiceOpens)
{
    login("gUEST", "12");  // names in any case
    EXPECT_TRUE(Pass.isNull());
    EXPECT_EQ(MainForm->Label7()->text(), "Guest");  // the name as stored
    EXPECT_TRUE(dialogs.shown().isEmpty());
    press("SpeedButton6");
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(ui::mdiChildCount(), 1);
}

TEST_P(ShellTest, LoginWrongSaysSoEveryTime)
{
    login("Guest", "13");
    login("Guest", "13");
    login("Guest", "12 ");  // passwords exactly
    EXPECT_EQ(dialogs.messages(), QStringList(3, notActiveMessage()));
    EXPECT_TRUE(Pass);
    EXPECT_EQ(MainForm->Label7()->text(), "xxxxxxxxx");
}

TEST_P(ShellTest, LegacyPlainTextRowLogsInOnceAndIsRehashed)
{
    db->exec("Insert Into Pass ( UserName_Pass,Password_Pass ) Values ( 'Maria', 'o''k;pw' )");
    login("maria", "o'k;pw");
    EXPECT_TRUE(Pass.isNull());
    EXPECT_EQ(MainForm->Label7()->text(), "Maria");
    const QString stored = storedPassword("Maria");
    EXPECT_TRUE(passwords::isHash(stored));
    EXPECT_TRUE(passwords::verify(stored, "o'k;pw"));
    EXPECT_TRUE(passwords::isHash(storedPassword("Guest")));  // the other row untouched
    EXPECT_TRUE(passwords::verify(storedPassword("Guest"), "12"));
}

TEST_P(ShellTest, PasswordChangeRewritesOnlyTheMatchedRow)
{
    db->exec("Insert Into Pass ( UserName_Pass,Password_Pass ) Values ( 'Maria', 'x' )");
    change("guest", "12", "Boss", "n3w'pw");
    EXPECT_EQ(dialogs.messages(), QStringList({"This Data was successfully saved."}));
    settle();
    EXPECT_TRUE(ChangePassword.isNull());
    EXPECT_EQ(storedPassword("Guest"), QString());
    EXPECT_TRUE(passwords::verify(storedPassword("Boss"), "n3w'pw"));
    EXPECT_EQ(storedPassword("Maria"), "x");
    EXPECT_EQ(userCount(), 2);
}

TEST_P(ShellTest, PasswordChangeRefusals)
{
    db->exec("Insert Into Pass ( UserName_Pass,Password_Pass ) Values ( 'Maria', 'x' )");
    const QString before = storedPassword("Guest");
    change("Guest", "wrong", "Boss", "pw");
    change("Guest", "12", "MARIA", "pw");  // another user's name in any case
    change("Guest", "12", "", "pw");
    change("Guest", "12", "Boss", "");
    QStringList m = dialogs.messages();
    ASSERT_EQ(m.size(), 4);
    EXPECT_EQ(m[0], notActiveMessage());
    EXPECT_TRUE(m[1].contains("Another user")) << m[1].toStdString();
    EXPECT_TRUE(m[2].contains("user name")) << m[2].toStdString();
    EXPECT_TRUE(m[3].contains("password")) << m[3].toStdString();
    EXPECT_TRUE(ChangePassword);  // still open
    EXPECT_EQ(storedPassword("Guest"), before);
    EXPECT_EQ(storedPassword("Maria"), "x");
    EXPECT_EQ(userCount(), 2);

    // Same name, new password: allowed (the row is its own).
    change("Guest", "12", "Guest", "34");
    EXPECT_EQ(dialogs.messages().last(), "This Data was successfully saved.");
    EXPECT_TRUE(passwords::verify(storedPassword("Guest"), "34"));
}

TEST_P(ShellTest, EmptyTableMakesTheFirstUser)
{
    login("Guest", "12");
    db->exec("Delete From Pass");
    change("Anna", "pw1", "", "");
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_TRUE(ChangePassword);
    EXPECT_TRUE(passwords::verify(storedPassword("Anna"), "pw1"));
    EXPECT_EQ(userCount(), 1);
}

TEST_P(ShellTest, MenuHintsAndOwnHelpPages)
{
    auto* tile = MainForm->findChild<QAction*>("WindowTileItem");
    ASSERT_NE(tile, nullptr);
    tile->showStatusText(MainForm);  // what hovering the menu item does
    EXPECT_EQ(MainForm->StatusLine()->currentMessage(), "Tile all windows");

    MainForm->findChild<QAction*>("HelpAboutItem")->trigger();
    EXPECT_EQ(helpWindow(), nullptr);
    EXPECT_TRUE(dialogs.shown().isEmpty());

    MainForm->findChild<QAction*>("HelpContentsItem")->trigger();
    ASSERT_NE(helpWindow(), nullptr);
    EXPECT_TRUE(helpWindow()->isVisible());
    EXPECT_TRUE(helpWindow()->toPlainText().contains("One window is open"));
    MainForm->findChild<QAction*>("HelpHowToUseItem")->trigger();
    EXPECT_TRUE(helpWindow()->toPlainText().contains("How to use this help"));
    EXPECT_EQ(ui::mdiChildCount(), 1);  // the help window is no MDI child
}

INSTANTIATE_TEST_SUITE_P(Engines, ShellTest, TESTSUPPORT_ENGINES);

// The program as a process.
TEST(Program, ChecksACreatedDatabaseAndStartsOffscreen)
{
    testsupport::TestDatabase tdb(Engine::SQLite);
    const QString conn = QString::fromStdString(tdb.kestrumConnection());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);

    p.start(KESTRUM_BINARY, {"--connect", conn, "--check-database"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);  // empty database: tables missing
    EXPECT_TRUE(p.readAllStandardOutput().contains("missing"));

    p.start(KESTRUM_BINARY, {"--connect", conn, "--upgrade-database"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);  // nothing to upgrade: it says to create instead
    EXPECT_TRUE(p.readAllStandardError().contains("--create-database"));

    p.start(KESTRUM_BINARY, {"--connect", conn, "--create-database"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    p.start(KESTRUM_BINARY, {"--connect", conn, "--check-database"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
    p.start(KESTRUM_BINARY, {"--connect", conn, "--upgrade-database"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardOutput().contains("up to date"));

    p.start(KESTRUM_BINARY, {"--connect", conn});
    ASSERT_TRUE(p.waitForStarted());
    EXPECT_FALSE(p.waitForFinished(3000)) << p.readAllStandardError().toStdString();
    p.kill();
    p.waitForFinished();
}

TEST(Program, UnreachableDatabaseExitsNonZeroWithAHint)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(KESTRUM_BINARY, {"--connect", "DSN=KestrumNoSuchSource"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
    const QByteArray err = p.readAllStandardError();
    EXPECT_TRUE(err.contains("--create-database")) << err.toStdString();
    EXPECT_TRUE(err.contains("not found")) << err.toStdString();
}

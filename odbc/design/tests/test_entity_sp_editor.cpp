// The stored-procedure editor offscreen: names shown and written per operation, OK and Cancel,
// names that would change the call are refused, and the connection's procedures are offered on
// both engines.
#include <vantrel/design/DesignRegistry.h>
#include <vantrel/design/EntitySP.h>

#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/entity/ODBCEntity.h>
#include <vantrel/ext/ODBCTools.h>

#include "DialogScript.h"
#include <TestDatabase.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace vantrel;
using testsupport::Engine;

namespace {

using designtest::child;
using designtest::whenShown;

const char* const kBoxes[] = {"SelectProc", "InsertProc",      "UpdateProc", "DeleteProc",
                              "LockProc",   "CascadeLockProc", "CloseProc"};

void clickOk(QDialog* d) {
    child<QDialogButtonBox>(d, "ButtonBox")->button(QDialogButtonBox::Ok)->click();
}

TEST(ProcedureName, PlainQualifiedAndQuotedNamesPassWhatWouldChangeTheCallFails) {
    for (const char* good : {"", "get_parts", "sales.get_parts", "p$1", "_x", "db.sales.Get_Parts2"})
        EXPECT_TRUE(IsProcedureName(good)) << good;
    for (const char* bad : {"a;b", "a b", "1abc", "a.", ".a", "\"\"", "\"a;b\"", "a(1)", "x--", "\"open",
                            "a..b", "\"My Proc\"", "s.\"x\"", "name\t"})
        EXPECT_FALSE(IsProcedureName(bad)) << bad;
}

TEST(SPEditorForm, CaptionsGroupAndLabelsAreTheEditorsOwn) {
    TfrmSPEntity form(TProcedureNames{});
    EXPECT_EQ(form.windowTitle(), "Entity call procedure designer");
    EXPECT_EQ(child<QGroupBox>(&form, "GroupBox1")->title(), "Stored procedures");
    const char* captions[] = {"Select:", "Insert:", "Update:", "Delete:", "Lock:", "Cascade Lock:", "Close:"};
    for (int i = 0; i < 7; ++i) {
        auto* box = child<QLineEdit>(&form, kBoxes[i]);
        QLabel* label = nullptr;
        for (QLabel* l : form.findChildren<QLabel*>())
            if (l->buddy() == box)
                label = l;
        ASSERT_NE(label, nullptr) << kBoxes[i];
        EXPECT_EQ(label->text(), captions[i]);
    }
}

TEST(SPEditorForm, AnInvalidNameIsReportedWithItsOperationAndKeepsTheFormOpen) {
    TfrmSPEntity form(TProcedureNames{"sel", "", "", "", "", "", ""});
    form.show();
    child<QLineEdit>(&form, "CascadeLockProc")->setText("lock_all; drop table parts");
    clickOk(&form);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(child<QLabel>(&form, "MessageLabel")->text(),
              "Cascade Lock: \"lock_all; drop table parts\" is not a procedure name");
    EXPECT_EQ(form.focusWidget(), form.findChild<QWidget*>("CascadeLockProc"));

    child<QLineEdit>(&form, "CascadeLockProc")->setText("  lock_all ");
    clickOk(&form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    TProcedureNames names = form.Names();
    EXPECT_EQ(names[0], "sel");
    EXPECT_EQ(names[5], "lock_all");
}

class SPEntityTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TComponent>(nullptr);
        form->SetName("DataModule1");
        entity = new TUserEntity(form.get());
        entity->SetName("UserEntity1");
        entity->SetStoredProcedures("sp_sel;sp_ins;;;;;sp_close;");
    }
    std::unique_ptr<TComponent> form;
    TUserEntity* entity = nullptr;
};

TEST_F(SPEntityTest, OkWritesTheSevenNamesInOperationOrder) {
    QStringList shown;
    whenShown([&](QDialog* d) {
        for (const char* box : kBoxes)
            shown << child<QLineEdit>(d, box)->text();
        child<QLineEdit>(d, "InsertProc")->clear();
        child<QLineEdit>(d, "UpdateProc")->setText("sp_upd");
        child<QLineEdit>(d, "LockProc")->setText("sales.lock_row");
        clickOk(d);
    });
    ASSERT_TRUE(EditEntitySP(entity));
    EXPECT_EQ(shown, (QStringList{"sp_sel", "sp_ins", "", "", "", "", "sp_close"}));
    EXPECT_EQ(entity->StoredProcedures(), "sp_sel;;sp_upd;;sales.lock_row;;sp_close;");
    EXPECT_EQ(entity->GetSP(fetLock), "sales.lock_row");
}

TEST_F(SPEntityTest, CancelAndARefusedNameWriteNothing) {
    whenShown([&](QDialog* d) {
        child<QLineEdit>(d, "SelectProc")->setText("other");
        d->reject();
    });
    EXPECT_FALSE(EditEntitySP(entity));
    whenShown([&](QDialog* d) {
        child<QLineEdit>(d, "SelectProc")->setText("x;y");
        clickOk(d);
        EXPECT_TRUE(d->isVisible());
        d->reject();
    });
    EXPECT_FALSE(EditEntitySP(entity));
    EXPECT_EQ(entity->StoredProcedures(), "sp_sel;sp_ins;;;;;sp_close;");
}

TEST_F(SPEntityTest, ThePropertyIsRegisteredAndShowsItsCaption) {
    RegisterVantrelDesign();
    const TClassInfo* info = GetClassInfo(entity);
    ASSERT_NE(info, nullptr);
    const TPropInfo* prop = info->FindProperty("StoredProcedures");
    ASSERT_NE(prop, nullptr);
    auto editor = FindPropertyEditor(entity, *prop);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetValue(), "(Strored Procedures)");
    EXPECT_NE(dynamic_cast<TEntitySPProperty*>(editor.get()), nullptr);
    EXPECT_EQ(FindPropertyEditor(entity, *info->FindProperty("viewTable")), nullptr);
}

class SPEngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        if (GetParam() == Engine::PostgreSQL)
            tdb->exec(
                "CREATE FUNCTION part_stock(code integer) RETURNS integer AS 'SELECT code' LANGUAGE SQL");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
    }
    void TearDown() override {
        DataBase = nullptr;
        db.reset();
        tdb.reset();
    }
    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
};

TEST_P(SPEngineTest, TheConnectionsProceduresAreOfferedInEveryBox) {
    std::vector<String> names = GetProcedureNames(db.get());
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    bool listed = std::find(names.begin(), names.end(), "part_stock") != names.end();
    EXPECT_EQ(listed, GetParam() == Engine::PostgreSQL);

    TUserEntity entity(nullptr);
    DataBase = db.get();
    QStringList offered;
    QString message;
    whenShown([&](QDialog* d) {
        message = child<QLabel>(d, "MessageLabel")->text();
        QCompleter* completer = child<QLineEdit>(d, "CloseProc")->completer();
        ASSERT_NE(completer, nullptr);
        EXPECT_EQ(child<QLineEdit>(d, "SelectProc")->completer(), completer);
        for (int i = 0; i < completer->model()->rowCount(); ++i)
            offered << completer->model()->index(i, 0).data().toString();
        d->reject();
    });
    EXPECT_FALSE(EditEntitySP(&entity));
    EXPECT_EQ(message, "");
    EXPECT_EQ(offered.contains("part_stock"), GetParam() == Engine::PostgreSQL);
    EXPECT_EQ(offered.size(), static_cast<int>(names.size()));
}

INSTANTIATE_TEST_SUITE_P(Engines, SPEngineTest, TESTSUPPORT_ENGINES);

} // namespace

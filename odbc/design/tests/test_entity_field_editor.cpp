// The entity field editor on a real entity: OK writes the edited list (order, names, options, what
// the editor does not show is kept), Cancel and refused input write nothing, the edited list
// survives the stored form, and the fact table's columns are offered on both engines.
#include <vantrel/design/DesignRegistry.h>
#include <vantrel/design/EntityFields.h>

#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/entity/ODBCEntity.h>
#include <vantrel/ext/ODBCTools.h>

#include "DialogScript.h"
#include <TestDatabase.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
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

void clickOk(QDialog* d) {
    child<QDialogButtonBox>(d, "ButtonBox")->button(QDialogButtonBox::Ok)->click();
}
void press(QDialog* d, const char* button) {
    child<QPushButton>(d, button)->click();
}

QStringList entityNames(TEntity* e) {
    QStringList names;
    for (int i = 0; i < e->FieldCount(); ++i) {
        EXPECT_EQ(e->lstFields()->Strings(i), e->GetFields(i)->FactName()) << "list entry follows the name";
        names << QString::fromStdString(e->GetFields(i)->FactName());
    }
    return names;
}

class FieldEntityTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TComponent>(nullptr);
        form->SetName("DataModule1");
        entity = new TUserEntity(form.get());
        entity->SetName("UserEntity1");
        TFieldItem* id =
            entity->CreateField("ID", "", "Number", 6, true, true, true, true, ftInteger, cnstETPK);
        id->SetDisplayFormat("0000");
        id->SetValue(Variant(5));
        id->SetNameWrapper("\"");
        TFieldItem* name =
            entity->CreateField("NAME", "", "Name", 30, true, true, false, false, ftString, cnstETField);
        name->SetviewTable("c");
    }
    std::unique_ptr<TComponent> form;
    TUserEntity* entity = nullptr;
};

TEST_F(FieldEntityTest, OkWritesOrderNamesAndOptionsAndKeepsWhatTheEditorDoesNotShow) {
    QStringList shown;
    bool lockShown = false;
    whenShown([&](QDialog* d) {
        auto* list = child<QListWidget>(d, "FieldList");
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        lockShown = child<QCheckBox>(d, "ExecLock")->isChecked();
        child<QLineEdit>(d, "DisplayName")->setText("Part number");
        list->setCurrentRow(1);
        child<QLineEdit>(d, "FactName")->setText("PART_NAME");
        press(d, "UpButton");
        press(d, "AddButton");
        child<QComboBox>(d, "FieldType")->setCurrentIndex(ftFloat);
        child<QCheckBox>(d, "ExecUpdate")->setChecked(false);
        child<QCheckBox>(d, "FlgSort")->setChecked(true);
        clickOk(d);
    });
    ASSERT_TRUE(EditEntityFields(entity));
    EXPECT_EQ(shown, (QStringList{"ID", "NAME"}));
    EXPECT_TRUE(lockShown);
    EXPECT_EQ(entityNames(entity), (QStringList{"PART_NAME", "ID", "new_field"}));

    TFieldItem* id = entity->FieldByName("ID");
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->DisplayName(), "Part number");
    EXPECT_EQ(id->ExecSet(), cnstETPK);
    EXPECT_EQ(id->fType(), ftInteger);
    EXPECT_EQ(id->DisplayFormat(), "0000");
    EXPECT_EQ(id->Value().AsInteger(), 5);
    EXPECT_EQ(id->NameWrapper(), "\"");
    EXPECT_EQ(id->Entity(), entity);
    TFieldItem* name = entity->FieldByName("PART_NAME");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->viewTable(), "c");
    EXPECT_EQ(name->dspWidth(), 30);
    EXPECT_EQ(entity->FieldByName("NAME"), nullptr);
    TFieldItem* added = entity->FieldByName("new_field");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->fType(), ftFloat);
    EXPECT_EQ(added->ExecSet(), (TSetExecType{fetSelect, fetInsert, fetDelete}));
    EXPECT_TRUE(added->flgSort());
    EXPECT_TRUE(added->IsBookMark());
    EXPECT_TRUE(added->Value().IsNull());
}

TEST_F(FieldEntityTest, CancelAndRefusedInputWriteNothing) {
    whenShown([&](QDialog* d) {
        press(d, "DeleteButton");
        press(d, "AddButton");
        d->reject();
    });
    EXPECT_FALSE(EditEntityFields(entity));
    QString message;
    whenShown([&](QDialog* d) {
        child<QListWidget>(d, "FieldList")->setCurrentRow(1);
        child<QLineEdit>(d, "FactName")->setText("id");
        clickOk(d);
        message = child<QLabel>(d, "MessageLabel")->text();
        EXPECT_TRUE(d->isVisible());
        d->reject();
    });
    EXPECT_FALSE(EditEntityFields(entity));
    EXPECT_EQ(message, "Name: \"id\" is used by another field");
    EXPECT_EQ(entityNames(entity), (QStringList{"ID", "NAME"}));
    EXPECT_EQ(entity->FieldByName("ID")->Value().AsInteger(), 5);
}

TEST_F(FieldEntityTest, TheEditedListSurvivesTheStoredForm) {
    whenShown([&](QDialog* d) {
        press(d, "AddButton");
        child<QLineEdit>(d, "FactName")->setText("QTY");
        child<QLineEdit>(d, "SelectStr")->setText("coalesce(QTY, 0)");
        child<QCheckBox>(d, "ExecClose")->setChecked(true);
        child<QCheckBox>(d, "FlgVisible")->setChecked(false);
        clickOk(d);
    });
    ASSERT_TRUE(EditEntityFields(entity));
    TMemoryStream stream;
    WriteComponent(stream, form.get());
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read(ReadComponent(stream, nullptr));
    auto* copy = dynamic_cast<TUserEntity*>(read->FindComponent("UserEntity1"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(EntityFieldDrafts(copy).size(), 3u);
    std::vector<TFieldDraft> before = EntityFieldDrafts(entity), after = EntityFieldDrafts(copy);
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
        before[i].Source = after[i].Source = nullptr;
        EXPECT_EQ(after[i], before[i]) << i;
    }
    EXPECT_EQ(copy->FieldByName("QTY")->SelectStr(), "coalesce(QTY, 0)");
    EXPECT_TRUE(copy->FieldByName("QTY")->ExecSet().Contains(fetClose));
}

TEST_F(FieldEntityTest, BothEditorsAreListedForTheEntityAndTheEntityIsOnTheRindlePage) {
    RegisterVantrelDesign();
    std::vector<String> classes;
    for (const TPaletteEntry& e : PaletteComponents("Rindle"))
        classes.push_back(e.ClassName);
    EXPECT_EQ(classes, (std::vector<String>{"TODBCDatabase", "TODBCQuery", "TODBCExtQuery", "TUserEntity",
                                            "TExtDBGrid"}));
    std::vector<String> names;
    for (const TPropInfo* p : DesignProperties(entity))
        names.push_back(p->Name);
    // Listed once, first of the entity's own properties, as the entity publishes them.
    EXPECT_EQ(std::count(names.begin(), names.end(), "lstFields"), 1);
    auto at = std::find(names.begin(), names.end(), "lstFields");
    ASSERT_NE(at, names.end());
    ASSERT_NE(at + 1, names.end());
    EXPECT_EQ(*(at + 1), "viewTable");
    EXPECT_EQ(at - names.begin(),
              static_cast<std::ptrdiff_t>(FindClassInfo("TComponent")->AllProperties().size()));
    const TPropInfo* fields = FindDesignProperty(entity, "LSTFIELDS");
    ASSERT_NE(fields, nullptr);
    auto editor = FindPropertyEditor(entity, *fields);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetValue(), "(Entity Fields)");
    EXPECT_NE(dynamic_cast<TEntityFieldProperty*>(editor.get()), nullptr);
    // Only for entities: a query has no such property.
    TODBCQuery query(nullptr);
    EXPECT_EQ(FindDesignProperty(&query, "lstFields"), nullptr);
}

class FieldEngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        TESTSUPPORT_REQUIRE_ENGINE(GetParam());
        tdb = std::make_unique<testsupport::TestDatabase>(GetParam());
        tdb->exec("CREATE TABLE stock_part (part_code INTEGER, part_name VARCHAR(40), on_hand INTEGER)");
        db = std::make_unique<TODBCDatabase>(nullptr);
        db->SetConnectStr(tdb->connectionString());
        db->SetConnected(true);
        DataBase = db.get();
    }
    void TearDown() override {
        DataBase = nullptr;
        db.reset();
        tdb.reset();
    }
    std::unique_ptr<testsupport::TestDatabase> tdb;
    std::unique_ptr<TODBCDatabase> db;
};

TEST_P(FieldEngineTest, TheFactTablesColumnsAreOfferedForTheName) {
    TUserEntity entity(nullptr);
    entity.SetfactTable("stock_part");
    QStringList offered;
    QString message;
    whenShown([&](QDialog* d) {
        message = child<QLabel>(d, "MessageLabel")->text();
        QCompleter* completer = child<QLineEdit>(d, "FactName")->completer();
        ASSERT_NE(completer, nullptr);
        for (int i = 0; i < completer->model()->rowCount(); ++i)
            offered << completer->model()->index(i, 0).data().toString().toLower();
        press(d, "AddButton");
        child<QLineEdit>(d, "FactName")->setText("part_code");
        clickOk(d);
    });
    ASSERT_TRUE(EditEntityFields(&entity));
    EXPECT_EQ(message, "");
    EXPECT_EQ(offered, (QStringList{"part_code", "part_name", "on_hand"}));
    EXPECT_EQ(entityNames(&entity), (QStringList{"part_code"}));
}

TEST_P(FieldEngineTest, ATableTheConnectionCannotListStillLetsTheNamesBeTyped) {
    TUserEntity entity(nullptr);
    entity.SetviewTable("no_such_table");
    QString message;
    int offered = -1;
    whenShown([&](QDialog* d) {
        message = child<QLabel>(d, "MessageLabel")->text();
        QCompleter* completer = child<QLineEdit>(d, "FactName")->completer();
        offered = completer ? completer->model()->rowCount() : 0;
        press(d, "AddButton");
        clickOk(d);
    });
    ASSERT_TRUE(EditEntityFields(&entity));
    EXPECT_EQ(offered, 0);
    EXPECT_EQ(message, "");
    EXPECT_EQ(entityNames(&entity), (QStringList{"new_field"}));
}

INSTANTIATE_TEST_SUITE_P(Engines, FieldEngineTest, TESTSUPPORT_ENGINES);

} // namespace

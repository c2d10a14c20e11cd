// The parameter editor offscreen: choosing, typing, null, type change, a value that does not
// convert, OK and Cancel; the edited list survives a stored form.
#include <vantrel/design/DesignRegistry.h>
#include <vantrel/design/QueryParams.h>

#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "DialogScript.h"
#include <gtest/gtest.h>

using namespace vantrel;

namespace {

using designtest::child;
using designtest::whenShown;

void typeValue(QWidget* dialog, const QString& text) {
    auto* edit = child<QLineEdit>(dialog, "ParamValue");
    edit->setText(text);
    emit edit->editingFinished();
}

void chooseType(QWidget* dialog, int type) {
    auto* box = child<QComboBox>(dialog, "TypeList");
    box->setCurrentIndex(type);
    emit box->activated(type);
}


class ParamEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TComponent>(nullptr);
        form->SetName("DataModule1");
        query = new TODBCQuery(form.get());
        query->SetName("Query1");
        query->SQL()->SetText("select * from parts where code = :code and price > :price and made < :made");
    }
    std::unique_ptr<TComponent> form;
    TODBCQuery* query = nullptr;
};

TEST_F(ParamEditorTest, OkWritesTheEditedValuesAndTypesToTheQuery) {
    ASSERT_EQ(query->Params()->Count(), 3);
    QString title;
    QStringList names, types;
    whenShown([&](QDialog* d) {
        title = d->windowTitle();
        auto* list = child<QListWidget>(d, "ParamList");
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        auto* typeList = child<QComboBox>(d, "TypeList");
        for (int i = 0; i < typeList->count(); ++i)
            types << typeList->itemText(i);
        list->setCurrentRow(0);
        typeValue(d, "AB'1; drop table parts");
        list->setCurrentRow(1);
        chooseType(d, ftInteger);
        typeValue(d, "42");
        list->setCurrentRow(2);
        chooseType(d, ftFloat);
        typeValue(d, "2.5");
        child<QCheckBox>(d, "NullValue")->setChecked(true);
        child<QDialogButtonBox>(d, "ButtonBox")->button(QDialogButtonBox::Ok)->click();
    });
    ASSERT_TRUE(EditQueryParams(query, query->Params()));
    EXPECT_EQ(title, "Param Editor DataModule1.Query1");
    EXPECT_EQ(names, (QStringList{"code", "price", "made"}));
    ASSERT_EQ(types.size(), 18);
    EXPECT_EQ(types[0], "");
    EXPECT_EQ(types[ftString], "String");
    EXPECT_EQ(types[ftDateTime], "DateTime");

    TODBCParams* p = query->Params();
    EXPECT_EQ(p->ParamByName("code")->DataType(), ftString);
    EXPECT_EQ(p->ParamByName("code")->GetAsString(), "AB'1; drop table parts");
    EXPECT_EQ(p->ParamByName("price")->DataType(), ftInteger);
    EXPECT_EQ(p->ParamByName("price")->GetAsInteger(), 42);
    EXPECT_TRUE(p->ParamByName("price")->Bound());
    EXPECT_EQ(p->ParamByName("made")->DataType(), ftFloat);
    EXPECT_TRUE(p->ParamByName("made")->IsNull());
}

TEST_F(ParamEditorTest, AValueThatDoesNotConvertIsReportedAndKeepsOkFromClosing) {
    query->Params()->ParamByName("price")->SetAsInteger(7);
    QString message;
    bool stillOpen = false;
    whenShown([&](QDialog* d) {
        auto* list = child<QListWidget>(d, "ParamList");
        list->setCurrentRow(1);
        EXPECT_EQ(child<QLineEdit>(d, "ParamValue")->text(), "7");
        EXPECT_EQ(child<QComboBox>(d, "TypeList")->currentIndex(), int(ftInteger));
        child<QLineEdit>(d, "ParamValue")->setText("seven");
        child<QDialogButtonBox>(d, "ButtonBox")->button(QDialogButtonBox::Ok)->click();
        message = child<QLabel>(d, "MessageLabel")->text();
        stillOpen = d->isVisible();
        d->reject();
    });
    EXPECT_FALSE(EditQueryParams(query, query->Params()));
    EXPECT_EQ(message, "Invalid param FieldType");
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(query->Params()->ParamByName("price")->GetAsInteger(), 7);
}

TEST_F(ParamEditorTest, CancelLeavesTheQueryAlone) {
    whenShown([&](QDialog* d) {
        child<QListWidget>(d, "ParamList")->setCurrentRow(0);
        typeValue(d, "changed");
        d->reject();
    });
    EXPECT_FALSE(EditQueryParams(query, query->Params()));
    EXPECT_FALSE(query->Params()->ParamByName("code")->Bound());
}

TEST_F(ParamEditorTest, TheEditedParamsRoundTripThroughAStoredForm) {
    whenShown([&](QDialog* d) {
        auto* list = child<QListWidget>(d, "ParamList");
        list->setCurrentRow(0);
        typeValue(d, "x\"y");
        list->setCurrentRow(1);
        chooseType(d, ftInteger);
        typeValue(d, "-5");
        d->accept();
    });
    ASSERT_TRUE(EditQueryParams(query, query->Params()));

    TMemoryStream stream;
    WriteComponent(stream, form.get());
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read(ReadComponent(stream, nullptr));
    auto* copy = dynamic_cast<TODBCQuery*>(read->FindComponent("Query1"));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->Params()->IsEqual(query->Params()));
    EXPECT_EQ(copy->Params()->ParamByName("code")->GetAsString(), "x\"y");
    EXPECT_EQ(copy->Params()->ParamByName("price")->GetAsInteger(), -5);
}

TEST(ParamsProperty, IsRegisteredForParamsOfTheQueriesOnTheRindlePage) {
    RegisterVantrelDesign();
    std::vector<String> classes;
    for (const TPaletteEntry& e : PaletteComponents("Rindle"))
        classes.push_back(e.ClassName);
    EXPECT_EQ(classes, (std::vector<String>{"TODBCDatabase", "TODBCQuery", "TODBCExtQuery", "TUserEntity",
                                             "TExtDBGrid"}));
    TODBCQuery query(nullptr);
    const TClassInfo* info = GetClassInfo(&query);
    ASSERT_NE(info, nullptr);
    auto editor = FindPropertyEditor(&query, *info->FindProperty("Params"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->GetValue(), "(TODBCParams)");
    EXPECT_EQ(FindPropertyEditor(&query, *info->FindProperty("SQL")), nullptr);
}

} // namespace

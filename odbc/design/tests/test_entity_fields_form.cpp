// The entity field editor's form offscreen, on drafts: its captions, adding, deleting, reordering
// with the buttons and by dragging, editing the options of the chosen field, and the names that
// are refused before anything is written.
#include <vantrel/design/EntityFields.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include "DialogScript.h"
#include <gtest/gtest.h>

using namespace vantrel;

namespace {

using designtest::child;

TFieldDraft draft(const String& name) {
    TFieldDraft f;
    f.FactName = name;
    return f;
}

QStringList listed(QWidget* d) {
    QStringList names;
    auto* list = child<QListWidget>(d, "FieldList");
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

QStringList drafted(const TfrmFieldEditor& e) {
    QStringList names;
    for (const TFieldDraft& f : e.Fields())
        names << QString::fromStdString(f.FactName);
    return names;
}

void press(QWidget* d, const char* button) {
    child<QPushButton>(d, button)->click();
}

TEST(FieldEditorForm, CaptionsLabelsAndCheckBoxesAreTheEditorsOwn) {
    TfrmFieldEditor e({});
    EXPECT_EQ(e.windowTitle(), "Entity Fields Editor");
    EXPECT_EQ(child<QGroupBox>(&e, "FieldOption")->title(), "Field option");
    std::pair<const char*, const char*> labelled[] = {{"FactName", "Name:"},
                                                      {"SelectStr", "Select phrase (if neaded):"},
                                                      {"DisplayName", "Display name:"},
                                                      {"ViewTable", "Special View Table:"},
                                                      {"DspWidth", "Width:"},
                                                      {"FieldType", "Field type:"}};
    for (auto [box, caption] : labelled) {
        QWidget* w = child<QWidget>(&e, box);
        QLabel* label = nullptr;
        for (QLabel* l : e.findChildren<QLabel*>())
            if (l->buddy() == w)
                label = l;
        ASSERT_NE(label, nullptr) << box;
        EXPECT_EQ(label->text(), caption);
    }
    std::pair<const char*, const char*> checks[] = {
        {"ExecSelect", "Selected"}, {"ExecInsert", "Insert"}, {"ExecUpdate", "Update"},
        {"ExecDelete", "Delete"},   {"ExecLock", "Lock"},     {"ExecCLock", "Cascade Lock"},
        {"FlgVisible", "Visible"},  {"FlgSort", "Sortable"},  {"IsBookMark", "Bookmark allowed"},
        {"IdentRecord", "Fixed"},   {"FlgView", "In select"}, {"ExecClose", "Close"}};
    for (auto [box, caption] : checks)
        EXPECT_EQ(child<QCheckBox>(&e, box)->text(), caption);
    for (auto [button, caption] : {std::pair{"AddButton", "Add"},
                                   {"DeleteButton", "Delete"},
                                   {"UpButton", "Up"},
                                   {"DownButton", "Down"}})
        EXPECT_EQ(child<QPushButton>(&e, button)->text(), caption);
    auto* types = child<QComboBox>(&e, "FieldType");
    EXPECT_EQ(types->count(), int(ftGuid) + 1);
    EXPECT_EQ(types->itemText(ftInteger), "Integer");
    // Nothing to edit without a field.
    EXPECT_FALSE(child<QGroupBox>(&e, "FieldOption")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(&e, "DeleteButton")->isEnabled());
}

TEST(FieldEditorForm, AddedFieldsGetFreshNamesAndTheDefaultsOfAColumn) {
    TfrmFieldEditor e({draft("new_field")});
    press(&e, "AddButton");
    press(&e, "AddButton");
    EXPECT_EQ(listed(&e), (QStringList{"new_field", "new_field1", "new_field2"}));
    EXPECT_EQ(drafted(e), listed(&e));
    const TFieldDraft& added = e.Fields()[2];
    EXPECT_EQ(added.Source, nullptr);
    EXPECT_TRUE(added.flgView);
    EXPECT_TRUE(added.IsBookMark);
    EXPECT_EQ(added.dspWidth, 10);
    EXPECT_EQ(added.Exec, (std::array<bool, 7>{true, true, true, true, false, false, false}));
    EXPECT_EQ(child<QListWidget>(&e, "FieldList")->currentRow(), 2);
    EXPECT_EQ(child<QLineEdit>(&e, "FactName")->text(), "new_field2");
    EXPECT_TRUE(child<QCheckBox>(&e, "ExecUpdate")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(&e, "ExecLock")->isChecked());
}

TEST(FieldEditorForm, TheOptionsEditTheChosenFieldOnly) {
    TFieldDraft id = draft("ID");
    id.NameWrapper = "";
    id.PhraseWrapper = "'";
    TfrmFieldEditor e({id, draft("NAME")});
    auto* list = child<QListWidget>(&e, "FieldList");
    list->setCurrentRow(1);
    child<QLineEdit>(&e, "FactName")->setText("CUST_NAME");
    child<QLineEdit>(&e, "SelectStr")->setText("upper(c.CUST_NAME)");
    child<QLineEdit>(&e, "DisplayName")->setText("Customer");
    child<QLineEdit>(&e, "ViewTable")->setText("  c ");
    child<QSpinBox>(&e, "DspWidth")->setValue(120);
    child<QComboBox>(&e, "FieldType")->setCurrentIndex(ftMemo);
    child<QCheckBox>(&e, "ExecUpdate")->setChecked(false);
    child<QCheckBox>(&e, "ExecClose")->setChecked(true);
    child<QCheckBox>(&e, "FlgSort")->setChecked(true);
    child<QCheckBox>(&e, "IdentRecord")->setChecked(true);
    child<QCheckBox>(&e, "FlgView")->setChecked(false);
    child<QCheckBox>(&e, "FlgVisible")->setChecked(false);
    child<QCheckBox>(&e, "IsBookMark")->setChecked(false);
    EXPECT_EQ(list->item(1)->text(), "CUST_NAME");

    const TFieldDraft& f = e.Fields()[1];
    EXPECT_EQ(f.FactName, "CUST_NAME");
    EXPECT_EQ(f.SelectStr, "upper(c.CUST_NAME)");
    EXPECT_EQ(f.DisplayName, "Customer");
    EXPECT_EQ(f.viewTable, "c");
    EXPECT_EQ(f.dspWidth, 120);
    EXPECT_EQ(f.fType, ftMemo);
    EXPECT_EQ(f.Exec, (std::array<bool, 7>{true, true, false, true, false, false, true}));
    EXPECT_TRUE(f.flgSort);
    EXPECT_TRUE(f.IdentRecord);
    EXPECT_FALSE(f.flgView);
    EXPECT_FALSE(f.flgVisible);
    EXPECT_FALSE(f.IsBookMark);
    EXPECT_EQ(e.Fields()[0], id) << "the other field is untouched, wrappers included";

    list->setCurrentRow(0);
    EXPECT_EQ(child<QLineEdit>(&e, "FactName")->text(), "ID");
    EXPECT_EQ(child<QSpinBox>(&e, "DspWidth")->value(), 10);
    EXPECT_TRUE(child<QCheckBox>(&e, "ExecUpdate")->isChecked());
    list->setCurrentRow(1);
    EXPECT_EQ(child<QComboBox>(&e, "FieldType")->currentText(), "Memo");
    EXPECT_TRUE(child<QCheckBox>(&e, "ExecClose")->isChecked());
}

TEST(FieldEditorForm, UpDownDragAndDeleteKeepListAndFieldsInStep) {
    TfrmFieldEditor e({draft("A"), draft("B"), draft("C"), draft("D")});
    auto* list = child<QListWidget>(&e, "FieldList");
    list->setCurrentRow(0);
    EXPECT_FALSE(child<QPushButton>(&e, "UpButton")->isEnabled());
    press(&e, "DownButton");
    EXPECT_EQ(drafted(e), (QStringList{"B", "A", "C", "D"}));
    EXPECT_EQ(list->currentRow(), 1);
    list->setCurrentRow(3);
    EXPECT_FALSE(child<QPushButton>(&e, "DownButton")->isEnabled());
    press(&e, "UpButton");
    EXPECT_EQ(drafted(e), (QStringList{"B", "A", "D", "C"}));

    // What a drop inside the list does: the model moves the row.
    ASSERT_TRUE(list->model()->moveRows(QModelIndex(), 0, 1, QModelIndex(), 4));
    EXPECT_EQ(listed(&e), (QStringList{"A", "D", "C", "B"}));
    EXPECT_EQ(drafted(e), listed(&e));
    ASSERT_TRUE(list->model()->moveRows(QModelIndex(), 2, 1, QModelIndex(), 0));
    EXPECT_EQ(drafted(e), (QStringList{"C", "A", "D", "B"}));
    EXPECT_EQ(drafted(e), listed(&e));

    list->setCurrentRow(3);
    press(&e, "DeleteButton");
    EXPECT_EQ(drafted(e), (QStringList{"C", "A", "D"}));
    EXPECT_EQ(drafted(e), listed(&e));
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(child<QLineEdit>(&e, "FactName")->text(), "D");
}

TEST(FieldEditorForm, NamesThatCannotBeWrittenAreReportedAndKeepTheFormOpen) {
    struct Case {
        String name, viewTable, wrapper;
        QString message;
    } cases[] = {
        {"", "", "", "Name: a field needs a name"},
        {" code", "", "",
         "Name: \" code\" must not hold quotes, \";\", control characters, its name wrapper or outer spaces"},
        {"name'--", "", "",
         "Name: \"name'--\" must not hold quotes, \";\", control characters, its name wrapper or outer "
         "spaces"},
        {"a\"b", "", "",
         "Name: \"a\"b\" must not hold quotes, \";\", control characters, its name wrapper or outer spaces"},
        {"x;y", "", "",
         "Name: \"x;y\" must not hold quotes, \";\", control characters, its name wrapper or outer spaces"},
        {"a[b", "", "[]",
         "Name: \"a[b\" must not hold quotes, \";\", control characters, its name wrapper or outer spaces"},
        {"id", "", "", "Name: \"id\" is used by another field"},
        {"NAME", "c;drop", "", "Special View Table: \"c;drop\" is not a table name"},
        {"NAME", "sales..c", "", "Special View Table: \"sales..c\" is not a table name"},
    };
    for (const Case& c : cases) {
        TFieldDraft bad = draft(c.name);
        bad.viewTable = c.viewTable;
        bad.NameWrapper = c.wrapper;
        TfrmFieldEditor e({draft("ID"), bad});
        e.show();
        child<QListWidget>(&e, "FieldList")->setCurrentRow(0);
        child<QDialogButtonBox>(&e, "ButtonBox")->button(QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(e.isVisible()) << c.name;
        EXPECT_EQ(e.result(), QDialog::Rejected);
        EXPECT_EQ(child<QLabel>(&e, "MessageLabel")->text(), c.message);
        EXPECT_EQ(child<QListWidget>(&e, "FieldList")->currentRow(), 1) << "the faulty field is chosen";
    }
    // Spaces inside a name and a qualified view table pass.
    TFieldDraft wrapped = draft("Order Date");
    wrapped.NameWrapper = "\"";
    wrapped.viewTable = "sales.o";
    TfrmFieldEditor ok({draft("ID"), wrapped});
    ok.show();
    child<QDialogButtonBox>(&ok, "ButtonBox")->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(ok.result(), QDialog::Accepted);
    EXPECT_EQ(child<QLabel>(&ok, "MessageLabel")->text(), "");
}

} // namespace

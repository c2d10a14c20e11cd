// The designer program's window: open a stored form, add from the palette, change a property,
// save, read back; a damaged file leaves the open form alone.
#include <vantrel/design/DesignerWindow.h>

#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/entity/ODBCEntity.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

void writeForm(const QString& path, TComponent* form) {
    TMemoryStream stream;
    WriteComponent(stream, form);
    QByteArray bytes(int(stream.Size()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), bytes.size());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(DesignerWindow, OpensAddsChangesSavesAndReadsBack) {
    QTemporaryDir dir;
    QString path = dir.filePath("form.vfs");
    {
        TComponent form(nullptr);
        form.SetName("DataModule1");
        auto* db = new TODBCDatabase(&form);
        db->SetName("ODBCDatabase1");
        db->SetDatabaseName("shop");
        writeForm(path, &form);
    }
    auto window_ = std::make_unique<TDesignerWindow>();
    TDesignerWindow& window = *window_;
    auto* palette = window.findChild<QListWidget*>("Palette");
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->count(), 7); // the "Rindle" page, then the data source and the base grid
    EXPECT_TRUE(palette->findItems("TExtDBGrid", Qt::MatchExactly).first()->flags() & Qt::ItemIsEnabled);
    ASSERT_TRUE(window.OpenForm(path));
    EXPECT_EQ(window.findChild<QListWidget*>("ComponentList")->count(), 1);

    emit palette->itemActivated(palette->findItems("TODBCQuery", Qt::MatchExactly).first());
    TComponent* added = window.Form()->FindComponent("ODBCQuery1");
    ASSERT_NE(dynamic_cast<TODBCQuery*>(added), nullptr);
    EXPECT_TRUE(window.SetProperty("ODBCDatabase", "ODBCDatabase1"));
    EXPECT_TRUE(window.SetProperty("RowSetSize", "25"));
    EXPECT_FALSE(window.SetProperty("RowSetSize", "many"));
    EXPECT_FALSE(window.findChild<QLabel*>("MessageLabel")->text().isEmpty());
    window.SelectComponent("ODBCDatabase1");
    EXPECT_TRUE(window.SetProperty("DatabaseName", "garage"));
    ASSERT_TRUE(window.SaveForm(path));
    window_.reset(); // database names are unique in the session

    TDesignerWindow again;
    ASSERT_TRUE(again.OpenForm(path)) << again.findChild<QLabel*>("MessageLabel")->text().toStdString();
    auto* db = dynamic_cast<TODBCDatabase*>(again.Form()->FindComponent("ODBCDatabase1"));
    auto* query = dynamic_cast<TODBCQuery*>(again.Form()->FindComponent("ODBCQuery1"));
    ASSERT_NE(db, nullptr);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(db->DatabaseName(), "garage");
    EXPECT_EQ(query->RowSetSize(), 25);
    EXPECT_EQ(query->ODBCDatabase(), db);
}

TEST(DesignerWindow, ADamagedFileIsReportedAndTheOpenFormKept) {
    QTemporaryDir dir;
    QString path = dir.filePath("bad.vfs");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("VFS\x01\xF0\x05TNope", 10);
    f.close();
    TDesignerWindow window;
    window.AddComponent("TODBCDatabase");
    EXPECT_FALSE(window.OpenForm(path));
    EXPECT_FALSE(window.findChild<QLabel*>("MessageLabel")->text().isEmpty());
    EXPECT_NE(window.Form()->FindComponent("ODBCDatabase1"), nullptr);
}

void whenShown(std::function<void(QDialog*)> script) {
    QTimer::singleShot(0, [script] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        script(dialog);
    });
}

// Double-clicks the value of the property `name` in the window's property list; false when the
// list does not show it.
bool doubleClickProperty(TDesignerWindow& window, const QString& name, QString* shown = nullptr) {
    auto* list = window.findChild<QTableWidget*>("PropertyList");
    for (int row = 0; row < list->rowCount(); ++row)
        if (list->item(row, 0)->text() == name) {
            if (shown)
                *shown = list->item(row, 1)->text();
            emit list->cellDoubleClicked(row, 1);
            return true;
        }
    return false;
}

TEST(DesignerWindow, EditsAStoredEntitysFieldsAndProceduresThroughTheirEditors) {
    QTemporaryDir dir;
    QString path = dir.filePath("entity.vfs");
    {
        TComponent form(nullptr);
        form.SetName("DataModule1");
        auto* entity = new TUserEntity(&form);
        entity->SetName("UserEntity1");
        entity->SetfactTable("stock_part");
        entity->CreateField("part_code", "", "Code", 8, true, true, true, true, ftInteger, cnstETPK);
        entity->CreateField("part_name", "", "Name", 30, true, true, true, false, ftString, cnstETField);
        entity->SetStoredProcedures("part_sel;;;;;;;");
        writeForm(path, &form);
    }
    TDesignerWindow window;
    ASSERT_TRUE(window.OpenForm(path)) << window.findChild<QLabel*>("MessageLabel")->text().toStdString();
    window.SelectComponent("UserEntity1");

    QString fieldsShown, procsShown;
    whenShown([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Entity Fields Editor");
        auto* list = d->findChild<QListWidget*>("FieldList");
        list->setCurrentRow(1);
        d->findChild<QLineEdit*>("DisplayName")->setText("Part name");
        d->findChild<QPushButton*>("UpButton")->click();
        d->findChild<QPushButton*>("AddButton")->click();
        d->findChild<QLineEdit*>("FactName")->setText("on_hand");
        d->findChild<QCheckBox*>("ExecInsert")->setChecked(false);
        d->findChild<QDialogButtonBox*>("ButtonBox")->button(QDialogButtonBox::Ok)->click();
    });
    ASSERT_TRUE(doubleClickProperty(window, "lstFields", &fieldsShown));
    whenShown([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Entity call procedure designer");
        EXPECT_EQ(d->findChild<QLineEdit*>("SelectProc")->text(), "part_sel");
        d->findChild<QLineEdit*>("CloseProc")->setText("part_close");
        d->findChild<QDialogButtonBox*>("ButtonBox")->button(QDialogButtonBox::Ok)->click();
    });
    ASSERT_TRUE(doubleClickProperty(window, "StoredProcedures", &procsShown));
    EXPECT_EQ(fieldsShown, "(Entity Fields)");
    EXPECT_EQ(procsShown, "(Strored Procedures)");
    ASSERT_TRUE(window.SaveForm(path));

    TDesignerWindow again;
    ASSERT_TRUE(again.OpenForm(path)) << again.findChild<QLabel*>("MessageLabel")->text().toStdString();
    auto* entity = dynamic_cast<TUserEntity*>(again.Form()->FindComponent("UserEntity1"));
    ASSERT_NE(entity, nullptr);
    ASSERT_EQ(entity->FieldCount(), 3);
    EXPECT_EQ(entity->GetFields(0)->FactName(), "part_name");
    EXPECT_EQ(entity->GetFields(0)->DisplayName(), "Part name");
    EXPECT_EQ(entity->GetFields(1)->FactName(), "part_code");
    EXPECT_EQ(entity->GetFields(1)->ExecSet(), cnstETPK);
    EXPECT_EQ(entity->GetFields(1)->fType(), ftInteger);
    EXPECT_EQ(entity->GetFields(2)->FactName(), "on_hand");
    EXPECT_EQ(entity->GetFields(2)->ExecSet(), (TSetExecType{fetSelect, fetUpdate, fetDelete}));
    EXPECT_EQ(entity->StoredProcedures(), "part_sel;;;;;;part_close;");
    EXPECT_EQ(entity->factTable(), "stock_part");
}

} // namespace

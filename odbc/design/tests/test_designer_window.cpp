// The designer program's window: open a stored form, add from the palette, change a property,
// save, read back; a damaged file leaves the open form alone.
#include <vantrel/design/DesignerWindow.h>

#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>

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
    EXPECT_EQ(palette->count(), 4);
    EXPECT_FALSE(palette->findItems("TExtDBGrid", Qt::MatchExactly).first()->flags() & Qt::ItemIsEnabled);
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

} // namespace

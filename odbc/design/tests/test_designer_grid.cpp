// The designer places the grids: placed from the palette, set, saved and read back equal; a form
// written before the grids still loads; a damaged grid entry is refused with a message and the
// open form is kept.
#include <vantrel/design/DesignerWindow.h>

#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/grid/GridComponent.h>

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

QByteArray formBytes(TComponent* form) {
    TMemoryStream stream;
    WriteComponent(stream, form);
    QByteArray bytes(int(stream.Size()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString message(const TDesignerWindow& window) { return window.findChild<QLabel*>("MessageLabel")->text(); }

QString shownValue(const TDesignerWindow& window, const QString& name) {
    auto* list = window.findChild<QTableWidget*>("PropertyList");
    for (int row = 0; row < list->rowCount(); ++row)
        if (list->item(row, 0)->text() == name)
            return list->item(row, 1)->text();
    return QStringLiteral("(not listed)");
}

constexpr TDBGridOptions ChosenOptions = dgTitles | dgIndicator | dgRowSelect | dgMultiSelect;

TEST(DesignerGrid, PlacesSetsSavesAndReadsBackTheGrids) {
    QTemporaryDir dir;
    const QString path = dir.filePath("grids.vfs");
    auto window = std::make_unique<TDesignerWindow>();
    auto* palette = window->findChild<QListWidget*>("Palette");
    auto found = palette->findItems("TExtDBGrid", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    ASSERT_TRUE(found.first()->flags() & Qt::ItemIsEnabled);
    emit palette->itemActivated(found.first());
    auto* ext = dynamic_cast<TExtDBGridComponent*>(window->Form()->FindComponent("ExtDBGrid1"));
    ASSERT_NE(ext, nullptr);
    ASSERT_NE(ext->ExtGrid(), nullptr);
    EXPECT_EQ(ext->Grid()->parentWidget(), window->Surface());
    EXPECT_TRUE(ext->Grid()->isVisibleTo(window->Surface()));
    EXPECT_EQ(ext->Grid()->accessibleName(), "ExtDBGrid1");

    window->AddComponent("TODBCQuery");
    ASSERT_NE(window->AddComponent("TDataSource"), nullptr);
    EXPECT_TRUE(window->SetProperty("DataSet", "ODBCQuery1"));

    window->SelectComponent("ExtDBGrid1");
    EXPECT_TRUE(window->SetProperty("IndicatorSize", "23"));
    EXPECT_FALSE(window->SetProperty("IndicatorSize", "50"));
    EXPECT_TRUE(message(*window).contains("IndicatorSize 50 is out of range")) << message(*window).toStdString();
    EXPECT_TRUE(window->SetProperty("Options", "[dgTitles, dgIndicator,dgRowSelect,dgMultiSelect]"));
    EXPECT_FALSE(window->SetProperty("Options", "[dgTitles,dgNope]"));
    EXPECT_TRUE(message(*window).contains("dgNope")) << message(*window).toStdString();
    EXPECT_FALSE(window->SetProperty("FixedColor", "16777216"));
    EXPECT_TRUE(window->SetProperty("FixedColor", "15780518"));
    EXPECT_TRUE(window->SetProperty("ReadOnly", "True"));
    EXPECT_TRUE(window->SetProperty("Left", "40"));
    EXPECT_TRUE(window->SetProperty("Top", "30"));
    EXPECT_TRUE(window->SetProperty("Width", "500"));
    EXPECT_FALSE(window->SetProperty("Height", "-5"));
    EXPECT_TRUE(window->SetProperty("DataSource", "DataSource1"));
    EXPECT_EQ(shownValue(*window, "Options"), "[dgTitles,dgIndicator,dgRowSelect,dgMultiSelect]");
    EXPECT_EQ(shownValue(*window, "IndicatorSize"), "23");
    // The widget follows at once.
    TExtDBGrid* grid = ext->ExtGrid();
    EXPECT_EQ(grid->IndicatorSize(), 23);
    EXPECT_EQ(grid->Options(), ChosenOptions);
    EXPECT_TRUE(grid->ReadOnly());
    EXPECT_EQ(grid->FixedColor(), QColor(0xA6, 0xCA, 0xF0)); // 15780518 is $F0CAA6, blue-green-red
    EXPECT_EQ(grid->geometry(), QRect(40, 30, 500, 120));
    ASSERT_NE(grid->DataSource(), nullptr);
    EXPECT_EQ(grid->DataSource()->Name(), "DataSource1");

    auto* base = dynamic_cast<TDBGridComponent*>(window->AddComponent("TDBGrid"));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(base->Name(), "DBGrid1");
    EXPECT_EQ(window->Form()->FindComponent("DBGrid1"), base);
    EXPECT_EQ(base->Grid()->parentWidget(), window->Surface());
    EXPECT_TRUE(window->SetProperty("Options", "[]"));
    EXPECT_TRUE(window->SetProperty("BorderStyle", "bsNone"));
    EXPECT_TRUE(window->SetProperty("Height", "200"));
    EXPECT_EQ(base->Grid()->Options(), 0u);
    ASSERT_TRUE(window->SaveForm(path)) << message(*window).toStdString();
    window.reset();

    TDesignerWindow again;
    ASSERT_TRUE(again.OpenForm(path)) << message(again).toStdString();
    auto* extBack = dynamic_cast<TExtDBGridComponent*>(again.Form()->FindComponent("ExtDBGrid1"));
    auto* baseBack = dynamic_cast<TDBGridComponent*>(again.Form()->FindComponent("DBGrid1"));
    auto* query = dynamic_cast<TODBCQuery*>(again.Form()->FindComponent("ODBCQuery1"));
    ASSERT_TRUE(extBack && baseBack && query);
    EXPECT_EQ(dynamic_cast<TExtDBGridComponent*>(baseBack), nullptr);
    ASSERT_NE(extBack->DataSource(), nullptr);
    EXPECT_EQ(extBack->DataSource()->DataSet(), query);
    TExtDBGrid* gridBack = extBack->ExtGrid();
    ASSERT_NE(gridBack, nullptr);
    EXPECT_EQ(gridBack->parentWidget(), again.Surface());
    EXPECT_EQ(gridBack->IndicatorSize(), 23);
    EXPECT_EQ(gridBack->Options(), ChosenOptions);
    EXPECT_TRUE(gridBack->ReadOnly());
    EXPECT_EQ(gridBack->FixedColor(), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(gridBack->geometry(), QRect(40, 30, 500, 120));
    EXPECT_EQ(gridBack->DataSource(), extBack->DataSource());
    EXPECT_EQ(baseBack->Grid()->Options(), 0u);
    EXPECT_EQ(baseBack->Grid()->BorderStyle(), bsNone);
    EXPECT_EQ(baseBack->Height(), 200);
    // What was read writes the same bytes again.
    const QString copy = dir.filePath("copy.vfs");
    ASSERT_TRUE(again.SaveForm(copy));
    EXPECT_EQ(readFile(copy), readFile(path));
}

// Written before the designer knew the grids (a database and a query with its statement); the
// stored form encoding has not changed since, so these bytes must keep loading.
const unsigned char OlderForm[] = {
    0x56, 0x46, 0x53, 0x01, 0xf0, 0x0a, 0x54, 0x43, 0x6f, 0x6d, 0x70, 0x6f, 0x6e, 0x65, 0x6e, 0x74,
    0x0b, 0x00, 0x00, 0x00, 0x44, 0x61, 0x74, 0x61, 0x4d, 0x6f, 0x64, 0x75, 0x6c, 0x65, 0x31, 0x00,
    0xf0, 0x0d, 0x54, 0x4f, 0x44, 0x42, 0x43, 0x44, 0x61, 0x74, 0x61, 0x62, 0x61, 0x73, 0x65, 0x0d,
    0x00, 0x00, 0x00, 0x4f, 0x44, 0x42, 0x43, 0x44, 0x61, 0x74, 0x61, 0x62, 0x61, 0x73, 0x65, 0x31,
    0x0c, 0x44, 0x61, 0x74, 0x61, 0x62, 0x61, 0x73, 0x65, 0x4e, 0x61, 0x6d, 0x65, 0x07, 0x06, 0x00,
    0x00, 0x00, 0x67, 0x61, 0x72, 0x61, 0x67, 0x65, 0x00, 0x00, 0xf0, 0x0a, 0x54, 0x4f, 0x44, 0x42,
    0x43, 0x51, 0x75, 0x65, 0x72, 0x79, 0x0a, 0x00, 0x00, 0x00, 0x4f, 0x44, 0x42, 0x43, 0x51, 0x75,
    0x65, 0x72, 0x79, 0x31, 0x0c, 0x4f, 0x44, 0x42, 0x43, 0x44, 0x61, 0x74, 0x61, 0x62, 0x61, 0x73,
    0x65, 0x0a, 0x0d, 0x4f, 0x44, 0x42, 0x43, 0x44, 0x61, 0x74, 0x61, 0x62, 0x61, 0x73, 0x65, 0x31,
    0x0b, 0x53, 0x51, 0x4c, 0x2e, 0x53, 0x74, 0x72, 0x69, 0x6e, 0x67, 0x73, 0x01, 0x07, 0x26, 0x00,
    0x00, 0x00, 0x53, 0x45, 0x4c, 0x45, 0x43, 0x54, 0x20, 0x6e, 0x61, 0x6d, 0x65, 0x20, 0x46, 0x52,
    0x4f, 0x4d, 0x20, 0x70, 0x61, 0x72, 0x74, 0x20, 0x57, 0x48, 0x45, 0x52, 0x45, 0x20, 0x71, 0x74,
    0x79, 0x20, 0x3c, 0x20, 0x3a, 0x6c, 0x6f, 0x77, 0x00, 0x0a, 0x52, 0x6f, 0x77, 0x53, 0x65, 0x74,
    0x53, 0x69, 0x7a, 0x65, 0x02, 0x19, 0x0b, 0x50, 0x61, 0x72, 0x61, 0x6d, 0x73, 0x2e, 0x44, 0x61,
    0x74, 0x61, 0x0b, 0x0b, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x03, 0x6c, 0x6f, 0x77, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00
};

TEST(DesignerGrid, AFormWrittenBeforeTheGridsStillLoads) {
    QTemporaryDir dir;
    const QString path = dir.filePath("older.vfs");
    writeFile(path, QByteArray(reinterpret_cast<const char*>(OlderForm), int(sizeof OlderForm)));
    TDesignerWindow window;
    ASSERT_TRUE(window.OpenForm(path)) << message(window).toStdString();
    auto* db = dynamic_cast<TODBCDatabase*>(window.Form()->FindComponent("ODBCDatabase1"));
    auto* query = dynamic_cast<TODBCQuery*>(window.Form()->FindComponent("ODBCQuery1"));
    ASSERT_TRUE(db && query);
    EXPECT_EQ(db->DatabaseName(), "garage");
    EXPECT_EQ(query->ODBCDatabase(), db);
    EXPECT_EQ(query->SQL()->Text(), "SELECT name FROM part WHERE qty < :low\n");
    EXPECT_EQ(query->RowSetSize(), 25);
    const QString copy = dir.filePath("copy.vfs");
    ASSERT_TRUE(window.SaveForm(copy));
    EXPECT_EQ(readFile(copy), readFile(path)); // and is written as it was
}

TEST(DesignerGrid, ADamagedGridEntryIsRefusedAndTheOpenFormKept) {
    QByteArray good;
    {
        TComponent form(nullptr);
        form.SetName("DataModule1");
        auto* grid = new TExtDBGridComponent(&form);
        grid->SetName("DBGrid1");
        grid->SetIndicatorSize(23);
        grid->SetOptions(DefaultDBGridOptions | dgMultiSelect);
        good = formBytes(&form);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("damaged.vfs");
    auto refused = [&](QByteArray bytes, const char* expected) {
        writeFile(path, bytes);
        TDesignerWindow window;
        window.AddComponent("TODBCDatabase");
        EXPECT_FALSE(window.OpenForm(path)) << expected;
        EXPECT_TRUE(message(window).contains(expected)) << message(window).toStdString();
        EXPECT_NE(window.Form()->FindComponent("ODBCDatabase1"), nullptr);
        EXPECT_EQ(window.Form()->FindComponent("DBGrid1"), nullptr);
        EXPECT_TRUE(window.Surface()->findChildren<TCustomDBGrid*>().isEmpty());
    };

    // An indicator width the grid would ignore: 23 stored as a one-byte integer becomes 99.
    QByteArray wide = good;
    int at = wide.indexOf("IndicatorSize");
    ASSERT_GE(at, 0);
    at += int(strlen("IndicatorSize"));
    ASSERT_EQ(wide[at], char(vaInt8));
    ASSERT_EQ(wide[at + 1], char(23));
    wide[at + 1] = char(99);
    refused(wide, "Error reading DBGrid1.IndicatorSize: IndicatorSize 99 is out of range (1 to 49)");

    QByteArray member = good;
    at = member.indexOf("dgMultiSelect");
    ASSERT_GE(at, 0);
    member[at + 12] = 'X';
    refused(member, "invalid set member dgMultiSelecX for property Options");

    refused(good.left(good.indexOf("IndicatorSize") + 4), "truncated");

    // The good bytes load.
    writeFile(path, good);
    TDesignerWindow window;
    ASSERT_TRUE(window.OpenForm(path)) << message(window).toStdString();
    auto* grid = dynamic_cast<TExtDBGridComponent*>(window.Form()->FindComponent("DBGrid1"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->ExtGrid()->IndicatorSize(), 23);
    EXPECT_TRUE(grid->ExtGrid()->Options() & dgMultiSelect);
}

// The widget may go with a window before its component: the component keeps what was set and
// still writes it.
TEST(DesignerGrid, AGridWhoseWidgetWentStillWritesItsProperties) {
    TComponent form(nullptr);
    form.SetName("Form1");
    auto* grid = new TExtDBGridComponent(&form);
    grid->SetName("DBGrid1");
    grid->SetIndicatorSize(31);
    grid->SetWidth(250);
    {
        QWidget window;
        grid->Grid()->setParent(&window);
    }
    EXPECT_EQ(grid->Grid(), nullptr);
    EXPECT_EQ(grid->IndicatorSize(), 31);
    grid->SetOptions(dgTitles);
    const QByteArray bytes = formBytes(&form);
    EXPECT_TRUE(bytes.contains("IndicatorSize"));
    TMemoryStream stream;
    stream.WriteBuffer(bytes.constData(), bytes.size());
    stream.SetPosition(0);
    std::unique_ptr<TComponent> back(ReadComponent(stream, nullptr));
    auto* read = dynamic_cast<TExtDBGridComponent*>(back->FindComponent("DBGrid1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->ExtGrid()->IndicatorSize(), 31);
    EXPECT_EQ(read->Width(), 250);
    EXPECT_EQ(read->Options(), TDBGridOptions(dgTitles));
}

} // namespace

// The grid's Qt Designer plugin loads and creates the grid.
#include <vantrel/grid/ExtDBGrid.h>

#include <QBuffer>
#include <QFormBuilder>
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <gtest/gtest.h>

#include <memory>

TEST(GridDesignerPlugin, LoadsAndCreatesTheGrid) {
    QPluginLoader loader(QStringLiteral(VANTREL_GRID_DESIGNER_PLUGIN));
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->group(), "Rindle");
    EXPECT_TRUE(plugin->domXml().contains("vantrel::TExtDBGrid"));
    std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
    auto* grid = qobject_cast<vantrel::TExtDBGrid*>(widget.get());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->IndicatorSize(), 10);
}

// A form with the grid, saved by Qt Designer's form builder and loaded back through the plugin,
// keeps the grid's properties; a hand-written .ui sets them too, and a value the grid refuses is
// not taken.
namespace {

// Qt Designer writes a widget that is no container without the parts it is made of (viewport,
// scroll bars, headers); the bare form builder would write those too and cannot read them back.
class DesignerFormBuilder : public QFormBuilder {
protected:
    DomWidget* createDom(QWidget* widget, DomWidget* parent, bool recursive) override {
        if (qobject_cast<vantrel::TCustomDBGrid*>(widget))
            recursive = false;
        return QFormBuilder::createDom(widget, parent, recursive);
    }
};

std::unique_ptr<QWidget> loadForm(const QByteArray& ui) {
    QFormBuilder builder;
    builder.setPluginPath({QStringLiteral(VANTREL_GRID_DESIGNER_DIR)});
    QBuffer buffer;
    buffer.setData(ui);
    buffer.open(QIODevice::ReadOnly);
    std::unique_ptr<QWidget> form(builder.load(&buffer));
    EXPECT_TRUE(builder.errorString().isEmpty()) << builder.errorString().toStdString();
    return form;
}

} // namespace

TEST(GridDesignerPlugin, FormBuilderRoundTripKeepsTheGridProperties) {
    using vantrel::TCustomDBGrid;
    QWidget form;
    form.setObjectName(QStringLiteral("Form1"));
    auto* grid = new vantrel::TExtDBGrid(&form);
    grid->setObjectName(QStringLiteral("DBGrid1"));
    grid->SetIndicatorSize(23);
    grid->SetOptions((grid->Options() | vantrel::dgRowSelect | vantrel::dgMultiSelect) & ~vantrel::dgColLines);
    grid->SetTitleFont(QFont(QStringLiteral("Liberation Serif"), 15));
    grid->SetReadOnly(true);
    grid->SetDefaultDrawing(false);
    grid->SetFixedColor(QColor(10, 20, 30));
    const unsigned options = grid->Options();

    DesignerFormBuilder builder;
    builder.setPluginPath({QStringLiteral(VANTREL_GRID_DESIGNER_DIR)});
    QBuffer saved;
    saved.open(QIODevice::WriteOnly);
    builder.save(&saved, &form);
    const QByteArray ui = saved.data();
    EXPECT_TRUE(ui.contains("class=\"vantrel::TExtDBGrid\"")) << ui.toStdString();
    EXPECT_TRUE(ui.contains("name=\"IndicatorSize\"")) << ui.toStdString();
    EXPECT_TRUE(ui.contains("name=\"dgRowSelect\"")) << ui.toStdString();
    EXPECT_FALSE(ui.contains("qt_scrollarea")) << ui.toStdString();

    auto loaded = loadForm(ui);
    ASSERT_NE(loaded, nullptr);
    auto* back = loaded->findChild<vantrel::TExtDBGrid*>(QStringLiteral("DBGrid1"));
    ASSERT_NE(back, nullptr) << ui.toStdString();
    EXPECT_EQ(back->IndicatorSize(), 23);
    EXPECT_EQ(back->Options(), options);
    EXPECT_TRUE(back->Options() & vantrel::dgMultiSelect);
    EXPECT_FALSE(back->Options() & vantrel::dgColLines);
    EXPECT_TRUE(back->ReadOnly());
    EXPECT_FALSE(back->DefaultDrawing());
    EXPECT_EQ(back->FixedColor(), QColor(10, 20, 30));
    EXPECT_EQ(back->TitleFont().pointSize(), 15);
}

TEST(GridDesignerPlugin, HandWrittenFormSetsThePropertiesTheGridAccepts) {
    const QByteArray ui = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form1</class>
 <widget class="QWidget" name="Form1">
  <widget class="vantrel::TExtDBGrid" name="DBGrid1">
   <property name="IndicatorSize"><number>49</number></property>
   <property name="dgMultiSelect"><bool>true</bool></property>
  </widget>
  <widget class="vantrel::TExtDBGrid" name="DBGrid2">
   <property name="IndicatorSize"><number>50</number></property>
   <property name="dgEditing"><bool>false</bool></property>
   <property name="dgColLines"><bool>false</bool></property>
  </widget>
 </widget>
</ui>
)";
    auto form = loadForm(ui);
    ASSERT_NE(form, nullptr);
    auto* one = form->findChild<vantrel::TExtDBGrid*>(QStringLiteral("DBGrid1"));
    auto* two = form->findChild<vantrel::TExtDBGrid*>(QStringLiteral("DBGrid2"));
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->IndicatorSize(), 49);
    EXPECT_EQ(one->Options(), vantrel::DefaultDBGridOptions | vantrel::dgMultiSelect);
    EXPECT_EQ(two->IndicatorSize(), 10); // 50 is out of range: the default stays
    EXPECT_EQ(two->Options(), vantrel::DefaultDBGridOptions & ~(vantrel::dgEditing | vantrel::dgColLines));
}

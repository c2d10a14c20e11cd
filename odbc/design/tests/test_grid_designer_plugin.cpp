// The grid's Qt Designer plugin loads and creates the grid.
#include <vantrel/grid/ExtDBGrid.h>

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

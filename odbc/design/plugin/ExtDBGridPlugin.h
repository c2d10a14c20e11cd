// Qt Designer plugin: the extended data grid on the "Rindle" widget group.
#pragma once

#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace vantrel {

class TExtDBGridPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)
public:
    explicit TExtDBGridPlugin(QObject* parent = nullptr) : QObject(parent) {}

    QString name() const override { return QStringLiteral("vantrel::TExtDBGrid"); }
    QString group() const override { return QStringLiteral("Rindle"); }
    QString toolTip() const override { return QStringLiteral("TExtDBGrid"); }
    QString whatsThis() const override { return toolTip(); }
    QString includeFile() const override { return QStringLiteral("vantrel/grid/ExtDBGrid.h"); }
    QIcon icon() const override { return {}; }
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* parent) override;
    bool isInitialized() const override { return FInitialized; }
    void initialize(QDesignerFormEditorInterface*) override { FInitialized = true; }
    QString domXml() const override;

private:
    bool FInitialized = false;
};

} // namespace vantrel

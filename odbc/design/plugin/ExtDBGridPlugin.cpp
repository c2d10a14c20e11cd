#include "ExtDBGridPlugin.h"

#include <vantrel/grid/ExtDBGrid.h>

namespace vantrel {

QWidget* TExtDBGridPlugin::createWidget(QWidget* parent) {
    auto* grid = new TExtDBGrid(parent);
    grid->setObjectName(QStringLiteral("DBGrid1"));
    return grid;
}

QString TExtDBGridPlugin::domXml() const {
    return QStringLiteral("<ui language=\"c++\"><widget class=\"vantrel::TExtDBGrid\" name=\"DBGrid1\"/></ui>");
}

} // namespace vantrel

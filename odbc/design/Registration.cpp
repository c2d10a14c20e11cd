// The library's classes on the "Rindle" page and the editors for their properties.
#include <vantrel/design/DesignRegistry.h>
#include <vantrel/design/QueryParams.h>

#include <vantrel/core/ODBCParams.h>

namespace vantrel {

void RegisterVantrelDesign() {
    static const bool registered = [] {
        RegisterComponents(VantrelPalettePage, {"TODBCDatabase", "TODBCQuery", "TODBCExtQuery"});
        RegisterObjectPropertyEditor<TODBCParams>("Params", [](TComponent* c, const TPropInfo& p) {
            return std::make_unique<TODBCParamsProperty>(c, p);
        });
        RegisterWidget(VantrelPalettePage, "TExtDBGrid");
        return true;
    }();
    (void)registered;
}

} // namespace vantrel

// The library's classes on the "Rindle" page and the editors for their properties.
#include <vantrel/design/DesignRegistry.h>
#include <vantrel/design/EntityFields.h>
#include <vantrel/design/EntitySP.h>
#include <vantrel/design/QueryParams.h>

#include <vantrel/core/ODBCParams.h>
#include <vantrel/entity/ODBCEntity.h>
#include <vantrel/grid/GridComponent.h>

namespace vantrel {

void RegisterVantrelDesign() {
    static const bool registered = [] {
        RegisterComponents(VantrelPalettePage, {"TODBCDatabase", "TODBCQuery", "TODBCExtQuery"});
        RegisterObjectPropertyEditor<TODBCParams>("Params", [](TComponent* c, const TPropInfo& p) {
            return std::make_unique<TODBCParamsProperty>(c, p);
        });
        RegisterComponents(VantrelPalettePage, {"TUserEntity"});
        RegisterClassPropertyEditor<TUserEntity>(
            TTypeKind::String, "StoredProcedures",
            [](TComponent* c, const TPropInfo& p) { return std::make_unique<TEntitySPProperty>(c, p); });
        RegisterClassPropertyEditor<TUserEntity>(
            TTypeKind::Class, "lstFields",
            [](TComponent* c, const TPropInfo& p) { return std::make_unique<TEntityFieldProperty>(c, p); });
        // The grids are placed through their stored companions (GridComponent.h); the data source
        // that links one to a dataset and the base grid are on the framework's own pages.
        RegisterComponents(VantrelPalettePage, {"TExtDBGrid"});
        RegisterComponents("Data Access", {"TDataSource"});
        RegisterComponents("Data Controls", {"TDBGrid"});
        return true;
    }();
    (void)registered;
}

} // namespace vantrel

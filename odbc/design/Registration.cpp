// The library's classes on the "Rindle" page and the editors for their properties.
#include <vantrel/design/DesignRegistry.h>
#include <vantrel/design/EntityFields.h>
#include <vantrel/design/EntitySP.h>
#include <vantrel/design/QueryParams.h>

#include <vantrel/core/ODBCParams.h>
#include <vantrel/entity/ODBCEntity.h>

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
        RegisterWidget(VantrelPalettePage, "TExtDBGrid");
        return true;
    }();
    (void)registered;
}

} // namespace vantrel

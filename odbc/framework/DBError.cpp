#include <vantrel/framework/DBError.h>

#include <vantrel/framework/Classes.h>

namespace vantrel {

void DatabaseError(const String& message, TComponent* component) {
    if (component && !component->Name().empty())
        throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}

void DatabaseErrorFmt(const String& fmt, const std::vector<TVarRec>& args, TComponent* component) {
    DatabaseError(FormatArgs(fmt, args), component);
}

} // namespace vantrel

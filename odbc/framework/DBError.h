// The database-error exception and the helpers that raise it.
#pragma once

#include <vantrel/framework/SysUtils.h>

namespace vantrel {

class TComponent;

/// \brief Failure of a database component (dataset, connection, field, parameter).
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

/// \brief Throws EDatabaseError with `message`, prefixed "Name: " when `component` has a name.
[[noreturn]] void DatabaseError(const String& message, TComponent* component = nullptr);
/// \brief Throws EDatabaseError with Format(fmt, args), prefixed as DatabaseError does.
[[noreturn]] void DatabaseErrorFmt(const String& fmt, const std::vector<TVarRec>& args,
                                   TComponent* component = nullptr);
[[noreturn]] inline void DatabaseErrorFmt(const String& fmt, std::initializer_list<TVarRec> args,
                                          TComponent* component = nullptr) {
    DatabaseErrorFmt(fmt, std::vector<TVarRec>(args), component);
}

} // namespace vantrel

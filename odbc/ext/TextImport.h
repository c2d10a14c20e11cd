#pragma once
// Inside the query tools: the reader of one line of the text import format, on its own so it can
// be tried with any input. Not installed.
#include <vantrel/framework/SysUtils.h>

#include <vector>

namespace vantrel::detail {

/// One value of a line: its decoded text, and whether it was quoted (an empty unquoted value is
/// null).
struct TImportValue {
    String Text;
    bool Quoted = false;
};

/// \brief Splits one line into its values; false with `error` set when it is malformed.
bool SplitLine(const String& line, std::vector<TImportValue>& values, String& error);

} // namespace vantrel::detail

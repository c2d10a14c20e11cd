// libFuzzer target: the colon-parameter parser. The driver's text is never longer than the
// statement and holds a "?" for every name found (a quoted name that never closes takes the rest
// of the statement, question marks included), every name is non-empty, a statement without a
// colon comes back unchanged with no names, and the names asked for change nothing.
#include <vantrel/core/ODBCDataSet.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const String statement(reinterpret_cast<const char*>(data), size);
    String text = statement;
    std::vector<String> names;
    ODBCParseParams(text, &names);
    if (text.size() > statement.size())
        std::abort();
    if (std::count(text.begin(), text.end(), '?') < static_cast<long>(names.size()))
        std::abort();
    for (const String& name : names)
        if (name.empty())
            std::abort();
    if (statement.find(':') == String::npos && (text != statement || !names.empty()))
        std::abort();
    String unnamed = statement; // the same without asking for the names
    ODBCParseParams(unnamed, nullptr);
    if (unnamed != text)
        std::abort();
    return 0;
}

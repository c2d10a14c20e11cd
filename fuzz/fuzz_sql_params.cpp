// libFuzzer target: the colon-parameter parser. The driver's text is never longer than the
// statement and holds a "?" for every name found, every name is non-empty, a name never takes a
// quote that does not close (such a colon is left in the text as written, so the text ends inside
// the same quote as the statement), a statement without a colon comes back unchanged with no
// names, and the names asked for change nothing.
#include <vantrel/core/ODBCDataSet.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace vantrel;

namespace {
// Which quote is still open at the end of the text (0 for none), scanning as the parser does.
char openQuote(const String& text) {
    char open = 0;
    for (char c : text)
        if ((c == '\'' || c == '"') && (open == 0 || open == c))
            open = open ? 0 : c;
    return open;
}
} // namespace

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
    if (openQuote(text) != openQuote(statement)) // a name took a quote that never closes
        std::abort();
    if (statement.find(':') == String::npos && (text != statement || !names.empty()))
        std::abort();
    String unnamed = statement; // the same without asking for the names
    ODBCParseParams(unnamed, nullptr);
    if (unnamed != text)
        std::abort();
    return 0;
}

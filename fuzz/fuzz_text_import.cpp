// libFuzzer target: the line reader of the text import format.
//
// Every line splits into values or is refused with a reason. Values that were read, written
// again the way the export writes them, read back the same.
#include <vantrel/ext/ODBCTools.h>
#include <vantrel/ext/TextImport.h>

#include <cstdint>
#include <cstdlib>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const String text(reinterpret_cast<const char*>(data), size);

    std::vector<detail::TImportValue> values;
    String error;
    if (!detail::SplitLine(text, values, error)) {
        if (error.empty())
            std::abort(); // a refusal says why
        return 0;
    }
    if (values.empty())
        std::abort();
    String line;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i)
            line += ',';
        line += values[i].Quoted ? "'" + ConverString(values[i].Text, true) + "'" : values[i].Text;
    }
    std::vector<detail::TImportValue> again;
    if (!detail::SplitLine(line, again, error) || again.size() != values.size())
        std::abort();
    for (size_t i = 0; i < values.size(); ++i)
        if (again[i].Text != values[i].Text || again[i].Quoted != values[i].Quoted)
            std::abort();
    return 0;
}

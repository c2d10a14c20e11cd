// libFuzzer target: ConverString. Decoding undoes encoding for any text, encoded text holds no
// line break or NUL (it must fit on one line of an export), and decoding any text never grows it.
#include <vantrel/ext/ODBCTools.h>

#include <cstdint>
#include <cstdlib>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const String text(reinterpret_cast<const char*>(data), size);
    const String encoded = ConverString(text, true);
    if (encoded.find_first_of(String("\r\n\0", 3)) != String::npos || ConverString(encoded, false) != text)
        std::abort();
    if (ConverString(text, false).size() > text.size())
        std::abort();
    return 0;
}

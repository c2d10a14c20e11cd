// libFuzzer target: the stored parameter list reader and the colon-parameter parser.
//
// Every input is read as a stored list (it must load or raise EDatabaseError, never anything
// else); a list that loads and can be written again must give the same bytes on a second round.
// The same input as SQL text goes through the parameter parser, which may only shorten it.
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCParams.h>

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace vantrel;

namespace {

TBytes writeList(TODBCParams& params) {
    TMemoryStream out;
    params.WriteBinaryData(out);
    return out.Bytes();
}

void readList(TODBCParams& params, const uint8_t* data, size_t size) {
    TMemoryStream in;
    if (size) in.WriteBuffer(data, static_cast<int64_t>(size));
    in.SetPosition(0);
    params.ReadBinaryData(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TODBCParams params;
    try {
        readList(params, data, size);
    } catch (const EDatabaseError&) {
        if (params.Count() != 0) std::abort();  // a refused list is left empty
    }
    if (params.Count()) {
        TBytes once;
        try {
            once = writeList(params);
        } catch (const EDatabaseError&) {
            // version 2 holds what version 1 cannot (long names, big values)
        }
        if (!once.empty()) {
            TODBCParams again;
            readList(again, once.data(), once.size());  // anything we wrote must read back
            if (writeList(again) != once) std::abort();
        }
    }

    String text(reinterpret_cast<const char*>(data), size);
    const size_t before = text.size();
    std::vector<String> names;
    ODBCParseParams(text, &names);
    if (text.size() > before || names.size() > before) std::abort();
    return 0;
}

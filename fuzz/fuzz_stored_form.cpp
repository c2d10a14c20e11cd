// libFuzzer target: the stored-form reader.
//
// Any input must read into a component tree or be refused with one of the library's exceptions
// (never a crash, a hang or another exception). A tree that was read is written again; what was
// written must read back and write the same bytes a second time.
#include <vantrel/vantrel.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace vantrel;

namespace {

TBytes write(TComponent* root) {
    TMemoryStream out;
    WriteComponent(out, root);
    return out.Bytes();
}

std::unique_ptr<TComponent> read(const uint8_t* data, size_t size) {
    TMemoryStream in;
    if (size)
        in.WriteBuffer(data, static_cast<int64_t>(size));
    in.SetPosition(0);
    return std::unique_ptr<TComponent>(ReadComponent(in, nullptr));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<TComponent> root;
    try {
        root = read(data, size);
    } catch (const Exception&) {
        return 0; // refused
    }
    if (!root)
        std::abort(); // neither a tree nor a refusal
    TBytes once;
    try {
        once = write(root.get());
    } catch (const Exception&) {
        return 0; // a tree the writer cannot express (a value read but not writable)
    }
    auto again = read(once.data(), once.size()); // what we wrote must read
    if (write(again.get()) != once)
        std::abort();
    return 0;
}

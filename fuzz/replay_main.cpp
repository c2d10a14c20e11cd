// Runs a libFuzzer target without libFuzzer (for compilers that have none): every file of the
// corpus folders once, then a bounded number of inputs made from them by small random changes
// (bit flips, new, removed and repeated bytes, bytes the readers treat specially). The changes
// follow a fixed seed, so a run repeats exactly.
//   fuzz_x [-runs=N] [-seed=S] [-max_len=L] CORPUS_FOLDER...
//   fuzz_x FILE                 runs that one input (a failing one is kept as ./crash-input)
// Arguments it does not know (libFuzzer's other options) are ignored.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::vector<uint8_t>;

const Input* gCurrent = nullptr;

// Keeps the input that failed in ./crash-input, to be run again alone (fuzz_x crash-input).
void saveCurrent() {
    if (!gCurrent)
        return;
    const int fd = ::open("crash-input", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    if (!gCurrent->empty() && ::write(fd, gCurrent->data(), gCurrent->size()) < 0) {
    }
    ::close(fd);
    static const char note[] = "the failing input is in ./crash-input\n";
    if (::write(2, note, sizeof note - 1) < 0) {
    }
}

extern "C" void onAbort(int) {
    saveCurrent();
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

// Calls the target on a buffer of exactly the input's size, so reading past it is caught.
void run(const Input& input) {
    auto* copy = new uint8_t[input.size() ? input.size() : 1];
    std::copy(input.begin(), input.end(), copy);
    gCurrent = &input;
    LLVMFuzzerTestOneInput(copy, input.size());
    gCurrent = nullptr;
    delete[] copy;
}

void mutate(Input& in, std::mt19937& rng, size_t maxLen) {
    static const uint8_t special[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, '\'', '"', ',', ':', '\\', '\n', '\r', ' ', '?'};
    auto pick = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    const size_t steps = 1 + pick(4);
    for (size_t s = 0; s < steps; ++s) {
        switch (pick(6)) {
        case 0:
            if (!in.empty())
                in[pick(in.size())] ^= static_cast<uint8_t>(1u << pick(8));
            break;
        case 1:
            if (!in.empty())
                in[pick(in.size())] = static_cast<uint8_t>(pick(256));
            break;
        case 2:
            if (in.size() < maxLen)
                in.insert(in.begin() + static_cast<long>(pick(in.size() + 1)), special[pick(sizeof special)]);
            break;
        case 3:
            if (!in.empty())
                in.erase(in.begin() + static_cast<long>(pick(in.size())));
            break;
        case 4: // repeat a piece
            if (!in.empty() && in.size() < maxLen) {
                const size_t from = pick(in.size()), len = std::min(1 + pick(16), in.size() - from);
                const Input piece(in.begin() + static_cast<long>(from), in.begin() + static_cast<long>(from + len));
                in.insert(in.begin() + static_cast<long>(pick(in.size() + 1)), piece.begin(), piece.end());
            }
            break;
        default:
            if (!in.empty())
                in[pick(in.size())] = special[pick(sizeof special)];
            break;
        }
    }
    if (in.size() > maxLen)
        in.resize(maxLen);
}

} // namespace

// AddressSanitizer calls this before it reports an error.
extern "C" void __asan_on_error() { saveCurrent(); }

int main(int argc, char** argv) {
    std::signal(SIGABRT, onAbort);
    long runs = 1000;
    unsigned seed = 1;
    size_t maxLen = 4096;
    std::vector<Input> corpus;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-runs=", 0) == 0)
            runs = std::strtol(arg.c_str() + 6, nullptr, 10);
        else if (arg.rfind("-seed=", 0) == 0)
            seed = static_cast<unsigned>(std::strtoul(arg.c_str() + 6, nullptr, 10));
        else if (arg.rfind("-max_len=", 0) == 0)
            maxLen = std::strtoul(arg.c_str() + 9, nullptr, 10);
        else if (arg.rfind("-", 0) == 0)
            continue;
        else if (std::filesystem::is_regular_file(arg)) {
            std::ifstream f(arg, std::ios::binary);
            corpus.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
            runs = 0; // one input given: run just that
        } else if (std::filesystem::is_directory(arg)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end()); // the same order on every machine
            for (const auto& file : files) {
                std::ifstream f(file, std::ios::binary);
                corpus.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
            }
        }
    }
    if (corpus.empty())
        corpus.emplace_back();
    for (const Input& input : corpus)
        run(input);
    std::mt19937 rng(seed);
    for (long n = 0; n < runs; ++n) {
        Input input = corpus[static_cast<size_t>(n) % corpus.size()];
        mutate(input, rng, maxLen);
        run(input);
        if (n % 4 == 3 && corpus.size() < 256)
            corpus.push_back(std::move(input)); // changes build on changes
    }
    std::printf("Done %ld runs, %zu inputs kept\n", runs, corpus.size());
    return 0;
}

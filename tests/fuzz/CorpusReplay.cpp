// Runs a fuzzer's entry point over every file of its stored corpus, without libFuzzer, so that the
// ordinary test builds (and their sanitizers) replay what fuzzing found: an input that once
// crashed, hung or tripped a bound keeps being tried on every change.
//   <program> DIRECTORY_OR_FILE...
// Exits 1 when a path cannot be read or holds no input, 0 after every input ran (a fault in the
// code under test aborts the process, which the test reports).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool runFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
                if (!entry.is_regular_file()) continue;
                if (!runFile(entry.path())) return 1;
                ++inputs;
            }
        } else {
            if (!runFile(path)) return 1;
            ++inputs;
        }
        if (error) {
            std::fprintf(stderr, "cannot list %s: %s\n", path.c_str(), error.message().c_str());
            return 1;
        }
    }
    std::printf("%zu inputs ran\n", inputs);
    return inputs > 0 ? 0 : 1;
}

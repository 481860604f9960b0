// Runs a fuzz target's entry point once over each input, as libFuzzer runs a corpus without
// fuzzing: every argument is a file or a folder of files (taken in name order). A fault ends the
// process (through a sanitizer or an abort); otherwise the count of inputs run is printed and the
// status is 0, or 1 when there was nothing to run or an input could not be read.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsOf(const fs::path& argument) {
    if (!fs::is_directory(argument)) return {argument};
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(argument))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool run(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("running %s (%zu bytes)\n", file.c_str(), bytes.size());
    std::fflush(stdout);   // the name stays visible when the input ends the process
    // An exact-size copy, so that a read past the input's end meets the sanitizer's red zone.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    LLVMFuzzerTestOneInput(exact.get(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    size_t count = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i)
        for (const fs::path& file : inputsOf(argv[i])) {
            ok = run(file) && ok;
            ++count;
        }
    std::printf("%zu inputs run\n", count);
    return ok && count > 0 ? 0 : 1;
}

// Converts a UTF-8 text file of 100 MB (FLK_BENCH_MB overrides the size) to UTF-16LE and to
// CP1252 and back, and times glibc's iconv tool doing the same conversions in the same run. The
// text has CR LF line ends, so that both produce the same bytes; the outputs are compared. Each
// figure is the best of three runs.
#include "support/bench_clock.hpp"
#include "text/file_conversion.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr size_t kDefaultMegabytes = 100;
constexpr const char* kIconvTool = "iconv";
constexpr int kRounds = 3;

// Lines of 40 to 120 characters, mostly ASCII with the Latin-1 and CP1252 letters of European text.
void writeSample(const std::string& path, size_t bytes) {
    const char* words[] = {"the", "caf\xC3\xA9", "Gr\xC3\xBC\xC3\x9F" "e", "model", "\xE2\x82\xAC" "42",
                           "na\xC3\xAFve", "\xE2\x80\x9Cquoted\xE2\x80\x9D", "data", "\xC3\x85ngstr\xC3\xB6m", "x"};
    std::ofstream out(path, std::ios::binary);
    std::string line;
    size_t written = 0;
    unsigned state = 12345;
    while (written < bytes) {
        line.clear();
        const size_t length = 40 + state % 80;
        while (line.size() < length) {
            state = state * 1103515245 + 12345;
            line += words[(state >> 16) % (sizeof words / sizeof *words)];
            line += ' ';
        }
        line += "\r\n";
        out << line;
        written += line.size();
    }
}

ucsIO::TextFileName nameOf(const std::string& path) { return {std::wstring(path.begin(), path.end()), path}; }

bool sameFile(const std::string& a, const std::string& b) {
    return std::system(("cmp -s '" + a + "' '" + b + "'").c_str()) == 0;
}

struct Step {
    const char* what;
    const char* from;
    const char* to;
    const char* input;
    const char* output;
};

double timeIconvTool(const Step& step, const std::string& in, const std::string& out) {
    const std::string command =
        std::string(kIconvTool) + " -f " + step.from + " -t " + step.to + " '" + in + "' > '" + out + "'";
    flk::bench::Stopwatch clock;
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "%s failed\n", command.c_str());
    return clock.seconds();
}

double timeOurs(const Step& step, const std::string& in, const std::string& out, bool& copied) {
    const std::wstring from(step.from, step.from + std::strlen(step.from));
    const std::wstring to(step.to, step.to + std::strlen(step.to));
    flk::bench::Stopwatch clock;
    copied = ucsIO::convertTextFile(nameOf(in), from, nameOf(out), to, true).copied;
    return clock.seconds();
}

// The machine is shared: each side is timed kRounds times, alternately, and its best time kept.
void run(const std::filesystem::path& dir, const Step& step, double megabytes) {
    const std::string in = (dir / step.input).string();
    const std::string ours = (dir / step.output).string() + ".ours";
    const std::string theirs = (dir / step.output).string();
    double seconds = 1e300;
    double referenceSeconds = 1e300;
    bool copied = true;
    for (int round = 0; round < kRounds; ++round) {
        referenceSeconds = std::min(referenceSeconds, timeIconvTool(step, in, theirs));
        bool copiedNow = false;
        seconds = std::min(seconds, timeOurs(step, in, ours, copiedNow));
        copied = copied && copiedNow;
    }
    std::printf("%-22s ours %7.3f s (%6.0f MB/s)   iconv %7.3f s (%6.0f MB/s)   ratio %5.2f%s\n", step.what, seconds,
                megabytes / seconds, referenceSeconds, megabytes / referenceSeconds, seconds / referenceSeconds,
                copied && sameFile(ours, theirs) ? "" : "   OUTPUTS DIFFER");
}

}  // namespace

int main() {
    const char* sizeText = std::getenv("FLK_BENCH_MB");
    const size_t megabytes = sizeText ? std::strtoul(sizeText, nullptr, 10) : kDefaultMegabytes;
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-encoding-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    const std::filesystem::path dir(pattern);
    writeSample((dir / "utf8").string(), megabytes << 20);
    std::printf("encoding conversion of %zu MB of UTF-8 text (CR LF line ends), file to file, best of %d\n",
                megabytes, kRounds);

    const Step steps[] = {
        {"UTF-8 -> UTF-16LE", "UTF-8", "UTF-16LE", "utf8", "utf16"},
        {"UTF-16LE -> UTF-8", "UTF-16LE", "UTF-8", "utf16", "utf8-from-16"},
        {"UTF-8 -> CP1252", "UTF-8", "CP1252", "utf8", "cp1252"},
        {"CP1252 -> UTF-8", "CP1252", "UTF-8", "cp1252", "utf8-from-1252"},
    };
    for (const Step& step : steps) run(dir, step, static_cast<double>(megabytes));
    std::filesystem::remove_all(dir);
    return 0;
}

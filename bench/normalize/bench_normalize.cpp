// Throughput of NFC and NFD normalization on three texts of about 10 MB, beside ICU's normalizer
// on the same text in the same run: wide strings against ICU's UTF-16 strings, UTF-8 against
// ICU's UTF-8 entry point. For text that is already normalized a plain copy of the same string
// is the reference as well. Figures are MB of UTF-8 text per second, best of several runs. Wide
// strings hold 4 bytes per character (UTF-32), twice what ICU's UTF-16 strings hold, so on ASCII
// text, where both only copy, the wide figures are bounded by writing twice the memory.
#include "text/normalizer.hpp"
#include "text_corpus.hpp"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kTextBytes = 10 * 1000 * 1000;
constexpr int kRuns = 5;
constexpr double kMegabyte = 1e6;

template <class Work>
double bestSeconds(Work&& work) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

struct Text {
    const char* name;
    std::string utf8;
    std::wstring wide;
    icu::UnicodeString utf16;
};

Text makeText(const char* name, std::string utf8) {
    Text text{name, std::move(utf8), {}, icu::UnicodeString::fromUTF8(icu::StringPiece(utf8))};
    text.utf16 = icu::UnicodeString::fromUTF8(icu::StringPiece(text.utf8));
    std::vector<UChar32> codePoints(text.utf16.length() + 1);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t count = text.utf16.toUTF32(codePoints.data(), codePoints.size(), status);
    text.wide.assign(codePoints.begin(), codePoints.begin() + count);
    return text;
}

void printRow(const Text& text, const char* form, const char* what, double ours, const char* reference,
              double theirs) {
    const double megabytes = text.utf8.size() / kMegabyte;
    std::printf("%-16s %-4s %-6s ours %8.1f MB/s   %-10s %8.1f MB/s   time ratio %5.2f\n", text.name, form,
                what, megabytes / ours, reference, megabytes / theirs, ours / theirs);
}

std::size_t sink;  // keeps results alive so that no work is optimised away

void benchForm(const Text& text, const flk::Normalizer& ours, const icu::Normalizer2& icu, const char* form) {
    UErrorCode status = U_ZERO_ERROR;
    std::string oursUtf8, icuUtf8;
    const double oursWide = bestSeconds([&] { sink += ours.normalize(text.wide).size(); });
    const double icuUtf16 = bestSeconds([&] { sink += icu.normalize(text.utf16, status).length(); });
    printRow(text, form, "wide", oursWide, "ICU UTF-16", icuUtf16);

    const double oursUtf8Time = bestSeconds([&] { oursUtf8 = ours.normalize(text.utf8); });
    const double icuUtf8Time = bestSeconds([&] {
        icuUtf8.clear();
        icu::StringByteSink<std::string> out(&icuUtf8);
        icu.normalizeUTF8(0, icu::StringPiece(text.utf8), out, nullptr, status);
    });
    printRow(text, form, "UTF-8", oursUtf8Time, "ICU UTF-8", icuUtf8Time);

    if (oursUtf8 == text.utf8) {  // already normalized: a copy is what it should cost
        const double copyWide = bestSeconds([&] { sink += std::wstring(text.wide).size(); });
        printRow(text, form, "wide", oursWide, "copy", copyWide);
        const double copyUtf8 = bestSeconds([&] { sink += std::string(text.utf8).size(); });
        printRow(text, form, "UTF-8", oursUtf8Time, "copy", copyUtf8);
    }
    if (U_FAILURE(status)) std::printf("  ICU failed: %s\n", u_errorName(status));
    if (oursUtf8 != icuUtf8) std::printf("  RESULTS DIFFER from ICU's for %s %s\n", text.name, form);
}

}  // namespace

int main() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* icuNfc = icu::Normalizer2::getNFCInstance(status);
    const icu::Normalizer2* icuNfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) {
        std::printf("ICU normalizers unavailable: %s\n", u_errorName(status));
        return 1;
    }
    const Text texts[] = {
        makeText("ASCII prose", flk::bench::asciiProse(kTextBytes)),
        makeText("Latin NFD", flk::bench::decomposedLatin(kTextBytes)),
        makeText("Korean", flk::bench::koreanText(kTextBytes)),
    };
    std::printf("Normalization of %.0f MB texts, best of %d runs (time ratio: ours / reference;\n"
                "wide: UTF-32 strings of 4 bytes per character, ICU UTF-16: 2 bytes)\n",
                kTextBytes / kMegabyte, kRuns);
    for (const Text& text : texts) {
        benchForm(text, flk::NormalizeNFC::instance(), *icuNfc, "NFC");
        benchForm(text, flk::NormalizeNFD::instance(), *icuNfd, "NFD");
    }
    return sink == 0 ? 1 : 0;
}

// Conformance with Unicode's NormalizationTest.txt: every line satisfies the NFC and NFD
// invariants of the file's header, in every encoding the normalizer reads, and every code point
// that the file's part 1 does not list is left as it is.
#include "text/normalizer.hpp"
#include "unicode_test_text.hpp"

#include <gtest/gtest.h>
#include <array>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace flk {
namespace {

using testing::describe;
using testing::parseCodePoints;

constexpr char kTestFile[] = FLK_NORMALIZATION_TEST_FILE;
constexpr std::size_t kFailuresShown = 20;
constexpr std::size_t kFaultTextShown = 300;
constexpr char32_t kLastCodePoint = 0x10FFFF;

struct TestLine {
    int number;
    int part;
    std::array<std::u32string, 5> columns;  // c1..c5
};

struct TestFile {
    std::vector<TestLine> lines;
    std::set<char32_t> part1;  // the characters that part 1 lists
};

TestFile loadTestFile() {
    TestFile file;
    std::ifstream in(kTestFile);
    std::string text;
    int part = -1;
    for (int number = 1; std::getline(in, text); ++number) {
        if (text.empty() || text[0] == '#') continue;
        if (text[0] == '@') {
            part = std::stoi(text.substr(5));
            continue;
        }
        TestLine line{number, part, {}};
        std::istringstream fields(text);
        for (auto& column : line.columns) {
            std::string field;
            std::getline(fields, field, ';');
            column = parseCodePoints(field);
        }
        if (part == 1) file.part1.insert(line.columns[0][0]);
        file.lines.push_back(std::move(line));
    }
    return file;
}

const TestFile& testFile() {
    static const TestFile file = loadTestFile();
    return file;
}

// The invariants of the header: normalizing column `from` gives column `to`.
struct Invariant {
    NormalForm form;
    int from;
    int to;
};
constexpr Invariant kInvariants[] = {
    {NormalForm::NFC, 0, 1}, {NormalForm::NFC, 1, 1}, {NormalForm::NFC, 2, 1}, {NormalForm::NFC, 3, 3},
    {NormalForm::NFC, 4, 3}, {NormalForm::NFD, 0, 2}, {NormalForm::NFD, 1, 2}, {NormalForm::NFD, 2, 2},
    {NormalForm::NFD, 3, 4}, {NormalForm::NFD, 4, 4},
};

const Normalizer& normalizerOf(NormalForm form) {
    return *normalizerForForm(static_cast<int>(form));
}

enum class Encoding { Wide, Utf8, Utf16 };

template <class String>
std::string describeUnits(const String& s) {
    std::u32string units;
    for (auto u : s)
        units.push_back(static_cast<char32_t>(static_cast<std::make_unsigned_t<decltype(u)>>(u)));
    return describe(units);
}

// Empty when normalizing input in the encoding gives expected, else a description of the fault.
std::string checkNormalizes(Encoding encoding, NormalForm form, const std::u32string& input,
                            const std::u32string& expected) {
    const Normalizer& normalizer = normalizerOf(form);
    auto compare = [](const auto& got, const auto& want) -> std::string {
        return got == want ? std::string() : "gives " + describeUnits(got);
    };
    switch (encoding) {
        case Encoding::Wide: {
            std::wstring inPlace = testing::toWide(input);
            normalizer.normalizeInPlace(inPlace);
            const std::string fault =
                compare(normalizer.normalize(testing::toWide(input)), testing::toWide(expected));
            return fault.empty() ? compare(inPlace, testing::toWide(expected)) : fault;
        }
        case Encoding::Utf8: {
            std::string inPlace = testing::toUtf8(input);
            normalizer.normalizeInPlace(inPlace);
            const std::string fault =
                compare(normalizer.normalize(testing::toUtf8(input)), testing::toUtf8(expected));
            return fault.empty() ? compare(inPlace, testing::toUtf8(expected)) : fault;
        }
        case Encoding::Utf16:
            return compare(normalizer.normalize(testing::toUtf16(input)), testing::toUtf16(expected));
    }
    return "unknown encoding";
}

class NormalizationConformance : public ::testing::TestWithParam<Encoding> {
protected:
    void SetUp() override {
        if (kTestFile[0] == '\0' || !std::ifstream(kTestFile)) {
            GTEST_SKIP() << "NormalizationTest.txt not found (install the unicode-data package with "
                            "scripts/install-deps)";
        }
        ASSERT_GT(testFile().lines.size(), 10000u) << "cannot read " << kTestFile;
    }
};

TEST_P(NormalizationConformance, EveryLineSatisfiesTheInvariants) {
    std::vector<std::string> failures;
    for (const TestLine& line : testFile().lines) {
        for (const Invariant& inv : kInvariants) {
            const std::string fault =
                checkNormalizes(GetParam(), inv.form, line.columns[inv.from], line.columns[inv.to]);
            if (fault.empty()) continue;
            failures.push_back(
                "line " + std::to_string(line.number) + ": " + (inv.form == NormalForm::NFC ? "NFC" : "NFD") +
                "(c" + std::to_string(inv.from + 1) + " = " + describe(line.columns[inv.from]) + ") " +
                fault + ", expected c" + std::to_string(inv.to + 1) + " = " + describe(line.columns[inv.to]));
        }
    }
    std::string shown;
    for (std::size_t i = 0; i < failures.size() && i < kFailuresShown; ++i) {
        shown += failures[i] + "\n";
    }
    EXPECT_TRUE(failures.empty()) << failures.size() << " failures, the first:\n" << shown;
}

TEST_P(NormalizationConformance, CodePointsNotInPart1AreUnchanged) {
    const auto& part1 = testFile().part1;
    std::vector<char32_t> changed;
    for (char32_t c = 0; c <= kLastCodePoint; ++c) {
        if (part1.count(c)) continue;
        const bool surrogate = c >= 0xD800 && c < 0xE000;
        if (surrogate && GetParam() != Encoding::Wide) continue;  // not encodable there
        const std::u32string text(1, c);
        if (!checkNormalizes(GetParam(), NormalForm::NFC, text, text).empty() ||
            !checkNormalizes(GetParam(), NormalForm::NFD, text, text).empty()) {
            changed.push_back(c);
        }
    }
    EXPECT_TRUE(changed.empty())
        << changed.size() << " changed, the first: "
        << describe(std::u32string(changed.begin(),
                                   changed.begin() + std::min<std::size_t>(changed.size(), kFailuresShown)));
}

// All lines in one text, separated by blanks (which neither combine nor reorder with anything),
// normalize to the expected columns in one text: segments, quick checks and copying must work
// across a long text as they do for one line.
TEST_P(NormalizationConformance, AllLinesInOneTextNormalizeAsEachLine) {
    for (const Invariant& inv : kInvariants) {
        std::u32string input, expected;
        for (const TestLine& line : testFile().lines) {
            input += line.columns[inv.from] + U" ";
            expected += line.columns[inv.to] + U" ";
        }
        const std::string fault = checkNormalizes(GetParam(), inv.form, input, expected);
        EXPECT_TRUE(fault.empty()) << (inv.form == NormalForm::NFC ? "NFC" : "NFD") << " of all c"
                                   << inv.from + 1 << " " << fault.substr(0, kFaultTextShown);
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, NormalizationConformance,
                         ::testing::Values(Encoding::Wide, Encoding::Utf8, Encoding::Utf16),
                         [](const auto& param) {
                             switch (param.param) {
                                 case Encoding::Wide:
                                     return std::string("Wide");
                                 case Encoding::Utf8:
                                     return std::string("Utf8");
                                 case Encoding::Utf16:
                                     return std::string("Utf16");
                             }
                             return std::string("Unknown");
                         });

}  // namespace
}  // namespace flk

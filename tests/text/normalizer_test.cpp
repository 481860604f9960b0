// Cases of normalization that the conformance file does not show: ill-formed input, long runs of
// marks, texts where the quick check fails far from the start, and the selection of forms.
#include "text/normalization_tables.hpp"
#include "text/normalizer.hpp"

#include <gtest/gtest.h>
#include <string>

namespace flk {
namespace {

const Normalizer& nfc() {
    return NormalizeNFC::instance();
}
const Normalizer& nfd() {
    return NormalizeNFD::instance();
}

struct WideCase {
    const char* what;
    std::wstring input;
    std::wstring nfc;
    std::wstring nfd;
};

const WideCase kWideCases[] = {
    {"acute accent", L"e\u0301", L"\u00E9", L"e\u0301"},
    {"precomposed acute", L"\u00E9", L"\u00E9", L"e\u0301"},
    {"dot above and dot below reorder", L"q\u0307\u0323", L"q\u0323\u0307", L"q\u0323\u0307"},
    {"Hangul LV", L"\uAC00", L"\uAC00", L"\u1100\u1161"},
    {"Hangul LVT", L"\uD55C", L"\uD55C", L"\u1112\u1161\u11AB"},
    {"Hangul jamo compose", L"\u1112\u1161\u11AB", L"\uD55C", L"\u1112\u1161\u11AB"},
    {"Hangul LV plus T", L"\uAC00\u11A8", L"\uAC01", L"\u1100\u1161\u11A8"},
    {"Hangul LV plus TBase is no syllable", L"\uAC00\u11A7", L"\uAC00\u11A7", L"\u1100\u1161\u11A7"},
    {"blocked by a mark of the same class", L"a\u0305\u0301", L"a\u0305\u0301", L"a\u0305\u0301"},
    {"not blocked by a lower class", L"a\u0316\u0301", L"\u00E1\u0316", L"a\u0316\u0301"},
    {"second composition after the first", L"a\u0302\u0301", L"\u1EA5", L"a\u0302\u0301"},
    {"composition exclusion", L"\u0958", L"\u0915\u093C", L"\u0915\u093C"},
    {"singleton", L"\u212B", L"\u00C5", L"A\u030A"},
    {"non-starter decomposition", L"\u0F73", L"\u0F71\u0F72", L"\u0F71\u0F72"},
    {"supplementary composite", L"\U00011099\U000110BA", L"\U0001109A", L"\U00011099\U000110BA"},
    {"mark at the start", L"\u0301e", L"\u0301e", L"\u0301e"},
    {"quick check fails after a long prefix", std::wstring(300, L'x') + L"e\u0301" + std::wstring(300, L'y'),
     std::wstring(300, L'x') + L"\u00E9" + std::wstring(300, L'y'),
     std::wstring(300, L'x') + L"e\u0301" + std::wstring(300, L'y')},
    {"many marks on one starter", L"\u1E0B\u0323\u0307\u0301\u0316", L"\u1E0D\u0316\u0307\u0307\u0301",
     L"d\u0323\u0316\u0307\u0307\u0301"},
    {"unpaired surrogate between letter and mark", L"e\xD800\u0301", L"e\xD800\u0301", L"e\xD800\u0301"},
    {"surrogate before a precomposed letter", L"\xDC00\u00E9", L"\xDC00\u00E9",
     L"\xDC00"
     L"e\u0301"},
    {"values beyond the code points", std::wstring{L'e', wchar_t(0x110000), L'\u0301', wchar_t(-1)},
     std::wstring{L'e', wchar_t(0x110000), L'\u0301', wchar_t(-1)},
     std::wstring{L'e', wchar_t(0x110000), L'\u0301', wchar_t(-1)}},
    {"empty", L"", L"", L""},
};

TEST(Normalizer, WideCases) {
    for (const WideCase& c : kWideCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(nfc().normalize(c.input), c.nfc);
        EXPECT_EQ(nfd().normalize(c.input), c.nfd);
        std::wstring inPlace = c.input;
        nfc().normalizeInPlace(inPlace);
        EXPECT_EQ(inPlace, c.nfc);
    }
}

TEST(Normalizer, Utf16UnpairedSurrogatesStayAsTheyAre) {
    EXPECT_EQ(nfc().normalize(u"e\xD800\u0301"), u"e\xD800\u0301");
    EXPECT_EQ(nfd().normalize(u"\xDC00\xD800\u00E9"),
              u"\xDC00\xD800"
              u"e\u0301");
    EXPECT_EQ(nfc().normalize(u"e\u0301\xD800"), u"\u00E9\xD800");
    // A pair is one character: U+1D15E decomposes and is excluded from composition.
    EXPECT_EQ(nfc().normalize(u"\U0001D15E"), u"\U0001D157\U0001D165");
}

TEST(Normalizer, IllFormedUtf8StaysAsItIs) {
    struct Case {
        std::string input, nfc;
    };
    const Case cases[] = {
        {"e\xCC", "e\xCC"},  // truncated U+0301
        {"\xFF"
         "e\xCC\x81",
         "\xFF\xC3\xA9"},                                  // a stray byte before a composable pair
        {"\xC0\xAF\xCC\x81", "\xC0\xAF\xCC\x81"},          // overlong, then a mark
        {"\xED\xA0\x80\xCC\x81", "\xED\xA0\x80\xCC\x81"},  // encoded surrogate, then a mark
        {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},          // above U+10FFFF
        {"e\xCC\x81\x80", "\xC3\xA9\x80"},                 // stray continuation byte after the pair
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nfc().normalize(c.input), c.nfc) << "input bytes " << c.input.size();
    }
}

TEST(Normalizer, LongRunOfMarksIsOrderedStably) {
    constexpr int kPairs = 5000;
    std::wstring input = L"a";
    for (int i = 0; i < kPairs; ++i) input += L"\u0301\u0316";
    const std::wstring nfdExpected = L"a" + std::wstring(kPairs, L'\u0316') + std::wstring(kPairs, L'\u0301');
    EXPECT_EQ(nfd().normalize(input), nfdExpected);
    const std::wstring nfcExpected =
        L"\u00E1" + std::wstring(kPairs, L'\u0316') + std::wstring(kPairs - 1, L'\u0301');
    EXPECT_EQ(nfc().normalize(input), nfcExpected);
}

TEST(Normalizer, InPlaceReportsWhetherItRewrote) {
    std::wstring normalized = L"plain text \u00E9";
    EXPECT_FALSE(nfc().normalizeInPlace(normalized));
    EXPECT_EQ(normalized, L"plain text \u00E9");
    EXPECT_TRUE(nfd().normalizeInPlace(normalized));
    EXPECT_EQ(normalized, L"plain text e\u0301");

    std::string utf8 = "caf\xC3\xA9";
    EXPECT_TRUE(nfd().normalizeInPlace(utf8));
    EXPECT_EQ(utf8, "cafe\xCC\x81");
    EXPECT_FALSE(nfd().normalizeInPlace(utf8));
}

TEST(Normalizer, SelectionByNumberAndName) {
    EXPECT_EQ(normalizerForForm(1), &nfc());
    EXPECT_EQ(normalizerForForm(2), &nfd());
    EXPECT_EQ(normalizerForForm(0), nullptr);
    EXPECT_EQ(normalizerForForm(3), nullptr);
    EXPECT_EQ(normalizerForName("nfc"), &nfc());
    EXPECT_EQ(normalizerForName("nfd"), &nfd());
    EXPECT_EQ(normalizerForName("NFC"), nullptr);
    EXPECT_EQ(normalizerForName("nfkc"), nullptr);
    EXPECT_EQ(normalizerForName(""), nullptr);
}

// The quick path skips table lookups below these code points; the data must agree with that.
TEST(NormalizationTables, QuickLimitsHoldForTheData) {
    using namespace unicode;
    for (std::uint32_t c = 0; c < 0x300; ++c) {
        const NormRecord& r = normRecord(c);
        EXPECT_EQ(r.ccc, 0) << c;
        EXPECT_EQ(r.flags & (kFlagNfcNo | kFlagNfcMaybe), 0) << c;
        EXPECT_NE(r.flags & kFlagNfcBoundary, 0) << c;
        if (c < 0xC0) {
            EXPECT_EQ(r.flags & kFlagNfdNo, 0) << c;
            EXPECT_NE(r.flags & kFlagNfdBoundary, 0) << c;
        }
    }
    EXPECT_NE(normRecord(0xC0).flags & kFlagNfdNo, 0);
    EXPECT_EQ(normRecord(0x300).ccc, 230);
}

}  // namespace
}  // namespace flk

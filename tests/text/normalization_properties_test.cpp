// Properties that hold for every text, checked on random texts made of the characters that
// exercise composition, reordering, Hangul, exclusions and ill-formed input: each form is
// idempotent, each form of the other form's result is the form of the text, every encoding
// gives the same result, and the chunked copy agrees with normalization in place.
#include "text/normalizer.hpp"
#include "unicode_test_text.hpp"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace flk {
namespace {

constexpr int kTexts = 20000;
constexpr int kMaxLength = 24;
constexpr std::size_t kLongTextChars = 200000;  // several copy chunks

const char32_t kAlphabet[] = {
    U'a',          U'e',          U'A',          U' ',      U'\u00E9', U'\u1E0B', U'\u0301', U'\u0308',
    U'\u0323',     U'\u0307',     U'\u0316',     U'\u0305', U'\u0344', U'\u0F73', U'\u0958', U'\u1100',
    U'\u1161',     U'\u11A8',     U'\uAC00',     U'\uD55C', U'\u0CC6', U'\u0CD5', U'\u0CC2', U'\u212B',
    U'\U0001D15E', U'\U00011099', U'\U000110BA', U'\u0DD9', U'\u0DCF', U'\u0DCA', U'\u3099', U'\u304B'};

std::u32string randomText(std::mt19937& random, int length) {
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kAlphabet) - 1);
    std::u32string text;
    for (int i = 0; i < length; ++i) text += kAlphabet[pick(random)];
    return text;
}

const Normalizer& nfc() {
    return NormalizeNFC::instance();
}
const Normalizer& nfd() {
    return NormalizeNFD::instance();
}

TEST(NormalizationProperties, HoldForRandomTexts) {
    std::mt19937 random(4242);
    std::uniform_int_distribution<int> length(0, kMaxLength);
    for (int i = 0; i < kTexts; ++i) {
        const std::u32string text = randomText(random, length(random));
        const std::wstring wide = testing::toWide(text);
        const std::wstring composed = nfc().normalize(wide);
        const std::wstring decomposed = nfd().normalize(wide);
        SCOPED_TRACE(testing::describe(text));
        ASSERT_EQ(nfc().normalize(composed), composed);
        ASSERT_EQ(nfd().normalize(decomposed), decomposed);
        ASSERT_EQ(nfd().normalize(composed), decomposed);
        ASSERT_EQ(nfc().normalize(decomposed), composed);
        const std::u32string composed32(composed.begin(), composed.end());
        ASSERT_EQ(nfc().normalize(testing::toUtf8(text)), testing::toUtf8(composed32));
        ASSERT_EQ(nfc().normalize(testing::toUtf16(text)), testing::toUtf16(composed32));
    }
}

TEST(NormalizationProperties, ChunkedCopyAgreesWithNormalizingInPlace) {
    std::mt19937 random(777);
    std::u32string text;
    while (text.size() < kLongTextChars) text += randomText(random, kMaxLength);
    for (const Normalizer* normalizer : {&nfc(), &nfd()}) {
        std::wstring inPlace = testing::toWide(text);
        normalizer->normalizeInPlace(inPlace);
        EXPECT_EQ(normalizer->normalize(testing::toWide(text)), inPlace);
        std::string utf8 = testing::toUtf8(text);
        const std::string copied = normalizer->normalize(utf8);
        normalizer->normalizeInPlace(utf8);
        EXPECT_EQ(copied, utf8);
    }
}

}  // namespace
}  // namespace flk

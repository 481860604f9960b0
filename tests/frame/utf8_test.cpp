#include "frame/utf8.hpp"

#include <gtest/gtest.h>

namespace flk {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
    std::wstring text = L"A\u00e9\u4e2d\U0001F600z";
    EXPECT_EQ(toUtf8(text), "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z");
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(utf8Length(toUtf8(text)), text.size());
}

TEST(Utf8, InvalidInputBecomesReplacementCharacters) {
    struct Case {
        const char* what;
        std::string input;
        std::wstring expected;
    } cases[] = {
        {"lone continuation byte", "a\x80z", L"a\uFFFDz"},
        {"truncated sequence", "a\xE4\xB8", L"a\uFFFD\uFFFD"},
        {"overlong slash", "\xC0\xAF", L"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fromUtf8(c.input), c.expected) << c.what;
        EXPECT_EQ(utf8Length(c.input), c.expected.size()) << c.what;
    }
    EXPECT_EQ(toUtf8(std::wstring(1, wchar_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Utf8, DecodingIntoABufferCutsAtItsCapacity) {
    wchar_t buffer[3];
    EXPECT_EQ(decodeUtf8Into("\xC3\xA9t\xC3\xA9s", buffer, 3), 3u);
    EXPECT_EQ(std::wstring(buffer, 3), L"\u00e9t\u00e9");
    wchar_t guarded[5] = {L'#', L'#', L'#', L'#', L'#'};
    EXPECT_EQ(decodeUtf8Into("ascii run", guarded, 4), 4u);
    EXPECT_EQ(std::wstring(guarded, 5), L"asci#");
}

// ASCII is widened eight bytes at a time, and narrowed in blocks: a character beyond ASCII at any
// place of a word or block, and a capacity that ends anywhere in one, must give the characters a
// character-by-character conversion gives.
TEST(Utf8, LongAsciiRunsWidenWhereverTheyEnd) {
    const std::string ascii = "abcdefghijklmnopqrstu";
    for (size_t at = 0; at <= ascii.size(); ++at) {
        const std::string text = ascii.substr(0, at) + "\xC3\xA9" + ascii.substr(at);
        const std::wstring wide = fromUtf8(ascii.substr(0, at)) + L"\u00e9" + fromUtf8(ascii.substr(at));
        ASSERT_EQ(wide.size(), ascii.size() + 1);
        EXPECT_EQ(fromUtf8(text), wide) << at;
        EXPECT_EQ(toUtf8(wide + std::wstring(70, L'x')), text + std::string(70, 'x')) << at;   // beyond a block
        for (size_t capacity = 0; capacity <= wide.size(); ++capacity) {
            std::wstring out(capacity + 1, L'#');
            ASSERT_EQ(decodeUtf8Into(text, out.data(), capacity), capacity) << at << " " << capacity;
            EXPECT_EQ(out, wide.substr(0, capacity) + L"#") << at << " " << capacity;
        }
    }
}

}  // namespace
}  // namespace flk

#include "unicode_test_text.hpp"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace flk::testing {

std::u32string parseCodePoints(std::string_view hexList) {
    std::u32string text;
    std::istringstream in{std::string(hexList)};
    std::string item;
    while (in >> item) text.push_back(static_cast<char32_t>(std::stoul(item, nullptr, 16)));
    return text;
}

std::string describe(std::u32string_view text) {
    std::string out;
    char buffer[16];
    for (const char32_t c : text) {
        std::snprintf(buffer, sizeof buffer, "%s%04X", out.empty() ? "" : " ", static_cast<unsigned>(c));
        out += buffer;
    }
    return out;
}

std::wstring toWide(std::u32string_view text) {
    static_assert(sizeof(wchar_t) == 4, "the tests assume UTF-32 wide characters");
    return std::wstring(text.begin(), text.end());
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    for (const char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string toUtf16(std::u32string_view text) {
    std::u16string out;
    for (const char32_t c : text) {
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

}  // namespace flk::testing

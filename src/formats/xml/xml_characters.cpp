#include "formats/xml/xml_characters.hpp"

#include <cstdio>
#include <cstring>
#include <string>

namespace flk {
namespace {

constexpr std::uint32_t kReplacementLimit = 0xFFFE;   // U+FFFE and U+FFFF are no characters

// The length of the well-formed UTF-8 sequence at p (no overlong forms, no surrogates, nothing
// above U+10FFFF), 0 when there is none; c receives its code point.
int sequenceAt(const unsigned char* p, const unsigned char* end, std::uint32_t& c) {
    unsigned char b = *p;
    auto continuation = [&](int i, unsigned char low, unsigned char high) {
        return p + i < end && p[i] >= low && p[i] <= high;
    };
    if (b < 0x80) return c = b, 1;
    if (b >= 0xC2 && b <= 0xDF) {
        if (!continuation(1, 0x80, 0xBF)) return 0;
        return c = (b & 0x1Fu) << 6 | (p[1] & 0x3Fu), 2;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        if (!continuation(1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) || !continuation(2, 0x80, 0xBF)) return 0;
        return c = (b & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu), 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (!continuation(1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) || !continuation(2, 0x80, 0xBF) ||
            !continuation(3, 0x80, 0xBF))
            return 0;
        return c = (b & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu), 4;
    }
    return 0;
}

bool inRanges(std::uint32_t c, const std::uint32_t (*ranges)[2], size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (c >= ranges[i][0] && c <= ranges[i][1]) return true;
    return false;
}

bool isNameStart(std::uint32_t c) {
    static const std::uint32_t kRanges[][2] = {
        {'A', 'Z'}, {'a', 'z'}, {'_', '_'}, {':', ':'}, {0xC0, 0xD6}, {0xD8, 0xF6}, {0xF8, 0x2FF},
        {0x370, 0x37D}, {0x37F, 0x1FFF}, {0x200C, 0x200D}, {0x2070, 0x218F}, {0x2C00, 0x2FEF},
        {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF}};
    return inRanges(c, kRanges, sizeof kRanges / sizeof kRanges[0]);
}

bool isNameCharacter(std::uint32_t c) {
    static const std::uint32_t kRanges[][2] = {{'-', '.'}, {'0', '9'}, {0xB7, 0xB7}, {0x300, 0x36F}, {0x203F, 0x2040}};
    return isNameStart(c) || inRanges(c, kRanges, sizeof kRanges / sizeof kRanges[0]);
}

// Eight bytes at once: whether any is at or above 0x80 or below 0x20 (tab, line ends and the
// other controls), the only bytes that need a closer look.
bool plainWord(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    constexpr std::uint64_t kHigh = 0x8080808080808080ull, kSpace = 0x2020202020202020ull;
    return ((w | ((w - kSpace) & ~w)) & kHigh) == 0;
}

}  // namespace

bool isXmlCharacter(std::uint32_t c) {
    if (c < 0x20) return c == '\t' || c == '\n' || c == '\r';
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return c < kReplacementLimit || (c > 0xFFFF && c <= 0x10FFFF);
}

bool isXmlName(std::string_view name) {
    auto p = reinterpret_cast<const unsigned char*>(name.data());
    auto end = p + name.size();
    bool first = true;
    while (p < end) {
        std::uint32_t c = 0;
        int length = sequenceAt(p, end, c);
        if (length == 0 || !(first ? isNameStart(c) : isNameCharacter(c))) return false;
        p += length;
        first = false;
    }
    return !first;
}

size_t findInvalidText(std::string_view text, long& character) {
    auto begin = reinterpret_cast<const unsigned char*>(text.data());
    auto p = begin, end = begin + text.size();
    while (p < end) {
        if (end - p >= 8 && plainWord(p)) {
            p += 8;
            continue;
        }
        std::uint32_t c = 0;
        int length = sequenceAt(p, end, c);
        if (length == 0 || !isXmlCharacter(c)) {
            character = length == 0 ? -1 : long(c);
            return size_t(p - begin);
        }
        p += length;
    }
    return std::string_view::npos;
}

std::string characterName(long character) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04lX", character);
    return name;
}

}  // namespace flk

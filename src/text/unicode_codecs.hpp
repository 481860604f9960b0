// Decoding and encoding of UTF-8, UTF-16 and UTF-32 for the normalizer. Invalid input is not
// repaired: every code unit that does not belong to a well-formed character decodes to a value
// of its own and encodes back to exactly the same unit, so normalization leaves it, and its
// neighbours, as they were.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace flk::unicode {

constexpr std::uint32_t kMaxBmp = 0xFFFF;
constexpr std::uint32_t kHighSurrogateFirst = 0xD800;
constexpr std::uint32_t kLowSurrogateFirst = 0xDC00;
constexpr std::uint32_t kSurrogateEnd = 0xE000;
constexpr std::uint32_t kSupplementaryFirst = 0x10000;
constexpr std::uint32_t kCodePointEnd = 0x110000;

// A byte of ill-formed UTF-8 decodes to kOpaqueByteBase + byte: above every code point, so the
// tables treat it as an inert starter.
constexpr std::uint32_t kOpaqueByteBase = kCodePointEnd;

struct Utf8Codec {
    using Unit = char;
    using String = std::string;
    static constexpr std::uint32_t kSingleUnitLimit = 0x80;  // units below it are whole characters

    static std::uint32_t decode(const char*& p, const char* end) {
        const auto b0 = static_cast<unsigned char>(*p);
        if (b0 < 0x80) {
            ++p;
            return b0;
        }
        const int length = sequenceLength(p, end);
        if (length == 0) {
            ++p;
            return kOpaqueByteBase + b0;
        }
        std::uint32_t c = b0 & (0x7F >> length);
        for (int i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(p[i]) & 0x3F);
        p += length;
        return c;
    }

    static void encode(std::uint32_t c, std::string& out) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < kSupplementaryFirst) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < kCodePointEnd) {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(c - kOpaqueByteBase));
        }
    }

private:
    static bool inRange(const char* p, unsigned char low, unsigned char high) {
        const auto b = static_cast<unsigned char>(*p);
        return b >= low && b <= high;
    }

    // Length of the well-formed sequence at p (Unicode's table of well-formed byte sequences:
    // no overlong forms, no surrogates, nothing above U+10FFFF), or 0.
    static int sequenceLength(const char* p, const char* end) {
        const auto b0 = static_cast<unsigned char>(*p);
        const auto available = end - p;
        if (b0 >= 0xC2 && b0 <= 0xDF) return available >= 2 && inRange(p + 1, 0x80, 0xBF) ? 2 : 0;
        if (b0 >= 0xE0 && b0 <= 0xEF) {
            if (available < 3) return 0;
            const unsigned char low = b0 == 0xE0 ? 0xA0 : 0x80;
            const unsigned char high = b0 == 0xED ? 0x9F : 0xBF;
            return inRange(p + 1, low, high) && inRange(p + 2, 0x80, 0xBF) ? 3 : 0;
        }
        if (b0 >= 0xF0 && b0 <= 0xF4) {
            if (available < 4) return 0;
            const unsigned char low = b0 == 0xF0 ? 0x90 : 0x80;
            const unsigned char high = b0 == 0xF4 ? 0x8F : 0xBF;
            const bool valid = inRange(p + 1, low, high) && inRange(p + 2, 0x80, 0xBF) && inRange(p + 3, 0x80, 0xBF);
            return valid ? 4 : 0;
        }
        return 0;
    }
};

// UTF-16 in 16-bit units; an unpaired surrogate decodes to its own value.
template <class UnitType>
struct Utf16Codec {
    using Unit = UnitType;
    using String = std::basic_string<UnitType>;
    static constexpr std::uint32_t kSingleUnitLimit = kHighSurrogateFirst;

    static std::uint32_t decode(const Unit*& p, const Unit* end) {
        const std::uint32_t u = static_cast<std::uint16_t>(*p++);
        if (u < kHighSurrogateFirst || u >= kLowSurrogateFirst || p == end) return u;
        const std::uint32_t low = static_cast<std::uint16_t>(*p);
        if (low < kLowSurrogateFirst || low >= kSurrogateEnd) return u;
        ++p;
        return kSupplementaryFirst + ((u - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst);
    }

    static void encode(std::uint32_t c, String& out) {
        if (c < kSupplementaryFirst) {
            out.push_back(static_cast<Unit>(c));
            return;
        }
        c -= kSupplementaryFirst;
        out.push_back(static_cast<Unit>(kHighSurrogateFirst + (c >> 10)));
        out.push_back(static_cast<Unit>(kLowSurrogateFirst + (c & 0x3FF)));
    }
};

// UTF-32 in 32-bit units; any value, code point or not, passes as it is.
template <class UnitType>
struct Utf32Codec {
    using Unit = UnitType;
    using String = std::basic_string<UnitType>;
    static constexpr std::uint32_t kSingleUnitLimit = 0xFFFFFFFF;

    static std::uint32_t decode(const Unit*& p, const Unit*) { return static_cast<std::uint32_t>(*p++); }
    static void encode(std::uint32_t c, String& out) { out.push_back(static_cast<Unit>(c)); }
};

// The platform's wide characters: UTF-32 where wchar_t has 32 bits, UTF-16 where it has 16.
using WideCodec = std::conditional_t<sizeof(wchar_t) == 4, Utf32Codec<wchar_t>, Utf16Codec<wchar_t>>;

}  // namespace flk::unicode

#include "frame/utf8.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace flk {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isScalar(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

// Decodes one sequence at s[i]; returns its length, or 0 when it is not valid UTF-8.
size_t decode(std::string_view s, size_t i, char32_t& c) {
    auto b = static_cast<unsigned char>(s[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; ++k) {
        auto cb = static_cast<unsigned char>(s[i + k]);
        if ((cb & 0xC0) != 0x80) return 0;
        c = (c << 6) | (cb & 0x3F);
    }
    static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    return c >= kShortest[len] && isScalar(c) ? len : 0;
}

// Widens the run of ASCII bytes that starts at s[i] into out, at most `room` of them, and returns
// how many it took. Eight bytes are tested at once, and widened in a loop the compiler turns into
// a few vector instructions: names and values are mostly ASCII throughout.
size_t widenAscii(std::string_view s, size_t i, wchar_t* out, size_t room) {
    constexpr uint64_t kHighBits = 0x8080808080808080ull;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(s.data()) + i;
    const size_t most = std::min(room, s.size() - i);
    size_t n = 0;
    for (uint64_t word; n + 8 <= most; n += 8) {
        std::memcpy(&word, in + n, sizeof word);
        if (word & kHighBits) break;
        for (size_t k = 0; k < 8; ++k) out[n + k] = static_cast<wchar_t>(in[n + k]);
    }
    for (; n < most && in[n] < 0x80; ++n) out[n] = static_cast<wchar_t>(in[n]);
    return n;
}

}  // namespace

// Runs of ASCII, which most texts are whole, are narrowed into a small buffer and appended from
// it a block at a time.
void appendUtf8(std::string& out, std::wstring_view text) {
    out.reserve(out.size() + text.size());
    char ascii[64];
    for (size_t i = 0; i < text.size();) {
        size_t n = 0;
        for (; n < sizeof ascii && i < text.size() && static_cast<char32_t>(text[i]) < 0x80; ++i, ++n)
            ascii[n] = static_cast<char>(text[i]);
        if (n > 0) {
            out.append(ascii, n);
            continue;
        }
        auto c = static_cast<char32_t>(text[i++]);
        if (!isScalar(c)) c = kReplacement;
        if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Every character takes at least one byte (an invalid byte becomes one replacement character),
// so the bytes' count is room enough.
void appendWide(std::wstring& out, std::string_view s) {
    const size_t start = out.size();
    out.resize(start + s.size());
    out.resize(start + decodeUtf8Into(s, out.data() + start, s.size()));
}

size_t decodeUtf8Into(std::string_view s, wchar_t* out, size_t capacity) {
    size_t n = 0;
    for (size_t i = 0; i < s.size() && n < capacity;) {
        const size_t run = widenAscii(s, i, out + n, capacity - n);
        i += run;
        n += run;
        if (i == s.size() || n == capacity) break;
        char32_t c;
        size_t len = decode(s, i, c);
        out[n++] = static_cast<wchar_t>(len ? c : kReplacement);
        i += len ? len : 1;
    }
    return n;
}

size_t utf8Length(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n) {
        char32_t c;
        size_t len = static_cast<unsigned char>(s[i]) < 0x80 ? 1 : decode(s, i, c);
        i += len ? len : 1;
    }
    return n;
}

std::string visibleText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\0') out += "\\u0000";
        else out += c;
    }
    return out;
}

std::string toUtf8(std::wstring_view text) {
    std::string out;
    appendUtf8(out, text);
    return out;
}

std::wstring fromUtf8(std::string_view utf8) {
    std::wstring out;
    appendWide(out, utf8);
    return out;
}

}  // namespace flk

#include "text/base64.hpp"

namespace flk {
namespace {

constexpr char kStandard[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUrl[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

const char* letters(Base64 alphabet) { return alphabet == Base64::Url ? kUrl : kStandard; }

int valueOf(unsigned char c, Base64 alphabet) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == letters(alphabet)[62]) return 62;
    if (c == letters(alphabet)[63]) return 63;
    return -1;
}

}  // namespace

std::string base64Encode(std::string_view bytes, Base64 alphabet) {
    const char* digits = letters(alphabet);
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        unsigned n = unsigned((unsigned char)bytes[i]) << 16 | unsigned((unsigned char)bytes[i + 1]) << 8 |
                     (unsigned char)bytes[i + 2];
        for (int shift : {18, 12, 6, 0}) out += digits[(n >> shift) & 63];
    }
    size_t rest = bytes.size() - i;
    if (rest == 0) return out;
    unsigned n = unsigned((unsigned char)bytes[i]) << 16;
    if (rest == 2) n |= unsigned((unsigned char)bytes[i + 1]) << 8;
    out += digits[(n >> 18) & 63];
    out += digits[(n >> 12) & 63];
    if (rest == 2) out += digits[(n >> 6) & 63];
    if (alphabet == Base64::Standard) out.append(rest == 2 ? "=" : "==");
    return out;
}

size_t base64Decode(std::string_view text, std::string& bytes, Base64 alphabet) {
    bytes.clear();
    unsigned group = 0;
    int count = 0;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        int v = valueOf((unsigned char)text[i], alphabet);
        if (v < 0) break;
        group = group << 6 | unsigned(v);
        if (++count == 4) {
            bytes += char(group >> 16);
            bytes += char(group >> 8);
            bytes += char(group);
            group = 0;
            count = 0;
        }
    }
    if (count == 2) bytes += char(group >> 4);
    if (count == 3) {
        bytes += char(group >> 10);
        bytes += char(group >> 2);
    }
    return text.size() - i;
}

}  // namespace flk

#include "mapping/base64.hpp"

namespace flk {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kMaxUnread = 2;

int valueOf(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string base64Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        unsigned n = unsigned((unsigned char)bytes[i]) << 16 | unsigned((unsigned char)bytes[i + 1]) << 8 |
                     (unsigned char)bytes[i + 2];
        for (int shift : {18, 12, 6, 0}) out += kAlphabet[(n >> shift) & 63];
    }
    size_t rest = bytes.size() - i;
    if (rest == 0) return out;
    unsigned n = unsigned((unsigned char)bytes[i]) << 16;
    if (rest == 2) n |= unsigned((unsigned char)bytes[i + 1]) << 8;
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    out += '=';
    return out;
}

bool base64Decode(std::string_view text, std::string& bytes) {
    bytes.clear();
    unsigned group = 0;
    int count = 0;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        int v = valueOf((unsigned char)text[i]);
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
    if (text.size() - i > kMaxUnread) return false;
    if (count == 2) bytes += char(group >> 4);
    if (count == 3) {
        bytes += char(group >> 10);
        bytes += char(group >> 2);
    }
    return true;
}

}  // namespace flk

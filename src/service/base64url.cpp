#include "service/base64url.hpp"

#include <cstdint>

namespace flk::service {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

int sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-') return 62;
    if (c == '_') return 63;
    return -1;
}

}  // namespace

std::string base64UrlEncode(std::string_view bytes) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (unsigned char b : bytes) {
        bits = (bits << 8) | b;
        count += 8;
        while (count >= 6) out += kAlphabet[(bits >> (count -= 6)) & 0x3f];
    }
    if (count > 0) out += kAlphabet[(bits << (6 - count)) & 0x3f];
    return out;
}

std::string base64UrlDecode(std::string_view text) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        int v = sextet(c);
        if (v < 0) break;
        bits = (bits << 6) | uint32_t(v);
        count += 6;
        if (count >= 8) out += char((bits >> (count -= 8)) & 0xff);
    }
    return out;
}

}  // namespace flk::service

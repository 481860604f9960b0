#include "service/random_ids.hpp"

#include <openssl/rand.h>

#include <stdexcept>

namespace flk::service {

std::string randomBytes(size_t n) {
    std::string bytes(n, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), int(n)) != 1)
        throw std::runtime_error("the system's random source failed");
    return bytes;
}

std::string randomUuid() {
    std::string b = randomBytes(16);
    b[6] = char((b[6] & 0x0f) | 0x40);   // version 4
    b[8] = char((b[8] & 0x3f) | 0x80);   // the RFC 4122 variant
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
        out += kHex[(static_cast<unsigned char>(b[i]) >> 4) & 0xf];
        out += kHex[static_cast<unsigned char>(b[i]) & 0xf];
    }
    return out;
}

}  // namespace flk::service

#include "formats/csv/csv_text_check.hpp"

#include <cstdint>
#include <cstring>

namespace flk {

// Skips whole words of ASCII bytes without a NUL among them: most of a table is such text.
size_t CsvTextCheck::checkAscii(const char* bytes, size_t at, size_t size) const {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    while (at + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        if ((word & kHighs) || ((word - kOnes) & ~word & kHighs)) break;
        at += 8;
    }
    return at;
}

// Starts a character of two to four bytes, with the range of its second byte that keeps it the
// shortest form of a scalar value; false for a byte that starts none.
bool CsvTextCheck::lead(unsigned char byte) {
    lead_ = byte;
    low_ = 0x80;
    high_ = 0xBF;
    if (byte >= 0xC2 && byte <= 0xDF) {
        need_ = 1;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        need_ = 2;
        if (byte == 0xE0) low_ = 0xA0;
        if (byte == 0xED) high_ = 0x9F;   // no surrogates
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        need_ = 3;
        if (byte == 0xF0) low_ = 0x90;
        if (byte == 0xF4) high_ = 0x8F;   // nothing beyond U+10FFFF
    } else {
        return false;
    }
    return true;
}

size_t CsvTextCheck::check(const char* bytes, size_t size) {
    size_t at = 0;
    while (at < size) {
        if (need_ == 0) {
            at = checkAscii(bytes, at, size);
            if (at == size) break;
        }
        auto byte = static_cast<unsigned char>(bytes[at]);
        if (need_ > 0) {
            if (byte < low_ || byte > high_) return at;
            low_ = 0x80;
            high_ = 0xBF;
            --need_;
        } else if (byte == 0 || (byte >= 0x80 && !lead(byte))) {
            return at;
        }
        ++at;
    }
    return size;
}

}  // namespace flk

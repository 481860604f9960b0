// The RLE / bit-packing hybrid used for repetition and definition levels, dictionary indices and
// RLE booleans, and the little-endian bit unpacking it shares with DELTA_BINARY_PACKED.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tablix {

// Reads `bitWidth` (0..64) bits starting at bit `bitPos` of a buffer of `size` bytes; the caller has
// checked that the bits lie inside the buffer.
inline uint64_t readBits(const uint8_t* data, size_t size, uint64_t bitPos, int bitWidth) {
    if (bitWidth == 0) return 0;
    const size_t byte = bitPos >> 3;
    const int shift = static_cast<int>(bitPos & 7);
    uint64_t word = 0;
    if (byte + 8 <= size) {
        std::memcpy(&word, data + byte, 8);
    } else {
        for (size_t i = 0; byte + i < size && i < 8; ++i) word |= static_cast<uint64_t>(data[byte + i]) << (8 * i);
    }
    uint64_t v = word >> shift;
    if (shift + bitWidth > 64) v |= static_cast<uint64_t>(data[byte + 8]) << (64 - shift);
    return bitWidth == 64 ? v : v & ((uint64_t{1} << bitWidth) - 1);
}

class RleDecoder {
public:
    // Decodes values of `bitWidth` bits (0..32) from a buffer it does not own.
    RleDecoder(const uint8_t* data, size_t size, int bitWidth, const char* what);

    // Decodes exactly `count` values; throws tablix::Exception when the data ends first.
    template <class T>
    void decode(T* out, size_t count);

private:
    bool nextRun();
    uint64_t readVarint();

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    int bitWidth_;
    const char* what_;
    // The current run: either `remaining` copies of `repeated`, or `remaining` packed values
    // starting at bit `packedBit` of the data.
    bool packed_ = false;
    uint64_t remaining_ = 0;
    uint32_t repeated_ = 0;
    uint64_t packedBit_ = 0;
};

// Encodes values as the hybrid: runs of 8 or more equal values as RLE runs, the rest bit-packed.
class RleEncoder {
public:
    RleEncoder(int bitWidth, std::vector<uint8_t>& out) : bitWidth_(bitWidth), out_(out) {}
    void put(uint32_t value);
    // The same as put(value) count times.
    void putRun(uint32_t value, uint64_t count);
    void flush();

private:
    void flushRepeated();
    void flushLiterals(bool final);
    void writeVarint(uint64_t v);

    int bitWidth_;
    std::vector<uint8_t>& out_;
    std::vector<uint32_t> literals_;
    uint32_t runValue_ = 0;
    uint64_t runLength_ = 0;
};

int bitWidthOf(uint64_t maxValue);

}  // namespace tablix

// Decoding of the values of one page (or dictionary) from each encoding into dense vectors of
// their physical kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tablix/Exception.h"

namespace tablix {

// Decoded values of one physical kind: BOOLEAN and INT32 in i32; INT64 and INT96 (as nanoseconds,
// or microseconds when the column asks for them, since the epoch) in i64; FLOAT and DOUBLE in f64; byte arrays as views in `bytes`, pointing into
// the page, the dictionary or `owned`.
struct Lanes {
    std::vector<int32_t> i32;
    std::vector<int64_t> i64;
    std::vector<double> f64;
    std::vector<std::string_view> bytes;
    std::string owned;

    void clear() {
        i32.clear();
        i64.clear();
        f64.clear();
        bytes.clear();
        owned.clear();
    }
};

struct PhysicalColumn {
    int32_t type = 0;          // meta::PhysicalType
    int32_t typeLength = 0;    // FIXED_LEN_BYTE_ARRAY
    bool int96AsMicros = false;
};

// Thrown for an INT96 timestamp that nanoseconds since the epoch cannot hold in 64 bits, or whose
// time of day lies outside its day; the column is then read again in microseconds.
class Int96OutOfRange : public Exception {
public:
    Int96OutOfRange() : Exception("an INT96 timestamp is out of the range of 64-bit nanoseconds") {}
};

// Appends `count` values encoded with `encoding` (not a dictionary encoding) to `out`.
// Throws tablix::Exception naming the encoding when the data is malformed or too short.
void decodeValues(const PhysicalColumn& column, int32_t encoding, const uint8_t* data, size_t size, size_t count, Lanes& out);

// Appends `count` values given as dictionary indices (bit width byte + RLE hybrid) to `out`.
void decodeDictionaryIndices(const PhysicalColumn& column, const Lanes& dictionary, size_t dictionarySize,
                             const uint8_t* data, size_t size, size_t count, Lanes& out, std::vector<uint32_t>& scratch);

}  // namespace tablix

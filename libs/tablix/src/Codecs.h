// Page compression codecs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tablix {

// Decompresses `size` bytes into exactly `expectedSize` bytes at `out`. Never writes past
// `out + expectedSize`; throws tablix::Exception when the data is corrupt, decompresses to another
// size, or the codec is unknown.
void decompress(int32_t codec, const uint8_t* in, size_t size, uint8_t* out, size_t expectedSize);

// Compresses `size` bytes, replacing the contents of `out`.
void compress(int32_t codec, const uint8_t* in, size_t size, std::vector<uint8_t>& out);

}  // namespace tablix

// The delta encodings: DELTA_BINARY_PACKED integers and the two byte-array encodings built on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ValueDecoders.h"

namespace tablix {

// Each appends `count` values; the encoded data may hold more (they are ignored) but not fewer.
void decodeDeltaInt32(const uint8_t* data, size_t size, size_t count, std::vector<int32_t>& out);
void decodeDeltaInt64(const uint8_t* data, size_t size, size_t count, std::vector<int64_t>& out);
void decodeDeltaLengthByteArray(const uint8_t* data, size_t size, size_t count, Lanes& out);
void decodeDeltaByteArray(const uint8_t* data, size_t size, size_t count, Lanes& out);

}  // namespace tablix

// The error codes of text files.
#pragma once

#include <cstdint>

namespace ucsIO {

constexpr std::int32_t kNoError = 0;
constexpr std::int32_t kConversionFailed = 0x23020000;
constexpr std::int32_t kBadCharacter = 0x23020002;  // malformed, unconvertible, or cut off at the end
constexpr std::int32_t kOutOfMemory = 0x23020003;
constexpr std::int32_t kUnknownEncoding = 0x23020004;
// Reading or writing the byte file failed (not a conversion error; the runtime library's number
// is kept by the backend).
constexpr std::int32_t kFileError = 0x23010000;

}  // namespace ucsIO

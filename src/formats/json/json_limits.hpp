// Limits of JSON documents.
#pragma once

#include <cstddef>

namespace flk {

// Deeper documents are refused while parsing: no mapping reaches that far, and the walk over a
// document must never exhaust the stack.
constexpr unsigned kMaxJsonDepth = 10000;

// A document is read in blocks of at least this size, each as large as all that was read before
// it, so that the buffer never holds more than twice the document.
constexpr size_t kJsonInputBlock = size_t(1) << 16;
// The part of the size a stream claims that is reserved before any of it arrived: a real file
// of up to this size is read in one call into a buffer of its exact size, and a stream that
// claims gigabytes for a few bytes gets no more than this untouched reservation.
constexpr size_t kJsonTrustedClaim = size_t(1) << 26;

}  // namespace flk

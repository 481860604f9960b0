// Limits of JSON documents.
#pragma once

#include <cstddef>

namespace flk {

// Deeper documents are refused while parsing: no mapping reaches that far, and the walk over a
// document must never exhaust the stack.
constexpr unsigned kMaxJsonDepth = 10000;

}  // namespace flk

// Copies a result into a caller's output buffer: at most maxChars characters, then a NUL. The
// caller's buffer holds at least maxChars + 1 characters (the header gives each export's size).
#pragma once

#include <algorithm>
#include <string_view>

namespace flk {

template <class Char>
void copyToBuffer(std::basic_string_view<Char> text, Char* out, size_t maxChars) {
    const size_t n = std::min(text.size(), maxChars);
    std::copy_n(text.data(), n, out);
    out[n] = Char(0);
}

}  // namespace flk

// The normalization of one segment: a run of characters that starts where nothing before it
// can interact with it. Segments are normalized independently of each other.
#pragma once

#include "text/normalization_tables.hpp"

#include <cstdint>
#include <vector>

namespace flk::unicode {

struct SegmentChar {
    std::uint32_t c;    // a code point, or a value that is none and passes unchanged
    std::uint32_t ccc;  // its canonical combining class
};

// Reused between segments so that a whole text costs one allocation. Not thread-safe.
class CanonicalSegment {
public:
    void clear() { chars_.clear(); }

    // Appends the full canonical decomposition of c.
    void appendDecomposed(std::uint32_t c, const NormRecord& record);

    // Sorts every run of non-starters by combining class, keeping equal classes in order.
    void order();

    // Replaces each unblocked starter and combining character pair by its primary composite.
    void compose();

    const std::vector<SegmentChar>& chars() const { return chars_; }

private:
    std::vector<SegmentChar> chars_;
};

// The primary composite of first followed by second, or 0 when there is none.
std::uint32_t composePair(std::uint32_t first, std::uint32_t second);

}  // namespace flk::unicode

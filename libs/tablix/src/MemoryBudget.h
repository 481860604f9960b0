// The memory the table read from one file may take: proportional to the file's size, so that a few
// bytes of run lengths, dictionary references or shared prefixes cannot ask for gigabytes. Memory
// is taken from the budget before it is allocated.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "Limits.h"

namespace tablix {

class MemoryBudget {
public:
    explicit MemoryBudget(uint64_t fileSize = 0)
        : fileSize_(fileSize),
          total_(fileSize > std::numeric_limits<uint64_t>::max() / limits::kMaxTableBytesPerFileByte
                     ? std::numeric_limits<uint64_t>::max()
                     : std::max(limits::kMinTableBytes, fileSize * limits::kMaxTableBytesPerFileByte)),
          left_(total_) {}

    // Takes `bytes` from what is left; false (and nothing taken) when they exceed it.
    bool take(uint64_t bytes) {
        if (bytes > left_) return false;
        left_ -= bytes;
        return true;
    }

    uint64_t total() const { return total_; }
    uint64_t left() const { return left_; }

    // For messages: "more than <this>".
    std::string describe() const {
        return "the " + std::to_string(total_) + " bytes of memory that a file of " + std::to_string(fileSize_) + " bytes may take";
    }

private:
    uint64_t fileSize_, total_, left_;
};

}  // namespace tablix

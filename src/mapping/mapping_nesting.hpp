// Included and embedded mappings may name each other, or themselves: writing through such a
// cycle would never end, and reading through it goes as deep as the document does. Each mapping
// used inside another counts one level while it is in use; past the limit the use fails.
#pragma once

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"

#include <string>

namespace flk {

class MappingNesting {
public:
    static constexpr int kMaxDepth = 64;

    MappingNesting() { ++depth_; }
    ~MappingNesting() { --depth_; }
    MappingNesting(const MappingNesting&) = delete;
    MappingNesting& operator=(const MappingNesting&) = delete;

    // False after raising when this level is one too many.
    bool allowed(const std::wstring& mapping, const std::string& node) const {
        if (depth_ <= kMaxDepth) return true;
        return raiseError("Mapping " + toUtf8(mapping) + " in node " + node + " is nested more than " +
                          std::to_string(kMaxDepth) + " mappings deep");
    }

private:
    static inline thread_local int depth_ = 0;
};

}  // namespace flk

// Included and embedded mappings may name each other, or themselves. The mappings in use inside
// one another are kept here, outermost first, on the host's thread that runs every read and
// write: an embedded write can then refuse a mapping that is already being written (it would
// write without end), and mappings used inside others, which may recurse as deep as the data they
// are passed, stop at depth limits instead of exhausting the stack: a number of mappings, and a
// depth of elements through all of them, as reading and writing recurse once per element.
#pragma once

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/mapping.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace flk {

class MappingNesting {
public:
    static constexpr size_t kMaxDepth = 64;
    static constexpr int kMaxElementDepth = 4 * kMaxMappingDepth;

    explicit MappingNesting(const Mapping& enclosing) { chain().push_back(&enclosing); }
    ~MappingNesting() { chain().pop_back(); }
    MappingNesting(const MappingNesting&) = delete;
    MappingNesting& operator=(const MappingNesting&) = delete;

    static bool inUse(const Mapping& mapping) {
        return std::find(chain().begin(), chain().end(), &mapping) != chain().end();
    }
    // False after raising when using the mapping inside the enclosing one would go too deep: as the
    // mapping included by the node, or as an embedded mapping.
    static bool allowed(const Mapping& enclosing, const Mapping& mapping, const std::string& node) {
        Limit limit = exceeded(enclosing, mapping);
        return limit == Limit::None || refuse("Mapping " + toUtf8(mapping.name) + " in node " + node, limit);
    }
    static bool allowedEmbedded(const Mapping& enclosing, const Mapping& mapping) {
        Limit limit = exceeded(enclosing, mapping);
        return limit == Limit::None || refuse("The embedded mapping " + toUtf8(mapping.name), limit);
    }

private:
    enum class Limit { None, Mappings, Elements };

    static Limit exceeded(const Mapping& enclosing, const Mapping& mapping) {
        if (chain().size() >= kMaxDepth) return Limit::Mappings;
        int depth = enclosing.depth + mapping.depth;
        for (const Mapping* outer : chain()) depth += outer->depth;
        return depth <= kMaxElementDepth ? Limit::None : Limit::Elements;
    }
    static bool refuse(const std::string& use, Limit limit) {
        if (limit == Limit::Mappings)
            return raiseError(use + " is nested more than " + std::to_string(kMaxDepth) + " mappings deep");
        return raiseError(use + " would nest elements more than " + std::to_string(kMaxElementDepth) +
                          " deep with the mappings around it");
    }

    static std::vector<const Mapping*>& chain() {
        static std::vector<const Mapping*> mappings;
        return mappings;
    }
};

}  // namespace flk

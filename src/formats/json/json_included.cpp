// JSON values handed to and taken from included mappings, and the steps JSON nodes do not all
// implement.
#include "formats/json/json_node.hpp"

#include "mapping/included_mapping.hpp"

namespace flk {
namespace {

const IncludingKind kJsonTree{DocumentKind::JSON, "No JSON root node present for current JSON node"};

}  // namespace

bool JSONNode::readJSON(ReadState&, std::string_view, const JsonValue&) { notImplemented(); }
bool JSONNode::writeJSON(WriteState&, std::string&, JsonValue&, JsonAllocator&) { notImplemented(); }

bool readJsonIncluded(const TreeNode& node, ReadState& state, const JsonValue& value) {
    return readIncluded(node, state, kJsonTree,
                        [&](TreeNode& root, ReadState& inner) { return asJson(root).readJSON(inner, root.name(), value); });
}

bool writeJsonIncluded(const TreeNode& node, WriteState& state, JsonValue& value, JsonAllocator& allocator) {
    return writeIncluded(node, state, kJsonTree, [&](TreeNode& root, WriteState& inner) {
        std::string name;
        return asJson(root).writeJSON(inner, name, value, allocator);
    });
}

}  // namespace flk

// Reading and writing a node's JSON value through the mapping its included-mapping attribute
// names. The including node's bound indices fix, in order, the root-level external bindings of
// the included mapping.
#pragma once

#include "mapping/tree_node.hpp"

namespace flk {

bool readIncluded(const TreeNode& node, ReadState& state, const JsonValue& value);
bool writeIncluded(const TreeNode& node, WriteState& state, JsonValue& value, JsonAllocator& allocator);

}  // namespace flk

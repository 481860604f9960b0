// Reading and writing a node's JSON value through the mapping its included-mapping attribute
// names. The including node's bound indices fix, in order, the root-level external bindings of
// the included mapping; an iterative-binding there takes the element of the index it names.
#pragma once

#include "mapping/tree_node.hpp"

namespace flk {

bool readIncluded(const TreeNode& node, ReadState& state, const JsonValue& value);
bool writeIncluded(const TreeNode& node, WriteState& state, JsonValue& value, JsonAllocator& allocator);

// The indices the included mapping's iterative-bindings name are bound at the including node;
// false after raising otherwise.
bool checkIterativeBindings(const TreeNode& node, const Mapping& outer, const Mapping& included);

}  // namespace flk

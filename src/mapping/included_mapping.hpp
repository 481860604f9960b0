// Reading and writing a node's content through the mapping its included-mapping attribute names.
// The including node's bound indices fix, in order, the root-level external bindings of the
// included mapping; an iterative-binding there takes the element of the index it names. The
// document kind supplies the step that hands its content to the included mapping's root.
#pragma once

#include "mapping/tree_node.hpp"

#include <functional>

namespace flk {

// The document kind an including node's tree must have at its top, and the message (thrown as a
// runtime error) when it has not.
struct IncludingKind {
    DocumentKind kind;
    const char* outsideTree;   // e.g. "No JSON root node present for current JSON node"
};

// root: the included mapping's root, of the including node's kind; inner: the state of the
// included mapping's read or write.
using IncludedRead = std::function<bool(TreeNode& root, ReadState& inner)>;
using IncludedWrite = std::function<bool(TreeNode& root, WriteState& inner)>;

bool readIncluded(const TreeNode& node, ReadState& state, const IncludingKind& kind, const IncludedRead& read);
bool writeIncluded(const TreeNode& node, WriteState& state, const IncludingKind& kind, const IncludedWrite& write);

// The indices the included mapping's iterative-bindings name are bound at the including node;
// false after raising otherwise.
bool checkIterativeBindings(const TreeNode& node, const Mapping& outer, const Mapping& included);

}  // namespace flk

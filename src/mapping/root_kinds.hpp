// The document elements of mapping files, in the order AddMapping looks for them, with the root
// node class each selects. A document kind whose format is not built has no factory: its mapping
// files are recognised and refused with a message naming the kind.
#pragma once

#include <memory>
#include <vector>

namespace flk {

class TreeNode;

struct RootKind {
    const char* element;   // e.g. "MolvoJSONMapping"
    const char* kind;      // the document kind in messages, e.g. "JSON"
    std::shared_ptr<TreeNode> (*create)();
};

const std::vector<RootKind>& rootKinds();

}  // namespace flk

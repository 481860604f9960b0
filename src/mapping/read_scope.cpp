#include "mapping/read_scope.hpp"

#include "mapping/tree_node.hpp"

namespace flk {

ReadScope::ReadScope(TreeNode& node, ReadState& state, std::string_view name)
    : node_(node), state_(state), start_(node.bindPrologue(state, name)) {
    if (start_ == ReadStart::Go) node.resetIterativeCounters();
}

bool ReadScope::end(bool ok, double mark) {
    if (ok) {
        if (!node_.isValueNode() && node_.mapsToReference() >= 0)
            state_.assignReference(state_.mapping().references[size_t(node_.mapsToReference())], mark);
        node_.markForceDense(state_);
    }
    node_.clearScopeBindings(state_);
    return ok;
}

}  // namespace flk

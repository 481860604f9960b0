#include "mapping/read_scope.hpp"

#include "mapping/tree_node.hpp"

namespace flk {

void ReadScope::leaveMarks(double mark) {
    if (node_.mapsToReference() >= 0 && !node_.isValueNode())
        state_.assignReference(state_.mapping().references[size_t(node_.mapsToReference())], mark);
    if (node_.forceDenseReference() >= 0) node_.markForceDense(state_);
}

}  // namespace flk

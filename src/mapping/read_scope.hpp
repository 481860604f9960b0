// The life of one node's read of one object, array, table or value: the binding prologue at its
// start, and at its end the marks a read that succeeded leaves and the clearing of the index
// slots bound for the node's scope. Every node class of every document kind reads through it, so
// that no step is left out of one of them.
#pragma once

#include "mapping/mapping_state.hpp"
#include "mapping/tree_node.hpp"

#include <string_view>

namespace flk {

// How the binding prologue lets a node's read begin: go on, leave this part of the document out
// quietly (an element skipped by its lookup), or fail (an error was raised).
enum class ReadStart { Go, Skip, Failed };

class ReadScope {
public:
    // Runs the node's binding prologue against the name the document gives the part (the name
    // pattern, the iterative and constant bindings); when the read goes on, the iterative
    // counters the node resets start again.
    // Run for every value read: a node with nothing to bind, the common case, is decided without
    // a call.
    ReadScope(TreeNode& node, ReadState& state, std::string_view name)
        : node_(node), state_(state), start_(node.hasPrologue() ? node.bindPrologue(state, name) : ReadStart::Go) {
        if (start_ == ReadStart::Go && node.resetsIterativeCounters()) node.resetIterativeCounters();
    }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

    ReadStart start() const { return start_; }
    bool entered() const { return start_ == ReadStart::Go; }
    // What a read that was not entered returns: true for a quiet skip, false after a failure.
    bool notEnteredResult() const { return start_ == ReadStart::Skip; }

    // Ends an entered read. When ok: the node's maps-to mark with that value (not for value
    // nodes, whose maps-to takes their value) and its force-dense mark. The slots bound for the
    // node's scope are cleared either way. Returns ok.
    bool end(bool ok, double mark = 1.0) {
        // Run for every value read: a node with nothing to mark or clear, the common case, is
        // decided without a call.
        if (ok && node_.leavesMarks()) leaveMarks(mark);
        if (node_.hasScopeBindings()) node_.clearScopeBindings(state_);
        return ok;
    }

private:
    void leaveMarks(double mark);

    TreeNode& node_;
    ReadState& state_;
    ReadStart start_;
};

// Reads the members of one object, row or element in two passes: first those whose child binds
// an index from its value, so that the members whose values depend on the index find it bound;
// then, unless the first pass skipped the element, the others. readPass(bool indexPass) reads
// the members of one pass and returns false when one failed; the first failure of the index pass
// ends the read.
template <class ReadPass>
bool readIndexMembersFirst(ReadState& state, ReadPass&& readPass) {
    if (!readPass(true)) return false;
    if (state.takeSkip()) return true;
    return readPass(false);
}

}  // namespace flk

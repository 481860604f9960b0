// The tuple enumeration of writes. Every reference has a cursor over its identifier's stored
// values in the host's tuple order; a node's next tuple is the smallest position, over its own
// bound indices, among the cursors of its subtree that lie within the tuple its ancestors fixed.
#include "mapping/mapping_state.hpp"
#include "mapping/tree_node.hpp"

namespace flk {
namespace {

// Whether the cursor lies on the current tuple at the given dimensions of its reference.
bool liesOn(ValueCursor& cursor, const std::vector<int>& dims, const IdentifierReference& reference,
            const std::vector<int>& tuple) {
    const int* at = cursor.tuple();
    for (int k : dims)
        if (k >= 0 && at[k] != tuple[size_t(reference.indices[size_t(k)])]) return false;
    return true;
}

// Values before the tuple the ancestors fixed belong to tuples written already, or, in a write
// that starts inside another one (an included mapping), to tuples outside it. Returns whether the
// cursor then lies on that tuple.
bool skipBehind(ValueCursor& cursor, const std::vector<int>& dims, const IdentifierReference& reference,
                const std::vector<int>& tuple) {
    while (!cursor.done()) {
        const int* at = cursor.tuple();
        int order = 0;
        for (int k : dims) {
            int fixed = tuple[size_t(reference.indices[size_t(k)])];
            if (at[k] != fixed) {
                order = at[k] < fixed ? -1 : 1;
                break;
            }
        }
        if (order >= 0) return order == 0;
        cursor.advance();
    }
    return false;
}

bool coversAll(const std::vector<int>& ownDims) {
    for (int k : ownDims)
        if (k < 0) return false;
    return true;
}

}  // namespace

bool TreeNode::nextTuple(WriteState& state, int level) const {
    if (subtreeReferences_.empty()) return level == 0;
    const Level& lv = levels_[level];
    const auto& fixedDims = lv.fixedDims;
    const auto& ownDims = lv.ownDims;
    const auto& own = lv.own;
    std::vector<int>& tuple = state.tuple();
    const auto& references = state.mapping().references;
    int best = -1;
    const int* bestAt = nullptr;
    for (size_t i = 0; i < subtreeReferences_.size(); ++i) {
        int r = subtreeReferences_[i];
        ValueCursor& cursor = state.cursor(r);
        if (cursor.done() || !coversAll(ownDims[i])) continue;
        if (!skipBehind(cursor, fixedDims[i], references[size_t(r)], tuple)) continue;
        const int* at = cursor.tuple();
        bool smaller = best < 0;
        for (size_t o = 0; !smaller && o < own.size(); ++o) {
            int mine = at[ownDims[i][o]], theirs = bestAt[ownDims[size_t(best)][o]];
            if (mine != theirs) {
                smaller = mine < theirs;
                break;
            }
        }
        if (smaller) best = int(i), bestAt = at;
    }
    if (best < 0) return false;
    for (size_t o = 0; o < own.size(); ++o) tuple[size_t(own[o])] = bestAt[ownDims[size_t(best)][o]];
    return true;
}

void TreeNode::finishTuple(WriteState& state, int level) const {
    const auto& fixedDims = levels_[level].fixedDims;
    const auto& ownDims = levels_[level].ownDims;
    std::vector<int>& tuple = state.tuple();
    const auto& references = state.mapping().references;
    for (size_t i = 0; i < subtreeReferences_.size(); ++i) {
        int r = subtreeReferences_[i];
        ValueCursor& cursor = state.cursor(r);
        if (!coversAll(ownDims[i])) continue;
        while (!cursor.done() && liesOn(cursor, fixedDims[i], references[size_t(r)], tuple) &&
               liesOn(cursor, ownDims[i], references[size_t(r)], tuple))
            cursor.advance();
    }
}

void TreeNode::releaseTuple(WriteState& state, int level) const {
    for (int index : levels_[level].own) state.clearSlot(index);
}

bool TreeNode::hasValueAt(WriteState& state, int reference, bool consume) const {
    if (reference < 0) return false;
    const IdentifierReference& ref = state.mapping().references[size_t(reference)];
    ValueCursor& cursor = state.cursor(reference);
    if (cursor.done()) return false;
    const int* at = cursor.tuple();
    for (size_t k = 0; k < ref.indices.size(); ++k)
        if (at[k] != state.tuple()[size_t(ref.indices[k])]) return false;
    if (consume) cursor.advance();
    return true;
}

bool TreeNode::writeFiltered(WriteState& state) const {
    if (constIndex_ >= 0 && state.tuple()[size_t(constIndex_)] != constElement_) return false;
    if (writeFilterRef_ < 0) return true;
    // A table decides per row: at the table's own level its row indices are not bound yet.
    for (int index : state.mapping().references[size_t(writeFilterRef_)].indices)
        if (state.tuple()[size_t(index)] == 0) return true;
    if (!hasValueAt(state, writeFilterRef_, false)) return false;
    const MolvoValueW& v = state.cursor(writeFilterRef_).value();
    return v.Int != 0 || v.Double != 0;
}

bool TreeNode::writeKey(WriteState& state, std::string& key) const {
    if (!attributes_.name.empty()) {
        key = attributes_.name;
        return true;
    }
    if (nameBindsIndex_ < 0) return false;
    int element = state.tuple()[size_t(nameBindsIndex_)];
    key = attributes_.nameRegexPrefix + normalizedForWrite(state.mapping().indexTable[size_t(nameBindsIndex_)]->elementName(element)) +
          attributes_.nameRegexPostfix;
    return true;
}

}  // namespace flk

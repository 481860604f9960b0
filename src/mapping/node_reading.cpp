// The binding steps nodes run while reading: names matched against patterns, iterative and
// constant elements, force-dense marks and the iterative counters.
#include "frame/utf8.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/name_regex.hpp"
#include "mapping/read_scope.hpp"
#include "mapping/tree_node.hpp"
#include "text/normalizer.hpp"

#include <algorithm>

namespace flk {

std::string TreeNode::normalizedForRead(std::string_view text) const {
    return readNormalizer_ ? readNormalizer_->normalize(text) : std::string(text);
}

std::string TreeNode::normalizedForWrite(std::string_view text) const {
    return writeNormalizer_ ? writeNormalizer_->normalize(text) : std::string(text);
}

bool TreeNode::matchesPattern(std::string_view key) const { return regex_ && regex_->matches(key); }

void TreeNode::resetIterativeCounters() {
    if (attributes_.iterativeResetAll) {
        for (auto& child : children_)
            if (!child->attributes().iterativeBindsTo.empty()) iterativeCounter(child->attributes().iterativeBindsTo) = 0;
    }
    for (const std::wstring& index : attributes_.iterativeResetList) iterativeCounter(index) = 0;
}

int TreeNode::bindByRegex(MappingState& state, std::string_view key) {
    if (nameBindsIndex_ < 0) return 1;
    std::string element;
    if (regex_) {
        // A pattern wrapped in parentheses here names its element by the first group written in
        // the mapping file, when it has one.
        if (!regex_->capture(key, element, attributes_.nameRegex[0] == '(' ? 1 : 2)) return 1;
    } else {
        element.assign(key);
    }
    element = normalizedForRead(element);
    if (state.isExternallyBound(nameBindsIndex_)) return state.checkExternal(nameBindsIndex_, element) > 0 ? 1 : 0;
    return state.bindElement(nameBindsIndex_, element, attributes_.bindsExisting, attributes_.skipNonExisting);
}

int TreeNode::bindIterative(MappingState& state) {
    if (iterativeIndex_ < 0) return 1;
    unsigned& counter = iterativeCounter(attributes_.iterativeBindsTo);
    ++counter;
    return state.bindIterative(iterativeIndex_, int(counter), attributes_.iterativePrefix, attributes_.iterativeExisting, attributes_.bindsExisting,
                               attributes_.skipNonExisting);
}

void TreeNode::bindConst(MappingState& state) {
    if (constIndex_ >= 0) state.tuple()[size_t(constIndex_)] = constElement_;
}

namespace {

// An element lookup's result as a start: an element goes on, 0 failed, kSkip skips.
ReadStart startOf(int element) {
    return element > 0 ? ReadStart::Go : element == 0 ? ReadStart::Failed : ReadStart::Skip;
}

}  // namespace

ReadStart TreeNode::bindPrologue(ReadState& state, std::string_view name) {
    ReadStart start = startOf(bindByRegex(state, name));
    if (start != ReadStart::Go) return start;
    start = startOf(bindIterative(state));
    if (start != ReadStart::Go) return start;
    bindConst(state);
    return ReadStart::Go;
}

void TreeNode::markForceDense(MappingState& state) {
    if (forceDenseRef_ >= 0) state.assignReference(state.mapping().references[size_t(forceDenseRef_)], 1.0);
}

void TreeNode::clearValueBindings(MappingState& state) const {
    for (int index : scopeOwned_) state.clearSlot(index);
}

void TreeNode::clearScopeBindings(MappingState& state) const {
    clearValueBindings(state);
    if (isValueNode() || bindsToIndex_ < 0) return;
    const std::vector<int>& inherited = parent_ ? parent_->boundAll_ : std::vector<int>();
    if (std::find(inherited.begin(), inherited.end(), bindsToIndex_) == inherited.end()) state.clearSlot(bindsToIndex_);
}

}  // namespace flk

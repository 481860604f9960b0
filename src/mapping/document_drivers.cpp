#include "mapping/document_drivers.hpp"

#include "mapping/tree_node.hpp"

namespace flk {
namespace {

void resetCounters(const TreeNode& node) {
    if (!node.iterativeBindsTo_.empty()) iterativeCounter(node.iterativeBindsTo_) = 0;
    for (const auto& b : node.externalBindings_)
        if (!b.iterativeBinding.empty()) iterativeCounter(b.iterativeBinding) = 0;
    for (const auto& child : node.children()) resetCounters(*child);
}

// Each read or write starts afresh: names may have changed in the model since the last one,
// and errors kept from it were reported then.
void forgetNames(Mapping& mapping) {
    for (auto& index : mapping.indexTable) {
        index->clearNameCache();
        index->clearError();
    }
    for (auto& reference : mapping.references) reference.target->clearError();
}

}  // namespace

void discardPending(Mapping& mapping) {
    for (auto& index : mapping.indexTable) index->discardPending();
    for (auto& reference : mapping.references) reference.target->discardPending();
}

void applyResets(Mapping& mapping, ResetFlags flags) {
    if (flags.emptyIndices)
        for (auto& index : mapping.indexTable) MolvoIdentifierEmpty(index->handle());
    if (flags.emptyReferenced)
        for (auto& reference : mapping.references)
            if (reference.clearedOnReset) MolvoIdentifierEmpty(reference.target->handle());
    if (flags.resetCounters && mapping.root) resetCounters(*mapping.root);
}

bool readDocumentWith(const std::shared_ptr<Mapping>& mapping, const std::wstring& documentName,
                      std::istream& input, ResetFlags flags) {
    ReadState state(mapping, documentName, input, flags);
    forgetNames(*mapping);
    applyResets(*mapping, flags);
    if (!state.prepareExternal(true)) return false;
    if (!mapping->root->readDocument(state)) {
        discardPending(*mapping);
        return false;
    }
    return state.flushAll();
}

bool writeDocumentWith(const std::shared_ptr<Mapping>& mapping, const std::wstring& documentName,
                       std::ostream& output, int pretty) {
    WriteState state(mapping, documentName, output, pretty);
    forgetNames(*mapping);
    if (!state.prepareExternal(false)) return false;
    return mapping->root->writeDocument(state, pretty);
}

}  // namespace flk

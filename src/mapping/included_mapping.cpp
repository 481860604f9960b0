#include "mapping/included_mapping.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "host/host_names.hpp"
#include "mapping/document_drivers.hpp"
#include "mapping/mapping_nesting.hpp"
#include "mapping/mapping_state.hpp"

#include <algorithm>
#include <stdexcept>

namespace flk {
namespace {

// The mapping the node names, directly after "@" or through a string parameter at the current tuple.
std::shared_ptr<Mapping> includedMapping(const TreeNode& node, MappingState& state, const IncludingKind& kind) {
    if (node.top().documentKind() != kind.kind) throw std::runtime_error(kind.outsideTree);
    std::wstring name = node.attributes().includedMappingName;
    if (node.includedReference() >= 0) {
        const IdentifierReference& ref = state.mapping().references[size_t(node.includedReference())];
        std::vector<int> tuple;
        for (int index : ref.indices) tuple.push_back(state.tuple()[size_t(index)]);
        MolvoValueW value{0, 0, 0, nullptr};
        ref.target->retrieve(tuple.data(), value);
        if (value.String) name = value.String;
    }
    auto mapping = findMapping(name);
    if (!mapping || !mapping->root) {
        raiseError("Cannot find included mapping " + toUtf8(name) + " in node " + node.name());
        return nullptr;
    }
    // A root of another kind has none of this kind's read and write steps.
    if (mapping->root->documentKind() != kind.kind) notImplemented();
    return mapping;
}

// The position in the outer index table of the index an iterative-binding names, or -1 when the
// node does not bind it.
int iterativeSource(const TreeNode& node, const Mapping& outer, const ExternalBinding& binding) {
    auto found = outer.indexNumbers.find(binding.iterativeBinding);
    if (found == outer.indexNumbers.end()) return -1;
    bool bound = std::find(node.boundIndices().begin(), node.boundIndices().end(), found->second) != node.boundIndices().end();
    return bound ? found->second : -1;
}

// Where in the including node's tuple the included mapping's k-th external index comes from, or
// -1 when the node does not pass it.
int outerPosition(const TreeNode& node, const Mapping& outer, const ExternalBinding& binding, size_t k) {
    if (!binding.iterativeBinding.empty()) return iterativeSource(node, outer, binding);
    return k < node.boundIndices().size() ? node.boundIndices()[k] : -1;
}

bool sameRoot(const TreeNode& node, const MolvoIOHandler& mine, const MolvoIOHandler& external, const Mapping& included) {
    if (rootSetName(mine.handle()) == rootSetName(external.handle())) return true;
    return raiseError("Index " + toUtf8(mine.name()) + " in external binding of node " + node.name() +
                      " does not coincide with external index " + toUtf8(external.name()) + " of referenced mapping " +
                      toUtf8(included.name));
}

// Fixes the included mapping's external indices from the including node's bound indices: in
// order, except that an iterative-binding takes the element of the index it names. An index the
// node binds implicitly, whose element the included content names, is left to that content;
// one the node does not pass is fixed as for a mapping used on its own.
bool passBindings(const TreeNode& node, MappingState& outer, MappingState& inner, bool reading) {
    Mapping& included = inner.mapping();
    if (node.boundIndices().size() > included.externalBindings.size()) {
        raiseError("More bindings specified for included mapping in node " + node.name() +
                   " than referenced mapping " + toUtf8(included.name) + " supports");
        return false;
    }
    if (!checkIterativeBindings(node, outer.mapping(), included)) return false;
    for (size_t k = 0; k < included.externalBindings.size(); ++k) {
        const ExternalBinding& binding = included.externalBindings[k];
        int mine = outerPosition(node, outer.mapping(), binding, k);
        if (mine < 0) {
            if (!inner.prepareExternal(binding, reading)) return false;
            continue;
        }
        if (!sameRoot(node, *outer.mapping().indexTable[size_t(mine)], *included.indexTable[size_t(binding.index)], included))
            return false;
        int element = outer.tuple()[size_t(mine)];
        if (element > 0) inner.fixExternal(binding.index, element);
    }
    return true;
}

// Elements the included mapping bound to the external indices it was passed become the node's.
void takeBackBindings(const TreeNode& node, MappingState& outer, MappingState& inner) {
    const Mapping& included = inner.mapping();
    for (size_t k = 0; k < included.externalBindings.size(); ++k) {
        int mine = outerPosition(node, outer.mapping(), included.externalBindings[k], k);
        int element = inner.tuple()[size_t(included.externalBindings[k].index)];
        if (mine >= 0 && element > 0) outer.tuple()[size_t(mine)] = element;
    }
}

// The element an ExternalBinding below the root gives its index at the current tuple; 0 after
// raising when it has none.
int nodeBindingElement(const NodeExternalBinding& binding, MappingState& state) {
    if (binding.bindingParameter) return state.parameterElement(*binding.bindingParameter, binding.index);
    int element = state.tuple()[size_t(binding.iterativeIndex)];
    return element > 0 ? element : iterativeUnbound(binding.iterativeBinding);
}

// Binds the node's own ExternalBinding indices for one read, remembering what they held.
bool bindNodeExternals(const TreeNode& node, MappingState& state, std::vector<int>& saved) {
    for (const NodeExternalBinding& binding : node.externalBindings()) {
        int element = nodeBindingElement(binding, state);
        if (element <= 0) return false;
        saved.push_back(state.tuple()[size_t(binding.index)]);
        state.tuple()[size_t(binding.index)] = element;
    }
    return true;
}

void restoreNodeExternals(const TreeNode& node, MappingState& state, const std::vector<int>& saved) {
    for (size_t k = 0; k < saved.size(); ++k) state.tuple()[size_t(node.externalBindings()[k].index)] = saved[k];
}

// A write enumerates the node's external indices like its others; only the tuples that carry
// the elements its ExternalBindings give are written.
int nodeExternalsMatch(const TreeNode& node, WriteState& state) {
    for (const NodeExternalBinding& binding : node.externalBindings()) {
        int element = nodeBindingElement(binding, state);
        if (element <= 0) return -1;
        if (state.tuple()[size_t(binding.index)] != element) return 0;
    }
    return 1;
}

}  // namespace

bool checkIterativeBindings(const TreeNode& node, const Mapping& outer, const Mapping& included) {
    for (const ExternalBinding& binding : included.externalBindings) {
        if (binding.iterativeBinding.empty()) continue;
        if (!outer.indexNumbers.count(binding.iterativeBinding))
            return iterativeUnbound(binding.iterativeBinding);
        if (iterativeSource(node, outer, binding) < 0)
            return raiseError("The binding attribute " + toUtf8(binding.iterativeBinding) +
                              " does not refer to a bound index");
    }
    return true;
}

bool readIncluded(const TreeNode& node, ReadState& state, const IncludingKind& kind, const IncludedRead& read) {
    std::vector<int> saved;
    if (!bindNodeExternals(node, state, saved)) return false;
    bool ok = false;
    auto mapping = includedMapping(node, state, kind);
    if (mapping && MappingNesting::allowed(state.mapping(), *mapping, node.name())) {
        MappingNesting reading(state.mapping());
        ReadState inner(mapping, state.documentName(), state.input(), state.resetFlags());
        inner.shareNotes(state.notes());
        inner.setPlaceSource(state.placeSource());   // the included mapping reads the same document
        if (passBindings(node, state, inner, true)) {
            ok = read(*mapping->root, inner) && inner.flushAll();
            takeBackBindings(node, state, inner);
        }
    }
    restoreNodeExternals(node, state, saved);
    return ok;
}

bool writeIncluded(const TreeNode& node, WriteState& state, const IncludingKind& kind, const IncludedWrite& write) {
    // Which tuples the node has comes from the included mapping's identifiers, learnt when this
    // mapping was added; one added later is not known here.
    if (!node.attributes().includedMappingName.empty() && !node.includedKnown() && !node.ownIndices().empty())
        return raiseError("The included mapping " + toUtf8(node.attributes().includedMappingName) + " of node " + node.name() +
                          " was added after mapping " + toUtf8(state.mapping().name) +
                          ": add that mapping again to write through it");
    int match = nodeExternalsMatch(node, state);
    if (match <= 0) return match == 0;
    auto mapping = includedMapping(node, state, kind);
    if (!mapping || !MappingNesting::allowed(state.mapping(), *mapping, node.name())) return false;
    MappingNesting writing(state.mapping());
    WriteState inner(mapping, state.documentName(), state.output(), state.pretty());
    inner.shareNotes(state.notes());
    if (!passBindings(node, state, inner, false)) return false;
    const bool written = write(*mapping->root, inner);
    noteHostCuts(*mapping, state.notes());
    return written;
}

}  // namespace flk

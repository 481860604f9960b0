#include "mapping/included_mapping.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/host_names.hpp"
#include "mapping/mapping_state.hpp"

#include <stdexcept>

namespace flk {
namespace {

// The mapping the node names, directly after "@" or through a string parameter at the current tuple.
std::shared_ptr<Mapping> includedMapping(const TreeNode& node, MappingState& state) {
    if (node.top().documentKind() != 1) throw std::runtime_error("No JSON root node present for current JSON node");
    std::wstring name = node.includedMappingName_;
    if (node.includedRef_ >= 0) {
        const IdentifierReference& ref = state.mapping().references[size_t(node.includedRef_)];
        std::vector<int> tuple;
        for (int index : ref.indices) tuple.push_back(state.tuple()[size_t(index)]);
        MolvoValueW value{0, 0, 0, nullptr};
        ref.target->retrieve(tuple.data(), value);
        if (value.String) name = value.String;
    }
    auto mapping = findMapping(name);
    if (!mapping || !mapping->root)
        raiseError("Cannot find included mapping " + toUtf8(name) + " in node " + node.name());
    return mapping && mapping->root ? mapping : nullptr;
}

// Fixes the included mapping's external indices from the including node's bound indices.
bool passBindings(const TreeNode& node, MappingState& outer, MappingState& inner) {
    Mapping& included = inner.mapping();
    if (node.boundAll_.size() > included.externalBindings.size()) {
        raiseError("More bindings specified for included mapping in node " + node.name() +
                   " than referenced mapping " + toUtf8(included.name) + " supports");
        return false;
    }
    for (size_t k = 0; k < node.boundAll_.size(); ++k) {
        const MolvoIOHandler& mine = *outer.mapping().indexTable[size_t(node.boundAll_[k])];
        int theirs = included.externalBindings[k].index;
        const MolvoIOHandler& external = *included.indexTable[size_t(theirs)];
        if (rootSetName(mine.handle()) != rootSetName(external.handle())) {
            raiseError("Index " + toUtf8(mine.name()) + " in external binding of node " + node.name() +
                       " does not coincide with external index " + toUtf8(external.name()) + " of referenced mapping " +
                       toUtf8(included.name));
            return false;
        }
        inner.fixExternal(theirs, outer.tuple()[size_t(node.boundAll_[k])]);
    }
    return true;
}

}  // namespace

bool readIncluded(const TreeNode& node, ReadState& state, const JsonValue& value) {
    auto mapping = includedMapping(node, state);
    if (!mapping) return false;
    ReadState inner(mapping, state.documentName(), state.input(), state.resetFlags());
    if (!passBindings(node, state, inner)) return false;
    bool ok = mapping->root->readJSON(inner, mapping->root->name(), value) && inner.flushAll();
    // Elements the included mapping bound to its external indices become this node's.
    for (size_t k = 0; k < node.boundAll_.size(); ++k) {
        int element = inner.tuple()[size_t(mapping->externalBindings[k].index)];
        if (element > 0) state.tuple()[size_t(node.boundAll_[k])] = element;
    }
    return ok;
}

bool writeIncluded(const TreeNode& node, WriteState& state, JsonValue& value, JsonAllocator& allocator) {
    auto mapping = includedMapping(node, state);
    if (!mapping) return false;
    WriteState inner(mapping, state.documentName(), state.output(), state.pretty());
    if (!passBindings(node, state, inner)) return false;
    std::string name;
    return mapping->root->writeJSON(inner, name, value, allocator);
}

}  // namespace flk

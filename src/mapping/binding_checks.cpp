// The checks and resolution run once over a parsed mapping tree: exclusive attributes, index
// registration, name patterns, external bindings and identifier references.
#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "host/host_names.hpp"
#include "mapping/included_mapping.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/name_regex.hpp"
#include "mapping/tree_node.hpp"

#include <algorithm>

namespace flk {
namespace {

// The reference's dimensions sorted by where the mapping binds their indices (outermost first);
// empty when that is already the dimensions' own order.
std::vector<int> nestingOrder(const std::vector<int>& indices, const std::vector<int>& bound) {
    std::vector<int> order(indices.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = int(k);
    auto depth = [&](int k) { return std::find(bound.begin(), bound.end(), indices[size_t(k)]) - bound.begin(); };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return depth(a) < depth(b); });
    for (size_t k = 0; k < order.size(); ++k)
        if (order[k] != int(k)) return order;
    return {};
}

void qualifyInPlace(const Mapping& mapping, std::wstring& name) {
    if (!name.empty()) name = qualifyName(mapping, name);
}

bool contains(const std::vector<int>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }

void addUnique(std::vector<int>& v, int x) {
    if (x >= 0 && !contains(v, x)) v.push_back(x);
}

// Splits "P(i, j)" into the identifier name and its index names.
void splitReference(const std::string& reference, std::string& identifier, std::vector<std::string>& indices) {
    size_t open = reference.find('(');
    identifier = reference.substr(0, open);
    while (!identifier.empty() && identifier.back() == ' ') identifier.pop_back();
    if (open == std::string::npos) return;
    std::string current;
    for (size_t i = open; i < reference.size(); ++i) {
        char c = reference[i];
        if (c == '(' || c == ',' || c == ')' || c == ' ') {
            if (!current.empty()) indices.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) indices.push_back(current);
}

}  // namespace

bool TreeNode::validateBindings(Mapping& mapping) {
    bool ok = true;
    for (std::wstring* n : {&attributes_.bindsTo, &attributes_.iterativeBindsTo, &attributes_.nameBindsTo, &attributes_.implicitBindsTo, &attributes_.constBindsTo})
        qualifyInPlace(mapping, *n);
    int binders = !attributes_.bindsTo.empty() + !attributes_.iterativeBindsTo.empty() + !attributes_.nameBindsTo.empty() + !attributes_.implicitBindsTo.empty();
    if (binders > 1) {
        raiseError("Only one of the binds-to, iterative-binds-to, name-binds-to and implicit-binds-to attributes can "
                   "be specified at a time for node " + attributes_.name);
        ok = false;
    }
    if (isValueNode() && !attributes_.bindsTo.empty() + !attributes_.mapsTo.empty() + !attributes_.value.empty() > 1) {
        raiseError("Only one of the binds-to, maps-to and value attributes can be specified at a time for node " +
                   attributes_.name);
        ok = false;
    }
    ok = validateExternal(mapping) && ok;
    if (!attributes_.nameBindsTo.empty()) {
        nameBindsIndex_ = registerIndex(mapping, attributes_.nameBindsTo, attributes_.name, "name-binds-to");
        ok = nameBindsIndex_ >= 0 && ok;
        if (!attributes_.nameRegex.empty()) ok = compileNameRegex() && ok;
    }
    if (!attributes_.iterativeBindsTo.empty()) {
        iterativeIndex_ = registerIndex(mapping, attributes_.iterativeBindsTo, attributes_.name, "iterative-binds-to");
        ok = iterativeIndex_ >= 0 && ok;
    }
    const std::wstring& binds = attributes_.bindsTo.empty() ? attributes_.implicitBindsTo : attributes_.bindsTo;
    if (!binds.empty()) {
        bindsToIndex_ = registerIndex(mapping, binds, attributes_.name, "binds-to");
        ok = bindsToIndex_ >= 0 && ok;
    }
    if (!attributes_.constBindsTo.empty()) ok = registerConst(mapping) && ok;
    for (auto& child : children_) ok = child->validateBindings(mapping) && ok;
    return ok;
}

bool TreeNode::compileNameRegex() {
    std::string pattern = attributes_.nameRegex[0] == '(' ? attributes_.nameRegexPrefix + attributes_.nameRegex + attributes_.nameRegexPostfix
                                               : attributes_.nameRegexPrefix + "(" + attributes_.nameRegex + ")" + attributes_.nameRegexPostfix;
    regex_ = std::make_unique<NameRegex>(pattern);
    if (regex_->ok()) return true;
    raiseError("The name-regex attribute " + pattern + " for node " + attributes_.name + " could not be parsed: " + regex_->error());
    regex_.reset();
    return false;
}

// The constant element must exist already: a mapping file does not create labels.
bool TreeNode::registerConst(Mapping& mapping) {
    constIndex_ = registerIndex(mapping, attributes_.constBindsTo, attributes_.name, "const-binds-to");
    if (constIndex_ < 0) return false;
    MolvoIOHandler& index = *mapping.indexTable[size_t(constIndex_)];
    constElement_ = index.elementByName(attributes_.constBindsValue, true);
    index.clearError();
    if (constElement_ > 0) return true;
    raiseError("The const-binds-value attribute " + attributes_.constBindsValue + " for node " + attributes_.name +
               " does not refer to an existing label for index " + toUtf8(attributes_.constBindsTo));
    return false;
}

bool TreeNode::validateExternal(Mapping& mapping) {
    bool ok = true;
    for (NodeExternalBinding& b : externalBindings_) {
        if (!b.binding.empty() && !b.iterativeBinding.empty()) {
            raiseError("Node " + attributes_.name + " cannot have an external binding with both a 'binding' and "
                       "'iterative-binding' attribute");
            ok = false;
            continue;
        }
        b.index = registerIndex(mapping, b.bindsTo, attributes_.name, "ExternalBinding.binds-to");
        if (b.index < 0) {
            ok = false;
            continue;
        }
        if (b.binding.empty()) continue;
        auto parameter = std::make_shared<MolvoIOHandler>(b.binding, false, 0, MolvoIOHandler::kMinStringSize);
        if (!parameter->valid() || parameter->isSetOrIndex() || parameter->fullDimension() != 0 ||
            !parameter->rangeDomain().hasRange()) {
            raiseError("The binding attribute " + toUtf8(b.binding) + " of ExternalBinding for node " + attributes_.name +
                       " should refer to an scalar element parameter");
            ok = false;
            continue;
        }
        if (rootSetName(parameter->rangeDomain().range()) != rootSetName(mapping.indexTable[size_t(b.index)]->handle())) {
            raiseError("The domain of the binds-to attribute " + toUtf8(b.bindsTo) + " and the range of the binding "
                       "attribute " + toUtf8(b.binding) + " of ExternalBinding for node " + attributes_.name +
                       " should be the same");
            ok = false;
            continue;
        }
        b.bindingParameter = std::move(parameter);
    }
    return ok;
}

// The indices bound at the ancestors, then those bound here: this node's own, its constant and
// external ones, and the binds-to of its value children, which bind for this node's scope.
void TreeNode::collectBoundIndices() {
    boundAll_ = parent_ ? parent_->boundAll_ : std::vector<int>();
    size_t inherited = boundAll_.size();
    if (!isValueNode()) addUnique(boundAll_, bindsToIndex_);
    addUnique(boundAll_, nameBindsIndex_);
    addUnique(boundAll_, iterativeIndex_);
    addUnique(boundAll_, constIndex_);
    for (const NodeExternalBinding& b : externalBindings_) addUnique(boundAll_, b.index);
    for (auto& child : children_) {
        if (!child->isValueNode() || child->bindsToIndex_ < 0 || contains(boundAll_, child->bindsToIndex_)) continue;
        boundAll_.push_back(child->bindsToIndex_);
        scopeOwned_.push_back(child->bindsToIndex_);
    }
    boundOwn_.assign(boundAll_.begin() + std::ptrdiff_t(inherited), boundAll_.end());
}

// Below a root, an iterative-binding makes binds-to take the element the node binds to the named
// index, so that index must be bound there by something else, and binds-to by nothing else.
bool TreeNode::resolveIterativeExternal(Mapping& mapping) {
    bool ok = true;
    for (NodeExternalBinding& b : externalBindings_) {
        if (b.iterativeBinding.empty()) continue;
        b.iterativeIndex = registerIndex(mapping, b.iterativeBinding, attributes_.name, "ExternalBinding.iterative-binding");
        if (b.iterativeIndex < 0 || b.index < 0) {
            ok = false;
            continue;
        }
        if (rootSetName(mapping.indexTable[size_t(b.index)]->handle()) !=
            rootSetName(mapping.indexTable[size_t(b.iterativeIndex)]->handle())) {
            raiseError("The root domains of the binds-to attribute " + toUtf8(b.bindsTo) +
                       " and iterative-binding attribute " + toUtf8(b.iterativeBinding) + " are not identical");
            ok = false;
            continue;
        }
        if (parent_) ok = checkIterativeSource(b) && ok;
    }
    return ok;
}

bool TreeNode::checkIterativeSource(const NodeExternalBinding& binding) const {
    std::vector<int> others = parent_->boundAll_;
    for (int index : {bindsToIndex_, nameBindsIndex_, iterativeIndex_, constIndex_}) addUnique(others, index);
    for (int index : scopeOwned_) addUnique(others, index);
    for (const NodeExternalBinding& b : externalBindings_)
        if (&b != &binding) addUnique(others, b.index);
    if (contains(others, binding.index))
        return iterativeUnbound(binding.iterativeBinding);
    if (!contains(others, binding.iterativeIndex))
        return raiseError("The binding attribute " + toUtf8(binding.iterativeBinding) + " does not refer to a bound index");
    return true;
}

bool TreeNode::resolve(Mapping& mapping) {
    collectBoundIndices();
    bool ok = resolveIterativeExternal(mapping);
    if (!parent_)
        for (const NodeExternalBinding& b : externalBindings_)
            mapping.externalBindings.push_back(
                ExternalBinding{b.index, b.bindingParameter, b.iterativeBinding, b.iterativePrefix});
    if (!attributes_.includedMapping.empty() && !children_.empty()) {
        raiseError("Node " + attributes_.name + " with included-mapping attribute '" + attributes_.includedMapping +
                   "' cannot have any child nodes");
        ok = false;
    }
    for (auto& child : children_) ok = child->resolve(mapping) && ok;
    if (!attributes_.mapsTo.empty()) ok = resolveReference(mapping, "maps-to", attributes_.mapsTo, true, mapsToRef_) && ok;
    if (!attributes_.writeFilter.empty()) ok = resolveReference(mapping, "write-filter", attributes_.writeFilter, false, writeFilterRef_) && ok;
    if (!attributes_.forceDense.empty()) ok = resolveReference(mapping, "force-dense", attributes_.forceDense, true, forceDenseRef_) && ok;
    if (!attributes_.includedMapping.empty() && attributes_.includedMapping[0] != '@')
        ok = resolveReference(mapping, "included-mapping", attributes_.includedMapping, false, includedRef_) && ok;
    // Asked at the end of every read of the node, of every value: decided once here.
    leavesMarks_ = (mapsToRef_ >= 0 && !isValueNode()) || forceDenseRef_ >= 0;
    hasScopeBindings_ = !scopeOwned_.empty() || (bindsToIndex_ >= 0 && !isValueNode());
    hasPrologue_ = nameBindsIndex_ >= 0 || iterativeIndex_ >= 0 || constIndex_ >= 0 || resetsIterativeCounters();
    if (!attributes_.embeddedMapping.empty()) {
        if (!findMapping(fromUtf8(attributes_.embeddedMapping))) {
            raiseError("The embedded mapping " + attributes_.embeddedMapping + " cannot be found");
            ok = false;
        } else if (!boundAll_.empty()) {
            raiseError("The mapping " + attributes_.embeddedMapping + " can only be embedded in nodes without bound indices");
            ok = false;
        }
    }
    if (!attributes_.embeddedMapping.empty() || (!attributes_.includedMappingName.empty() && externalBindings_.empty()))
        for (TreeNode* n = this; n; n = n->parent_) n->nestedMapping_ = true;
    ok = checkIncludedNow(mapping) && ok;
    if (ok) shadowIncluded(mapping);
    collectEnumeration(mapping);
    return ok;
}

// An included mapping registered already is checked now; one named per tuple, or added later,
// when it is used.
bool TreeNode::checkIncludedNow(Mapping& mapping) const {
    if (attributes_.includedMappingName.empty()) return true;
    auto included = findMapping(attributes_.includedMappingName);
    if (!included || !included->root || included.get() == &mapping) return true;
    return checkIterativeBindings(*this, mapping, *included);
}

// A node whose content an included mapping writes enumerates its own indices from the included
// mapping's identifiers: each of them gets a reference here, its external indices in the places
// of this node's bound indices, its other indices registered as positions nothing here binds.
void TreeNode::shadowIncluded(Mapping& mapping) {
    if (attributes_.includedMappingName.empty()) return;
    auto included = findMapping(attributes_.includedMappingName);
    includedKnown_ = included && included->root;
    if (!includedKnown_ || included.get() == &mapping) return;
    for (const IdentifierReference& inner : included->references) {
        std::vector<int> indices;
        for (int index : inner.indices) {
            int position = -1;
            for (size_t k = 0; k < included->externalBindings.size() && k < boundAll_.size(); ++k)
                if (included->externalBindings[k].index == index) position = boundAll_[k];
            if (position < 0) position = registerIndex(mapping, included->indexTable[size_t(index)]->name(), attributes_.name, "included-mapping");
            if (position < 0) return;
            indices.push_back(position);
        }
        auto target = std::make_shared<MolvoIOHandler>(inner.target->name(), false, 0, attributes_.maxStringSize);
        includedShadows_.push_back(int(mapping.references.size()));
        mapping.references.push_back(IdentifierReference{std::move(target), std::move(indices), false, {}});
    }
}

bool TreeNode::resolveReference(Mapping& mapping, const std::string& attribute, const std::string& reference,
                                bool clearedOnReset, int& number) {
    std::string identifier;
    std::vector<std::string> listed;
    splitReference(reference, identifier, listed);
    std::string where = "The " + attribute + " attribute " + reference + " for node " + attributes_.name;
    auto target = std::make_shared<MolvoIOHandler>(qualifyName(mapping, fromUtf8(identifier)), false, 0, attributes_.maxStringSize);
    if (!target->valid()) return raiseError(where + " refers to an non-existing identifier");
    std::vector<int> indices;
    if (listed.empty()) {
        if (size_t(target->fullDimension()) != boundAll_.size())
            return raiseError("The dimension of the " + attribute + " attribute " + reference + " for node " + attributes_.name +
                              " does not coincide with the number of bound indices at this node");
        indices = boundAll_;
    } else {
        if (size_t(target->fullDimension()) != listed.size())
            return raiseError("The dimension of the " + attribute + " attribute " + reference + " for node " + attributes_.name +
                              " does not coincide with the specified number of indices");
        for (size_t k = 0; k < listed.size(); ++k) {
            auto it = mapping.indexNumbers.find(qualifyName(mapping, fromUtf8(listed[k])));
            if (it == mapping.indexNumbers.end() || !contains(boundAll_, it->second)) {
                std::string bound = k < boundAll_.size() ? toUtf8(mapping.indexTable[size_t(boundAll_[k])]->name()) : "";
                return raiseError("Index " + listed[k] + " of identifier " + identifier +
                                  ", does not coincide with bound index '" + bound + "'");
            }
            indices.push_back(it->second);
        }
    }
    const MolvoDeclarationDomain& domain = target->declarationDomain();
    for (size_t k = 0; k < indices.size() && int(k) < domain.count(); ++k) {
        const MolvoIOHandler& index = *mapping.indexTable[size_t(indices[k])];
        if (rootSetName(domain.handle(int(k))) != rootSetName(index.handle()))
            return raiseError("The root domain at position " + std::to_string(k + 1) + " of the " + attribute +
                              " attribute " + reference + " for node " + attributes_.name +
                              " does not coincide with the root domain of index " + toUtf8(index.name()));
    }
    number = int(mapping.references.size());
    std::vector<int> order = nestingOrder(indices, boundAll_);
    mapping.references.push_back(IdentifierReference{std::move(target), std::move(indices), clearedOnReset, std::move(order)});
    return true;
}

// Which dimensions of each cursor in the subtree the write enumeration compares at this node.
void TreeNode::collectEnumeration(Mapping& mapping) {
    subtreeReferences_.clear();
    for (int r : {mapsToRef_, forceDenseRef_, writeFilterRef_})
        if (r >= 0) subtreeReferences_.push_back(r);
    for (int r : includedShadows_) subtreeReferences_.push_back(r);
    // A mapping named per tuple by a string parameter is written wherever the parameter has a value.
    if (includedRef_ >= 0) subtreeReferences_.push_back(includedRef_);
    for (auto& child : children_)
        for (int r : child->subtreeReferences_) addUnique(subtreeReferences_, r);
    std::vector<int> fixed(boundAll_.begin(), boundAll_.end() - std::ptrdiff_t(boundOwn_.size()));
    levels_[0] = Level{};
    levels_[1] = Level{};
    for (int index : boundOwn_) {
        bool row = rowsInScope_ && contains(scopeOwned_, index);
        levels_[row ? 1 : 0].own.push_back(index);
    }
    for (Level& level : levels_) {
        for (int r : subtreeReferences_) {
            const std::vector<int>& indices = mapping.references[size_t(r)].indices;
            std::vector<int> fixedDims, ownDims(level.own.size(), -1);
            for (size_t k = 0; k < indices.size(); ++k) {
                if (contains(fixed, indices[k])) fixedDims.push_back(int(k));
                for (size_t o = 0; o < level.own.size(); ++o)
                    if (level.own[o] == indices[k]) ownDims[o] = int(k);
            }
            level.fixedDims.push_back(std::move(fixedDims));
            level.ownDims.push_back(std::move(ownDims));
        }
        fixed.insert(fixed.end(), level.own.begin(), level.own.end());
    }
}

}  // namespace flk

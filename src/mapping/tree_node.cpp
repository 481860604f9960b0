#include "mapping/tree_node.hpp"

#include "frame/call_context.hpp"
#include "frame/utf8.hpp"
#include "mapping/name_regex.hpp"
#include "text/normalizer.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <stdexcept>

namespace flk {

void notImplemented() { throw std::logic_error("The method or operation is not implemented."); }

TreeNode::TreeNode() = default;
TreeNode::~TreeNode() = default;

bool TreeNode::parseMapping(const pugi::xml_node&, Mapping&) { notImplemented(); }
bool TreeNode::readDocument(ReadState&) { notImplemented(); }
bool TreeNode::writeDocument(WriteState&, int) { notImplemented(); }

TreeNode* TreeNode::childNamed(std::string_view name) const {
    for (const auto& [key, child] : childByName_)
        if (key == name) return child;
    return nullptr;
}

const TreeNode& TreeNode::top() const {
    const TreeNode* node = this;
    while (node->parent_) node = node->parent_;
    return *node;
}

void TreeNode::unknownAttribute(const std::string& attribute) {
    raiseError("Unknown attribute " + attribute + " encountered in node " + typeName());
}

namespace {

bool isTrue(const std::string& value) { return value == "1"; }

}  // namespace

bool TreeNode::applyCommonAttribute(const std::string& a, const std::string& v) {
    std::wstring wide = fromUtf8(v);
    if (a == "name") attributes_.name = v;
    else if (a == "alt-name") attributes_.altName = v;
    else if (a == "name-regex") attributes_.nameRegex = v;
    else if (a == "name-regex-prefix") attributes_.nameRegexPrefix = v;
    else if (a == "name-regex-postfix") attributes_.nameRegexPostfix = v;
    else if (a == "name-regex-from") attributes_.nameRegexFrom = v;
    else if (a == "name-binds-to") attributes_.nameBindsTo = wide;
    else if (a == "iterative-binds-to") attributes_.iterativeBindsTo = wide;
    else if (a == "iterative-prefix") attributes_.iterativePrefix = v;
    else if (a == "binds-to") attributes_.bindsTo = wide;
    else if (a == "implicit-binds-to") attributes_.implicitBindsTo = wide;
    else if (a == "const-binds-to") attributes_.constBindsTo = wide;
    else if (a == "const-binds-value") attributes_.constBindsValue = v;
    else if (a == "maps-to") attributes_.mapsTo = v;
    else if (a == "write-filter") attributes_.writeFilter = v;
    else if (a == "force-dense" || a == "dense-write") attributes_.forceDense = v;
    else if (a == "embedded-mapping") attributes_.embeddedMapping = v;
    else if (a == "included-mapping") {
        attributes_.includedMapping = v;
        if (!v.empty() && v[0] == '@') attributes_.includedMappingName = fromUtf8(v.substr(1));
    } else if (a == "value") attributes_.value = v;
    else if (a == "read-normalize") attributes_.readNormalize = v, readNormalizer_ = normalizerForName(v);
    else if (a == "write-normalize") attributes_.writeNormalize = v, writeNormalizer_ = normalizerForName(v);
    else if (a == "max-string-size") {
        long n = std::strtol(v.c_str(), nullptr, 10);
        attributes_.maxStringSize = int(std::clamp<long>(n, MolvoIOHandler::kMinStringSize, MolvoIOHandler::kMaxStringSize));
    } else if (a == "binds-existing") attributes_.bindsExisting = isTrue(v);
    else if (a == "binds-skip-non-existing") attributes_.skipNonExisting = isTrue(v);
    else if (a == "iterative-existing") attributes_.iterativeExisting = isTrue(v);
    else if (a == "range-existing") attributes_.rangeExisting = isTrue(v);
    else if (a == "write-defaults") attributes_.writeDefaults = isTrue(v);
    else return false;
    return true;
}

bool TreeNode::applyOwnAttribute(const std::string&, const std::string&) { return false; }

std::shared_ptr<TreeNode> TreeNode::makeChild(std::string_view) { return nullptr; }

void TreeNode::parseIterativeReset(const std::string& value, Mapping& mapping) {
    if (value == "1") {
        attributes_.iterativeResetAll = true;
        return;
    }
    // Names separated by commas and blanks.
    size_t start = 0;
    while ((start = value.find_first_not_of(", ", start)) != std::string::npos) {
        size_t end = value.find_first_of(", ", start);
        attributes_.iterativeResetList.push_back(qualifyName(mapping, fromUtf8(value.substr(start, end - start))));
        start = end;
    }
}

bool TreeNode::parseElement(const pugi::xml_node& element, Mapping& mapping, const char* elementName,
                            const std::vector<std::string_view>& accepted, const char* explicitChildName) {
    parseAttributes(element, mapping, accepted);
    return parseChildren(element, mapping, elementName, explicitChildName);
}

void TreeNode::parseAttributes(const pugi::xml_node& element, Mapping& mapping, const std::vector<std::string_view>& accepted) {
    mapping_ = &mapping;
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        std::string a = attribute.name(), v = attribute.value();
        if (std::find(accepted.begin(), accepted.end(), a) == accepted.end()) {
            unknownAttribute(a);
        } else if (a == "iterative-reset") {
            parseIterativeReset(v, mapping);
        } else if (a == "molvo-namespace") {
            mapping.nameSpace = fromUtf8(v);
        } else if (a != "namespace-uri" && !applyOwnAttribute(a, v) && !applyCommonAttribute(a, v)) {
            unknownAttribute(a);
        }
    }
}

bool TreeNode::parseChildren(const pugi::xml_node& element, Mapping& mapping, const char* elementName,
                             const char* explicitChildName) {
    bool ok = true;
    for (const pugi::xml_node& child : element.children()) {
        if (child.type() != pugi::node_element) continue;
        std::string childName = child.name();
        if (childName == "ExternalBinding" && acceptsExternalBinding()) {
            ok = parseExternalBinding(child, mapping) && ok;
            continue;
        }
        std::shared_ptr<TreeNode> node = makeChild(childName);
        if (!node) {
            raiseError("Mapping type " + childName + " not supported underneath a " + elementName);
            ok = false;
            continue;
        }
        node->parent_ = this;
        ok = node->parseMapping(child, mapping) && ok;
        ok = addChild(std::move(node), mapping, explicitChildName) && ok;
    }
    return ok;
}

bool TreeNode::parseExternalBinding(const pugi::xml_node& element, Mapping& mapping) {
    if (parent_ && attributes_.includedMapping.empty()) {
        raiseError("ExternalBinding elements can only be placed underneath a root node or a node with an "
                   "'included-mapping' attribute");
        return false;
    }
    NodeExternalBinding b;
    bool hasBindsTo = false, hasBinding = false;
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        std::string a = attribute.name();
        std::wstring v = fromUtf8(attribute.value());
        if (a == "binds-to") b.bindsTo = qualifyName(mapping, v), hasBindsTo = true;
        else if (a == "binding") b.binding = qualifyName(mapping, v), hasBinding = true;
        else if (a == "iterative-binding") b.iterativeBinding = qualifyName(mapping, v), hasBinding = true;
        else if (a == "iterative-prefix") b.iterativePrefix = attribute.value();
        else raiseError("Unknown attribute " + a + " encountered in node ExternalBinding");
    }
    if (!hasBindsTo || !hasBinding) {
        raiseError("An ExternalBinding element must have both a binds-to and binding/iterative-binding attribute");
        return false;
    }
    externalBindings_.push_back(std::move(b));
    return true;
}

bool TreeNode::addChild(std::shared_ptr<TreeNode> child, Mapping& mapping, const char* explicitName) {
    child->parent_ = this;
    children_.push_back(child);
    bool hasRegex = !child->attributes().nameRegex.empty() || !child->attributes().nameRegexFrom.empty();
    if (explicitName && !hasNamedChildren()) {
        std::string where = attributes_.name.empty() ? "" : "node '" + attributes_.name + "' of ";
        if (hasRegex) {
            const std::string& regex = child->attributes().nameRegex.empty() ? child->attributes().nameRegexFrom : child->attributes().nameRegex;
            raiseError("The name-regex attribute '" + regex + "' is not supported for child nodes of " + where +
                       "type " + typeName());
            return false;
        }
        if (!child->attributes().name.empty())
            raiseWarning(fromUtf8("The name-to attribute '" + child->attributes().name + "' is not used for child nodes of " +
                                  where + "type " + typeName()));
        childByName_.emplace_back(explicitName, child.get());
        return true;
    }
    bool hasName = !child->attributes().name.empty();
    bool oneRegex = child->attributes().nameRegex.empty() != child->attributes().nameRegexFrom.empty();
    if (hasName && !hasRegex) {
        // The first child of a name serves it.
        if (!childNamed(child->attributes().name)) childByName_.emplace_back(child->attributes().name, child.get());
        if (!child->attributes().altName.empty() && !childNamed(child->attributes().altName)) childByName_.emplace_back(child->attributes().altName, child.get());
        return true;
    }
    if (!hasName && oneRegex) {
        regexChildren_.push_back(child);
        return child->attributes().nameRegexFrom.empty() || child->buildRegexFrom(mapping);
    }
    raiseError("Node should have uniquely one of 'name' or 'name-regex' or 'name-regex-from' attributes");
    return false;
}

// Every element name of the set becomes one literal alternative.
bool TreeNode::buildRegexFrom(Mapping& mapping) {
    MolvoIOHandler set(qualifyName(mapping, fromUtf8(attributes_.nameRegexFrom)), false, 0, MolvoIOHandler::kMinStringSize);
    if (!set.valid() || (set.fullDimension() >= 2 && set.type() != IdentifierHandle::kIndex) ||
        (!set.isSetOrIndex())) {
        raiseError("The name-regex-from attribute value '" + attributes_.nameRegexFrom +
                   "' does not refer to a simple set or index");
        return false;
    }
    static const std::string kSpecial = "-[]{}()*+?.,\\^$|# \t\n\r\f\v";
    std::string regex = "(";
    for (int ordinal = 1;; ++ordinal) {
        int element = set.elementByOrdinal(ordinal);
        if (element <= 0) break;
        if (ordinal > 1) regex += '|';
        for (char c : set.elementName(element)) {
            if (kSpecial.find(c) != std::string::npos) regex += '\\';
            regex += c;
        }
    }
    set.clearError();
    attributes_.nameRegex = regex + ")";
    return true;
}

bool TreeNode::checkTree(Mapping& mapping) {
    bool ok = validateBindings(mapping);
    return resolve(mapping) && ok;
}

}  // namespace flk

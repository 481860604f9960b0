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
    if (a == "name") name_ = v;
    else if (a == "alt-name") altName_ = v;
    else if (a == "name-regex") nameRegex_ = v;
    else if (a == "name-regex-prefix") nameRegexPrefix_ = v;
    else if (a == "name-regex-postfix") nameRegexPostfix_ = v;
    else if (a == "name-regex-from") nameRegexFrom_ = v;
    else if (a == "name-binds-to") nameBindsTo_ = wide;
    else if (a == "iterative-binds-to") iterativeBindsTo_ = wide;
    else if (a == "iterative-prefix") iterativePrefix_ = v;
    else if (a == "binds-to") bindsTo_ = wide;
    else if (a == "implicit-binds-to") implicitBindsTo_ = wide;
    else if (a == "const-binds-to") constBindsTo_ = wide;
    else if (a == "const-binds-value") constBindsValue_ = v;
    else if (a == "maps-to") mapsTo_ = v;
    else if (a == "write-filter") writeFilter_ = v;
    else if (a == "force-dense" || a == "dense-write") forceDense_ = v;
    else if (a == "embedded-mapping") embeddedMapping_ = v;
    else if (a == "included-mapping") {
        includedMapping_ = v;
        if (!v.empty() && v[0] == '@') includedMappingName_ = fromUtf8(v.substr(1));
    } else if (a == "value") value_ = v;
    else if (a == "read-normalize") readNormalize_ = v, readNormalizer_ = normalizerForName(v);
    else if (a == "write-normalize") writeNormalize_ = v, writeNormalizer_ = normalizerForName(v);
    else if (a == "max-string-size") {
        long n = std::strtol(v.c_str(), nullptr, 10);
        maxStringSize_ = int(std::clamp<long>(n, MolvoIOHandler::kMinStringSize, MolvoIOHandler::kMaxStringSize));
    } else if (a == "binds-existing") bindsExisting_ = isTrue(v);
    else if (a == "binds-skip-non-existing") skipNonExisting_ = isTrue(v);
    else if (a == "iterative-existing") iterativeExisting_ = isTrue(v);
    else if (a == "range-existing") rangeExisting_ = isTrue(v);
    else return false;
    return true;
}

bool TreeNode::applyOwnAttribute(const std::string&, const std::string&) { return false; }

std::shared_ptr<TreeNode> TreeNode::makeChild(std::string_view) { return nullptr; }

void TreeNode::parseIterativeReset(const std::string& value, Mapping& mapping) {
    if (value == "1") {
        iterativeResetAll_ = true;
        return;
    }
    // Names separated by commas and blanks.
    size_t start = 0;
    while ((start = value.find_first_not_of(", ", start)) != std::string::npos) {
        size_t end = value.find_first_of(", ", start);
        iterativeResetList_.push_back(qualifyName(mapping, fromUtf8(value.substr(start, end - start))));
        start = end;
    }
}

bool TreeNode::parseElement(const pugi::xml_node& element, Mapping& mapping, const char* elementName,
                            const std::vector<std::string_view>& accepted, const char* explicitChildName) {
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
    if (parent_ && includedMapping_.empty()) {
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
    bool hasRegex = !child->nameRegex_.empty() || !child->nameRegexFrom_.empty();
    if (explicitName && !hasNamedChildren()) {
        std::string where = name_.empty() ? "" : "node '" + name_ + "' of ";
        if (hasRegex) {
            const std::string& regex = child->nameRegex_.empty() ? child->nameRegexFrom_ : child->nameRegex_;
            raiseError("The name-regex attribute '" + regex + "' is not supported for child nodes of " + where +
                       "type " + typeName());
            return false;
        }
        if (!child->name_.empty())
            raiseWarning(fromUtf8("The name-to attribute '" + child->name_ + "' is not used for child nodes of " +
                                  where + "type " + typeName()));
        childByName_.emplace_back(explicitName, child.get());
        return true;
    }
    bool hasName = !child->name_.empty();
    bool oneRegex = child->nameRegex_.empty() != child->nameRegexFrom_.empty();
    if (hasName && !hasRegex) {
        // The first child of a name serves it.
        if (!childNamed(child->name_)) childByName_.emplace_back(child->name_, child.get());
        if (!child->altName_.empty() && !childNamed(child->altName_)) childByName_.emplace_back(child->altName_, child.get());
        return true;
    }
    if (!hasName && oneRegex) {
        regexChildren_.push_back(child);
        return child->nameRegexFrom_.empty() || child->buildRegexFrom(mapping);
    }
    raiseError("Node should have uniquely one of 'name' or 'name-regex' or 'name-regex-from' attributes");
    return false;
}

// Every element name of the set becomes one literal alternative.
bool TreeNode::buildRegexFrom(Mapping& mapping) {
    MolvoIOHandler set(qualifyName(mapping, fromUtf8(nameRegexFrom_)), false, 0, MolvoIOHandler::kMinStringSize);
    if (!set.valid() || (set.fullDimension() >= 2 && set.type() != IdentifierHandle::kIndex) ||
        (!set.isSetOrIndex())) {
        raiseError("The name-regex-from attribute value '" + nameRegexFrom_ +
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
    nameRegex_ = regex + ")";
    return true;
}

bool TreeNode::checkTree(Mapping& mapping) {
    bool ok = validateBindings(mapping);
    return resolve(mapping) && ok;
}

}  // namespace flk

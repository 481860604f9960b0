#include "formats/xml/xml_nodes.hpp"

#include "formats/xml/xml_value_text.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"

#include <algorithm>

namespace flk {
namespace {

const std::vector<std::string_view> kAttributeAttributes{
    "name", "alt-name", "name-regex", "name-binds-to", "name-regex-prefix", "name-regex-postfix", "name-regex-from",
    "binds-to", "binds-existing", "binds-skip-non-existing", "range-existing", "read-normalize", "write-normalize",
    "maps-to", "write-filter", "dense-write", "force-dense", "value", "max-string-size"};

// An attribute naming an element of an index its enclosing elements bind confirms that binding:
// an order line's order="3" inside order 3 is consistent, order="4" there is an error, and
// neither moves the binding the rest of the element relies on.
BoundIndex boundIndexRule(const TreeNode& attribute) {
    const std::vector<int>& enclosing = attribute.parent()->boundIndices();
    bool inherited = std::find(enclosing.begin(), enclosing.end(), attribute.bindsToIndex()) != enclosing.end();
    return inherited ? BoundIndex::Confirm : BoundIndex::Rebind;
}

}  // namespace

bool AttributeNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    return parseElement(element, mapping, "AttributeMapping", kAttributeAttributes, nullptr);
}

bool AttributeNode::readXMLAttribute(ReadState& state, pugi::xml_attribute attribute) {
    ReadScope scope(*this, state, attribute.name());
    if (!scope.entered()) return scope.notEnteredResult();
    ReadValue value;
    convertXmlText(readTargetKind(*this, state), attribute.value(), value);
    return scope.end(transferValue(*this, state, value, boundIndexRule(*this)));
}

bool AttributeNode::writeXML(WriteState& state, pugi::xml_node into) {
    bool keep = hasValueAt(state, forceDenseReference(), false) || (parent() && parent()->attributes().denseChildren);
    std::string name, text;
    if (!writtenName(*this, state, name)) return false;
    bool has = valueNodeText(*this, state, text) || (keep && defaultValueText(*this, state, text));
    if ((!has || text.empty()) && !keep) return true;
    if (!checkWrittenText(*this, text)) return false;
    into.append_attribute(name.c_str()).set_value(text.data(), text.size());
    return true;
}

}  // namespace flk

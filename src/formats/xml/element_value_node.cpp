#include "formats/xml/xml_nodes.hpp"

#include "formats/xml/xml_members.hpp"
#include "formats/xml/xml_value_text.hpp"
#include "mapping/embedded_document.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"

namespace flk {
namespace {

const std::vector<std::string_view> kElementValueAttributes{
    "name", "alt-name", "name-regex", "name-binds-to", "name-regex-prefix", "name-regex-postfix", "name-regex-from",
    "binds-existing", "binds-skip-non-existing", "read-normalize", "write-normalize", "maps-to", "write-filter",
    "dense-write", "force-dense", "iterative-binds-to", "iterative-prefix", "iterative-existing", "const-binds-to",
    "const-binds-value", "binds-to", "range-existing", "value", "max-string-size", "base64-encoded",
    "embedded-mapping"};

// The element's text: all of its text and CDATA children, which a comment or an instruction
// between them splits; usually there is one, read where it stands.
std::string_view elementText(pugi::xml_node element, std::string& joined) {
    std::string_view first;
    bool found = false, several = false;
    for (pugi::xml_node n = element.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_pcdata && n.type() != pugi::node_cdata) continue;
        if (!found) {
            first = n.value();
            found = true;
            continue;
        }
        if (!several) joined.assign(first);
        several = true;
        joined += n.value();
    }
    return several ? std::string_view(joined) : first;
}

}  // namespace

bool ElementValueNode::applyOwnAttribute(const std::string& attribute, const std::string&) {
    if (attribute != "base64-encoded") return false;
    base64_ = true;   // set by its presence, whatever its value
    return true;
}

std::shared_ptr<TreeNode> ElementValueNode::makeChild(std::string_view element) {
    return makeXmlNode(XmlParent::ElementValue, element);
}

bool ElementValueNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    bool ok = parseElement(element, mapping, "ElementValueMapping", kElementValueAttributes, nullptr);
    indexChildren();
    return ok;
}

bool ElementValueNode::readText(ReadState& state, pugi::xml_node element) {
    std::string joined;
    std::string_view text = elementText(element, joined);
    if (!attributes_.embeddedMapping.empty()) return readEmbeddedDocument(state, attributes_.embeddedMapping, text, base64_);
    ReadValue value;
    convertXmlText(readTargetKind(*this, state), text, value);
    return transferValue(*this, state, value);
}

// The attributes that bind an index first; an element they skip is not read further.
bool ElementValueNode::readXMLElement(ReadState& state, pugi::xml_node element) {
    ReadScope scope(*this, state, element.name());
    if (!scope.entered()) return scope.notEnteredResult();
    bool attributeRead = false;   // an element value's child elements are no members
    if (!readXmlAttributes(*this, state, element, true, attributeRead)) return scope.end(false);
    if (state.takeSkip()) return scope.end(true);
    bool ok = readXmlAttributes(*this, state, element, false, attributeRead);
    return scope.end(readText(state, element) && ok);
}

bool ElementValueNode::writeText(WriteState& state, pugi::xml_node element, bool keep) {
    std::string text;
    bool has = false;
    if (!attributes_.embeddedMapping.empty()) {
        if (!writeEmbeddedDocument(state, attributes_.embeddedMapping, base64_, text)) return false;
        has = true;
    } else {
        has = valueNodeText(*this, state, text) || (keep && defaultValueText(*this, state, text));
    }
    if (!has || text.empty()) return true;
    if (!checkWrittenText(*this, text)) return false;
    element.append_child(pugi::node_pcdata).set_value(text.data(), text.size());
    return true;
}

bool ElementValueNode::writeXML(WriteState& state, pugi::xml_node into) {
    bool keep = hasValueAt(state, forceDenseReference(), false) || (parent() && parent()->attributes().denseChildren);
    std::string name;
    if (!writtenName(*this, state, name)) return false;
    pugi::xml_node element = into.append_child(name.c_str());
    for (const auto& child : children())
        if (!forEachTuple(state, *child, [&] { return asXml(*child).writeXML(state, element); })) return false;
    if (!writeText(state, element, keep)) return false;
    if (!keep && !element.first_child() && !element.first_attribute()) into.remove_child(element);
    return true;
}

}  // namespace flk

#include "formats/xml/xml_nodes.hpp"

#include "formats/xml/xml_content.hpp"
#include "formats/xml/xml_members.hpp"
#include "formats/xml/xml_output.hpp"
#include "formats/xml/xml_value_text.hpp"
#include "mapping/mapping_state.hpp"
#include "mapping/read_scope.hpp"

namespace flk {
namespace {

const std::vector<std::string_view> kElementObjectAttributes{
    "name", "alt-name", "name-regex", "name-binds-to", "name-regex-prefix", "name-regex-postfix", "name-regex-from",
    "binds-existing", "binds-skip-non-existing", "read-normalize", "write-normalize", "maps-to", "write-filter",
    "dense-write", "force-dense", "iterative-binds-to", "iterative-prefix", "iterative-existing", "const-binds-to",
    "const-binds-value", "iterative-reset", "implicit-binds-to", "dense-children", "included-mapping"};

// Reads an element: its attributes, then its child elements, which runs(read, stopAtFailure)
// hands to read(parent) in one or more parents; index-binding members first.
template <class Runs>
bool readContent(ElementObjectNode& node, ReadState& state, pugi::xml_node element, Runs&& runs) {
    ReadScope scope(node, state, element.name());
    if (!scope.entered()) return scope.notEnteredResult();
    if (!node.attributes().includedMapping.empty()) return scope.end(readXmlIncluded(node, state, element));
    bool attributeRead = false;
    bool ok = readIndexMembersFirst(state, [&](bool indexPass) {
        bool read = readXmlAttributes(node, state, element, indexPass, attributeRead);
        if (indexPass && (!read || !node.hasIndexElements())) return read;
        auto elements = [&](pugi::xml_node parent) {
            return readXmlElements(node, state, parent, indexPass, attributeRead);
        };
        return runs(elements, indexPass) && read;
    });
    return scope.end(ok);
}

}  // namespace

bool ElementObjectNode::applyOwnAttribute(const std::string& attribute, const std::string& value) {
    if (attribute != "dense-children") return false;
    attributes_.denseChildren = value == "1";
    return true;
}

std::shared_ptr<TreeNode> ElementObjectNode::makeChild(std::string_view element) {
    return makeXmlNode(XmlParent::ElementObject, element);
}

bool ElementObjectNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    bool ok = parseElement(element, mapping, "ElementObjectMapping", kElementObjectAttributes, nullptr);
    indexChildren();
    return ok;
}

bool ElementObjectNode::readXMLElement(ReadState& state, pugi::xml_node element) {
    return readContent(*this, state, element, [&](const auto& read, bool) { return read(element); });
}

bool ElementObjectNode::readDocumentElement(ReadState& state, XmlContent& content) {
    return readContent(*this, state, content.element(),
                       [&](const auto& read, bool stopAtFailure) { return content.forEachRun(read, stopAtFailure); });
}

bool ElementObjectNode::writesInRuns() const {
    if (!attributes_.includedMapping.empty()) return false;
    bool elementSeen = false;
    for (const auto& child : children()) {
        if (!asXml(*child).isAttribute()) elementSeen = true;
        else if (elementSeen) return false;
    }
    return true;
}

bool ElementObjectNode::writeChildren(WriteState& state, pugi::xml_node element, bool& streamed) {
    // Only the node of the document element is offered a sink, and only when its content may go
    // out in runs.
    XmlOutput* output = parent() && !parent()->parent() ? state.takeSink<XmlOutput>() : nullptr;
    for (const auto& child : children()) {
        XMLNode& node = asXml(*child);
        bool any = false;
        auto write = [&] {
            any = true;
            if (!node.writeXML(state, element)) return false;
            if (output && !node.isAttribute()) output->streamChildren(element);
            return true;
        };
        if (!forEachTuple(state, node, write)) return false;
        // Dense children are written without data too, where no index of their own asks for tuples.
        if (!any && attributes_.denseChildren && !node.bindsOwnIndices() && !write()) return false;
    }
    streamed = output && output->streamed();
    return true;
}

// The elements the included mapping writes take this node's name, so that the document reads
// back through this node (the included mapping's own name is not looked at when reading). A node
// with neither a name nor a name-binds-to reads nothing and leaves the included mapping's name.
bool ElementObjectNode::writeIncluded(WriteState& state, pugi::xml_node into) {
    pugi::xml_node before = into.last_child();
    std::string name;
    if (!writeXmlIncluded(*this, state, into)) return false;
    if (attributes_.name.empty() && nameBindsIndex() < 0) return true;
    if (!writtenName(*this, state, name)) return false;
    for (pugi::xml_node n = before ? before.next_sibling() : into.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element) n.set_name(name.c_str());
    return true;
}

bool ElementObjectNode::writeXML(WriteState& state, pugi::xml_node into) {
    bool keep = hasValueAt(state, forceDenseReference(), false) || (parent() && parent()->attributes().denseChildren);
    if (mapsToReference() >= 0) hasValueAt(state, mapsToReference(), true);
    if (!attributes_.includedMapping.empty()) return writeIncluded(state, into);
    std::string name;
    if (!writtenName(*this, state, name)) return false;
    pugi::xml_node element = into.append_child(name.c_str());
    bool streamed = false;
    if (!writeChildren(state, element, streamed)) return false;
    if (!keep && !streamed && !element.first_child() && !element.first_attribute()) into.remove_child(element);
    return true;
}

}  // namespace flk

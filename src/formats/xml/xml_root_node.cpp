#include "formats/xml/xml_nodes.hpp"

#include "formats/xml/xml_content.hpp"
#include "formats/xml/xml_output.hpp"
#include "formats/xml/xml_reading.hpp"
#include "frame/call_context.hpp"
#include "mapping/mapping_state.hpp"

#include <ostream>
#include <stdexcept>

namespace flk {

std::shared_ptr<TreeNode> makeXmlNode(XmlParent parent, std::string_view e) {
    if (parent != XmlParent::ElementValue && e == "ElementObjectMapping") return std::make_shared<ElementObjectNode>();
    if (parent != XmlParent::ElementValue && e == "ElementValueMapping") return std::make_shared<ElementValueNode>();
    if (parent != XmlParent::Root && e == "AttributeMapping") return std::make_shared<AttributeNode>();
    return nullptr;
}

std::shared_ptr<TreeNode> XMLRootNode::makeChild(std::string_view element) {
    return makeXmlNode(XmlParent::Root, element);
}

XMLNode* XMLRootNode::child() const { return children().empty() ? nullptr : &asXml(*children().front()); }

bool XMLRootNode::parseMapping(const pugi::xml_node& element, Mapping& mapping) {
    static const std::vector<std::string_view> accepted{"molvo-namespace", "namespace-uri", "iterative-reset"};
    bool ok = parseElement(element, mapping, "MolvoXMLMapping", accepted, nullptr);
    for (const pugi::xml_attribute& attribute : element.attributes())
        if (std::string_view(attribute.name()) == "namespace-uri") namespaceUri_ = attribute.value();
    if (children().size() != 1) {
        raiseError(std::string_view("XML root node should have a single child"));
        ok = false;
    }
    indexChildren();
    return checkTree(mapping) && ok;
}

bool XMLRootNode::readDocument(ReadState& state) {
    auto* object = dynamic_cast<ElementObjectNode*>(child());
    bool inRuns = object && object->readsInRuns();
    XmlContent content;
    if (!content.load(state, inRuns)) return false;
    XmlReading reading(content);
    CurrentRead<XmlReading> current(reading);
    ScopedPlaceSource place(state, [&reading] { return reading.place(); });
    const pugi::xml_node element = content.element();
    XmlFocus focus(element);
    bool ok = false;
    if (!inRuns) {
        ok = readXMLElement(state, element);
    } else {
        resetIterativeCounters();
        ok = object->readDocumentElement(state, content);
    }
    if (ok) reading.unread().report(state.documentName(), "elements");
    return ok;
}

bool XMLRootNode::readXMLElement(ReadState& state, pugi::xml_node element) {
    resetIterativeCounters();
    return child() && child()->readXMLElement(state, element);
}

bool XMLRootNode::writeXML(WriteState& state, pugi::xml_node parent) {
    XMLNode* top = child();
    return top && forEachTuple(state, *top, [&] { return top->writeXML(state, parent); });
}

// A document holds one element: with no data the element is written empty, so that the document
// reads back; one that would be written more than once is refused.
bool XMLRootNode::completeDocument(pugi::xml_document& document) const {
    size_t elements = 0;
    for (pugi::xml_node n = document.first_child(); n; n = n.next_sibling()) elements += n.type() == pugi::node_element;
    if (elements == 1) return true;
    const std::string& name = child()->name();
    if (elements == 0 && !name.empty()) return document.append_child(name.c_str()), true;
    if (elements == 0) return raiseError("Node '" + child()->attributes().nameRegex + "' has no data to name the document element");
    return raiseError("Node '" + name + "' writes " + std::to_string(elements) + " document elements where a document has one");
}

bool XMLRootNode::writeDocument(WriteState& state, int pretty) {
    pugi::xml_document document;
    XmlOutput output(pretty != 0, namespaceUri_);
    auto* object = dynamic_cast<ElementObjectNode*>(child());
    if (object && object->writesInRuns()) state.offerSink(&output);
    bool built = writeXML(state, document) && completeDocument(document);
    state.offerSink(nullptr);
    if (!built) return raiseError(L"Error generating XML document " + state.documentName());
    output.finish(document.document_element());
    const std::string& text = output.text();
    if (!state.output().write(text.data(), std::streamsize(text.size())))
        throw std::runtime_error("Cannot write the XML document to its output");
    return true;
}

}  // namespace flk

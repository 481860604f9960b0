#include "formats/xml/xml_members.hpp"

#include "formats/xml/xml_reading.hpp"

namespace flk {
namespace {

// Of an element's child nodes only its elements are members; text, comments and instructions
// are not read.
bool isMember(const pugi::xml_attribute&) { return true; }
bool isMember(const pugi::xml_node& node) { return node.type() == pugi::node_element; }

// Members go by name: a short scan beats hashing names that are usually small. anyRead: some
// child read a member.
template <class Members, class Named, class Read>
bool readMembers(const Members& members, Named&& named, const std::vector<XMLNode*>& patterns, bool indexPass,
                 Read&& read, bool& anyRead) {
    bool ok = true;
    for (const auto& member : members) {
        if (!isMember(member)) continue;
        std::string_view name = member.name();
        if (XMLNode* child = named(name)) {
            anyRead = true;
            if (child->bindsIndexFromValue() == indexPass) ok = read(*child, member) && ok;
            if (indexPass && !ok) return false;
            continue;
        }
        if (indexPass) continue;
        for (XMLNode* child : patterns) {
            if (!child->matchesPattern(name)) continue;
            anyRead = true;
            ok = read(*child, member) && ok;
        }
    }
    return ok;
}

// Notes for the read whether a child of the node read some attribute or child element of the
// element (parent, or the run of its content parent holds), or which child elements it met.
void tallyElements(XMLNode& node, pugi::xml_node parent, bool anyRead) {
    XmlReading* reading = CurrentRead<XmlReading>::get();
    if (!reading) return;
    if (anyRead) return reading->unread().childRead(node, node.elementsRead());
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (isMember(child)) reading->unread().unread(node, child.name());
}

}  // namespace

bool readXmlAttributes(XMLNode& node, ReadState& state, pugi::xml_node element, bool indexPass, bool& anyRead) {
    if (!node.readsAttributes()) return true;
    return readMembers(
        element.attributes(), [&](std::string_view name) { return node.attributeChild(name); }, node.attributePatterns(),
        indexPass,
        [&](XMLNode& child, const pugi::xml_attribute& a) {
            XmlFocus focus(element, &a);
            return child.readXMLAttribute(state, a);
        },
        anyRead);
}

bool readXmlElements(XMLNode& node, ReadState& state, pugi::xml_node parent, bool indexPass, bool anyRead) {
    bool ok = readMembers(
        parent.children(), [&](std::string_view name) { return node.elementChild(name); }, node.elementPatterns(),
        indexPass,
        [&](XMLNode& child, const pugi::xml_node& e) {
            XmlFocus focus(e);
            return child.readXMLElement(state, e);
        },
        anyRead);
    if (!indexPass) tallyElements(node, parent, anyRead);
    return ok;
}

}  // namespace flk

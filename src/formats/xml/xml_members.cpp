#include "formats/xml/xml_members.hpp"

namespace flk {
namespace {

// Of an element's child nodes only its elements are members; text, comments and instructions
// are not read.
bool isMember(const pugi::xml_attribute&) { return true; }
bool isMember(const pugi::xml_node& node) { return node.type() == pugi::node_element; }

// Members go by name: a short scan beats hashing names that are usually small.
template <class Members, class Named, class Read>
bool readMembers(const Members& members, Named&& named, const std::vector<XMLNode*>& patterns, bool indexPass,
                 Read&& read) {
    bool ok = true;
    for (const auto& member : members) {
        if (!isMember(member)) continue;
        std::string_view name = member.name();
        if (XMLNode* child = named(name)) {
            if (child->bindsIndexFromValue() == indexPass) ok = read(*child, member) && ok;
            if (indexPass && !ok) return false;
            continue;
        }
        if (indexPass) continue;
        for (XMLNode* child : patterns)
            if (child->matchesPattern(name)) ok = read(*child, member) && ok;
    }
    return ok;
}

}  // namespace

bool readXmlAttributes(XMLNode& node, ReadState& state, pugi::xml_node element, bool indexPass) {
    if (!node.readsAttributes()) return true;
    return readMembers(
        element.attributes(), [&](std::string_view name) { return node.attributeChild(name); }, node.attributePatterns(),
        indexPass, [&](XMLNode& child, const pugi::xml_attribute& a) { return child.readXMLAttribute(state, a); });
}

bool readXmlElements(XMLNode& node, ReadState& state, pugi::xml_node parent, bool indexPass) {
    return readMembers(
        parent.children(), [&](std::string_view name) { return node.elementChild(name); }, node.elementPatterns(),
        indexPass, [&](XMLNode& child, const pugi::xml_node& e) { return child.readXMLElement(state, e); });
}

}  // namespace flk

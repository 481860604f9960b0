// XML content handed to and taken from included mappings, the steps XML nodes do not all
// implement, and the tables XML nodes keep of their children.
#include "formats/xml/xml_node.hpp"

#include "mapping/included_mapping.hpp"

#include <algorithm>

namespace flk {
namespace {

const IncludingKind kXmlTree{DocumentKind::XML, "No XML root node present for current XML node"};

}  // namespace

bool XMLNode::readXMLElement(ReadState&, pugi::xml_node) { notImplemented(); }
bool XMLNode::readXMLAttribute(ReadState&, pugi::xml_attribute) { notImplemented(); }
bool XMLNode::writeXML(WriteState&, pugi::xml_node) { notImplemented(); }

XMLNode* XMLNode::find(const Names& names, std::string_view name) {
    for (const auto& [key, child] : names)
        if (key == name) return child;
    return nullptr;
}

bool XMLNode::hasIndexElements() const {
    for (const auto& entry : elementNames_)
        if (entry.second->bindsIndexFromValue()) return true;
    return false;
}

void XMLNode::indexChildren() {
    const auto& patterns = regexChildren();
    for (const auto& child : children()) {
        XMLNode& node = asXml(*child);
        bool attribute = node.isAttribute();
        if (std::find(patterns.begin(), patterns.end(), child) != patterns.end()) {
            (attribute ? attributePatterns_ : elementPatterns_).push_back(&node);
            continue;
        }
        Names& names = attribute ? attributeNames_ : elementNames_;
        for (const std::string* name : {&node.attributes().name, &node.attributes().altName})
            if (!name->empty() && !find(names, *name)) names.emplace_back(*name, &node);
    }
}

bool readXmlIncluded(const TreeNode& node, ReadState& state, pugi::xml_node element) {
    return readIncluded(node, state, kXmlTree,
                        [&](TreeNode& root, ReadState& inner) { return asXml(root).readXMLElement(inner, element); });
}

bool writeXmlIncluded(const TreeNode& node, WriteState& state, pugi::xml_node parent) {
    return writeIncluded(node, state, kXmlTree,
                         [&](TreeNode& root, WriteState& inner) { return asXml(root).writeXML(inner, parent); });
}

}  // namespace flk

// The XML node classes: XMLNode marks a node as part of an XML mapping and gives it the read and
// write steps of XML elements and attributes; the factory creates the node class for a mapping
// element under a given parent element.
#pragma once

#include "mapping/tree_node.hpp"
#include "mapping/unread_names.hpp"

#include <pugixml.hpp>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace flk {

// The read and write steps of the nodes of XML mappings; those a class does not implement fail
// as TreeNode's do.
class XMLNode : public TreeNode {
public:
    virtual bool readXMLElement(ReadState& state, pugi::xml_node element);
    virtual bool readXMLAttribute(ReadState& state, pugi::xml_attribute attribute);
    // Appends the node's element or attribute to parent; appends nothing when there is nothing
    // to write.
    virtual bool writeXML(WriteState& state, pugi::xml_node parent);
    virtual bool isAttribute() const { return false; }

    // The children that read attributes, or those that read elements, of that exact name
    // (or alt-name): the first such child serves it. nullptr when there is none.
    XMLNode* attributeChild(std::string_view name) const { return find(attributeNames_, name); }
    XMLNode* elementChild(std::string_view name) const { return find(elementNames_, name); }
    bool readsAttributes() const { return !attributeNames_.empty() || !attributePatterns_.empty(); }
    // The children of either kind matched by a name pattern instead, in mapping order.
    const std::vector<XMLNode*>& attributePatterns() const { return attributePatterns_; }
    const std::vector<XMLNode*>& elementPatterns() const { return elementPatterns_; }
    // Some element child binds an index from its value: the elements are read in two passes.
    bool hasIndexElements() const;
    // The last read in which a child read one of the child elements of an element of this node.
    UnreadNames::Mark& elementsRead() { return elementsRead_; }

protected:
    // Sorts the parsed children by what they read; called once parseElement made them.
    void indexChildren();

private:
    using Names = std::vector<std::pair<std::string, XMLNode*>>;
    static XMLNode* find(const Names& names, std::string_view name);

    Names attributeNames_, elementNames_;
    std::vector<XMLNode*> attributePatterns_, elementPatterns_;
    UnreadNames::Mark elementsRead_;
};

// Every node of an XML tree is an XMLNode: the factory below makes no other.
inline XMLNode& asXml(TreeNode& node) { return static_cast<XMLNode&>(node); }
inline const XMLNode& asXml(const TreeNode& node) { return static_cast<const XMLNode&>(node); }

// The node's content read and written through its included mapping: the included mapping's
// root reads the element, or appends what it writes to parent.
bool readXmlIncluded(const TreeNode& node, ReadState& state, pugi::xml_node element);
bool writeXmlIncluded(const TreeNode& node, WriteState& state, pugi::xml_node parent);

// Parent kinds whose child tables differ.
enum class XmlParent { Root, ElementObject, ElementValue };

// The node for a child element, or nullptr when the parent does not accept it.
std::shared_ptr<TreeNode> makeXmlNode(XmlParent parent, std::string_view element);

}  // namespace flk

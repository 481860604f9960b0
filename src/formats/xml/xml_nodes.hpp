// The node classes of XML mappings.
#pragma once

#include "formats/xml/xml_node.hpp"

namespace flk {

class XmlContent;

class XMLRootNode : public XMLNode {
public:
    DocumentKind documentKind() const override { return DocumentKind::XML; }
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readDocument(ReadState& state) override;
    bool readXMLElement(ReadState& state, pugi::xml_node element) override;
    bool writeDocument(WriteState& state, int pretty) override;
    bool writeXML(WriteState& state, pugi::xml_node parent) override;
    const char* typeName() const override { return "XMLRootNode"; }

    const std::string& namespaceUri() const { return namespaceUri_; }

protected:
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;

private:
    XMLNode* child() const;
    bool completeDocument(pugi::xml_document& document) const;

    std::string namespaceUri_;
};

class ElementObjectNode : public XMLNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readXMLElement(ReadState& state, pugi::xml_node element) override;
    bool writeXML(WriteState& state, pugi::xml_node parent) override;
    const char* typeName() const override { return "ElementObjectNode"; }

    // The document element, whose content is parsed in runs.
    bool readDocumentElement(ReadState& state, XmlContent& content);
    // Whether a document element of this node may be read and written in runs: its content is
    // its own (no included mapping), and its attributes are written before its elements, so
    // that its start tag is complete before the first child element goes out.
    bool readsInRuns() const { return attributes_.includedMapping.empty(); }
    bool writesInRuns() const;

protected:
    bool applyOwnAttribute(const std::string& attribute, const std::string& value) override;
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;

private:
    bool writeChildren(WriteState& state, pugi::xml_node element, bool& streamed);
    bool writeIncluded(WriteState& state, pugi::xml_node into);
};

class ElementValueNode : public XMLNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readXMLElement(ReadState& state, pugi::xml_node element) override;
    bool writeXML(WriteState& state, pugi::xml_node parent) override;
    bool isValueNode() const override { return true; }
    bool acceptsExternalBinding() const override { return false; }
    const char* typeName() const override { return "ElementValueNode"; }

protected:
    bool applyOwnAttribute(const std::string& attribute, const std::string& value) override;
    std::shared_ptr<TreeNode> makeChild(std::string_view element) override;

private:
    bool readText(ReadState& state, pugi::xml_node element);
    bool writeText(WriteState& state, pugi::xml_node element, bool keep);

    bool base64_ = false;
};

class AttributeNode : public XMLNode {
public:
    bool parseMapping(const pugi::xml_node& element, Mapping& mapping) override;
    bool readXMLAttribute(ReadState& state, pugi::xml_attribute attribute) override;
    bool writeXML(WriteState& state, pugi::xml_node parent) override;
    bool isValueNode() const override { return true; }
    bool isAttribute() const override { return true; }
    bool acceptsExternalBinding() const override { return false; }
    const char* typeName() const override { return "AttributeNode"; }
};

}  // namespace flk

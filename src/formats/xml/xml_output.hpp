// Documents written as text: the declaration '<?xml version="1.0"?>', then the document element,
// laid out as pugixml saves a document (compact, or indented with one tab per level and a line
// end after the declaration and after each element). Text and attribute values are escaped so
// that they read back as they were: a carriage return in text is written as a reference too,
// which the parser would otherwise read as a line feed.
//
// The document element of a large document may go out in runs: the node that writes it hands
// over each child element as soon as it is complete, and the child's part of the document is
// freed. The text is kept until the document is complete, so that a write that fails halfway
// leaves its output untouched.
#pragma once

#include "mapping/mapping_state.hpp"

#include <pugixml.hpp>

#include <string>

namespace flk {

class XmlOutput : public WriteSink {
public:
    // namespaceUri: given to the document element as the attribute xmlns, after its own ones.
    XmlOutput(bool pretty, std::string namespaceUri);

    // Writes the element's children so far and removes them from it; the first time, after the
    // element's start tag, which then takes no more attributes.
    void streamChildren(pugi::xml_node element);
    bool streamed() const { return opened_; }

    // Writes the document element, or what of it was not streamed yet; then the text is complete.
    void finish(pugi::xml_node element);
    const std::string& text() const { return text_; }

private:
    enum : unsigned { kNewline = 1, kIndent = 2 };

    void subtree(pugi::xml_node root, unsigned depth);
    void lineStart(unsigned depth);
    bool startTag(pugi::xml_node element);   // true when the element has content to follow
    void endTag(pugi::xml_node element);
    void escaped(const char* value, bool attribute);
    void addNamespace(pugi::xml_node element) const;

    bool pretty_;
    std::string namespaceUri_;
    std::string text_;
    unsigned layout_ = kIndent;   // what goes before the next element: a line end, an indentation
    bool opened_ = false;         // the document element's start tag is written
};

}  // namespace flk

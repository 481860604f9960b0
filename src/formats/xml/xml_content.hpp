// A document read for a mapping, checked whole by its outline before any of its values is read,
// then handed out as its document element: whole, or as its start tag and its content in runs of
// about kXmlRunBytes, each parsed when it is read, so that the parsed form of a large document
// never exists whole. A document that breaks fails the read with "Error parsing XML document
// <name>", followed by the warning that says where (line and column) and why.
#pragma once

#include "formats/xml/xml_outline.hpp"
#include "formats/xml/xml_text.hpp"

#include <pugixml.hpp>

#include <functional>

namespace flk {

class ReadState;

class XmlContent {
public:
    // Reads the state's input; false after reporting where it broke. Throws std::bad_alloc.
    bool load(ReadState& state, bool inRuns);

    // In runs: an element with the document element's name and attributes and no content;
    // otherwise the document element with all of its content.
    pugi::xml_node element() const { return element_.document_element(); }

    // Calls read(parent) for each run of the content, parent's children being the run's nodes;
    // stops at the first failure when asked to. Returns whether every read succeeded.
    bool forEachRun(const std::function<bool(pugi::xml_node)>& read, bool stopAtFailure);

    // The document's text, and where in it an element handed out (its '<'), or an attribute of
    // it, stands; npos for a node that is not the parser's.
    std::string_view body() const { return text_.body(); }
    size_t offsetOf(pugi::xml_node element, pugi::xml_attribute attribute) const;

private:
    bool failed(const XmlProblem& problem);
    bool parse(pugi::xml_document& document, XmlRange range, unsigned options, XmlProblem& problem) const;
    bool parseStartTag(XmlProblem& problem);

    ReadState* state_ = nullptr;
    XmlText text_;
    XmlOutline outline_;
    pugi::xml_document element_;
    pugi::xml_document run_;   // the run read last, or the only one
    bool oneRun_ = false;      // the content is one run, parsed once when the document was loaded
    size_t elementBase_ = 0;   // where the text element_ was parsed from starts in the body
    size_t runBase_ = 0;       // where the text of run_ starts in the body
};

}  // namespace flk

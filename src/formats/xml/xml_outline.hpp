// The outline of a document: where its document element's start tag stands and how its content
// divides into runs between child elements, found by one scan of the text that checks the
// document's structure at least as strictly as the parser does, so that every run it lets pass
// parses, and what the parser lets pass or cannot see across runs. Only comments, processing instructions and
// blanks may stand around the document element, and before it one document type declaration
// without an internal subset, which is passed over: no document can make the reader expand
// entities or open other files. Every '&' must begin a reference to one of the five predefined
// entities or to a character XML documents can hold.
#pragma once

#include "formats/xml/xml_text.hpp"

#include <string_view>
#include <vector>

namespace flk {

struct XmlRange {
    size_t begin, end;
};

struct XmlOutline {
    XmlRange startTag{0, 0};     // "<name ...>" of the document element
    bool empty = false;          // the start tag is "<name .../>"
    std::vector<XmlRange> runs;  // the element's content, each run at least runBytes long but the last
    XmlRange whole{0, 0};        // the document element from its start tag to the end of its end tag
};

// False with the problem when the text is not a well-formed document in what the scan sees.
bool outlineXml(std::string_view text, size_t runBytes, XmlOutline& outline, XmlProblem& problem);

}  // namespace flk

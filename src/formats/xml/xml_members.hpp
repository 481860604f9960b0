// The attributes and child elements of one element, read by the children of the node that reads
// the element. A pass reads either the members whose child binds an index from its value
// (indexPass) or the others; a member no child of that exact name serves is read by every child
// whose name pattern matches it, in the second pass. Members that no child serves are not read;
// child elements met where none is read are noted for the read (XmlReading::unread).
#pragma once

#include "formats/xml/xml_node.hpp"

namespace flk {

// The first failure of the index pass ends it; the other pass reads every member and returns
// whether all reads succeeded. anyRead: whether a child read an attribute, set when one did;
// for elements, whether one read an attribute of the element they stand in.
bool readXmlAttributes(XMLNode& node, ReadState& state, pugi::xml_node element, bool indexPass, bool& anyRead);
bool readXmlElements(XMLNode& node, ReadState& state, pugi::xml_node parent, bool indexPass, bool anyRead);

}  // namespace flk

// Namespace-prefix-blind helpers over pugixml nodes: programs write both <sheet> and <x:sheet>.
#ifndef XLSXBOOK_XML_DOM_H
#define XLSXBOOK_XML_DOM_H

#include <pugixml.hpp>

#include <cstring>
#include <string_view>

namespace xlsxbook {

inline std::string_view localName(const char* qname) {
  const char* colon = std::strrchr(qname, ':');
  return colon ? colon + 1 : qname;
}

inline pugi::xml_node childByLocalName(pugi::xml_node parent, std::string_view name) {
  for (pugi::xml_node child : parent.children())
    if (child.type() == pugi::node_element && localName(child.name()) == name) return child;
  return {};
}

// An attribute by local name; with wantPrefix, only a prefixed one (r:id, not id).
inline pugi::xml_attribute attributeByLocalName(pugi::xml_node node, std::string_view name,
                                                bool wantPrefix = false) {
  for (pugi::xml_attribute a : node.attributes()) {
    const bool prefixed = std::strchr(a.name(), ':') != nullptr;
    if (localName(a.name()) == name && (prefixed || !wantPrefix)) return a;
  }
  return {};
}

}  // namespace xlsxbook

#endif  // XLSXBOOK_XML_DOM_H

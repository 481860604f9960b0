// Package relationships and the DOM loading of small parts.
#include <pugixml.hpp>

#include <vector>

#include "failure.h"
#include "limits.h"
#include "package_parts.h"
#include "xml_dom.h"
#include "zip_reader.h"

namespace xlsxbook {

std::string resolveTarget(std::string_view sourcePart, std::string_view target) {
  std::string path;
  if (!target.empty() && target.front() == '/') {
    path = std::string(target.substr(1));
  } else {
    const std::size_t slash = sourcePart.rfind('/');
    path = std::string(slash == std::string_view::npos ? "" : sourcePart.substr(0, slash + 1));
    path += target;
  }
  // Collapse "." and ".." segments.
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
  return out;
}

void loadSmallPart(ZipReader& zip, const std::string& part, pugi::xml_document* doc) {
  std::uint64_t index;
  if (!zip.find(part, &index)) throw Failure("the archive lacks the part " + part);
  const std::string xml = zip.readAll(index, kMaxSmallPartBytes);
  // No DOCTYPE parsing: entities are never expanded, so a part cannot inflate itself.
  const pugi::xml_parse_result result =
      doc->load_buffer(xml.data(), xml.size(), pugi::parse_default & ~pugi::parse_doctype);
  if (!result)
    throw Failure("part " + part + " is not well-formed XML: " + result.description() + " at offset " +
                  std::to_string(result.offset));
}

Relationships readRelationships(ZipReader& zip, const std::string& sourcePart) {
  const std::size_t slash = sourcePart.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : sourcePart.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? sourcePart : sourcePart.substr(slash + 1);
  const std::string relsPart = dir + "_rels/" + base + ".rels";
  Relationships rels;
  std::uint64_t index;
  if (!zip.find(relsPart, &index)) return rels;
  pugi::xml_document doc;
  loadSmallPart(zip, relsPart, &doc);
  const pugi::xml_node root = doc.document_element();
  for (pugi::xml_node rel : root.children()) {
    if (localName(rel.name()) != "Relationship") continue;
    if (std::string_view(attributeByLocalName(rel, "TargetMode").value()) == "External") continue;
    const std::string id = attributeByLocalName(rel, "Id").value();
    rels[id] = Relationship{attributeByLocalName(rel, "Type").value(),
                            resolveTarget(sourcePart, attributeByLocalName(rel, "Target").value())};
  }
  return rels;
}

bool hasRelType(const Relationship& rel, std::string_view kind) {
  const std::string_view type = rel.type;
  return type.size() > kind.size() && type.substr(type.size() - kind.size()) == kind &&
         type[type.size() - kind.size() - 1] == '/';
}

}  // namespace xlsxbook

// Reads the number formats of the cell formats (cellXfs) from the styles part.
#include <pugixml.hpp>

#include <cstdlib>

#include "failure.h"
#include "limits.h"
#include "package_parts.h"
#include "styles.h"
#include "xml_dom.h"

namespace xlsxbook {
namespace {

int numFmtIdOf(const pugi::xml_node& node, const std::string& part) {
  const char* text = attributeByLocalName(node, "numFmtId").value();
  if (!*text) return 0;
  char* end = nullptr;
  const long id = std::strtol(text, &end, 10);
  if (*end || id < 0 || id > kMaxNumFormatId)
    throw Failure("part " + part + " has the number format id '" + text + "', expected 0 to " +
                  std::to_string(kMaxNumFormatId));
  return int(id);
}

}  // namespace

void readStyles(ZipReader& zip, const std::string& part, Styles* styles) {
  pugi::xml_document doc;
  loadSmallPart(zip, part, &doc);
  const pugi::xml_node sheet = doc.document_element();
  // The default format is replaced by the part's own list.
  styles->reset();
  for (pugi::xml_node fmt : childByLocalName(sheet, "numFmts").children())
    if (localName(fmt.name()) == "numFmt")
      styles->setCustomFormat(numFmtIdOf(fmt, part), attributeByLocalName(fmt, "formatCode").value());
  bool first = true;
  for (pugi::xml_node xf : childByLocalName(sheet, "cellXfs").children()) {
    if (localName(xf.name()) != "xf") continue;
    if (first) {
      styles->setXfNumFmt(0, numFmtIdOf(xf, part));
      first = false;
    } else if (!styles->addXf(numFmtIdOf(xf, part))) {
      throw Failure("part " + part + " has more than " + std::to_string(kMaxStyles) + " cell formats");
    }
  }
}

}  // namespace xlsxbook

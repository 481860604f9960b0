// Finds the workbook in the package and reads its parts in the order values depend on them:
// styles and shared strings first, then the sheets in workbook order.
#include <pugixml.hpp>

#include "book_impl.h"
#include "failure.h"
#include "limits.h"
#include "package.h"
#include "package_parts.h"
#include "utf8.h"
#include "xml_dom.h"
#include "zip_reader.h"

namespace xlsxbook {
namespace {

const char kDefaultWorkbookPart[] = "xl/workbook.xml";

std::string findWorkbookPart(ZipReader& zip) {
  for (const auto& [id, rel] : readRelationships(zip, "")) {
    std::uint64_t index;
    if (hasRelType(rel, "officeDocument") && zip.find(rel.target, &index)) return rel.target;
  }
  std::uint64_t index;
  if (zip.find(kDefaultWorkbookPart, &index)) return kDefaultWorkbookPart;
  if (zip.find("xl/workbook.bin", &index))
    throw Failure("the archive is a binary .xlsb workbook, which is not supported; save it as .xlsx");
  throw Failure("the zip archive has no workbook part (xl/workbook.xml): it is not an .xlsx workbook");
}

// The target of the first relationship of a kind, else the usual part beside the workbook if the
// archive has it, else "".
std::string partOfType(ZipReader& zip, const Relationships& rels, std::string_view kind,
                       const std::string& workbookPart, const char* usualName) {
  for (const auto& [id, rel] : rels)
    if (hasRelType(rel, kind)) return rel.target;
  const std::string usual = resolveTarget(workbookPart, usualName);
  std::uint64_t index;
  return zip.find(usual, &index) ? usual : std::string();
}

bool isTrue(const pugi::xml_attribute& a) {
  const std::string_view v = a.value();
  return v == "1" || v == "true";
}

void readSheet(ZipReader& zip, const pugi::xml_node& entry, const Relationships& rels,
               std::uint32_t sharedCount, std::uint64_t* cellsLeft, BookImpl* book) {
  const std::string name = attributeByLocalName(entry, "name").value();
  if (name.empty()) throw Failure("a sheet of the workbook has no name");
  if (!isValidUtf8(name)) throw Failure("a sheet name of the workbook is not valid UTF-8");
  SheetImpl* sheet = book->appendSheet(name);
  const std::string id = attributeByLocalName(entry, "id", true).value();
  const auto rel = rels.find(id);
  if (rel == rels.end())
    throw Failure("sheet '" + name + "' refers to relationship '" + id + "', which the workbook lacks");
  // Chart and dialog sheets hold no cells; they keep their place so that indices match.
  if (!hasRelType(rel->second, "worksheet")) return;
  std::uint64_t index;
  if (!zip.find(rel->second.target, &index))
    throw Failure("sheet '" + name + "' refers to part " + rel->second.target + ", which the archive lacks");
  readWorksheet(zip, rel->second.target, sharedCount, cellsLeft, book, sheet);
}

}  // namespace

void readPackage(const void* data, std::size_t size, BookImpl* book) {
  ZipReader zip(data, size);
  const std::string workbookPart = findWorkbookPart(zip);
  const Relationships rels = readRelationships(zip, workbookPart);
  pugi::xml_document doc;
  loadSmallPart(zip, workbookPart, &doc);
  const pugi::xml_node workbook = doc.document_element();
  if (localName(workbook.name()) != "workbook")
    throw Failure("part " + workbookPart + " holds <" + workbook.name() + "> where <workbook> was expected");
  book->setDate1904(isTrue(attributeByLocalName(childByLocalName(workbook, "workbookPr"), "date1904")));

  // A workbook has one styles part and one shared-strings part; further relationships are ignored.
  // Some generators leave out the relationship but still write the part where programs expect it.
  const std::string styles = partOfType(zip, rels, "styles", workbookPart, "styles.xml");
  if (!styles.empty()) readStyles(zip, styles, &book->styles());
  const std::string strings = partOfType(zip, rels, "sharedStrings", workbookPart, "sharedStrings.xml");
  if (!strings.empty()) readSharedStrings(zip, strings, &book->strings());
  const std::uint32_t sharedCount = std::uint32_t(book->strings().size());

  std::size_t count = 0;
  std::uint64_t cellsLeft = kMaxLoadedCells;
  for (pugi::xml_node entry : childByLocalName(workbook, "sheets").children()) {
    if (localName(entry.name()) != "sheet") continue;
    if (++count > kMaxSheets) throw Failure("the workbook has more than " + std::to_string(kMaxSheets) + " sheets");
    readSheet(zip, entry, rels, sharedCount, &cellsLeft, book);
  }
}

}  // namespace xlsxbook

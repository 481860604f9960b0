// The readers of the single parts of a package, used by the package reader.
#ifndef XLSXBOOK_PACKAGE_PARTS_H
#define XLSXBOOK_PACKAGE_PARTS_H

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
}

namespace xlsxbook {

class BookImpl;
class ByteSource;
class SheetImpl;
class StringPool;
class Styles;
class ZipReader;

struct Relationship {
  std::string type;    // the full type URI
  std::string target;  // the part name the target resolves to, without a leading slash
};
using Relationships = std::map<std::string, Relationship>;  // by Id

// The part a relationship target points to from sourcePart ("xl/workbook.xml" + "worksheets/a.xml").
std::string resolveTarget(std::string_view sourcePart, std::string_view target);
// The relationships of a part; empty when it has none.
Relationships readRelationships(ZipReader& zip, const std::string& sourcePart);
// True when a relationship type URI ends with "/" + kind (transitional and strict URIs differ).
bool hasRelType(const Relationship& rel, std::string_view kind);

// Parses a small part into a DOM; throws Failure naming the part when it is missing or malformed.
void loadSmallPart(ZipReader& zip, const std::string& part, pugi::xml_document* doc);

void readStyles(ZipReader& zip, const std::string& part, Styles* styles);
void readSharedStrings(ZipReader& zip, const std::string& part, StringPool* pool);
// sharedCount: how many pool entries come from the shared-strings table. cellsLeft: how many more
// cells the load may create; decreased by the cells read.
void readWorksheet(ZipReader& zip, const std::string& part, std::uint32_t sharedCount,
                   std::uint64_t* cellsLeft, BookImpl* book, SheetImpl* sheet);
// Reads the rows a sheet wrote as they came (the sheetData element they form) back into its cells.
void readWrittenRows(ByteSource* xml, BookImpl* book, SheetImpl* sheet);

}  // namespace xlsxbook

#endif  // XLSXBOOK_PACKAGE_PARTS_H

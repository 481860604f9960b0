// Builds zip archives in memory from (name, content) pairs, for hand-made workbook fixtures.
#ifndef XLSXBOOK_TESTS_ZIP_FIXTURE_H
#define XLSXBOOK_TESTS_ZIP_FIXTURE_H

#include <string>
#include <utility>
#include <vector>

namespace xlsxbook::testing {

using Parts = std::vector<std::pair<std::string, std::string>>;

std::string makeZip(const Parts& parts);
// The uncompressed content of one entry of a zip archive; throws when there is none.
std::string readPart(const std::string& zip, const std::string& name);

// A minimal workbook package around the given sheets (name, worksheet XML); extra parts such as
// xl/sharedStrings.xml or xl/styles.xml are added with their relationships when present.
std::string makeWorkbook(const std::vector<std::pair<std::string, std::string>>& sheets,
                         const std::string& sharedStrings = "", const std::string& styles = "",
                         const std::string& workbookPr = "");

// Wraps sheetData content into a worksheet part.
std::string worksheet(const std::string& sheetData, const std::string& before = "");

}  // namespace xlsxbook::testing

#endif  // XLSXBOOK_TESTS_ZIP_FIXTURE_H

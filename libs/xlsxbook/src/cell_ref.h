// A1-style cell references.
#ifndef XLSXBOOK_CELL_REF_H
#define XLSXBOOK_CELL_REF_H

#include <string>
#include <string_view>

namespace xlsxbook {

// "B3" -> row 2, col 1. False for anything else, including positions outside the sheet.
bool parseCellRef(std::string_view ref, int* row, int* col);
// Appends the column letters of a 0-based column ("A", "Z", "AA", ..., "XFD").
void appendColumnName(int col, std::string* out);
std::string cellName(int row, int col);

}  // namespace xlsxbook

#endif  // XLSXBOOK_CELL_REF_H

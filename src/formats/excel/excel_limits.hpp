// The bounds of the sheets the Excel nodes write.
#pragma once

#include <xlsxbook/xlsxbook.h>

#include <cstddef>

namespace flk {

// Row 0 holds the header, so a sheet takes one data row less than it has rows.
constexpr int kMaxExcelDataRows = xlsxbook::kMaxRows - 1;
// Sheet names have at most 31 characters and none of these, which spreadsheet programs refuse.
constexpr size_t kMaxSheetNameLength = 31;
constexpr const char* kSheetNameForbidden = "[]:*?/\\";

}  // namespace flk

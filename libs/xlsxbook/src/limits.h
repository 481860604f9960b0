// Every bound the reader and writer enforce, in one place.
#ifndef XLSXBOOK_LIMITS_H
#define XLSXBOOK_LIMITS_H

#include <cstddef>
#include <cstdint>

namespace xlsxbook {

// Zip container.
constexpr std::uint64_t kMaxZipEntries = 100000;
// One part, uncompressed. A sheet of a million rows by twenty columns stays well below this.
constexpr std::uint64_t kMaxPartBytes = std::uint64_t(2) << 30;
// All parts that are read, uncompressed, together.
constexpr std::uint64_t kMaxTotalBytes = std::uint64_t(4) << 30;
// A part may expand at most this many times over its compressed size (zip bombs expand by
// thousands; real worksheets by 5 to 100, a sheet of one repeated value by some hundreds).
constexpr std::uint64_t kMaxExpansionRatio = 1000;
// Parts smaller than this are not held to the ratio (tiny parts compress oddly).
constexpr std::uint64_t kRatioFreeBytes = std::uint64_t(1) << 20;

// XML.
constexpr std::size_t kXmlChunkBytes = std::size_t(1) << 20;   // read window of the streaming scanner
constexpr std::size_t kMaxXmlTokenBytes = std::size_t(64) << 20;  // one tag or one text run
constexpr std::size_t kMaxXmlDepth = 256;
constexpr std::size_t kMaxXmlAttributes = 256;  // real elements have a few dozen at most
constexpr std::size_t kMaxSmallPartBytes = std::size_t(64) << 20;  // workbook, rels, styles (DOM-parsed)

// Cells, strings and styles.
// Cells one load may create: twenty times a million rows of five columns, 1.6 GB of cells.
constexpr std::uint64_t kMaxLoadedCells = 100000000;
constexpr std::size_t kMaxCellChars = 32767;  // what spreadsheet programs accept in one cell
constexpr std::uint32_t kMaxStyles = 65535;
constexpr std::size_t kMaxSheets = 65535;
constexpr std::size_t kMaxSheetNameChars = 31;
constexpr int kFirstCustomNumFormat = 164;
constexpr int kMaxNumFormatId = 65535;

// Writing. Deflate spends three quarters of the writing time; level 3 writes a million rows about
// 40% faster than the customary level 6 for about 13% more bytes.
constexpr int kDeflateLevel = 3;
constexpr std::size_t kWriteChunkBytes = std::size_t(256) << 10;
// Sheets written row by row: a column whose strings of a sample of this many were mostly new
// writes its strings inline from then on, and the shared-strings table stops growing at the limit.
constexpr std::uint32_t kSharedStringSample = 4096;
constexpr std::size_t kMaxStreamedSharedStrings = std::size_t(1) << 20;
// The blocks that deflated rows are kept in.
constexpr std::size_t kDeflateBlockBytes = std::size_t(1) << 20;

}  // namespace xlsxbook

#endif  // XLSXBOOK_LIMITS_H

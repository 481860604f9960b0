// UTF-8 checks and conversions shared by the reader and the writer.
#ifndef XLSXBOOK_UTF8_H
#define XLSXBOOK_UTF8_H

#include <cstdint>
#include <string>
#include <string_view>

namespace xlsxbook {

bool isValidUtf8(std::string_view text);
// Length as spreadsheet programs count it (UTF-16 code units). Expects valid UTF-8.
std::size_t countUtf16Units(std::string_view text);
// Appends a code point; false for surrogates and values beyond U+10FFFF.
bool appendUtf8(std::uint32_t cp, std::string* out);

}  // namespace xlsxbook

#endif  // XLSXBOOK_UTF8_H

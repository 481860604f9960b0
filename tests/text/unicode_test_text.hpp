// Helpers of the text tests: code point lists in the notation of the Unicode data files, and
// encoders written independently of the library's own.
#pragma once

#include <string>
#include <string_view>

namespace flk::testing {

// "0041 0301" -> U+0041 U+0301.
std::u32string parseCodePoints(std::string_view hexList);

// U+0041 U+0301 -> "0041 0301", for failure messages.
std::string describe(std::u32string_view text);

std::wstring toWide(std::u32string_view text);
std::string toUtf8(std::u32string_view text);
std::u16string toUtf16(std::u32string_view text);

}  // namespace flk::testing

// The one converter between the host's wide strings and UTF-8, used wherever wide text becomes
// narrow text or back. Invalid input never fails: a code unit that is not a valid character
// becomes U+FFFD (wide to UTF-8) and an invalid byte sequence becomes one U+FFFD per byte.
#pragma once

#include <string>
#include <string_view>

namespace flk {

std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view utf8);

// Appends to an existing string, so that hot paths can reuse its capacity.
void appendUtf8(std::string& out, std::wstring_view text);
void appendWide(std::wstring& out, std::string_view utf8);

// Decodes into a caller's buffer without allocating: writes at most capacity characters (no NUL)
// and returns how many it wrote; the rest of a longer text is cut.
size_t decodeUtf8Into(std::string_view utf8, wchar_t* out, size_t capacity);

// The number of wide characters the text decodes to.
size_t utf8Length(std::string_view utf8);

// The text with each NUL written as "\u0000", for messages: the host's strings end at a NUL, so a
// name holding one would otherwise reach the modeller cut short.
std::string visibleText(std::string_view text);

}  // namespace flk

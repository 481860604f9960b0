// The characters and names XML documents can hold (XML 1.0), for the checks of what is read and
// what is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace flk {

bool isXmlCharacter(std::uint32_t c);

// Whether the UTF-8 text is an XML name (a start character, then name characters).
bool isXmlName(std::string_view name);

// Where bytes that are not UTF-8, or characters XML documents cannot hold, begin in the text;
// npos when there are none. character: the code point of such a character, -1 for bytes.
size_t findInvalidText(std::string_view text, long& character);

// "U+0001": how messages name a character.
std::string characterName(long character);

}  // namespace flk

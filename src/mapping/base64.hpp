// Standard base64 (A-Z a-z 0-9 + /) for embedded documents.
#pragma once

#include <string>
#include <string_view>

namespace flk {

// Encodes with "=" padding to a multiple of four, without line breaks.
std::string base64Encode(std::string_view bytes);
// Decodes up to the first "=" or byte outside the alphabet; false when more than two characters
// are left unread there.
bool base64Decode(std::string_view text, std::string& bytes);

}  // namespace flk

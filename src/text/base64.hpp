// Base64 in its two alphabets: the standard one (A-Z a-z 0-9 + /, "=" padding) of embedded
// documents, and the URL-safe one (- and _ for + and /, no padding) of PKCE verifiers and OAuth2
// state values.
#pragma once

#include <string>
#include <string_view>

namespace flk {

enum class Base64 { Standard, Url };

// Without line breaks; the standard alphabet pads to a multiple of four.
std::string base64Encode(std::string_view bytes, Base64 alphabet = Base64::Standard);
// Decodes up to the first "=" or character outside the alphabet; a last group of one character,
// which carries no whole byte, is dropped. Returns how many characters were left unread there.
size_t base64Decode(std::string_view text, std::string& bytes, Base64 alphabet = Base64::Standard);

}  // namespace flk

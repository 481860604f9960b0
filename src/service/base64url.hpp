// base64url (A-Z a-z 0-9 - _) without padding, as PKCE and OAuth2 state values use it.
#pragma once

#include <string>
#include <string_view>

namespace flk::service {

std::string base64UrlEncode(std::string_view bytes);
// Decodes up to the first character outside the alphabet ("=" padding included); a last group of
// one character, which carries no whole byte, is dropped.
std::string base64UrlDecode(std::string_view text);

}  // namespace flk::service

// UTF-8 <-> wide text for the simulated host (Lua strings and messages are UTF-8).
#pragma once

#include <string>
#include <string_view>

namespace molvo {

std::string narrow(std::wstring_view text);
std::wstring widen(std::string_view utf8);

}  // namespace molvo

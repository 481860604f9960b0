// Name-based UUIDs (version 5: SHA-1) in the library's own namespace.
#pragma once

#include <string>
#include <string_view>

namespace flk {

// The UUID of name as 36 lower-case characters. The name is hashed as UTF-16 code units of four
// bytes each (low byte, high byte, 0, 0), so every platform gives the same UUID for a name; a
// wide value that UTF-16 cannot carry is hashed as U+FFFD. Throws std::runtime_error when the
// crypto library fails.
std::string nameBasedUuid(std::u16string_view name);
std::string nameBasedUuid(std::wstring_view name);

}  // namespace flk

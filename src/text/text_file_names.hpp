// Encoding names as text files hold them (wide) and as the resolver takes them (narrow).
#pragma once

#include <string>
#include <string_view>

namespace ucsIO {

// Encoding names are ASCII; any other character becomes '?', which no name contains.
inline std::string narrowName(std::wstring_view name) {
    std::string narrow(name.size(), '?');
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] > 0 && name[i] < 0x80) narrow[i] = static_cast<char>(name[i]);
    }
    return narrow;
}

inline std::wstring wideName(std::string_view name) { return std::wstring(name.begin(), name.end()); }

}  // namespace ucsIO

// One line of a response's header as libcurl hands it over.
#pragma once

#include <string_view>

namespace flk::client {

// "Name: value" and "Name:value" (blanks after the colon and the line end are not part of the
// value). False for the status line, the blank line that ends the header, and lines whose name
// is empty or holds a blank.
inline bool parseHeaderLine(std::string_view line, std::string_view& name, std::string_view& value) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    name = line.substr(0, colon);
    if (name.find_first_of(" \t") != std::string_view::npos) return false;
    value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    return true;
}

}  // namespace flk::client

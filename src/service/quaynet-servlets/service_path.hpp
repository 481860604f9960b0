// Where a request path lands below the service's root directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Servlets {

// The root, normalised once: lexically, without a final "." element, so that a root given with
// a trailing separator is the same root.
class ServiceRoot {
public:
    explicit ServiceRoot(const std::string& directory);

    // The request path (UTF-8) relative to the root: runs of leading "/" or "\" count as one,
    // everything from the first "?" is dropped, the rest is appended to the root and normalised
    // lexically, so that a trailing separator becomes a final "." element. Nothing when the result
    // leaves the root: its leading elements must be the root's, whole element by whole element.
    std::optional<std::string> relative(std::string_view requestPath) const;

private:
    std::string text_;   // the root as given
    std::string root_;   // normalised, generic form
};

}  // namespace Servlets

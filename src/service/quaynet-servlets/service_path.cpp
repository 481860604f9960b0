#include "service/quaynet-servlets/service_path.hpp"

#include <boost/filesystem/path.hpp>

namespace Servlets {
namespace {

using Path = boost::filesystem::path;

Path normalised(const std::string& text) {
    Path p = Path(text).lexically_normal();
    if (p.filename() == ".") p = p.parent_path();
    return p;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

ServiceRoot::ServiceRoot(const std::string& directory) : text_(directory), root_(normalised(directory).generic_string()) {}

std::optional<std::string> ServiceRoot::relative(std::string_view requestPath) const {
    std::string_view rest = requestPath.substr(0, requestPath.find('?'));
    size_t leading = 0;
    while (leading < rest.size() && isSeparator(rest[leading])) ++leading;
    std::string joined = text_;
    if (leading > 0) joined += '/';
    joined.append(rest.substr(leading));
    const Path full = Path(joined).lexically_normal();
    const Path root(root_);
    auto element = full.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++element)
        if (element == full.end() || *element != *r) return std::nullopt;
    std::string out;
    for (; element != full.end(); ++element) {
        // Only a root that is itself relative can leave ".." after normalising.
        if (element->string() == "..") return std::nullopt;
        if (!out.empty()) out += '/';
        out += element->string();
    }
    return out;
}

}  // namespace Servlets

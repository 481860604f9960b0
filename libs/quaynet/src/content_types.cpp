// Content types by file extension: the types of the documents models exchange, and the common
// web ones.
#include "content_types.hpp"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace quaynet {
namespace {

constexpr char kUnknown[] = "application/octet-stream";

struct Extension {
    std::string_view extension;
    const char* type;
};

// Sorted by extension, for a binary search.
constexpr Extension kTypes[] = {
    {"bmp", "image/bmp"},
    {"css", "text/css"},
    {"csv", "text/csv"},
    {"gif", "image/gif"},
    {"gz", "application/gzip"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"ico", "image/x-icon"},
    {"jpeg", "image/jpeg"},
    {"jpg", "image/jpeg"},
    {"js", "text/javascript"},
    {"json", "application/json"},
    {"md", "text/markdown"},
    {"parquet", "application/vnd.apache.parquet"},
    {"pdf", "application/pdf"},
    {"png", "image/png"},
    {"svg", "image/svg+xml"},
    {"tsv", "text/tab-separated-values"},
    {"txt", "text/plain"},
    {"webp", "image/webp"},
    {"xls", "application/vnd.ms-excel"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"xml", "application/xml"},
    {"yaml", "application/yaml"},
    {"zip", "application/zip"},
};

}  // namespace

std::string ContentTypes::lookup(const std::string& fileName) const {
    const size_t slash = fileName.find_last_of("/\\");
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return kUnknown;
    std::string extension = fileName.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    auto found = std::lower_bound(std::begin(kTypes), std::end(kTypes), extension,
                                  [](const Extension& e, const std::string& x) { return e.extension < x; });
    return found != std::end(kTypes) && found->extension == extension ? found->type : kUnknown;
}

}  // namespace quaynet

#include "request_head.hpp"

#include "exchange.hpp"

#include <strings.h>

namespace quaynet {
namespace {

constexpr int kBadRequest = 400;
constexpr int kTooLarge = 413;
constexpr int kHeadTooLarge = 431;
constexpr int kNotImplemented = 501;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A Content-Length is one or more digits and nothing else; anything else leaves the body's end
// unknown. Values too large for 64 bits count as too large, not as malformed.
std::optional<uint64_t> parseLength(std::string_view text, bool& malformed) {
    text = trimmed(text);
    if (text.empty()) return malformed = true, std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return malformed = true, std::nullopt;
        if (value > (UINT64_MAX - uint64_t(c - '0')) / 10) return UINT64_MAX;
        value = value * 10 + uint64_t(c - '0');
    }
    return value;
}

// A field name is a token: a name with a space or other separator in it (such as "Content-Length :")
// would be read by one party as the field and by another as an unknown one.
bool isToken(std::string_view name) {
    static constexpr std::string_view kSymbols = "!#$%&'*+-.^_`|~";
    if (name.empty()) return false;
    for (char c : name) {
        const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alphanumeric && kSymbols.find(c) == std::string_view::npos) return false;
    }
    return true;
}

// The daemon (0.9.75) appends a folded continuation line to the field's name, not to its value:
// "Content-Length: 5" followed by the line " 0" arrives as a field "Content-Length0" of value 5,
// which neither the daemon nor checkHead would take for a length. A framing field that was
// folded is malformed framing, so a name that starts with one and goes on is refused.
bool extendsFramingName(std::string_view name) {
    for (std::string_view framing : {std::string_view("Content-Length"), std::string_view("Transfer-Encoding")})
        if (name.size() > framing.size() && sameFieldName(name.substr(0, framing.size()), framing)) return true;
    return false;
}

}  // namespace

HeadVerdict checkHead(const Fields& headers, const ServerLimits& limits, std::size_t maxBodyBytes) {
    size_t bytes = 0;
    for (const auto& [name, value] : headers) bytes += name.size() + value.size();
    if (headers.size() > limits.maxHeaderCount || bytes > limits.maxHeaderBytes) return {kHeadTooLarge, {}};
    bool chunked = false, otherCoding = false, malformed = false;
    std::optional<uint64_t> length;
    for (const auto& [name, value] : headers) {
        // A bare CR ends a line for some readers and not for others; the daemon keeps it in the value.
        if (!isToken(name) || extendsFramingName(name) || value.find('\r') != std::string::npos) {
            malformed = true;
        } else if (sameFieldName(name, "Transfer-Encoding")) {
            // Only chunked is understood, and nothing may be coded beneath it. The value is taken as
            // the daemon takes it (leading blanks stripped, trailing ones kept): the daemon decodes
            // "chunked " as a body of unknown length, so that is refused as another coding.
            (value.size() == 7 && strncasecmp(value.data(), "chunked", 7) == 0 && !chunked ? chunked : otherCoding) = true;
        } else if (sameFieldName(name, "Content-Length")) {
            std::optional<uint64_t> next = parseLength(value, malformed);
            if (length && next && *length != *next) malformed = true;
            if (next) length = next;
        }
    }
    if (otherCoding) return {kNotImplemented, {}};
    // Both framings at once is the shape of request smuggling: refused rather than guessed.
    if (malformed || (chunked && length)) return {kBadRequest, {}};
    if (length && *length > maxBodyBytes) return {kTooLarge, length};
    return {0, length};
}

}  // namespace quaynet

#include "proxy/proxy_rules.hpp"

#include <cctype>

namespace FlkProxyResolver {
namespace {

constexpr std::string_view kSchemeMark = "://";
constexpr std::string_view kDefaultScheme = "http";
constexpr std::string_view kLocalEntry = "<local>";
constexpr std::string_view kSeparators = ";, \t\r\n";

char lowerAscii(char c) { return char(std::tolower(static_cast<unsigned char>(c))); }

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// Text before "=" in a proxy entry names a scheme only when it could be one; otherwise the "="
// belongs to the proxy itself (a password in user info, for instance).
bool isSchemeName(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    return true;
}

struct Authority {
    std::string_view host, port;  // port with its ":", or empty
    bool bracketed = false;
};

// Host and port of the authority; user info before the last "@" is skipped.
Authority splitAuthority(std::string_view authority) {
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority.remove_prefix(at + 1);
    Authority out;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        out.bracketed = true;
        out.host = authority.substr(1, close == std::string_view::npos ? close : close - 1);
        if (close != std::string_view::npos) out.port = authority.substr(close + 1);
        return out;
    }
    const size_t colon = authority.find(':');
    out.host = authority.substr(0, colon);
    if (colon != std::string_view::npos) out.port = authority.substr(colon);
    return out;
}

// "<local>" stands for names of the local network: no dot, and not an IPv6 address either.
bool isLocalName(std::string_view host) { return host.find_first_of(".:") == std::string_view::npos; }

}  // namespace

UrlParts splitUrl(std::string_view url) {
    UrlParts parts;
    std::string_view rest = url;
    const size_t mark = url.find(kSchemeMark);
    parts.schemeGiven = mark != std::string_view::npos;
    parts.scheme = parts.schemeGiven ? lower(url.substr(0, mark)) : std::string(kDefaultScheme);
    if (parts.schemeGiven) rest.remove_prefix(mark + kSchemeMark.size());
    const size_t authorityEnd = rest.find_first_of("/?#");
    const Authority authority = splitAuthority(rest.substr(0, authorityEnd));
    parts.host = lower(authority.host);
    parts.canonical = parts.scheme + std::string(kSchemeMark) + (authority.bracketed ? "[" + parts.host + "]" : parts.host) +
                      std::string(authority.port);
    if (authorityEnd != std::string_view::npos) parts.canonical += rest.substr(authorityEnd);
    return parts;
}

std::vector<std::string_view> splitList(std::string_view list) {
    std::vector<std::string_view> entries;
    size_t start = list.find_first_not_of(kSeparators);
    while (start != std::string_view::npos) {
        const size_t end = list.find_first_of(kSeparators, start);
        entries.push_back(list.substr(start, end - start));
        start = list.find_first_not_of(kSeparators, end);
    }
    return entries;
}

// The standard linear-backtracking glob: on a mismatch only the last "*" is widened, so a pattern
// with many stars costs at most pattern length times text length.
bool globMatch(std::string_view pattern, std::string_view text) {
    size_t p = 0, t = 0;
    size_t star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(text[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool bypasses(const UrlParts& url, std::string_view bypassList) {
    for (std::string_view entry : splitList(bypassList)) {
        if (equalsNoCase(entry, kLocalEntry)) {
            if (isLocalName(url.host)) return true;
            continue;
        }
        // An IPv6 address is written in brackets in lists as in URLs; the host has none.
        if (entry.size() > 2 && entry.front() == '[' && entry.back() == ']') entry = entry.substr(1, entry.size() - 2);
        if (globMatch(entry, url.host)) return true;
    }
    return false;
}

std::vector<std::string> proxiesFor(const UrlParts& url, std::string_view proxyList) {
    std::vector<std::string> proxies;
    for (std::string_view entry : splitList(proxyList)) {
        const size_t equals = entry.find('=');
        if (equals == std::string_view::npos || !isSchemeName(entry.substr(0, equals))) {
            proxies.emplace_back(entry);
        } else if (equalsNoCase(entry.substr(0, equals), url.scheme) && equals + 1 < entry.size()) {
            proxies.emplace_back(entry.substr(equals + 1));
        }
    }
    return proxies;
}

}  // namespace FlkProxyResolver

// The rules that turn a proxy list and a bypass list into the proxies that apply to one URL.
//
// Lists are entries separated by ";", "," or blanks. A proxy entry "scheme=proxy" applies to URLs of
// that scheme only, any other entry to every URL. A bypass entry is a glob pattern ("*" any run,
// "?" one character) matched against the URL's host without regard to case, or "<local>", which
// matches a host name without a dot.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace FlkProxyResolver {

// The parts of a URL the rules look at. Scheme and host are lower case; an IPv6 literal's host is
// the address without its brackets; user info is not part of the host.
struct UrlParts {
    std::string scheme;       // "http" when the URL names none
    std::string host;
    bool schemeGiven = false;  // the URL had a "://"
    std::string canonical;    // scheme "://" host[:port] and the rest: no user info, lower case
};

UrlParts splitUrl(std::string_view url);

std::vector<std::string_view> splitList(std::string_view list);

// Glob match of a whole host, ASCII letters compared without regard to case.
bool globMatch(std::string_view pattern, std::string_view text);

bool bypasses(const UrlParts& url, std::string_view bypassList);

// The proxies of the list that apply to the URL's scheme, in the order of the list.
std::vector<std::string> proxiesFor(const UrlParts& url, std::string_view proxyList);

}  // namespace FlkProxyResolver

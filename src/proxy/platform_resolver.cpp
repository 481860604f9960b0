#include "proxy/platform_resolver.hpp"

#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "proxy/proxy_rules.hpp"

namespace FlkProxyResolver {
namespace {

const log4cxx::LoggerPtr& resolverLog() { return flk::logger(flk::Log::PlatformResolver); }

}  // namespace

void PlatformResolver::resolve(const std::wstring& url, std::vector<std::wstring>& proxies) {
    std::vector<std::string> found;
    resolve(flk::toUtf8(url), found);
    proxies.clear();
    for (const std::string& proxy : found) proxies.push_back(flk::fromUtf8(proxy));
}

void PlatformResolver::resolve(const std::string& url, std::vector<std::string>& proxies) {
    LOG4CXX_DEBUG(resolverLog(), "resolve[vector]('" << url << "')");
    const UrlParts parts = splitUrl(url);
    const ProxyInfo info = proxyInfoFor(url, parts.canonical);
    LOG4CXX_TRACE(resolverLog(), "parse('" << url << "', '" << info.proxy << "', '" << info.bypass << "' )");
    if (!parts.schemeGiven)
        LOG4CXX_WARN(resolverLog(), "unable to determine scheme in '" << url << "', assuming 'http' scheme");
    proxies = bypasses(parts, info.bypass) ? std::vector<std::string>() : proxiesFor(parts, info.proxy);
}

ProxyInfo PlatformResolver::proxyInfoFor(const std::string& url, const std::string& canonicalUrl) const {
    LOG4CXX_TRACE(resolverLog(), "resolve[string]('" << url << "')");
    ProxyInfo info = system_.lookup(canonicalUrl);
    LOG4CXX_INFO(resolverLog(), "Using Proxy='" << info.proxy << "' and ProxyBypass='" << info.bypass << "' for uri='"
                                                << url << "'");
    return info;
}

}  // namespace FlkProxyResolver

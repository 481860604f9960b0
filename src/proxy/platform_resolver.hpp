// The proxy the system would use for a URL: what the system reports, with the proxy and bypass
// rules of proxy_rules.hpp applied. One per process, used on the host's thread.
#pragma once

#include "proxy/system_proxy.hpp"

#include <string>
#include <vector>

namespace FlkProxyResolver {

class PlatformResolver {
public:
    PlatformResolver() = default;
    virtual ~PlatformResolver() = default;

    // The proxies that apply to the URL, in order; empty when none does.
    virtual void resolve(const std::wstring& url, std::vector<std::wstring>& proxies);
    virtual void resolve(const std::string& url, std::vector<std::string>& proxies);

private:
    ProxyInfo proxyInfoFor(const std::string& url, const std::string& canonicalUrl) const;

    SystemProxy system_;
};

}  // namespace FlkProxyResolver

// What the system says about proxies for one URL: on Linux, libproxy's answer (the environment's
// http_proxy, https_proxy and their upper-case forms, and the desktop's settings where libproxy's
// plugins for it are installed) and the environment's no_proxy list.
//
// Thread safety: libproxy's factory may be asked from any thread; this class is used on the
// host's thread only.
#pragma once

#include <string>

struct pxProxyFactory_;

namespace FlkProxyResolver {

struct ProxyInfo {
    std::string proxy;   // entries separated by ";"
    std::string bypass;  // glob entries separated by ";"
};

class SystemProxy {
public:
    // Throws std::runtime_error when libproxy cannot start.
    SystemProxy();
    ~SystemProxy();
    SystemProxy(const SystemProxy&) = delete;
    SystemProxy& operator=(const SystemProxy&) = delete;

    // canonicalUrl: scheme "://" host and the rest, lower case, without user info.
    ProxyInfo lookup(const std::string& canonicalUrl) const;

private:
    pxProxyFactory_* factory_;
};

// The environment's no_proxy (or NO_PROXY) as glob entries: patterns stay as they are,
// ".example.com" matches the domain's hosts, "example.com" the name and the domain's hosts, as curl
// reads the list.
std::string environmentBypass();

}  // namespace FlkProxyResolver

#include "proxy/system_proxy.hpp"

#include "frame/loggers.hpp"
#include "proxy/proxy_rules.hpp"

#include <proxy.h>

#include <cstdlib>
#include <stdexcept>

namespace FlkProxyResolver {
namespace {

constexpr std::string_view kDirect = "direct://";

const char* environment(const char* lower, const char* upper) {
    const char* value = std::getenv(lower);
    return value && *value ? value : std::getenv(upper);
}

void appendEntry(std::string& list, std::string_view entry) {
    if (!list.empty()) list += ';';
    list += entry;
}

// Frees libproxy's answer on every path.
struct ProxyList {
    char** entries;
    ~ProxyList() {
        if (entries) px_proxy_factory_free_proxies(entries);
    }
};

}  // namespace

SystemProxy::SystemProxy() : factory_(px_proxy_factory_new()) {
    if (!factory_) throw std::runtime_error("unable to get the system proxy settings");
}

SystemProxy::~SystemProxy() { px_proxy_factory_free(factory_); }

ProxyInfo SystemProxy::lookup(const std::string& canonicalUrl) const {
    ProxyInfo info;
    info.bypass = environmentBypass();
    const ProxyList answer{px_proxy_factory_get_proxies(factory_, canonicalUrl.c_str())};
    if (!answer.entries) {
        LOG4CXX_ERROR(flk::logger(flk::Log::PlatformResolver),
                      "libproxy found no proxy configuration for '" << canonicalUrl << "'");
        return info;
    }
    for (char** entry = answer.entries; *entry; ++entry)
        if (kDirect != *entry) appendEntry(info.proxy, *entry);
    return info;
}

std::string environmentBypass() {
    const char* list = environment("no_proxy", "NO_PROXY");
    std::string bypass;
    if (!list) return bypass;
    for (std::string_view entry : splitList(list)) {
        // Patterns, "<local>" and IPv6 addresses stand as they are.
        if (entry.find_first_of("*?<[:") != std::string_view::npos) {
            appendEntry(bypass, entry);
        } else if (entry.front() == '.') {
            appendEntry(bypass, "*" + std::string(entry));
        } else {
            appendEntry(bypass, entry);
            appendEntry(bypass, "*." + std::string(entry));
        }
    }
    return bypass;
}

}  // namespace FlkProxyResolver

// ProxyResolve, and the one resolver it keeps from its first call until the library is unloaded.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/output_buffer.hpp"
#include "proxy/platform_resolver.hpp"

#include <memory>

namespace flk {
namespace {

constexpr size_t kProxyMax = 1023;  // characters written to the result, before its NUL

std::shared_ptr<FlkProxyResolver::PlatformResolver> resolver;  // the host's thread only

}  // namespace
}  // namespace flk

using namespace flk;

extern "C" {

FERROLINK_API int ProxyResolve(const wchar_t* url, wchar_t* proxy) {
    return runExport("ProxyResolve", Host::Untouched, [&] {
        if (!proxy) return raiseError(std::string_view("no output buffer given"));
        if (!resolver) resolver = std::make_shared<FlkProxyResolver::PlatformResolver>();
        std::vector<std::wstring> proxies;
        resolver->resolve(std::wstring(argumentText(url)), proxies);
        // With no proxy the buffer stays as the caller passed it.
        if (!proxies.empty()) copyToBuffer(std::wstring_view(proxies.front()), proxy, kProxyMax);
        return 1;
    });
}

}  // extern "C"

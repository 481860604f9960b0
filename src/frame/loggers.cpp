#include "frame/loggers.hpp"

#include "frame/log_fallback.hpp"

#include <array>
#include <mutex>

namespace flk {
namespace {

constexpr const char* kNames[] = {
    "Ferrolink.FLK",
    "Ferrolink.APIClient",
    "Ferrolink.APIService",
    "Ferrolink.APITask",
    "Ferrolink.APIService.TasksServlet",
    "Ferrolink.APIService.EchoServlet",
    "Ferrolink.APIService.OAuth2Servlet",
    "Ferrolink.MemoryStream",
    "Ferrolink.PollHandler",
    "ProxyResolver.PlatformResolver",
    "Servlets.BaseWebServlet",
    "Servlets.UriMatchingServlet",
};
constexpr size_t kLoggerCount = sizeof(kNames) / sizeof(kNames[0]);

const std::array<log4cxx::LoggerPtr, kLoggerCount>& table() {
    static const std::array<log4cxx::LoggerPtr, kLoggerCount> loggers = [] {
        std::array<log4cxx::LoggerPtr, kLoggerCount> t;
        for (size_t i = 0; i < kLoggerCount; ++i) t[i] = log4cxx::Logger::getLogger(kNames[i]);
        return t;
    }();
    return loggers;
}

// The table is filled while the library loads, not at the first message, and logging goes to
// standard error until a configuration decides otherwise.
[[maybe_unused]] const bool loadedAtStart = (table(), installLogFallback(), true);

}  // namespace

const log4cxx::LoggerPtr& logger(Log which) { return table()[static_cast<size_t>(which)]; }

const log4cxx::LoggerPtr& applicationLogger() {
    static std::once_flag once;
    static log4cxx::LoggerPtr application;
    std::call_once(once, [] { application = log4cxx::Logger::getLogger("Ferrolink.ApplicationLog"); });
    return application;
}

}  // namespace flk

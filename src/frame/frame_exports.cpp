// The exports of the library frame: start-up, shutdown and logging.
#include "ferrolink/ferrolink.h"
#include "ferrolink_version.hpp"
#include "frame/export_frame.hpp"
#include "frame/log_config_watch.hpp"
#include "frame/log_fallback.hpp"
#include "frame/loggers.hpp"
#include "frame/output_buffer.hpp"
#include "frame/uninitialize_steps.hpp"
#include "frame/utf8.hpp"
#include "frame/web_module_location.hpp"

#include <curl/curl.h>
#include <log4cxx/level.h>
#include <log4cxx/logmanager.h>

#include <cwctype>
#include <optional>

namespace flk {

std::string& webModuleLocation() {
    static std::string location;
    return location;
}

namespace {

constexpr char kLogConfigFile[] = "FLKLogConfig.cfg";
constexpr size_t kErrorMessageMax = 2047;

// The five levels a model may name, in any letter case; Off, Fatal and All are not among them.
std::optional<log4cxx::LevelPtr> levelNamed(const wchar_t* name) {
    if (!name) return std::nullopt;
    std::wstring lower(name);
    for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    if (lower == L"trace") return log4cxx::Level::getTrace();
    if (lower == L"debug") return log4cxx::Level::getDebug();
    if (lower == L"info") return log4cxx::Level::getInfo();
    if (lower == L"warn") return log4cxx::Level::getWarn();
    if (lower == L"error") return log4cxx::Level::getError();
    return std::nullopt;
}

// Logging is configured from the file only while nobody configured it, or while it is switched off.
void configureLogging() {
    auto root = log4cxx::LogManager::getLoggerRepository()->getRootLogger();
    bool off = root->getLevel() == log4cxx::Level::getOff();
    if (!loggingConfigured() || off) configureAndWatchLogging(kLogConfigFile);
}

}  // namespace
}  // namespace flk

using namespace flk;

extern "C" {

FERROLINK_API int InitService(const wchar_t* webModuleLocation) {
    return runExport("InitService", Host::Untouched, [&] {
        configureLogging();
        LOG4CXX_INFO(logger(Log::FLK), "Ferrolink " << ferrolink::kVersion);
        LOG4CXX_INFO(logger(Log::FLK), "Initializing Ferrolink DLL");
        flk::webModuleLocation() = toUtf8(webModuleLocation ? webModuleLocation : L"");
        return 1;
    });
}

FERROLINK_API int UninitializeFerrolink(void) {
    return runExport("UninitializeFerrolink", Host::Controlled, [] {
        // Stops what runs in this build, in the order client, service, mappings.
        runUninitializeSteps();
        return 1;
    });
}

FERROLINK_API int SetLoggerLevel(const wchar_t* loggerName, const wchar_t* level) {
    return runExport(nullptr, Host::Untouched, [&] {
        auto named = levelNamed(level);
        auto target = log4cxx::Logger::getLogger(toUtf8(loggerName ? loggerName : L""));
        if (!named) return 0;
        target->setLevel(*named);
        return 1;
    });
}

FERROLINK_API int AddLogEntry(const wchar_t* message, const wchar_t* level) {
    return runExport(nullptr, Host::Untouched, [&] {
        const auto& log = applicationLogger();
        auto named = levelNamed(level);
        if (!named) return 0;
        if (log->isEnabledFor(*named))
            log->forcedLog(*named, toUtf8(message ? message : L""), LOG4CXX_LOCATION);
        return 1;
    });
}

FERROLINK_API int GetErrorMessage(int curlCode, char* message) {
    return runExport("GetErrorMessage", Host::Untouched, [&] {
        if (!message) return raiseError(std::string_view("no message buffer given"));
        copyToBuffer(std::string_view(curl_easy_strerror(static_cast<CURLcode>(curlCode))), message, kErrorMessageMax);
        return 1;
    });
}

}  // extern "C"

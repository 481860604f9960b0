#include "frame/log_fallback.hpp"

#include <log4cxx/consoleappender.h>
#include <log4cxx/level.h>
#include <log4cxx/logmanager.h>
#include <log4cxx/patternlayout.h>

namespace flk {
namespace {

// Found on the root logger by its name, so that nothing of the logging library is held in a
// static of this library. A function, not a constant: it is asked while the library loads, when
// the constants of other files may not be made yet.
log4cxx::LogString fallbackName() { return LOG4CXX_STR("Ferrolink.Fallback"); }

bool hasOwnAppender(const log4cxx::LoggerPtr& logger) {
    for (const auto& appender : logger->getAllAppenders())
        if (appender->getName() != fallbackName()) return true;
    return false;
}

}  // namespace

bool loggingConfigured() {
    auto repository = log4cxx::LogManager::getLoggerRepository();
    if (!repository->isConfigured()) return false;
    if (hasOwnAppender(repository->getRootLogger())) return true;
    for (const auto& logger : repository->getCurrentLoggers())
        if (hasOwnAppender(logger)) return true;
    return false;
}

void installLogFallback() {
    if (loggingConfigured()) return;
    auto root = log4cxx::LogManager::getLoggerRepository()->getRootLogger();
    if (root->getAppender(fallbackName())) return;
    auto layout = std::make_shared<log4cxx::PatternLayout>(LOG4CXX_STR("%p %c: %m%n"));
    auto appender = std::make_shared<log4cxx::ConsoleAppender>(layout, log4cxx::ConsoleAppender::getSystemErr());
    appender->setName(fallbackName());
    // The loggers' levels stay as they are (a model may lower them to see more in a file it
    // configures later); only the appender keeps to warnings and errors.
    appender->setThreshold(log4cxx::Level::getWarn());
    root->addAppender(appender);
}

void removeLogFallback() { log4cxx::LogManager::getLoggerRepository()->getRootLogger()->removeAppender(fallbackName()); }

}  // namespace flk

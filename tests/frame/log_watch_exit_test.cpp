// The watch of the logging configuration file is busy reconfiguring when the process exits: its
// thread must be stopped and joined before the logging library's static objects are destroyed.
// Run as a whole program, because the fault lies in what exit does after main returns; the thread
// sanitizer reports it as a race, other builds as a crash now and then.
#include "frame/log_config_watch.hpp"
#include "frame/loggers.hpp"

#include <log4cxx/logmanager.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr int kChanges = 200;   // even: the last change of the loop sets WARN
constexpr auto kApplyTimeout = std::chrono::seconds(10);

// Two configurations with different appenders and layouts, so that applying either one uses parts
// of the logging library the other does not.
void writeConfiguration(const std::filesystem::path& file, int version) {
    const std::string log = (file.parent_path() / "watch.log").string();
    std::ofstream out(file);
    if (version % 2)
        out << "log4j.rootLogger=INFO, file\nlog4j.appender.file=org.apache.log4j.FileAppender\n"
               "log4j.appender.file.File=" << log << "\nlog4j.appender.file.layout=org.apache.log4j.PatternLayout\n"
               "log4j.appender.file.layout.ConversionPattern=%d %-5p %c - %m%n\n";
    else
        out << "log4j.rootLogger=WARN, html\nlog4j.appender.html=org.apache.log4j.FileAppender\n"
               "log4j.appender.html.File=" << log << "\n"
               "log4j.appender.html.layout=org.apache.log4j.HTMLLayout\n";
    out.close();
    // Each version gets its own time stamp, however coarse the file system's clock.
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(version));
}

}  // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / ("flk-log-watch-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "FLKLogConfig.cfg";
    writeConfiguration(file, 1);
    flk::setLogConfigPollInterval(std::chrono::milliseconds(1));
    flk::configureAndWatchLogging(file.string());
    for (int version = 2; version <= kChanges; ++version) {
        writeConfiguration(file, version);
        LOG4CXX_WARN(flk::logger(flk::Log::FLK), "configuration " << version);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // The watch thread applies the changes: the last one (an odd version) sets the root level to INFO.
    writeConfiguration(file, kChanges + 1);
    const auto root = log4cxx::LogManager::getLoggerRepository()->getRootLogger();
    const auto deadline = std::chrono::steady_clock::now() + kApplyTimeout;
    while (root->getLevel() != log4cxx::Level::getInfo() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::filesystem::remove_all(dir);
    if (root->getLevel() != log4cxx::Level::getInfo()) {
        std::puts("the watch did not apply the last configuration");
        return 1;
    }
    return 0;
}

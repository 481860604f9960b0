// Collects what a logger (Ferrolink.FLK unless named) logs at a level (WARN unless given) and above
// while the capture lives, through a file appender, as "LEVEL - message" lines; the logger's level
// is restored afterwards.
#pragma once

#include <log4cxx/fileappender.h>
#include <log4cxx/level.h>
#include <log4cxx/logger.h>
#include <log4cxx/simplelayout.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace flk::test {

class LogCapture {
public:
    explicit LogCapture(std::filesystem::path file, const char* loggerName = "Ferrolink.FLK",
                        log4cxx::LevelPtr level = log4cxx::Level::getWarn())
        : file_(std::move(file)),
          log_(log4cxx::Logger::getLogger(loggerName)),
          level_(log_->getLevel()),
          appender_(new log4cxx::FileAppender(log4cxx::LayoutPtr(new log4cxx::SimpleLayout), file_.string(), false)) {
        log_->addAppender(appender_);
        log_->setLevel(level);
    }
    ~LogCapture() {
        log_->removeAppender(appender_);
        log_->setLevel(level_);
        appender_->close();
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // What was logged so far.
    std::string text() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::filesystem::path file_;
    log4cxx::LoggerPtr log_;
    log4cxx::LevelPtr level_;
    log4cxx::AppenderPtr appender_;
};

}  // namespace flk::test

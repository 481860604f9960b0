#include "frame/log_config_watch.hpp"

#include <log4cxx/propertyconfigurator.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace flk {
namespace {

constexpr auto kPollInterval = std::chrono::seconds(60);

class LogConfigWatch {
public:
    ~LogConfigWatch() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void watch(const std::string& file) {
        std::lock_guard<std::mutex> lock(mutex_);
        file_ = file;
        lastWrite_ = {};
        reconfigureIfChanged();
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            wake_.wait_for(lock, kPollInterval, [this] { return stopping_; });
            if (!stopping_) reconfigureIfChanged();
        }
    }

    // Called with mutex_ held.
    void reconfigureIfChanged() {
        std::error_code error;
        auto written = std::filesystem::last_write_time(file_, error);
        if (error || written == lastWrite_) return;
        lastWrite_ = written;
        log4cxx::PropertyConfigurator::configure(file_);
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::string file_;                                    // guarded by mutex_
    std::filesystem::file_time_type lastWrite_{};         // guarded by mutex_
    bool stopping_ = false;                               // guarded by mutex_
    std::thread thread_;                                  // started once, joined by the destructor
};

}  // namespace

void configureAndWatchLogging(const std::string& file) {
    static LogConfigWatch watch;
    watch.watch(file);
}

}  // namespace flk

#include "frame/log_config_watch.hpp"

#include "frame/log_fallback.hpp"

#include <log4cxx/propertyconfigurator.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

namespace flk {
namespace {

constexpr std::chrono::milliseconds kPollInterval = std::chrono::seconds(60);

void stopAtExit();

// The watch thread applies configurations, and so reads the logging library's state, which static
// destructors free when the process exits or this library is unloaded. Exit handlers and those
// destructors run in the reverse order of their registration, both at exit and at unload (the
// handlers of a library run when it is unloaded). So the thread is stopped and joined by an exit
// handler registered when it starts and again after every configuration applied: the handler runs
// before the destructors of everything that existed by then, whatever the configuration created.
// A registration per applied change is a few bytes, and changes come at most once per poll.
class LogConfigWatch {
public:
    ~LogConfigWatch() { stop(); }

    void watch(const std::string& file) {
        std::lock_guard<std::mutex> lifecycle(lifecycle_);
        std::lock_guard<std::mutex> lock(mutex_);
        file_ = file;
        lastWrite_ = {};
        reconfigureIfChanged();
        if (thread_.joinable()) return;
        stopping_ = false;
        thread_ = std::thread([this] { run(); });
        std::atexit(stopAtExit);
    }

    // One shutdown path: the flag under the lock, a wake-up, the join. A later watch() starts anew.
    void stop() {
        std::lock_guard<std::mutex> lifecycle(lifecycle_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    // Applies at once: a wait begun with the old interval ends with the check it was waiting for.
    void setPollInterval(std::chrono::milliseconds interval) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pollInterval_ = interval;
        }
        wake_.notify_all();
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            const auto interval = pollInterval_;
            wake_.wait_for(lock, interval, [&] { return stopping_ || pollInterval_ != interval; });
            if (!stopping_) reconfigureIfChanged();
        }
    }

    // Called with mutex_ held.
    void reconfigureIfChanged() {
        std::error_code error;
        auto written = std::filesystem::last_write_time(file_, error);
        if (error || written == lastWrite_) return;
        lastWrite_ = written;
        removeLogFallback();   // the file decides, where the fallback wrote to standard error
        log4cxx::PropertyConfigurator::configure(file_);
        std::atexit(stopAtExit);
    }

    std::mutex lifecycle_;                                // held by watch() and stop(): one starts or stops at a time
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string file_;                                    // guarded by mutex_
    std::filesystem::file_time_type lastWrite_{};         // guarded by mutex_
    std::chrono::milliseconds pollInterval_ = kPollInterval;  // guarded by mutex_
    bool stopping_ = false;                               // guarded by mutex_
    std::thread thread_;                                  // guarded by lifecycle_
};

LogConfigWatch& theWatch() {
    static LogConfigWatch watch;
    return watch;
}

void stopAtExit() { theWatch().stop(); }

}  // namespace

void configureAndWatchLogging(const std::string& file) { theWatch().watch(file); }

void setLogConfigPollInterval(std::chrono::milliseconds interval) { theWatch().setPollInterval(interval); }

}  // namespace flk

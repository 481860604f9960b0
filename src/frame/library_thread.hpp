// The frame the library's own threads (the API task thread, the HTTP callback thread, polling) meet
// the host in, as runExport is for exports. A library thread may call into the host only while it
// holds host control, and no exception may leave its body: one escaping a std::thread ends the
// host's whole process.
#pragma once

#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"

#include <string_view>
#include <thread>
#include <utility>

namespace flk {

enum class HostTurn {
    NoControl,  // the model was busy for the whole time-out: nothing ran
    Ran,        // work ran and returned
    Failed,     // work threw; the exception was logged
};

// Logs "<context>: <message>" at Error on the logger; used when a thread's work fails.
void logThreadFailure(Log log, const char* context, std::string_view message) noexcept;

// Takes host control waiting at most timeoutMs, then stores context as the call context (errors
// raised by the work carry it), runs work, and releases control on every path.
template <class Work>
HostTurn runWithHost(const char* context, Log log, int timeoutMs, Work&& work) noexcept {
    HostControl control(true, timeoutMs);
    if (!control.obtained()) return HostTurn::NoControl;
    setCallContext(std::string_view(context));
    try {
        work();
        return HostTurn::Ran;
    } catch (const std::exception& e) {
        logThreadFailure(log, context, exceptionText(e));
    } catch (...) {
        logThreadFailure(log, context, "Unknown exception");
    }
    return HostTurn::Failed;
}

// A thread of the library's own. Its body runs inside a catch-all that logs what escapes, so a
// fault in a loop stops that loop and never the host.
class LibraryThread {
public:
    LibraryThread() = default;
    LibraryThread(const LibraryThread&) = delete;
    LibraryThread& operator=(const LibraryThread&) = delete;
    ~LibraryThread() { join(); }

    template <class Body>
    void start(const char* name, Log log, Body body) {
        join();
        thread_ = std::thread([name, log, body = std::move(body)]() mutable noexcept {
            try {
                body();
            } catch (const std::exception& e) {
                logThreadFailure(log, name, exceptionText(e));
            } catch (...) {
                logThreadFailure(log, name, "Unknown exception");
            }
        });
    }

    bool started() const { return thread_.joinable(); }
    // True on the thread itself: whoever stops it from inside its own work must not wait for it.
    bool isCurrent() const { return thread_.get_id() == std::this_thread::get_id(); }

    // Waits for the body to return. Called on the thread itself it cannot wait: it detaches, and
    // the body must already be on its way out without touching its owner again.
    void join() noexcept;

private:
    std::thread thread_;
};

}  // namespace flk

#include "polling/poll_handler.hpp"

#include "frame/utf8.hpp"
#include "molvo/molvo3.h"

#include <algorithm>

namespace flk {
namespace {

using Clock = std::chrono::steady_clock;

const log4cxx::LoggerPtr& pollLog() { return logger(Log::PollHandler); }

}  // namespace

PollHandler::PollHandler() {
    thread_.start("Poll", Log::PollHandler, [this] { run(); });
}

PollHandler::~PollHandler() {
    {
        auto lock = registration_.lock();
        registration_.get(lock).stopping = true;
    }
    wake_.notify_all();
    thread_.join();
}

int PollHandler::poll(std::wstring_view name, int intervalMs) {
    const std::string text = toUtf8(name);
    LOG4CXX_INFO(pollLog(), "Adding polling procedure " << text << " with interval " << intervalMs << " ms");
    // A wait of zero or less would make the thread call the procedure without pause, and the host
    // reads a negative time-out for control as "wait for ever".
    if (intervalMs <= 0)
        return raiseError("Polling interval " + std::to_string(intervalMs) + " ms of procedure " + text +
                          " is not positive: give an interval of at least 1 ms");
    int handle = 0, argumentCount = 0;
    // Only the count of the arguments decides; the host need not copy their types.
    if (MolvoProcedureHandleCreateW(std::wstring(name).c_str(), &handle, &argumentCount, nullptr) != 1)
        return raiseError("Polling procedure " + text + " does not exist");
    if (argumentCount > 0) {
        MolvoProcedureHandleDelete(handle);
        return raiseError("Polling procedure " + text + " cannot have arguments");
    }
    {
        auto lock = registration_.lock();
        Registration& r = registration_.get(lock);
        if (r.handle) MolvoProcedureHandleDelete(r.handle);
        r.name = std::wstring(name);
        r.handle = handle;
        r.intervalMs = intervalMs;
        ++r.generation;
        r.due = true;
    }
    wake_.notify_all();
    return 1;
}

int PollHandler::stopPolling() {
    {
        auto lock = registration_.lock();
        deregister(lock);
    }
    wake_.notify_all();
    return 1;
}

void PollHandler::deregister(Guarded<Registration>::Lock& lock) {
    Registration& r = registration_.get(lock);
    if (!r.handle) return;
    LOG4CXX_INFO(pollLog(), "Removing polling procedure " << toUtf8(r.name));
    MolvoProcedureHandleDelete(r.handle);
    r.name.clear();
    r.handle = 0;
    r.intervalMs = -1;
    ++r.generation;
    r.due = false;
}

void PollHandler::run() {
    Call call;
    while (nextCall(call)) callWhenIdle(call);
}

// Sleeps while nothing is registered and between calls; a change of the registration wakes it, so
// that a new procedure is called at once and a removed one never again.
bool PollHandler::nextCall(Call& call) {
    auto lock = registration_.lock();
    Registration& r = registration_.get(lock);
    for (;;) {
        if (r.stopping) return false;
        if (!r.handle) {
            wake_.wait(lock);
            continue;
        }
        if (r.due) {
            r.due = false;
            call = Call{r.name, r.handle, r.intervalMs, r.generation};
            return true;
        }
        const std::uint64_t seen = r.generation;
        const bool changed = wake_.wait_for(lock, std::chrono::milliseconds(r.intervalMs),
                                            [&] { return r.stopping || r.generation != seen; });
        if (!changed) r.due = true;
    }
}

// Waits for control at most the interval, in slices, giving up as soon as the call is stale; a
// model that stays busy for the whole interval misses this call.
void PollHandler::callWhenIdle(const Call& call) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(call.intervalMs);
    HostTurn turn = HostTurn::NoControl;
    while (turn == HostTurn::NoControl && isCurrent(call)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return;
        const int slice = int(std::min(left, kControlSlice).count());
        turn = runWithHost("Poll", Log::PollHandler, slice, [&] { callUnderControl(call); });
    }
}

bool PollHandler::isCurrent(const Call& call) const {
    auto lock = registration_.lock();
    const Registration& r = registration_.get(lock);
    return !r.stopping && r.generation == call.generation;
}

void PollHandler::callUnderControl(const Call& call) {
    // Replaced or removed while the thread waited for control: the handle may be gone.
    if (!isCurrent(call)) return;
    LOG4CXX_TRACE(pollLog(), "Calling logging procedure " << toUtf8(call.name));
    int result = 0;
    if (MolvoProcedureRunW(call.handle, nullptr, nullptr, &result) != 1) result = 0;
    if (result != 0) return;
    LOG4CXX_TRACE(pollLog(), "Polling procedure returned 0, stopping");
    auto lock = registration_.lock();
    // The procedure may have registered another one meanwhile: that one stays.
    if (registration_.get(lock).generation == call.generation) deregister(lock);
    lock.unlock();
    wake_.notify_all();
}

}  // namespace flk

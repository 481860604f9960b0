// Calls one model procedure periodically on a thread of its own, each call while holding host
// control, until the procedure returns 0 or polling is stopped.
//
// Thread ownership: the registration below is shared by the host's thread (poll, stopPolling) and
// the polling thread, and is reached only through its Guarded lock. Registrations change only in
// exports, which hold host control; the polling thread runs a procedure only while it holds host
// control too, so a registration it checked under control stays as it was for that run (the
// procedure itself may change it, on the polling thread).
#pragma once

#include "frame/guarded.hpp"
#include "frame/library_thread.hpp"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <string>
#include <string_view>

namespace flk {

class PollHandler {
public:
    // The longest one request for host control waits before the thread looks again whether it
    // should stop or its procedure was replaced: it bounds how long stopping waits for the thread
    // when the model is busy.
    static constexpr std::chrono::milliseconds kControlSlice{20};

    PollHandler();
    ~PollHandler();  // stops and joins the thread
    PollHandler(const PollHandler&) = delete;
    PollHandler& operator=(const PollHandler&) = delete;

    // On the host's thread, holding host control. Registers the procedure in place of the previous
    // one and wakes the thread so that the first call comes at once; 1, or 0 after raising why the
    // procedure cannot be polled (the previous registration is kept then).
    int poll(std::wstring_view name, int intervalMs);
    // On the host's thread, holding host control; always 1.
    int stopPolling();

private:
    struct Registration {
        std::wstring name;
        int handle = 0;           // 0 when nothing is registered
        int intervalMs = -1;
        std::uint64_t generation = 0;  // counts every change, so a taken call knows it is stale
        bool due = false;         // a call is owed now (just registered, or the interval passed)
        bool stopping = false;    // set once, by the destructor
    };
    // What the thread takes from the registration for one call.
    struct Call {
        std::wstring name;
        int handle = 0;
        int intervalMs = 0;
        std::uint64_t generation = 0;
    };

    void run();
    bool nextCall(Call& call);
    void callWhenIdle(const Call& call);
    void callUnderControl(const Call& call);
    bool isCurrent(const Call& call) const;
    // Clears the registration and deletes its handle; the caller holds host control.
    void deregister(Guarded<Registration>::Lock& lock);

    Guarded<Registration> registration_;
    std::condition_variable wake_;
    LibraryThread thread_;
};

}  // namespace flk

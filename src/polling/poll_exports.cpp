// Poll and StopPolling, and the one poll handler they share: created by the first Poll, stopped
// and joined when the library is unloaded or the process exits.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "polling/poll_exports.hpp"
#include "polling/poll_handler.hpp"

#include <log4cxx/level.h>

#include <cstdlib>
#include <memory>

namespace flk {
namespace {

// Only the host's thread (in an export) and the exit path touch it.
std::unique_ptr<PollHandler> handler;

void stopAtExit() { releasePollHandler(); }

PollHandler& theHandler() {
    if (!handler) {
        // The thread logs at these levels; the logging library creates them on first use, and what
        // it creates after the exit handler below is registered would be destroyed before the
        // handler runs, under a thread still logging.
        log4cxx::Level::getTrace();
        log4cxx::Level::getInfo();
        handler = std::make_unique<PollHandler>();
        // Runs before the destructors of everything that existed by now, both at exit and when the
        // library is unloaded: the thread stops while what it uses is still there.
        std::atexit(stopAtExit);
    }
    return *handler;
}

}  // namespace

void releasePollHandler() { handler.reset(); }

}  // namespace flk

using namespace flk;

extern "C" {

FERROLINK_API int Poll(const wchar_t* procedure, int intervalMs) {
    return runExport("Poll", Host::Controlled, [&] { return theHandler().poll(argumentText(procedure), intervalMs); });
}

FERROLINK_API int StopPolling(void) {
    return runExport("StopPolling", Host::Controlled, [] { return handler ? handler->stopPolling() : 1; });
}

}  // extern "C"

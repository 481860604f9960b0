#include "frame/guarded.hpp"
#include "frame/library_thread.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace flk {

void guardViolated(const char* what) {
    std::fprintf(stderr, "Ferrolink: %s\n", what);
    std::abort();
}

void logThreadFailure(Log log, const char* context, std::string_view message) noexcept {
    try {
        LOG4CXX_ERROR(logger(log), std::string(context) + ": " + std::string(message));
    } catch (...) {
        // Logging itself failed (out of memory): nothing is left to report to.
    }
}

void LibraryThread::join() noexcept {
    if (!thread_.joinable()) return;
    if (isCurrent()) {
        thread_.detach();
        return;
    }
    thread_.join();
}

}  // namespace flk

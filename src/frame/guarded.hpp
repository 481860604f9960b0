// State shared between the host's thread and the library's own threads lives in a Guarded: the
// value can be reached only through a lock of its own mutex, and debug and sanitizer builds check
// that the lock handed in is held and is that mutex's, so a path that forgets to lock fails at once
// instead of racing quietly.
#pragma once

#include <condition_variable>
#include <mutex>
#include <utility>

#if !defined(NDEBUG) || defined(FLK_CHECK_GUARDS)
#define FLK_GUARDS_CHECKED 1
#endif

namespace flk {

[[noreturn]] void guardViolated(const char* what);

template <class T>
class Guarded {
public:
    using Lock = std::unique_lock<std::mutex>;

    template <class... Args>
    explicit Guarded(Args&&... args) : value_(std::forward<Args>(args)...) {}
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    // The lock to hold while touching the value; condition variables wait on it too.
    Lock lock() const { return Lock(mutex_); }

    T& get(const Lock& held) {
        check(held);
        return value_;
    }
    const T& get(const Lock& held) const {
        check(held);
        return value_;
    }

private:
    void check([[maybe_unused]] const Lock& held) const {
#ifdef FLK_GUARDS_CHECKED
        if (!held.owns_lock() || held.mutex() != &mutex_) guardViolated("guarded state touched without its lock");
#endif
    }

    mutable std::mutex mutex_;
    T value_;
};

}  // namespace flk

// The host's control lock: the thread running the model holds it and re-enters freely; another
// thread gets it only while the model is idle, waiting at most its time-out.
#include "api_support.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace molvo {
namespace {

class ControlLock {
public:
    bool get(int timeoutMs) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto self = std::this_thread::get_id();
        if (owner_ == self) { ++depth_; return true; }
        auto free = [this] { return depth_ == 0; };
        if (timeoutMs < 0) freed_.wait(lock, free);
        else if (!freed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), free)) return false;
        owner_ = self;
        depth_ = 1;
        return true;
    }
    bool release() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (owner_ != std::this_thread::get_id() || depth_ == 0) return false;
        if (--depth_ == 0) { owner_ = std::thread::id(); freed_.notify_all(); }
        return true;
    }
    // Every Molvo* call asks this, so it takes no lock: only the owner itself ever changes the
    // owner away from itself, so a thread finds its own id there exactly while it holds control.
    bool heldByCaller() { return owner_.load(std::memory_order_acquire) == std::this_thread::get_id(); }
    // Gives control away completely and returns how deep the caller held it.
    int releaseAll() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (owner_ != std::this_thread::get_id()) return 0;
        int depth = depth_;
        depth_ = 0;
        owner_ = std::thread::id();
        freed_.notify_all();
        return depth;
    }
    void restore(int depth) {
        if (depth == 0) return;
        get(-1);
        std::lock_guard<std::mutex> lock(mutex_);
        depth_ = depth;
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    std::atomic<std::thread::id> owner_{};   // written under mutex_; the holder while depth_ > 0
    int depth_ = 0;           // guarded by mutex_
};

ControlLock& control() {
    static ControlLock lock;
    return lock;
}

}  // namespace

bool holdsControl() {
    if (control().heldByCaller()) return true;
    failWith(MOLVO_ERR_NOT_CONTROLLER, L"the calling thread does not hold control of the host");
    return false;
}

void beginModelRun() { control().get(-1); }

void idle(int milliseconds) {
    int depth = control().releaseAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    control().restore(depth);
}

}  // namespace molvo

using namespace molvo;

extern "C" {

int MolvoControlGet(int timeoutMs) {
    clearLastError();
    return control().get(timeoutMs) ? 1 : failWith(MOLVO_ERR_NOT_CONTROLLER, L"control was not obtained in time");
}

int MolvoControlRelease(void) {
    clearLastError();
    return control().release() ? 1 : failWith(MOLVO_ERR_NOT_CONTROLLER, L"the calling thread does not hold control");
}

int MolvoInterruptCallbackInstall(MolvoInterruptCallback callback) {
    MOLVO_ENTER();
    hostModel().interruptCallback = callback;
    return 1;
}

}  // extern "C"

// The bus behind DLLGetSignalyard: per event type, the entries in the order they were added.
#include "signalyard/signalyard.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace signalyard {
namespace {

struct Entry {
    std::uint64_t ticket;
    void* handler;
    Dispatch dispatch;
};

// Publications share it, changes hold it alone; a change waiting keeps new publications out, so
// that handlers can leave the bus while others publish without end.
class SharedLock {
public:
    void lockShared() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return writers_ == 0; });
        ++readers_;
    }
    void unlockShared() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (--readers_ == 0) changed_.notify_all();
    }
    void lock() {
        std::unique_lock<std::mutex> lock(mutex_);
        ++writers_;
        changed_.wait(lock, [&] { return readers_ == 0 && !writing_; });
        writing_ = true;
    }
    void unlock() {
        std::lock_guard<std::mutex> lock(mutex_);
        writing_ = false;
        --writers_;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int readers_ = 0;        // guarded by mutex_: publications in progress
    int writers_ = 0;        // guarded by mutex_: changes waiting or in progress
    bool writing_ = false;   // guarded by mutex_
};

class ProcessBus final : public Bus {
public:
    std::uint64_t add(std::size_t eventType, void* handler, Dispatch dispatch) override {
        std::lock_guard<SharedLock> lock(mutex_);
        std::uint64_t ticket = ++lastTicket_;
        entries_[eventType].push_back(Entry{ticket, handler, dispatch});
        return ticket;
    }

    bool remove(std::size_t eventType, std::uint64_t ticket) override {
        std::lock_guard<SharedLock> lock(mutex_);
        auto found = entries_.find(eventType);
        if (found == entries_.end()) return false;
        auto& list = found->second;
        auto entry = std::find_if(list.begin(), list.end(), [&](const Entry& e) { return e.ticket == ticket; });
        if (entry == list.end()) return false;
        list.erase(entry);
        if (list.empty()) entries_.erase(found);
        return true;
    }

    // Publications share the lock, so they run in parallel and a removal waits for them.
    std::size_t publish(std::size_t eventType, Event& event) override {
        mutex_.lockShared();
        struct Unlock {
            SharedLock& lock;
            ~Unlock() { lock.unlockShared(); }
        } unlock{mutex_};
        auto found = entries_.find(eventType);
        if (found == entries_.end()) return 0;
        for (const Entry& e : found->second) e.dispatch(e.handler, event);
        return found->second.size();
    }

private:
    SharedLock mutex_;
    std::unordered_map<std::size_t, std::vector<Entry>> entries_;   // guarded by mutex_
    std::uint64_t lastTicket_ = 0;                                  // guarded by mutex_
};

}  // namespace
}  // namespace signalyard

extern "C" signalyard::Bus* DLLGetSignalyard() {
    static signalyard::ProcessBus bus;
    return &bus;
}

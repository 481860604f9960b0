#include "connection_watch.hpp"

#include <sys/socket.h>

#include <chrono>
#include <limits>

namespace quaynet {
namespace {

// How often the deadlines are looked at: a late connection lives at most this much longer.
constexpr std::chrono::milliseconds kSweepInterval(250);
constexpr int64_t kNoDeadline = std::numeric_limits<int64_t>::max();

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void ConnectionWatch::Entry::awaitHead() { deadlineMs_ = nowMs() + int64_t(limits_.headSeconds) * 1000; }

void ConnectionWatch::Entry::bodyProgress(std::size_t bodyBytes) {
    if (bodyStartMs_ == 0) bodyStartMs_ = nowMs();
    const int64_t allowanceMs = int64_t(bodyBytes) * 1000 / int64_t(std::max<std::size_t>(1, limits_.minBodyBytesPerSecond));
    deadlineMs_ = bodyStartMs_ + int64_t(limits_.headSeconds) * 1000 + allowanceMs;
}

void ConnectionWatch::Entry::draining() { deadlineMs_ = nowMs() + int64_t(limits_.drainSeconds) * 1000; }

void ConnectionWatch::Entry::serving() {
    bodyStartMs_ = 0;
    deadlineMs_ = kNoDeadline;
}

void ConnectionWatch::start() {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = false;
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void ConnectionWatch::stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

ConnectionWatch::Entry* ConnectionWatch::watch(int socket) {
    auto* entry = new Entry(socket, limits_);
    std::lock_guard<std::mutex> guard(lock_);
    entries_.insert(entry);
    return entry;
}

void ConnectionWatch::forget(Entry* entry) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        entries_.erase(entry);
    }
    delete entry;
}

std::size_t ConnectionWatch::count() const {
    std::lock_guard<std::mutex> guard(lock_);
    return entries_.size();
}

// Shutting a socket down (not closing it) wakes its thread, which then ends the connection and
// closes the descriptor itself.
void ConnectionWatch::run() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!wake_.wait_for(guard, kSweepInterval, [&] { return stopping_; })) {
        const int64_t now = nowMs();
        for (Entry* entry : entries_)
            if (entry->deadlineMs_ < now) {
                ::shutdown(entry->socket_, SHUT_RDWR);
                entry->deadlineMs_ = kNoDeadline;
            }
    }
}

}  // namespace quaynet

// The deadlines of the connections a server holds. A client that opens a connection and then
// sends its request slowly, or not at all, would otherwise keep its connection (and the thread
// serving it) for as long as it trickles a byte now and then. Each connection carries a deadline
// its own thread moves on: the head must be in by then, then the body at a least average rate;
// while the servlet works and the answer goes out there is none (the idle time-out covers a client
// that stops reading). A thread of the watch's own closes the sockets whose deadline has passed.
#pragma once

#include "quaynet/server_options.hpp"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace quaynet {

class ConnectionWatch {
public:
    // One connection's deadline, moved by the thread that serves it.
    class Entry {
    public:
        Entry(int socket, const ServerLimits& limits) : socket_(socket), limits_(limits) { awaitHead(); }
        // From now the next request's head must arrive within headSeconds.
        void awaitHead();
        // The head is in: the body, bodyBytes of it so far, must keep the least average rate.
        void bodyProgress(std::size_t bodyBytes);
        // The body went over the size limit: what is left of it may be drained for drainSeconds.
        void draining();
        // The request is whole: no deadline until the answer has gone.
        void serving();

    private:
        friend class ConnectionWatch;
        const int socket_;
        const ServerLimits& limits_;
        int64_t bodyStartMs_ = 0;                 // touched only by the serving thread
        std::atomic<int64_t> deadlineMs_{0};      // read by the watch's thread
    };

    explicit ConnectionWatch(ServerLimits limits) : limits_(limits) {}
    ~ConnectionWatch() { stop(); }

    void start();
    // Joins the watch's thread. Connections still open keep their entries until forget.
    void stop();

    // A new connection's entry, owned by the watch until forget (which must come before the
    // socket is closed, so that the watch never shuts a reused descriptor).
    Entry* watch(int socket);
    void forget(Entry* entry);
    std::size_t count() const;

private:
    void run();

    const ServerLimits limits_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::unordered_set<Entry*> entries_;   // guarded by lock_
    bool stopping_ = false;                // guarded by lock_
    std::thread thread_;                   // started and joined by the server's start and stop
};

}  // namespace quaynet

// The model's asynchronous HTTP client: the registry of requests under the model's ids, the queue
// of submitted ones, the transfer thread that drives them through libcurl's multi interface, and
// the hand-over of completed requests to the host, where their callbacks run.
//
// Threads and what guards what:
// - the host's thread runs every export and, in WaitForResponses, callbacks;
// - the transfer thread drives the multi handle and reads the registry to start queued requests;
// - the callback thread runs callbacks while it holds host control.
// The multi handle is guarded by the transfer lock (transfer_), the registry by its own lock
// (registry_), taken inside the transfer lock where both are needed; the queue and the completed
// list by the queue lock (queue_), which the wake condition waits on and which is never held with
// the others. Only threads that hold the host add or remove requests, so a request found in the
// registry stays valid for such a thread until it removes it itself.
#pragma once

#include "client/curl_request.hpp"
#include "frame/guarded.hpp"
#include "frame/library_thread.hpp"

#include <curl/curl.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace flk::client {

class CurlAPI {
public:
    static constexpr int kDefaultParallel = 16;

    CurlAPI();
    ~CurlAPI();   // no callbacks run for requests still queued or completed
    CurlAPI(const CurlAPI&) = delete;
    CurlAPI& operator=(const CurlAPI&) = delete;

    // ---- the host's side; each returns "" or the message for the model
    std::string newRequest(const std::string& id, const std::string& url, const std::string& callback,
                           const std::string& method, RequestFiles files);
    // The request under the id, or nullptr.
    CurlRequest* find(const std::string& id);
    std::string perform(const std::string& id);
    void close(const std::string& id);
    void closeAll();
    void setParallel(int count);
    // Runs the callbacks of completed requests on this thread; true when at least one ran.
    bool waitForResponses(int timeoutMs);

    // StopClient inside a callback: no further callback runs, no transfer goes on, and the client
    // is destroyed on the host's thread once no callback is running.
    void stopAfterCallback();
    bool stopRequested() const { return stopRequested_; }
    bool inCallback() const { return callbackDepth_ > 0; }

private:
    // A request by id and by which request it was: a request closed and made again under the
    // same id is another one.
    struct Ticket {
        std::string id;
        std::uint64_t serial;
    };
    struct Transfer {
        CURLM* multi = nullptr;
    };
    using Registry = std::map<std::string, std::unique_ptr<CurlRequest>>;
    struct Queue {
        std::deque<Ticket> submitted;
        std::vector<Ticket> completed;
        bool running = true;
    };

    void requestStop();
    void transferLoop();
    void callbackLoop();
    int performTransfers();
    void collectCompleted(Guarded<Transfer>::Lock& lock, std::vector<Ticket>& done);
    int startQueued(int running);
    // Lists the requests for their callbacks and wakes whoever runs them.
    void complete(const std::vector<Ticket>& done);
    void waitForWork(int running);
    // The transfer lock, taken from a thread other than the transfer thread: the transfer
    // thread is woken from its wait for socket activity, which it waits in holding the lock.
    Guarded<Transfer>::Lock lockTransfer();
    // Runs the callbacks of the tickets on a thread that holds the host; how many ran.
    int runCallbacks(const std::vector<Ticket>& tickets);
    // The request of the registry entry, taken out of the multi handle (when given) if it may be there.
    std::unique_ptr<CurlRequest> takeOut(Registry::iterator it, CURLM* multi);

    CURLM* multi_ = nullptr;          // constant after construction; woken without a lock
    std::atomic<int> parallel_{kDefaultParallel};
    Guarded<Transfer> transfer_;
    Guarded<Registry> registry_;
    Guarded<Queue> queue_;
    std::condition_variable wake_;
    std::atomic<int> lockWaiters_{0};
    std::atomic<bool> running_{true};
    std::uint64_t nextSerial_ = 1;    // host side only
    int callbackDepth_ = 0;           // threads holding the host only
    bool stopRequested_ = false;      // threads holding the host only
    LibraryThread transferThread_;
    LibraryThread callbackThread_;
};

}  // namespace flk::client

#include "client/curl_api.hpp"

#include "frame/loggers.hpp"

#include <chrono>
#include <mutex>
#include <new>
#include <thread>

namespace flk::client {
namespace {

constexpr auto kIdleWait = std::chrono::seconds(1);   // the longest sleep without anything to do
constexpr int kPollMs = 1000;                          // the longest wait for socket activity
constexpr int kControlWaitMs = 20;                     // each request for host control

void initialiseLibcurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

// Counts a thread that runs callbacks for the length of a scope, however it ends.
class CallbackScope {
public:
    explicit CallbackScope(int& depth) : depth_(++depth) {}
    ~CallbackScope() { --depth_; }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

private:
    int& depth_;
};

}  // namespace

CurlAPI::CurlAPI() {
    initialiseLibcurl();
    {
        auto lock = transfer_.lock();
        Transfer& t = transfer_.get(lock);
        t.multi = curl_multi_init();
        if (!t.multi) throw std::bad_alloc();
        curl_multi_setopt(t.multi, CURLMOPT_MAXCONNECTS, long(kDefaultParallel));
        multi_ = t.multi;
    }
    transferThread_.start("MultiHandler", Log::APIClient, [this] { transferLoop(); });
    callbackThread_.start("CallbackDispatcher", Log::APIClient, [this] { callbackLoop(); });
}

// The threads are stopped first, so that nothing else touches the requests while they go.
CurlAPI::~CurlAPI() {
    requestStop();
    transferThread_.join();
    callbackThread_.join();
    auto lock = transfer_.lock();
    Transfer& t = transfer_.get(lock);
    auto registryLock = registry_.lock();
    Registry& requests = registry_.get(registryLock);
    for (auto& [id, request] : requests) {
        LOG4CXX_TRACE(logger(Log::APIClient), "Removing request " << id << " from curl_multi interface");
        curl_multi_remove_handle(t.multi, request->easy());
    }
    requests.clear();
    curl_multi_cleanup(t.multi);
}

void CurlAPI::requestStop() {
    {
        auto lock = queue_.lock();
        Queue& q = queue_.get(lock);
        q.submitted.clear();
        q.completed.clear();
        q.running = false;
    }
    running_ = false;
    wake_.notify_all();
    curl_multi_wakeup(multi_);
}

void CurlAPI::stopAfterCallback() {
    stopRequested_ = true;
    requestStop();
}

Guarded<CurlAPI::Transfer>::Lock CurlAPI::lockTransfer() {
    ++lockWaiters_;
    curl_multi_wakeup(multi_);
    auto lock = transfer_.lock();
    --lockWaiters_;
    return lock;
}

// ---- the host's side

CurlRequest* CurlAPI::find(const std::string& id) {
    auto lock = registry_.lock();
    Registry& requests = registry_.get(lock);
    auto it = requests.find(id);
    return it == requests.end() ? nullptr : it->second.get();
}

std::string CurlAPI::newRequest(const std::string& id, const std::string& url, const std::string& callback,
                                const std::string& method, RequestFiles files) {
    if (find(id)) return "Request already exists";
    auto request = std::make_unique<CurlRequest>(id, nextSerial_++, url, callback, method, std::move(files));
    auto lock = registry_.lock();
    registry_.get(lock).emplace(id, std::move(request));
    return "";
}

// A request is submitted once: submitted again while it waits or transfers, it would be handed to
// the multi handle twice.
std::string CurlAPI::perform(const std::string& id) {
    CurlRequest* request = find(id);
    if (request->phase() != CurlRequest::Phase::Configuring) return "Request " + id + " was submitted already";
    LOG4CXX_INFO(logger(Log::APIClient), "Submitting request " << id << " to request queue");
    std::string error = request->prepareSubmission();
    if (!error.empty()) return error;
    request->setPhase(CurlRequest::Phase::Queued);
    {
        auto lock = queue_.lock();
        queue_.get(lock).submitted.push_back(Ticket{id, request->serial()});
    }
    wake_.notify_all();
    curl_multi_wakeup(multi_);
    return "";
}

namespace {

// Only a request that is queued or in transfer can be in the multi handle.
bool mayBeInTransfer(const CurlRequest& request) {
    CurlRequest::Phase phase = request.phase();
    return phase == CurlRequest::Phase::Queued || phase == CurlRequest::Phase::Transferring;
}

}  // namespace

// The request leaves the multi handle (with the transfer lock, taken before the registry's) only
// when it may be there, so that closing a completed request does not wake the transfer thread.
std::unique_ptr<CurlRequest> CurlAPI::takeOut(Registry::iterator it, CURLM* multi) {
    LOG4CXX_TRACE(logger(Log::APIClient), "Removing request " << it->first << " from curl_multi interface");
    if (multi && mayBeInTransfer(*it->second)) curl_multi_remove_handle(multi, it->second->easy());
    LOG4CXX_TRACE(logger(Log::APIClient), "Deleting request " << it->first);
    return std::move(it->second);
}

// A request whose callback is running is closed when its callback returns. The request is
// destroyed outside the locks: it removes its own memory streams, on this thread.
void CurlAPI::close(const std::string& id) {
    std::unique_ptr<CurlRequest> gone;   // declared first: destroyed after the locks are released
    CurlRequest* request = find(id);
    if (!request || request->phase() == CurlRequest::Phase::CallbackRunning) return;
    Guarded<Transfer>::Lock transferLock;
    if (mayBeInTransfer(*request)) transferLock = lockTransfer();
    CURLM* multi = transferLock ? transfer_.get(transferLock).multi : nullptr;
    auto lock = registry_.lock();
    Registry& requests = registry_.get(lock);
    auto it = requests.find(id);
    gone = takeOut(it, multi);
    requests.erase(it);
}

void CurlAPI::closeAll() {
    LOG4CXX_TRACE(logger(Log::APIClient), "Deleting all client requests");
    std::vector<std::unique_ptr<CurlRequest>> gone;
    auto transferLock = lockTransfer();
    auto lock = registry_.lock();
    Registry& requests = registry_.get(lock);
    for (auto it = requests.begin(); it != requests.end();) {
        if (it->second->phase() == CurlRequest::Phase::CallbackRunning) {
            ++it;
            continue;
        }
        gone.push_back(takeOut(it, transfer_.get(transferLock).multi));
        it = requests.erase(it);
    }
    lock.unlock();
    transferLock.unlock();
}

void CurlAPI::setParallel(int count) {
    parallel_ = count;
    auto lock = lockTransfer();
    curl_multi_setopt(transfer_.get(lock).multi, CURLMOPT_MAXCONNECTS, long(count));
}

// Waits up to the time-out for a completed request; once a callback ran, only the requests
// completed by then are taken as well. Ids whose request was closed meanwhile do not count.
bool CurlAPI::waitForResponses(int timeoutMs) {
    LOG4CXX_INFO(logger(Log::APIClient), "Waiting for client responses for " << timeoutMs << " ms");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    bool ran = false;
    while (!stopRequested_) {
        std::vector<Ticket> tickets;
        {
            auto lock = queue_.lock();
            Queue& q = queue_.get(lock);
            if (!ran) wake_.wait_until(lock, deadline, [&] { return !q.completed.empty() || !q.running; });
            tickets.swap(q.completed);
        }
        if (tickets.empty()) break;
        if (runCallbacks(tickets) > 0) ran = true;
    }
    if (!ran) LOG4CXX_INFO(logger(Log::APIClient), "No responses encountered in " << timeoutMs << " ms");
    return ran;
}

int CurlAPI::runCallbacks(const std::vector<Ticket>& tickets) {
    int ran = 0;
    for (const Ticket& ticket : tickets) {
        if (stopRequested_) break;
        CurlRequest* request = find(ticket.id);
        if (!request || request->serial() != ticket.serial || request->phase() != CurlRequest::Phase::Completed) continue;
        request->setPhase(CurlRequest::Phase::CallbackRunning);
        {
            CallbackScope scope(callbackDepth_);
            request->runCallback();
        }
        ++ran;
        request->setPhase(CurlRequest::Phase::Completed);
        close(ticket.id);
    }
    return ran;
}

// ---- the transfer thread

void CurlAPI::transferLoop() {
    while (running_) {
        int running = startQueued(performTransfers());
        if (!running_) break;
        waitForWork(running);
    }
}

int CurlAPI::performTransfers() {
    std::vector<Ticket> done;
    int running = 0;
    {
        auto lock = transfer_.lock();
        curl_multi_perform(transfer_.get(lock).multi, &running);
        collectCompleted(lock, done);
    }
    if (!done.empty()) complete(done);
    return running;
}

void CurlAPI::complete(const std::vector<Ticket>& done) {
    {
        auto lock = queue_.lock();
        std::vector<Ticket>& completed = queue_.get(lock).completed;
        completed.insert(completed.end(), done.begin(), done.end());
    }
    wake_.notify_all();
}

void CurlAPI::collectCompleted(Guarded<Transfer>::Lock& lock, std::vector<Ticket>& done) {
    CURLM* multi = transfer_.get(lock).multi;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        CURL* easy = message->easy_handle;
        CURLcode result = message->data.result;
        CurlRequest* request = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &request);
        curl_multi_remove_handle(multi, easy);
        request->finishTransfer(result);
        LOG4CXX_TRACE(logger(Log::APIClient), "Request " << request->id() << " completed responseCode = "
                                                         << request->responseCode() << " errorCode = " << result);
        done.push_back(Ticket{request->id(), request->serial()});
        request->setPhase(CurlRequest::Phase::Completed);
    }
}

// Hands queued requests to the multi handle while fewer than the limit transfer. An id whose
// request was closed, or closed and made anew, meanwhile is dropped. A request the multi handle
// refuses completes at once with an error, so that its callback tells the model: only threads that
// hold the host remove requests.
int CurlAPI::startQueued(int running) {
    std::vector<Ticket> taken, refused;
    {
        auto lock = queue_.lock();
        std::deque<Ticket>& submitted = queue_.get(lock).submitted;
        while (!submitted.empty() && running + int(taken.size()) < parallel_) {
            taken.push_back(std::move(submitted.front()));
            submitted.pop_front();
        }
    }
    if (taken.empty()) return running;
    {
        auto lock = transfer_.lock();
        CURLM* multi = transfer_.get(lock).multi;
        auto registryLock = registry_.lock();
        Registry& requests = registry_.get(registryLock);
        for (Ticket& ticket : taken) {
            auto it = requests.find(ticket.id);
            if (it == requests.end() || it->second->serial() != ticket.serial) continue;
            LOG4CXX_TRACE(logger(Log::APIClient), "Passing request " << ticket.id << " to curl_multi interface");
            CurlRequest& request = *it->second;
            request.setPhase(CurlRequest::Phase::Transferring);
            if (curl_multi_add_handle(multi, request.easy()) == CURLM_OK) {
                ++running;
                continue;
            }
            LOG4CXX_ERROR(logger(Log::APIClient), "Request " << ticket.id << " could not be started");
            request.finishTransfer(CURLE_FAILED_INIT);
            request.setPhase(CurlRequest::Phase::Completed);
            refused.push_back(std::move(ticket));
        }
    }
    if (!refused.empty()) complete(refused);
    return running;
}

// With nothing to transfer the thread sleeps until a submission; with transfers it waits for
// their sockets, holding the transfer lock, since nothing else may use the multi handle while it
// waits; the host's side wakes it before taking the lock and is let in here.
void CurlAPI::waitForWork(int running) {
    if (running == 0) {
        auto lock = queue_.lock();
        Queue& q = queue_.get(lock);
        wake_.wait_for(lock, kIdleWait, [&] { return !q.running || !q.submitted.empty(); });
        return;
    }
    while (lockWaiters_ > 0) std::this_thread::yield();
    auto lock = transfer_.lock();
    curl_multi_poll(transfer_.get(lock).multi, nullptr, 0, kPollMs, nullptr);
}

// ---- the callback thread

void CurlAPI::callbackLoop() {
    for (;;) {
        {
            auto lock = queue_.lock();
            Queue& q = queue_.get(lock);
            wake_.wait_for(lock, kIdleWait, [&] { return !q.running || !q.completed.empty(); });
            if (!q.running) return;
            if (q.completed.empty()) continue;
        }
        // Without control the completed requests stay listed and the next turn asks again.
        runWithHost("CallbackDispatcher", Log::APIClient, kControlWaitMs, [this] {
            std::vector<Ticket> tickets;
            {
                auto lock = queue_.lock();
                tickets.swap(queue_.get(lock).completed);
            }
            runCallbacks(tickets);
        });
    }
}

}  // namespace flk::client

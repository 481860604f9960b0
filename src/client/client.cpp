#include "client/client.hpp"

#include "frame/call_context.hpp"
#include "frame/uninitialize_steps.hpp"

#include <memory>

namespace flk::client {
namespace {

// Destroyed when the library is unloaded or the process exits, after every export: its threads
// are stopped and joined then, before the objects they use go.
struct ClientHolder {
    std::unique_ptr<CurlAPI> api;
    ~ClientHolder() { api.reset(); }
};

ClientHolder& holder() {
    static ClientHolder instance;
    return instance;
}

const bool kRegistered = (setUninitializeStep(UninitializeStep::Client, &stopClient), true);

}  // namespace

void settleClient() {
    std::unique_ptr<CurlAPI>& api = holder().api;
    if (api && api->stopRequested() && !api->inCallback()) api.reset();
}

CurlAPI& httpClient() {
    settleClient();
    std::unique_ptr<CurlAPI>& api = holder().api;
    if (!api) api = std::make_unique<CurlAPI>();
    return *api;
}

void stopClient() {
    std::unique_ptr<CurlAPI>& api = holder().api;
    if (!api) return;
    if (api->inCallback()) api->stopAfterCallback();
    else api.reset();
}

int reported(const std::string& error) { return error.empty() ? 1 : raiseError(error); }

CurlRequest* requestOrRaise(std::string_view id) {
    CurlRequest* request = httpClient().find(std::string(id));
    if (!request) raiseError(std::string_view("invalid map<K, T> key"));
    return request;
}

// Once submitted, a request belongs to the transfer thread until it completes.
CurlRequest* configurableRequest(std::string_view id) {
    CurlRequest* request = requestOrRaise(id);
    if (!request || request->phase() == CurlRequest::Phase::Configuring) return request;
    raiseError("Request " + std::string(id) + " was submitted already and can no longer be changed");
    return nullptr;
}

CurlRequest* completedRequest(std::string_view id) {
    CurlRequest* request = requestOrRaise(id);
    if (!request) return nullptr;
    auto phase = request->phase();
    if (phase != CurlRequest::Phase::Queued && phase != CurlRequest::Phase::Transferring) return request;
    raiseError("Request " + std::string(id) + " has not completed yet");
    return nullptr;
}

}  // namespace flk::client

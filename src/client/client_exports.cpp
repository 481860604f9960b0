// The client's exports that manage requests: making, submitting, closing and waiting for them.
#include "client/client.hpp"
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"

namespace flk::client {
namespace {

template <class Work>
int runClientExport(const char* name, Work&& work) noexcept {
    int result = runExport(name, Host::Controlled, std::forward<Work>(work));
    settleClient();
    return result;
}

}  // namespace
}  // namespace flk::client

using namespace flk;
using namespace flk::client;

extern "C" {

FERROLINK_API int StopClient(void) {
    return runExport("StopClient", Host::Controlled, [] {
        LOG4CXX_INFO(logger(Log::APIClient), "Stopping API client");
        stopClient();
        return 1;
    });
}

FERROLINK_API int NewRequest(const char* id, const char* url, const char* callback, const char* method,
                             const char* requestFile, const char* responseFile, const char* traceFile) {
    return runClientExport("NewRequest", [&] {
        std::string name(argumentText(id));
        RequestFiles files{std::string(argumentText(requestFile)), std::string(argumentText(responseFile)),
                           std::string(argumentText(traceFile))};
        LOG4CXX_INFO(logger(Log::APIClient), "New request " << name << " url = " << argumentText(url) << " callback = "
                                                            << argumentText(callback) << " method = " << argumentText(method)
                                                            << " requestFile = " << files.request << " responseFile = "
                                                            << files.response << " traceFile = " << files.trace);
        return reported(httpClient().newRequest(name, std::string(argumentText(url)), std::string(argumentText(callback)),
                                            std::string(argumentText(method)), std::move(files)));
    });
}

FERROLINK_API int PerformRequest(const char* id) {
    return runClientExport("PerformRequest", [&] {
        if (!requestOrRaise(argumentText(id))) return 0;
        return reported(httpClient().perform(std::string(argumentText(id))));
    });
}

FERROLINK_API int CloseRequest(const char* id) {
    return runClientExport("CloseRequest", [&] {
        if (!requestOrRaise(argumentText(id))) return 0;
        httpClient().close(std::string(argumentText(id)));
        return 1;
    });
}

FERROLINK_API int CloseAllRequests(void) {
    return runClientExport("CloseAllRequests", [] {
        httpClient().closeAll();
        return 1;
    });
}

FERROLINK_API int WaitForResponses(int timeoutMs) {
    return runClientExport("WaitForResponses", [&] { return httpClient().waitForResponses(timeoutMs) ? 1 : 0; });
}

// No transfer could ever start with fewer than one connection: the model would wait forever.
FERROLINK_API int SetParallelConnections(int count) {
    return runClientExport("SetParallelConnections", [&] {
        LOG4CXX_INFO(logger(Log::APIClient), "Setting parallel client connection to " << count);
        if (count < 1) return raiseError("The number of parallel connections must be at least 1, not " + std::to_string(count));
        httpClient().setParallel(count);
        return 1;
    });
}

}  // extern "C"

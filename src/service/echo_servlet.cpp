#include "service/echo_servlet.hpp"

#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "service/service_limits.hpp"

#include <strings.h>

#include <chrono>

namespace flk::service {
namespace {

// The server frames its own answer, and the request's framing would contradict it; a credential
// is never sent back, where a proxy or a log on the way could keep it.
bool staysOut(const std::string& name) {
    for (const char* withheld : {"Content-Length", "Transfer-Encoding", "Connection", "Authorization"})
        if (strcasecmp(name.c_str(), withheld) == 0) return true;
    return false;
}

}  // namespace

int echoDelay(const quaynet::IHTTPRequest& request) {
    for (const auto& [name, value] : request.queryParameters()) {
        if (name != "delay") continue;
        long long ms = 0;
        for (char c : value) {
            if (c < '0' || c > '9') return 0;
            ms = std::min<long long>(ms * 10 + (c - '0'), kMaxEchoDelayMs);
        }
        return int(ms);
    }
    return 0;
}

void EchoServlet::handleDelete(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) {
    echo("DELETE", request, response, path);
}
void EchoServlet::handleGet(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) {
    echo("GET", request, response, path);
}
void EchoServlet::handlePost(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) {
    echo("POST", request, response, path);
}
void EchoServlet::handlePut(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) {
    echo("PUT", request, response, path);
}

void EchoServlet::echo(const char* method, quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                       const std::wstring& path) {
    for (const auto& [name, value] : request.headers())
        if (!staysOut(name)) response.setHeader(name, value);
    const int ms = echoDelay(request);
    LOG4CXX_INFO(logger(Log::EchoServlet), "Handling " << method << " echo call " << toUtf8(path) << " with delay = " << ms << " ms");
    if (ms > 0) delay(ms);
    response.send(200, request.body());
}

void EchoServlet::delay(int milliseconds) {
    auto lock = stopped_.lock();
    wake_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return stopped_.get(lock); });
}

void EchoServlet::stop() {
    {
        auto lock = stopped_.lock();
        stopped_.get(lock) = true;
    }
    wake_.notify_all();
}

}  // namespace flk::service

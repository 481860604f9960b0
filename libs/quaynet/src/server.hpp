// The module's server: one HTTP listener whose workers hand every request to the root servlet.
#pragma once

#include "quaynet/quaynet.hpp"

#include <httplib.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace quaynet {

struct ServerSettings {
    std::string host;
    int port = 0;
    int workers = 1;
    std::size_t maxRequestBytes = 0;
    int timeoutSeconds = 1;
};

// The HTTP library's server, with its listening socket within reach: the library listens with a
// backlog of 5, too short for a burst of clients, and the socket is given a longer one.
class HttpServer : public httplib::Server {
public:
    socket_t listeningSocket() const { return svr_sock_; }
};

class Server final : public IServer {
public:
    Server(std::shared_ptr<IWebServlet> root, ServerSettings settings);
    ~Server() override { stop(); }

    void start() override;
    void stop() override;

private:
    void serve(const httplib::Request& request, httplib::Response& response);
    void answerWebSocket(IHTTPRequest& in, IHTTPResponse& out, httplib::Response& response);

    const std::shared_ptr<IWebServlet> root_;
    const ServerSettings settings_;
    HttpServer http_;
    std::mutex lifecycle_;   // orders start and stop
    std::thread listener_;   // guarded by lifecycle_
    bool started_ = false;   // guarded by lifecycle_
    std::atomic<bool> listenerDone_{false};
};

}  // namespace quaynet

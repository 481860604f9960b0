// The module's server: a libmicrohttpd daemon that serves each connection on a thread of its own
// and hands every whole request to the root servlet. The daemon frames requests and enforces the
// connection, per-client, header-memory and idle limits; this class adds the checks on a request's
// head, the body limit, the deadlines of the connection watch and the servlet's answer.
#pragma once

#include "connection_watch.hpp"
#include "quaynet/quaynet.hpp"

#include <microhttpd.h>
#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace quaynet {

class Server final : public IServer {
public:
    Server(std::shared_ptr<IWebServlet> root, ServerOptions options);
    ~Server() override { stop(); }

    void start() override;
    void stop() override;

    // The daemon's callbacks; public only so that the C entry points can reach them.
    struct Callbacks;

private:
    struct Exchange;
    MHD_Result readHead(MHD_Connection* connection, Exchange& exchange, const char* path, const char* method);
    void readBody(Exchange& exchange, const char* data, std::size_t size);
    MHD_Result serve(MHD_Connection* connection, Exchange& exchange);
    void answerWebSocket(IHTTPRequest& request, class Response& response);
    std::size_t connectionLimit() const;
    std::vector<MHD_OptionItem> daemonOptions(sockaddr_storage& address, bool tls);
    std::string startFailure(bool tls);

    const std::shared_ptr<IWebServlet> root_;
    const ServerOptions options_;
    ConnectionWatch watch_;
    std::atomic<std::size_t> connections_{0};   // open now; counted by the daemon's thread
    std::atomic<int> serving_{0};                // requests in a servlet or whose answer is going out
    std::size_t maxConnections_ = 0;             // set by start, before the daemon runs
    std::mutex lifecycle_;                       // orders start and stop
    MHD_Daemon* daemon_ = nullptr;               // guarded by lifecycle_
    std::mutex messageLock_;
    std::string lastMessage_;                    // the daemon's last complaint; guarded by messageLock_
};

}  // namespace quaynet

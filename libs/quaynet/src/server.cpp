#include "server.hpp"

#include "exchange.hpp"

#include <strings.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace quaynet {
namespace {

// A connection idle between two requests is closed after this many seconds (or the time-out, if
// shorter), so that idle clients do not keep the workers from new ones.
constexpr int kKeepAliveSeconds = 5;
constexpr char kEveryPath[] = ".*";
// Connections the system keeps waiting for the server to accept them.
constexpr int kListenBacklog = SOMAXCONN;

bool asksForWebSocket(const httplib::Request& request) {
    return strcasecmp(request.get_header_value("Upgrade").c_str(), "websocket") == 0;
}

void answerFailure(httplib::Response& response, std::exception_ptr failure) {
    response.status = 500;
    try {
        std::rethrow_exception(failure);
    } catch (const BadRequest&) {
        response.status = 400;
    } catch (...) {
    }
    response.body.clear();
    response.headers.clear();
}

}  // namespace

Server::Server(std::shared_ptr<IWebServlet> root, ServerSettings settings)
    : root_(std::move(root)), settings_(std::move(settings)) {
    const size_t workers = size_t(std::max(1, settings_.workers));
    const time_t timeout = std::max(1, settings_.timeoutSeconds);
    // Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, with which a second server
    // would share a port that is in use instead of failing.
    http_.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // Answers go out as a header write and a body write: without this the second waits for the
    // client's delayed acknowledgement of the first (tens of milliseconds per answer).
    http_.set_tcp_nodelay(true);
    http_.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
    http_.set_payload_max_length(settings_.maxRequestBytes);
    http_.set_read_timeout(timeout);
    http_.set_write_timeout(timeout);
    http_.set_keep_alive_timeout(std::min<time_t>(timeout, kKeepAliveSeconds));
    auto handler = [this](const httplib::Request& request, httplib::Response& response) { serve(request, response); };
    http_.Get(kEveryPath, handler);
    http_.Post(kEveryPath, handler);
    http_.Put(kEveryPath, handler);
    http_.Delete(kEveryPath, handler);
    http_.Patch(kEveryPath, handler);
    http_.Options(kEveryPath, handler);
    http_.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr failure) {
        answerFailure(response, failure);
    });
}

void Server::start() {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (started_) return;
    if (!http_.bind_to_port(settings_.host, settings_.port)) {
        const int error = errno;
        throw std::runtime_error("cannot listen on " + settings_.host + " port " + std::to_string(settings_.port) +
                                 (error ? std::string(": ") + std::strerror(error) : std::string()));
    }
    ::listen(http_.listeningSocket(), kListenBacklog);
    started_ = true;
    listenerDone_ = false;
    listener_ = std::thread([this] {
        http_.listen_after_bind();
        listenerDone_ = true;
    });
    // A stop that came before the listener ran would be lost and leave it listening for ever.
    while (!http_.is_running() && !listenerDone_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Server::stop() {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (!started_) return;
    http_.stop();
    if (listener_.joinable()) listener_.join();
    started_ = false;
}

void Server::serve(const httplib::Request& request, httplib::Response& response) {
    Request in(request);
    Response out(response);
    if (asksForWebSocket(request)) {
        answerWebSocket(in, out, response);
        return;
    }
    root_->handle(in, out);
    if (response.status < 0) response.status = 200;
}

// This module serves no WebSocket sessions: an upgrade the servlet accepts is refused with 501,
// one it declines keeps the servlet's answer (400 when it gave none).
void Server::answerWebSocket(IHTTPRequest& in, IHTTPResponse& out, httplib::Response& response) {
    std::string host;
    int port = 0;
    WebSocketSession session;
    if (root_->redirectWebSocket(in, out, host, port, session)) response.status = 501;
    else if (response.status < 0) response.status = 400;
}

}  // namespace quaynet

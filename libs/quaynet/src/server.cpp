#include "server.hpp"

#include "exchange.hpp"
#include "request_head.hpp"

#include <microhttpd.h>
#include <netdb.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstring>
#include <thread>
#include <vector>

namespace quaynet {
namespace {

constexpr int kBadRequest = 400;
constexpr int kTooLarge = 413;
constexpr int kServerError = 500;
constexpr int kNotImplemented = 501;
// The daemon's own count stays above ours, so that it keeps accepting and closing the connections
// over our limit at once instead of leaving them waiting in the backlog.
constexpr unsigned kDaemonLimitSlack = 16;
// Body memory reserved before any of it has arrived, whatever length is announced.
constexpr std::size_t kMaxBodyReserve = 1 << 20;
// On stop, answers already being made get this long to go out before every connection is closed.
constexpr std::chrono::milliseconds kStopGrace(500);

// Every header line or query parameter in order, with values that may hold any byte.
Fields fieldsOf(MHD_Connection* connection, MHD_ValueKind kind) {
    Fields fields;
    MHD_get_connection_values_n(
        connection, kind,
        [](void* out, MHD_ValueKind, const char* key, size_t keySize, const char* value, size_t valueSize) {
            static_cast<Fields*>(out)->emplace_back(std::string(key, keySize),
                                                    value ? std::string(value, valueSize) : std::string());
            return MHD_YES;
        },
        &fields);
    return fields;
}

bool asksForWebSocket(const Fields& headers) {
    for (const auto& [name, value] : headers)
        if (sameFieldName(name, "Upgrade")) return strcasecmp(value.c_str(), "websocket") == 0;
    return false;
}

// Queues the answer; the connection is closed after it when the request left unread bytes.
MHD_Result answer(MHD_Connection* connection, int status, const Fields& headers, std::string body, bool close) {
    auto* owned = new std::string(std::move(body));
    MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
        owned->size(), owned->data(), [](void* text) { delete static_cast<std::string*>(text); }, owned);
    if (!response) return delete owned, MHD_NO;
    // A field the daemon refuses (an empty value, a line break) is left out rather than sent broken.
    for (const auto& [name, value] : headers) MHD_add_response_header(response, name.c_str(), value.c_str());
    if (close) MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    const MHD_Result queued = MHD_queue_response(connection, unsigned(status), response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result refuse(MHD_Connection* connection, int status) { return answer(connection, status, {}, std::string(), true); }

// The address to listen on, resolved without a lookup beyond the local name service.
sockaddr_storage listenAddress(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (int failed = getaddrinfo(host.empty() ? nullptr : host.c_str(), nullptr, &hints, &found); failed != 0)
        throw std::runtime_error("cannot listen on " + host + " port " + std::to_string(port) + ": " + gai_strerror(failed));
    sockaddr_storage address{};
    std::memcpy(&address, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    if (address.ss_family == AF_INET6) reinterpret_cast<sockaddr_in6&>(address).sin6_port = htons(uint16_t(port));
    else reinterpret_cast<sockaddr_in&>(address).sin_port = htons(uint16_t(port));
    return address;
}

}  // namespace

// One request on its way through the daemon: made when the request line arrives, ended by the
// daemon's completion callback.
struct Server::Exchange {
    std::string target;
    ConnectionWatch::Entry* deadline = nullptr;
    bool headRead = false;
    bool served = false;   // handed to the servlet: counted in serving_ until its answer has gone
    int refusal = 0;   // the status owed once the rest of the body is drained
    std::string path, method;
    Fields headers, parameters;
    std::string body;
};

struct Server::Callbacks {
    static MHD_Result admit(void* server, const sockaddr*, socklen_t) {
        auto& self = *static_cast<Server*>(server);
        return self.connections_ < self.maxConnections_ ? MHD_YES : MHD_NO;
    }

    static void connection(void* server, MHD_Connection* connection, void** context, MHD_ConnectionNotificationCode code) {
        auto& self = *static_cast<Server*>(server);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            *context = self.watch_.watch(info->connect_fd);
            ++self.connections_;
        } else if (*context) {
            self.watch_.forget(static_cast<ConnectionWatch::Entry*>(*context));
            *context = nullptr;
            --self.connections_;
        }
    }

    static void* begin(void*, const char* target, MHD_Connection* connection) {
        auto* exchange = new Exchange;
        exchange->target = target;
        const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        exchange->deadline = static_cast<ConnectionWatch::Entry*>(info->socket_context);
        return exchange;
    }

    static void end(void* server, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
        auto* exchange = static_cast<Exchange*>(*context);
        if (!exchange) return;
        if (exchange->served) --static_cast<Server*>(server)->serving_;
        if (exchange->deadline) exchange->deadline->awaitHead();
        delete exchange;
        *context = nullptr;
    }

    static MHD_Result access(void* server, MHD_Connection* connection, const char* path, const char* method,
                             const char*, const char* data, size_t* size, void** context) {
        auto& self = *static_cast<Server*>(server);
        auto& exchange = *static_cast<Exchange*>(*context);
        if (!exchange.headRead) return self.readHead(connection, exchange, path, method);
        if (*size != 0) {
            self.readBody(exchange, data, *size);
            *size = 0;
            return MHD_YES;
        }
        if (exchange.refusal) return refuse(connection, exchange.refusal);
        exchange.deadline->serving();
        exchange.served = true;
        ++self.serving_;
        return self.serve(connection, exchange);
    }

    static void log(void* server, const char* format, va_list arguments) {
        char line[512];
        std::vsnprintf(line, sizeof line, format, arguments);
        auto& self = *static_cast<Server*>(server);
        std::lock_guard<std::mutex> guard(self.messageLock_);
        self.lastMessage_ = line;
        while (!self.lastMessage_.empty() && (self.lastMessage_.back() == '\n' || self.lastMessage_.back() == '.'))
            self.lastMessage_.pop_back();
    }
};

Server::Server(std::shared_ptr<IWebServlet> root, ServerOptions options)
    : root_(std::move(root)), options_(std::move(options)), watch_(options_.limits) {}

std::size_t Server::connectionLimit() const {
    const ServerLimits& limits = options_.limits;
    if (limits.maxConnections > 0) return limits.maxConnections;
    std::size_t limit = ServerLimits::kDefaultMaxConnections;
    rlimit descriptors{};
    if (getrlimit(RLIMIT_NOFILE, &descriptors) == 0 && descriptors.rlim_cur != RLIM_INFINITY)
        limit = std::min<std::size_t>(limit, descriptors.rlim_cur / ServerLimits::kDescriptorShareDivisor);
    return std::max<std::size_t>(limit, 1);
}

MHD_Result Server::readHead(MHD_Connection* connection, Exchange& exchange, const char* path, const char* method) {
    exchange.headRead = true;
    exchange.headers = fieldsOf(connection, MHD_HEADER_KIND);
    const HeadVerdict verdict = checkHead(exchange.headers, options_.limits, options_.maxRequestBytes);
    if (verdict.refusal) return refuse(connection, verdict.refusal);
    exchange.path = path;
    exchange.method = method;
    exchange.parameters = fieldsOf(connection, MHD_GET_ARGUMENT_KIND);
    if (verdict.announced) exchange.body.reserve(std::min<std::size_t>(*verdict.announced, kMaxBodyReserve));
    exchange.deadline->bodyProgress(0);
    return MHD_YES;
}

// Past the limit nothing more is kept: the rest is read and dropped until the body ends (and the
// 413 can be read by a client that sends before it reads) or the drain time runs out.
void Server::readBody(Exchange& exchange, const char* data, std::size_t size) {
    if (exchange.refusal) return;
    if (size > options_.maxRequestBytes - exchange.body.size()) {
        exchange.refusal = kTooLarge;
        std::string().swap(exchange.body);
        exchange.deadline->draining();
        return;
    }
    exchange.body.append(data, size);
    exchange.deadline->bodyProgress(exchange.body.size());
}

MHD_Result Server::serve(MHD_Connection* connection, Exchange& exchange) {
    Request request(std::move(exchange.target), std::move(exchange.path), exchange.method, std::move(exchange.headers),
                    std::move(exchange.parameters), std::move(exchange.body));
    Response response;
    try {
        if (asksForWebSocket(request.headers())) answerWebSocket(request, response);
        else root_->handle(request, response);
    } catch (const BadRequest&) {
        response.reset(kBadRequest);
    } catch (...) {
        response.reset(kServerError);
    }
    return answer(connection, response.status() ? response.status() : 200, response.headers(),
                  std::move(response.body()), false);
}

// This module serves no WebSocket sessions: an upgrade the servlet accepts is refused with 501,
// one it declines keeps the servlet's answer (400 when it gave none).
void Server::answerWebSocket(IHTTPRequest& request, Response& response) {
    std::string host;
    int port = 0;
    WebSocketSession session;
    if (root_->redirectWebSocket(request, response, host, port, session)) response.reset(kNotImplemented);
    else if (response.status() == 0) response.setStatus(kBadRequest);
}

// The daemon's options: our callbacks, and the limits the daemon enforces itself.
std::vector<MHD_OptionItem> Server::daemonOptions(sockaddr_storage& address, bool tls) {
    const ServerLimits& limits = options_.limits;
    std::vector<MHD_OptionItem> items = {
        {MHD_OPTION_SOCK_ADDR, 0, &address},
        {MHD_OPTION_EXTERNAL_LOGGER, intptr_t(&Callbacks::log), this},
        {MHD_OPTION_NOTIFY_CONNECTION, intptr_t(&Callbacks::connection), this},
        {MHD_OPTION_URI_LOG_CALLBACK, intptr_t(&Callbacks::begin), this},
        {MHD_OPTION_NOTIFY_COMPLETED, intptr_t(&Callbacks::end), this},
        {MHD_OPTION_CONNECTION_LIMIT, intptr_t(maxConnections_ + kDaemonLimitSlack), nullptr},
        {MHD_OPTION_PER_IP_CONNECTION_LIMIT, intptr_t(limits.maxConnectionsPerClient), nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, intptr_t(limits.connectionMemoryBytes), nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, intptr_t(std::max(1, limits.idleSeconds)), nullptr},
        {MHD_OPTION_LISTEN_BACKLOG_SIZE, intptr_t(SOMAXCONN), nullptr},
    };
    if (tls) {
        items.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(options_.tlsCertificatePem.c_str())});
        items.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(options_.tlsKeyPem.c_str())});
    }
    items.push_back({MHD_OPTION_END, 0, nullptr});
    return items;
}

// Why the daemon did not start, from its last complaint.
std::string Server::startFailure(bool tls) {
    std::lock_guard<std::mutex> guard(messageLock_);
    std::string why = lastMessage_;
    // The daemon has bound its port before it reads the certificate, and says no more than
    // "Failed to initialize TLS support" about a certificate or key it cannot use.
    if (tls && why.find("TLS") != std::string::npos)
        why = "the TLS certificate or key was refused (both must be PEM, the key the certificate's own)";
    return "cannot listen on " + options_.host + " port " + std::to_string(options_.port) +
           (why.empty() ? std::string() : ": " + why);
}

void Server::start() {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (daemon_) return;
    maxConnections_ = connectionLimit();
    sockaddr_storage address = listenAddress(options_.host, options_.port);
    const bool tls = !options_.tlsCertificatePem.empty() || !options_.tlsKeyPem.empty();
    if (tls && MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES)
        throw std::runtime_error("this build of the web server cannot speak TLS");
    unsigned flags = MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL | MHD_USE_ITC |
                     MHD_USE_ERROR_LOG;
    if (address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
    if (tls) flags |= MHD_USE_TLS;
    std::vector<MHD_OptionItem> items = daemonOptions(address, tls);
    watch_.start();
    daemon_ = MHD_start_daemon(flags, uint16_t(options_.port), &Callbacks::admit, this, &Callbacks::access, this,
                               MHD_OPTION_ARRAY, items.data(), MHD_OPTION_END);
    if (!daemon_) {
        watch_.stop();
        throw std::runtime_error(startFailure(tls));
    }
}

// New connections are refused first; the answers being made (a servlet's owner has woken its
// waiting clients before the stop) get a moment to go out before every connection is closed.
void Server::stop() {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (!daemon_) return;
    // The daemon hands its listening socket over on quiescing; it is closed once its threads are gone.
    const MHD_socket listener = MHD_quiesce_daemon(daemon_);
    for (auto until = std::chrono::steady_clock::now() + kStopGrace; serving_ > 0 && std::chrono::steady_clock::now() < until;)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    MHD_stop_daemon(daemon_);
    if (listener != MHD_INVALID_SOCKET) ::close(listener);
    daemon_ = nullptr;
    watch_.stop();
}

}  // namespace quaynet

#include "loopback.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace quaynet_test {
namespace {

sockaddr_in loopback(const char* address, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, address, &a.sin_addr);
    return a;
}

const char* methodName(int code) {
    switch (code) {
        case quaynet::kDelete: return "DELETE";
        case quaynet::kGet: return "GET";
        case quaynet::kHead: return "HEAD";
        case quaynet::kPost: return "POST";
        case quaynet::kPut: return "PUT";
        default: return "OTHER";
    }
}

// The value of the head's first field of that name; empty when it has none.
std::string fieldIn(std::string_view head, std::string_view name) {
    for (std::size_t line = head.find("\r\n"); line != std::string_view::npos; line = head.find("\r\n", line + 2)) {
        const std::string_view rest = head.substr(line + 2);
        if (rest.size() > name.size() && rest[name.size()] == ':' && strncasecmp(rest.data(), name.data(), name.size()) == 0) {
            std::string_view value = rest.substr(name.size() + 1, rest.find("\r\n") - name.size() - 1);
            while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
            return std::string(value);
        }
    }
    return std::string();
}

// The body of a chunked answer starting at `from`; false while it is not whole.
bool dechunk(std::string_view bytes, std::size_t& from, std::string& body) {
    for (;;) {
        const std::size_t end = bytes.find("\r\n", from);
        if (end == std::string_view::npos) return false;
        const std::size_t size = std::stoul(std::string(bytes.substr(from, end - from)), nullptr, 16);
        if (size == 0) {
            const std::size_t trailer = bytes.find("\r\n", end + 2);
            if (trailer == std::string_view::npos) return false;
            from = trailer + 2;
            return true;
        }
        if (bytes.size() < end + 2 + size + 2) return false;
        body.append(bytes.substr(end + 2, size));
        from = end + 2 + size + 2;
    }
}

}  // namespace

void echo(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response) {
    response.send(200, std::string(methodName(request.method())) + " " + request.target() + " [" + request.body() + "]");
}

int freePort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback("127.0.0.1", 0);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(s);
    return ntohs(a.sin_port);
}

RawConnection::RawConnection(int port, const char* source, int receiveBufferBytes)
    : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
    const sockaddr_in from = loopback(source, 0), to = loopback("127.0.0.1", port);
    if (receiveBufferBytes > 0) ::setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    connected_ = socket_ >= 0 && ::bind(socket_, reinterpret_cast<const sockaddr*>(&from), sizeof from) == 0 &&
                 ::connect(socket_, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
}

RawConnection::~RawConnection() {
    if (socket_ >= 0) ::close(socket_);
}

bool RawConnection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(std::size_t(sent));
    }
    return true;
}

bool RawConnection::readSome(RawReply& reply, std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd ready{socket_, POLLIN, 0};
    if (::poll(&ready, 1, int(left)) <= 0) return false;
    char buffer[16384];
    const ssize_t got = ::recv(socket_, buffer, sizeof buffer, 0);
    if (got > 0) return reply.bytes.append(buffer, std::size_t(got)), true;
    if (got < 0 && errno == EINTR) return true;
    reply.closed = true;   // an orderly close, or a reset
    return false;
}

RawReply RawConnection::readUntilClosed(std::chrono::milliseconds patience) {
    RawReply reply;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (readSome(reply, deadline)) {
    }
    return reply;
}

RawReply RawConnection::readAnswers(std::size_t count, std::chrono::milliseconds patience) {
    RawReply reply;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (answersIn(reply.bytes).size() < count && readSome(reply, deadline)) {
    }
    return reply;
}

RawReply roundTrip(int port, std::string_view request, std::chrono::milliseconds patience) {
    RawConnection connection(port);
    EXPECT_TRUE(connection.connected());
    connection.send(request);   // a server that closes early may refuse the rest; what came back tells
    return connection.readUntilClosed(patience);
}

std::vector<Answer> answersIn(std::string_view bytes) {
    std::vector<Answer> answers;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t headEnd = bytes.find("\r\n\r\n", at);
        if (headEnd == std::string_view::npos || bytes.compare(at, 5, "HTTP/") != 0) break;
        Answer answer;
        answer.head = std::string(bytes.substr(at, headEnd + 2 - at));
        answer.status = std::atoi(answer.head.c_str() + answer.head.find(' ') + 1);
        std::size_t next = headEnd + 4;
        if (strcasecmp(fieldIn(answer.head, "Transfer-Encoding").c_str(), "chunked") == 0) {
            if (!dechunk(bytes, next, answer.body)) break;
        } else if (answer.status >= 200) {
            const std::string length = fieldIn(answer.head, "Content-Length");
            const std::size_t size = length.empty() ? bytes.size() - next : std::stoul(length);
            if (bytes.size() - next < size) break;
            answer.body = std::string(bytes.substr(next, size));
            next += size;
        }
        answers.push_back(std::move(answer));
        at = next;
    }
    return answers;
}

quaynet::ServerOptions LoopbackServer::smallLimits() {
    quaynet::ServerOptions options;
    options.host = "127.0.0.1";
    options.maxRequestBytes = 1000;
    quaynet::ServerLimits& limits = options.limits;
    limits.maxConnections = 8;
    limits.maxConnectionsPerClient = 4;
    limits.maxHeaderCount = 10;
    limits.maxHeaderBytes = 512;
    limits.connectionMemoryBytes = 4096;
    limits.headSeconds = 1;
    limits.minBodyBytesPerSecond = 1000;
    limits.drainSeconds = 1;
    limits.idleSeconds = 2;
    return options;
}

void LoopbackServer::serve(Handler handler, quaynet::ServerOptions options) {
    servlet_ = std::make_shared<FunctionServlet>(std::move(handler));
    options.port = port_ = freePort();
    server_ = GetModule()->createServer(servlet_, options);
    server_->start();
}

}  // namespace quaynet_test

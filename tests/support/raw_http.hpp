// A client that sends exactly the bytes a test gives, for requests a real client will not make:
// connect to a loopback port, send, and read what comes back until the server closes or the time
// runs out.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace flk::test {

struct RawReply {
    std::string bytes;    // everything the server sent
    bool closed = false;  // the server closed the connection (else the time ran out)
    // The status code of the first answer, 0 when none came.
    int status() const { return bytes.compare(0, 5, "HTTP/") == 0 && bytes.size() > 12 ? std::stoi(bytes.substr(9, 3)) : 0; }
};

// A connect interrupted by a signal goes on in the background: its outcome, once known.
inline bool connectedAfterSignal(int s) {
    if (errno != EINTR) return false;
    pollfd p{s, POLLOUT, 0};
    while (::poll(&p, 1, 5000) < 0 && errno == EINTR) {
    }
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size);
    errno = error;
    return (p.revents & POLLOUT) && error == 0;
}

// A connected socket to the port on 127.0.0.1, from the given loopback source address; -1 when
// the connection fails.
inline int connectLoopback(int port, const char* source = "127.0.0.1") {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{}, to{};
    from.sin_family = to.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    to.sin_port = htons(uint16_t(port));
    if (::bind(s, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        (::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 && !connectedAfterSignal(s))) {
        const int error = errno;
        ::close(s);
        errno = error;
        return -1;
    }
    return s;
}

// Reads until the peer closes or timeoutMs passes.
inline RawReply readReply(int s, int timeoutMs) {
    RawReply reply;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[16384];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return reply;
        pollfd p{s, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left.count()));
        if (ready < 0 && errno == EINTR) continue;   // a signal (a fuzzer's timer, say) is no answer
        if (ready <= 0) return reply;
        const ssize_t n = ::recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) return reply.closed = true, reply;
        reply.bytes.append(buffer, size_t(n));
    }
}

inline RawReply rawExchange(int port, const std::string& request, int timeoutMs = 5000) {
    int s = connectLoopback(port);
    if (s < 0) return RawReply{};
    ::send(s, request.data(), request.size(), MSG_NOSIGNAL);
    RawReply reply = readReply(s, timeoutMs);
    ::close(s);
    return reply;
}

}  // namespace flk::test

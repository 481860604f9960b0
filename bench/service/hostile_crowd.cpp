#include "service/hostile_crowd.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <chrono>

namespace flk::bench {
namespace {

constexpr int kSourceAddresses = 8;
constexpr int64_t kDribbleIntervalMs = 300;
// A flooder's burst: enough that the server's head memory fills within a second or so.
constexpr int64_t kFloodIntervalMs = 20;
constexpr int kFloodLinesPerBurst = 16;
// A closed connection is made again after this pause, so that a server that closes at once is
// not met with a busy loop.
constexpr int64_t kReconnectPauseMs = 20;
constexpr int kPollMs = 10;
constexpr int64_t kNever = INT64_MAX;

const char kRequestStart[] = "GET /api/v1/echo/ HTTP/1.1\r\nHost: 127.0.0.1\r\n";

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The piece of its stream a kind writes the n-th time its turn comes.
std::string piece(HostileCrowd::Kind kind, std::size_t n) {
    switch (kind) {
    case HostileCrowd::kStalled:
        return "GET /api/v1/ech";
    case HostileCrowd::kDribbling: {
        static const std::string start = std::string(kRequestStart) + "X-Dribble: ";
        return n < start.size() ? start.substr(n, 1) : "d";
    }
    default: {
        std::string burst = n == 0 ? kRequestStart : "";
        for (int i = 0; i < kFloodLinesPerBurst; ++i) burst += "X-Flood: " + std::string(100, 'f') + "\r\n";
        return burst;
    }
    }
}

int64_t nextTurn(HostileCrowd::Kind kind, int64_t now) {
    if (kind == HostileCrowd::kStalled) return kNever;
    return now + (kind == HostileCrowd::kDribbling ? kDribbleIntervalMs : kFloodIntervalMs);
}

}  // namespace

const char* HostileCrowd::name(Kind kind) {
    static const char* const names[kKinds] = {"stalled", "dribbling", "flooding"};
    return names[kind];
}

HostileCrowd::HostileCrowd(int port, int connections) : port_(port) {
    for (int i = 0; i < connections; ++i) peers_.emplace_back(Kind(i % kKinds), i % kSourceAddresses);
    thread_ = std::thread([this] { run(); });
}

HostileCrowd::Tally HostileCrowd::stop() {
    if (!thread_.joinable()) return tally_;
    stopping_ = true;
    thread_.join();
    for (Peer& peer : peers_)
        if (peer.fd >= 0) {
            ::close(peer.fd);
            peer.fd = -1;
            ++tally_.openAtEnd;
        }
    for (int kind = 0; kind < kKinds; ++kind)
        if (tally_.closedByServer[kind] > 0) tally_.meanLifeSeconds[kind] = lifeSeconds_[kind] / double(tally_.closedByServer[kind]);
    return tally_;
}

void HostileCrowd::run() {
    std::vector<pollfd> ready;
    std::vector<Peer*> owners;
    while (!stopping_) {
        const int64_t now = nowMs();
        ready.clear();
        owners.clear();
        for (Peer& peer : peers_) {
            if (peer.fd < 0 && now >= peer.dueMs) open(peer, now);
            if (peer.fd >= 0 && now >= peer.dueMs) feed(peer, now);
            if (peer.fd < 0) continue;
            ready.push_back(pollfd{peer.fd, POLLIN, 0});
            owners.push_back(&peer);
        }
        if (::poll(ready.data(), ready.size(), kPollMs) <= 0) continue;
        for (std::size_t i = 0; i < ready.size(); ++i)
            if (ready[i].revents != 0) drain(*owners[i], nowMs());
    }
}

// Non-blocking: the connection completes while the crowd goes on, and a write before then waits
// for a later turn.
void HostileCrowd::open(Peer& peer, int64_t now) {
    peer.dueMs = now + kReconnectPauseMs;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 2 + uint32_t(peer.source));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(uint16_t(port_));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS)) {
        ::close(fd);
        return;
    }
    peer.fd = fd;
    peer.openedMs = peer.dueMs = now;
    peer.fed = 0;
    peer.pending.clear();
    peer.status = 0;
    ++tally_.connections[peer.kind];
}

// A piece is written whole before the next one is made, however many turns that takes.
void HostileCrowd::feed(Peer& peer, int64_t now) {
    if (peer.pending.empty()) peer.pending = piece(peer.kind, peer.fed++);
    const ssize_t sent = ::send(peer.fd, peer.pending.data(), peer.pending.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOTCONN) return closedByServer(peer, now);
    if (sent > 0) peer.pending.erase(0, std::size_t(sent));
    peer.dueMs = peer.pending.empty() ? nextTurn(peer.kind, now) : now + kPollMs;
}

void HostileCrowd::drain(Peer& peer, int64_t now) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(peer.fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            // "HTTP/1.1 431 ...": the status line arrives in the first read.
            if (peer.status == 0) peer.status = got > 12 ? std::atoi(buffer + 9) : -1;
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        return closedByServer(peer, now);
    }
}

void HostileCrowd::closedByServer(Peer& peer, int64_t now) {
    ::close(peer.fd);
    peer.fd = -1;
    peer.dueMs = now + kReconnectPauseMs;
    ++tally_.closedByServer[peer.kind];
    if (peer.status != 0) {
        ++tally_.answered[peer.kind];
        tally_.lastStatus[peer.kind] = peer.status;
    }
    lifeSeconds_[peer.kind] += double(now - peer.openedMs) / 1000.0;
}

}  // namespace flk::bench

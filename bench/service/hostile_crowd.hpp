// Connections that hold on to a server without ever finishing a request: stalled clients (half a
// request line, then nothing), dribblers (a byte every few hundred milliseconds) and header
// flooders (header lines without end). Each reconnects when the server closes it. They come from
// loopback addresses other than 127.0.0.1 (127.0.0.2 to 127.0.0.9), so that a limit per client
// address tells them apart from the load they run beside. One thread drives them all, from
// construction until stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace flk::bench {

class HostileCrowd {
public:
    enum Kind { kStalled, kDribbling, kFlooding, kKinds };
    static const char* name(Kind kind);

    struct Tally {
        long connections[kKinds] = {};      // made, reconnections included
        long closedByServer[kKinds] = {};
        long answered[kKinds] = {};         // closed connections that got an answer first (a 431, a 408)
        int lastStatus[kKinds] = {};        // the status of the last such answer
        double meanLifeSeconds[kKinds] = {};   // of the connections the server closed
        long openAtEnd = 0;
    };

    // `connections` at once, kinds in turn, to 127.0.0.1:port.
    HostileCrowd(int port, int connections);
    ~HostileCrowd() { stop(); }
    HostileCrowd(const HostileCrowd&) = delete;
    HostileCrowd& operator=(const HostileCrowd&) = delete;

    // Closes every connection (those are not counted as closed by the server) and joins the thread.
    Tally stop();

private:
    struct Peer {
        Peer(Kind k, int s) : kind(k), source(s) {}
        Kind kind;
        int source;               // the last byte of the source address is 2 + source
        int fd = -1;
        int64_t openedMs = 0;
        int64_t dueMs = 0;        // next write, or next connection attempt while fd < 0
        std::size_t fed = 0;      // pieces of the kind's stream written so far
        std::string pending;      // bytes of a piece the socket did not take yet
        int status = 0;           // of the answer the server sent before closing, if any
    };

    void run();
    void open(Peer& peer, int64_t now);
    void feed(Peer& peer, int64_t now);
    void drain(Peer& peer, int64_t now);
    void closedByServer(Peer& peer, int64_t now);

    const int port_;
    std::atomic<bool> stopping_{false};
    std::vector<Peer> peers_;   // touched only by thread_ until stop has joined it
    Tally tally_;               // likewise
    double lifeSeconds_[kKinds] = {};
    std::thread thread_;
};

}  // namespace flk::bench

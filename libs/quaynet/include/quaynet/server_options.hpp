// What a server is told when it is made: where it listens, whether it speaks TLS, and every bound
// on what its clients control. The defaults are the module's own limits, in one place.
#pragma once

#include <cstddef>
#include <string>

namespace quaynet {

struct ServerLimits {
    // Connections served at once; 0 takes the smaller of kDefaultMaxConnections and a
    // kDescriptorShareDivisor-th of the process's descriptor limit, so that the process that loads
    // the module keeps the rest of its descriptors. Connections past a limit are closed at once.
    static constexpr std::size_t kDefaultMaxConnections = 1024;
    static constexpr std::size_t kDescriptorShareDivisor = 4;
    std::size_t maxConnections = 0;
    std::size_t maxConnectionsPerClient = 256;   // from one client address
    // The request head: header lines (and their bytes, names and values counted) past these are
    // answered 431. The connection's working memory holds the head and the answer's head, so it
    // is kept well above the header bytes.
    std::size_t maxHeaderCount = 100;
    std::size_t maxHeaderBytes = 16 * 1024;
    std::size_t connectionMemoryBytes = 64 * 1024;
    // A connection must deliver a request's head within headSeconds of opening or of its previous
    // answer, and its body at no less than minBodyBytesPerSecond on average after that; a stalled
    // or dribbling client is closed and frees what it held. A body over the size limit is read
    // and discarded for at most drainSeconds so that its client can read the 413.
    int headSeconds = 10;
    std::size_t minBodyBytesPerSecond = 64 * 1024;
    int drainSeconds = 5;
    // A connection that sends or takes nothing for this long is closed (idle keep-alive
    // connections, clients that stop reading an answer).
    int idleSeconds = 30;
};

struct ServerOptions {
    std::string host = "0.0.0.0";   // a numeric address or a name that resolves to one
    int port = 0;
    std::size_t maxRequestBytes = 1024 * 1024;   // a larger body is answered 413 and not kept
    // PEM texts; both set, the server speaks HTTPS only. Plain HTTP to it is closed.
    std::string tlsCertificatePem;
    std::string tlsKeyPem;
    ServerLimits limits;
};

}  // namespace quaynet

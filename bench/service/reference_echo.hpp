// Bare servers that answer every request as the service's echo servlet does, with the request's
// header lines less the ones that frame a message, and its body: the references the service's web
// module is measured against. Each listens on a loopback port of its own until it is destroyed.
#pragma once

#include <strings.h>

#include <memory>
#include <string_view>

namespace flk::bench {

class EchoServer {
public:
    virtual ~EchoServer() = default;
    virtual int port() const = 0;
};

// cpp-httplib with a pool of `workers` threads.
std::unique_ptr<EchoServer> startHttplibEcho(int workers);
// libmicrohttpd with a thread per connection, as the web module runs it, and an access handler
// that does no more than echo.
std::unique_ptr<EchoServer> startMicrohttpdEcho();

// A server writes these from the answer it sends; a copy of the request's would contradict them.
inline bool framesTheMessage(std::string_view name) {
    for (std::string_view framing : {"Content-Length", "Transfer-Encoding", "Connection"})
        if (name.size() == framing.size() && strncasecmp(name.data(), framing.data(), name.size()) == 0) return true;
    return false;
}

}  // namespace flk::bench

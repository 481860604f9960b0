// Bytes as any client may send them, to the web module's server over loopback: whatever arrives,
// the server answers or closes the connection once the client has said all it will; it never
// crashes, and never keeps a finished client waiting.
#include "quaynet/quaynet.hpp"
#include "support/free_port.hpp"
#include "support/raw_http.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Echoes the body; paths ask for the servlet's failures.
class EchoServlet : public quaynet::IWebServlet {
public:
    bool redirectWebSocket(quaynet::IHTTPRequest&, quaynet::IHTTPResponse&, std::string&, int&,
                           quaynet::WebSocketSession&) override {
        return false;
    }
    void handle(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response) override {
        if (request.path().find("/bad") != std::string::npos) throw quaynet::BadRequest("bad");
        if (request.path().find("/fail") != std::string::npos) throw std::runtime_error("fail");
        for (const auto& [name, value] : request.headers()) response.setHeader(name, value);
        response.send(200, request.body());
    }
};

int serverPort() {
    static const int port = [] {
        quaynet::ServerOptions options;
        options.host = "127.0.0.1";
        options.port = flk::test::freePort();
        options.maxRequestBytes = 65536;
        options.limits.headSeconds = 2;
        static std::shared_ptr<quaynet::IServer> server = GetModule()->createServer(std::make_shared<EchoServlet>(), options);
        server->start();
        return options.port;
    }();
    return port;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The server closes first and keeps each closed connection in TIME_WAIT for a minute: turns
    // taken among source addresses keep the runs from using up one address's ports.
    static unsigned run = 0;
    const std::string source = "127.0.1." + std::to_string(1 + run++ % 250);
    const int s = flk::test::connectLoopback(serverPort(), source.c_str());
    if (s < 0) {
        std::perror("cannot connect to the server");
        std::abort();
    }
    ::send(s, data, size, MSG_NOSIGNAL);
    ::shutdown(s, SHUT_WR);
    const flk::test::RawReply reply = flk::test::readReply(s, 5000);
    ::close(s);
    if (!reply.closed) std::abort();   // the client is done: the server must not keep it waiting
    return 0;
}

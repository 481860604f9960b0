#include "service/reference_echo.hpp"

#include "support/loopback_http_server.hpp"

namespace flk::bench {
namespace {

// cpp-httplib files the connection's addresses among the request's header lines; they were not sent.
bool addedByHttplib(const std::string& name) {
    for (const char* added : {"REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"})
        if (name == added) return true;
    return false;
}

class HttplibEcho final : public EchoServer {
public:
    explicit HttplibEcho(int workers) {
        server_.new_task_queue = [workers] { return new httplib::ThreadPool(size_t(workers)); };
        server_.Get(".*", [](const httplib::Request& request, httplib::Response& response) {
            for (const auto& [name, value] : request.headers)
                if (!framesTheMessage(name) && !addedByHttplib(name)) response.set_header(name, value);
            response.body = request.body;
        });
        server_.start();
        port_ = std::stoi(server_.url("").substr(std::string("http://127.0.0.1:").size()));
    }
    int port() const override { return port_; }

private:
    flk::test::LoopbackHttpServer server_;
    int port_ = 0;
};

}  // namespace

std::unique_ptr<EchoServer> startHttplibEcho(int workers) { return std::make_unique<HttplibEcho>(workers); }

}  // namespace flk::bench

// An HTTP server over cpp-httplib on a port of loopback, on a thread of its own, for the tests
// and benchmarks that need a peer. cpp-httplib listens with a backlog of 5: a burst of new
// connections beyond it has its connection requests dropped and retried a second later, so the
// backlog is raised to the system's; and small answers are not held back for the peer's
// acknowledgement.
#pragma once

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>

namespace flk::test {

class LoopbackHttpServer : public httplib::Server {
public:
    // Routes are added before start().
    void start() {
        set_tcp_nodelay(true);
        port_ = bind_to_any_port("127.0.0.1");
        ::listen(svr_sock_, SOMAXCONN);
        thread_ = std::thread([this] { listen_after_bind(); });
        while (!is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LoopbackHttpServer() override {
        if (!thread_.joinable()) return;
        stop();
        thread_.join();
    }

    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

private:
    int port_ = 0;
    std::thread thread_;
};

}  // namespace flk::test

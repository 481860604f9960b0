// A small HTTP server on a loopback port for the client tests: it echoes what it received, answers
// with chosen status codes, slowly, with large bodies or with none.
#pragma once

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace flk::test {

class TestServer {
public:
    static constexpr int kMaxDelayMs = 5000;

    TestServer() {
        auto echo = [](const httplib::Request& request, httplib::Response& response) {
            std::string text = "method=" + request.method + "\nlength=" + std::to_string(request.body.size()) +
                               "\ncontent-type=" + request.get_header_value("Content-Type") + "\n";
            if (request.has_header("X-A")) text += "x-a=[" + request.get_header_value("X-A") + "]\n";
            text += "body=" + request.body;
            response.set_header("X-Answer", request.get_param_value("n"));
            response.set_content(text, "text/plain");
        };
        server_.Get("/echo", echo);
        server_.Post("/echo", echo);
        server_.Put("/echo", echo);
        server_.Patch("/echo", echo);
        server_.Delete("/echo", echo);
        server_.Get(R"(/status/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
            response.status = std::stoi(request.matches[1]);
            response.set_content("status " + std::string(request.matches[1]), "text/plain");
        });
        server_.Get("/slow", [](const httplib::Request& request, httplib::Response& response) {
            int ms = std::clamp(std::atoi(request.get_param_value("ms").c_str()), 0, kMaxDelayMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            response.set_content("slow", "text/plain");
        });
        server_.Get("/big", [](const httplib::Request& request, httplib::Response& response) {
            size_t bytes = std::stoul(request.get_param_value("bytes"));
            response.set_content(std::string(bytes, 'x'), "application/octet-stream");
        });
        server_.Get("/empty", [](const httplib::Request&, httplib::Response& response) { response.status = 204; });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TestServer() {
        server_.stop();
        thread_.join();
    }

    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace flk::test

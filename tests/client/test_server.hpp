// A small HTTP server on a loopback port for the client tests: it echoes what it received, answers
// with chosen status codes, slowly, with large bodies or with none.
#pragma once

#include "support/loopback_http_server.hpp"

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
        server_.start();
    }

    std::string url(const std::string& path) const { return server_.url(path); }

private:
    LoopbackHttpServer server_;
};

}  // namespace flk::test

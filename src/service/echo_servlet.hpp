// Answers every GET, POST, PUT and DELETE with the request's body and headers, after the delay the
// query parameter "delay" asks for; used to test the service and its clients.
#pragma once

#include "frame/guarded.hpp"
#include "service/quaynet-servlets/base_web_servlet.hpp"

#include <condition_variable>

namespace flk::service {

class EchoServlet : public Servlets::BaseWebServlet {
public:
    void handleDelete(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;
    void handleGet(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;
    void handlePost(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;
    void handlePut(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;

    // Ends the delays in progress and every later one at once, so that stopping the server does not
    // wait for them.
    void stop();

private:
    void echo(const char* method, quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
              const std::wstring& path);
    void delay(int milliseconds);

    Guarded<bool> stopped_{false};
    std::condition_variable wake_;   // signalled by stop()
};

// The delay a request asks for: the decimal query parameter "delay", 0 when missing, not a whole
// number or negative, at most kMaxEchoDelayMs.
int echoDelay(const quaynet::IHTTPRequest& request);

}  // namespace flk::service

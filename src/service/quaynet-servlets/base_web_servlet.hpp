// The base of the library's servlets: dispatch by HTTP method, 405 for every method a servlet does
// not serve. Servlets are called on the web module's connection threads in parallel and must be
// safe for that.
#pragma once

#include "quaynet/quaynet.hpp"

#include <string>

namespace Servlets {

class BaseWebServlet {
public:
    virtual ~BaseWebServlet() = default;

    // path: the request path with the servlet's prefix removed.
    virtual void handleMethod(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path);
    virtual void handleDelete(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path);
    virtual void handleGet(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path);
    // Served as a GET unless overridden; the module leaves the body out.
    virtual void handleHead(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path);
    virtual void handlePost(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path);
    virtual void handlePut(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path);
    // Asked when a request wants to become a WebSocket; the library's servlets decline.
    virtual bool acceptWebSocket(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, std::string& host,
                                 int& port, quaynet::WebSocketSession& session);

protected:
    // Who sent the request, as a proxy in front of the server says: the X-Forwarded-For header.
    static std::string client(const quaynet::IHTTPRequest& request);

private:
    void refuse(const char* what, quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                const std::wstring& path);
};

}  // namespace Servlets

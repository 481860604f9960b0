// The root servlet of the service: normalises the request path below the service's root and hands
// the request to the servlet registered under the longest matching prefix.
#pragma once

#include "frame/guarded.hpp"
#include "service/quaynet-servlets/base_web_servlet.hpp"
#include "service/quaynet-servlets/service_path.hpp"

#include <memory>
#include <vector>

namespace Servlets {

class UriMatchingServlet : public quaynet::IWebServlet {
public:
    // basePath: the service's root directory (UTF-8); request paths may not climb above it.
    explicit UriMatchingServlet(const std::string& basePath);

    // Throws quaynet::BadRequest("normalized url is outside base path") for a path above the root.
    void handle(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response) override;
    bool redirectWebSocket(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, std::string& host,
                           int& port, quaynet::WebSocketSession& session) override;

    void addServlet(std::wstring prefix, std::shared_ptr<BaseWebServlet> servlet);
    void removeServlets();

private:
    struct Route {
        std::wstring prefix;
        std::shared_ptr<BaseWebServlet> servlet;
    };
    std::wstring relativePath(const quaynet::IHTTPRequest& request) const;
    // The route for a path (no servlet when none matches), chosen under the lock.
    Route choose(const std::wstring& path) const;

    const ServiceRoot root_;
    flk::Guarded<std::vector<Route>> routes_;   // in registration order
};

}  // namespace Servlets

#include "service/quaynet-servlets/uri_matching_servlet.hpp"

#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"

namespace Servlets {

using flk::Log;

namespace {

constexpr int kNotFound = 404;

}  // namespace

UriMatchingServlet::UriMatchingServlet(const std::string& basePath) : root_(basePath) {}

void UriMatchingServlet::addServlet(std::wstring prefix, std::shared_ptr<BaseWebServlet> servlet) {
    auto lock = routes_.lock();
    routes_.get(lock).push_back(Route{std::move(prefix), std::move(servlet)});
}

void UriMatchingServlet::removeServlets() {
    std::vector<Route> released;
    {
        auto lock = routes_.lock();
        released.swap(routes_.get(lock));
    }
}

std::wstring UriMatchingServlet::relativePath(const quaynet::IHTTPRequest& request) const {
    auto relative = root_.relative(request.path());
    if (!relative) throw quaynet::BadRequest("normalized url is outside base path");
    return flk::fromUtf8(*relative);
}

// The longest prefix wins; of equal ones, the later registration.
UriMatchingServlet::Route UriMatchingServlet::choose(const std::wstring& path) const {
    auto lock = routes_.lock();
    const Route* best = nullptr;
    for (const Route& route : routes_.get(lock))
        if (route.prefix.size() <= path.size() && path.compare(0, route.prefix.size(), route.prefix) == 0 &&
            (!best || route.prefix.size() >= best->prefix.size()))
            best = &route;
    return best ? *best : Route{};
}

void UriMatchingServlet::handle(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response) {
    const std::wstring path = relativePath(request);
    Route route = choose(path);
    if (!route.servlet) {
        LOG4CXX_WARN(flk::logger(Log::UriMatchingServlet),
                     "UriMatchingServlet::handle, could not find servlet to handle '" << request.target() << "'");
        response.send(kNotFound, std::string());
        return;
    }
    route.servlet->handleMethod(request, response, path.substr(route.prefix.size()));
}

bool UriMatchingServlet::redirectWebSocket(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                                           std::string& host, int& port, quaynet::WebSocketSession& session) {
    try {
        Route route = choose(relativePath(request));
        if (route.servlet) return route.servlet->acceptWebSocket(request, response, host, port, session);
        LOG4CXX_WARN(flk::logger(Log::UriMatchingServlet),
                     "UriMatchingServlet::redirectWebSocket, could not find servlet to handle '" << request.target() << "'");
        response.send(kNotFound, std::string());
    } catch (const std::exception& e) {
        LOG4CXX_ERROR(flk::logger(Log::UriMatchingServlet), "Websocket upgrade request failed: " << flk::exceptionText(e));
    }
    return false;
}

}  // namespace Servlets

#include "service/quaynet-servlets/base_web_servlet.hpp"

#include "frame/loggers.hpp"
#include "frame/utf8.hpp"

namespace Servlets {

using flk::Log;

constexpr int kMethodNotAllowed = 405;

void BaseWebServlet::handleMethod(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                                  const std::wstring& path) {
    switch (request.method()) {
    case quaynet::kDelete: return handleDelete(request, response, path);
    case quaynet::kGet: return handleGet(request, response, path);
    case quaynet::kHead: return handleHead(request, response, path);
    case quaynet::kPost: return handlePost(request, response, path);
    case quaynet::kPut: return handlePut(request, response, path);
    default: return refuse("Unknown", request, response, path);
    }
}

void BaseWebServlet::handleDelete(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                                  const std::wstring& path) {
    refuse("Delete", request, response, path);
}

void BaseWebServlet::handleGet(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                               const std::wstring& path) {
    refuse("Get", request, response, path);
}

void BaseWebServlet::handleHead(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                                const std::wstring& path) {
    handleGet(request, response, path);
}

void BaseWebServlet::handlePost(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                                const std::wstring& path) {
    refuse("Post", request, response, path);
}

void BaseWebServlet::handlePut(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                               const std::wstring& path) {
    refuse("Put", request, response, path);
}

bool BaseWebServlet::acceptWebSocket(quaynet::IHTTPRequest&, quaynet::IHTTPResponse&, std::string&, int&,
                                     quaynet::WebSocketSession&) {
    return false;
}

std::string BaseWebServlet::client(const quaynet::IHTTPRequest& request) { return request.header("X-Forwarded-For"); }

void BaseWebServlet::refuse(const char* what, quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response,
                            const std::wstring& path) {
    LOG4CXX_INFO(flk::logger(Log::BaseWebServlet),
                 what << " method called for " << flk::toUtf8(path) << " from " << client(request));
    response.send(kMethodNotAllowed, std::string());
}

}  // namespace Servlets

// The web module: an HTTP server that hands every request to one root servlet, and the content
// type of a file name. Loaded at run time; GetModule is its only entry point.
//
// Text is UTF-8 throughout. Paths and query parameters arrive percent-decoded.
#pragma once

#include "quaynet/server_options.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#define QUAYNET_API __attribute__((visibility("default")))

namespace quaynet {

// Method codes; every other method reads as kOtherMethod.
enum MethodCode { kOtherMethod = 0, kDelete = 1, kGet = 2, kHead = 3, kPost = 4, kPut = 5 };

// Name and value pairs in the order they arrived.
using Fields = std::vector<std::pair<std::string, std::string>>;

class IHTTPRequest {
public:
    virtual ~IHTTPRequest() = default;
    virtual const std::string& path() const = 0;
    virtual const Fields& queryParameters() const = 0;
    // The request target as the client sent it (percent-encoded), for messages.
    virtual const std::string& target() const = 0;
    virtual int method() const = 0;
    virtual const std::string& body() const = 0;
    virtual const Fields& headers() const = 0;
    // The first header of that name, compared without letter case; empty when absent.
    virtual std::string header(std::string_view name) const = 0;
};

class IHTTPResponse {
public:
    virtual ~IHTTPResponse() = default;
    virtual void setStatus(int status) = 0;
    virtual void send(int status, std::string body) = 0;
    // Replaces an earlier header of the same name. Headers that frame the message (Content-Length,
    // Transfer-Encoding, Connection) belong to the server and are ignored here.
    virtual void setHeader(const std::string& name, const std::string& value) = 0;
};

// A handler that declines a WebSocket upgrade by returning false.
using WebSocketSession = std::function<void()>;

class IWebServlet {
public:
    virtual ~IWebServlet() = default;
    // Asked for requests that ask to become a WebSocket. This module serves no WebSocket
    // sessions: an accepted upgrade is answered 501.
    virtual bool redirectWebSocket(IHTTPRequest& request, IHTTPResponse& response, std::string& host, int& port,
                                   WebSocketSession& session) = 0;
    // Called on the thread that serves the request's connection, in parallel with the other
    // connections; it may block (a wait holds up only its own client). An exception ends the
    // request: a BadRequest is answered 400, anything else 500; its text is not sent.
    virtual void handle(IHTTPRequest& request, IHTTPResponse& response) = 0;
};

// Thrown by a servlet for a request that must be refused as malformed.
class BadRequest : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IServer {
public:
    virtual ~IServer() = default;
    // Binds and starts serving on threads of its own. Throws std::runtime_error naming the host
    // and port when it cannot listen there, or saying why the TLS set-up was refused.
    virtual void start() = 0;
    // Stops accepting, closes every connection (a servlet still waiting must be woken by its
    // owner first) and joins every thread. Idempotent.
    virtual void stop() = 0;
};

class IContentTypes {
public:
    virtual ~IContentTypes() = default;
    // The content type for a file name by its extension (letter case ignored);
    // "application/octet-stream" when the extension is unknown or missing.
    virtual std::string lookup(const std::string& fileName) const = 0;
};

class IModule {
public:
    virtual ~IModule() = default;
    virtual std::shared_ptr<IContentTypes> contentTypes() = 0;
    // A server for the root servlet. Throws std::invalid_argument for a port outside 0 to 65535
    // or a missing servlet; whether it can listen is found out by start.
    virtual std::shared_ptr<IServer> createServer(std::shared_ptr<IWebServlet> root, const ServerOptions& options) = 0;
};

}  // namespace quaynet

// The module's entry point, looked up by name after the library is loaded.
extern "C" QUAYNET_API quaynet::IModule* GetModule();
using GetModuleFunction = quaynet::IModule* (*)();

#include "exchange.hpp"

#include <strings.h>

namespace quaynet {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The server writes these itself from the answer it sends; a copy of a client's value would
// contradict them.
bool framesTheMessage(std::string_view name) {
    return sameName(name, "Content-Length") || sameName(name, "Transfer-Encoding") || sameName(name, "Connection");
}

}  // namespace

int methodCode(const std::string& method) {
    if (method == "GET") return kGet;
    if (method == "POST") return kPost;
    if (method == "PUT") return kPut;
    if (method == "DELETE") return kDelete;
    if (method == "HEAD") return kHead;
    return kOtherMethod;
}

Request::Request(const httplib::Request& request)
    : request_(request),
      method_(methodCode(request.method)),
      parameters_(request.params.begin(), request.params.end()),
      headers_(request.headers.begin(), request.headers.end()) {}

std::string Request::header(std::string_view name) const {
    for (const auto& [key, value] : headers_)
        if (sameName(key, name)) return value;
    return std::string();
}

void Response::send(int status, std::string body) {
    response_.status = status;
    response_.body = std::move(body);
}

void Response::setHeader(const std::string& name, const std::string& value) {
    if (framesTheMessage(name)) return;
    response_.headers.erase(name);
    response_.set_header(name, value);
}

}  // namespace quaynet

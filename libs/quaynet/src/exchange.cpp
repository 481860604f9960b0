#include "exchange.hpp"

#include <strings.h>

#include <algorithm>

namespace quaynet {
namespace {

// The server writes these itself from the answer it sends; a copy of a client's value would
// contradict them.
bool framesTheMessage(std::string_view name) {
    return sameFieldName(name, "Content-Length") || sameFieldName(name, "Transfer-Encoding") ||
           sameFieldName(name, "Connection");
}

}  // namespace

bool sameFieldName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

int methodCode(std::string_view method) {
    if (method == "GET") return kGet;
    if (method == "POST") return kPost;
    if (method == "PUT") return kPut;
    if (method == "DELETE") return kDelete;
    if (method == "HEAD") return kHead;
    return kOtherMethod;
}

std::string Request::header(std::string_view name) const {
    for (const auto& [key, value] : headers_)
        if (sameFieldName(key, name)) return value;
    return std::string();
}

void Response::send(int status, std::string body) {
    status_ = status;
    body_ = std::move(body);
}

void Response::setHeader(const std::string& name, const std::string& value) {
    if (framesTheMessage(name)) return;
    headers_.erase(std::remove_if(headers_.begin(), headers_.end(),
                                  [&](const auto& field) { return sameFieldName(field.first, name); }),
                   headers_.end());
    headers_.emplace_back(name, value);
}

void Response::reset(int status) {
    status_ = status;
    headers_.clear();
    body_.clear();
}

}  // namespace quaynet

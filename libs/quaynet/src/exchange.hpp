// The module's request and response objects over the HTTP library's own.
#pragma once

#include "quaynet/quaynet.hpp"

#include <httplib.h>

namespace quaynet {

int methodCode(const std::string& method);

class Request final : public IHTTPRequest {
public:
    explicit Request(const httplib::Request& request);

    const std::string& path() const override { return request_.path; }
    const Fields& queryParameters() const override { return parameters_; }
    const std::string& target() const override { return request_.target; }
    int method() const override { return method_; }
    const std::string& body() const override { return request_.body; }
    const Fields& headers() const override { return headers_; }
    std::string header(std::string_view name) const override;

private:
    const httplib::Request& request_;
    int method_;
    Fields parameters_;
    Fields headers_;
};

class Response final : public IHTTPResponse {
public:
    explicit Response(httplib::Response& response) : response_(response) {}

    void setStatus(int status) override { response_.status = status; }
    void send(int status, std::string body) override;
    void setHeader(const std::string& name, const std::string& value) override;

private:
    httplib::Response& response_;
};

}  // namespace quaynet

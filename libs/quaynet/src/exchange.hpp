// One request as the servlet sees it, and the answer it builds. The connection's thread fills the
// request from the head and body it read and turns the answer into the message it sends.
#pragma once

#include "quaynet/quaynet.hpp"

namespace quaynet {

int methodCode(std::string_view method);
// Names compared without letter case, as HTTP compares field names.
bool sameFieldName(std::string_view a, std::string_view b);

class Request final : public IHTTPRequest {
public:
    Request(std::string target, std::string path, std::string_view method, Fields headers, Fields parameters,
            std::string body)
        : target_(std::move(target)),
          path_(std::move(path)),
          method_(methodCode(method)),
          headers_(std::move(headers)),
          parameters_(std::move(parameters)),
          body_(std::move(body)) {}

    const std::string& path() const override { return path_; }
    const Fields& queryParameters() const override { return parameters_; }
    const std::string& target() const override { return target_; }
    int method() const override { return method_; }
    const std::string& body() const override { return body_; }
    const Fields& headers() const override { return headers_; }
    std::string header(std::string_view name) const override;

private:
    const std::string target_;
    const std::string path_;
    const int method_;
    const Fields headers_;
    const Fields parameters_;
    const std::string body_;
};

// The answer as the servlet builds it: no status (0), no headers and no body to begin with.
class Response final : public IHTTPResponse {
public:
    void setStatus(int status) override { status_ = status; }
    void send(int status, std::string body) override;
    void setHeader(const std::string& name, const std::string& value) override;

    int status() const { return status_; }
    const Fields& headers() const { return headers_; }
    std::string& body() { return body_; }
    // Drops whatever a failed servlet had set.
    void reset(int status);

private:
    int status_ = 0;
    Fields headers_;
    std::string body_;
};

}  // namespace quaynet

// A servlet in front of another that lets through only requests carrying the service's bearer
// token (Authorization: Bearer <token>); the others are answered 401 and reach nothing.
#pragma once

#include "service/quaynet-servlets/base_web_servlet.hpp"

#include <memory>

namespace flk::service {

class TokenGuard : public Servlets::BaseWebServlet {
public:
    TokenGuard(std::string token, std::shared_ptr<Servlets::BaseWebServlet> guarded);

    void handleMethod(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;

private:
    const std::string tokenDigest_;   // SHA-256 of the token: compared in constant time
    const std::shared_ptr<Servlets::BaseWebServlet> guarded_;
};

// Whether an Authorization header value carries the token whose SHA-256 is tokenDigest.
bool carriesToken(const std::string& authorization, const std::string& tokenDigest);

}  // namespace flk::service

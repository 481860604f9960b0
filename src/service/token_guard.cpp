#include "service/token_guard.hpp"

#include "frame/loggers.hpp"
#include "frame/utf8.hpp"

#include <openssl/crypto.h>
#include <openssl/sha.h>
#include <strings.h>

namespace flk::service {
namespace {

constexpr int kUnauthorized = 401;
constexpr char kScheme[] = "Bearer";

// Both sides are hashed first, so that the comparison takes as long whatever the lengths.
std::string digest(std::string_view text) {
    unsigned char hash[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), hash);
    return std::string(reinterpret_cast<const char*>(hash), sizeof hash);
}

}  // namespace

bool carriesToken(const std::string& authorization, const std::string& tokenDigest) {
    constexpr size_t schemeLength = sizeof kScheme - 1;
    if (authorization.size() <= schemeLength || strncasecmp(authorization.c_str(), kScheme, schemeLength) != 0 ||
        authorization[schemeLength] != ' ')
        return false;
    std::string_view offered(authorization);
    offered.remove_prefix(schemeLength);
    while (!offered.empty() && offered.front() == ' ') offered.remove_prefix(1);
    while (!offered.empty() && offered.back() == ' ') offered.remove_suffix(1);
    const std::string seen = digest(offered);
    return CRYPTO_memcmp(seen.data(), tokenDigest.data(), seen.size()) == 0;
}

TokenGuard::TokenGuard(std::string token, std::shared_ptr<Servlets::BaseWebServlet> guarded)
    : tokenDigest_(digest(token)), guarded_(std::move(guarded)) {}

void TokenGuard::handleMethod(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) {
    if (carriesToken(request.header("Authorization"), tokenDigest_))
        return guarded_->handleMethod(request, response, path);
    LOG4CXX_INFO(logger(Log::APIService), "Refused a request for " << toUtf8(path) << " without the service's token from "
                                                                   << client(request));
    response.setHeader("WWW-Authenticate", "Bearer");
    response.send(kUnauthorized, std::string());
}

}  // namespace flk::service

#include "service/service_access.hpp"

#include <arpa/inet.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace flk::service {
namespace {

constexpr char kEveryInterface[] = "0.0.0.0";
constexpr char kHostVariable[] = "FERROLINK_SERVICE_HOST";
constexpr char kTokenVariable[] = "FERROLINK_SERVICE_TOKEN";
constexpr char kCertificateVariable[] = "FERROLINK_SERVICE_CERT";
constexpr char kKeyVariable[] = "FERROLINK_SERVICE_KEY";
// A certificate chain or key larger than this is not one.
constexpr std::streamsize kMaxPemBytes = 1 << 20;

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string readPem(const char* variableName, const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error(std::string(variableName) + " names " + file + ", which cannot be read");
    std::string text;
    text.resize(size_t(kMaxPemBytes) + 1);
    in.read(&text[0], kMaxPemBytes + 1);
    text.resize(size_t(in.gcount()));
    if (text.size() > size_t(kMaxPemBytes) || text.find("-----BEGIN ") == std::string::npos)
        throw std::runtime_error(std::string(variableName) + " names " + file + ", which is not a PEM file");
    return text;
}

}  // namespace

ServiceAccess readServiceAccess() {
    ServiceAccess access;
    access.host = variable(kHostVariable);
    if (access.host.empty()) access.host = kEveryInterface;
    access.token = variable(kTokenVariable);
    const std::string certificate = variable(kCertificateVariable), key = variable(kKeyVariable);
    if (certificate.empty() != key.empty())
        throw std::runtime_error(std::string(certificate.empty() ? kKeyVariable : kCertificateVariable) +
                                 " is set without " + (certificate.empty() ? kCertificateVariable : kKeyVariable) +
                                 ": HTTPS needs both the certificate and its key");
    if (!certificate.empty()) {
        access.certificatePem = readPem(kCertificateVariable, certificate);
        access.keyPem = readPem(kKeyVariable, key);
    }
    return access;
}

bool isLoopback(const std::string& host) {
    if (host == "localhost") return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string exposureWarning(const ServiceAccess& access) {
    if (isLoopback(access.host)) return std::string();
    if (access.token.empty())
        return "The service listens on " + access.host + " without a token: anyone who reaches the port can run the "
               "model's services. Set " + kTokenVariable + " to require a bearer token, or " + kHostVariable +
               "=127.0.0.1 to serve this machine only";
    if (access.certificatePem.empty())
        return "The service listens on " + access.host + " in plain HTTP: its token crosses the network in clear. Set " +
               kCertificateVariable + " and " + kKeyVariable + " to PEM files to serve HTTPS";
    return std::string();
}

}  // namespace flk::service

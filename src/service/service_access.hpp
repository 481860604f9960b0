// Who may reach the service and how: the address it listens on, the bearer token it asks for and
// its TLS certificate, each from the environment. Unset, the service listens on every interface,
// open and in plain HTTP, as models written before these settings expect.
#pragma once

#include <string>

namespace flk::service {

struct ServiceAccess {
    std::string host;             // FERROLINK_SERVICE_HOST, else every interface
    std::string token;            // FERROLINK_SERVICE_TOKEN; empty: no token asked for
    std::string certificatePem;   // FERROLINK_SERVICE_CERT's file; empty: plain HTTP
    std::string keyPem;           // FERROLINK_SERVICE_KEY's file
};

// Reads the settings. Throws std::runtime_error naming the variable or file when only one of the
// TLS files is named, or one cannot be read or holds no PEM block.
ServiceAccess readServiceAccess();

// True for an address only this machine reaches (127.0.0.0/8, ::1, "localhost").
bool isLoopback(const std::string& host);

// The warning due for a service anyone beyond this machine may reach; empty when none is due.
std::string exposureWarning(const ServiceAccess& access);

}  // namespace flk::service

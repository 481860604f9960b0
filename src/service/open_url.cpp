#include "service/open_url.hpp"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace flk::service {
namespace {

constexpr char kOpener[] = "xdg-open";

bool hasSchemePrefix(const std::string& url, const char* scheme) {
    const size_t n = std::strlen(scheme);
    if (url.size() <= n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
    return true;
}

}  // namespace

bool isWebUrl(const std::string& url) {
    const bool web = hasSchemePrefix(url, "http://") || hasSchemePrefix(url, "https://");
    const bool clean = std::none_of(url.begin(), url.end(), [](unsigned char c) { return c <= 0x20 || c == 0x7f; });
    return web && clean;
}

void openUrlDesktop(const std::string& url) {
    if (!isWebUrl(url))
        throw std::invalid_argument("'" + url + "' is not an absolute http or https URL; only those are opened");
    pid_t child = 0;
    char* argv[] = {const_cast<char*>(kOpener), const_cast<char*>(url.c_str()), nullptr};
    if (int error = posix_spawnp(&child, kOpener, nullptr, nullptr, argv, environ); error != 0)
        throw std::runtime_error(std::string("cannot start ") + kOpener + ": " + std::strerror(error));
    // Not waited for by the caller; reaped on a thread of its own so that it leaves no zombie.
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
}

}  // namespace flk::service

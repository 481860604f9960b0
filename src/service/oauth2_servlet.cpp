#include "service/oauth2_servlet.hpp"

#include "frame/loggers.hpp"
#include "service/oauth2_states.hpp"
#include "service/service_limits.hpp"
#include "text/base64.hpp"

#include <algorithm>
#include <chrono>
#include <regex>

namespace flk::service {
namespace {

constexpr char kUrlMarker[] = "-url-";
constexpr char kAnswerPage[] =
    "<html><head><script> window.onload = function() { window.close(); }</script></head><body>OAuth2 Authorization "
    "Code Grant with MOLVO succeeded. This browser tab can be closed.</body></html>";

std::string parameter(const quaynet::IHTTPRequest& request, const std::string& name) {
    for (const auto& [key, value] : request.queryParameters())
        if (key == name) return value;
    return std::string();
}

bool startsWith(const std::string& text, std::string_view prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

std::string returnUrl(const std::string& encoded) {
    std::string url;
    base64Decode(encoded, url, Base64::Url);
    std::string lower = url.substr(0, 8);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    const bool web = (startsWith(lower, "http://") && url.size() > 7) || (startsWith(lower, "https://") && url.size() > 8);
    const bool clean = std::none_of(url.begin(), url.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; });
    return web && clean ? url : std::string();
}

OAuth2Servlet::OAuth2Servlet() { registerOnBus(); }

OAuth2Servlet::~OAuth2Servlet() { unregister(); }

void OAuth2Servlet::handleGet(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring&) {
    for (const auto& entry : request.queryParameters())
        if (entry.first == "state") return redirect(request, response);
    response.send(404, std::string());
}

void OAuth2Servlet::onEvent(ExtensionServletEvent& event) {
    static const std::regex route("extensions/[^/]+/oauth2/");
    std::string path = event.getRequest().path();
    path.erase(0, path.find_first_not_of('/'));
    if (path.size() > kMaxTaskPathChars || !std::regex_match(path, route)) return;
    redirect(event.getRequest(), event.getResponse());
}

void OAuth2Servlet::redirect(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response) {
    std::string state = parameter(request, "state");
    std::string url;
    if (size_t marker = state.find(kUrlMarker); marker != std::string::npos) {
        url = returnUrl(state.substr(marker + sizeof kUrlMarker - 1));
        state.erase(marker);
    }
    if (state.empty() || !stateExpected(state)) {
        LOG4CXX_WARN(logger(Log::OAuth2Servlet), "Refusing an OAuth2 redirect with the unexpected state '" << state << "'");
        return response.send(400, std::string());
    }
    LOG4CXX_INFO(logger(Log::OAuth2Servlet), "Received OAuth2 redirect for state " << state);
    store(state, request.queryParameters());
    if (url.empty()) {
        response.setHeader("Content-Type", "text/html");
        return response.send(200, kAnswerPage);
    }
    response.setHeader("Location", url);
    response.send(302, std::string());
}

// Redirects nobody claims are kept up to a bound; beyond it the oldest is dropped.
void OAuth2Servlet::store(const std::string& state, quaynet::Fields parameters) {
    {
        auto lock = redirects_.lock();
        Redirects& r = redirects_.get(lock);
        if (r.byState.count(state)) r.arrival.erase(std::find(r.arrival.begin(), r.arrival.end(), state));
        r.byState[state] = std::move(parameters);
        r.arrival.push_back(state);
        while (r.arrival.size() > kMaxUnclaimedRedirects) {
            LOG4CXX_WARN(logger(Log::OAuth2Servlet), "Dropping the unclaimed OAuth2 redirect for state " << r.arrival.front());
            r.byState.erase(r.arrival.front());
            r.arrival.pop_front();
        }
    }
    arrived_.notify_all();
}

bool OAuth2Servlet::wait(const std::string& state, int timeoutMs, quaynet::Fields& parameters) {
    auto lock = redirects_.lock();
    Redirects& r = redirects_.get(lock);
    if (!arrived_.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)), [&] { return r.byState.count(state) > 0; }))
        return false;
    auto found = r.byState.find(state);
    parameters = std::move(found->second);
    r.byState.erase(found);
    r.arrival.erase(std::find(r.arrival.begin(), r.arrival.end(), state));
    return true;
}

}  // namespace flk::service

// Receives OAuth2 authorization-code redirects, on the service's own route or offered by another
// component's web server over the event bus, and keeps each redirect's query parameters under its
// state until the model claims them.
#pragma once

#include "frame/guarded.hpp"
#include "service/extension_servlet_event.hpp"
#include "service/quaynet-servlets/base_web_servlet.hpp"
#include "signalyard/signalyard.hpp"

#include <condition_variable>
#include <deque>
#include <map>

namespace flk::service {

class OAuth2Servlet : public Servlets::BaseWebServlet, private SelfRegisteringEventHandler<ExtensionServletEvent> {
public:
    OAuth2Servlet();
    ~OAuth2Servlet() override;

    // A request with a "state" query parameter is a redirect; any other is answered 404.
    void handleGet(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;

    // Waits up to timeoutMs for the redirect with this state and takes its parameters.
    bool wait(const std::string& state, int timeoutMs, quaynet::Fields& parameters);

private:
    void onEvent(ExtensionServletEvent& event) override;
    void redirect(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response);
    void store(const std::string& state, quaynet::Fields parameters);

    struct Redirects {
        std::map<std::string, quaynet::Fields> byState;
        std::deque<std::string> arrival;   // states in the order they arrived, oldest first
    };
    Guarded<Redirects> redirects_;
    std::condition_variable arrived_;   // signalled whenever a redirect is stored
};

// The URL the browser is sent on to: the base64url text after "-url-" in a state, decoded, when it
// is an absolute http or https URL without control characters; empty otherwise.
std::string returnUrl(const std::string& encoded);

}  // namespace flk::service

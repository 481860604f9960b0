// The event another component's web server publishes on the bus to offer a request to extension
// servlets; a handler that serves it answers through the response it carries.
#pragma once

#include "quaynet/quaynet.hpp"
#include "signalyard/payloads.hpp"

class SIGNALYARD_SHARED ExtensionServletEvent : public Event {
public:
    ExtensionServletEvent(Object& sender, quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response)
        : Event(sender), request_(&request), response_(&response) {}

    quaynet::IHTTPRequest& getRequest() const { return *request_; }
    quaynet::IHTTPResponse& getResponse() const { return *response_; }

private:
    quaynet::IHTTPRequest* request_;
    quaynet::IHTTPResponse* response_;
};

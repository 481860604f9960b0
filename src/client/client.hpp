// The process's one HTTP client, created by the first export that needs it and destroyed by
// StopClient, by UninitializeFerrolink and when the library is unloaded.
#pragma once

#include "client/curl_api.hpp"

#include <string>
#include <string_view>

namespace flk::client {

CurlAPI& httpClient();
// Stops and destroys the client, or, called from inside a request's callback, stops it and leaves
// the destruction to the host's thread once the callback returned.
void stopClient();
// A client stopped inside a callback is destroyed here, on the host's thread, when no callback runs.
void settleClient();

// An export's result from an operation's message: 1 for none, else 0 after raising it.
int reported(const std::string& error);

// The request under the id; nullptr after raising "invalid map<K, T> key".
CurlRequest* requestOrRaise(std::string_view id);
// The request under the id when it may still be configured; nullptr after raising.
CurlRequest* configurableRequest(std::string_view id);
// The request under the id when its results may be read; nullptr after raising.
CurlRequest* completedRequest(std::string_view id);

}  // namespace flk::client

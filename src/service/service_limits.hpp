// Every bound the service puts on what its callers control, in one place.
#pragma once

#include <cstddef>

namespace flk::service {

// The bounds on connections, request heads and slow clients are the web module's own
// (quaynet/server_options.hpp); the service sets only the body size, from StartAPIService.
// Task paths longer than this match no pattern; they are refused before any pattern is tried.
constexpr size_t kMaxTaskPathChars = 1024;
constexpr int kMaxRequestMegabytes = 2047;   // maxreqsize × 1 MiB must fit the module's limits
// The longest an echo request may ask to be delayed.
constexpr int kMaxEchoDelayMs = 10000;
// The longest a client may wait for its task on completionTimeout.
constexpr int kMaxCompletionTimeoutMs = 600000;
// Tasks kept at once (finished ones count until deleted); beyond it a POST is answered 503.
constexpr size_t kMaxTasks = 100000;
// PUT bodies larger than this are refused unread (they are parsed without recursion anyway).
constexpr size_t kMaxPutBodyBytes = 65536;
// OAuth2 redirects whose state nobody has claimed yet; the oldest is dropped beyond this.
constexpr size_t kMaxUnclaimedRedirects = 256;
// The longest GetOAuth2AuthorizationCode waits.
constexpr int kMaxAuthorizationWaitMs = 3600000;
// The executing thread waits this long for work before it looks again, and asks the host for
// control for this long at a time.
constexpr int kQueueWaitMs = 1000;
constexpr int kHostControlWaitMs = 20;
// The longest procedure name passed to the model.
constexpr size_t kMaxProcedureNameChars = 8191;

}  // namespace flk::service

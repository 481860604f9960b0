// What a task request asks for beside its path: the completionTimeout query parameter and the
// interrupt a PUT body names.
#pragma once

#include "quaynet/quaynet.hpp"

#include <string>

namespace flk::service {

// The query parameter "completionTimeout" in milliseconds: 0 when missing or not a whole number,
// at most kMaxCompletionTimeoutMs.
int completionTimeout(const quaynet::IHTTPRequest& request);

struct RequestedStatus {
    int status = 0;    // kInterruptExecution or kInterruptSolve
    int refusal = 0;   // else the HTTP status to answer: 400 not JSON, 405 no known status, 413 too large
};

// Reads {"setstatus": "interrupt-execution" | "interrupt-solve"}. The body is parsed without
// recursion, so nesting cannot exhaust the stack.
RequestedStatus requestedStatus(const std::string& body);

}  // namespace flk::service

// The checks a request's head must pass before its body is read: the bounds on header lines, and
// framing that says where the body ends without doubt. A request that fails one is answered with
// the status the check gives and its connection closed, since its body cannot be told apart from
// the next request.
#pragma once

#include "quaynet/quaynet.hpp"

#include <cstdint>
#include <optional>

namespace quaynet {

struct HeadVerdict {
    int refusal = 0;                       // the status to answer at once; 0 when the head is fine
    std::optional<uint64_t> announced;     // the body's Content-Length, when it has one
};

// headers: every header line as received; maxBodyBytes: the largest body the server keeps.
HeadVerdict checkHead(const Fields& headers, const ServerLimits& limits, std::size_t maxBodyBytes);

}  // namespace quaynet

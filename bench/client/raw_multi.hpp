// The reference of the client benchmark: the same requests made with libcurl's multi interface
// directly, as a small program would, keeping at most `parallel` transfers in flight.
#pragma once

#include <string>

namespace flk::bench {

struct RequestMix {
    std::string getUrl, postUrl;
    int gets = 0, posts = 0;
    std::string postBody;
    int parallel = 16;
};

// Runs every request to its end; returns how many completed with HTTP 200.
int runRawMulti(const RequestMix& mix);

}  // namespace flk::bench

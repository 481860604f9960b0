// wrk against a loopback URL for a few seconds, its report read back: requests per second, the
// 99th percentile and what went wrong. wrk leaves a request that takes longer than its time-out
// out of the latencies and counts it as an error, so the errors belong beside the percentile.
#pragma once

#include <filesystem>
#include <string>

namespace flk::bench {

struct WrkFigures {
    double requestsPerSecond = 0;
    long requests = 0;       // answered in the run
    double p99Ms = 0;
    long socketErrors = 0;   // connect, read, write and time-out errors added up
    long non2xx = 0;         // answers with a status outside 2xx and 3xx
    bool ran = false;        // wrk started and printed a rate
};

// Two wrk threads and `connections` connections for `seconds` seconds; a Lua script is optional.
WrkFigures runWrk(const std::string& url, int connections, int seconds, const std::string& script = std::string());

// A wrk script that posts a task, then reads the status of the last task posted, by turns;
// written into `directory`, its path returned.
std::string writeTaskScript(const std::filesystem::path& directory);

}  // namespace flk::bench

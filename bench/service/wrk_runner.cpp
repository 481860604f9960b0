#include "service/wrk_runner.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace flk::bench {
namespace {

// wrk prints durations as a number and a unit: us, ms, s, m or h.
double milliseconds(const char* text) {
    char* unit = nullptr;
    const double value = std::strtod(text, &unit);
    if (std::strncmp(unit, "us", 2) == 0) return value / 1000;
    if (std::strncmp(unit, "ms", 2) == 0) return value;
    if (*unit == 's') return value * 1000;
    if (*unit == 'm') return value * 60000;
    if (*unit == 'h') return value * 3600000;
    return value;
}

// "Socket errors: connect 0, read 3, write 0, timeout 12"
long sumOfCounts(const char* text) {
    long sum = 0;
    for (const char* at = text; *at; ++at)
        if (*at >= '0' && *at <= '9') {
            char* end = nullptr;
            sum += std::strtol(at, &end, 10);
            at = end - 1;
        }
    return sum;
}

void readLine(const char* line, WrkFigures& figures) {
    const char* at = nullptr;
    if ((at = std::strstr(line, "Requests/sec:"))) {
        figures.requestsPerSecond = std::atof(at + 13);
        figures.ran = true;
    } else if ((at = std::strstr(line, " requests in "))) {
        figures.requests = std::atol(line);
    } else if ((at = std::strstr(line, " 99%"))) {
        figures.p99Ms = milliseconds(at + 4 + std::strspn(at + 4, " "));
    } else if ((at = std::strstr(line, "Socket errors:"))) {
        figures.socketErrors = sumOfCounts(at + 14);
    } else if ((at = std::strstr(line, "Non-2xx or 3xx responses:"))) {
        figures.non2xx = std::atol(at + 26);
    }
}

}  // namespace

WrkFigures runWrk(const std::string& url, int connections, int seconds, const std::string& script) {
    const std::string command = "wrk -t2 -c" + std::to_string(connections) + " -d" + std::to_string(seconds) +
                                "s --latency " + (script.empty() ? "" : "-s " + script + " ") + url + " 2>&1";
    WrkFigures figures;
    FILE* out = popen(command.c_str(), "r");
    if (!out) return figures;
    char line[512];
    while (std::fgets(line, sizeof line, out)) readLine(line, figures);
    pclose(out);
    return figures;
}

std::string writeTaskScript(const std::filesystem::path& directory) {
    const auto file = directory / "tasks.lua";
    std::ofstream(file) << R"lua(-- Posts a task, then reads the status of the last task posted, by turns.
local last, post = nil, true
request = function()
  post = not post or last == nil
  if post then return wrk.format("POST", "/api/v1/tasks/solve", nil, "{}") end
  return wrk.format("GET", "/api/v1/tasks/" .. last)
end
response = function(status, headers, body)
  local id = body:match('"id":"([%x%-]+)"')
  if id then last = id end
end
)lua";
    return file.string();
}

}  // namespace flk::bench

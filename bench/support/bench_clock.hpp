// Timing and reporting helpers shared by the benchmarks: each prints our figure beside a reference
// measured in the same run, with the ratio.
#pragma once

#include <chrono>
#include <cstdio>

namespace flk::bench {

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

// Prints "what: ours X, reference Y, ratio Z" with times per item in nanoseconds.
inline void report(const char* what, double oursSeconds, const char* reference, double referenceSeconds, double items) {
    std::printf("%-34s ours %8.1f ns/value   %-22s %8.1f ns/value   ratio %5.2f\n", what, oursSeconds * 1e9 / items,
                reference, referenceSeconds * 1e9 / items, oursSeconds / referenceSeconds);
}

}  // namespace flk::bench

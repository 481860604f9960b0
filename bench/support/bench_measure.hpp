// CPU time and memory as the document benchmarks measure them: CPU time of the process (so that
// another process on the machine does not count), the best of several runs, and resident memory.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace flk::bench {

inline double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The CPU time work() takes.
template <class Work>
double cpuSecondsOf(Work&& work) {
    double start = cpuSeconds();
    work();
    return cpuSeconds() - start;
}

// The smallest of runs results of run().
template <class Run>
double bestOf(int runs, Run&& run) {
    double fastest = run();
    for (int i = 1; i < runs; ++i) fastest = std::min(fastest, run());
    return fastest;
}

// The process's peak resident memory so far.
inline double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The process's resident memory now.
inline double residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace flk::bench

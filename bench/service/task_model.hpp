// The model the service's tasks run on: one procedure that answers at once and notes the task it
// ran, so that every task can be accounted for. The model runs on the thread that yields to the
// service, and only there.
#pragma once

#include "ferrolink/ferrolink.h"

#include <atomic>
#include <set>
#include <string>
#include <thread>

namespace flk::bench {

struct ModelLog {
    std::set<std::string> ids;   // the tasks the model ran
    long runs = 0;               // how often it ran
};

// Declares the sets, parameters and procedures the service reads; their log starts empty.
void declareTaskModel();
// Touched only by the thread that yields.
ModelLog& modelLog();

// The model yields to the service, so that tasks run, until the work on another thread is done.
template <class Work>
void whileYielding(Work work) {
    std::atomic<bool> done{false};
    std::thread other([&] {
        work();
        done = true;
    });
    while (!done) YieldForAPIServiceTaskFunc(20);
    other.join();
}

}  // namespace flk::bench

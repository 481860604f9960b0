// The states of a task, in the order the status table numbers them.
#pragma once

#include <string_view>

namespace flk::service {

enum TaskStatus {
    kUninitialized,
    kQueued,
    kExecuting,
    kSolving,
    kInterruptExecution,
    kInterruptSolve,
    kInterruptProcessed,
    kInterrupted,
    kFinishedWithErrors,
    kFinished,
};

const char* statusName(int status);
// The interrupt a PUT body may ask for: kInterruptExecution, kInterruptSolve, or kUninitialized.
int requestedStatusNamed(std::string_view name);

}  // namespace flk::service

#include "service/task_status.hpp"

namespace flk::service {

const char* statusName(int status) {
    static const char* const kNames[] = {"uninitialized",       "queued",           "executing",   "solving",
                                         "interrupt-execution", "interrupt-solve",  "interrupt-processed",
                                         "interrupted",         "finished with errors", "finished"};
    return status >= 0 && status <= kFinished ? kNames[status] : "uninitialized";
}

int requestedStatusNamed(std::string_view name) {
    if (name == "interrupt-execution") return kInterruptExecution;
    if (name == "interrupt-solve") return kInterruptSolve;
    return kUninitialized;
}

}  // namespace flk::service

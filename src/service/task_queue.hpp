// The tasks of the service and the queue of those waiting, shared by the servlet's handlers (on
// the web module's connection threads), the executing thread and the model's thread in the
// yield exports.
// Whoever holds a shared reference may use it after the service stopped: it then refuses new
// work and wakes every waiter.
#pragma once

#include "frame/guarded.hpp"
#include "service/api_task.hpp"
#include "service/task_interface.hpp"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <vector>

namespace flk::service {

struct TaskBook {
    std::map<std::string, std::shared_ptr<APITask>> tasks;   // by id
    std::deque<std::string> queue;                            // ids waiting, first in first out
    bool stopping = false;
};

class TaskQueue {
public:
    explicit TaskQueue(std::shared_ptr<TaskInterface> host) : host_(std::move(host)) {}

    Guarded<TaskBook> book;
    // Signalled when a task is queued, when one has run, was interrupted or deleted, and on stop.
    std::condition_variable changed;

    // Refuses new work from now on and wakes every waiter.
    void stop();
    bool stopped() const;

    // The executing thread's turn: waits up to kQueueWaitMs for work, then, holding host control,
    // runs the first task if it is still first. Returns false once the queue stopped.
    bool executeNext();
    // The yield: waits up to timeoutMs for work, then runs every task queued on the calling
    // thread (which holds the host). False when there was none.
    bool executeAll(int timeoutMs);

    // Waits until the task is done or deleted, the queue stops, or the time has passed.
    void waitFor(const APITask& task, int timeoutMs);

private:
    void execute(APITask& task);
    // Takes the first queued task (claimed) when its id is the one expected (or any when empty).
    std::shared_ptr<APITask> takeFirst(Guarded<TaskBook>::Lock& lock, const std::string& expected);

    const std::shared_ptr<TaskInterface> host_;
};

}  // namespace flk::service

#include "service/task_queue.hpp"

#include "frame/library_thread.hpp"
#include "service/service_limits.hpp"

#include <chrono>

namespace flk::service {

void TaskQueue::stop() {
    {
        auto lock = book.lock();
        book.get(lock).stopping = true;
    }
    changed.notify_all();
}

bool TaskQueue::stopped() const {
    auto lock = book.lock();
    return book.get(lock).stopping;
}

std::shared_ptr<APITask> TaskQueue::takeFirst(Guarded<TaskBook>::Lock& lock, const std::string& expected) {
    TaskBook& b = book.get(lock);
    while (!b.queue.empty() && (expected.empty() || b.queue.front() == expected)) {
        auto found = b.tasks.find(b.queue.front());
        b.queue.pop_front();
        if (found != b.tasks.end() && found->second->claim()) return found->second;
        if (!expected.empty()) break;
    }
    return nullptr;
}

void TaskQueue::execute(APITask& task) {
    task.Execute(*host_);
    changed.notify_all();
}

bool TaskQueue::executeNext() {
    std::string first;
    {
        auto lock = book.lock();
        const TaskBook& b = book.get(lock);
        changed.wait_for(lock, std::chrono::milliseconds(kQueueWaitMs), [&] { return b.stopping || !b.queue.empty(); });
        if (b.stopping) return false;
        if (b.queue.empty()) return true;
        first = b.queue.front();
    }
    runWithHost("APITask", Log::TasksServlet, kHostControlWaitMs, [&] {
        std::shared_ptr<APITask> task;
        {
            auto lock = book.lock();
            if (book.get(lock).stopping) return;
            task = takeFirst(lock, first);
        }
        if (task) execute(*task);
    });
    return true;
}

bool TaskQueue::executeAll(int timeoutMs) {
    std::vector<std::shared_ptr<APITask>> taken;
    {
        auto lock = book.lock();
        TaskBook& b = book.get(lock);
        if (timeoutMs > 0)
            changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return b.stopping || !b.queue.empty(); });
        if (b.stopping) return false;
        for (const std::string& id : b.queue)
            if (auto found = b.tasks.find(id); found != b.tasks.end()) taken.push_back(found->second);
        b.queue.clear();
    }
    // Until its turn comes each task stays queued, so that it can still be interrupted or deleted;
    // a stop made by one of them ends the turn.
    for (auto& task : taken) {
        if (stopped()) break;
        if (task->claim()) execute(*task);
    }
    return !taken.empty();
}

void TaskQueue::waitFor(const APITask& task, int timeoutMs) {
    auto lock = book.lock();
    const TaskBook& b = book.get(lock);
    changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                     [&] { return task.done() || task.deleted() || b.stopping; });
}

}  // namespace flk::service

// One task: its files, its status and its run of flk::api::HandleRequest.
//
// The fields set at creation are constant. Status, requested status, times and return code are
// written by the thread executing the task (and by interrupt requests) and read by the servlet's
// handlers at any time: they are atomics, read one by one.
#pragma once

#include "quaynet/quaynet.hpp"
#include "service/task_status.hpp"

#include <boost/filesystem/path.hpp>

#include <atomic>
#include <chrono>
#include <string>

namespace flk::service {

class TaskInterface;

class APITask {
public:
    APITask(std::string id, std::string service, std::wstring procedure, const boost::filesystem::path& dataDirectory,
            quaynet::Fields headers, quaynet::Fields parameters);

    // Creates the task's directory and writes the request body to task.request. Throws
    // std::runtime_error naming the file when it cannot.
    void writeRequest(const std::string& body) const;
    // The file task.<suffix>.
    boost::filesystem::path file(const std::string& suffix) const;
    const boost::filesystem::path& directory() const { return directory_; }

    // Takes a queued task for execution (its status becomes "executing"); false when it was
    // interrupted or deleted first. Taking, interrupting and deleting a queued task each change
    // its status atomically from "queued", so exactly one of them wins.
    bool claim();
    // Makes sure the task will not run, for its deletion; false when it is running.
    bool cancel();
    // Runs a claimed task; the calling thread holds host control. Never throws: a failure is logged
    // and ends the task "finished with errors".
    void Execute(TaskInterface& host);

    // A PUT asking for an interrupt: a queued task is interrupted at once (true: take it off the
    // queue); a running one is asked to stop at the host's next interrupt check.
    bool requestInterrupt(int requested);

    const std::string& id() const { return id_; }
    int status() const { return status_; }
    // Finished, one way or the other: nothing more will happen to it.
    bool done() const { return status_ > kSolving; }
    bool running() const { return status_ == kExecuting || status_ == kSolving; }
    // Deleted while someone may still wait for it.
    void markDeleted() { deleted_ = true; }
    bool deleted() const { return deleted_; }

    // The status object as JSON text.
    std::string statusJson() const;
    void appendStatusJson(std::string& out) const;

    // The interrupt check of the task that is running now.
    int onInterruptCheck(int solving);

private:
    void run(TaskInterface& host);
    void finish(bool ranCleanly, int returnCode);
    double secondsSince(std::chrono::steady_clock::time_point t) const;

    const std::string id_;
    const std::string service_;
    const std::wstring procedure_;
    const boost::filesystem::path directory_;
    const quaynet::Fields headers_;
    const quaynet::Fields parameters_;
    const std::chrono::system_clock::time_point createdAt_;
    const std::chrono::steady_clock::time_point created_;

    std::atomic<int> status_{kQueued};
    std::atomic<int> requested_{kUninitialized};
    std::atomic<int> returnCode_{0};
    std::atomic<double> queueTime_{0};
    std::atomic<double> runTime_{0};
    std::atomic<std::chrono::steady_clock::rep> started_{0};
    std::atomic<bool> deleted_{false};
};

}  // namespace flk::service

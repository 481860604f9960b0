#include "service/task_clients.hpp"

#include <httplib.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace flk::bench {
namespace {

// Many clients share the service's 16 workers, and each waits for its task: answers may be slow.
constexpr int kReadTimeoutSeconds = 120;
constexpr std::size_t kIdLength = 36;

bool finished(const httplib::Result& answer) {
    return answer && answer->status == 200 && answer->body.find("\"finished\"") != std::string::npos;
}

std::string describe(const httplib::Result& answer) {
    return answer ? "status " + std::to_string(answer->status) + " " + answer->body : httplib::to_string(answer.error());
}

}  // namespace

PostTally postTasks(int port, int clients, int tasksPerClient) {
    std::atomic<int> finishedCount{0}, failedCount{0};
    std::mutex failureLock;
    std::string firstFailure;   // guarded by failureLock
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&] {
            httplib::Client client("127.0.0.1", port);
            client.set_read_timeout(kReadTimeoutSeconds);
            for (int n = 0; n < tasksPerClient; ++n) {
                auto answer = client.Post("/api/v1/tasks/solve?completionTimeout=60000", "{}", "application/json");
                if (finished(answer)) {
                    ++finishedCount;
                    continue;
                }
                ++failedCount;
                std::lock_guard<std::mutex> guard(failureLock);
                if (firstFailure.empty()) firstFailure = describe(answer);
            }
        });
    for (auto& thread : threads) thread.join();
    return PostTally{finishedCount, failedCount, firstFailure};
}

std::vector<std::string> listTaskIds(int port) {
    httplib::Client client("127.0.0.1", port);
    auto list = client.Get("/api/v1/tasks/");
    std::vector<std::string> ids;
    if (!list) return ids;
    const std::string& body = list->body;
    for (std::size_t at = body.find("\"id\":\""); at != std::string::npos; at = body.find("\"id\":\"", at + 1))
        ids.push_back(body.substr(at + 6, kIdLength));
    return ids;
}

std::size_t deleteListed(int port, int parallel) {
    const std::vector<std::string> ids = listTaskIds(port);
    std::atomic<std::size_t> next{0}, deleted{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < parallel; ++i)
        threads.emplace_back([&] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            for (std::size_t at = next++; at < ids.size(); at = next++) {
                auto answer = client.Delete(("/api/v1/tasks/" + ids[at]).c_str());
                deleted += answer && answer->status == 200;
            }
        });
    for (auto& thread : threads) thread.join();
    return deleted;
}

}  // namespace flk::bench

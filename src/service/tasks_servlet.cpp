#include "service/tasks_servlet.hpp"

#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "service/random_ids.hpp"
#include "service/service_limits.hpp"
#include "service/task_requests.hpp"

#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>

#include <regex>
#include <sstream>

namespace flk::service {
namespace {

constexpr int kOk = 200;
constexpr int kForbidden = 403;
constexpr int kNotFound = 404;
constexpr int kNotAllowed = 405;
constexpr int kServerError = 500;
constexpr int kUnavailable = 503;

const log4cxx::LoggerPtr& log() { return logger(Log::TasksServlet); }

// The remainder of a path must match a pattern whole; over-long paths match none of them.
bool matches(const std::wstring& path, const std::wregex& pattern, std::wsmatch& match) {
    return path.size() <= kMaxTaskPathChars && std::regex_match(path, match, pattern);
}

const std::wregex& servicePattern() {
    static const std::wregex pattern(L"([a-zA-Z0-9_]+)/?\\.?");
    return pattern;
}
const std::wregex& readPattern() {
    static const std::wregex pattern(L"\\.?([a-f0-9\\-]{36})?/?(response|status)?");
    return pattern;
}
const std::wregex& taskPattern() {
    static const std::wregex pattern(L"([a-f0-9\\-]{36})/?\\.?");
    return pattern;
}

void answerJson(quaynet::IHTTPResponse& response, std::string json) {
    response.setHeader("Content-Type", "application/json");
    response.send(kOk, std::move(json));
}

void answerStatus(quaynet::IHTTPResponse& response, int status) { response.send(status, std::string()); }

}  // namespace

TasksServlet::TasksServlet(ServiceTable services, boost::filesystem::path dataDirectory, std::shared_ptr<TaskInterface> host)
    : services_(std::move(services)),
      dataDirectory_(std::move(dataDirectory)),
      queue_(std::make_shared<TaskQueue>(std::move(host))) {
    executing_.start("RequestHandler", Log::TasksServlet, [queue = queue_] {
        while (queue->executeNext()) {
        }
    });
}

TasksServlet::~TasksServlet() {
    queue_->stop();
    executing_.join();
}

std::shared_ptr<APITask> TasksServlet::find(const std::string& id) const {
    auto lock = queue_->book.lock();
    const auto& tasks = queue_->book.get(lock).tasks;
    auto found = tasks.find(id);
    return found == tasks.end() ? nullptr : found->second;
}

void TasksServlet::handlePost(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) {
    const std::string text = toUtf8(path);
    LOG4CXX_INFO(log(), "Handling POST request " << text);
    std::wsmatch match;
    if (!matches(path, servicePattern(), match)) {
        LOG4CXX_ERROR(log(), "HTTP POST on non-existing path " << text);
        return answerStatus(response, kForbidden);
    }
    postTask(request, response, toUtf8(match.str(1)));
}

std::shared_ptr<APITask> TasksServlet::newTask(const quaynet::IHTTPRequest& request, const std::string& service,
                                               const std::wstring& procedure) const {
    auto task = std::make_shared<APITask>(randomUuid(), service, procedure, dataDirectory_, request.headers(),
                                          request.queryParameters());
    task->writeRequest(request.body());
    return task;
}

void TasksServlet::postTask(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::string& service) {
    auto procedure = services_.find(service);
    if (procedure == services_.end()) {
        LOG4CXX_ERROR(log(), "Adding new task for non-existing service " << service << " failed");
        return answerStatus(response, kNotFound);
    }
    std::shared_ptr<APITask> task;
    try {
        task = newTask(request, service, procedure->second);
    } catch (const std::exception& e) {
        LOG4CXX_ERROR(log(), "Adding new task for service " << service << " failed: " << e.what());
        return answerStatus(response, kServerError);
    }
    {
        auto lock = queue_->book.lock();
        TaskBook& book = queue_->book.get(lock);
        if (book.stopping || book.tasks.size() >= kMaxTasks) {
            LOG4CXX_ERROR(log(), "Adding new task for service " << service << " refused: "
                                     << (book.stopping ? "the service is stopping" : "too many tasks"));
            lock.unlock();
            boost::system::error_code ignored;
            boost::filesystem::remove_all(task->directory(), ignored);
            return answerStatus(response, kUnavailable);
        }
        book.tasks.emplace(task->id(), task);
        book.queue.push_back(task->id());
    }
    LOG4CXX_INFO(log(), "Adding new task " << task->id() << ", service = " << service);
    queue_->changed.notify_all();
    if (int wait = completionTimeout(request); wait > 0) {
        LOG4CXX_TRACE(log(), "Waiting for task to complete for " << wait << " ms");
        queue_->waitFor(*task, wait);
    }
    answerTask(response, *task);
}

void TasksServlet::handleGet(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) {
    const std::string text = toUtf8(path);
    LOG4CXX_INFO(log(), "Handling GET request " << text);
    std::wsmatch match;
    if (!matches(path, readPattern(), match)) {
        LOG4CXX_ERROR(log(), "HTTP GET on non-existing path " << text);
        return answerStatus(response, kForbidden);
    }
    if (!match[1].matched) {
        if (match[2].matched) {
            LOG4CXX_ERROR(log(), "HTTP GET on non-existing path " << text);
            return answerStatus(response, kForbidden);
        }
        return getAllTasks(response);
    }
    const std::string id = toUtf8(match.str(1));
    if (match[2].matched) return getTaskFile(response, id, toUtf8(match.str(2)));
    getTask(request, response, id);
}

void TasksServlet::getAllTasks(quaynet::IHTTPResponse& response) {
    LOG4CXX_INFO(log(), "Retrieving task statuses for all tasks");
    std::vector<std::shared_ptr<APITask>> tasks;
    {
        auto lock = queue_->book.lock();
        for (const auto& entry : queue_->book.get(lock).tasks) tasks.push_back(entry.second);
    }
    std::string json = "[";
    for (const auto& task : tasks) {
        if (json.size() > 1) json += ',';
        task->appendStatusJson(json);
    }
    json += ']';
    answerJson(response, std::move(json));
}

void TasksServlet::getTask(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::string& id) {
    auto task = find(id);
    if (!task) {
        LOG4CXX_ERROR(log(), "Retrieving task status for non-existing task " << id << " failed");
        return answerStatus(response, kNotFound);
    }
    if (int wait = completionTimeout(request); wait > 0) {
        LOG4CXX_TRACE(log(), "Waiting for task " << id << " to complete for " << wait << " ms");
        queue_->waitFor(*task, wait);
    }
    answerTask(response, *task);
}

// A task still queued when the service stops will never run: its client hears so instead of a
// status that promises a run.
void TasksServlet::answerTask(quaynet::IHTTPResponse& response, const APITask& task) const {
    if (task.status() == kQueued && queue_->stopped()) {
        LOG4CXX_INFO(log(), "Task " << task.id() << " will not run: the service is stopping");
        return answerStatus(response, kUnavailable);
    }
    answerJson(response, task.statusJson());
}

void TasksServlet::getTaskFile(quaynet::IHTTPResponse& response, const std::string& id, const std::string& suffix) {
    auto task = find(id);
    if (!task) {
        LOG4CXX_ERROR(log(), "Retrieving task data for non-existing task " << id << " failed");
        return answerStatus(response, kNotFound);
    }
    const boost::filesystem::path file = task->file(suffix);
    boost::system::error_code error;
    if (!boost::filesystem::is_regular_file(file, error)) {
        LOG4CXX_ERROR(log(), "Task model " << suffix << " for task " << id << " not found");
        return answerStatus(response, kNotFound);
    }
    LOG4CXX_INFO(log(), "Retrieving task model " << suffix << " for task " << id << " from file " << file.string());
    boost::filesystem::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    response.send(kOk, bytes.str());
}

void TasksServlet::handlePut(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) {
    const std::string text = toUtf8(path);
    LOG4CXX_INFO(log(), "Handling PUT request " << text);
    std::wsmatch match;
    if (!matches(path, taskPattern(), match)) {
        LOG4CXX_ERROR(log(), "HTTP PUT on non-existing path " << text);
        return answerStatus(response, kForbidden);
    }
    const std::string id = toUtf8(match.str(1));
    auto task = find(id);
    if (!task) {
        LOG4CXX_ERROR(log(), "Changing status for non-existing task " << id << " failed");
        return answerStatus(response, kNotFound);
    }
    const RequestedStatus asked = requestedStatus(request.body());
    if (asked.refusal != 0) return answerStatus(response, asked.refusal);
    if (task->requestInterrupt(asked.status)) {
        auto lock = queue_->book.lock();
        auto& queue = queue_->book.get(lock).queue;
        LOG4CXX_ERROR(log(), "Removing interrupted, but not yet executing task " << id << " from task queue");
        queue.erase(std::remove(queue.begin(), queue.end(), id), queue.end());
    }
    queue_->changed.notify_all();
    LOG4CXX_INFO(log(), "Changing task status for task " << id << " to " << statusName(asked.status));
    answerJson(response, task->statusJson());
}

void TasksServlet::handleDelete(quaynet::IHTTPRequest&, quaynet::IHTTPResponse& response, const std::wstring& path) {
    const std::string text = toUtf8(path);
    LOG4CXX_INFO(log(), "Handling DELETE request " << text);
    std::wsmatch match;
    if (!matches(path, taskPattern(), match)) {
        LOG4CXX_ERROR(log(), "HTTP DELETE on non-existing path " << text);
        return answerStatus(response, kForbidden);
    }
    const std::string id = toUtf8(match.str(1));
    std::shared_ptr<APITask> task;
    {
        auto lock = queue_->book.lock();
        TaskBook& book = queue_->book.get(lock);
        auto found = book.tasks.find(id);
        if (found == book.tasks.end()) {
            LOG4CXX_ERROR(log(), "Deleting non-existing task " << id << " failed");
            return answerStatus(response, kNotFound);
        }
        if (!found->second->cancel()) {
            LOG4CXX_ERROR(log(), "Deleting task " << id << " not allowed because it is currently executing");
            return answerStatus(response, kNotAllowed);
        }
        task = found->second;
        task->markDeleted();
        book.tasks.erase(found);
        book.queue.erase(std::remove(book.queue.begin(), book.queue.end(), id), book.queue.end());
    }
    queue_->changed.notify_all();
    // The id matched the task pattern and named a task: its directory lies inside the data directory.
    boost::system::error_code ignored;
    boost::filesystem::remove_all(task->directory(), ignored);
    LOG4CXX_INFO(log(), "Successfully deleted task " << id);
    response.send(kOk, std::string());
}

}  // namespace flk::service

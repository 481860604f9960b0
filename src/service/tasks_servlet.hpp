// The REST interface of the tasks under api/v1/tasks/: POST a task to a service, GET the status
// of all tasks or of one (waiting for it on completionTimeout), GET its response or status file,
// PUT an interrupt, DELETE it. Owns the executing thread that runs tasks while the model is idle.
#pragma once

#include "frame/library_thread.hpp"
#include "service/quaynet-servlets/base_web_servlet.hpp"
#include "service/task_queue.hpp"

#include <boost/filesystem/path.hpp>

#include <map>
#include <memory>

namespace flk::service {

// Service name → procedure name, as the model gave them.
using ServiceTable = std::map<std::string, std::wstring>;

class TasksServlet : public Servlets::BaseWebServlet {
public:
    TasksServlet(ServiceTable services, boost::filesystem::path dataDirectory, std::shared_ptr<TaskInterface> host);
    // Stops the queue and joins the executing thread (from that thread itself it cannot wait:
    // the thread then leaves on its own once the task it runs returns).
    ~TasksServlet() override;

    void handleGet(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;
    void handlePost(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;
    void handlePut(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;
    void handleDelete(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::wstring& path) override;

    const std::shared_ptr<TaskQueue>& queue() const { return queue_; }

private:
    void postTask(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::string& service);
    std::shared_ptr<APITask> newTask(const quaynet::IHTTPRequest& request, const std::string& service,
                                     const std::wstring& procedure) const;
    void getAllTasks(quaynet::IHTTPResponse& response);
    void getTask(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response, const std::string& id);
    void getTaskFile(quaynet::IHTTPResponse& response, const std::string& id, const std::string& suffix);
    void answerTask(quaynet::IHTTPResponse& response, const APITask& task) const;
    std::shared_ptr<APITask> find(const std::string& id) const;

    const ServiceTable services_;
    const boost::filesystem::path dataDirectory_;
    const std::shared_ptr<TaskQueue> queue_;
    LibraryThread executing_;
};

}  // namespace flk::service

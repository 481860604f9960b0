// The API service: the web server with its routing servlet, the tasks, echo and OAuth2 servlets,
// and the model's side of the tasks. One per process, made by StartAPIService and ended by
// StopAPIService; used only on the thread that holds the host.
#pragma once

#include "quaynet/quaynet.hpp"
#include "service/service_access.hpp"

#include <memory>
#include <string>

namespace Servlets {
class UriMatchingServlet;
}

namespace flk::service {

class EchoServlet;
class OAuth2Servlet;
class TaskInterface;
class TasksServlet;

struct ServiceSettings {
    int port = 0;
    int maxRequestMegabytes = 0;
    std::string dataDirectory;   // UTF-8
    ServiceAccess access;        // where it listens, its token and TLS
};

class APIService {
public:
    explicit APIService(ServiceSettings settings) : settings_(std::move(settings)) {}
    ~APIService() { DeInitialize(); }
    APIService(const APIService&) = delete;
    APIService& operator=(const APIService&) = delete;

    // Builds the servlets and starts the server; throws std::runtime_error (naming the port when
    // the server cannot listen), after which DeInitialize leaves nothing behind.
    void Initialize(int servicesHandle);
    // Wakes every waiting client, stops the server and the servlets. Idempotent.
    void DeInitialize();

    const std::shared_ptr<TasksServlet>& tasks() const { return tasks_; }
    const std::shared_ptr<OAuth2Servlet>& oauth2() const { return oauth2_; }

private:
    const ServiceSettings settings_;
    std::shared_ptr<TaskInterface> host_;
    std::shared_ptr<Servlets::UriMatchingServlet> routing_;
    std::shared_ptr<TasksServlet> tasks_;
    std::shared_ptr<EchoServlet> echo_;
    std::shared_ptr<OAuth2Servlet> oauth2_;
    std::shared_ptr<quaynet::IServer> server_;
};

// The running service, or none. Only the thread holding the host touches it.
std::shared_ptr<APIService>& runningService();

// The exports' work. Start and Stop return the export's result.
int startService(int port, int maxRequestMegabytes, const std::wstring& dataDirectory, int servicesHandle);
int stopService();
// Runs the queued tasks on the calling thread, waiting up to timeoutMs for one; 1 when any ran.
int executeAPITask(int timeoutMs);

}  // namespace flk::service

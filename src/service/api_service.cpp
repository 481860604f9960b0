#include "service/api_service.hpp"

#include "frame/call_context.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "service/echo_servlet.hpp"
#include "service/oauth2_servlet.hpp"
#include "service/quaynet-servlets/uri_matching_servlet.hpp"
#include "service/service_limits.hpp"
#include "service/service_table.hpp"
#include "service/task_interface.hpp"
#include "service/token_guard.hpp"
#include "webmodule/web_module.hpp"

#include <cstdlib>
#include <stdexcept>

namespace flk::service {
namespace {

const log4cxx::LoggerPtr& log() { return logger(Log::APIService); }

// The servlet as the routes see it: behind the token when the service asks for one.
std::shared_ptr<Servlets::BaseWebServlet> guarded(const std::string& token, std::shared_ptr<Servlets::BaseWebServlet> servlet) {
    if (token.empty()) return servlet;
    return std::make_shared<TokenGuard>(token, std::move(servlet));
}

// The arguments a start cannot work with, as the message that says so; empty when they are fine.
std::string badArguments(int port, int maxRequestMegabytes, const std::wstring& dataDirectory) {
    if (port < 1 || port > 65535) return "port " + std::to_string(port) + " is outside 1 to 65535";
    if (maxRequestMegabytes < 1 || maxRequestMegabytes > kMaxRequestMegabytes)
        return "maximum request size " + std::to_string(maxRequestMegabytes) + " MB is outside 1 to " +
               std::to_string(kMaxRequestMegabytes);
    if (dataDirectory.empty()) return "the data directory is empty";
    return std::string();
}

}  // namespace

std::shared_ptr<APIService>& runningService() {
    static std::shared_ptr<APIService> service;
    return service;
}

void APIService::Initialize(int servicesHandle) {
    LOG4CXX_INFO(log(), "Initialize APIService");
    if (routing_) {
        LOG4CXX_WARN(log(), "APIService is already running");
        throw std::runtime_error("APIService is already running");
    }
    ServiceTable services = readServiceTable(servicesHandle);
    host_ = std::make_shared<TaskInterface>();
    routing_ = std::make_shared<Servlets::UriMatchingServlet>(settings_.dataDirectory);
    tasks_ = std::make_shared<TasksServlet>(std::move(services), boost::filesystem::path(settings_.dataDirectory), host_);
    echo_ = std::make_shared<EchoServlet>();
    oauth2_ = std::make_shared<OAuth2Servlet>();
    // A browser's redirect cannot carry the token: the OAuth2 receiver stays open, guarded by its states.
    routing_->addServlet(L"api/v1/tasks/", guarded(settings_.access.token, tasks_));
    routing_->addServlet(L"api/v1/echo/", guarded(settings_.access.token, echo_));
    routing_->addServlet(L"oauth2/", oauth2_);
    routing_->addServlet(L"", oauth2_);
    const ServiceAccess& access = settings_.access;
    LOG4CXX_INFO(log(), "Initialize: creating API server, host=" << access.host << ", port=" << settings_.port);
    if (std::string warning = exposureWarning(access); !warning.empty()) LOG4CXX_WARN(log(), warning);
    quaynet::ServerOptions options;
    options.host = access.host;
    options.port = settings_.port;
    options.maxRequestBytes = size_t(settings_.maxRequestMegabytes) * 1048576;
    options.tlsCertificatePem = access.certificatePem;
    options.tlsKeyPem = access.keyPem;
    server_ = webModule().createServer(routing_, options);
    server_->start();
    LOG4CXX_INFO(log(), "API server started successfully");
}

void APIService::DeInitialize() {
    if (!routing_) return;
    LOG4CXX_INFO(log(), "Uninitializing APIService");
    // Clients waiting for tasks or echoes are let go first, so that the server's workers can end.
    tasks_->queue()->stop();
    echo_->stop();
    if (server_) server_->stop();
    server_.reset();
    routing_->removeServlets();
    routing_.reset();
    oauth2_.reset();
    echo_.reset();
    tasks_.reset();
    host_.reset();
}

int startService(int port, int maxRequestMegabytes, const std::wstring& dataDirectory, int servicesHandle) {
    LOG4CXX_INFO(log(), "Starting API service, port = " << port << ", maxreqsize = " << maxRequestMegabytes);
    if (runningService()) return 1;
    if (std::string bad = badArguments(port, maxRequestMegabytes, dataDirectory); !bad.empty()) return raiseError(bad);
    auto service = std::make_shared<APIService>(
        ServiceSettings{port, maxRequestMegabytes, toUtf8(dataDirectory), readServiceAccess()});
    service->Initialize(servicesHandle);
    runningService() = std::move(service);
    LOG4CXX_INFO(log(), "APIService started, retval = 1");
    return 1;
}

int stopService() {
    LOG4CXX_INFO(log(), "Stopping APIService");
    if (!runningService()) {
        LOG4CXX_WARN(log(), "APIService was not running");
        return 0;
    }
    // Taken out first: a task that stops the service from inside finds it gone already.
    std::shared_ptr<APIService> service = std::move(runningService());
    runningService().reset();
    service->DeInitialize();
    service.reset();
    LOG4CXX_INFO(log(), "APIService stopped");
    return 1;
}

int executeAPITask(int timeoutMs) {
    LOG4CXX_INFO(log(), "Yielding to APIservice for " << timeoutMs << " ms to handle incoming API requests");
    if (!runningService()) return 0;
    // Held for the whole turn: a task that stops the service leaves the queue alive until the turn ends.
    std::shared_ptr<TaskQueue> queue = runningService()->tasks()->queue();
    return queue->executeAll(timeoutMs) ? 1 : 0;
}

}  // namespace flk::service

#include "service/reference_echo.hpp"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <stdexcept>
#include <string>

namespace flk::bench {
namespace {

MHD_Result copyHeader(void* response, MHD_ValueKind, const char* name, const char* value) {
    if (!framesTheMessage(name)) MHD_add_response_header(static_cast<MHD_Response*>(response), name, value);
    return MHD_YES;
}

// The first call announces the request, the middle ones bring its body, the last one answers.
MHD_Result access(void*, MHD_Connection* connection, const char*, const char*, const char*, const char* data,
                  size_t* size, void** context) {
    if (!*context) {
        *context = new std::string;
        return MHD_YES;
    }
    auto* body = static_cast<std::string*>(*context);
    if (*size != 0) {
        body->append(data, *size);
        *size = 0;
        return MHD_YES;
    }
    MHD_Response* response = MHD_create_response_from_buffer(body->size(), body->data(), MHD_RESPMEM_MUST_COPY);
    MHD_get_connection_values(connection, MHD_HEADER_KIND, &copyHeader, response);
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return queued;
}

void completed(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
    delete static_cast<std::string*>(*context);
    *context = nullptr;
}

class MicrohttpdEcho final : public EchoServer {
public:
    MicrohttpdEcho() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        daemon_ = MHD_start_daemon(MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL, 0,
                                   nullptr, nullptr, &access, nullptr, MHD_OPTION_SOCK_ADDR, &address,
                                   MHD_OPTION_NOTIFY_COMPLETED, &completed, nullptr, MHD_OPTION_END);
        if (!daemon_) throw std::runtime_error("the libmicrohttpd reference cannot listen on loopback");
        port_ = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT)->port;
    }
    ~MicrohttpdEcho() override { MHD_stop_daemon(daemon_); }
    int port() const override { return port_; }

private:
    MHD_Daemon* daemon_ = nullptr;
    int port_ = 0;
};

}  // namespace

std::unique_ptr<EchoServer> startMicrohttpdEcho() { return std::make_unique<MicrohttpdEcho>(); }

}  // namespace flk::bench

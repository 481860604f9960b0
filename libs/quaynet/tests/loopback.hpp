// What the server tests share: a servlet made of a function, a server on a free loopback port with
// small limits, and a raw client that sends exact bytes (what a normal client will not send) and
// returns whatever came back before the server closed or the time ran out.
#pragma once

#include "quaynet/quaynet.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quaynet_test {

using namespace std::chrono_literals;
using Handler = std::function<void(quaynet::IHTTPRequest&, quaynet::IHTTPResponse&)>;

class FunctionServlet : public quaynet::IWebServlet {
public:
    explicit FunctionServlet(Handler handler) : handler_(std::move(handler)) {}
    bool redirectWebSocket(quaynet::IHTTPRequest&, quaynet::IHTTPResponse& response, std::string&, int&,
                           quaynet::WebSocketSession&) override {
        response.send(404, "no sockets here");
        return false;
    }
    void handle(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response) override {
        ++calls;
        handler_(request, response);
    }
    std::atomic<int> calls{0};

private:
    Handler handler_;
};

// Answers with what it was given: "METHOD target [body]".
void echo(quaynet::IHTTPRequest& request, quaynet::IHTTPResponse& response);

// A port on 127.0.0.1 that nothing listens on at this moment.
int freePort();

// What came back on a raw connection.
struct RawReply {
    std::string bytes;
    bool closed = false;   // the server ended the connection (end of stream or reset) within the time
};

// One connection from a loopback source address of the caller's choice (127.0.0.2 and so on, to
// stand for other clients), closed when it goes out of scope.
class RawConnection {
public:
    // receiveBufferBytes: when not 0, the kernel buffers at most about this much for the client
    // (and stops growing the buffer by itself), so that a client that stops reading is felt soon.
    explicit RawConnection(int port, const char* source = "127.0.0.1", int receiveBufferBytes = 0);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    // False when the server has already closed or reset the connection.
    bool send(std::string_view bytes);
    // Reads until the server closes the connection or `patience` runs out.
    RawReply readUntilClosed(std::chrono::milliseconds patience);
    // Reads until the bytes so far hold `count` whole answers, the server closes, or `patience` runs out.
    RawReply readAnswers(std::size_t count, std::chrono::milliseconds patience);

private:
    // Waits for bytes at most until `deadline`; false when none came (reply.closed tells why).
    bool readSome(RawReply& reply, std::chrono::steady_clock::time_point deadline);
    int socket_ = -1;
    bool connected_ = false;
};

// Connects, sends `request` whole, and reads until the server closes or `patience` runs out (long
// enough for a loaded machine: a server that closes as it should ends the wait at once).
RawReply roundTrip(int port, std::string_view request, std::chrono::milliseconds patience = 10s);

// An answer parsed from raw bytes.
struct Answer {
    int status = 0;
    std::string head;   // the status line and header lines
    std::string body;
};
// Every whole answer in `bytes`, in order; a body is framed by its Content-Length or chunked.
std::vector<Answer> answersIn(std::string_view bytes);

// A server on a free 127.0.0.1 port, stopped at the end of the test.
class LoopbackServer : public ::testing::Test {
protected:
    // The module's defaults with every limit small enough for a quick test.
    static quaynet::ServerOptions smallLimits();
    void serve(Handler handler, quaynet::ServerOptions options = smallLimits());
    void TearDown() override {
        if (server_) server_->stop();
    }

    std::shared_ptr<FunctionServlet> servlet_;
    std::shared_ptr<quaynet::IServer> server_;
    int port_ = 0;
};

}  // namespace quaynet_test

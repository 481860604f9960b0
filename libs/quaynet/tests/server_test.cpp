// The server over real sockets on loopback: what a servlet sees and answers, the size limit, silent
// clients, failures in servlets, and a port that is taken.
#include "loopback.hpp"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace quaynet_test {
namespace {

// The module's default limits unless a test names its own.
class QuaynetServer : public LoopbackServer {
protected:
    void serve(Handler handler, size_t maxBytes = 1 << 20, quaynet::ServerLimits limits = {}) {
        quaynet::ServerOptions options;
        options.host = "127.0.0.1";
        options.maxRequestBytes = maxBytes;
        options.limits = limits;
        LoopbackServer::serve(std::move(handler), options);
    }
    httplib::Client client() {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(10);
        return c;
    }
    // A raw connection to the server, for clients that misbehave.
    int connectRaw() const {
        int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(uint16_t(port_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        return s;
    }
};

TEST_F(QuaynetServer, TheServletSeesTheRequestAndItsAnswerIsSent) {
    serve([](quaynet::IHTTPRequest& in, quaynet::IHTTPResponse& out) {
        std::string seen = std::to_string(in.method()) + " " + in.path() + " " + in.target() + " [" + in.body() + "]";
        for (const auto& [name, value] : in.queryParameters()) seen += " " + name + "=" + value;
        seen += " x-test=" + in.header("X-TEST");
        out.setHeader("X-Answer", "yes");
        out.setHeader("Content-Length", "99999");   // the server's own business: ignored
        out.send(201, seen);
    });
    auto c = client();
    auto posted = c.Post("/a%20b/c?x=1&y=%C3%A9", {{"X-Test", "v"}}, "body", "text/plain");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 201);
    EXPECT_EQ(posted->body, "4 /a b/c /a%20b/c?x=1&y=%C3%A9 [body] x=1 y=\xC3\xA9 x-test=v");
    EXPECT_EQ(posted->get_header_value("X-Answer"), "yes");
    const std::pair<std::string, int> methods[] = {{"GET", quaynet::kGet}, {"PUT", quaynet::kPut},
                                                   {"DELETE", quaynet::kDelete}, {"PATCH", quaynet::kOtherMethod},
                                                   {"OPTIONS", quaynet::kOtherMethod}};
    for (const auto& [method, code] : methods) {
        httplib::Request request;
        request.method = method;
        request.path = "/m";
        auto answer = c.send(request);
        ASSERT_TRUE(answer) << method;
        EXPECT_EQ(answer->body.substr(0, answer->body.find(' ')), std::to_string(code)) << method;
    }
    auto head = c.Head("/h");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 201);
    EXPECT_TRUE(head->body.empty());
}

TEST_F(QuaynetServer, ABodyOverTheLimitIsRefusedUnread) {
    serve([](quaynet::IHTTPRequest& in, quaynet::IHTTPResponse& out) { out.send(200, std::to_string(in.body().size())); },
          1000);
    auto c = client();
    auto fits = c.Post("/", std::string(1000, 'x'), "text/plain");
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->body, "1000");
    auto over = c.Post("/", std::string(1001, 'x'), "text/plain");
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 413);
    // A client that only announces a huge body gets its answer without sending it.
    int s = connectRaw();
    std::string head = "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000000\r\n\r\n";
    ASSERT_EQ(::send(s, head.data(), head.size(), 0), ssize_t(head.size()));
    char reply[256] = {};
    ASSERT_GT(::recv(s, reply, sizeof reply - 1, 0), 0);
    EXPECT_EQ(std::string(reply).substr(0, 12), "HTTP/1.1 413");
    ::close(s);
    EXPECT_EQ(servlet_->calls, 1);
}

// A client that starts a request and falls silent is closed once its head is overdue; others are
// served meanwhile.
TEST_F(QuaynetServer, ASilentClientIsClosedWhenItsHeadIsOverdue) {
    quaynet::ServerLimits limits;
    limits.headSeconds = 1;
    serve([](quaynet::IHTTPRequest&, quaynet::IHTTPResponse& out) { out.send(200, "served"); }, 1000, limits);
    int s = connectRaw();
    std::string half = "GET / HTTP/1.1\r\nHost:";
    ::send(s, half.data(), half.size(), 0);
    auto start = std::chrono::steady_clock::now();
    auto c = client();
    auto answer = c.Get("/");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body, "served");
    char rest[512];
    while (::recv(s, rest, sizeof rest, 0) > 0) {
    }   // the server closed the silent connection
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ::close(s);
}

// An answer with a body leaves as two writes; the second must not wait for the client's delayed
// acknowledgement of the first (about 40 ms on Linux), or every answer on a kept connection is slow.
TEST_F(QuaynetServer, AnswersWithABodyDoNotWaitForAcknowledgements) {
    serve([](quaynet::IHTTPRequest&, quaynet::IHTTPResponse& out) { out.send(200, std::string(300, 'x')); });
    auto c = client();
    c.set_keep_alive(true);
    c.set_tcp_nodelay(true);   // the client must not delay its own body either
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        auto answer = c.Post("/", "{}", "application/json");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->body.size(), 300u);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(QuaynetServer, AFailingServletIsAnswered400Or500WithoutItsText) {
    serve([](quaynet::IHTTPRequest& in, quaynet::IHTTPResponse&) {
        if (in.path() == "/bad") throw quaynet::BadRequest("secret detail");
        throw std::runtime_error("secret detail");
    });
    auto c = client();
    auto bad = c.Get("/bad");
    auto failed = c.Get("/other");
    ASSERT_TRUE(bad && failed);
    EXPECT_EQ(bad->status, 400);
    EXPECT_EQ(failed->status, 500);
    EXPECT_EQ(bad->body.find("secret"), std::string::npos);
    EXPECT_EQ(failed->body.find("secret"), std::string::npos);
}

TEST_F(QuaynetServer, AWebSocketUpgradeGetsTheServletsRefusal) {
    serve([](quaynet::IHTTPRequest&, quaynet::IHTTPResponse& out) { out.send(200, "plain"); });
    auto c = client();
    auto answer = c.Get("/ws", {{"Upgrade", "websocket"}, {"Connection", "Upgrade"}});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 404);
    EXPECT_EQ(answer->body, "no sockets here");
    EXPECT_EQ(servlet_->calls, 0);
}

TEST_F(QuaynetServer, APortInUseIsNamedAndStopIsIdempotent) {
    serve([](quaynet::IHTTPRequest&, quaynet::IHTTPResponse& out) { out.send(200, ""); });
    quaynet::ServerOptions options;
    options.host = "127.0.0.1";
    options.port = port_;
    auto second = GetModule()->createServer(servlet_, options);
    try {
        second->start();
        FAIL() << "a second server started on a taken port";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("port " + std::to_string(port_)), std::string::npos) << e.what();
    }
    second->stop();
    server_->stop();
    server_->stop();
    options.port = 70000;
    EXPECT_THROW(GetModule()->createServer(servlet_, options), std::invalid_argument);
}

}  // namespace
}  // namespace quaynet_test

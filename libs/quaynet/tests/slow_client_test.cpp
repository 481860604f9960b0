// Clients that take too long: a head that stalls or trickles past its deadline, a body slower than
// the least rate, a connection left idle, an answer left unread. Each is closed without an answer
// and frees what it held, while clients that keep to the limits are served. The bounds on elapsed
// time only tell a close from a hang.
#include "loopback.hpp"

#include <thread>

namespace quaynet_test {
namespace {

using Clock = std::chrono::steady_clock;

struct SlowCase {
    const char* name;
    std::string opening;    // sent at once
    std::string trickle;    // then sent `piece` bytes at a time, one piece every `interval`
    std::size_t piece;
    std::chrono::milliseconds interval;
    bool served;            // answered, or closed without an answer
};

std::string post(std::size_t length) {
    return "POST /b HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}

// A chunked body that passes the size limit at once and then never ends.
const std::string kOverLimit = "POST /c HTTP/1.1\r\nHost: x\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n\r\n44c\r\n" +
                               std::string(1100, 'c') + "\r\n";
std::string chunks(std::size_t count) {
    std::string body;
    for (std::size_t i = 0; i < count; ++i) body += "64\r\n" + std::string(100, 'c') + "\r\n";
    return body;
}

const std::string kHead = "GET /g HTTP/1.1\r\nHost: x\r\nX-Padding: " + std::string(60, 'p') + "\r\nConnection: close\r\n\r\n";

// headSeconds 1, minBodyBytesPerSecond 1000, drainSeconds 1, maxRequestBytes 1000.
const SlowCase kCases[] = {
    {"a connection that sends nothing", "", "", 0, 100ms, false},
    {"half a request line, then silence", "GET /sl", "", 0, 100ms, false},
    {"a head a byte at a time", "", kHead, 1, 100ms, false},
    {"a head in pieces within its time", "", kHead, 25, 50ms, true},
    {"a body at a tenth of the least rate", post(900), std::string(900, 'b'), 10, 100ms, false},
    {"a body that stops half way", post(900) + std::string(450, 'b'), "", 0, 100ms, false},
    {"a body at twice the least rate", post(900), std::string(900, 'b'), 100, 50ms, true},
    // Past the limit a body is drained (at any rate) only for so long.
    {"an endless body past the limit", kOverLimit, chunks(40), 106, 100ms, false},
};

// Plays one case and reports what happened.
std::string play(int port, const SlowCase& c) {
    RawConnection connection(port);
    const auto start = Clock::now();
    RawReply reply;
    bool closed = !connection.send(c.opening);
    for (std::size_t at = 0; !closed && at < c.trickle.size(); at += c.piece) {
        closed = !connection.send(c.trickle.substr(at, c.piece));
        const RawReply some = connection.readUntilClosed(c.interval);
        reply.bytes += some.bytes;
        closed = closed || some.closed;
    }
    const RawReply rest = connection.readUntilClosed(5s);
    reply.bytes += rest.bytes;
    reply.closed = closed || rest.closed;
    const auto answers = answersIn(reply.bytes);
    const bool served = answers.size() == 1 && answers[0].status == 200;
    if (served != c.served || (!c.served && !reply.bytes.empty()))
        return std::string(c.name) + ": " + (served ? "served" : "not served") + ", got [" + reply.bytes + "]";
    if (!reply.closed || Clock::now() - start > 4s) return std::string(c.name) + ": not closed in time";
    return std::string();
}

class SlowClients : public LoopbackServer {};

TEST_F(SlowClients, EachIsClosedOnceOverdueAndTheOthersAreServed) {
    quaynet::ServerOptions options = smallLimits();
    options.limits.maxConnections = options.limits.maxConnectionsPerClient = 16;
    serve([](quaynet::IHTTPRequest&, quaynet::IHTTPResponse& out) { out.send(200, "served"); }, options);
    // The cases run side by side: each takes seconds of waiting, and none may hold up another.
    std::vector<std::string> outcomes(std::size(kCases));
    std::vector<std::thread> players;
    for (std::size_t i = 0; i < std::size(kCases); ++i)
        players.emplace_back([&, i] { outcomes[i] = play(port_, kCases[i]); });
    for (auto& player : players) player.join();
    for (const std::string& outcome : outcomes) EXPECT_EQ(outcome, "");
    EXPECT_EQ(servlet_->calls, 2);
}

// Silent clients that fill every connection are closed when their heads are overdue, and the
// connections they held serve others again.
TEST_F(SlowClients, OverdueClientsFreeTheirConnections) {
    quaynet::ServerOptions options = smallLimits();
    options.limits.maxConnections = 2;
    serve(echo, options);
    RawConnection first(port_), second(port_, "127.0.0.2");
    ASSERT_TRUE(first.send("GET /") && second.send("GET /"));
    const std::string request = "GET /after HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(roundTrip(port_, request).bytes, "") << "a third connection was served beside two";
    EXPECT_TRUE(first.readUntilClosed(4s).closed);
    EXPECT_TRUE(second.readUntilClosed(4s).closed);
    // The server counts a connection as gone once its thread has ended; give it a moment.
    std::vector<Answer> answers;
    for (auto until = Clock::now() + 2s; answers.empty() && Clock::now() < until; std::this_thread::sleep_for(50ms))
        answers = answersIn(roundTrip(port_, request).bytes);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].body, "GET /after []");
}

// The idle limit alone (the head deadline is set far beyond it): a kept connection with nothing
// to say, and a client that stops reading its answer.
TEST_F(SlowClients, IdleConnectionsAreClosed) {
    quaynet::ServerOptions options = smallLimits();
    options.limits.headSeconds = 30;
    options.limits.idleSeconds = 1;
    // Far more than the server's send buffer (4 MB at most) and the small receive buffer together.
    const std::string large(16 << 20, 'a');
    serve([&](quaynet::IHTTPRequest& in, quaynet::IHTTPResponse& out) { out.send(200, in.path() == "/large" ? large : "small"); },
          options);
    RawConnection kept(port_), unread(port_, "127.0.0.1", 16384);
    ASSERT_TRUE(kept.send("GET /small HTTP/1.1\r\nHost: x\r\n\r\n"));
    ASSERT_TRUE(unread.send("GET /large HTTP/1.1\r\nHost: x\r\n\r\n"));
    const auto start = Clock::now();
    const RawReply keptReply = kept.readUntilClosed(10s);
    EXPECT_EQ(answersIn(keptReply.bytes).size(), 1u);
    EXPECT_TRUE(keptReply.closed);
    EXPECT_LT(Clock::now() - start, 5s);
    // Long enough past the idle limit for a loaded machine; reading sooner would let the answer go on.
    std::this_thread::sleep_until(start + 3s);
    const RawReply unreadReply = unread.readUntilClosed(10s);
    EXPECT_TRUE(unreadReply.closed);
    EXPECT_LT(unreadReply.bytes.size(), large.size()) << "the whole answer went out to a client that did not read";
}

}  // namespace
}  // namespace quaynet_test

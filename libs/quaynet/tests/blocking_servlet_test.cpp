// Each connection has a thread of its own: a servlet that waits holds up only its own client and
// is not cut short by the deadlines meant for clients, and stop closes every connection, whatever
// state it is in, and returns promptly once the owner has woken the servlets that wait. The bounds on elapsed time only tell a prompt answer from a hang.
#include "loopback.hpp"

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace quaynet_test {
namespace {

using Clock = std::chrono::steady_clock;

// Holds every request for /wait until opened; answers the others at once.
class Gate {
public:
    void pass(quaynet::IHTTPRequest& in, quaynet::IHTTPResponse& out) {
        if (in.path() == "/wait") {
            std::unique_lock<std::mutex> lock(mutex_);
            ++waiting_;
            changed_.notify_all();
            changed_.wait(lock, [&] { return open_; });
        }
        out.send(200, in.path());
    }
    bool awaitWaiting(int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return waiting_ == count; });
    }
    void open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;   // guarded by mutex_
    bool open_ = false; // guarded by mutex_
};

const char* const kSources[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};

std::string get(const std::string& path) { return "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"; }

class BlockingServlets : public LoopbackServer {
protected:
    // Serves through the gate; by default with deadlines far enough away that held connections stay.
    void serveGate(int deadlineSeconds = 10) {
        quaynet::ServerOptions options = smallLimits();
        options.limits.headSeconds = options.limits.idleSeconds = deadlineSeconds;
        serve([this](quaynet::IHTTPRequest& in, quaynet::IHTTPResponse& out) { gate_.pass(in, out); }, options);
    }
    void TearDown() override {
        gate_.open();
        LoopbackServer::TearDown();
    }
    Gate gate_;
};

TEST_F(BlockingServlets, AWaitingServletHoldsUpOnlyItsOwnClient) {
    serveGate();
    constexpr int kWaiting = 6;
    std::vector<std::future<RawReply>> waiting;
    for (int i = 0; i < kWaiting; ++i) {
        auto connection = std::make_shared<RawConnection>(port_, kSources[i % 3]);
        ASSERT_TRUE(connection->send(get("/wait")));
        waiting.push_back(std::async(std::launch::async, [connection] { return connection->readUntilClosed(10s); }));
    }
    ASSERT_TRUE(gate_.awaitWaiting(kWaiting));
    const auto start = Clock::now();
    const auto answers = answersIn(roundTrip(port_, get("/now")).bytes);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].body, "/now");
    EXPECT_LT(Clock::now() - start, 2s);
    gate_.open();
    for (auto& reply : waiting) {
        const auto released = answersIn(reply.get().bytes);
        ASSERT_EQ(released.size(), 1u);
        EXPECT_EQ(released[0].body, "/wait");
    }
}

// No deadline runs while the servlet works: one that takes longer than the head and idle limits
// still has its answer sent.
TEST_F(BlockingServlets, AServletMayTakeLongerThanTheDeadlines) {
    serveGate(1);
    RawConnection waiting(port_);
    ASSERT_TRUE(waiting.send("POST /wait HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: 2\r\n\r\nab"));
    ASSERT_TRUE(gate_.awaitWaiting(1));
    std::this_thread::sleep_for(2500ms);
    gate_.open();
    const auto answers = answersIn(waiting.readUntilClosed(5s).bytes);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].body, "/wait");
}

TEST_F(BlockingServlets, StopClosesEveryConnectionPromptly) {
    serveGate();
    RawConnection kept(port_), halfHead(port_), halfBody(port_, "127.0.0.2"), silent(port_, "127.0.0.2"),
        blocked(port_, "127.0.0.3");
    ASSERT_TRUE(kept.send("GET /k HTTP/1.1\r\nHost: x\r\n\r\n"));
    ASSERT_EQ(answersIn(kept.readAnswers(1, 2s).bytes).size(), 1u);
    ASSERT_TRUE(halfHead.send("GET /h HTTP/1.1\r\nHo"));
    ASSERT_TRUE(halfBody.send("POST /b HTTP/1.1\r\nHost: x\r\nContent-Length: 900\r\n\r\n" + std::string(100, 'b')));
    ASSERT_TRUE(blocked.send(get("/wait")));
    ASSERT_TRUE(gate_.awaitWaiting(1));
    std::this_thread::sleep_for(100ms);   // the half requests reach the server
    const auto start = Clock::now();
    gate_.open();   // the owner wakes its servlets before it stops the server
    server_->stop();
    EXPECT_LT(Clock::now() - start, 2s);
    for (RawConnection* connection : {&kept, &halfHead, &halfBody, &silent, &blocked})
        EXPECT_TRUE(connection->readUntilClosed(2s).closed);
    EXPECT_FALSE(RawConnection(port_).connected()) << "the server still listens after stop";
}

}  // namespace
}  // namespace quaynet_test

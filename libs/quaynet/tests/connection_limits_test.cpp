// The bounds on connections: in total and from one client address. A connection past a bound is
// accepted and closed at once, without an answer, while the connections within it are served.
// Other clients are played by other loopback source addresses (127.0.0.2, 127.0.0.3).
#include "loopback.hpp"

#include <memory>
#include <thread>

namespace quaynet_test {
namespace {

const std::string kHalfHead = "GET /held HTTP/1.1\r\n";
const std::string kRestOfHead = "Host: x\r\nConnection: close\r\n\r\n";

struct Step {
    const char* source;
    bool admitted;
};

class ConnectionLimits : public LoopbackServer {
protected:
    // Limits with a head deadline far enough away that held connections stay open.
    static quaynet::ServerOptions limits(std::size_t total, std::size_t perClient) {
        quaynet::ServerOptions options = smallLimits();
        options.limits.maxConnections = total;
        options.limits.maxConnectionsPerClient = perClient;
        options.limits.headSeconds = 10;
        options.limits.idleSeconds = 10;
        return options;
    }

    // Opens a connection for each step in turn: an admitted one holds half a head; a refused one
    // sends a whole request and must be closed at once with nothing said. Then every admitted
    // connection finishes its request and is answered.
    void play(const std::vector<Step>& steps) {
        std::vector<std::unique_ptr<RawConnection>> held;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            auto connection = std::make_unique<RawConnection>(port_, steps[i].source);
            ASSERT_TRUE(connection->connected()) << "step " << i << " from " << steps[i].source;
            if (steps[i].admitted) {
                EXPECT_TRUE(connection->send(kHalfHead)) << "step " << i;
                held.push_back(std::move(connection));
                continue;
            }
            connection->send(kHalfHead + kRestOfHead);
            const RawReply reply = connection->readUntilClosed(2s);
            EXPECT_TRUE(reply.closed && reply.bytes.empty())
                << "step " << i << " from " << steps[i].source << " was not refused: [" << reply.bytes << "]";
        }
        for (std::size_t i = 0; i < held.size(); ++i) {
            EXPECT_TRUE(held[i]->send(kRestOfHead));
            const auto answers = answersIn(held[i]->readUntilClosed(3s).bytes);
            EXPECT_TRUE(answers.size() == 1 && answers[0].status == 200) << "held connection " << i << " was not served";
        }
    }
};

TEST_F(ConnectionLimits, AFloodPastTheTotalIsClosedAndTheRestServed) {
    serve(echo, limits(8, 64));
    std::vector<Step> steps(8, Step{"127.0.0.1", true});
    const char* const others[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
    for (int i = 0; i < 24; ++i) steps.push_back({others[i % 3], false});
    play(steps);
    // The connections are free again once the server has seen them end.
    std::vector<Answer> answers;
    for (auto until = std::chrono::steady_clock::now() + 2s; answers.empty() && std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(50ms))
        answers = answersIn(roundTrip(port_, kHalfHead + kRestOfHead).bytes);
    EXPECT_EQ(answers.size(), 1u);
}

TEST_F(ConnectionLimits, OneClientPastItsShareIsClosedAndOthersAreServed) {
    serve(echo, limits(8, 2));
    play({{"127.0.0.2", true},
          {"127.0.0.2", true},
          {"127.0.0.2", false},
          {"127.0.0.3", true},
          {"127.0.0.2", false},
          {"127.0.0.3", true},
          {"127.0.0.3", false},
          {"127.0.0.1", true}});
}

}  // namespace
}  // namespace quaynet_test

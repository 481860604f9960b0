// The event bus: delivery by event type, removal through the ticket, and publications racing
// with handlers that come and go.
#include "signalyard/signalyard.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Ping : Event {
    using Event::Event;
    int value = 0;
};
struct Pong : Event {
    using Event::Event;
};

class Counter : public SelfRegisteringEventHandler<Ping> {
public:
    Counter() { registerOnBus(); }
    ~Counter() override { unregister(); }
    void onEvent(Ping& event) override {
        sum += event.value;
        if (event.value < 0) event.setCanceled(true);
    }
    std::atomic<int> sum{0};
};

TEST(Signalyard, AnEventReachesTheHandlersOfItsOwnTypeOnly) {
    Object sender;
    Counter a, b;
    Ping ping(sender);
    ping.value = 3;
    EXPECT_EQ(DLLSignalyard::publish(ping), 2u);
    Pong pong(sender);
    EXPECT_EQ(DLLSignalyard::publish(pong), 0u);
    EXPECT_EQ(a.sum, 3);
    EXPECT_EQ(b.sum, 3);
    EXPECT_EQ(&ping.getSender(), &sender);
    EXPECT_FALSE(ping.getCanceled());
    ping.value = -1;
    DLLSignalyard::publish(ping);
    EXPECT_TRUE(ping.getCanceled());
}

TEST(Signalyard, AHandlerLeavesTheBusWithItsRegistrationOnceOnly) {
    Object sender;
    Ping ping(sender);
    ping.value = 1;
    auto counter = std::make_unique<Counter>();
    Counter other;
    DLLSignalyard::EventRegistration<Ping> extra(other);
    EXPECT_EQ(DLLSignalyard::publish(ping), 3u);
    extra.removeHandler();
    extra.removeHandler();
    EXPECT_EQ(DLLSignalyard::publish(ping), 2u);
    counter.reset();
    EXPECT_EQ(DLLSignalyard::publish(ping), 1u);
    EXPECT_EQ(other.sum, 4);   // twice in the first publication, once in each after
    EXPECT_EQ(DLLGetSignalyard()->remove(signalyard::eventType<Ping>(), 0), false);
}

// Handlers destroyed while other threads publish: a publication never calls a handler that is gone.
TEST(Signalyard, HandlersComeAndGoWhileOthersPublish) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> publishers;
    for (int t = 0; t < 3; ++t)
        publishers.emplace_back([&] {
            Object sender;
            Ping ping(sender);
            ping.value = 1;
            while (!stop) DLLSignalyard::publish(ping);
        });
    for (int i = 0; i < 500; ++i) {
        auto counter = std::make_unique<Counter>();
        std::this_thread::yield();
    }
    stop = true;
    for (auto& t : publishers) t.join();
    Object sender;
    Ping ping(sender);
    EXPECT_EQ(DLLSignalyard::publish(ping), 0u);
}

}  // namespace

// Polling through the real exports with the simulated host: the test's thread runs the model and
// lets the polling thread in only while it is idle. Times are asserted only as lower bounds or
// with margins far beyond what a loaded machine needs; counts and order carry the checks.
#include "ferrolink/ferrolink.h"
#include "polling/poll_exports.hpp"
#include "polling/poll_handler.hpp"
#include "support/host_fixture.hpp"
#include "support/log_capture.hpp"

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace flk::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kPatience = std::chrono::seconds(10);  // how long a test waits for what must happen

class Polling : public HostTest {
protected:
    void TearDown() override { releasePollHandler(); }

    // A procedure without arguments that counts its calls and returns what result gives for the
    // call number (1, 2, ...).
    void declareCounter(const wchar_t* name, std::atomic<int>& calls, std::function<int(int)> result = nullptr) {
        model().declareProcedure(name, {}, [&calls, result](const std::vector<molvo::ProcedureArgument>&) {
            const int n = ++calls;
            return result ? result(n) : 1;
        });
    }

    // The model idles in short turns until done() holds or the patience runs out.
    static bool idleUntil(const std::function<bool()>& done, Clock::duration patience = kPatience) {
        const auto until = Clock::now() + patience;
        while (!done() && Clock::now() < until) molvo::idle(5);
        return done();
    }
    static void idleFor(milliseconds time) {
        const auto until = Clock::now() + time;
        while (Clock::now() < until) molvo::idle(5);
    }
};

// CPU time of the whole process, for telling a sleeping thread from a spinning one.
milliseconds processCpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::chrono::duration_cast<milliseconds>(std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                                                    std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec));
}

TEST_F(Polling, AProcedureIsCalledUntilItReturnsZeroThenDeregistered) {
    std::atomic<int> calls{0};
    declareCounter(L"Tick", calls, [](int n) { return n < 3 ? 1 : 0; });
    ASSERT_EQ(Poll(L"Tick", 10), 1);
    ASSERT_TRUE(idleUntil([&] { return calls >= 3; }));
    idleFor(milliseconds(150));
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(errorTexts().empty());
}

TEST_F(Polling, AProcedureReturningZeroAtOnceIsCalledOnce) {
    std::atomic<int> calls{0};
    declareCounter(L"Once", calls, [](int) { return 0; });
    ASSERT_EQ(Poll(L"Once", 10), 1);
    ASSERT_TRUE(idleUntil([&] { return calls >= 1; }));
    idleFor(milliseconds(150));
    EXPECT_EQ(calls, 1);
}

TEST_F(Polling, TheFirstCallComesAtOnceNotAnIntervalLater) {
    std::atomic<int> first{0}, second{0};
    declareCounter(L"First", first);
    declareCounter(L"Second", second);
    // A fresh handler: the thread may not even wait yet when Poll signals it.
    ASSERT_EQ(Poll(L"First", 600000), 1);
    EXPECT_TRUE(idleUntil([&] { return first >= 1; }));
    // And a replacement while the thread waits out the long interval of the first.
    ASSERT_EQ(Poll(L"Second", 600000), 1);
    EXPECT_TRUE(idleUntil([&] { return second >= 1; }));
    EXPECT_EQ(first, 1);
}

TEST_F(Polling, CallsComeNoFasterThanTheInterval) {
    std::mutex mutex;
    std::vector<Clock::time_point> times;
    model().declareProcedure(L"Stamp", {}, [&](const std::vector<molvo::ProcedureArgument>&) {
        std::lock_guard<std::mutex> lock(mutex);
        times.push_back(Clock::now());
        return times.size() < 4 ? 1 : 0;
    });
    ASSERT_EQ(Poll(L"Stamp", 100), 1);
    ASSERT_TRUE(idleUntil([&] {
        std::lock_guard<std::mutex> lock(mutex);
        return times.size() >= 4;
    }));
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], milliseconds(100)) << "between calls " << i << " and " << i + 1;
}

TEST_F(Polling, StopFromTheModelEndsTheCalls) {
    std::atomic<int> calls{0};
    declareCounter(L"Tick", calls);
    ASSERT_EQ(Poll(L"Tick", 10), 1);
    ASSERT_TRUE(idleUntil([&] { return calls >= 2; }));
    EXPECT_EQ(StopPolling(), 1);
    const int stoppedAt = calls;
    idleFor(milliseconds(150));
    EXPECT_EQ(calls, stoppedAt);
    EXPECT_EQ(StopPolling(), 1);  // again, with nothing registered
}

TEST_F(Polling, StopBeforeAnyPollDoesNothing) {
    EXPECT_EQ(StopPolling(), 1);
    EXPECT_TRUE(errorTexts().empty());
}

TEST_F(Polling, TheThreadSleepsWhileNothingIsRegistered) {
    std::atomic<int> calls{0};
    declareCounter(L"Once", calls, [](int) { return 0; });
    ASSERT_EQ(Poll(L"Once", 1), 1);
    ASSERT_TRUE(idleUntil([&] { return calls >= 1; }));
    // Deregistered by its 0 result; a thread that spun now would burn the whole idle time.
    const milliseconds before = processCpuTime();
    idleFor(milliseconds(400));
    EXPECT_LT(processCpuTime() - before, milliseconds(200));
    EXPECT_EQ(calls, 1);
}

TEST_F(Polling, BadRequestsRaiseTheirMessageAndKeepThePreviousRegistration) {
    std::atomic<int> calls{0};
    declareCounter(L"Tick", calls);
    model().declareProcedure(L"Takes", {MOLVO_ARG_INPUT_NUMERIC}, [](const std::vector<molvo::ProcedureArgument>&) { return 1; });
    ASSERT_EQ(Poll(L"Tick", 10), 1);
    struct Case {
        const wchar_t* name;
        int intervalMs;
        const wchar_t* message;
    };
    const Case cases[] = {
        {L"Missing", 10, L"Poll: Polling procedure Missing does not exist"},
        {nullptr, 10, L"Poll: Polling procedure  does not exist"},
        {L"Takes", 10, L"Poll: Polling procedure Takes cannot have arguments"},
        {L"Tick", 0, L"Poll: Polling interval 0 ms of procedure Tick is not positive: give an interval of at least 1 ms"},
        {L"Tick", -1, L"Poll: Polling interval -1 ms of procedure Tick is not positive: give an interval of at least 1 ms"},
    };
    for (const Case& c : cases) {
        model().clearErrors();
        EXPECT_EQ(Poll(c.name, c.intervalMs), 0) << c.message;
        EXPECT_EQ(errorTexts(), std::vector<std::wstring>{c.message});
    }
    const int before = calls;
    EXPECT_TRUE(idleUntil([&] { return calls >= before + 2; }));
}

TEST_F(Polling, AProcedureReplacedWhileTheThreadWaitsForControlNeverRuns) {
    LogCapture log(::testing::TempDir() + "polling_stale.log", "Ferrolink.PollHandler", log4cxx::Level::getTrace());
    std::atomic<int> replaced{0}, removed{0}, next{0};
    declareCounter(L"Replaced", replaced);
    declareCounter(L"Removed", removed);
    declareCounter(L"Next", next);
    // The model keeps control meanwhile: the thread has taken the first call and waits for it.
    ASSERT_EQ(Poll(L"Replaced", 600000), 1);
    std::this_thread::sleep_for(milliseconds(60));
    ASSERT_EQ(Poll(L"Next", 600000), 1);
    ASSERT_TRUE(idleUntil([&] { return next >= 1; }));
    ASSERT_EQ(Poll(L"Removed", 600000), 1);
    std::this_thread::sleep_for(milliseconds(60));
    ASSERT_EQ(StopPolling(), 1);
    idleFor(milliseconds(150));
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(next, 1);
    EXPECT_TRUE(errorTexts().empty());
    // Not even tried: the host may have given the deleted handle's number to something else.
    EXPECT_EQ(log.text().find("Calling logging procedure Re"), std::string::npos) << log.text();
}

TEST_F(Polling, AFailingProcedureStopsOnlyItselfNotTheOneItRegistered) {
    std::atomic<int> failing{0}, successor{0}, plain{0};
    declareCounter(L"Successor", successor);
    model().declareProcedure(L"Failing", {}, [&](const std::vector<molvo::ProcedureArgument>&) -> int {
        ++failing;
        Poll(L"Successor", 10);
        throw std::runtime_error("the procedure failed");
    });
    ASSERT_EQ(Poll(L"Failing", 10), 1);
    EXPECT_TRUE(idleUntil([&] { return successor >= 2; }));
    EXPECT_EQ(failing, 1);

    // Without a successor a failing run ends polling.
    model().declareProcedure(L"Broken", {}, [&](const std::vector<molvo::ProcedureArgument>&) -> int {
        ++plain;
        throw std::runtime_error("broken");
    });
    ASSERT_EQ(Poll(L"Broken", 10), 1);
    ASSERT_TRUE(idleUntil([&] { return plain >= 1; }));
    const int successorCalls = successor;
    idleFor(milliseconds(150));
    EXPECT_EQ(plain, 1);
    EXPECT_EQ(successor, successorCalls);
}

TEST_F(Polling, TheProcedureMayStopPollingItself) {
    std::atomic<int> calls{0};
    model().declareProcedure(L"Quit", {}, [&](const std::vector<molvo::ProcedureArgument>&) {
        ++calls;
        return StopPolling() + 5;  // a result that would go on polling
    });
    ASSERT_EQ(Poll(L"Quit", 10), 1);
    ASSERT_TRUE(idleUntil([&] { return calls >= 1; }));
    idleFor(milliseconds(150));
    EXPECT_EQ(calls, 1);
}

TEST_F(Polling, EveryStepIsLogged) {
    LogCapture log(::testing::TempDir() + "polling.log", "Ferrolink.PollHandler", log4cxx::Level::getTrace());
    std::atomic<int> calls{0};
    declareCounter(L"Tick", calls, [](int n) { return n < 2 ? 1 : 0; });
    ASSERT_EQ(Poll(L"Tick", 10), 1);
    ASSERT_TRUE(idleUntil([&] { return calls >= 2; }));
    idleFor(milliseconds(50));
    EXPECT_EQ(log.text(),
              "INFO - Adding polling procedure Tick with interval 10 ms\n"
              "TRACE - Calling logging procedure Tick\n"
              "TRACE - Calling logging procedure Tick\n"
              "TRACE - Polling procedure returned 0, stopping\n"
              "INFO - Removing polling procedure Tick\n");
}

TEST_F(Polling, UnloadWaitsForARunningCallAndEndsTheThread) {
    std::atomic<int> calls{0};
    std::atomic<bool> running{false}, finished{false}, released{false}, finishedFirst{false};
    model().declareProcedure(L"Slow", {}, [&](const std::vector<molvo::ProcedureArgument>&) {
        ++calls;
        running = true;
        std::this_thread::sleep_for(milliseconds(200));
        finished = true;
        return 1;
    });
    ASSERT_EQ(Poll(L"Slow", 10), 1);
    std::thread unloader([&] {
        while (!running) std::this_thread::sleep_for(milliseconds(1));
        releasePollHandler();
        finishedFirst = finished.load();
        released = true;
    });
    const bool done = idleUntil([&] { return released.load(); });
    unloader.join();
    ASSERT_TRUE(done);
    EXPECT_TRUE(finishedFirst);
    idleFor(milliseconds(100));
    EXPECT_EQ(calls, 1);
}

TEST_F(Polling, UnloadDoesNotWaitForABusyModel) {
    std::atomic<int> calls{0};
    declareCounter(L"Tick", calls);
    ASSERT_EQ(Poll(L"Tick", 600000), 1);
    std::this_thread::sleep_for(milliseconds(60));  // the thread now waits for control the model keeps
    const auto start = Clock::now();
    releasePollHandler();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));  // the interval is ten minutes
    idleFor(milliseconds(100));
    EXPECT_EQ(calls, 0);
    // A Poll after the unload path starts a handler anew.
    ASSERT_EQ(Poll(L"Tick", 600000), 1);
    EXPECT_TRUE(idleUntil([&] { return calls >= 1; }));
}

}  // namespace
}  // namespace flk::test

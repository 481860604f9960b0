// The frame of the library's own threads: host control taken with a time-out and released on every
// path, exceptions logged instead of ending the process, and guarded state checked for its lock.
#include "frame/guarded.hpp"
#include "frame/library_thread.hpp"
#include "support/host_fixture.hpp"
#include "support/log_capture.hpp"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

namespace flk::test {
namespace {

using LibraryThreadFrame = HostTest;

// Runs work on another thread while the model (this thread) is idle, until the work is done or
// ten seconds have passed; returns whether it finished.
template <class Work>
bool runWhileIdle(Work work) {
    std::atomic<bool> done{false};
    std::thread other([&] {
        work();
        done = true;
    });
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < until) molvo::idle(5);
    other.join();
    return done;
}

// Asks for control in turns of 20 ms, as the library's threads do, until the work ran or failed.
HostTurn turnWhenIdle(const std::function<void()>& work) {
    HostTurn turn = HostTurn::NoControl;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (turn == HostTurn::NoControl && std::chrono::steady_clock::now() < until)
        turn = runWithHost("TaskThread", Log::FLK, 20, work);
    return turn;
}

TEST_F(LibraryThreadFrame, NothingRunsWhileTheModelKeepsControl) {
    bool ran = false;
    HostTurn turn = HostTurn::Ran;
    std::thread other([&] { turn = runWithHost("TaskThread", Log::FLK, 20, [&] { ran = true; }); });
    other.join();
    EXPECT_EQ(turn, HostTurn::NoControl);
    EXPECT_FALSE(ran);
}

TEST_F(LibraryThreadFrame, WorkRunsWhileTheModelIsIdleWithTheThreadsCallContext) {
    HostTurn turn = HostTurn::NoControl;
    ASSERT_TRUE(runWhileIdle([&] { turn = turnWhenIdle([] { raiseError(std::string_view("late")); }); }));
    EXPECT_EQ(turn, HostTurn::Ran);
    EXPECT_EQ(errorTexts(), std::vector<std::wstring>{L"TaskThread: late"});
}

TEST_F(LibraryThreadFrame, AFailingWorkIsLoggedAndReleasesControl) {
    LogCapture log(::testing::TempDir() + "library_thread.log");
    HostTurn first = HostTurn::NoControl, second = HostTurn::NoControl;
    ASSERT_TRUE(runWhileIdle([&] { first = turnWhenIdle([] { throw std::runtime_error("broken"); }); }));
    // Control still held by the first thread (which has ended) would keep every later turn out.
    ASSERT_TRUE(runWhileIdle([&] { second = turnWhenIdle([] {}); }));
    EXPECT_EQ(first, HostTurn::Failed);
    EXPECT_EQ(second, HostTurn::Ran);
    EXPECT_NE(log.text().find("ERROR - TaskThread: broken"), std::string::npos) << log.text();
}

TEST(LibraryThread, AnExceptionLeavingTheBodyIsLoggedNotFatal) {
    LogCapture log(::testing::TempDir() + "library_thread_body.log");
    {
        LibraryThread thread;
        thread.start("PollThread", Log::FLK, [] { throw std::logic_error("loop fault"); });
    }
    EXPECT_NE(log.text().find("ERROR - PollThread: loop fault"), std::string::npos) << log.text();
}

TEST(LibraryThread, StoppingFromInsideItsOwnWorkDoesNotWaitForItself) {
    auto thread = std::make_unique<LibraryThread>();
    std::atomic<bool> startReturned{false}, stopped{false};
    LibraryThread* self = thread.get();
    thread->start("TaskThread", Log::FLK, [self, &startReturned, &stopped] {
        while (!startReturned) std::this_thread::yield();
        self->join();  // would be std::terminate (a thread joining itself) without the guard
        stopped = true;
    });
    startReturned = true;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!stopped && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(thread->started());
}

TEST(Guarded, ReachesItsValueThroughItsOwnLock) {
    Guarded<int> counter(41);
    auto lock = counter.lock();
    EXPECT_EQ(++counter.get(lock), 42);
}

#ifdef FLK_GUARDS_CHECKED
TEST(GuardedDeathTest, TouchingTheValueWithoutItsLockStopsTheProgram) {
    Guarded<int> counter(1), other(2);
    auto otherLock = other.lock();
    EXPECT_DEATH(counter.get(otherLock), "guarded state touched without its lock");
    Guarded<int>::Lock released = counter.lock();
    released.unlock();
    EXPECT_DEATH(counter.get(released), "guarded state touched without its lock");
}
#endif

}  // namespace
}  // namespace flk::test

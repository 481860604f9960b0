// bench_service: the service on loopback under wrk, a few seconds a run. GET on the echo servlet
// beside two bare servers answering the same bytes in the same run (cpp-httplib with the service's
// 16 workers, libmicrohttpd with a thread per connection as the web module runs it); task posts
// mixed with status reads; then both again while 200 hostile connections (stalled, dribbling and
// header-flooding clients) hold on to the server. Last, 200 clients post 10,000 tasks that the
// model answers at once, and every task is checked: run once, none lost, memory back after the
// tasks are deleted.
#include "ferrolink/ferrolink.h"
#include "molvo/model.hpp"
#include "quaynet/server_options.hpp"
#include "service/hostile_crowd.hpp"
#include "service/reference_echo.hpp"
#include "service/task_clients.hpp"
#include "service/task_model.hpp"
#include "service/wrk_runner.hpp"
#include "support/bench_measure.hpp"
#include "support/free_port.hpp"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using flk::bench::HostileCrowd;
using flk::bench::WrkFigures;

constexpr int kWorkers = 16;   // as the service's server
constexpr int kWrkSeconds = 3;
constexpr int kWrkConnections = 64;
constexpr int kEchoRounds = 2;
constexpr int kHostileConnections = 200;
// The crowd is in place this long before wrk starts, so that the server's head deadline (10 s)
// falls due for the first stalled and dribbling connections while wrk runs.
constexpr int kHostileHeadStartSeconds = 5;
constexpr double kHostileP99TargetMs = 20;
constexpr int kClients = 200;
constexpr int kTasksPerClient = 50;   // 10,000 in all
constexpr int kDeleters = 8;

// The service takes at most a quarter of the descriptor limit for its connections: the whole of
// the hard limit leaves it room for wrk's and the hostile crowd's.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

long descriptorLimit() {
    rlimit limit{};
    return getrlimit(RLIMIT_NOFILE, &limit) == 0 ? long(limit.rlim_cur) : 0;
}

long rssKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") return status >> value, value;
        status.ignore(4096, '\n');
    }
    return 0;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string url(int port, const char* path) { return "http://127.0.0.1:" + std::to_string(port) + path; }

WrkFigures wrk(const std::string& target, const std::string& script = std::string()) {
    return flk::bench::runWrk(target, kWrkConnections, kWrkSeconds, script);
}

// Tasks run only while the model yields.
WrkFigures wrkTasks(int port, const std::string& script) {
    WrkFigures figures;
    flk::bench::whileYielding([&] { figures = wrk(url(port, ""), script); });
    return figures;
}

// What a run of wrk saw, and the CPU time this process (the server under test: wrk runs apart)
// spent on each answer. The CPU time is the steadier figure on a machine shared with other work.
struct Measured {
    WrkFigures wrk;
    double cpuMicroseconds = 0;
};

Measured measure(const std::string& target) {
    const double start = flk::bench::cpuSeconds();
    Measured m{wrk(target)};
    if (m.wrk.requests > 0) m.cpuMicroseconds = (flk::bench::cpuSeconds() - start) * 1e6 / double(m.wrk.requests);
    return m;
}

void printFigures(const char* label, const WrkFigures& f, double cpuMicroseconds = 0) {
    std::printf("  %-30s %9.0f req/s   p99 %8.2f ms", label, f.requestsPerSecond, f.p99Ms);
    if (cpuMicroseconds > 0) std::printf("   CPU %6.1f us/request", cpuMicroseconds);
    if (!f.ran) std::printf("   (wrk did not run)");
    if (f.socketErrors > 0 || f.non2xx > 0) std::printf("   (%ld socket errors, %ld non-2xx answers)", f.socketErrors, f.non2xx);
    std::printf("\n");
}

double ratio(double ours, double reference) { return reference > 0 ? ours / reference : 0.0; }

void printRatio(const char* reference, const Measured& ours, const Measured& theirs, const char* target) {
    std::printf("  ferrolink/%-20s %9.2f req/s   p99 %8.2f      CPU %6.2f%s\n", reference,
                ratio(ours.wrk.requestsPerSecond, theirs.wrk.requestsPerSecond), ratio(ours.wrk.p99Ms, theirs.wrk.p99Ms),
                ratio(ours.cpuMicroseconds, theirs.cpuMicroseconds), target);
}

struct Calm {
    WrkFigures echo, tasks;
};

// The three servers take turns, kEchoRounds times, and each keeps its best run: a burst of other
// work on the machine then costs one server one run rather than its place in the comparison.
Calm measureCalm(int port, const std::string& taskScript) {
    auto httplib = flk::bench::startHttplibEcho(kWorkers);
    auto microhttpd = flk::bench::startMicrohttpdEcho();
    const std::string targets[] = {url(port, "/api/v1/echo/"), url(httplib->port(), "/api/v1/echo/"),
                                   url(microhttpd->port(), "/api/v1/echo/")};
    Measured best[3];
    for (int round = 0; round < kEchoRounds; ++round)
        for (int i = 0; i < 3; ++i) {
            Measured run = measure(targets[i]);
            if (run.wrk.requestsPerSecond >= best[i].wrk.requestsPerSecond) best[i] = run;
        }
    httplib.reset();
    microhttpd.reset();
    const WrkFigures tasks = wrkTasks(port, taskScript);
    std::printf("echo GET, wrk %d connections, %d s a run, the best of %d runs each:\n", kWrkConnections, kWrkSeconds, kEchoRounds);
    printFigures("ferrolink", best[0].wrk, best[0].cpuMicroseconds);
    printFigures("bare cpp-httplib (16 workers)", best[1].wrk, best[1].cpuMicroseconds);
    printFigures("bare libmicrohttpd", best[2].wrk, best[2].cpuMicroseconds);
    printRatio("cpp-httplib", best[0], best[1], "   (target: req/s at least 1)");
    printRatio("libmicrohttpd", best[0], best[2], "");
    std::printf("task POST + status GET:\n");
    printFigures("ferrolink", tasks);
    std::fflush(stdout);
    return Calm{best[0].wrk, tasks};
}

void printTally(const HostileCrowd::Tally& tally) {
    std::printf("  hostile connections made and closed by the server:\n");
    for (int k = 0; k < HostileCrowd::kKinds; ++k) {
        std::printf("    %-10s %5ld made, %5ld closed by the server", HostileCrowd::name(HostileCrowd::Kind(k)),
                    tally.connections[k], tally.closedByServer[k]);
        if (tally.closedByServer[k] > 0)
            std::printf(" after %.2f s on average, %ld of them answered first", tally.meanLifeSeconds[k], tally.answered[k]);
        if (tally.answered[k] > 0) std::printf(" (last status %d)", tally.lastStatus[k]);
        std::printf("\n");
    }
    std::printf("    %ld still open when the measurement ended\n", tally.openAtEnd);
}

void measureHostile(int port, const std::string& taskScript, const Calm& calm) {
    HostileCrowd crowd(port, kHostileConnections);
    std::this_thread::sleep_for(std::chrono::seconds(kHostileHeadStartSeconds));
    const WrkFigures echo = wrk(url(port, "/api/v1/echo/"));
    const WrkFigures tasks = wrkTasks(port, taskScript);
    const HostileCrowd::Tally tally = crowd.stop();
    std::printf("with %d hostile connections from 127.0.0.2-9 (stalled, dribbling, flooding in turn; %d s head start):\n",
                kHostileConnections, kHostileHeadStartSeconds);
    printFigures("ferrolink echo GET", echo);
    std::printf("  %-30s %9.2f of the calm req/s, p99 %.2f ms calm%s\n", "", ratio(echo.requestsPerSecond, calm.echo.requestsPerSecond),
                calm.echo.p99Ms, echo.p99Ms < kHostileP99TargetMs ? "   (p99 target: under 20 ms: met)" : "   (p99 target: under 20 ms: MISSED)");
    printFigures("ferrolink task POST + GET", tasks);
    std::printf("  %-30s %9.2f of the calm req/s, p99 %.2f ms calm\n", "", ratio(tasks.requestsPerSecond, calm.tasks.requestsPerSecond),
                calm.tasks.p99Ms);
    printTally(tally);
    std::fflush(stdout);
}

// Everything posted so far is deleted, so that the count starts from a clean service. Requests
// wrk left in flight may still arrive: they land, run and go with the rest.
void clearTasks(int port) {
    const auto start = std::chrono::steady_clock::now();
    std::size_t deleted = 0;
    for (int i = 0; i < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        while (YieldForAPIServiceTaskFunc(0) == 1) {
        }
        deleted += flk::bench::deleteListed(port, kDeleters);
    }
    std::printf("cleared the %zu tasks wrk posted in %.1f s (%d clients deleting)\n", deleted, secondsSince(start), kDeleters);
}

// Every task posted exists, ran once and is listed; an answer lost on its way back is counted apart.
bool countTasks(int port) {
    auto& log = flk::bench::modelLog();
    log = {};
    malloc_trim(0);
    const long before = rssKilobytes();
    flk::bench::PostTally posted;
    flk::bench::whileYielding([&] { posted = flk::bench::postTasks(port, kClients, kTasksPerClient); });
    const long holding = rssKilobytes();
    const std::size_t listed = flk::bench::listTaskIds(port).size();
    const std::size_t deleted = flk::bench::deleteListed(port, kDeleters);
    const std::size_t distinct = log.ids.size();
    const long runs = log.runs;
    log = {};
    malloc_trim(0);
    const long after = rssKilobytes();
    std::printf("%d clients posted %d tasks: %d answered \"finished\", %d answers lost; the service listed %zu tasks, "
                "the model ran %ld times, %zu distinct tasks; %zu deleted\n",
                kClients, kClients * kTasksPerClient, posted.finished, posted.failed, listed, runs, distinct, deleted);
    if (!posted.firstFailure.empty()) std::printf("first failure: %s\n", posted.firstFailure.c_str());
    std::printf("memory: %ld kB before the tasks, %ld kB holding them, %ld kB after deleting them (%+ld kB)\n", before,
                holding, after, after - before);
    const bool accounted = listed == std::size_t(kClients * kTasksPerClient) && listed == distinct && std::size_t(runs) == distinct;
    std::printf("every task accounted for (created, run once, listed): %s\n", accounted ? "yes" : "NO");
    return accounted;
}

}  // namespace

int main() {
    const auto start = std::chrono::steady_clock::now();
    raiseDescriptorLimit();
    // The clients run in this process: few malloc arenas keep their memory from hiding the service's.
    mallopt(M_ARENA_MAX, 2);
    molvo::beginModelRun();
    flk::bench::declareTaskModel();
    setenv("FERROLINK_SERVICE_HOST", "127.0.0.1", 1);
    InitService(QUAYNET_DIRECTORY);
    SetLoggerLevel(L"Ferrolink", L"error");
    SetLoggerLevel(L"Servlets", L"error");
    const auto data = std::filesystem::temp_directory_path() / ("bench-service-" + std::to_string(getpid()));
    std::filesystem::create_directories(data);
    const int port = flk::test::freePort();
    if (StartAPIService(port, 1, data.wstring().c_str(), molvo::model().handle(L"Services")) != 1) return 1;
    using quaynet::ServerLimits;
    std::printf("descriptor limit %ld: the service serves at most %zu connections\n", descriptorLimit(),
                std::min(ServerLimits::kDefaultMaxConnections, std::size_t(descriptorLimit()) / ServerLimits::kDescriptorShareDivisor));

    const std::string taskScript = flk::bench::writeTaskScript(data);
    const Calm calm = measureCalm(port, taskScript);
    measureHostile(port, taskScript, calm);
    clearTasks(port);
    const bool accounted = countTasks(port);
    StopAPIService();
    std::filesystem::remove_all(data);
    std::printf("whole run: %.0f s\n", secondsSince(start));
    return accounted ? 0 : 1;
}

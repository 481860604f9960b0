// 10,000 small GETs and 1,000 POSTs of 100 KB to a server in this process on a loopback port,
// 16 transfers at a time, through the client's exports: each request made, submitted, completed
// and called back into the model, its answer in a memory stream of its own. Beside it, in the
// same run against the same server, the same requests with libcurl's multi interface directly.
//
// Times are wall-clock (the transfers wait on sockets), each the best of three runs. Memory is
// the process's resident size after each run of ours: it stays flat when requests, their streams
// and their handles all go after their callbacks.
#include "client/raw_multi.hpp"
#include "ferrolink/ferrolink.h"
#include "molvo/model.hpp"
#include "molvo/molvo3.h"
#include "streams/memory_stream.hpp"
#include "support/bench_measure.hpp"

#include "support/loopback_http_server.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr int kRuns = 3;
constexpr int kGets = 10000, kPosts = 1000, kParallel = 16;   // FLK_BENCH_GETS, FLK_BENCH_POSTS change the counts
constexpr size_t kPostBytes = 100 * 1024;
// Each open connection holds a server thread until its keep-alive ends: room for both clients'.
constexpr int kServerThreads = 64;

class Server {
public:
    Server() {
        server_.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
        server_.Get("/small", [](const httplib::Request&, httplib::Response& r) { r.set_content(std::string(100, 's'), "text/plain"); });
        server_.Post("/upload", [](const httplib::Request& q, httplib::Response& r) {
            r.set_content(std::to_string(q.body.size()), "text/plain");
        });
        server_.start();
    }
    std::string url(const char* path) const { return server_.url(path); }

private:
    flk::test::LoopbackHttpServer server_;
};

double wallSeconds() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

int countFrom(const char* variable, int fallback) {
    const char* text = std::getenv(variable);
    return text ? std::atoi(text) : fallback;
}

int completed = 0, succeeded = 0;

// All requests through the exports; returns the seconds until the last callback ran.
double runOurs(const flk::bench::RequestMix& mix) {
    completed = succeeded = 0;
    double start = wallSeconds();
    for (int n = 0; n < mix.gets + mix.posts; ++n) {
        std::string id = "r" + std::to_string(n), response = "##" + id;
        bool post = n >= mix.gets;
        NewRequest(id.c_str(), (post ? mix.postUrl : mix.getUrl).c_str(), "OnDone", post ? "POST" : "GET", post ? "#body" : "",
                   response.c_str(), "");
        PerformRequest(id.c_str());
    }
    while (completed < mix.gets + mix.posts) WaitForResponses(1000);
    return wallSeconds() - start;
}

}  // namespace

int main() {
    molvo::beginModelRun();
    InitService(QUAYNET_DIRECTORY);   // bodies take their content type from the web module
    molvo::model().declareProcedure(L"OnDone", {MOLVO_ARG_INPUT_STRING, MOLVO_ARG_INPUT_NUMERIC, MOLVO_ARG_INPUT_NUMERIC},
                                    [](const std::vector<molvo::ProcedureArgument>& args) {
                                        ++completed;
                                        succeeded += args[1].number == 200 && args[2].number == 0;
                                        return 1;
                                    });
    Server server;
    flk::bench::RequestMix mix{server.url("/small"), server.url("/upload"), countFrom("FLK_BENCH_GETS", kGets),
                               countFrom("FLK_BENCH_POSTS", kPosts), std::string(kPostBytes, 'p'), kParallel};
    // The POST body: a memory stream of 100 KB, written once and sent by every POST.
    flk::MemoryStreams::create("#body");
    flk::MemoryStreams::get("#body")->assign(mix.postBody);
    SetParallelConnections(kParallel);

    std::vector<double> memory;
    double ours = flk::bench::bestOf(kRuns, [&] {
        double seconds = runOurs(mix);
        memory.push_back(flk::bench::residentMegabytes());
        return seconds;
    });
    int oursOk = succeeded;
    StopClient();   // its idle connections go, before the reference runs
    int rawOk = 0;
    double raw = flk::bench::bestOf(kRuns, [&] {
        double start = wallSeconds();
        rawOk = flk::bench::runRawMulti(mix);
        return wallSeconds() - start;
    });
    std::printf("client: %d GETs + %d POSTs of %zu KB, %d parallel, best of %d (wall time)\n", mix.gets, mix.posts, kPostBytes / 1024,
                kParallel, kRuns);
    std::printf("  ours (exports, callbacks, response streams) %.3f s  (%d of %d succeeded)\n", ours, oursOk, mix.gets + mix.posts);
    std::printf("  libcurl multi directly                      %.3f s  (%d of %d succeeded)\n", raw, rawOk, mix.gets + mix.posts);
    std::printf("  ratio ours / libcurl                        %.2f  (target 1.5)\n", ours / raw);
    std::printf("  resident memory after each run of ours      %.1f MB, %.1f MB, %.1f MB\n", memory[0], memory[1], memory[2]);
    return 0;
}

// The REST interface of the tasks over real HTTP on loopback, against the simulated model: the
// table of paths and answers, task life cycles, the task files and the yield exports.
#include "service/service_fixture.hpp"

namespace flk::test {
namespace {

using TasksRest = ServiceTest;

constexpr char kUnknownId[] = "00000000-0000-4000-8000-000000000000";

// Every row of the interface with the answer it gets; {id} is a queued task, {unknown} a
// well-formed id no task has.
TEST_F(TasksRest, EachPathAndMethodGetsItsAnswer) {
    ASSERT_EQ(start(), 1);
    struct Row {
        const char* method;
        const char* path;
        std::string body;
        long status;
    };
    const Row rows[] = {
        {"POST", "/api/v1/tasks/solve", "{}", 200},
        {"POST", "/api/v1/tasks/solve/", "{}", 200},
        {"POST", "/api/v1/tasks/nosuch", "{}", 404},
        {"POST", "/api/v1/tasks/wrong", "{}", 404},   // its procedure takes an argument: left out
        {"POST", "/api/v1/tasks/solve/extra", "{}", 403},
        {"GET", "/api/v1/tasks/", "", 200},
        {"GET", "/api/v1/tasks/{id}", "", 200},
        {"GET", "/api/v1/tasks/{id}/", "", 403},   // the read pattern has no trailing "/." after an id
        {"GET", "/api/v1/tasks/{unknown}", "", 404},
        {"GET", "/api/v1/tasks/{id}/response", "", 404},   // not written yet
        {"GET", "/api/v1/tasks/{id}/status", "", 404},
        {"GET", "/api/v1/tasks/{unknown}/response", "", 404},
        {"GET", "/api/v1/tasks/not-an-id", "", 403},
        {"GET", "/api/v1/tasks/response", "", 403},
        {"PUT", "/api/v1/tasks/{unknown}", "{\"setstatus\":\"interrupt-solve\"}", 404},
        {"PUT", "/api/v1/tasks/{id}", "{\"setstatus\":\"finish-now\"}", 405},
        {"PUT", "/api/v1/tasks/{id}", "{\"other\":1}", 405},
        {"PUT", "/api/v1/tasks/{id}", "not json", 400},
        {"PUT", "/api/v1/tasks/{id}", std::string(100000, '['), 413},
        {"PUT", "/api/v1/tasks/{id}", std::string(1000, '['), 400},
        {"PUT", "/api/v1/tasks/solve", "{}", 403},
        {"DELETE", "/api/v1/tasks/{unknown}", "", 404},
        {"DELETE", "/api/v1/tasks/solve", "", 403},
        {"PATCH", "/api/v1/tasks/{id}", "{}", 405},
        {"DELETE", "/api/v1/tasks/{id}", "", 200},
        {"GET", "/api/v1/tasks/{id}", "", 404},
    };
    const std::string id = post("solve");
    for (const Row& row : rows) {
        std::string path = row.path;
        if (auto at = path.find("{id}"); at != std::string::npos) path.replace(at, 4, id);
        if (auto at = path.find("{unknown}"); at != std::string::npos) path.replace(at, 9, kUnknownId);
        auto answer = call(row.method, path, row.body);
        EXPECT_EQ(answer.status, row.status) << row.method << " " << row.path << ": " << answer.body;
    }
}

TEST_F(TasksRest, AnEmptyServiceListsNoTasksAndAPostAnswersItsStatus) {
    ASSERT_EQ(start(), 1);
    auto none = call("GET", "/api/v1/tasks/");
    EXPECT_EQ(none.body, "[]");
    EXPECT_NE(none.headers.find("Content-Type: application/json"), std::string::npos);
    auto posted = call("POST", "/api/v1/tasks/solve?completionTimeout=0", "{\"x\":1}");
    EXPECT_EQ(member(posted.body, "status"), "queued");
    EXPECT_EQ(member(posted.body, "service"), "solve");
    EXPECT_EQ(member(posted.body, "id").size(), 36u);
    EXPECT_EQ(member(posted.body, "queuetime"), "");
    EXPECT_EQ(member(posted.body, "starttime").size(), 20u);
    const std::string id = member(posted.body, "id");
    EXPECT_EQ(readFile(data_ / id / "task.request"), "{\"x\":1}");
    auto all = call("GET", "/api/v1/tasks/");
    EXPECT_EQ(all.body.front(), '[');
    EXPECT_NE(all.body.find(id), std::string::npos);
}

// The executing thread runs a task while the model idles; the client waiting on
// completionTimeout gets "finished"; the model saw the task's attributes, headers and parameters.
TEST_F(TasksRest, ATaskRunsWhileTheModelIdlesAndItsClientWaitsForIt) {
    ASSERT_EQ(start(), 1);
    HttpAnswer answer;
    whileIdle([&] {
        answer = call("POST", "/api/v1/tasks/solve?completionTimeout=20000&completiontimeout=5&scenario=a", "body",
                      {"X-Trace: t1"});
    });
    ASSERT_EQ(answer.status, 200);
    EXPECT_EQ(member(answer.body, "status"), "finished") << answer.body;
    EXPECT_EQ(member(answer.body, "returncode"), "1");
    EXPECT_NE(member(answer.body, "runtime"), "");
    const std::string id = member(answer.body, "id");
    auto saw = seen();
    EXPECT_EQ(saw[L"procedure"], L"Solve");
    EXPECT_EQ(saw[L"id"], std::wstring(id.begin(), id.end()));
    EXPECT_EQ(std::filesystem::path(saw[L"request"]), data_ / id / "task.request");
    EXPECT_EQ(saw[L"par:scenario"], L"a");
    EXPECT_EQ(saw[L"par:completiontimeout"], L"5");
    EXPECT_EQ(saw.count(L"par:completionTimeout"), 0u);
    EXPECT_EQ(saw[L"hdr:X-Trace"], L"t1");
    EXPECT_EQ(model().card(L"flk::api::RequestAttrs"), 0u);   // emptied after the run
    EXPECT_EQ(call("GET", "/api/v1/tasks/" + id + "/response").body, "answer to Solve");
}

TEST_F(TasksRest, TheYieldRunsQueuedTasksOnTheModelsThread) {
    ASSERT_EQ(start(), 1);
    EXPECT_EQ(YieldForAPIServiceTaskFunc(0), 0);
    const std::string first = post("solve"), second = post("big");
    EXPECT_EQ(YieldForAPIServiceTaskFunc(0), 1);
    auto done = call("GET", "/api/v1/tasks/" + first);
    EXPECT_EQ(member(done.body, "status"), "finished");
    auto big = call("GET", "/api/v1/tasks/" + second);
    EXPECT_EQ(member(big.body, "status"), "finished with errors");   // 65536 has bits above the low 16
    EXPECT_EQ(member(big.body, "returncode"), "0");
    int result = -1;
    EXPECT_EQ(YieldForAPIServiceTask(30, &result), 1);
    EXPECT_EQ(result, 0);
    // A client that waits while the model yields gets its answer as soon as the task ran.
    HttpAnswer waited;
    std::thread client([&] { waited = call("POST", "/api/v1/tasks/solve?completionTimeout=20000", "{}"); });
    EXPECT_EQ(YieldForAPIServiceTaskFunc(20000), 1);
    client.join();
    EXPECT_EQ(member(waited.body, "status"), "finished");
}

TEST_F(TasksRest, ATaskInterruptedWhileQueuedNeverRuns) {
    ASSERT_EQ(start(), 1);
    const std::string id = post("solve");
    auto put = call("PUT", "/api/v1/tasks/" + id, "{\"setstatus\":\"interrupt-execution\"}");
    EXPECT_EQ(put.status, 200);
    EXPECT_EQ(member(put.body, "status"), "interrupted");
    EXPECT_EQ(member(put.body, "setstatus"), "interrupt-processed");
    EXPECT_EQ(YieldForAPIServiceTaskFunc(0), 0);
    EXPECT_TRUE(seen().empty());
}

// A running task: DELETE is refused, an interrupt reaches it through the host's interrupt check.
TEST_F(TasksRest, ARunningTaskIsInterruptedNotDeleted) {
    ASSERT_EQ(start(), 1);
    const std::string id = post("slow");
    HttpAnswer deleted, put;
    std::thread client([&] {
        while (!running_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        deleted = call("DELETE", "/api/v1/tasks/" + id);
        put = call("PUT", "/api/v1/tasks/" + id, "{\"setstatus\":\"interrupt-execution\"}");
    });
    EXPECT_EQ(YieldForAPIServiceTaskFunc(0), 1);
    client.join();
    EXPECT_EQ(deleted.status, 405);
    EXPECT_EQ(member(put.body, "setstatus"), "interrupt-execution");
    auto after = call("GET", "/api/v1/tasks/" + id);
    EXPECT_EQ(member(after.body, "status"), "interrupted");
    EXPECT_EQ(member(after.body, "setstatus"), "interrupt-processed");
}

// completionTimeout both ways, and a waiting client woken when its task is deleted or interrupted.
TEST_F(TasksRest, AWaitingClientIsLetGoByItsTimeOrByItsTaskEnding) {
    ASSERT_EQ(start(), 1);
    auto begin = std::chrono::steady_clock::now();
    auto timedOut = call("POST", "/api/v1/tasks/solve?completionTimeout=300", "{}");
    EXPECT_EQ(member(timedOut.body, "status"), "queued");
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(300));
    for (const char* ending : {"DELETE", "PUT"}) {
        const std::string id = post("solve");
        HttpAnswer waited;
        std::thread client([&] { waited = call("GET", "/api/v1/tasks/" + id + "?completionTimeout=30000"); });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        begin = std::chrono::steady_clock::now();
        call(ending, "/api/v1/tasks/" + id, "{\"setstatus\":\"interrupt-solve\"}");
        client.join();
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5)) << ending;
        EXPECT_EQ(waited.status, 200) << ending;
    }
}

TEST_F(TasksRest, StartAndStopAnswerForEveryState) {
    EXPECT_EQ(StopAPIService(), 0);
    // A port in use: 0 with an error naming it, and nothing left behind.
    int taken = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int busy = freePort();
    a.sin_port = htons(uint16_t(busy));
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    EXPECT_EQ(start(busy), 0);
    ASSERT_FALSE(errorTexts().empty());
    EXPECT_NE(errorTexts().back().find(L"StartAPIService: cannot listen on 127.0.0.1 port " + std::to_wstring(busy)), std::wstring::npos);
    ::close(taken);
    for (int bad : {0, -1, 65536, 70000}) {
        model().clearErrors();
        EXPECT_EQ(StartAPIService(bad, 1, data_.wstring().c_str(), model().handle(L"Services")), 0) << bad;
        ASSERT_EQ(errorTexts().size(), 1u);
        EXPECT_NE(errorTexts()[0].find(L"port " + std::to_wstring(bad)), std::wstring::npos);
    }
    EXPECT_EQ(start(), 1);
    const int first = port_;
    EXPECT_EQ(call("GET", "/api/v1/tasks/").status, 200);
    EXPECT_EQ(start(), 1);   // a second start changes nothing
    port_ = first;
    EXPECT_EQ(call("GET", "/api/v1/tasks/").status, 200);
    EXPECT_EQ(StopAPIService(), 1);
    EXPECT_EQ(StopAPIService(), 0);
    EXPECT_EQ(call("GET", "/api/v1/tasks/").status, 0);
    EXPECT_EQ(UninitializeFerrolink(), 1);
}

// StopAPIService from inside a task, on the executing thread and in a yield: it returns, the
// thread does not wait for itself, and nothing uses the released service afterwards.
TEST_F(TasksRest, ATaskMayStopTheServiceOnEitherThread) {
    ASSERT_EQ(start(), 1);
    post("stop");
    post("solve");
    EXPECT_EQ(YieldForAPIServiceTaskFunc(0), 1);
    EXPECT_EQ(seen()[L"procedure"], L"Stop");   // the second task did not run after the stop
    EXPECT_EQ(StopAPIService(), 0);
    ASSERT_EQ(start(), 1);
    HttpAnswer answer;
    whileIdle([&] { answer = call("POST", "/api/v1/tasks/stop?completionTimeout=20000", "{}"); });
    EXPECT_EQ(answer.status, 200);   // the stop lets the waiting client go
    EXPECT_EQ(seen()[L"procedure"], L"Stop");
    EXPECT_EQ(StopAPIService(), 0);
    EXPECT_EQ(start(), 1);
}

}  // namespace
}  // namespace flk::test

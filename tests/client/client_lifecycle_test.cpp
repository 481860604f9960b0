// The life of requests: ids, submission, closing, waiting, the callback thread, stopping.
#include "client/client_fixture.hpp"

#include <set>

namespace flk::test {
namespace {

TEST_F(ClientTest, IdsAreTheModelsOwn) {
    ASSERT_EQ(newRequest("r", "/echo"), 1);
    EXPECT_EQ(newRequest("r", "/status/404"), 0);
    EXPECT_EQ(PerformRequest("nope"), 0);
    EXPECT_EQ(CloseRequest("nope"), 0);
    EXPECT_EQ(errorTexts(), (std::vector<std::wstring>{L"NewRequest: Request already exists", L"PerformRequest: invalid map<K, T> key",
                                                       L"CloseRequest: invalid map<K, T> key"}));
    ASSERT_EQ(PerformRequest("r"), 1);   // the first request is the one that runs
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_EQ(completions_[0].code, 200);
    // After its callback the id is free again.
    EXPECT_EQ(CloseRequest("r"), 0);
    EXPECT_EQ(newRequest("r", "/echo"), 1);
}

TEST_F(ClientTest, ConstructionFailuresLeaveNothingBehind) {
    CreateStream("#taken");
    model().declareProcedure(L"TwoArguments", {MOLVO_ARG_INPUT_STRING, MOLVO_ARG_INPUT_NUMERIC},
                             [](const std::vector<molvo::ProcedureArgument>&) { return 1; });
    EXPECT_EQ(NewRequest("a", url("/echo").c_str(), "Missing", "GET", "", "", ""), 0);
    EXPECT_EQ(NewRequest("a", url("/echo").c_str(), "TwoArguments", "GET", "", "", ""), 0);
    EXPECT_EQ(newRequest("b", "/echo", "POST", "#nostream"), 0);
    EXPECT_EQ(newRequest("c", "/echo", "POST", file("nofile")), 0);
    EXPECT_EQ(newRequest("d", "/echo", "GET", "", "#taken"), 0);
    EXPECT_EQ(newRequest("e", "/echo", "GET", "", "#made", "#taken"), 0);
    EXPECT_EQ(errorTexts(), (std::vector<std::wstring>{
                                L"NewRequest: Callback procedure has wrong prototype",
                                L"NewRequest: Callback procedure has wrong prototype", L"NewRequest: Cannot open request memory stream",
                                L"NewRequest: Cannot open request file", L"NewRequest: Cannot create response memory stream",
                                L"NewRequest: Cannot create trace memory stream"}));
    EXPECT_FALSE(MemoryStreams::get("#made"));   // made by the failed request, gone with it
    for (const char* id : {"a", "b", "c", "d", "e"}) EXPECT_EQ(CloseRequest(id), 0) << id;
}

TEST_F(ClientTest, ARequestIsSubmittedOnceAndChangedOnlyBefore) {
    ASSERT_EQ(newRequest("r", "/slow?ms=300", "GET", "", "#out"), 1);
    ASSERT_EQ(PerformRequest("r"), 1);
    EXPECT_EQ(PerformRequest("r"), 0);
    EXPECT_EQ(AddHeader("r", "X-A", "1"), 0);
    EXPECT_EQ(AddIntOption("r", CURLOPT_TIMEOUT, 5), 0);
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_EQ(completions_[0].body, "slow");
    EXPECT_EQ(errorTexts().at(0), L"PerformRequest: Request r was submitted already");
}

TEST_F(ClientTest, AClosedRequestNeverCallsBackAndItsIdStartsAfresh) {
    ASSERT_EQ(newRequest("r", "/slow?ms=300"), 1);
    ASSERT_EQ(PerformRequest("r"), 1);
    ASSERT_EQ(CloseRequest("r"), 1);   // while it transfers
    ASSERT_EQ(newRequest("r", "/echo"), 1);   // made again, not submitted: it must not start
    EXPECT_EQ(WaitForResponses(800), 0);
    EXPECT_TRUE(completions_.empty());
    ASSERT_EQ(PerformRequest("r"), 1);
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
}

TEST_F(ClientTest, WaitingReturnsOneOnlyWhenACallbackRan) {
    EXPECT_EQ(WaitForResponses(0), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForResponses(300), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    ASSERT_EQ(newRequest("r", "/echo"), 1);
    ASSERT_EQ(PerformRequest("r"), 1);
    EXPECT_EQ(WaitForResponses(5000), 1);
    EXPECT_EQ(completions_.size(), 1u);
}

TEST_F(ClientTest, CallbacksRunOnTheClientsThreadWhileTheModelIsIdle) {
    ASSERT_EQ(newRequest("r", "/echo"), 1);
    ASSERT_EQ(PerformRequest("r"), 1);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (completions_.empty() && std::chrono::steady_clock::now() < until) molvo::idle(20);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_EQ(completions_[0].code, 200);
}

TEST_F(ClientTest, StopClientDropsTransfersAndTheNextClientStartsFresh) {
    ASSERT_EQ(SetParallelConnections(1), 1);
    for (const char* id : {"a", "b"}) {
        ASSERT_EQ(newRequest(id, "/slow?ms=500"), 1);
        ASSERT_EQ(PerformRequest(id), 1);
    }
    ASSERT_EQ(StopClient(), 1);
    EXPECT_EQ(WaitForResponses(700), 0);
    EXPECT_TRUE(completions_.empty());
    EXPECT_EQ(CloseRequest("a"), 0);
    // Fresh: sixteen at once again, so four slow requests end together.
    auto start = std::chrono::steady_clock::now();
    for (const char* id : {"c", "d", "e", "f"}) {
        ASSERT_EQ(newRequest(id, "/slow?ms=400"), 1);
        ASSERT_EQ(PerformRequest(id), 1);
    }
    collect(4);
    EXPECT_EQ(completions_.size(), 4u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(ClientTest, StopClientInsideACallbackStopsAfterIt) {
    duringCallback_ = [](const std::string&) { EXPECT_EQ(StopClient(), 1); };
    for (const char* id : {"a", "b"}) {
        ASSERT_EQ(newRequest(id, "/echo"), 1);
        ASSERT_EQ(PerformRequest(id), 1);
    }
    collect(1);
    EXPECT_EQ(WaitForResponses(300), 0);
    EXPECT_EQ(completions_.size(), 1u);   // the second callback never runs
    EXPECT_EQ(newRequest("c", "/echo"), 1);
}

TEST_F(ClientTest, ClosingARequestInsideItsCallbackIsHarmless) {
    duringCallback_ = [](const std::string& id) { EXPECT_EQ(CloseRequest(id.c_str()), 1); };
    ASSERT_EQ(newRequest("r", "/echo", "GET", "", "#out"), 1);
    ASSERT_EQ(PerformRequest("r"), 1);
    collect(1);
    EXPECT_EQ(completions_.size(), 1u);
    EXPECT_EQ(CloseRequest("r"), 0);
}

TEST_F(ClientTest, HundredsOfRequestsEachCompleteOnceWithTheirOwnAnswer) {
    constexpr int kRequests = 300;
    ASSERT_EQ(SetParallelConnections(4), 1);
    for (int i = 0; i < kRequests; ++i) {
        std::string id = "r" + std::to_string(i);
        ASSERT_EQ(newRequest(id, "/echo?n=" + std::to_string(i), "POST", "", "##" + id), 1) << errorsJoined();
        ASSERT_EQ(AddHeader(id.c_str(), "X-A", id.c_str()), 1);
        ASSERT_EQ(PerformRequest(id.c_str()), 1);
    }
    collect(kRequests);
    ASSERT_EQ(completions_.size(), size_t(kRequests));
    std::set<std::string> seen;
    for (const Completion& c : completions_) {
        EXPECT_TRUE(seen.insert(c.id).second) << c.id << " called back twice";
        EXPECT_NE(c.body.find("x-a=[" + c.id + "]"), std::string::npos) << c.body;
    }
}

TEST_F(ClientTest, TransferFailuresReachTheCallbackWithLibcurlsCode) {
    struct Case {
        const char* id;
        std::string url;
        int timeoutMs;   // 0: none
        int error;
    };
    const Case cases[] = {{"refused", "http://127.0.0.1:1/", 0, CURLE_COULDNT_CONNECT},
                          {"silent", url("/slow?ms=3000"), 200, CURLE_OPERATION_TIMEDOUT},
                          {"malformed", "http://[::1", 0, CURLE_URL_MALFORMAT},
                          {"unsupported", "gopherx://example/", 0, CURLE_UNSUPPORTED_PROTOCOL}};
    for (const Case& c : cases) {
        ASSERT_EQ(NewRequest(c.id, c.url.c_str(), "OnDone", "GET", "", "", ""), 1) << c.id;
        if (c.timeoutMs) {
            ASSERT_EQ(AddIntOption(c.id, CURLOPT_TIMEOUT_MS, c.timeoutMs), 1);
        }
        ASSERT_EQ(PerformRequest(c.id), 1);
    }
    collect(std::size(cases));
    ASSERT_EQ(completions_.size(), std::size(cases));
    for (const Case& c : cases)
        for (const Completion& done : completions_)
            if (done.id == c.id) {
                EXPECT_EQ(done.error, c.error) << c.id;
            }
    EXPECT_EQ(SetParallelConnections(0), 0);
}

}  // namespace
}  // namespace flk::test

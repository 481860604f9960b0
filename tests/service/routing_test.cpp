// Routing and the echo servlet over real HTTP, and what hostile requests get.
#include "service/service_fixture.hpp"

namespace flk::test {
namespace {

using Routing = ServiceTest;

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(Routing, TheEchoAnswersWithTheRequestsBodyAndHeadersButNotItsFraming) {
    ASSERT_EQ(start(), 1);
    auto echo = call("POST", "//api/v1/echo/?a=1", "hello", {"X-Echo: back", "Connection: keep-alive"});
    EXPECT_EQ(echo.status, 200);
    EXPECT_EQ(echo.body, "hello");
    EXPECT_NE(echo.headers.find("X-Echo: back"), std::string::npos);
    EXPECT_EQ(occurrences(echo.headers, "Content-Length"), 1u) << echo.headers;
    EXPECT_EQ(occurrences(echo.headers, "Connection"), 0u) << echo.headers;
    EXPECT_EQ(call("PATCH", "/api/v1/echo/x", "{}").status, 405);
    auto head = call("HEAD", "/api/v1/echo/x");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.empty());
    // The empty prefix takes every other path: the OAuth2 receiver, which wants a state.
    EXPECT_EQ(call("GET", "/api/v1/other").status, 404);
}

TEST_F(Routing, TheEchoDelayIsWaitedOnlyWhenItIsANumber) {
    ASSERT_EQ(start(), 1);
    for (const auto& [query, least, most] : {std::tuple{"delay=250", 250, 5000}, std::tuple{"delay=abc", 0, 200},
                                             std::tuple{"delay=-5", 0, 200}}) {
        auto begin = std::chrono::steady_clock::now();
        auto answer = call("POST", std::string("/api/v1/echo/?") + query, "b");
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin).count();
        EXPECT_EQ(answer.body, "b") << query;
        EXPECT_GE(took, least) << query;
        EXPECT_LT(took, most) << query;
    }
}

// Paths that climb out of the service's root, by "..", encoded dots or into a sibling whose name
// begins like the root's; invalid UTF-8; an over-long path; an oversized body. Each gets its
// refusal and the server goes on serving.
TEST_F(Routing, HostileRequestsAreRefusedAndTheServerGoesOn) {
    ASSERT_EQ(start(), 1);
    const std::string sibling = data_.filename().string() + "2";
    struct Row {
        std::string method, path, body;
        long status;
    };
    const Row rows[] = {
        {"GET", "/../api/v1/echo/", "", 400},
        {"GET", "/api/v1/../../../../etc/passwd", "", 400},
        {"GET", "/api/v1/%2e%2e/%2e%2e/%2E%2E/x", "", 400},
        {"GET", "/../" + sibling + "/api/v1/echo/", "", 400},
        {"POST", "/api/v1/tasks/..%2f..%2fsolve", "{}", 405},   // lands on "solve" at the root: no POST there
        {"GET", "/api/v1/tasks/%ff%fe", "", 403},
        {"GET", "/api/v1/tasks/" + std::string(6000, 'a'), "", 403},
        {"GET", "/api/v1/echo/" + std::string(6000, 'a'), "", 200},
        {"POST", "/api/v1/echo/", std::string(1048577, 'x'), 413},
        {"GET", "/api/v1/echo/\xff\xfe", "", 200},
    };
    for (const Row& row : rows) {
        auto answer = call(row.method, row.path, row.body, {"X-Odd: \xc3\x28"});
        EXPECT_EQ(answer.status, row.status) << row.method << " " << row.path.substr(0, 60);
    }
    EXPECT_EQ(call("GET", "/api/v1/tasks/").body, "[]");
}

TEST_F(Routing, ADataDirectoryWithATrailingSeparatorIsTheSameRoot) {
    port_ = freePort();
    ASSERT_EQ(StartAPIService(port_, 1, (data_.wstring() + L"/").c_str(), model().handle(L"Services")), 1);
    EXPECT_EQ(call("GET", "/api/v1/echo/").status, 200);
    const std::string id = post("solve");
    EXPECT_TRUE(std::filesystem::is_regular_file(data_ / id / "task.request"));
    EXPECT_EQ(call("GET", "/../" + data_.filename().string() + "/api/v1/echo/").status, 200);
    EXPECT_EQ(call("DELETE", "/api/v1/tasks/" + id).status, 200);
    EXPECT_FALSE(std::filesystem::exists(data_ / id));
}

}  // namespace
}  // namespace flk::test

// checkHead on its own. Over sockets the daemon refuses some heads before checkHead sees them (a
// single malformed length, one beyond 64 bits); here checkHead is held to the same answers, so
// that it stays a whole check wherever the daemon's stops. It also reports the announced length.
#include "request_head.hpp"

#include <gtest/gtest.h>

#include <optional>

namespace quaynet {
namespace {

struct HeadCase {
    const char* name;
    Fields headers;
    int refusal;
    std::optional<uint64_t> announced;
};

const HeadCase kCases[] = {
    {"no framing", {{"Host", "x"}}, 0, std::nullopt},
    {"a length at the body limit", {{"Content-Length", "1000"}}, 0, 1000},
    {"a length over the body limit", {{"content-length", "1001"}}, 413, 1001},
    {"a length beyond 64 bits", {{"Content-Length", "99999999999999999999999"}}, 413, UINT64_MAX},
    {"a length with blanks around it", {{"Content-Length", " 7\t"}}, 0, 7},
    {"the same length twice", {{"Content-Length", "5"}, {"Content-Length", "5"}}, 0, 5},
    {"a length that is not a number", {{"Content-Length", "abc"}}, 400, std::nullopt},
    {"an empty length", {{"Content-Length", ""}}, 400, std::nullopt},
    {"a list of lengths", {{"Content-Length", "5, 5"}}, 400, std::nullopt},
    {"lengths that differ", {{"Content-Length", "5"}, {"Content-Length", "6"}}, 400, std::nullopt},
    {"a malformed length after a valid one", {{"Content-Length", "5"}, {"Content-Length", "x"}}, 400, std::nullopt},
    {"chunked", {{"Transfer-Encoding", "chunked"}}, 0, std::nullopt},
    {"chunked and a length", {{"Transfer-Encoding", "chunked"}, {"Content-Length", "5"}}, 400, std::nullopt},
    {"chunked twice", {{"Transfer-Encoding", "chunked"}, {"Transfer-Encoding", "chunked"}}, 501, std::nullopt},
    {"chunked with a blank after it", {{"Transfer-Encoding", "chunked "}}, 501, std::nullopt},
    {"an empty coding", {{"Transfer-Encoding", ""}}, 501, std::nullopt},
    {"a name with a blank", {{"Content-Length ", "5"}}, 400, std::nullopt},
    {"a name with a tab", {{"X\tY", "1"}}, 400, std::nullopt},
    {"an empty name", {{"", "1"}}, 400, std::nullopt},
    {"a name of every token symbol", {{"!#$%&'*+-.^_`|~09azAZ", "1"}}, 0, std::nullopt},
    {"a name with a non-ASCII byte", {{"X-\xC3\xA9", "1"}}, 400, std::nullopt},
    {"a length folded into its name", {{"Content-Length0", "5"}}, 400, std::nullopt},
    {"a coding folded into its name", {{"transfer-encodingX", "chunked"}}, 400, std::nullopt},
    {"a name that only begins like a length", {{"Content-Lengt", "5"}}, 0, std::nullopt},
    {"a bare CR in a value", {{"X-A", "a\rContent-Length: 5"}}, 400, std::nullopt},
    {"a tab and other bytes in a value", {{"X-A", "a\tb\x7f\xC3\xA9"}}, 0, std::nullopt},
};

ServerLimits smallHead() {
    ServerLimits limits;
    limits.maxHeaderCount = 3;
    limits.maxHeaderBytes = 20;
    return limits;
}

TEST(CheckHead, EachCaseGetsItsVerdict) {
    for (const HeadCase& c : kCases) {
        const HeadVerdict verdict = checkHead(c.headers, ServerLimits(), 1000);
        EXPECT_EQ(verdict.refusal, c.refusal) << c.name;
        if (c.refusal == 0 || c.refusal == 413) {
            EXPECT_EQ(verdict.announced, c.announced) << c.name;
        }
    }
}

// Header lines and their bytes (names and values) are bounded before anything in them is read.
TEST(CheckHead, HeadsOverTheirBoundsAre431) {
    const std::pair<Fields, int> cases[] = {
        {{{"A", "1"}, {"B", "2"}, {"C", "3"}}, 0},
        {{{"A", "1"}, {"B", "2"}, {"C", "3"}, {"D", "4"}}, 431},
        {{{"Name", "sixteen bytes..."}}, 0},
        {{{"Name", "seventeen bytes.."}}, 431},
        {{{"Transfer-Encoding", "gzip"}, {"X", "1"}}, 431},
    };
    for (const auto& [headers, refusal] : cases)
        EXPECT_EQ(checkHead(headers, smallHead(), 1000).refusal, refusal) << headers.size() << " " << headers[0].second;
}

}  // namespace
}  // namespace quaynet

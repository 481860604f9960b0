// The bounds on what one request may hold: header lines and their bytes, the connection's working
// memory, and the body. Each case sends exact bytes on a raw connection with the small limits of
// LoopbackServer; a refused request is followed by one that must not be answered.
#include "loopback.hpp"

#include <curl/curl.h>

#include <algorithm>

namespace quaynet_test {
namespace {

const std::string kLast = "GET /last HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
const std::string kSmuggled = "GET /smuggled HTTP/1.1\r\nHost: x\r\n\r\n";

// A GET whose head has `lines` header lines (Host among them) and `bytes` bytes of names and values.
std::string headOf(std::size_t lines, std::size_t bytes) {
    std::string head = "GET /h HTTP/1.1\r\nHost: x\r\n";
    std::size_t used = 5;   // "Host" and "x"
    for (std::size_t i = 2; i < lines; ++i, used += 4) head += "X-" + std::to_string(i % 10) + ": v\r\n";
    if (lines > 1) head += "X-Fill: " + std::string(bytes - used - 6, 'f') + "\r\n";
    return head + "\r\n";
}

std::string sized(const std::string& body) {
    return "POST /b HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string chunked(std::size_t chunks, std::size_t chunkSize) {
    std::string request = "POST /c HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", chunkSize);
    for (std::size_t i = 0; i < chunks; ++i) request += size + std::string(chunkSize, 'c') + "\r\n";
    return request + "0\r\n\r\n";
}

struct LimitCase {
    const char* name;
    std::string request;
    std::vector<std::string> answers;   // "STATUS body size" from the servlet, or a bare status
};

// maxHeaderCount 10, maxHeaderBytes 512, connectionMemoryBytes 4096, maxRequestBytes 1000.
const LimitCase kCases[] = {
    {"header lines at the limit", headOf(10, 100) + kLast, {"200 0", "200 0"}},
    {"header lines over the limit", headOf(11, 100) + kSmuggled, {"431"}},
    {"header bytes at the limit", headOf(3, 512) + kLast, {"200 0", "200 0"}},
    {"header bytes over the limit", headOf(3, 513) + kSmuggled, {"431"}},
    {"a head beyond the connection's memory", headOf(3, 6000) + kSmuggled, {"431"}},
    {"a request line beyond the connection's memory", "GET /" + std::string(6000, 'u') + " HTTP/1.1\r\n\r\n" + kSmuggled,
     {"414"}},
    {"a body at the limit", sized(std::string(1000, 'b')) + kLast, {"200 1000", "200 0"}},
    {"a body over the limit", sized(std::string(1001, 'b')) + kSmuggled, {"413"}},
    // The length alone is enough: the client need not send what it announced to hear the answer.
    {"a length over the limit, no body sent", "POST /b HTTP/1.1\r\nHost: x\r\nContent-Length: 5000000000\r\n\r\n", {"413"}},
    {"a length beyond 64 bits", "POST /b HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999999999999999999\r\n\r\n", {"413"}},
    {"chunks at the limit", chunked(4, 250) + kLast, {"200 1000", "200 0"}},
    {"chunks over the limit", chunked(7, 143) + kSmuggled, {"413"}},
    // Sent whole before the client reads: the rest is drained so that the answer can be read.
    {"megabytes of chunks over the limit", chunked(48, 65536) + kSmuggled, {"413"}},
    {"a chunk size beyond 64 bits", "POST /c HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n11111111111111111111\r\n",
     {"413"}},
};

class RequestLimits : public LoopbackServer {};

TEST_F(RequestLimits, EachCaseIsServedOrRefusedAtItsLimit) {
    serve([](quaynet::IHTTPRequest& in, quaynet::IHTTPResponse& out) { out.send(200, std::to_string(in.body().size())); });
    for (const LimitCase& c : kCases) {
        const int callsBefore = servlet_->calls;
        const RawReply reply = roundTrip(port_, c.request);
        std::vector<std::string> seen;
        for (const Answer& answer : answersIn(reply.bytes))
            seen.push_back(std::to_string(answer.status) + (answer.status == 200 ? " " + answer.body : ""));
        int served = 0;
        for (const std::string& expected : c.answers) served += expected.size() > 3;
        EXPECT_EQ(seen, c.answers) << c.name << "\n" << reply.bytes.substr(0, 300);
        EXPECT_TRUE(reply.closed) << c.name << ": the connection was left open";
        EXPECT_EQ(servlet_->calls - callsBefore, served) << c.name;
    }
}

// What a real client that asks before it sends (Expect: 100-continue) was told, and how much of
// its body it was asked for.
struct AskedFirst {
    std::size_t size = 0;   // the body's length, announced in the head
    std::size_t sent = 0;   // how much of it the client was asked for
    long status = 0;
    std::string body;
};

std::size_t giveBody(char* buffer, std::size_t unit, std::size_t count, void* out) {
    auto& outcome = *static_cast<AskedFirst*>(out);
    const std::size_t piece = std::min(unit * count, outcome.size - outcome.sent);
    std::fill(buffer, buffer + piece, 'a');
    outcome.sent += piece;
    return piece;
}

std::size_t takeAnswer(char* data, std::size_t unit, std::size_t count, void* out) {
    static_cast<AskedFirst*>(out)->body.append(data, unit * count);
    return unit * count;
}

AskedFirst postAskingFirst(int port, std::size_t size) {
    AskedFirst outcome;
    outcome.size = size;
    CURL* curl = curl_easy_init();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/asked";
    curl_slist* fields = curl_slist_append(nullptr, "Expect: 100-continue");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, fields);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(size));
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, giveBody);
    curl_easy_setopt(curl, CURLOPT_READDATA, &outcome);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, takeAnswer);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &outcome);
    // Longer than the test may take: a client that had to wait this long would send its body anyway.
    curl_easy_setopt(curl, CURLOPT_EXPECT_100_TIMEOUT_MS, 60000L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &outcome.status);
    curl_slist_free_all(fields);
    curl_easy_cleanup(curl);
    return outcome;
}

// Told to go on with a body within the limit; told 413 before sending one over it.
TEST_F(RequestLimits, AClientThatAsksFirstHearsTheVerdictBeforeSending) {
    serve([](quaynet::IHTTPRequest& in, quaynet::IHTTPResponse& out) { out.send(200, std::to_string(in.body().size())); });
    const std::size_t sizes[] = {1000, 1001, 5000000};
    for (std::size_t size : sizes) {
        const AskedFirst outcome = postAskingFirst(port_, size);
        const bool fits = size <= 1000;
        EXPECT_EQ(outcome.status, fits ? 200 : 413) << size;
        EXPECT_EQ(outcome.sent, fits ? size : 0) << size;
        if (fits) {
            EXPECT_EQ(outcome.body, std::to_string(size));
        }
    }
    EXPECT_EQ(servlet_->calls, 1);
}

}  // namespace
}  // namespace quaynet_test

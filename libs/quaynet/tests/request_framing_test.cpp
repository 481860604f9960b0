// How requests are framed on the wire: where a body ends, which framings are refused, and that the
// bytes after a request are read as the next request. Each case writes exact bytes in one send on a
// raw connection. A refused request is followed by one that must not be answered: once a request's
// framing is in doubt, nothing after it can be told apart from its body, so the connection must end.
#include "loopback.hpp"

#include <httplib.h>

namespace quaynet_test {
namespace {

// Ends a case whose requests are all served: its answer shows that the bytes before it were framed
// as they should be, and it asks the server to close so that the case need not wait.
const std::string kLast = "GET /last HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
const char* const kLastAnswer = "200 GET /last []";
// Follows a refused request; an answer to it would mean the server read on after a refusal.
const std::string kSmuggled = "GET /smuggled HTTP/1.1\r\nHost: x\r\n\r\n";

std::string post(const std::string& method, const std::string& fields, const std::string& body) {
    return method + " /b HTTP/1.1\r\nHost: x\r\n" + fields + "\r\n" + body;
}

std::string sized(const std::string& target, const std::string& fields, const std::string& body) {
    return "POST " + target + " HTTP/1.1\r\nHost: x\r\n" + fields + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

struct FramingCase {
    const char* name;
    std::string request;
    // Each answer as "STATUS what the echo servlet saw", or a bare status for a refusal.
    std::vector<std::string> answers;
};

const FramingCase kCases[] = {
    // Bodies go with every method, and only where a length or chunked coding says.
    {"GET with a body", post("GET", "Content-Length: 5\r\n", "hello") + kLast, {"200 GET /b [hello]", kLastAnswer}},
    {"DELETE with a body", post("DELETE", "Content-Length: 5\r\n", "hello") + kLast, {"200 DELETE /b [hello]", kLastAnswer}},
    {"POST without a length has no body", post("POST", "", "") + kLast, {"200 POST /b []", kLastAnswer}},
    {"PUT without a length has no body", post("PUT", "", "") + kLast, {"200 PUT /b []", kLastAnswer}},
    {"PATCH without a length has no body", post("PATCH", "", "") + kLast, {"200 OTHER /b []", kLastAnswer}},
    {"a zero length", post("POST", "Content-Length: 0\r\n", "") + kLast, {"200 POST /b []", kLastAnswer}},
    {"the same length twice", post("POST", "Content-Length: 5\r\nContent-Length: 5\r\n", "hello") + kLast,
     {"200 POST /b [hello]", kLastAnswer}},
    {"chunked with an extension and a trailer",
     post("POST", "Transfer-Encoding: chunked\r\n", "5;ext=1\r\nhello\r\n6\r\n world\r\n0\r\nX-Trailer: t\r\n\r\n") + kLast,
     {"200 POST /b [hello world]", kLastAnswer}},
    {"chunked in capitals", post("PUT", "Transfer-Encoding: CHUNKED\r\n", "3\r\nabc\r\n0\r\n\r\n") + kLast,
     {"200 PUT /b [abc]", kLastAnswer}},
    {"pipelined requests in one send",
     post("POST", "Content-Length: 3\r\n", "abc") + "GET /2 HTTP/1.1\r\nHost: x\r\n\r\n" +
         post("PUT", "Transfer-Encoding: chunked\r\n", "2\r\nde\r\n0\r\n\r\n") + post("DELETE", "Content-Length: 1\r\n", "f") +
         kLast,
     {"200 POST /b [abc]", "200 GET /2 []", "200 PUT /b [de]", "200 DELETE /b [f]", kLastAnswer}},
    // Form bodies are bodies like any other: whole and unparsed, the query string apart.
    {"a form-encoded body",
     sized("/f?q=1", "Content-Type: application/x-www-form-urlencoded\r\n", "a=1&b=%20x+y") + kLast,
     {"200 POST /f?q=1 [a=1&b=%20x+y]", kLastAnswer}},
    {"a multipart body",
     sized("/b", "Content-Type: multipart/form-data; boundary=XX\r\n",
           "--XX\r\nContent-Disposition: form-data; name=a\r\n\r\n1\r\n--XX--") + kLast,
     {"200 POST /b [--XX\r\nContent-Disposition: form-data; name=a\r\n\r\n1\r\n--XX--]", kLastAnswer}},
    {"a range is not served as one", "GET /r HTTP/1.1\r\nHost: x\r\nRange: bytes=0-1\r\n\r\n" + kLast,
     {"200 GET /r []", kLastAnswer}},

    // A length that is not one number leaves the body's end unknown.
    {"a length that is not a number", post("POST", "Content-Length: abc\r\n", "abc") + kSmuggled, {"400"}},
    {"an empty length", post("POST", "Content-Length:\r\n", "") + kSmuggled, {"400"}},
    {"a list of lengths", post("POST", "Content-Length: 5, 6\r\n", "hello!") + kSmuggled, {"400"}},
    {"a signed length", post("POST", "Content-Length: +5\r\n", "hello") + kSmuggled, {"400"}},
    {"a negative length", post("POST", "Content-Length: -1\r\n", "") + kSmuggled, {"400"}},
    {"two lengths that differ", post("POST", "Content-Length: 5\r\nContent-Length: 6\r\n", "hello!") + kSmuggled, {"400"}},
    {"a valid length then a malformed one", post("POST", "Content-Length: 5\r\nContent-Length: x\r\n", "hello") + kSmuggled,
     {"400"}},
    {"a space before the colon of a length", post("POST", "Content-Length : 5\r\n", "hello") + kSmuggled, {"400"}},
    // An obsolete line folding on a framing field (the daemon reads the next line into its name).
    {"a length folded onto a second line", post("POST", "Content-Length: 5\r\n 0\r\n", "hello") + kSmuggled, {"400"}},
    {"a coding folded onto a second line", post("POST", "Transfer-Encoding: chunked\r\n x\r\n", "0\r\n\r\n") + kSmuggled,
     {"400"}},
    {"a bare CR in a field value", post("POST", "X-A: a\rContent-Length: 5\r\n", "hello") + kSmuggled, {"400"}},
    // Both framings at once is the shape of request smuggling.
    {"chunked and a length", post("POST", "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n", "0\r\n\r\n") + kSmuggled,
     {"400"}},
    {"a length and chunked", post("POST", "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n", "0\r\n\r\n") + kSmuggled,
     {"400"}},
    {"an unknown coding", post("POST", "Transfer-Encoding: gzip\r\n", "abc") + kSmuggled, {"501"}},
    {"a coding beneath chunked", post("POST", "Transfer-Encoding: gzip, chunked\r\n", "0\r\n\r\n") + kSmuggled, {"501"}},
    {"chunked on a second line", post("POST", "Transfer-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n", "0\r\n\r\n") +
                                     kSmuggled,
     {"501"}},
    {"chunked with a space after it", post("POST", "Transfer-Encoding: chunked \r\n", "0\r\n\r\n") + kSmuggled, {"501"}},
    {"a chunk size that is not hexadecimal", post("POST", "Transfer-Encoding: chunked\r\n", "zz\r\nab\r\n0\r\n\r\n") + kSmuggled,
     {"400"}},
};

class RequestFraming : public LoopbackServer {};

TEST_F(RequestFraming, EachCaseIsAnsweredAsFramedAndRefusalsEndTheConnection) {
    serve(echo);
    for (const FramingCase& c : kCases) {
        const int callsBefore = servlet_->calls;
        const RawReply reply = roundTrip(port_, c.request);
        const std::vector<Answer> answers = answersIn(reply.bytes);
        std::vector<std::string> seen;
        int served = 0;
        for (std::size_t i = 0; i < answers.size(); ++i) {
            const bool bare = i < c.answers.size() && c.answers[i].size() == 3;
            seen.push_back(std::to_string(answers[i].status) + (bare ? "" : " " + answers[i].body));
        }
        for (const std::string& expected : c.answers) served += expected.size() > 3;
        EXPECT_EQ(seen, c.answers) << c.name << "\n" << reply.bytes;
        EXPECT_TRUE(reply.closed) << c.name << ": the connection was left open";
        EXPECT_EQ(servlet_->calls - callsBefore, served) << c.name;
    }
}

// Real clients build form bodies themselves (a multipart boundary of their own choosing); the
// servlet gets them whole and unparsed, and they count against the size limit like any body.
TEST_F(RequestFraming, FormsFromARealClientArriveWholeAndUnparsed) {
    serve([](quaynet::IHTTPRequest& in, quaynet::IHTTPResponse& out) {
        out.send(200, std::to_string(in.queryParameters().size()) + " " + in.header("Content-Type") + "\n" + in.body());
    });
    httplib::Client client("127.0.0.1", port_);
    auto encoded = client.Post("/f", httplib::Params{{"a", "1"}, {"b", "x y"}});
    ASSERT_TRUE(encoded);
    EXPECT_EQ(encoded->body, "0 application/x-www-form-urlencoded\na=1&b=x%20y");
    auto multipart = client.Post("/m", httplib::MultipartFormDataItems{{"file", std::string(300, 'z'), "z.txt", "text/plain"}});
    ASSERT_TRUE(multipart);
    EXPECT_EQ(multipart->body.rfind("0 multipart/form-data; boundary=", 0), 0u) << multipart->body;
    EXPECT_NE(multipart->body.find("filename=\"z.txt\"\r\nContent-Type: text/plain\r\n\r\n" + std::string(300, 'z') + "\r\n--"),
              std::string::npos)
        << multipart->body;
    auto tooLarge = client.Post("/f", httplib::Params{{"a", std::string(1000, 'a')}});
    ASSERT_TRUE(tooLarge);
    EXPECT_EQ(tooLarge->status, 413);
    EXPECT_EQ(servlet_->calls, 2);
}

}  // namespace
}  // namespace quaynet_test

// Requests through the real exports against the loopback server: bodies from files and streams,
// methods, response destinations, headers and traces.
#include "client/client_fixture.hpp"

namespace flk::test {
namespace {

struct BodyCase {
    const char* title;
    const char* method;
    const char* source;   // "" none, "file", "#stream"
    const char* answer;   // the server's echo of the request
};

const BodyCase kBodies[] = {
    {"GET sends no body and no content type", "GET", "",
     "method=GET\nlength=0\ncontent-type=\nbody="},
    {"POST sends the request file with the content type of its extension", "POST", "file",
     "method=POST\nlength=7\ncontent-type=application/json\nbody=payload"},
    {"POST sends a stream from its start to its write position", "POST", "#body",
     "method=POST\nlength=7\ncontent-type=application/octet-stream\nbody=payload"},
    {"POST without a request file sends an empty body, not standard input", "POST", "",
     "method=POST\nlength=0\ncontent-type=application/x-www-form-urlencoded\nbody="},
    {"PUT sends the request file", "PUT", "file", "method=PUT\nlength=7\ncontent-type=application/json\nbody=payload"},
    {"PUT without a request file sends an empty body", "PUT", "", "method=PUT\nlength=0\ncontent-type=\nbody="},
    {"a custom method keeps its body", "PATCH", "#body", "method=PATCH\nlength=7\ncontent-type=application/octet-stream\nbody=payload"},
    {"DELETE is sent by its name", "DELETE", "", "method=DELETE\nlength=0\ncontent-type=\nbody="},
};

class ClientBodies : public ClientTest, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(ClientBodies, ReachTheServer) {
    const BodyCase& c = GetParam();
    std::string source = c.source;
    if (source == "file") writeFile(source = file("body.json"), "payload");
    if (source == "#body") {
        fillStream(source, "payload");
        MemoryStreams::get(source)->stream().get();   // a read position elsewhere changes nothing
    }
    ASSERT_EQ(newRequest("r", "/echo", c.method, source, "#out"), 1) << errorsJoined();
    if (source == "#body") MemoryStreams::get(source)->stream() << "";   // nothing written after submission counts
    ASSERT_EQ(PerformRequest("r"), 1) << errorsJoined();
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_EQ(completions_[0].code, 200);
    EXPECT_EQ(completions_[0].error, 0);
    EXPECT_EQ(completions_[0].body, c.answer);
}

struct BodyTitle {
    std::string operator()(const ::testing::TestParamInfo<BodyCase>& param) const {
        std::string name = param.param.title;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    }
};

INSTANTIATE_TEST_SUITE_P(Client, ClientBodies, ::testing::ValuesIn(kBodies), BodyTitle());

TEST_F(ClientTest, HeadEndsWithTheHeaders) {
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(newRequest("r", "/big?bytes=100000", "HEAD", "", "#out"), 1) << errorsJoined();
    ASSERT_EQ(PerformRequest("r"), 1);
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_EQ(completions_[0].error, 0);
    EXPECT_EQ(completions_[0].body, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(ClientTest, ResponseFilesAppearWholeOnlyWithABody) {
    std::string big = file("big.bin"), empty = file("empty.bin");
    writeFile(empty, "kept");
    ASSERT_EQ(newRequest("big", "/big?bytes=3000000", "GET", "", big), 1) << errorsJoined();
    ASSERT_EQ(newRequest("none", "/empty", "GET", "", empty), 1) << errorsJoined();
    ASSERT_EQ(PerformRequest("big"), 1);
    ASSERT_EQ(PerformRequest("none"), 1);
    collect(2);
    ASSERT_EQ(completions_.size(), 2u);
    EXPECT_EQ(readFile(big), std::string(3000000, 'x'));
    EXPECT_EQ(readFile(empty), "kept");   // a response without a body leaves the file alone
}

TEST_F(ClientTest, AResponseFileThatCannotBeWrittenFailsTheTransfer) {
    ASSERT_EQ(newRequest("r", "/echo", "GET", "", file("missing/dir/out.txt")), 1) << errorsJoined();
    ASSERT_EQ(PerformRequest("r"), 1);
    collect(1);
    ASSERT_EQ(completions_.size(), 1u);
    EXPECT_EQ(completions_[0].error, CURLE_WRITE_ERROR);
}

TEST_F(ClientTest, RequestStreamsNamedWithTwoSignsGoWithTheRequest) {
    ASSERT_EQ(newRequest("own", "/echo", "GET", "", "##out", "##trace"), 1) << errorsJoined();
    ASSERT_EQ(newRequest("kept", "/echo", "GET", "", "#out", "#trace"), 1) << errorsJoined();
    ASSERT_EQ(PerformRequest("own"), 1);
    ASSERT_EQ(PerformRequest("kept"), 1);
    collect(2);
    ASSERT_EQ(completions_.size(), 2u);
    EXPECT_FALSE(MemoryStreams::get("##out"));
    EXPECT_FALSE(MemoryStreams::get("##trace"));
    ASSERT_TRUE(MemoryStreams::get("#trace"));
    std::string trace = MemoryStreams::get("#trace")->contents();
    EXPECT_NE(trace.find("=> Send header, "), std::string::npos) << trace;
    EXPECT_NE(trace.find("<= Recv data, "), std::string::npos) << trace;
    EXPECT_NE(MemoryStreams::get("#out")->contents().find("method=GET"), std::string::npos);
}

TEST_F(ClientTest, HeadersGoOutAsGivenAndComeBackByName) {
    // The server's library drops empty headers, so what was sent is read from the trace.
    ASSERT_EQ(newRequest("empty", "/echo?n=1", "GET", "", "#a", "#sent"), 1);
    ASSERT_EQ(AddHeader("empty", "X-A", ""), 1);
    ASSERT_EQ(newRequest("full", "/echo?n=2", "GET", "", "#b"), 1);
    ASSERT_EQ(AddHeader("full", "X-A", "1"), 1);
    molvo::SetDeclaration names;
    names.indices = {L"h"};
    model().declareSet(L"HeaderNames", names);
    model().declareParameter(L"Headers", molvo::ParameterDeclaration{{L"h"}, molvo::Storage::String, std::wstring(), L""});
    int headers = 0;
    ASSERT_EQ(MolvoIdentifierHandleCreateW(L"Headers", nullptr, nullptr, 0, &headers), 1);
    duringCallback_ = [&](const std::string& id) {
        if (id == "full") {
            EXPECT_EQ(GetResponseHeaders("full", headers), 1) << errorsJoined();
        }
    };
    ASSERT_EQ(PerformRequest("empty"), 1);
    ASSERT_EQ(PerformRequest("full"), 1);
    collect(2);
    ASSERT_EQ(completions_.size(), 2u);
    std::string sent = MemoryStreams::get("#sent")->contents();
    EXPECT_NE(sent.find("\r\nX-A:\r\n"), std::string::npos) << sent;
    for (const Completion& c : completions_) {
        if (c.id != "full") continue;
        EXPECT_NE(c.body.find("x-a=[1]"), std::string::npos) << c.body;
    }
    EXPECT_EQ(model().get(L"Headers", {L"X-Answer"}), molvo::Value(std::wstring(L"2")));
    EXPECT_EQ(model().get(L"Headers", {L"Content-Type"}), molvo::Value(std::wstring(L"text/plain")));
}

}  // namespace
}  // namespace flk::test

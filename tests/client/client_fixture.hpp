// The client tests' model: a callback procedure that records each completion with the body it
// received, and requests against the loopback test server through the real exports.
#pragma once

#include "client/test_server.hpp"
#include "ferrolink/ferrolink.h"
#include "frame/utf8.hpp"
#include "streams/memory_stream.hpp"
#include "support/host_fixture.hpp"

#include <curl/curl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace flk::test {

struct Completion {
    std::string id;
    int code = 0;
    int error = 0;
    std::string body;   // what the response stream or file held when the callback ran
};

class ClientTest : public HostTest {
protected:
    static void SetUpTestSuite() {
        InitService(QUAYNET_DIRECTORY);
        server_ = std::make_unique<TestServer>();
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        HostTest::SetUp();
        dir_ = std::filesystem::temp_directory_path() / ("flk-client-" + std::to_string(::getpid()) + "-" +
                                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        model().declareProcedure(L"OnDone", {MOLVO_ARG_INPUT_STRING, MOLVO_ARG_INPUT_NUMERIC, MOLVO_ARG_INPUT_NUMERIC},
                                 [this](const std::vector<molvo::ProcedureArgument>& args) { return record(args); });
    }
    void TearDown() override {
        StopClient();
        DeleteAllStreams();
        std::filesystem::remove_all(dir_);
    }

    static std::string url(const std::string& path) { return server_->url(path); }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    int newRequest(const std::string& id, const std::string& path, const std::string& method = "GET",
                   const std::string& requestFile = "", const std::string& response = "", const std::string& trace = "") {
        responses_[id] = response;
        return NewRequest(id.c_str(), url(path).c_str(), "OnDone", method.c_str(), requestFile.c_str(), response.c_str(),
                          trace.c_str());
    }
    // Waits for callbacks on the model's thread until there are that many, for ten seconds at most.
    void collect(size_t count) {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (completions_.size() < count && std::chrono::steady_clock::now() < until) WaitForResponses(1000);
    }
    static void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void fillStream(const std::string& name, const std::string& bytes) {
        CreateStream(name.c_str());
        MemoryStreams::get(name)->assign(bytes);
    }
    std::string errorsJoined() const {
        std::string out;
        for (const std::wstring& e : errorTexts()) out += toUtf8(e) + "\n";
        return out;
    }

    std::vector<Completion> completions_;
    // Run inside the callback, where the model reads what the request left.
    std::function<void(const std::string& id)> duringCallback_;

private:
    int record(const std::vector<molvo::ProcedureArgument>& args) {
        Completion c{toUtf8(args[0].text), int(args[1].number), int(args[2].number), ""};
        const std::string& response = responses_[c.id];
        if (!response.empty() && response[0] == '#') {
            auto stream = MemoryStreams::get(response);
            c.body = stream ? stream->contents() : "<no stream>";
        } else if (!response.empty()) {
            c.body = readFile(response);
        }
        if (duringCallback_) duringCallback_(c.id);
        completions_.push_back(std::move(c));
        return 1;
    }

    static inline std::unique_ptr<TestServer> server_;
    std::filesystem::path dir_;
    std::map<std::string, std::string> responses_;
};

}  // namespace flk::test

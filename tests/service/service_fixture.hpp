// A model with the service's parameters, a table of services, and the API service started on a
// free loopback port through the exports; stopped after each test.
#pragma once

#include "ferrolink/ferrolink.h"
#include "support/free_port.hpp"
#include "support/host_fixture.hpp"
#include "support/http_client.hpp"
#include "frame/utf8.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace flk::test {

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The value of a string member of a flat JSON object, or "" (enough for the status objects).
inline std::string member(const std::string& json, const std::string& name) {
    size_t at = json.find("\"" + name + "\":");
    if (at == std::string::npos) return std::string();
    at += name.size() + 3;
    if (json[at] != '"') return json.substr(at, json.find_first_of(",}", at) - at);
    return json.substr(at + 1, json.find('"', at + 1) - at - 1);
}

class ServiceTest : public HostTest {
protected:
    // What the model's HandleRequest does for a service: gets the procedure name, returns its result.
    using Behaviour = std::function<int(const std::wstring& procedure)>;

    void SetUp() override {
        HostTest::SetUp();
        setenv("FERROLINK_SERVICE_HOST", "127.0.0.1", 1);
        InitService(QUAYNET_DIRECTORY);
        data_ = std::filesystem::temp_directory_path() / ("flk-service-" + std::to_string(getpid()) + "-" + std::to_string(++count_));
        std::filesystem::create_directories(data_);
        declareModel();
    }
    void TearDown() override {
        StopAPIService();
        std::filesystem::remove_all(data_);
    }

    void declareModel() {
        for (const wchar_t* set : {L"flk::api::RequestAttribute", L"flk::api::RequestHeader", L"flk::api::RequestParameter", L"ServiceNames", L"CodeNames"}) {
            molvo::SetDeclaration d;
            d.indices = {std::wstring(set) + L"_i"};
            model().declareSet(set, d);
        }
        auto text = [&](const wchar_t* name, const wchar_t* set) {
            model().declareParameter(name, molvo::ParameterDeclaration{{std::wstring(set) + L"_i"}, molvo::Storage::String, std::wstring(), L""});
        };
        text(L"flk::api::RequestAttrs", L"flk::api::RequestAttribute");
        text(L"flk::api::Headers", L"flk::api::RequestHeader");
        text(L"flk::api::RequestPars", L"flk::api::RequestParameter");
        text(L"Services", L"ServiceNames");
        text(L"Code", L"CodeNames");
        for (const wchar_t* p : {L"Solve", L"Big", L"Slow", L"Stop"}) model().declareProcedure(p, {}, [](auto&) { return 1; });
        model().declareProcedure(L"WithArgument", {MOLVO_ARG_INPUT_STRING}, [](auto&) { return 1; });
        for (const wchar_t* name : {L"solve", L"big", L"slow", L"stop", L"wrong"}) model().assign(L"ServiceNames", {name}, 1.0);
        model().assign(L"Services", {L"solve"}, std::wstring(L"Solve"));
        model().assign(L"Services", {L"big"}, std::wstring(L"Big"));
        model().assign(L"Services", {L"slow"}, std::wstring(L"Slow"));
        model().assign(L"Services", {L"stop"}, std::wstring(L"Stop"));
        model().assign(L"Services", {L"wrong"}, std::wstring(L"WithArgument"));
        model().declareProcedure(L"flk::api::HandleRequest", {MOLVO_ARG_INPUT_STRING}, [this](const std::vector<molvo::ProcedureArgument>& a) {
            return handleRequest(a.at(0).text);
        });
    }

    // The model's side: records what it saw, writes task.response, and acts by service.
    int handleRequest(const std::wstring& procedure) {
        auto attr = [&](const wchar_t* name) { return std::get<std::wstring>(model().get(L"flk::api::RequestAttrs", {name})); };
        {
            std::lock_guard<std::mutex> lock(seenLock_);
            seen_ = {{L"procedure", procedure}, {L"id", attr(L"id")}, {L"request", attr(L"request-data-path")}};
            for (const auto& e : model().data(L"flk::api::RequestPars")) seen_[L"par:" + e.tuple[0]] = std::get<std::wstring>(e.value);
            for (const auto& e : model().data(L"flk::api::Headers")) seen_[L"hdr:" + e.tuple[0]] = std::get<std::wstring>(e.value);
        }
        std::ofstream(std::filesystem::path(attr(L"response-data-path")), std::ios::binary) << "answer to " << std::string(procedure.begin(), procedure.end());
        if (procedure == L"Big") return 65536;
        if (procedure == L"Stop") return StopAPIService() == 1 ? 7 : 0;
        if (procedure == L"Slow") {
            running_ = true;
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (model().checkInterrupt(false) == 0 && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            running_ = false;
        }
        return 1;
    }

    int start(int port = 0) {
        port_ = port ? port : freePort();
        return StartAPIService(port_, 1, data_.wstring().c_str(), model().handle(L"Services"));
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    HttpAnswer call(const std::string& method, const std::string& path, const std::string& body = std::string(),
                    const std::vector<std::string>& headers = {}) {
        return http(method, url(path), body, headers);
    }
    // Posts a task without waiting; returns its id.
    std::string post(const std::string& service, const std::string& body = "{}") {
        auto a = call("POST", "/api/v1/tasks/" + service, body);
        EXPECT_EQ(a.status, 200) << a.body;
        return member(a.body, "id");
    }
    // Runs work on another thread while this thread (the model) idles, until it is done.
    template <class Work>
    void whileIdle(Work work) {
        std::atomic<bool> done{false};
        std::thread other([&] {
            work();
            done = true;
        });
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done && std::chrono::steady_clock::now() < until) molvo::idle(5);
        other.join();
    }
    std::map<std::wstring, std::wstring> seen() {
        std::lock_guard<std::mutex> lock(seenLock_);
        return seen_;
    }

    std::filesystem::path data_;
    int port_ = 0;
    std::atomic<bool> running_{false};
    std::mutex seenLock_;
    std::map<std::wstring, std::wstring> seen_;
    static inline int count_ = 0;
};

}  // namespace flk::test

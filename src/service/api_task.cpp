#include "service/api_task.hpp"

#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "host/identifier_handle.hpp"
#include "molvo/molvo3.h"
#include "service/service_limits.hpp"
#include "service/task_interface.hpp"

#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <ctime>
#include <stdexcept>

namespace flk::service {
namespace {

constexpr wchar_t kHandleRequest[] = L"flk::api::HandleRequest";
constexpr int kLowBits = 0xffff;

// The task the host is running now, for its interrupt checks. Only the thread holding host
// control sets it or reads it.
APITask* runningTask = nullptr;

int interruptCheck(int solving) { return runningTask ? runningTask->onInterruptCheck(solving) : 0; }

// A procedure handle, deleted on every path.
class Procedure {
public:
    explicit Procedure(const wchar_t* name) {
        if (MolvoProcedureHandleCreateW(name, &handle_, &arguments_, nullptr) != 1)
            throw std::runtime_error("cannot run " + toUtf8(name) + ": " + toUtf8(lastHostError().text));
        if (arguments_ != 1) {
            MolvoProcedureHandleDelete(handle_);
            throw std::runtime_error(toUtf8(name) + " must take one string argument; it takes " + std::to_string(arguments_));
        }
    }
    ~Procedure() { MolvoProcedureHandleDelete(handle_); }
    Procedure(const Procedure&) = delete;
    Procedure& operator=(const Procedure&) = delete;

    // Runs it with one string argument; false when the host did not run it.
    bool run(const std::wstring& argument, int& result) {
        std::wstring text = argument.substr(0, kMaxProcedureNameChars);
        const int types[] = {MOLVO_ARG_INPUT_STRING};
        MolvoValueW value{};
        value.String = text.data();
        value.Length = int(text.size());
        return MolvoProcedureRunW(handle_, types, &value, &result) == 1;
    }

private:
    int handle_ = 0;
    int arguments_ = 0;
};

std::string utcTime(std::chrono::system_clock::time_point t) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%FT%TZ", &utc);
    return text;
}

}  // namespace

APITask::APITask(std::string id, std::string service, std::wstring procedure,
                 const boost::filesystem::path& dataDirectory, quaynet::Fields headers, quaynet::Fields parameters)
    : id_(std::move(id)),
      service_(std::move(service)),
      procedure_(std::move(procedure)),
      directory_(dataDirectory / id_),
      headers_(std::move(headers)),
      parameters_(std::move(parameters)),
      createdAt_(std::chrono::system_clock::now()),
      created_(std::chrono::steady_clock::now()) {}

boost::filesystem::path APITask::file(const std::string& suffix) const { return directory_ / ("task." + suffix); }

void APITask::writeRequest(const std::string& body) const {
    boost::system::error_code error;
    boost::filesystem::create_directories(directory_, error);
    if (error) throw std::runtime_error("cannot create the task directory " + directory_.string() + ": " + error.message());
    boost::filesystem::ofstream out(file("request"), std::ios::binary);
    out.write(body.data(), std::streamsize(body.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file("request").string());
}

bool APITask::claim() {
    started_ = std::chrono::steady_clock::now().time_since_epoch().count();
    int queued = kQueued;
    return status_.compare_exchange_strong(queued, kExecuting);
}

bool APITask::cancel() {
    int queued = kQueued;
    return status_.compare_exchange_strong(queued, kInterrupted) || !running();
}

double APITask::secondsSince(std::chrono::steady_clock::time_point t) const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

void APITask::Execute(TaskInterface& host) {
    LOG4CXX_INFO(logger(Log::APITask), "Executing task " << id_);
    queueTime_ = secondsSince(created_);
    const auto start = std::chrono::steady_clock::now();
    started_ = start.time_since_epoch().count();
    try {
        run(host);
    } catch (const std::exception& e) {
        LOG4CXX_ERROR(logger(Log::APITask), "Task " << id_ << " failed: " << exceptionText(e));
        finish(false, 0);
    }
    try {
        host.empty();
    } catch (...) {
        // Emptying can only fail for parameters the model lacks, reported above already.
    }
    runTime_ = secondsSince(start);
    LOG4CXX_TRACE(logger(Log::APITask), "Execution of task " << id_ << " finishesd, status = " << statusName(status_));
}

void APITask::run(TaskInterface& host) {
    Procedure handleRequest(kHandleRequest);
    const std::string base = file("").string();
    // The client's own wait is no business of the model's.
    quaynet::Fields parameters;
    for (const auto& entry : parameters_)
        if (entry.first != "completionTimeout") parameters.push_back(entry);
    host.write({{"id", id_},
                {"request-data-path", base + "request"},
                {"response-data-path", base + "response"},
                {"status-data-path", base + "status"}},
               headers_, parameters);
    runningTask = this;
    MolvoInterruptCallbackInstall(&interruptCheck);
    int result = 0;
    const bool ran = handleRequest.run(procedure_, result);
    MolvoInterruptCallbackInstall(nullptr);
    runningTask = nullptr;
    if (!ran) LOG4CXX_ERROR(logger(Log::APITask), "Task " << id_ << ": " << toUtf8(lastHostError().text));
    finish(ran, result);
}

void APITask::finish(bool ranCleanly, int returnCode) {
    returnCode_ = returnCode & kLowBits;
    if (!ranCleanly || (returnCode & ~kLowBits) != 0) status_ = kFinishedWithErrors;
    int status = status_;
    while (status < kInterrupted && !status_.compare_exchange_weak(status, kFinished)) {
    }
}

int APITask::onInterruptCheck(int solving) {
    status_ = solving == 1 ? kSolving : kExecuting;
    int asked = kInterruptExecution;
    if (requested_.compare_exchange_strong(asked, kInterruptProcessed)) {
        LOG4CXX_TRACE(logger(Log::APITask), "Interrupting execution of task " << id_);
        status_ = kInterrupted;
        return 1;
    }
    asked = kInterruptSolve;
    if (solving == 1 && requested_.compare_exchange_strong(asked, kInterruptProcessed)) {
        LOG4CXX_TRACE(logger(Log::APITask), "Interrupting solve of task " << id_);
        status_ = kExecuting;
        return 2;
    }
    return 0;
}

bool APITask::requestInterrupt(int requested) {
    requested_ = requested;
    int queued = kQueued;
    if (!status_.compare_exchange_strong(queued, kInterrupted)) return false;
    requested_ = kInterruptProcessed;
    return true;
}

void APITask::appendStatusJson(std::string& out) const {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> json(buffer);
    const int status = status_;
    const int requested = requested_;
    json.StartObject();
    json.Key("id");
    json.String(id_.data(), rapidjson::SizeType(id_.size()));
    json.Key("service");
    json.String(service_.data(), rapidjson::SizeType(service_.size()));
    json.Key("starttime");
    json.String(utcTime(createdAt_).c_str());
    json.Key("status");
    json.String(statusName(status));
    if (requested != kUninitialized) {
        json.Key("setstatus");
        json.String(statusName(requested));
    }
    if (status != kQueued) {
        json.Key("queuetime");
        json.Double(queueTime_);
    }
    if (status == kExecuting || status == kSolving) {
        json.Key("runtime");
        const auto started = std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(started_.load()));
        json.Double(secondsSince(started));
    } else if (status >= kInterruptExecution) {
        json.Key("runtime");
        json.Double(runTime_);
        json.Key("returncode");
        json.Int(returnCode_);
    }
    json.EndObject();
    out.append(buffer.GetString(), buffer.GetSize());
}

std::string APITask::statusJson() const {
    std::string out;
    appendStatusJson(out);
    return out;
}

}  // namespace flk::service

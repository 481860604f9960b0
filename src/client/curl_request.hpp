// One HTTP request of the model's asynchronous client: a libcurl easy handle with everything the
// model attached to it, and the host procedure to run when it completes.
//
// Threads: construction, configuration, submission, the result readers, the callback and
// destruction run on a thread that holds the host. While the request is in transfer the
// transfer thread alone touches it, through libcurl's callbacks; its phase says which side owns
// it, and the hand-over is the phase's release store and acquire load.
#pragma once

#include "host/host_procedure.hpp"
#include "platform/output_file.hpp"

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace flk {
class MemoryStream;
}

namespace flk::client {

struct RequestFiles {
    std::string request, response, trace;   // "#name" is a memory stream; "" is none
};

class CurlRequest {
public:
    enum class Phase { Configuring, Queued, Transferring, Completed, CallbackRunning };

    // Throws std::runtime_error with the message the model sees when the request cannot be made.
    CurlRequest(std::string id, std::uint64_t serial, const std::string& url, const std::string& callback,
                const std::string& method, RequestFiles files);
    ~CurlRequest();
    CurlRequest(const CurlRequest&) = delete;
    CurlRequest& operator=(const CurlRequest&) = delete;

    const std::string& id() const { return id_; }
    std::uint64_t serial() const { return serial_; }
    CURL* easy() const { return easy_; }
    Phase phase() const { return phase_.load(std::memory_order_acquire); }
    void setPhase(Phase phase) { phase_.store(phase, std::memory_order_release); }

    // ---- configuration, before submission; each returns "" or the message
    std::string setIntegerOption(int option, long long value);
    std::string setTextOption(int option, const std::string& value);
    void setHeader(const std::string& name, const std::string& value) { headers_[name] = value; }
    bool hasHeader(const std::string& name) const { return headers_.count(name) != 0; }
    std::string addMimePart(const std::string& name, const std::string& file, bool keepFileName);

    // Fixes what is sent: the header lines, the multipart body, the request body and its size.
    // "" or the message.
    std::string prepareSubmission();

    // ---- on the transfer thread, when libcurl reports the transfer done
    void finishTransfer(CURLcode result);

    // ---- after completion, on a thread that holds the host
    int responseCode() const { return responseCode_; }
    int errorCode() const { return errorCode_; }
    // The response headers; the request headers before submission.
    const std::map<std::string, std::string>& headers() const { return headers_; }
    // Hands stream bodies and traces to their memory streams and runs the callback procedure.
    void runCallback();

private:
    static size_t readBody(char* into, size_t size, size_t count, void* self);
    static size_t writeBody(char* data, size_t size, size_t count, void* self);
    static size_t takeHeader(char* line, size_t size, size_t count, void* self);
    static int trace(CURL*, curl_infotype type, char* data, size_t size, void* self);

    void setMethod(const std::string& method);
    void prepareBodySource();
    void prepareResponse();
    void prepareTrace();
    void applyDefaults();
    std::string prepareBody();
    bool openResponseFile();
    void appendTrace(const char* data, size_t size);

    std::string id_;
    std::uint64_t serial_;   // tells this request from a later one under the same id
    HostProcedure callback_;   // resolved with its prototype when the request is made
    RequestFiles files_;
    std::atomic<Phase> phase_{Phase::Configuring};

    CURL* easy_ = nullptr;
    curl_mime* mime_ = nullptr;
    curl_slist* headerList_ = nullptr;
    bool post_ = false;       // the body size goes to POSTFIELDSIZE, else INFILESIZE
    bool textBody_ = false;   // the model gave the body as the POSTFIELDS option
    std::map<std::string, std::string> headers_;   // request headers, then the response's

    // Body: a memory stream's bytes as they were at submission, or the request file read as
    // libcurl asks for it.
    std::string body_;
    size_t bodyOffset_ = 0;
    std::FILE* bodyFile_ = nullptr;
    curl_off_t bodyRemaining_ = 0;

    // Response and trace: files appear whole when the transfer succeeded; memory streams receive
    // their bytes on the host's side, when the callback runs.
    std::shared_ptr<MemoryStream> responseStream_, traceStream_;
    std::unique_ptr<OutputFile> responseFile_, traceFile_;
    bool responseFileFailed_ = false;
    std::string responseBytes_, traceBytes_;

    int responseCode_ = 0;
    int errorCode_ = 0;
};

}  // namespace flk::client

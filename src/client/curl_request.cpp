#include "client/curl_request.hpp"

#include "client/client_defaults.hpp"
#include "client/curl_names.hpp"
#include "client/header_line.hpp"
#include "frame/call_context.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "platform/input_file.hpp"
#include "streams/memory_stream.hpp"
#include "webmodule/web_module.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace flk::client {
namespace {

constexpr size_t kCallbackIdMax = 8191;   // characters of the id handed to the callback

const std::vector<int> kCallbackTypes{MOLVO_ARG_INPUT_STRING, MOLVO_ARG_INPUT_NUMERIC, MOLVO_ARG_INPUT_NUMERIC};

void check(CURLcode code) {
    if (code != CURLE_OK) throw std::runtime_error(curl_easy_strerror(code));
}

bool isStream(const std::string& name) { return !name.empty() && name[0] == '#'; }
// Streams named "##..." belong to the request and go with it.
bool isOwnStream(const std::string& name) { return name.size() > 1 && name[0] == '#' && name[1] == '#'; }

// The size of a regular file, or -1.
curl_off_t fileSize(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
    return curl_off_t(status.st_size);
}

// The stream of that name; the export's call context stays the export's own.
std::shared_ptr<MemoryStream> findStream(const std::string& name) {
    std::string context = callContext();
    std::shared_ptr<MemoryStream> stream = MemoryStreams::get(name);
    setCallContext(context);
    return stream;
}

std::shared_ptr<MemoryStream> createStream(const std::string& name, const char* message) {
    if (findStream(name) || !MemoryStreams::createForAssignment(name)) throw std::runtime_error(message);
    return findStream(name);
}

}  // namespace

CurlRequest::CurlRequest(std::string id, std::uint64_t serial, const std::string& url, const std::string& callback,
                         const std::string& method, RequestFiles files)
    : id_(std::move(id)), serial_(serial), files_(std::move(files)) {
    if (!callback_.resolve(callback, kCallbackTypes)) throw std::runtime_error("Callback procedure has wrong prototype");
    easy_ = curl_easy_init();
    if (!easy_) throw std::bad_alloc();
    try {
        check(curl_easy_setopt(easy_, CURLOPT_URL, url.c_str()));
        check(curl_easy_setopt(easy_, CURLOPT_PRIVATE, this));
        // Signals are process-wide: a library in a host's process must not raise or catch them.
        check(curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L));
        setMethod(method);
        prepareBodySource();
        prepareResponse();
        prepareTrace();
        check(curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlRequest::takeHeader));
        check(curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this));
        applyDefaults();
    } catch (...) {
        // A request is made whole or not at all: the streams it created do not stay behind.
        if (responseStream_) MemoryStreams::remove(files_.response);
        if (traceStream_) MemoryStreams::remove(files_.trace);
        responseStream_.reset();
        traceStream_.reset();
        curl_easy_cleanup(easy_);
        easy_ = nullptr;
        throw;
    }
}

CurlRequest::~CurlRequest() {
    curl_easy_cleanup(easy_);
    curl_slist_free_all(headerList_);
    curl_mime_free(mime_);
    if (bodyFile_) std::fclose(bodyFile_);
    for (const std::string* name : {&files_.request, &files_.response, &files_.trace})
        if (isOwnStream(*name)) MemoryStreams::remove(*name);
}

// GET, POST and PUT have options of their own; every other method is sent by its name. A custom
// method sends a request body as POST would, and HEAD asks for no body, so that its transfer ends
// with the headers instead of waiting for bytes that never come.
void CurlRequest::setMethod(const std::string& method) {
    if (method == "GET") return check(curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L));
    if (method == "POST") {
        post_ = true;
        return check(curl_easy_setopt(easy_, CURLOPT_POST, 1L));
    }
    if (method == "PUT") return check(curl_easy_setopt(easy_, CURLOPT_UPLOAD, 1L));
    if (method == "HEAD") return check(curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L));
    if (!files_.request.empty()) {
        post_ = true;
        check(curl_easy_setopt(easy_, CURLOPT_POST, 1L));
    }
    check(curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, method.c_str()));
}

// The body is read through our own callback in every case: without it libcurl would read the
// process's standard input for a POST or PUT without a request file.
void CurlRequest::prepareBodySource() {
    check(curl_easy_setopt(easy_, CURLOPT_READFUNCTION, &CurlRequest::readBody));
    check(curl_easy_setopt(easy_, CURLOPT_READDATA, this));
    if (files_.request.empty()) return;
    if (isStream(files_.request)) {
        if (!findStream(files_.request)) throw std::runtime_error("Cannot open request memory stream");
    } else if (fileSize(files_.request) < 0) {
        throw std::runtime_error("Cannot open request file");
    }
    headers_["Content-Type"] = contentTypeOf(files_.request);
}

void CurlRequest::prepareResponse() {
    if (isStream(files_.response)) responseStream_ = createStream(files_.response, "Cannot create response memory stream");
    check(curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlRequest::writeBody));
    check(curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this));
}

void CurlRequest::prepareTrace() {
    if (files_.trace.empty()) return;
    if (isStream(files_.trace)) traceStream_ = createStream(files_.trace, "Cannot create trace memory stream");
    check(curl_easy_setopt(easy_, CURLOPT_DEBUGFUNCTION, &CurlRequest::trace));
    check(curl_easy_setopt(easy_, CURLOPT_DEBUGDATA, this));
    check(curl_easy_setopt(easy_, CURLOPT_VERBOSE, 1L));
}

// The first default the request cannot take ends the defaults quietly; the request is still made.
void CurlRequest::applyDefaults() {
    const ClientDefaults& defaults = clientDefaults();
    for (const auto& [name, value] : defaults.integerOptions) {
        LOG4CXX_TRACE(logger(Log::APIClient), "Adding default integer option " << name);
        if (!setIntegerOption(optionNumber(name), value).empty()) return;
    }
    for (const auto& [name, value] : defaults.textOptions) {
        LOG4CXX_TRACE(logger(Log::APIClient), "Adding default string option " << name);
        if (!setTextOption(optionNumber(name), value).empty()) return;
    }
    for (const auto& [name, value] : defaults.headers) {
        LOG4CXX_TRACE(logger(Log::APIClient), "Adding default request header (" << name << "," << value << ")");
        headers_.emplace(name, value);
    }
}

std::string CurlRequest::setIntegerOption(int option, long long value) {
    std::string refusal = optionRefusal(option, OptionValue::Integer);
    if (!refusal.empty()) return refusal;
    const curl_easyoption* known = curl_easy_option_by_id(CURLoption(option));
    CURLcode code = known && known->type == CURLOT_OFF_T ? curl_easy_setopt(easy_, CURLoption(option), curl_off_t(value))
                                                         : curl_easy_setopt(easy_, CURLoption(option), long(value));
    return code == CURLE_OK ? "" : curl_easy_strerror(code);
}

// libcurl copies every text option but the POST body, which it would read from our buffer later:
// that one is handed over as a copy.
std::string CurlRequest::setTextOption(int option, const std::string& value) {
    std::string refusal = optionRefusal(option, OptionValue::Text);
    if (!refusal.empty()) return refusal;
    CURLcode code;
    if (option == CURLOPT_POSTFIELDS || option == CURLOPT_COPYPOSTFIELDS) {
        code = curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(value.size()));
        if (code == CURLE_OK) code = curl_easy_setopt(easy_, CURLOPT_COPYPOSTFIELDS, value.c_str());
        if (code == CURLE_OK) textBody_ = true;
    } else {
        code = curl_easy_setopt(easy_, CURLoption(option), value.c_str());
    }
    return code == CURLE_OK ? "" : curl_easy_strerror(code);
}

std::string CurlRequest::addMimePart(const std::string& name, const std::string& file, bool keepFileName) {
    if (!mime_ && !(mime_ = curl_mime_init(easy_))) return curl_easy_strerror(CURLE_OUT_OF_MEMORY);
    curl_mimepart* part = curl_mime_addpart(mime_);
    if (!part) return curl_easy_strerror(CURLE_OUT_OF_MEMORY);
    CURLcode code = curl_mime_filedata(part, file.c_str());
    if (code == CURLE_OK) code = curl_mime_name(part, name.c_str());
    if (code == CURLE_OK && !keepFileName) code = curl_mime_filename(part, nullptr);
    return code == CURLE_OK ? "" : curl_easy_strerror(code);
}

std::string CurlRequest::prepareSubmission() {
    for (const auto& [name, value] : headers_) {
        // "Name:" would tell libcurl to leave the header out; "Name;" sends it with an empty value.
        std::string line = value.empty() ? name + ";" : name + ": " + value;
        curl_slist* longer = curl_slist_append(headerList_, line.c_str());
        if (!longer) return curl_easy_strerror(CURLE_OUT_OF_MEMORY);
        headerList_ = longer;
    }
    headers_.clear();
    CURLcode code = curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
    if (code == CURLE_OK && mime_) code = curl_easy_setopt(easy_, CURLOPT_MIMEPOST, mime_);
    if (code != CURLE_OK) return curl_easy_strerror(code);
    return prepareBody();
}

// The body is what the request file holds, or the stream's bytes from its start to its write
// position, as they are now: whatever is written to the stream later, or read from it by others,
// does not change what this request sends.
std::string CurlRequest::prepareBody() {
    if (files_.request.empty() && textBody_) return "";
    if (isStream(files_.request)) {
        std::shared_ptr<MemoryStream> stream = findStream(files_.request);
        if (!stream) return "Cannot open request memory stream";
        body_ = stream->contents();
        bodyRemaining_ = curl_off_t(body_.size());
    } else if (!files_.request.empty()) {
        bodyRemaining_ = fileSize(files_.request);
        if (bodyRemaining_ < 0) return "Cannot open request file";
    }
    CURLoption size = post_ ? CURLOPT_POSTFIELDSIZE_LARGE : CURLOPT_INFILESIZE_LARGE;
    CURLcode code = curl_easy_setopt(easy_, size, bodyRemaining_);
    return code == CURLE_OK ? "" : curl_easy_strerror(code);
}

size_t CurlRequest::readBody(char* into, size_t size, size_t count, void* self) {
    CurlRequest& r = *static_cast<CurlRequest*>(self);
    size_t n = size_t(std::min<curl_off_t>(curl_off_t(size * count), r.bodyRemaining_));
    if (n == 0) return 0;
    if (isStream(r.files_.request)) {
        std::memcpy(into, r.body_.data() + r.bodyOffset_, n);
        r.bodyOffset_ += n;
    } else {
        if (!r.bodyFile_) {
            InputFile file;
            if (!file.open(r.files_.request)) return 0;
            r.bodyFile_ = file.releaseAsStdio();
        }
        // A file that became shorter ends the body where its bytes end.
        n = std::fread(into, 1, n, r.bodyFile_);
    }
    r.bodyRemaining_ -= curl_off_t(n);
    return n;
}

bool CurlRequest::openResponseFile() {
    responseFile_ = std::make_unique<OutputFile>();
    if (responseFile_->open(files_.response)) return true;
    LOG4CXX_WARN(logger(Log::APIClient), "Request " << id_ << ": cannot write response file " << files_.response << ": "
                                                    << responseFile_->reason());
    responseFileFailed_ = true;
    return false;
}

// Bytes that cannot be stored fail the transfer (libcurl reports a write error) rather than
// vanish from a transfer reported as a success.
size_t CurlRequest::writeBody(char* data, size_t size, size_t count, void* self) {
    CurlRequest& r = *static_cast<CurlRequest*>(self);
    size_t n = size * count;
    if (r.bodyFile_) {
        std::fclose(r.bodyFile_);
        r.bodyFile_ = nullptr;
    }
    if (r.responseStream_) {
        r.responseBytes_.append(data, n);
        return n;
    }
    if (r.files_.response.empty()) return n;
    if (!r.responseFile_ && !r.openResponseFile()) return 0;
    if (r.responseFileFailed_) return 0;
    r.responseFile_->write(data, n);
    return r.responseFile_->failed() ? 0 : n;
}

size_t CurlRequest::takeHeader(char* line, size_t size, size_t count, void* self) {
    size_t n = size * count;
    std::string_view name, value;
    if (parseHeaderLine(std::string_view(line, n), name, value))
        static_cast<CurlRequest*>(self)->headers_[std::string(name)] = std::string(value);
    return n;
}

int CurlRequest::trace(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    static const char* const kLabels[] = {nullptr,          "<= Recv header",   "=> Send header",  "<= Recv data",
                                          "=> Send data",   "<= Recv SSL data", "=> Send SSL data"};
    CurlRequest& r = *static_cast<CurlRequest*>(self);
    if (int(type) > 6) return 0;
    std::string entry = type == CURLINFO_TEXT ? "== Info: " : std::string(kLabels[type]) + ", " + std::to_string(size) + " bytes\n";
    entry.append(data, size);
    if (type == CURLINFO_DATA_IN || type == CURLINFO_DATA_OUT) entry += '\n';
    r.appendTrace(entry.data(), entry.size());
    return 0;
}

void CurlRequest::appendTrace(const char* data, size_t size) {
    if (traceStream_) return void(traceBytes_.append(data, size));
    if (!traceFile_) {
        traceFile_ = std::make_unique<OutputFile>();
        if (!traceFile_->open(files_.trace))
            LOG4CXX_WARN(logger(Log::APIClient), "Request " << id_ << ": cannot write trace file " << files_.trace << ": "
                                                            << traceFile_->reason());
    }
    if (!traceFile_->failed()) traceFile_->write(data, size);
}

void CurlRequest::finishTransfer(CURLcode result) {
    long code = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
    responseCode_ = int(code);
    errorCode_ = int(result);
    if (bodyFile_) std::fclose(bodyFile_);
    bodyFile_ = nullptr;
    if (responseFile_) {
        if (result != CURLE_OK) {
            responseFile_->abandon();
        } else if (!responseFile_->commit()) {
            LOG4CXX_WARN(logger(Log::APIClient), "Request " << id_ << ": cannot write response file " << files_.response
                                                            << ": " << responseFile_->reason());
            errorCode_ = CURLE_WRITE_ERROR;
        }
    }
    if (responseFileFailed_) errorCode_ = CURLE_WRITE_ERROR;
    if (traceFile_ && !traceFile_->failed()) traceFile_->commit();
    responseFile_.reset();
    traceFile_.reset();
}

void CurlRequest::runCallback() {
    LOG4CXX_TRACE(logger(Log::APIClient), "Running callback " << callback_.name() << " for request " << id_);
    if (responseStream_) responseStream_->assign(std::move(responseBytes_));
    if (traceStream_) traceStream_->assign(std::move(traceBytes_));
    std::wstring id = fromUtf8(id_).substr(0, kCallbackIdMax);
    MolvoValueW arguments[3] = {{0, 0, int(id.size()), id.data()}, {double(responseCode_), 0, 0, nullptr},
                                {double(errorCode_), 0, 0, nullptr}};
    if (!callback_.run(arguments))
        LOG4CXX_WARN(logger(Log::APIClient), "Callback " << callback_.name() << " for request " << id_ << " did not run");
}

}  // namespace flk::client

#include "service/task_requests.hpp"

#include "service/service_limits.hpp"
#include "service/task_status.hpp"

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <algorithm>

namespace flk::service {

int completionTimeout(const quaynet::IHTTPRequest& request) {
    for (const auto& [name, value] : request.queryParameters()) {
        if (name != "completionTimeout") continue;
        long long ms = 0;
        for (char c : value) {
            if (c < '0' || c > '9') return 0;
            ms = std::min<long long>(ms * 10 + (c - '0'), kMaxCompletionTimeoutMs);
        }
        return int(ms);
    }
    return 0;
}

namespace {

// Reads only the member "setstatus" of the outermost object, without building a document, and
// gives up on nesting deeper than any interrupt request needs.
class SetStatusReader : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, SetStatusReader> {
public:
    static constexpr int kMaxDepth = 16;

    bool Default() {
        atSetStatus_ = false;
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        if (atSetStatus_) value = std::string(text, length), found = true;
        return Default();
    }
    bool StartObject() { return enter(true); }
    bool StartArray() { return enter(false); }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        atSetStatus_ = depth_ == 1 && std::string_view(text, length) == "setstatus";
        return true;
    }
    bool EndObject(rapidjson::SizeType) { return leave(); }
    bool EndArray(rapidjson::SizeType) { return leave(); }

    bool outermostIsObject = false;
    bool found = false;
    std::string value;

private:
    bool enter(bool object) {
        if (depth_ == 0) outermostIsObject = object;
        atSetStatus_ = false;
        return ++depth_ <= kMaxDepth;
    }
    bool leave() {
        --depth_;
        return Default();
    }
    int depth_ = 0;
    bool atSetStatus_ = false;
};

}  // namespace

RequestedStatus requestedStatus(const std::string& body) {
    constexpr int kBadRequest = 400, kNotAllowed = 405, kTooLarge = 413;
    if (body.size() > kMaxPutBodyBytes) return {0, kTooLarge};
    SetStatusReader handler;
    rapidjson::Reader reader;
    rapidjson::MemoryStream bytes(body.data(), body.size());
    if (reader.Parse<rapidjson::kParseIterativeFlag>(bytes, handler).IsError()) return {0, kBadRequest};
    if (!handler.outermostIsObject || !handler.found) return {0, kNotAllowed};
    int status = requestedStatusNamed(handler.value);
    return status == kUninitialized ? RequestedStatus{0, kNotAllowed} : RequestedStatus{status, 0};
}

}  // namespace flk::service

// The client's exports that configure one request and read its results.
#include "client/client.hpp"
#include "client/curl_names.hpp"
#include "client/parameter_entries.hpp"
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"
#include "frame/output_buffer.hpp"
#include "frame/utf8.hpp"

#include <climits>

namespace flk::client {
namespace {

constexpr size_t kInfoTextMax = 8191;   // bytes of a text info item, before the terminating zero

int notOfKind(int info, const char* kind) {
    return raiseError("Info item " + std::to_string(info) + " is not " + kind + " item");
}

// A value that does not fit the model's int is an error, not a silently cut number.
int storeInteger(int info, long long value, int* out) {
    if (value < INT_MIN || value > INT_MAX)
        return raiseError("Info item " + std::to_string(info) + " has the value " + std::to_string(value) + ", which does not fit an integer");
    *out = int(value);
    return 1;
}

bool readInteger(CURL* easy, int info, long long& value, std::string& error) {
    CURLcode code;
    if (infoValue(info) == InfoValue::Integer64) {
        curl_off_t wide = 0;
        code = curl_easy_getinfo(easy, CURLINFO(info), &wide);
        value = wide;
    } else {
        long narrow = 0;
        code = curl_easy_getinfo(easy, CURLINFO(info), &narrow);
        value = narrow;
    }
    if (code != CURLE_OK) error = curl_easy_strerror(code);
    return code == CURLE_OK;
}

bool isInteger(int info) { return infoValue(info) == InfoValue::Integer || infoValue(info) == InfoValue::Integer64; }

int readInfoItems(CurlRequest& request, int items, int numericOutput, int stringOutput) {
    std::vector<ParameterEntry> wanted;
    if (!readEntries(items, "The info items", wanted)) return 0;
    EntryWriter numbers(numericOutput, "The numeric output"), texts(stringOutput, "The string output");
    if (!numbers.usable() || !texts.usable()) return 0;
    for (const ParameterEntry& item : wanted) {
        int info = infoNumber(item.name);
        std::string error;
        if (infoValue(info) == InfoValue::Text) {
            const char* text = nullptr;
            CURLcode code = curl_easy_getinfo(request.easy(), CURLINFO(info), &text);
            if (code != CURLE_OK) return raiseError(std::string_view(curl_easy_strerror(code)));
            if (text) texts.assignText(item.name, text);
        } else if (isInteger(info)) {
            long long value = 0;
            if (!readInteger(request.easy(), info, value, error)) return raiseError(error);
            numbers.assignNumber(item.name, double(value));
        }
        // Durations, lists and sockets are not read into the model.
    }
    return numbers.finish() && texts.finish() ? 1 : 0;
}

}  // namespace
}  // namespace flk::client

using namespace flk;
using namespace flk::client;

extern "C" {

FERROLINK_API int AddStringOption(const char* id, int option, const char* value) {
    return runExport("AddStringOption", Host::Controlled, [&] {
        CurlRequest* request = configurableRequest(argumentText(id));
        if (!request) return 0;
        LOG4CXX_TRACE(logger(Log::APIClient), "Adding string option (" << option << ", " << argumentText(value) << ") to request " << argumentText(id));
        return reported(request->setTextOption(option, std::string(argumentText(value))));
    });
}

FERROLINK_API int AddIntOption(const char* id, int option, int value) {
    return runExport("AddIntOption", Host::Controlled, [&] {
        CurlRequest* request = configurableRequest(argumentText(id));
        if (!request) return 0;
        LOG4CXX_TRACE(logger(Log::APIClient), "Adding int option (" << option << ", " << value << ") to request " << argumentText(id));
        return reported(request->setIntegerOption(option, value));
    });
}

FERROLINK_API int AddHeader(const char* id, const char* name, const char* value) {
    return runExport("AddHeader", Host::Controlled, [&] {
        CurlRequest* request = configurableRequest(argumentText(id));
        if (!request) return 0;
        LOG4CXX_TRACE(logger(Log::APIClient), "Adding header (" << argumentText(name) << ", " << argumentText(value) << ") to request " << argumentText(id));
        request->setHeader(std::string(argumentText(name)), std::string(argumentText(value)));
        return 1;
    });
}

FERROLINK_API int AddMimePart(const char* id, const char* partName, const char* dataFile, int keepFileName) {
    return runExport("AddMimePart", Host::Controlled, [&] {
        CurlRequest* request = configurableRequest(argumentText(id));
        if (!request) return 0;
        LOG4CXX_TRACE(logger(Log::APIClient), "Adding mime part (" << argumentText(partName) << ", " << argumentText(dataFile) << ") to request " << argumentText(id));
        std::string error = request->addMimePart(std::string(argumentText(partName)), std::string(argumentText(dataFile)), keepFileName != 0);
        if (error.empty()) return 1;
        httpClient().close(std::string(argumentText(id)));
        return raiseError(error);
    });
}

FERROLINK_API int GetStringInfoItem(const char* id, int info, char* value) {
    return runExport("GetStringInfoItem", Host::Controlled, [&] {
        CurlRequest* request = completedRequest(argumentText(id));
        if (!request) return 0;
        if (!value) return raiseError(std::string_view("no output buffer given"));
        LOG4CXX_TRACE(logger(Log::APIClient), "Getting string info item " << info << " from request " << argumentText(id));
        if (infoValue(info) != InfoValue::Text) return notOfKind(info, "a text");
        const char* text = nullptr;
        CURLcode code = curl_easy_getinfo(request->easy(), CURLINFO(info), &text);
        if (code != CURLE_OK) return raiseError(std::string_view(curl_easy_strerror(code)));
        copyToBuffer(std::string_view(text ? text : ""), value, kInfoTextMax);
        return 1;
    });
}

FERROLINK_API int GetIntInfoItem(const char* id, int info, int* value) {
    return runExport("GetIntInfoItem", Host::Controlled, [&] {
        CurlRequest* request = completedRequest(argumentText(id));
        if (!request) return 0;
        if (!value) return raiseError(std::string_view("no output given"));
        LOG4CXX_TRACE(logger(Log::APIClient), "Getting int info item " << info << " from request " << argumentText(id));
        if (!isInteger(info)) return notOfKind(info, "an integer");
        long long number = 0;
        std::string error;
        if (!readInteger(request->easy(), info, number, error)) return raiseError(error);
        return storeInteger(info, number, value);
    });
}

FERROLINK_API int GetInfoItems(const char* id, int items, int numericOutput, int stringOutput) {
    return runExport("GetInfoItems", Host::Controlled, [&] {
        CurlRequest* request = completedRequest(argumentText(id));
        if (!request) return 0;
        LOG4CXX_TRACE(logger(Log::APIClient), "Getting info items for request " << argumentText(id));
        return readInfoItems(*request, items, numericOutput, stringOutput);
    });
}

FERROLINK_API int GetResponseHeaders(const char* id, int headerParameter) {
    return runExport("GetResponseHeaders", Host::Controlled, [&] {
        CurlRequest* request = completedRequest(argumentText(id));
        if (!request) return 0;
        LOG4CXX_TRACE(logger(Log::APIClient), "Getting response header from request " << argumentText(id));
        EntryWriter headers(headerParameter, "The header parameter");
        if (!headers.usable()) return 0;
        for (const auto& [name, value] : request->headers()) headers.assignText(name, value);
        return headers.finish() ? 1 : 0;
    });
}

FERROLINK_API int AddRequestHeaders(const char* id, int headerParameter) {
    return runExport("AddRequestHeaders", Host::Controlled, [&] {
        CurlRequest* request = configurableRequest(argumentText(id));
        std::vector<ParameterEntry> headers;
        if (!request || !readEntries(headerParameter, "The header parameter", headers)) return 0;
        for (const ParameterEntry& header : headers) {
            LOG4CXX_TRACE(logger(Log::APIClient), "Setting request header (" << header.name << "," << header.text << ")");
            request->setHeader(header.name, header.text);
        }
        return 1;
    });
}

FERROLINK_API int AddRequestOptions(const char* id, int integerOptions, int stringOptions) {
    return runExport("AddRequestOptions", Host::Controlled, [&] {
        CurlRequest* request = configurableRequest(argumentText(id));
        std::vector<ParameterEntry> integers, texts;
        if (!request || !readEntries(integerOptions, "The integer options", integers) ||
            !readEntries(stringOptions, "The string options", texts))
            return 0;
        LOG4CXX_TRACE(logger(Log::APIClient), "Setting request options for request " << argumentText(id));
        for (const ParameterEntry& option : integers) {
            LOG4CXX_TRACE(logger(Log::APIClient), "Setting integer option (" << option.name << "," << option.number << ")");
            std::string error = request->setIntegerOption(optionNumber(option.name), truncatedToInt(option.number));
            if (!error.empty()) return raiseError(option.name + ": " + error);
        }
        for (const ParameterEntry& option : texts) {
            LOG4CXX_TRACE(logger(Log::APIClient), "Setting string option (" << option.name << "," << option.text << ")");
            std::string error = request->setTextOption(optionNumber(option.name), option.text);
            if (!error.empty()) return raiseError(option.name + ": " + error);
        }
        return 1;
    });
}

}  // extern "C"

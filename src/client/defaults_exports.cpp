// The client's exports that need no request: the defaults every new request starts with, and the
// encoding of query strings.
#include "client/client_defaults.hpp"
#include "client/parameter_entries.hpp"
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"
#include "frame/output_buffer.hpp"
#include "frame/utf8.hpp"

#include <cctype>

namespace flk::client {
namespace {

constexpr size_t kQueryMax = 2047;   // characters of an encoded query, before the terminating zero

// Every byte of the UTF-8 value but the unreserved characters of URLs as %XX.
void appendEncoded(std::string& out, const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : value) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

}  // namespace
}  // namespace flk::client

using namespace flk;
using namespace flk::client;

extern "C" {

FERROLINK_API int SetDefaultHeaders(int headerParameter) {
    return runExport("SetDefaultHeaders", Host::Controlled, [&] {
        std::vector<ParameterEntry> headers;
        if (!readEntries(headerParameter, "The header parameter", headers)) return 0;
        ClientDefaults& defaults = clientDefaults();
        defaults.headers.clear();
        for (const ParameterEntry& header : headers) {
            LOG4CXX_TRACE(logger(Log::APIClient), "Setting default request header (" << header.name << "," << header.text << ")");
            defaults.headers[header.name] = header.text;
        }
        return 1;
    });
}

FERROLINK_API int SetDefaultOptions(int integerOptions, int stringOptions) {
    return runExport("SetDefaultOptions", Host::Controlled, [&] {
        std::vector<ParameterEntry> integers, texts;
        if (!readEntries(integerOptions, "The integer options", integers) || !readEntries(stringOptions, "The string options", texts))
            return 0;
        ClientDefaults& defaults = clientDefaults();
        defaults.integerOptions.clear();
        defaults.textOptions.clear();
        for (const ParameterEntry& option : integers) {
            LOG4CXX_TRACE(logger(Log::APIClient), "Setting default integer option (" << option.name << "," << option.number << ")");
            defaults.integerOptions[option.name] = truncatedToInt(option.number);
        }
        for (const ParameterEntry& option : texts) {
            LOG4CXX_TRACE(logger(Log::APIClient), "Setting default string option (" << option.name << "," << option.text << ")");
            defaults.textOptions[option.name] = option.text;
        }
        return 1;
    });
}

FERROLINK_API int QueryMapEncode(int queryParameter, wchar_t* output) {
    return runExport("QueryMapEncode", Host::Controlled, [&] {
        if (!output) return raiseError(std::string_view("no output buffer given"));
        std::vector<ParameterEntry> keys;
        if (!readEntries(queryParameter, "The query parameter", keys)) return 0;
        std::string query;
        for (const ParameterEntry& key : keys) {
            if (!query.empty()) query += '&';
            query += key.name + "=";
            appendEncoded(query, key.text);
        }
        copyToBuffer(std::wstring_view(fromUtf8(query)), output, kQueryMax);
        return 1;
    });
}

}  // extern "C"

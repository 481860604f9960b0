#include "client/curl_names.hpp"

#include <curl/curl.h>

#include <map>

namespace flk::client {
namespace {

// The info items a model may ask for by name, as libcurl names them after CURLINFO_.
#define FLK_INFO_NAMES(X)                                                                                     \
    X(EFFECTIVE_URL) X(RESPONSE_CODE) X(TOTAL_TIME) X(NAMELOOKUP_TIME) X(CONNECT_TIME) X(PRETRANSFER_TIME)     \
    X(SIZE_UPLOAD) X(SIZE_UPLOAD_T) X(SIZE_DOWNLOAD) X(SIZE_DOWNLOAD_T) X(SPEED_DOWNLOAD) X(SPEED_DOWNLOAD_T) \
    X(SPEED_UPLOAD) X(SPEED_UPLOAD_T) X(HEADER_SIZE) X(REQUEST_SIZE) X(SSL_VERIFYRESULT) X(FILETIME)         \
    X(FILETIME_T) X(CONTENT_LENGTH_DOWNLOAD) X(CONTENT_LENGTH_DOWNLOAD_T) X(CONTENT_LENGTH_UPLOAD)           \
    X(CONTENT_LENGTH_UPLOAD_T) X(STARTTRANSFER_TIME) X(CONTENT_TYPE) X(REDIRECT_TIME) X(REDIRECT_COUNT)       \
    X(PRIVATE) X(HTTP_CONNECTCODE) X(HTTPAUTH_AVAIL) X(PROXYAUTH_AVAIL) X(OS_ERRNO) X(NUM_CONNECTS)          \
    X(SSL_ENGINES) X(COOKIELIST) X(LASTSOCKET) X(FTP_ENTRY_PATH) X(REDIRECT_URL) X(PRIMARY_IP)                \
    X(APPCONNECT_TIME) X(CERTINFO) X(CONDITION_UNMET) X(RTSP_SESSION_ID) X(RTSP_CLIENT_CSEQ)                  \
    X(RTSP_SERVER_CSEQ) X(RTSP_CSEQ_RECV) X(PRIMARY_PORT) X(LOCAL_IP) X(LOCAL_PORT) X(TLS_SESSION)            \
    X(ACTIVESOCKET) X(TLS_SSL_PTR) X(HTTP_VERSION) X(PROXY_SSL_VERIFYRESULT) X(PROTOCOL) X(SCHEME)            \
    X(TOTAL_TIME_T) X(NAMELOOKUP_TIME_T) X(CONNECT_TIME_T) X(PRETRANSFER_TIME_T) X(STARTTRANSFER_TIME_T)      \
    X(REDIRECT_TIME_T) X(APPCONNECT_TIME_T) X(RETRY_AFTER) X(EFFECTIVE_METHOD) X(PROXY_ERROR)

// Models name the items libcurl has deprecated as well: they still answer, and are checked.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
const std::map<std::string_view, int>& infoNames() {
#define FLK_INFO_ENTRY(name) {#name, int(CURLINFO_##name)},
    static const std::map<std::string_view, int> names{FLK_INFO_NAMES(FLK_INFO_ENTRY)};
#undef FLK_INFO_ENTRY
    return names;
}

// Items whose value is a pointer into libcurl or into this library rather than text or a number.
bool isPointerItem(int info) {
    return info == CURLINFO_PRIVATE || info == CURLINFO_TLS_SESSION || info == CURLINFO_TLS_SSL_PTR ||
           info == CURLINFO_CERTINFO;
}
#pragma GCC diagnostic pop

const char* typeNeeded(curl_easytype type) {
    switch (type) {
        case CURLOT_LONG:
        case CURLOT_VALUES:
        case CURLOT_OFF_T: return "an integer";
        case CURLOT_STRING: return "a text";
        default: return nullptr;
    }
}

}  // namespace

int optionNumber(std::string_view name) {
    const curl_easyoption* option = curl_easy_option_by_name(std::string(name).c_str());
    return option ? int(option->id) : 0;
}

int infoNumber(std::string_view name) {
    auto it = infoNames().find(name);
    return it == infoNames().end() ? 0 : it->second;
}

std::string optionName(int option) {
    const curl_easyoption* known = curl_easy_option_by_id(CURLoption(option));
    return known ? known->name : std::to_string(option);
}

std::string optionRefusal(int option, OptionValue kind) {
    const curl_easyoption* known = curl_easy_option_by_id(CURLoption(option));
    if (!known) return "";   // libcurl refuses it itself, without reading the value
    if (option == CURLOPT_POSTFIELDS || option == CURLOPT_COPYPOSTFIELDS)
        return kind == OptionValue::Text ? "" : "Option " + optionName(option) + " takes a text, not an integer";
    const char* needed = typeNeeded(known->type);
    if (!needed) return "Option " + optionName(option) + " is set by the library itself and cannot be set by a model";
    bool integer = known->type != CURLOT_STRING;
    if (integer == (kind == OptionValue::Integer)) return "";
    return "Option " + optionName(option) + " takes " + needed + ", not " + (integer ? "a text" : "an integer");
}

InfoValue infoValue(int info) {
    if (isPointerItem(info)) return InfoValue::Other;
    switch (info & CURLINFO_TYPEMASK) {
        case CURLINFO_STRING: return InfoValue::Text;
        case CURLINFO_LONG: return InfoValue::Integer;
        case CURLINFO_OFF_T: return InfoValue::Integer64;
        case CURLINFO_DOUBLE: return InfoValue::Double;
        default: return InfoValue::Other;
    }
}

}  // namespace flk::client

// The exports of the API service and the OAuth2 flow.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/output_buffer.hpp"
#include "frame/uninitialize_steps.hpp"
#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "service/api_service.hpp"
#include "service/code_challenge.hpp"
#include "service/oauth2_servlet.hpp"
#include "service/oauth2_states.hpp"
#include "service/open_url.hpp"
#include "service/service_limits.hpp"

#include <algorithm>

namespace flk::service {
namespace {

constexpr size_t kChallengeMax = 2047;   // characters written to each CreateCodeChallenge buffer

// Stopped by UninitializeFerrolink as StopAPIService stops it.
[[maybe_unused]] const bool stopRegistered = (setUninitializeStep(UninitializeStep::Service, [] {
                                                  setCallContext(std::string_view("StopAPIService"));
                                                  stopService();
                                              }),
                                              true);

// Assigns the redirect's parameters to the string parameter at elements named after them.
int storeParameters(const quaynet::Fields& parameters, int parameterHandle) {
    MolvoIOHandler parameter(parameterHandle, false, MolvoIOHandler::kMaxStringSize);
    if (!parameter.valid() || parameter.fullDimension() != 1 || parameter.storage() != IdentifierHandle::kString)
        return raiseError(std::string_view("the code parameter should be a one-dimensional string parameter"));
    MolvoIOHandler index(parameter.declarationDomain().handle(0), false, 0);
    for (const auto& [name, value] : parameters) {
        int element = index.elementByName(name, false);
        if (element == 0) return raiseError(L"cannot add the element '" + fromUtf8(name) + L"': " + index.lastError());
        parameter.assignText(&element, value);
    }
    if (!index.flush()) return raiseError(L"cannot add elements: " + index.lastError());
    if (!parameter.flush()) return raiseError(L"cannot assign values: " + parameter.lastError());
    return 1;
}

int authorizationCode(const std::wstring& state, int timeoutMs, int parameterHandle) {
    auto service = runningService();
    if (!service) return raiseError(std::string_view("the API service is not running: start it with StartAPIService first"));
    const std::string key = toUtf8(state);
    expectState(key);
    quaynet::Fields parameters;
    if (!service->oauth2()->wait(key, std::min(timeoutMs, kMaxAuthorizationWaitMs), parameters)) return 0;
    forgetState(key);
    return storeParameters(parameters, parameterHandle);
}

}  // namespace
}  // namespace flk::service

using namespace flk;
using namespace flk::service;

extern "C" {

FERROLINK_API int StartAPIService(int port, int maxRequestSizeMB, const wchar_t* dataDirectory, int services) {
    return runExport("StartAPIService", Host::Controlled, [&] {
        return startService(port, maxRequestSizeMB, std::wstring(argumentText(dataDirectory)), services);
    });
}

FERROLINK_API int StopAPIService(void) {
    return runExport("StopAPIService", Host::Untouched, [] { return stopService(); });
}

FERROLINK_API int YieldForAPIServiceTask(int timeoutMs, int* result) {
    return runExport(nullptr, Host::Untouched, [&] {
        int ran = executeAPITask(timeoutMs);
        if (result) *result = ran;
        return 1;
    });
}

FERROLINK_API int YieldForAPIServiceTaskFunc(int timeoutMs) {
    return runExport("YieldForAPIServiceTaskFunc", Host::Untouched, [&] { return executeAPITask(timeoutMs); });
}

FERROLINK_API int GetOAuth2AuthorizationCode(const wchar_t* state, int timeoutMs, int codeParameter) {
    return runExport(nullptr, Host::Controlled,
                     [&] { return authorizationCode(std::wstring(argumentText(state)), timeoutMs, codeParameter); });
}

FERROLINK_API int CreateCodeChallenge(wchar_t* codeVerifier, wchar_t* codeChallenge, wchar_t* state) {
    return runExport(nullptr, Host::Untouched, [&] {
        if (!codeVerifier || !codeChallenge || !state) return raiseError(std::string_view("an output buffer is missing"));
        CodeChallenge c = createCodeChallenge();
        expectState(c.state);
        copyToBuffer(std::wstring_view(fromUtf8(c.verifier)), codeVerifier, kChallengeMax);
        copyToBuffer(std::wstring_view(fromUtf8(c.challenge)), codeChallenge, kChallengeMax);
        copyToBuffer(std::wstring_view(fromUtf8(c.state)), state, kChallengeMax);
        return 1;
    });
}

FERROLINK_API int OpenURLDesktop(const wchar_t* url) {
    return runExport(nullptr, Host::Untouched, [&] {
        openUrlDesktop(toUtf8(argumentText(url)));
        return 1;
    });
}

}  // extern "C"

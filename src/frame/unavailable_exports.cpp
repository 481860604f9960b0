// Exports whose subsystem is not part of this build yet. Each fails honestly: it raises
// "<name> is not available in this build" and returns 0. A subsystem that lands removes its
// exports from this file.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"

namespace flk {

int notAvailable(const char* name) noexcept {
    return runExport(name, Host::Untouched, [name] {
        return raiseError(std::string(name) + " is not available in this build");
    });
}

}  // namespace flk

using flk::notAvailable;

extern "C" {

FERROLINK_API int StartAPIService(int, int, const wchar_t*, int) { return notAvailable("StartAPIService"); }
FERROLINK_API int StopAPIService(void) { return notAvailable("StopAPIService"); }
FERROLINK_API int YieldForAPIServiceTask(int, int*) { return notAvailable("YieldForAPIServiceTask"); }
FERROLINK_API int YieldForAPIServiceTaskFunc(int) { return notAvailable("YieldForAPIServiceTaskFunc"); }
FERROLINK_API int GetOAuth2AuthorizationCode(const wchar_t*, int, int) { return notAvailable("GetOAuth2AuthorizationCode"); }
FERROLINK_API int CreateCodeChallenge(wchar_t*, wchar_t*, wchar_t*) { return notAvailable("CreateCodeChallenge"); }
FERROLINK_API int OpenURLDesktop(const wchar_t*) { return notAvailable("OpenURLDesktop"); }

}  // extern "C"

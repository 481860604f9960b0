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

FERROLINK_API int StopClient(void) { return notAvailable("StopClient"); }
FERROLINK_API int NewRequest(const char*, const char*, const char*, const char*, const char*, const char*, const char*) { return notAvailable("NewRequest"); }
FERROLINK_API int CloseRequest(const char*) { return notAvailable("CloseRequest"); }
FERROLINK_API int CloseAllRequests(void) { return notAvailable("CloseAllRequests"); }
FERROLINK_API int PerformRequest(const char*) { return notAvailable("PerformRequest"); }
FERROLINK_API int WaitForResponses(int) { return notAvailable("WaitForResponses"); }
FERROLINK_API int SetParallelConnections(int) { return notAvailable("SetParallelConnections"); }
FERROLINK_API int QueryMapEncode(int, wchar_t*) { return notAvailable("QueryMapEncode"); }
FERROLINK_API int AddStringOption(const char*, int, const char*) { return notAvailable("AddStringOption"); }
FERROLINK_API int AddIntOption(const char*, int, int) { return notAvailable("AddIntOption"); }
FERROLINK_API int AddHeader(const char*, const char*, const char*) { return notAvailable("AddHeader"); }
FERROLINK_API int AddMimePart(const char*, const char*, const char*, int) { return notAvailable("AddMimePart"); }
FERROLINK_API int GetStringInfoItem(const char*, int, char*) { return notAvailable("GetStringInfoItem"); }
FERROLINK_API int GetIntInfoItem(const char*, int, int*) { return notAvailable("GetIntInfoItem"); }
FERROLINK_API int SetDefaultHeaders(int) { return notAvailable("SetDefaultHeaders"); }
FERROLINK_API int AddRequestHeaders(const char*, int) { return notAvailable("AddRequestHeaders"); }
FERROLINK_API int GetResponseHeaders(const char*, int) { return notAvailable("GetResponseHeaders"); }
FERROLINK_API int SetDefaultOptions(int, int) { return notAvailable("SetDefaultOptions"); }
FERROLINK_API int AddRequestOptions(const char*, int, int) { return notAvailable("AddRequestOptions"); }
FERROLINK_API int GetInfoItems(const char*, int, int, int) { return notAvailable("GetInfoItems"); }
FERROLINK_API int Poll(const wchar_t*, int) { return notAvailable("Poll"); }
FERROLINK_API int StopPolling(void) { return notAvailable("StopPolling"); }
FERROLINK_API int ProxyResolve(const wchar_t*, wchar_t*) { return notAvailable("ProxyResolve"); }

}  // extern "C"

/*
 * Ferrolink: the functions a modelling system calls when it loads libferrolink.so as an external
 * procedure library.
 *
 * Rules for every function:
 * - Results: 1 for success, 0 for failure, unless a function says otherwise. The reason of a failure
 *   reaches the host as an error raised during the call (MolvoErrorRaiseA), beginning with the name
 *   of the function then running and ": ".
 * - Strings: const wchar_t* arguments are NUL-terminated wide strings (UTF-32 on Linux); const char*
 *   arguments are NUL-terminated UTF-8. The library copies what it keeps; the caller keeps ownership.
 * - Output buffers (non-const pointers) belong to the caller and must hold at least the size given
 *   beside the function; the library writes at most one less than that and a terminating NUL.
 * - Handles are the host's identifier handles; the caller keeps ownership of them.
 * - Functions may be called only from the thread running the model, one at a time. Functions that
 *   touch model identifiers take the host's control lock for the duration of the call.
 * - No exception ever leaves a function.
 */
#ifndef FERROLINK_FERROLINK_H
#define FERROLINK_FERROLINK_H

#include <wchar.h>

#if defined(__GNUC__)
#define FERROLINK_API __attribute__((visibility("default")))
#else
#define FERROLINK_API
#endif

#ifdef __cplusplus
#include <iosfwd>
typedef std::istream FerrolinkInput;
typedef std::ostream FerrolinkOutput;
extern "C" {
#else
typedef struct FerrolinkInput FerrolinkInput;
typedef struct FerrolinkOutput FerrolinkOutput;
#endif

/* ---- frame and logging */
FERROLINK_API int InitService(const wchar_t* webModuleLocation);
FERROLINK_API int UninitializeFerrolink(void);
FERROLINK_API int SetLoggerLevel(const wchar_t* loggerName, const wchar_t* level);
FERROLINK_API int AddLogEntry(const wchar_t* message, const wchar_t* level);
/* message: 2048 bytes */
FERROLINK_API int GetErrorMessage(int curlCode, char* message);

/* ---- mappings */
FERROLINK_API int AddMapping(const wchar_t* mappingName, const wchar_t* mappingFile);
FERROLINK_API int DeleteMapping(const wchar_t* mappingName);
FERROLINK_API int ResetMappingData(const wchar_t* mappingName, int emptyReferenced, int emptyIndices, int resetCounters);

/* ---- documents; a file name beginning with "#" names a memory stream */
FERROLINK_API int ReadFromFile(const wchar_t* fileName, const wchar_t* mappingName, int emptyReferenced,
                               int emptyIndices, int resetCounters);
FERROLINK_API int WriteToFile(const wchar_t* fileName, const wchar_t* mappingName, int pretty);
FERROLINK_API int ReadFromStream(FerrolinkInput* input, const wchar_t* documentName, const wchar_t* mappingName,
                                 int emptyReferenced, int emptyIndices, int resetCounters);
FERROLINK_API int WriteToStream(FerrolinkOutput* output, const wchar_t* documentName, const wchar_t* mappingName,
                                int pretty);

/* ---- memory streams */
FERROLINK_API int SetDefaultStreamSize(int size);
FERROLINK_API int CreateStream(const char* name);
FERROLINK_API int DeleteStream(const char* name);
FERROLINK_API int DeleteAllStreams(void);
FERROLINK_API int WriteStreamToFile(const char* name, const char* fileName);
FERROLINK_API int ExportStream(const char* name, int stringParameter);
FERROLINK_API int ImportStream(const char* name, int stringParameter);

/* ---- text */
FERROLINK_API int ConvertFileToEncoding(const wchar_t* inputFile, const wchar_t* inputEncoding,
                                        const wchar_t* outputFile, const wchar_t* outputEncoding, int noBOM);
/* output: 2048 wide characters; form: 1 NFC, 2 NFD */
FERROLINK_API int NormalizeUCString(const wchar_t* input, wchar_t* output, int form);
FERROLINK_API int NormalizeSet(int set, int form);
FERROLINK_API int AttributeListSplit(const wchar_t* attributeList, int attributeValueParameter);
/* uuid: 1024 wide characters */
FERROLINK_API int GetUUID(const wchar_t* name, wchar_t* uuid);

/* ---- HTTP client */
FERROLINK_API int StopClient(void);
FERROLINK_API int NewRequest(const char* id, const char* url, const char* callback, const char* method,
                             const char* requestFile, const char* responseFile, const char* traceFile);
FERROLINK_API int CloseRequest(const char* id);
FERROLINK_API int CloseAllRequests(void);
FERROLINK_API int PerformRequest(const char* id);
FERROLINK_API int WaitForResponses(int timeoutMs);
FERROLINK_API int SetParallelConnections(int count);
/* output: 2048 wide characters */
FERROLINK_API int QueryMapEncode(int queryParameter, wchar_t* output);
FERROLINK_API int AddStringOption(const char* id, int option, const char* value);
FERROLINK_API int AddIntOption(const char* id, int option, int value);
FERROLINK_API int AddHeader(const char* id, const char* name, const char* value);
FERROLINK_API int AddMimePart(const char* id, const char* partName, const char* dataFile, int keepFileName);
/* value: 8192 bytes */
FERROLINK_API int GetStringInfoItem(const char* id, int info, char* value);
FERROLINK_API int GetIntInfoItem(const char* id, int info, int* value);
FERROLINK_API int SetDefaultHeaders(int headerParameter);
FERROLINK_API int AddRequestHeaders(const char* id, int headerParameter);
FERROLINK_API int GetResponseHeaders(const char* id, int headerParameter);
FERROLINK_API int SetDefaultOptions(int integerOptions, int stringOptions);
FERROLINK_API int AddRequestOptions(const char* id, int integerOptions, int stringOptions);
FERROLINK_API int GetInfoItems(const char* id, int items, int numericOutput, int stringOutput);

/* ---- API service and OAuth2 */
FERROLINK_API int StartAPIService(int port, int maxRequestSizeMB, const wchar_t* dataDirectory, int services);
FERROLINK_API int StopAPIService(void);
FERROLINK_API int YieldForAPIServiceTask(int timeoutMs, int* result);
FERROLINK_API int YieldForAPIServiceTaskFunc(int timeoutMs);
FERROLINK_API int GetOAuth2AuthorizationCode(const wchar_t* state, int timeoutMs, int codeParameter);
/* each buffer: 2048 wide characters */
FERROLINK_API int CreateCodeChallenge(wchar_t* codeVerifier, wchar_t* codeChallenge, wchar_t* state);
FERROLINK_API int OpenURLDesktop(const wchar_t* url);

/* ---- platform utilities */
FERROLINK_API int Poll(const wchar_t* procedure, int intervalMs);
FERROLINK_API int StopPolling(void);
/* proxy: 1024 wide characters, left as passed when no proxy applies */
FERROLINK_API int ProxyResolve(const wchar_t* url, wchar_t* proxy);

#ifdef __cplusplus
}
#endif

/* Every function above, for tools that call them by name (X is applied to each name). */
#define FERROLINK_EXPORTS(X)                                                                                    \
    X(InitService) X(UninitializeFerrolink) X(SetLoggerLevel) X(AddLogEntry) X(GetErrorMessage)               \
    X(AddMapping) X(DeleteMapping) X(ResetMappingData)                                                          \
    X(ReadFromFile) X(WriteToFile) X(ReadFromStream) X(WriteToStream)                                           \
    X(SetDefaultStreamSize) X(CreateStream) X(DeleteStream) X(DeleteAllStreams) X(WriteStreamToFile)           \
    X(ExportStream) X(ImportStream)                                                                             \
    X(ConvertFileToEncoding) X(NormalizeUCString) X(NormalizeSet) X(AttributeListSplit) X(GetUUID)             \
    X(StopClient) X(NewRequest) X(CloseRequest) X(CloseAllRequests) X(PerformRequest) X(WaitForResponses)      \
    X(SetParallelConnections) X(QueryMapEncode) X(AddStringOption) X(AddIntOption) X(AddHeader)                \
    X(AddMimePart) X(GetStringInfoItem) X(GetIntInfoItem) X(SetDefaultHeaders) X(AddRequestHeaders)           \
    X(GetResponseHeaders) X(SetDefaultOptions) X(AddRequestOptions) X(GetInfoItems)                             \
    X(StartAPIService) X(StopAPIService) X(YieldForAPIServiceTask) X(YieldForAPIServiceTaskFunc)               \
    X(GetOAuth2AuthorizationCode) X(CreateCodeChallenge) X(OpenURLDesktop)                                      \
    X(Poll) X(StopPolling) X(ProxyResolve)

#endif

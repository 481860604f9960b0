// The memory-stream exports: create, delete, save to a file, and copy to and from a scalar string
// parameter.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "host/molvo_io_handler.hpp"
#include "platform/output_file.hpp"
#include "streams/memory_stream.hpp"

#include <algorithm>

namespace flk {
namespace {

constexpr int kStringParameterSize = 8192;   // characters moved to or from a string parameter

std::string nameOf(const char* name) { return name ? std::string(name) : std::string(); }

int streamError(const std::string& message) { return raiseLogged(Log::MemoryStream, message); }

int missing(const std::string& name) { return streamError("Stream " + name + " does not exist"); }

// The name of the identifier behind a host handle, so that a batched handler can be opened on it.
std::wstring identifierName(int handle) {
    std::vector<wchar_t> buffer(kStringParameterSize + 1, L'\0');
    MolvoValueW value{0, 0, kStringParameterSize + 1, buffer.data()};
    if (MolvoAttributeNameW(handle, &value) != 1) return {};
    return buffer.data();
}

// What the identifier is when it is not a scalar string parameter, the one kind a stream's text
// moves to and from; empty when it is one.
std::string notScalarString(const MolvoIOHandler& identifier) {
    std::string kind;
    if (identifier.isSet()) return "a set";
    if (identifier.type() == IdentifierHandle::kIndex) return "an index";
    if (identifier.storage() == IdentifierHandle::kString) kind = "a string parameter";
    else if (identifier.rangeDomain().hasRange()) kind = "an element parameter";
    else if (identifier.storage() == IdentifierHandle::kDouble) kind = "a numeric parameter";
    else kind = "an integer parameter";
    int indices = identifier.slicedDimension();
    if (indices > 0) kind += " with " + std::to_string(indices) + (indices == 1 ? " index" : " indices");
    return kind == "a string parameter" ? std::string() : kind;
}

// False after raising why the stream cannot move to or from the identifier ("exported into",
// "imported from").
bool checkScalarString(const MolvoIOHandler& identifier, const std::string& stream, const char* direction) {
    if (!identifier.valid()) return streamError(toUtf8(identifier.creationError()));
    std::string kind = notScalarString(identifier);
    if (kind.empty()) return true;
    return streamError("Stream " + stream + " cannot be " + direction + " " + toUtf8(identifier.name()) + ": it is " +
                       kind + ", not a scalar string parameter");
}

}  // namespace
}  // namespace flk

using namespace flk;

extern "C" {

FERROLINK_API int SetDefaultStreamSize(int size) {
    return runExport("SetDefaultStreamSize", Host::Untouched, [&] {
        if (size < 0) return streamError("Default stream size " + std::to_string(size) + " is negative");
        MemoryStreams::setDefaultSize(size);
        return 1;
    });
}

FERROLINK_API int CreateStream(const char* name) {
    return runExport("CreateStream", Host::Untouched, [&] { return MemoryStreams::create(nameOf(name)) ? 1 : 0; });
}

FERROLINK_API int DeleteStream(const char* name) {
    return runExport("DeleteStream", Host::Untouched, [&] {
        return MemoryStreams::remove(nameOf(name)) ? 1 : missing(nameOf(name));
    });
}

FERROLINK_API int DeleteAllStreams(void) {
    return runExport("DeleteAllStreams", Host::Untouched, [] {
        MemoryStreams::removeAll();
        return 1;
    });
}

FERROLINK_API int WriteStreamToFile(const char* name, const char* fileName) {
    return runExport("WriteStreamToFile", Host::Untouched, [&] {
        auto stream = MemoryStreams::get(nameOf(name));
        setCallContext(std::string_view("WriteStreamToFile"));
        if (!stream) return missing(nameOf(name));
        std::string target = nameOf(fileName);
        OutputFile file;
        if (!file.open(target)) {
            if (file.failure() == OutputFile::Failure::CannotOpen)
                return streamError("File " + target + " cannot be opened for writing");
            return streamError("File " + target + " cannot be written: " + file.reason());
        }
        std::string bytes = stream->contents();
        file.write(bytes.data(), bytes.size());
        return file.commit() ? 1 : streamError("File " + target + " cannot be written: " + file.reason());
    });
}

FERROLINK_API int ExportStream(const char* name, int stringParameter) {
    return runExport("ExportStream", Host::Controlled, [&] {
        auto stream = MemoryStreams::get(nameOf(name));
        setCallContext(std::string_view("ExportStream"));
        if (!stream) return missing(nameOf(name));
        MolvoIOHandler target(identifierName(stringParameter), false, 0, kStringParameterSize);
        if (!checkScalarString(target, nameOf(name), "exported into")) return 0;
        std::wstring text = fromUtf8(stream->contents());
        text = text.substr(0, std::min(text.find(L'\0'), size_t(kStringParameterSize)));
        target.assignText(nullptr, toUtf8(text));
        if (!target.ok() || target.lastErrorCode() != 0) raiseError(target.lastError());
        return 1;
    });
}

FERROLINK_API int ImportStream(const char* name, int stringParameter) {
    return runExport("ImportStream", Host::Controlled, [&] {
        if (!checkScalarString(MolvoIOHandler(stringParameter, false, kStringParameterSize), nameOf(name), "imported from"))
            return 0;
        std::vector<wchar_t> buffer(kStringParameterSize + 1, L'\0');
        MolvoValueW value{0, 0, kStringParameterSize + 1, buffer.data()};
        if (MolvoValueRetrieveW(stringParameter, nullptr, &value) != 1) {
            HostError e = lastHostError();
            if (e.code != 0) return raiseError(e.text);
        }
        if (!MemoryStreams::create(nameOf(name))) return 0;
        auto stream = MemoryStreams::get(nameOf(name));
        setCallContext(std::string_view("ImportStream"));
        stream->assign(toUtf8(buffer.data()));
        return 1;
    });
}

}  // extern "C"

// The exports that read a document into the model and write one from it, to files, memory
// streams and caller's streams.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "mapping/document_drivers.hpp"
#include "mapping/tree_node.hpp"
#include "platform/input_file.hpp"
#include "platform/output_file.hpp"
#include "streams/memory_stream.hpp"

#include <istream>
#include <ostream>

namespace flk {
namespace {

// Raised with the call context and logged at Error.
int failWith(const std::string& message) { return raiseLogged(Log::FLK, message); }

int readFrom(std::istream& input, const std::wstring& document, const std::wstring& mappingName, ResetFlags flags) {
    setCallContext(std::string_view("ReadFromStream"));
    auto mapping = findMapping(mappingName);
    if (!mapping || !mapping->root) return failWith("Cannot find mapping " + toUtf8(mappingName) + " for reading");
    try {
        return readDocumentWith(mapping, document, input, flags) ? 1 : 0;
    } catch (const std::exception& e) {
        discardPending(*mapping);
        raiseReadException(exceptionText(e), document);
        if (const auto* located = dynamic_cast<const LocatedFailure*>(&e)) warnModel(located->warning());
        return 0;
    } catch (...) {
        discardPending(*mapping);
        return raiseReadException("Unknown exception", document);
    }
}

int writeTo(std::ostream& output, const std::wstring& document, const std::wstring& mappingName, int pretty) {
    setCallContext(std::string_view("WriteToStream"));
    auto mapping = findMapping(mappingName);
    if (!mapping || !mapping->root) return failWith("Cannot find mapping " + toUtf8(mappingName) + " for writing");
    try {
        return writeDocumentWith(mapping, document, output, pretty) ? 1 : 0;
    } catch (const std::exception& e) {
        return raiseError("Exception occurred while writing data: " + std::string(exceptionText(e)) + " to document " +
                          toUtf8(document));
    } catch (...) {
        return raiseError("Exception occurred while writing data: Unknown exception to document " + toUtf8(document));
    }
}

// A "#" name is a memory stream, unless the mapping's documents are files only.
bool namesStream(const std::string& name, const std::wstring& mappingName) {
    if (name[0] != '#') return false;
    auto mapping = findMapping(mappingName);
    return !mapping || !mapping->root || !mapping->root->documentsInFilesOnly();
}

}  // namespace
}  // namespace flk

using namespace flk;

extern "C" {

FERROLINK_API int ReadFromFile(const wchar_t* fileName, const wchar_t* mappingName, int emptyReferenced,
                               int emptyIndices, int resetCounters) {
    std::wstring file(argumentText(fileName)), mapping(argumentText(mappingName));
    ResetFlags flags{emptyReferenced != 0, emptyIndices != 0, resetCounters != 0};
    return runExport("ReadFromFile", Host::Controlled, [&] {
        std::string name = toUtf8(file);
        LOG4CXX_INFO(logger(Log::FLK), "Read from file " << name << " using mapping " << toUtf8(mapping));
        if (name.empty()) return failWith("File name cannot be empty");
        if (namesStream(name, mapping)) {
            auto stream = MemoryStreams::get(name);
            if (!stream) return failWith("Stream " + name + " does not exist");
            return readFrom(stream->rewoundForReading(), file, mapping, flags);
        }
        InputFile opened;
        if (!opened.open(name)) {
            if (opened.failure() == InputFile::Failure::NotRegularFile)
                return failWith("Cannot read file " + name + ": " + opened.reason());
            return failWith("Cannot open file " + name + " for reading");
        }
        std::unique_ptr<std::streambuf> buffer = opened.releaseAsBuffer();
        std::istream input(buffer.get());
        return readFrom(input, file, mapping, flags);
    });
}

FERROLINK_API int WriteToFile(const wchar_t* fileName, const wchar_t* mappingName, int pretty) {
    std::wstring file(argumentText(fileName)), mapping(argumentText(mappingName));
    return runExport("WriteToFile", Host::Controlled, [&] {
        std::string name = toUtf8(file);
        LOG4CXX_INFO(logger(Log::FLK), "Write to file " << name << " using mapping " << toUtf8(mapping));
        if (name.empty()) return failWith("File name cannot be empty");
        if (namesStream(name, mapping)) {
            if (!MemoryStreams::create(name)) return 0;
            auto stream = MemoryStreams::get(name);
            return writeTo(stream->stream(), file, mapping, pretty);
        }
        // The file replaces the one of that name only once the whole document is in it.
        OutputFile output;
        if (!output.open(name)) {
            if (output.failure() == OutputFile::Failure::CannotOpen)
                return failWith("Cannot open file " + name + " for writing");
            return failWith("Cannot write file " + name + ": " + output.reason());
        }
        std::ostream stream(&output);
        if (!writeTo(stream, file, mapping, pretty)) return 0;
        setCallContext(std::string_view("WriteToFile"));
        return output.commit() ? 1 : failWith("Cannot write file " + name + ": " + output.reason());
    });
}

FERROLINK_API int ReadFromStream(FerrolinkInput* input, const wchar_t* documentName, const wchar_t* mappingName,
                                 int emptyReferenced, int emptyIndices, int resetCounters) {
    ResetFlags flags{emptyReferenced != 0, emptyIndices != 0, resetCounters != 0};
    return runExport("ReadFromStream", Host::Controlled, [&] {
        if (!input) return raiseError(std::string_view("No input stream given"));
        return readFrom(*input, std::wstring(argumentText(documentName)), std::wstring(argumentText(mappingName)), flags);
    });
}

FERROLINK_API int WriteToStream(FerrolinkOutput* output, const wchar_t* documentName, const wchar_t* mappingName,
                                int pretty) {
    return runExport("WriteToStream", Host::Controlled, [&] {
        if (!output) return raiseError(std::string_view("No output stream given"));
        return writeTo(*output, std::wstring(argumentText(documentName)), std::wstring(argumentText(mappingName)), pretty);
    });
}

}  // extern "C"

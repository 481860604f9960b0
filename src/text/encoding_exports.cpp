// ConvertFileToEncoding: copies a text file into another encoding. Failures are not raised to
// the host (the result 0 says it); why it failed is logged on Ferrolink.FLK.
#include "ferrolink/ferrolink.h"
#include "frame/export_frame.hpp"
#include "frame/loggers.hpp"
#include "frame/utf8.hpp"
#include "text/file_conversion.hpp"

#include <string>

namespace flk {
namespace {


ucsIO::TextFileName fileNameOf(const wchar_t* name) {
    const std::wstring_view wide = argumentText(name);
    return {std::wstring(wide), toUtf8(wide)};
}

void logFailure(const ucsIO::TextFileName& input, const ucsIO::TextFileName& output,
                const ucsIO::ConversionOutcome& outcome) {
    if (!logger(Log::FLK)->isWarnEnabled()) return;
    std::string text = "Converting " + input.utf8 + " into " + output.utf8 + " failed";
    if (!outcome.inputMessage.empty()) text += ": " + toUtf8(outcome.inputMessage);
    if (!outcome.outputMessage.empty()) text += ": " + toUtf8(outcome.outputMessage);
    if (outcome.inputMessage.empty() && outcome.outputMessage.empty()) {
        text += " (input error " + std::to_string(outcome.inputError) + ", output error " +
                std::to_string(outcome.outputError) + ")";
    }
    LOG4CXX_WARN(logger(Log::FLK), text);
}

}  // namespace
}  // namespace flk

using namespace flk;

extern "C" {

FERROLINK_API int ConvertFileToEncoding(const wchar_t* inputFile, const wchar_t* inputEncoding,
                                        const wchar_t* outputFile, const wchar_t* outputEncoding, int noBOM) {
    return runExport("ConvertFileToEncoding", Host::Untouched, [&] {
        const ucsIO::TextFileName input = fileNameOf(inputFile);
        const ucsIO::TextFileName output = fileNameOf(outputFile);
        const ucsIO::ConversionOutcome outcome =
            ucsIO::convertTextFile(input, argumentText(inputEncoding), output, argumentText(outputEncoding), noBOM != 0);
        if (!outcome.copied) logFailure(input, output, outcome);
        return outcome.copied ? 1 : 0;
    });
}

}  // extern "C"

#include "text/file_conversion.hpp"

#include "text/text_file.hpp"
#include "text/text_file_errors.hpp"
#include "text/text_file_names.hpp"

#include <filesystem>

namespace ucsIO {
namespace {

// "<what> file ...: <reason>." in the form of the kept messages; system reasons are ASCII.
std::wstring readingMessage(const TextFileName& name, const std::string& reason) {
    return L"Reading file: '" + name.wide + L"': " + wideName(reason) + L".";
}

std::wstring writingMessage(const TextFileName& name, const std::string& reason) {
    return L"Writing file \"" + name.wide + L"\": " + wideName(reason) + L".";
}

}  // namespace

ConversionOutcome convertTextFile(const TextFileName& input, std::wstring_view inputEncoding,
                                  const TextFileName& output, std::wstring_view outputEncoding, bool noBom) {
    ConversionOutcome outcome;
    TextInputFile in;
    auto inFile = std::make_unique<StdBackendFile>();
    if (!inFile->openForReading(input.utf8)) {
        outcome.inputError = kFileError;
        outcome.inputMessage = readingMessage(input, inFile->reason());
        return outcome;
    }
    const bool inputOpened = in.open(std::move(inFile), input.wide, 0, inputEncoding);
    outcome.inputError = in.errorCode();
    if (!inputOpened) return outcome;

    // A failed conversion still replaces the output with what came before the failure, which
    // would leave no copy of the input.
    std::error_code notComparable;
    if (std::filesystem::equivalent(input.utf8, output.utf8, notComparable)) {
        outcome.outputError = kFileError;
        outcome.outputMessage = L"Writing file \"" + output.wide + L"\": it is the input file.";
        return outcome;
    }
    TextOutputFile out;
    auto outFile = std::make_unique<ReplacingBackendFile>();
    ReplacingBackendFile& replacement = *outFile;   // owned by out from here on
    if (!outFile->open(output.utf8)) {
        outcome.outputError = kFileError;
        outcome.outputMessage = writingMessage(output, outFile->reason());
        return outcome;
    }
    const bool outputOpened = out.open(std::move(outFile), output.wide, noBom ? kNoBom : 0, outputEncoding);
    bool ok = outputOpened && out.copyFrom(in);
    ok = out.close() && ok;
    in.close();
    outcome.inputError = in.errorCode();
    outcome.inputMessage = in.errorMessage();
    outcome.outputError = out.errorCode();
    outcome.outputMessage = out.errorMessage();
    // An output that opened replaces the file also after the input failed to decode, or held a
    // character the output encoding lacks: what was converted before the failure is kept. Only an
    // output that could not be opened or written leaves the file as it was.
    if (outputOpened && !replacement.commit()) {
        ok = false;
        outcome.outputError = kFileError;
        outcome.outputMessage = writingMessage(output, replacement.reason());
    }
    outcome.copied = ok && outcome.inputError == kNoError && outcome.outputError == kNoError;
    return outcome;
}

}  // namespace ucsIO

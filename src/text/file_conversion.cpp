#include "text/file_conversion.hpp"

#include "text/text_file.hpp"
#include "text/text_file_errors.hpp"

#include <filesystem>

namespace ucsIO {
namespace {

std::unique_ptr<StdBackendFile> openBackend(const TextFileName& name, const char* mode) {
    auto file = std::make_unique<StdBackendFile>();
    if (!file->open(name.utf8, mode)) return nullptr;
    return file;
}

}  // namespace

ConversionOutcome convertTextFile(const TextFileName& input, std::wstring_view inputEncoding,
                                  const TextFileName& output, std::wstring_view outputEncoding, bool noBom) {
    ConversionOutcome outcome;
    TextInputFile in;
    auto inFile = openBackend(input, "rb");
    if (!inFile) {
        outcome.inputError = kFileError;
        return outcome;
    }
    const bool inputOpened = in.open(std::move(inFile), input.wide, 0, inputEncoding);
    outcome.inputError = in.errorCode();
    if (!inputOpened) return outcome;

    // Opening the output truncates it: converting a file onto itself would destroy it.
    std::error_code notComparable;
    if (std::filesystem::equivalent(input.utf8, output.utf8, notComparable)) {
        outcome.outputError = kFileError;
        outcome.outputMessage = L"Writing file \"" + output.wide + L"\": it is the input file.";
        return outcome;
    }
    TextOutputFile out;
    auto outFile = openBackend(output, "wb");
    if (!outFile) {
        outcome.outputError = kFileError;
        return outcome;
    }
    bool ok = out.open(std::move(outFile), output.wide, noBom ? kNoBom : 0, outputEncoding);
    ok = ok && out.copyFrom(in);
    ok = out.close() && ok;
    in.close();
    outcome.copied = ok && in.errorCode() == kNoError && out.errorCode() == kNoError;
    outcome.inputError = in.errorCode();
    outcome.inputMessage = in.errorMessage();
    outcome.outputError = out.errorCode();
    outcome.outputMessage = out.errorMessage();
    return outcome;
}

}  // namespace ucsIO

#include "text/encoding_names.hpp"
#include "text/text_file.hpp"
#include "text/text_file_errors.hpp"
#include "text/text_file_names.hpp"

#include <cstdio>
#include <vector>

namespace ucsIO {
namespace {

constexpr size_t kCopyLineCapacity = 2048;  // characters per line read while copying, NUL included
constexpr wchar_t kLeftToRightMark = L'\u200E';

struct OutputBom {
    const char* canonicalName;
    std::string_view bytes;
};

constexpr OutputBom kOutputBoms[] = {
    {"UTF-32BE", std::string_view("\x00\x00\xFE\xFF", 4)},
    {"UTF-32LE", std::string_view("\xFF\xFE\x00\x00", 4)},
    {"UTF-16BE", std::string_view("\xFE\xFF", 2)},
    {"UTF-16LE", std::string_view("\xFF\xFE", 2)},
    {"UTF8", std::string_view("\xEF\xBB\xBF", 3)},
};

std::wstring outputEncodingName(std::wstring_view requested) {
    if (requested.empty() || requested == L"char") return wideName(UCS::defaultEncodingName());
    if (requested == L"UNIASC_ENCODING" || requested == L"wchar_t") return L"UTF-16LE";
    return std::wstring(requested);
}

// "U+" digits: upper-case hexadecimal, at least four, zero-filled.
std::wstring codeHex(char32_t c) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(c));
    return wideName(digits);
}

}  // namespace

TextOutputFile::TextOutputFile() = default;
TextOutputFile::~TextOutputFile() { close(); }

bool TextOutputFile::open(std::unique_ptr<IBackendFile> backend, std::wstring fileName, std::int32_t flags,
                          std::wstring_view encoding) {
    close();
    reset(std::move(backend), std::move(fileName), flags);
    encoding_ = outputEncodingName(encoding);
    if (!converter_->openEncoder(narrowName(encoding_))) {
        setError(kUnknownEncoding);
        backend_->close();
        return false;
    }
    if (!(flags & kNoBom) && !writeBom()) {
        backend_->close();
        return false;
    }
    sink_ = std::make_unique<BackendWriter>(*backend_);
    bytes_ = std::make_unique<BufferedWriter>(*sink_, 1);
    encoder_ = std::make_unique<ConverterWriter>(*bytes_, *converter_, *this);
    newlines_ = std::make_unique<TranslateNewlineWriter>(*encoder_);
    text_ = std::make_unique<BufferedWriter>(*newlines_, sizeof(wchar_t));
    opened_ = true;
    return true;
}

bool TextOutputFile::writeBom() {
    const auto encoding = UCS::resolveEncoding(narrowName(encoding_));
    const std::string_view canonical = UCS::canonicalName(encoding->codePage);
    for (const OutputBom& bom : kOutputBoms) {
        if (canonical != bom.canonicalName) continue;
        if (backend_->write(bom.bytes.data(), bom.bytes.size()) != bom.bytes.size()) {
            setError(kFileError);
            return false;
        }
        // A name such as UTF-16 puts a BOM in front of its data: the file has it already.
        converter_->omitDataBom();
        break;
    }
    return true;
}

bool TextOutputFile::write(std::wstring_view text) {
    if (!opened_) return false;
    std::int32_t error = kNoError;
    if (text_->write(text.data(), text.size() * sizeof(wchar_t), error)) return true;
    setError(error);
    return false;
}

bool TextOutputFile::copyFrom(TextInputFile& input) {
    std::vector<wchar_t> line(kCopyLineCapacity);
    while (const size_t n = input.readLine(line.data(), line.size())) {
        if (!write(std::wstring_view(line.data(), n))) return false;
    }
    return true;
}

bool TextOutputFile::close() {
    if (!opened_) return errorCode_ == kNoError;
    opened_ = false;
    std::int32_t error = kNoError;
    const bool flushed = text_->flush(error);
    if (!flushed) setError(error);
    const bool closed = backend_->close();
    if (!closed) setError(kFileError);
    return flushed && closed;
}

void TextOutputFile::onCannotConvert(char32_t character, std::uint64_t offset) {
    setError(kBadCharacter, L"Writing file \"" + fileName_ + L"\"(offset:" + std::to_wstring(offset) +
                                L"): Cannot convert the unicode character '" + kLeftToRightMark +
                                static_cast<wchar_t>(character) + kLeftToRightMark + L"' (U+" + codeHex(character) +
                                L") to the output encoding: " + encoding_ + L".");
}

void TextOutputFile::onConversionFailure() { setError(kConversionFailed); }

}  // namespace ucsIO

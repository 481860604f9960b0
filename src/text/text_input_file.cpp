#include "text/encoding_names.hpp"
#include "text/text_file.hpp"
#include "text/text_file_errors.hpp"
#include "text/text_file_names.hpp"
#include "text/wide_scan.hpp"

#include <algorithm>

namespace ucsIO {
namespace {

constexpr size_t kMaxBomBytes = 4;

const wchar_t* wideData(const IIteratorReader& reader) { return reinterpret_cast<const wchar_t*>(reader.data()); }

}  // namespace

TextInputFile::TextInputFile() = default;
TextInputFile::~TextInputFile() { close(); }

bool TextInputFile::open(std::unique_ptr<IBackendFile> backend, std::wstring fileName, std::int32_t flags,
                         std::wstring_view encoding) {
    close();
    reset(std::move(backend), std::move(fileName), flags);
    unsigned char start[kMaxBomBytes];
    const DetectedBom bom = detectBom(start, backend_->read(start, kMaxBomBytes));
    backend_->seek(static_cast<long>(bom.length));
    if (bom.length > 0) {
        encoding_ = wideName(bom.encoding);
    } else {
        encoding_ = encoding.empty() ? wideName(UCS::defaultEncodingName()) : std::wstring(encoding);
    }
    if (!converter_->openDecoder(narrowName(encoding_))) {
        setError(kUnknownEncoding);
        backend_->close();
        return false;
    }
    source_ = std::make_unique<BackendReader>(*backend_);
    bytes_ = std::make_unique<IIteratorReader>(*source_, 1);
    decoder_ = std::make_unique<ConverterReader>(*bytes_, *converter_, *this);
    text_ = std::make_unique<IIteratorReader>(*decoder_, sizeof(wchar_t));
    opened_ = true;
    return true;
}

void TextInputFile::close() {
    if (!opened_) return;
    opened_ = false;
    backend_->close();
}

bool TextInputFile::nextUnit(wchar_t& c) {
    if (text_->available() == 0) {
        std::int32_t error = kNoError;
        if (text_->fill(error) == 0) {
            if (error != kNoError) setError(error);
            return false;
        }
    }
    c = *wideData(*text_);
    return true;
}

size_t TextInputFile::readLine(wchar_t* buffer, size_t capacity) {
    if (!opened_ || capacity == 0) return 0;
    const size_t limit = capacity - 1;
    size_t placed = 0;
    wchar_t c = 0;
    while (placed < limit && nextUnit(c)) {
        const wchar_t* text = wideData(*text_);
        const size_t n = std::min(text_->available() / sizeof(wchar_t), limit - placed);
        const wchar_t* end = findLineEnd(text, text + n);
        buffer = std::copy(text, end, buffer);
        placed += end - text;
        if (end == text + n) {
            text_->consume(n * sizeof(wchar_t));
            continue;
        }
        text_->consume((end - text + 1) * sizeof(wchar_t));
        if (*end == L'\r' && nextUnit(c) && c == L'\n') text_->consume(sizeof(wchar_t));
        *buffer++ = L'\n';
        ++placed;
        break;
    }
    *buffer = L'\0';
    return placed;
}

void TextInputFile::onUnexpectedEnd() {
    setError(kBadCharacter, L"Reading file: '" + fileName_ +
                                L"': unexpected end of file, perhaps caused by using the wrong character encoding: \"" +
                                encoding_ + L"\".");
}

void TextInputFile::onCannotConvert(std::uint64_t line, std::uint64_t column) {
    setError(kBadCharacter, L"Reading file: '" + fileName_ + L"': Cannot convert input character(s) at (" +
                                std::to_wstring(line) + L"," + std::to_wstring(column) +
                                L") using the input encoding: " + encoding_ + L".");
}

void TextInputFile::onConversionFailure() { setError(kConversionFailed); }

}  // namespace ucsIO

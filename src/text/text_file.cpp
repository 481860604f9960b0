// What input and output text files share: their state, BOM detection and encoding names.
#include "text/text_file.hpp"

#include "text/text_file_errors.hpp"

#include <cstring>

namespace ucsIO {
namespace {

struct Bom {
    const char* encoding;
    unsigned char bytes[4];
    size_t length;
};

// In the order in which they are tried: the 4-byte marks first, as FF FE also begins UTF-32LE's.
constexpr Bom kBoms[] = {
    {"UTF-32BE", {0x00, 0x00, 0xFE, 0xFF}, 4},
    {"UTF-32LE", {0xFF, 0xFE, 0x00, 0x00}, 4},
    {"UTF-16BE", {0xFE, 0xFF}, 2},
    {"UTF-16LE", {0xFF, 0xFE}, 2},
    {"UTF-8", {0xEF, 0xBB, 0xBF}, 3},
};

}  // namespace

DetectedBom detectBom(const unsigned char* data, size_t size) {
    for (const Bom& bom : kBoms) {
        if (size >= bom.length && std::memcmp(data, bom.bytes, bom.length) == 0) return {bom.encoding, bom.length};
    }
    return {"", 0};
}

TextIOFile::TextIOFile() = default;
TextIOFile::~TextIOFile() = default;

void TextIOFile::reset(std::unique_ptr<IBackendFile> backend, std::wstring fileName, std::int32_t flags) {
    backend_ = std::move(backend);
    fileName_ = std::move(fileName);
    flags_ = flags;
    encoding_.clear();
    errorCode_ = kNoError;
    errorMessage_.clear();
    opened_ = false;
    converter_ = std::make_unique<UCS::CharSetConverter>();
}

void TextIOFile::setError(std::int32_t code, std::wstring message) {
    if (errorCode_ != kNoError) return;  // the first failure is the one that explains the rest
    errorCode_ = code;
    errorMessage_ = std::move(message);
}

}  // namespace ucsIO

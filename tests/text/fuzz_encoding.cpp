// Feeds arbitrary bytes to the text-file reader in a named encoding (the first byte picks it),
// reading lines through a capacity that the second byte picks, and checks what must hold for
// any input: every line fits its buffer, only the last piece may lack a line end, and text that
// decoded without error encodes back to the same encoding and decodes to the same text.
#include "text/text_file.hpp"
#include "text/text_file_errors.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const wchar_t* const kEncodings[] = {L"UTF-8",  L"UTF-16",  L"UTF-16BE", L"UTF-32",   L"UTF-32BE", L"CP1252",
                                     L"CP932",  L"EUC-JP",  L"GB18030",  L"BIG5",     L"KOI8-R",   L"ISO-2022-JP",
                                     L"CP65000", L"CP437",   L"US-ASCII", L"UTF-8//IGNORE"};

class BytesBackend final : public ucsIO::IBackendFile {
public:
    explicit BytesBackend(std::string& bytes) : bytes_(bytes) {}
    bool close() override { return true; }
    bool seek(long offset) override {
        position_ = std::min(static_cast<size_t>(offset), bytes_.size());
        return true;
    }
    size_t read(void* buffer, size_t n) override {
        n = std::min(n, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        return n;
    }
    size_t write(const void* buffer, size_t n) override {
        bytes_.append(static_cast<const char*>(buffer), n);
        return n;
    }
    long tell() override { return static_cast<long>(position_); }
    bool eof() override { return position_ == bytes_.size(); }
    bool error() override { return false; }

private:
    std::string& bytes_;
    size_t position_ = 0;
};

std::wstring readAll(std::string bytes, const wchar_t* encoding, size_t capacity, std::int32_t& error) {
    ucsIO::TextInputFile file;
    if (!file.open(std::make_unique<BytesBackend>(bytes), L"fuzz", 0, encoding)) std::abort();
    std::vector<wchar_t> buffer(capacity);
    std::wstring text;
    bool ended = false;
    while (const size_t n = file.readLine(buffer.data(), buffer.size())) {
        if (n >= capacity || buffer[n] != L'\0' || ended) std::abort();
        ended = buffer[n - 1] != L'\n' && n < capacity - 1;  // a short piece without LF is the last
        text.append(buffer.data(), n);
    }
    error = file.errorCode();
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const wchar_t* encoding = kEncodings[data[0] % (sizeof kEncodings / sizeof *kEncodings)];
    const size_t capacity = 2 + data[1] % 64 * 37;
    std::int32_t error = 0;
    const std::wstring text = readAll(std::string(reinterpret_cast<const char*>(data) + 2, size - 2), encoding,
                                      capacity, error);
    if (error != ucsIO::kNoError || std::wcsstr(encoding, L"IGNORE")) return 0;
    // An ESC character in the text would begin an escape sequence of ISO-2022-JP once written.
    if (text.find(L'\x1B') != std::wstring::npos) return 0;

    // Lines come back with LF ends; the output file writes them as CR LF, which read as LF again.
    std::string encoded;
    ucsIO::TextOutputFile out;
    if (!out.open(std::make_unique<BytesBackend>(encoded), L"fuzz", ucsIO::kNoBom, encoding)) std::abort();
    if (!out.write(text) || !out.close()) return 0;  // a character without a mapping is fine
    // Text whose encoding begins like a BOM (U+FEFF in UTF-8, "\u00FF\u00FE" in CP1252) reads
    // back as that BOM: the format cannot tell them apart.
    if (ucsIO::detectBom(reinterpret_cast<const unsigned char*>(encoded.data()), encoded.size()).length > 0) return 0;
    std::int32_t again = 0;
    if (readAll(encoded, encoding, 4096, again) != text || again != ucsIO::kNoError) std::abort();
    return 0;
}

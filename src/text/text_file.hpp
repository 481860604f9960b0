// Text files in named encodings: ucsIO::TextInputFile reads lines of wide characters from a file
// in any encoding (a BOM at its start overrides the named one); ucsIO::TextOutputFile writes wide
// characters in any encoding, with the encoding's BOM unless asked not to, and CR LF line ends.
// Failures leave an error code and, for conversion failures, a message in the file object.
#pragma once

#include "text/text_file_backend.hpp"
#include "text/text_file_readers.hpp"
#include "text/text_file_writers.hpp"
#include "text/ucs_converter.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ucsIO {

// Output open flag: write no BOM.
constexpr std::int32_t kNoBom = 2;

class TextIOFile {
public:
    virtual ~TextIOFile();

    std::int32_t errorCode() const { return errorCode_; }
    const std::wstring& errorMessage() const { return errorMessage_; }
    const std::wstring& fileName() const { return fileName_; }
    const std::wstring& encoding() const { return encoding_; }
    bool isOpen() const { return opened_; }

protected:
    TextIOFile();
    void reset(std::unique_ptr<IBackendFile> backend, std::wstring fileName, std::int32_t flags);
    void setError(std::int32_t code, std::wstring message = {});

    std::wstring fileName_;
    std::wstring encoding_;
    std::int32_t errorCode_ = 0;
    std::wstring errorMessage_;
    std::int32_t flags_ = 0;
    bool opened_ = false;
    std::unique_ptr<IBackendFile> backend_;
    std::unique_ptr<UCS::CharSetConverter> converter_;
};

class TextInputFile final : public TextIOFile, public IConverterReadError {
public:
    TextInputFile();
    ~TextInputFile() override;

    // backend: the opened byte file; fileName names it in messages; encoding "" for the default.
    // False when the encoding is unknown or cannot be converted (error 0x23020004).
    bool open(std::unique_ptr<IBackendFile> backend, std::wstring fileName, std::int32_t flags,
              std::wstring_view encoding);

    // Places at most capacity - 1 characters and a NUL; a line end (CR LF, CR or LF) is placed as
    // one LF and ends the call. Returns the characters placed, 0 at the end or after a failure.
    size_t readLine(wchar_t* buffer, size_t capacity);
    void close();

private:
    void onUnexpectedEnd() override;
    void onCannotConvert(std::uint64_t line, std::uint64_t column) override;
    void onConversionFailure() override;
    bool nextUnit(wchar_t& c);  // false at the end

    std::unique_ptr<BackendReader> source_;
    std::unique_ptr<IIteratorReader> bytes_;
    std::unique_ptr<ConverterReader> decoder_;
    std::unique_ptr<IIteratorReader> text_;
};

class TextOutputFile final : public TextIOFile, public IConverterWriterError {
public:
    TextOutputFile();
    ~TextOutputFile() override;

    // flags: kNoBom or 0. encoding "" or "char": the default; "UNIASC_ENCODING" or "wchar_t":
    // UTF-16LE. False when the encoding is unknown or cannot be converted (error 0x23020004) or
    // the BOM cannot be written.
    bool open(std::unique_ptr<IBackendFile> backend, std::wstring fileName, std::int32_t flags,
              std::wstring_view encoding);

    bool write(std::wstring_view text);
    // Copies every line of input; false when a write fails.
    bool copyFrom(TextInputFile& input);
    // Flushes every writer and closes the byte file; false when anything could not be written.
    bool close();

private:
    void onCannotConvert(char32_t character, std::uint64_t offset) override;
    void onConversionFailure() override;
    bool writeBom();

    std::unique_ptr<BackendWriter> sink_;
    std::unique_ptr<BufferedWriter> bytes_;
    std::unique_ptr<ConverterWriter> encoder_;
    std::unique_ptr<TranslateNewlineWriter> newlines_;
    std::unique_ptr<BufferedWriter> text_;
};

// The encoding named by a BOM at the start of data, and the BOM's length; {"", 0} for none.
struct DetectedBom {
    const char* encoding;
    size_t length;
};
DetectedBom detectBom(const unsigned char* data, size_t size);

}  // namespace ucsIO

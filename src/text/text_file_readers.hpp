// The reader chain of an input text file: backend file -> buffered reader -> converter reader ->
// buffered reader. Readers return the bytes placed, 0 at the end or after a failure (then the
// error code is set); a reader that failed refuses further work.
#pragma once

#include "text/ucs_converter.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ucsIO {

class IBackendFile;

class IReader {
public:
    virtual ~IReader() = default;
    virtual size_t read(void* buffer, size_t bytes, std::int32_t& error) = 0;
};

// The backend file as the first reader of a chain.
class BackendReader final : public IReader {
public:
    explicit BackendReader(IBackendFile& file) : file_(file) {}
    size_t read(void* buffer, size_t bytes, std::int32_t& error) override;

private:
    IBackendFile& file_;
};

// A buffer of kUnits units (bytes below the converter, wide characters above it) over another
// reader. Besides plain reads it lets its owner look into the buffer without copying.
class IIteratorReader : public IReader {
public:
    static constexpr size_t kUnits = 2048;

    IIteratorReader(IReader& inner, size_t unitBytes);
    size_t read(void* buffer, size_t bytes, std::int32_t& error) override;

    const char* data() const { return buffer_.data() + begin_; }
    size_t available() const { return end_ - begin_; }  // in bytes
    void consume(size_t bytes) { begin_ += bytes; }
    // Keeps what is unread at the front and appends what the inner reader gives; returns the
    // bytes added, 0 at the end or after a failure.
    size_t fill(std::int32_t& error);

private:
    IReader& inner_;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
};

// Told by the converter reader why decoding stopped.
class IConverterReadError {
public:
    virtual ~IConverterReadError() = default;
    virtual void onUnexpectedEnd() = 0;
    // line and column of the last decoded character, counted from 1 (column 0: nothing was
    // decoded on that line yet).
    virtual void onCannotConvert(std::uint64_t line, std::uint64_t column) = 0;
    virtual void onConversionFailure() = 0;
};

// Decodes the bytes of its inner reader into wide characters and counts lines and columns.
class ConverterReader final : public IReader {
public:
    ConverterReader(IIteratorReader& inner, UCS::CharSetConverter& converter, IConverterReadError& errors)
        : inner_(inner), converter_(converter), errors_(errors) {}
    size_t read(void* buffer, size_t bytes, std::int32_t& error) override;

private:
    // Decodes into [out, outEnd) what the inner reader holds, refilling it when it is empty or
    // ends inside a character; false when the input has ended or decoding failed.
    bool decodeSome(wchar_t*& out, wchar_t* outEnd, std::int32_t& error);
    void count(const wchar_t* text, const wchar_t* end);
    void fail(std::int32_t code, std::int32_t& error);

    IIteratorReader& inner_;
    UCS::CharSetConverter& converter_;
    IConverterReadError& errors_;
    bool needMore_ = true;
    std::int32_t failure_ = 0;
    bool undecodable_ = false;  // told once the characters before it are counted
    std::uint64_t line_ = 0;    // LFs decoded so far
    std::uint64_t column_ = 0;  // characters decoded since the last LF
};

}  // namespace ucsIO

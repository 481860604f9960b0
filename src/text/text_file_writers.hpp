// The writer chain of an output text file, from the top: buffered writer -> newline translator
// -> converter writer -> buffered writer -> backend file. Writers return false after a failure
// (the error code is set) and then refuse further work; flush passes everything down the chain
// and flushes the writers below even when this one failed, so that what was converted before a
// failure reaches the file.
#pragma once

#include "text/ucs_converter.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ucsIO {

class IBackendFile;

class IWriter {
public:
    virtual ~IWriter() = default;
    virtual bool write(const void* buffer, size_t bytes, std::int32_t& error) = 0;
    virtual bool flush(std::int32_t& error) = 0;
};

// The backend file as the last writer of a chain.
class BackendWriter final : public IWriter {
public:
    explicit BackendWriter(IBackendFile& file) : file_(file) {}
    bool write(const void* buffer, size_t bytes, std::int32_t& error) override;
    bool flush(std::int32_t&) override { return true; }

private:
    IBackendFile& file_;
};

class IIteratorWriter : public IWriter {
public:
    explicit IIteratorWriter(IWriter& next) : next_(next) {}

protected:
    IWriter& next_;
};

// Collects kUnits units before passing them on; larger writes pass straight through.
class BufferedWriter final : public IIteratorWriter {
public:
    static constexpr size_t kUnits = 2048;

    BufferedWriter(IWriter& next, size_t unitBytes) : IIteratorWriter(next), buffer_(kUnits * unitBytes) {}
    bool write(const void* buffer, size_t bytes, std::int32_t& error) override;
    bool flush(std::int32_t& error) override;

private:
    bool passOn(std::int32_t& error);

    std::vector<char> buffer_;
    size_t used_ = 0;
};

// Told by the converter writer which character the output encoding cannot represent.
class IConverterWriterError {
public:
    virtual ~IConverterWriterError() = default;
    // offset: characters written before it.
    virtual void onCannotConvert(char32_t character, std::uint64_t offset) = 0;
    virtual void onConversionFailure() = 0;
};

// Encodes wide characters into the file encoding.
class ConverterWriter final : public IWriter {
public:
    ConverterWriter(IWriter& next, UCS::CharSetConverter& converter, IConverterWriterError& errors);
    bool write(const void* buffer, size_t bytes, std::int32_t& error) override;
    bool flush(std::int32_t& error) override;

private:
    bool passOn(char* end, std::int32_t& error);
    bool fail(std::int32_t code, std::int32_t& error);

    IWriter& next_;
    UCS::CharSetConverter& converter_;
    IConverterWriterError& errors_;
    std::vector<char> staging_;
    std::uint64_t written_ = 0;  // characters encoded so far
    std::int32_t failure_ = 0;
};

// Replaces every LF that does not follow a CR by CR LF, also across writes.
class TranslateNewlineWriter final : public IWriter {
public:
    explicit TranslateNewlineWriter(IWriter& next) : next_(next) {}
    bool write(const void* buffer, size_t bytes, std::int32_t& error) override;
    bool flush(std::int32_t& error) override { return next_.flush(error); }

private:
    IWriter& next_;
    std::vector<wchar_t> staging_;
    bool afterCr_ = false;
};

}  // namespace ucsIO

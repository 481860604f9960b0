#include "text/text_file_writers.hpp"

#include "text/text_file_backend.hpp"
#include "text/text_file_errors.hpp"
#include "text/ucs_exceptions.hpp"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace ucsIO {
namespace {

// Room for the encoded form of one buffered writer's worth of wide characters in any encoding.
constexpr size_t kStagingBytes = 16 * 1024;

}  // namespace

bool BackendWriter::write(const void* buffer, size_t bytes, std::int32_t& error) {
    if (file_.write(buffer, bytes) == bytes) return true;
    error = kFileError;
    return false;
}

bool BufferedWriter::passOn(std::int32_t& error) {
    const size_t n = used_;
    used_ = 0;
    return n == 0 || next_.write(buffer_.data(), n, error);
}

bool BufferedWriter::write(const void* buffer, size_t bytes, std::int32_t& error) {
    const auto* data = static_cast<const char*>(buffer);
    if (used_ + bytes > buffer_.size()) {
        if (!passOn(error)) return false;
        if (bytes >= buffer_.size()) return next_.write(data, bytes, error);
    }
    std::memcpy(buffer_.data() + used_, data, bytes);
    used_ += bytes;
    return true;
}

bool BufferedWriter::flush(std::int32_t& error) {
    const bool passed = passOn(error);
    return next_.flush(error) && passed;
}

ConverterWriter::ConverterWriter(IWriter& next, UCS::CharSetConverter& converter, IConverterWriterError& errors)
    : next_(next), converter_(converter), errors_(errors), staging_(kStagingBytes) {}

bool ConverterWriter::fail(std::int32_t code, std::int32_t& error) {
    failure_ = code;
    error = code;
    return false;
}

bool ConverterWriter::passOn(char* end, std::int32_t& error) {
    const size_t n = end - staging_.data();
    return n == 0 || next_.write(staging_.data(), n, error);
}

bool ConverterWriter::write(const void* buffer, size_t bytes, std::int32_t& error) {
    if (failure_ != kNoError) return fail(failure_, error);
    const auto* in = static_cast<const wchar_t*>(buffer);
    const wchar_t* const inEnd = in + bytes / sizeof(wchar_t);
    while (in != inEnd) {
        const wchar_t* const start = in;
        char* out = staging_.data();
        try {
            converter_.encode(in, inEnd, out, staging_.data() + staging_.size());
        } catch (const UCS::UnmappableCharacterException&) {
            written_ += in - start;
            passOn(out, error);
            errors_.onCannotConvert(static_cast<char32_t>(*in), written_);
            return fail(kBadCharacter, error);
        } catch (const UCS::Exception&) {
            passOn(out, error);
            errors_.onConversionFailure();
            return fail(kConversionFailed, error);
        }
        written_ += in - start;
        if (!passOn(out, error)) return fail(error, error);
        if (in == start && out == staging_.data()) {  // no progress: never loop on it
            errors_.onConversionFailure();
            return fail(kConversionFailed, error);
        }
    }
    return true;
}

bool ConverterWriter::flush(std::int32_t& error) {
    bool ok = failure_ == kNoError;
    if (ok) {
        char* out = staging_.data();
        try {
            converter_.finish(out, staging_.data() + staging_.size());
            ok = passOn(out, error);
        } catch (const UCS::Exception&) {
            errors_.onConversionFailure();
            ok = fail(kConversionFailed, error);
        }
    } else {
        error = failure_;
    }
    return next_.flush(error) && ok;
}

bool TranslateNewlineWriter::write(const void* buffer, size_t bytes, std::int32_t& error) {
    const auto* const text = static_cast<const wchar_t*>(buffer);
    const size_t count = bytes / sizeof(wchar_t);
    if (count == 0) return true;
    staging_.resize(2 * count);
    wchar_t* out = staging_.data();
    const wchar_t* p = text;
    const wchar_t* const end = text + count;
    while (p != end) {
        const wchar_t* lf = std::wmemchr(p, L'\n', end - p);
        if (!lf) lf = end;
        out = std::copy(p, lf, out);
        if (lf == end) break;
        const bool afterCr = lf == text ? afterCr_ : lf[-1] == L'\r';
        if (!afterCr) *out++ = L'\r';
        *out++ = L'\n';
        p = lf + 1;
    }
    afterCr_ = end[-1] == L'\r';
    return next_.write(staging_.data(), (out - staging_.data()) * sizeof(wchar_t), error);
}

}  // namespace ucsIO

#include "text/text_file_readers.hpp"

#include "text/text_file_backend.hpp"
#include "text/text_file_errors.hpp"
#include "text/ucs_exceptions.hpp"
#include "text/wide_scan.hpp"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace ucsIO {

size_t BackendReader::read(void* buffer, size_t bytes, std::int32_t& error) {
    const size_t got = file_.read(buffer, bytes);
    if (got == 0 && file_.error()) error = kFileError;
    return got;
}

IIteratorReader::IIteratorReader(IReader& inner, size_t unitBytes) : inner_(inner), buffer_(kUnits * unitBytes) {}

size_t IIteratorReader::fill(std::int32_t& error) {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) return 0;
    const size_t got = inner_.read(buffer_.data() + end_, buffer_.size() - end_, error);
    end_ += got;
    return got;
}

size_t IIteratorReader::read(void* buffer, size_t bytes, std::int32_t& error) {
    if (available() == 0 && fill(error) == 0) return 0;
    const size_t n = std::min(bytes, available());
    std::memcpy(buffer, data(), n);
    consume(n);
    return n;
}

size_t ConverterReader::read(void* buffer, size_t bytes, std::int32_t& error) {
    if (failure_ != kNoError) {
        error = failure_;
        return 0;
    }
    auto* const first = static_cast<wchar_t*>(buffer);
    wchar_t* out = first;
    wchar_t* const outEnd = first + bytes / sizeof(wchar_t);
    while (out == first && decodeSome(out, outEnd, error)) {
    }
    count(first, out);
    // A failure met after some characters were decoded is told now, with those characters
    // counted, and returned as the error of the next call.
    if (undecodable_) {
        undecodable_ = false;
        errors_.onCannotConvert(line_ + 1, column_);
    }
    return (out - first) * sizeof(wchar_t);
}

bool ConverterReader::decodeSome(wchar_t*& out, wchar_t* outEnd, std::int32_t& error) {
    if (needMore_ || inner_.available() == 0) {
        std::int32_t innerError = kNoError;
        if (inner_.fill(innerError) == 0) {
            if (innerError != kNoError) {
                fail(innerError, error);
            } else if (inner_.available() > 0) {
                fail(kBadCharacter, error);  // the input ended inside a character
                errors_.onUnexpectedEnd();
            }
            return false;
        }
    }
    const char* in = inner_.data();
    const char* const start = in;
    try {
        needMore_ = converter_.decode(in, start + inner_.available(), out, outEnd) ==
                    UCS::CharSetConverter::kIncomplete;
    } catch (const UCS::UnmappableCharacterException&) {
        inner_.consume(in - start);
        fail(kBadCharacter, error);
        undecodable_ = true;
        return false;
    } catch (const UCS::Exception&) {
        inner_.consume(in - start);
        fail(kConversionFailed, error);
        errors_.onConversionFailure();
        return false;
    }
    inner_.consume(in - start);
    return true;
}

void ConverterReader::count(const wchar_t* text, const wchar_t* end) {
    const std::uint64_t lines = countLf(text, end);
    if (lines == 0) {
        column_ += end - text;
        return;
    }
    line_ += lines;
    const wchar_t* lastLf = end - 1;
    while (*lastLf != L'\n') --lastLf;
    column_ = static_cast<std::uint64_t>(end - lastLf - 1);
}

void ConverterReader::fail(std::int32_t code, std::int32_t& error) {
    failure_ = code;
    error = code;
}

}  // namespace ucsIO

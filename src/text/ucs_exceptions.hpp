// The converter's exceptions. Messages are wide; what() gives them in the runtime library's
// multibyte form.
#pragma once

#include <cstddef>
#include <exception>
#include <string>

namespace QMV_Template {

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const std::wstring& message() const noexcept { return message_; }
    // At most kMaxWhatBytes bytes, or a fixed text when the message has no multibyte form.
    const char* what() const noexcept override { return narrow_.c_str(); }

    static constexpr size_t kMaxWhatBytes = 511;

private:
    std::wstring message_;
    std::string narrow_;
};

}  // namespace QMV_Template

namespace UCS {

class Exception : public QMV_Template::Exception {
public:
    using QMV_Template::Exception::Exception;
};

class MalformedCharacterException : public Exception {
public:
    using Exception::Exception;
};

// An input sequence that is invalid, or a character that the target cannot represent.
class UnmappableCharacterException : public Exception {
public:
    // position: input bytes consumed before the offending sequence; text: the input, when known.
    UnmappableCharacterException(const std::string& from, const std::string& to, size_t position,
                                 const std::wstring& text = {});
    size_t position() const noexcept { return position_; }

private:
    size_t position_;
};

class SystemException : public Exception {
public:
    explicit SystemException(int errorNumber);
    int errorNumber() const noexcept { return errorNumber_; }

private:
    int errorNumber_;
};

}  // namespace UCS

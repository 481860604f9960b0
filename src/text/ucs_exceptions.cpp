#include "text/ucs_exceptions.hpp"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace QMV_Template {

Exception::Exception(std::wstring message) : message_(std::move(message)) {
    char buffer[kMaxWhatBytes + 1];
    std::mbstate_t state{};
    const wchar_t* source = message_.c_str();
    const size_t written = std::wcsrtombs(buffer, &source, kMaxWhatBytes, &state);
    if (written == static_cast<size_t>(-1)) {
        narrow_ = "Error message contains invalid characters";
    } else {
        narrow_.assign(buffer, written);
    }
}

}  // namespace QMV_Template

namespace UCS {
namespace {

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

UnmappableCharacterException::UnmappableCharacterException(const std::string& from, const std::string& to,
                                                           size_t position, const std::wstring& text)
    : Exception(L"while transcoding from '" + widen(from) + L"' to '" + widen(to) +
                L"' : invalid character or character cannot be converted at position " +
                std::to_wstring(position + 1) + (text.empty() ? L"" : L" in '" + text + L"'")),
      position_(position) {}

SystemException::SystemException(int errorNumber)
    : Exception(L"character conversion failed: " + widen(std::strerror(errorNumber))), errorNumber_(errorNumber) {}

}  // namespace UCS

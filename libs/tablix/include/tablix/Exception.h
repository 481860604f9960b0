#pragma once

#include <stdexcept>
#include <string>

namespace tablix {

// The one exception type of the library. what() gives the message in UTF-8, whatW() the same
// message in the platform's wide characters.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::wstring whatW() const;
};

}  // namespace tablix

#pragma once

#include <stdexcept>
#include <string>

namespace tablix {

// The one exception type of the library. what() gives the message in UTF-8, whatW() the same
// message in the platform's wide characters.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    // A failure that lies in the data of one column of a row group.
    Exception(const std::string& message, std::string column) : std::runtime_error(message), column_(std::move(column)) {}
    std::wstring whatW() const;
    // The name of the column whose data failed, or "" when the failure lies in no one column.
    const std::string& column() const { return column_; }

private:
    std::string column_;
};

}  // namespace tablix

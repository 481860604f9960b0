// The one exception type of the reader and writer; Book::load and Book::save turn it (and any
// other exception) into errorMessage().
#ifndef XLSXBOOK_FAILURE_H
#define XLSXBOOK_FAILURE_H

#include <stdexcept>
#include <string>

namespace xlsxbook {

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_FAILURE_H

// The one exception type of the reader and writer; Book::load and Book::save turn it (and any
// other exception) into errorMessage().
#ifndef XLSXBOOK_FAILURE_H
#define XLSXBOOK_FAILURE_H

#include <stdexcept>
#include <string>

namespace xlsxbook {

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& message) : std::runtime_error(message), reason_(message) {}
  // A failure at a place in a sheet, as Book::errorPlace() gives it, and its reason without the
  // place; the message holds both.
  Failure(const std::string& message, std::string place, std::string reason)
      : std::runtime_error(message), place_(std::move(place)), reason_(std::move(reason)) {}

  const std::string& place() const { return place_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string place_;
  std::string reason_;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_FAILURE_H

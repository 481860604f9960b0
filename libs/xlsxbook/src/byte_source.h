// Where streamed part data comes from.
#ifndef XLSXBOOK_BYTE_SOURCE_H
#define XLSXBOOK_BYTE_SOURCE_H

#include <cstddef>

namespace xlsxbook {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to n bytes; 0 at the end. Throws Failure when the data cannot be had.
  virtual std::size_t read(char* buffer, std::size_t n) = 0;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_BYTE_SOURCE_H

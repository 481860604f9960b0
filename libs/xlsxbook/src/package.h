// Reading and writing the whole .xlsx package. Both throw Failure (or std::bad_alloc).
#ifndef XLSXBOOK_PACKAGE_H
#define XLSXBOOK_PACKAGE_H

#include <cstddef>
#include <string>

namespace xlsxbook {

class BookImpl;
class OutputBuffer;

// Fills an empty book.
void readPackage(const void* data, std::size_t size, BookImpl* book);
void writePackage(const BookImpl& book, OutputBuffer* out);

}  // namespace xlsxbook

#endif  // XLSXBOOK_PACKAGE_H

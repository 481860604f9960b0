// Owning pointer for books in tests.
#ifndef XLSXBOOK_TESTS_BOOK_PTR_H
#define XLSXBOOK_TESTS_BOOK_PTR_H

#include <memory>
#include <string>

#include "xlsxbook/xlsxbook.h"

namespace xlsxbook::testing {

struct BookRelease {
  void operator()(Book* book) const { book->release(); }
};
using BookPtr = std::unique_ptr<Book, BookRelease>;

inline BookPtr newBook() { return BookPtr(createBook()); }

inline std::string saveToString(Book& book) {
  const char* data = nullptr;
  std::size_t size = 0;
  if (!book.save(&data, &size)) return {};
  return std::string(data, size);
}

}  // namespace xlsxbook::testing

#endif  // XLSXBOOK_TESTS_BOOK_PTR_H

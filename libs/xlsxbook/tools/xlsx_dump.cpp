// xlsx-dump: prints the sheets of a workbook, for people and for tests.
//
//   xlsx-dump FILE            each sheet's name and size, then one CSV line per cell: reference, value
//   xlsx-dump --typed FILE    one line per cell: reference, type and value, separated by tabs
//
// Cells are printed in row and column order. Dates are printed in ISO 8601. Exit status 1 when the
// file cannot be read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string>

#include "ferrolink_version.hpp"
#include "xlsxbook/xlsxbook.h"

namespace {

using xlsxbook::Book;
using xlsxbook::CellType;
using xlsxbook::Sheet;

std::string columnName(int col) {
  std::string name;
  for (int c = col + 1; c > 0; c = (c - 1) / 26) name.insert(name.begin(), char('A' + (c - 1) % 26));
  return name;
}

std::string isoDate(const Book& book, double serial) {
  int y, mo, d, h, mi, s, ms;
  if (!book.dateUnpack(serial, &y, &mo, &d, &h, &mi, &s, &ms)) return "invalid date " + std::to_string(serial);
  char buf[40];
  char time[20];
  std::snprintf(time, sizeof time, ms ? "%02d:%02d:%02d.%03d" : "%02d:%02d:%02d", h, mi, s, ms);
  if (serial < 1) return time;
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, mo, d);
  return h || mi || s || ms ? std::string(buf) + "T" + time : std::string(buf);
}

std::string number(double value) {
  char buf[40];
  // Whole numbers as spreadsheets show them (1000000000000000, not 1e+15), others as short as
  // they can be while reading back the same.
  if (value == std::floor(value) && std::fabs(value) < 1e16) {
    std::snprintf(buf, sizeof buf, "%.0f", value);
    return buf;
  }
  // The shortest form that reads back the same.
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, value);
    if (std::strtod(buf, nullptr) == value) break;
  }
  return buf;
}

// The cell's type name and its value as text.
std::pair<const char*, std::string> cellText(const Book& book, const Sheet& sheet, int r, int c) {
  switch (sheet.cellType(r, c)) {
    case CellType::Number:
      if (sheet.isDate(r, c)) return {"date", isoDate(book, sheet.readNum(r, c))};
      return {"number", number(sheet.readNum(r, c))};
    case CellType::String:
      return {"string", sheet.readStr(r, c)};
    case CellType::Boolean:
      return {"boolean", sheet.readBool(r, c) ? "TRUE" : "FALSE"};
    case CellType::Error:
      return {"error", sheet.readError(r, c)};
    case CellType::Blank:
      return {"blank", ""};
    default:
      return {"empty", ""};
  }
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char ch : text) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return out + "\"";
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '\\') out += "\\\\";
    else if (ch == '\n') out += "\\n";
    else if (ch == '\r') out += "\\r";
    else if (ch == '\t') out += "\\t";
    else out += ch;
  }
  return out;
}

// Only the cells that exist are printed: a walk over the grid up to the last row and column would
// print a billion empty fields for one cell at XFD1048576.
void dumpSheet(const Book& book, const Sheet& sheet, int index, bool typed) {
  std::cout << "sheet " << index + 1 << ": " << sheet.name() << " (" << sheet.lastRow() << " rows, "
            << sheet.lastCol() << " columns, " << sheet.cellCount() << " cells";
  if (sheet.splitRow() || sheet.splitCol())
    std::cout << ", frozen at row " << sheet.splitRow() << " column " << sheet.splitCol();
  std::cout << ")\n";
  for (std::size_t i = 0; i < sheet.cellCount(); ++i) {
    int r = 0, c = 0;
    sheet.cellAt(i, &r, &c);
    const auto [type, text] = cellText(book, sheet, r, c);
    std::cout << columnName(c) << r + 1;
    if (typed) std::cout << '\t' << type << '\t' << escaped(text) << '\n';
    else std::cout << ',' << csvField(text) << '\n';
  }
}

// The whole file, which must be a regular one: a FIFO would block and a device such as /dev/zero
// never end.
bool readFile(const char* path, std::string* data) {
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    std::cerr << "xlsx-dump: cannot open " << path << ": " << std::strerror(errno) << '\n';
    return false;
  }
  struct stat info;
  const char* problem = ::fstat(fd, &info) != 0 ? std::strerror(errno)
                        : S_ISDIR(info.st_mode)  ? "it is a directory"
                        : !S_ISREG(info.st_mode) ? "it is not a regular file"
                                                 : nullptr;
  data->resize(problem ? 0 : std::size_t(info.st_size));
  std::size_t done = 0;
  while (!problem && done < data->size()) {
    const ssize_t n = ::read(fd, data->data() + done, data->size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) problem = std::strerror(errno);
    if (n <= 0) break;
    done += std::size_t(n);
  }
  ::close(fd);
  data->resize(done);
  if (problem) std::cerr << "xlsx-dump: cannot read " << path << ": " << problem << '\n';
  return !problem;
}

int dump(const char* path, bool typed) {
  std::string data;
  if (!readFile(path, &data)) return 1;
  Book* book = xlsxbook::createBook();
  if (!book->load(data.data(), data.size())) {
    std::cerr << "xlsx-dump: " << path << ": " << book->errorMessage() << '\n';
    book->release();
    return 1;
  }
  for (int i = 0; i < book->sheetCount(); ++i) dumpSheet(*book, *book->getSheet(i), i, typed);
  book->release();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (ferrolink::answersStandardOption(argc, argv, "xlsx-dump", "xlsx-dump [--typed] FILE",
                                       "Shows an .xlsx workbook: each sheet's name and size, then one CSV line per cell with its\n"
                                       "reference and value; with --typed, one line per cell with its reference, type and value,\n"
                                       "separated by tabs."))
    return 0;
  const bool typed = argc == 3 && std::strcmp(argv[1], "--typed") == 0;
  if (argc != 2 + typed) {
    std::cerr << "usage: xlsx-dump [--typed] FILE\n";
    return 2;
  }
  const char* path = argv[1 + typed];
  try {
    return dump(path, typed);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "xlsx-dump: " << path << ": out of memory\n";
    return 1;
  }
}

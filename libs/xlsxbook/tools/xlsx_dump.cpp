// xlsx-dump: prints the sheets of a workbook, for people and for tests.
//
//   xlsx-dump FILE            each sheet's name and size, then its cells as CSV
//   xlsx-dump --typed FILE    one line per cell: reference, type and value
//
// Dates are printed in ISO 8601. Exit status 1 when the file cannot be read.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

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

void dumpSheet(const Book& book, const Sheet& sheet, int index, bool typed) {
  std::cout << "sheet " << index + 1 << ": " << sheet.name() << " (" << sheet.lastRow() << " rows, "
            << sheet.lastCol() << " columns";
  if (sheet.splitRow() || sheet.splitCol())
    std::cout << ", frozen at row " << sheet.splitRow() << " column " << sheet.splitCol();
  std::cout << ")\n";
  for (int r = 0; r < sheet.lastRow(); ++r) {
    std::string line;
    for (int c = 0; c < sheet.lastCol(); ++c) {
      const auto [type, text] = cellText(book, sheet, r, c);
      if (typed) {
        if (std::strcmp(type, "empty") != 0)
          std::cout << columnName(c) << r + 1 << '\t' << type << '\t' << escaped(text) << '\n';
      } else {
        line += (c ? "," : "") + csvField(text);
      }
    }
    if (!typed) std::cout << line << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool typed = argc == 3 && std::strcmp(argv[1], "--typed") == 0;
  if (argc != 2 + typed) {
    std::cerr << "usage: xlsx-dump [--typed] FILE\n";
    return 2;
  }
  const char* path = argv[1 + typed];
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "xlsx-dump: cannot open " << path << '\n';
    return 1;
  }
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

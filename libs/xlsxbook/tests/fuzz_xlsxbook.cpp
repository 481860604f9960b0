// libFuzzer target over Book::load. The first byte chooses what the rest is: a whole file, or one
// part (worksheet, shared strings, styles, workbook) wrapped into an otherwise valid package, since
// a mutated zip rarely gets past its checksums to the XML.
#include <cstddef>
#include <cstdint>
#include <string>

#include "xlsxbook/xlsxbook.h"
#include "zip_fixture.h"

namespace {

using xlsxbook::testing::makeWorkbook;
using xlsxbook::testing::makeZip;

const char kStyles[] =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><cellXfs>"
    "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";
const char kStrings[] =
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>a</t></si></sst>";
const char kSheet[] =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
    "<row r=\"1\"><c r=\"A1\" t=\"s\" s=\"1\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>45000</v></c></row>"
    "</sheetData></worksheet>";

std::string package(std::uint8_t mode, const std::string& part) {
  switch (mode % 5) {
    case 1: return makeWorkbook({{"S", part}}, kStrings, kStyles);
    case 2: return makeWorkbook({{"S", kSheet}}, part, kStyles);
    case 3: return makeWorkbook({{"S", kSheet}}, kStrings, part);
    case 4: return makeZip({{"xl/workbook.xml", part}});
    default: return part;
  }
}

// Every cell that exists, and a corner of the grid for the lookups of empty cells.
void visitCell(xlsxbook::Book* book, xlsxbook::Sheet* sheet, int r, int c) {
  if (sheet->isDate(r, c)) {
    int y, m, d, h, mi, s, ms;
    book->dateUnpack(sheet->readNum(r, c), &y, &m, &d, &h, &mi, &s, &ms);
  }
  if (const char* text = sheet->readStr(r, c)) (void)text[0];
  if (const char* error = sheet->readError(r, c)) (void)error[0];
}

void visit(xlsxbook::Book* book) {
  for (int i = 0; i < book->sheetCount(); ++i) {
    xlsxbook::Sheet* sheet = book->getSheet(i);
    int r, c;
    for (std::size_t k = 0; sheet->cellAt(k, &r, &c); ++k) visitCell(book, sheet, r, c);
    for (r = 0; r < sheet->lastRow() && r < 8; ++r)
      for (c = 0; c < sheet->lastCol() && c < 8; ++c) visitCell(book, sheet, r, c);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string input = package(data[0], std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  xlsxbook::Book* book = xlsxbook::createBook();
  if (book->load(input.data(), input.size())) {
    visit(book);
    const char* saved;
    std::size_t savedSize;
    if (book->sheetCount() > 0 && book->save(&saved, &savedSize)) {
      xlsxbook::Book* again = xlsxbook::createBook();
      if (!again->load(saved, savedSize)) __builtin_trap();  // what we write, we must read
      again->release();
    }
  }
  book->release();
  return 0;
}

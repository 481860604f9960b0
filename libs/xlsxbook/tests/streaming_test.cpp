// Sheets written row by row: their rows are kept as compressed XML, strings that do not repeat go
// inline, and a sheet read or written out of order first reads its rows back into cells. Each way
// gives the same workbook.
#include <gtest/gtest.h>
#include <malloc.h>

#include <string>

#include "book_ptr.h"
#include "zip_fixture.h"

namespace xlsxbook {
namespace {

using testing::newBook;
using testing::readPart;
using testing::saveToString;

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Keys that never repeat beside names that do, as in a table of orders.
void writeOrders(Sheet* sheet, Format* date, int rows) {
  for (int r = 1; r <= rows; ++r) {
    ASSERT_TRUE(sheet->writeStr(r, 0, ("key " + std::to_string(r)).c_str()));
    ASSERT_TRUE(sheet->writeStr(r, 1, ("name " + std::to_string(r % 10)).c_str()));
    ASSERT_TRUE(sheet->writeNum(r, 2, 45000 + r % 300, date));
  }
}

TEST(Streaming, StringsThatRepeatAreSharedOthersGoInline) {
  constexpr int kRows = 20000;
  auto book = newBook();
  Format* date = book->addFormat();
  ASSERT_TRUE(date->setNumFormat(kNumFormatDate));
  Sheet* sheet = book->addSheet("Orders");
  writeOrders(sheet, date, kRows);
  const std::string bytes = saveToString(*book);
  const std::string shared = readPart(bytes, "xl/sharedStrings.xml");
  const std::string rows = readPart(bytes, "xl/worksheets/sheet1.xml");
  // The keys of the first sample are shared before the column is seen to hold new ones.
  EXPECT_EQ(count(shared, "<si>"), 4096u + 10u);
  EXPECT_EQ(count(rows, "t=\"inlineStr\""), std::size_t(kRows - 4096));

  auto again = newBook();
  ASSERT_TRUE(again->load(bytes.data(), bytes.size())) << again->errorMessage();
  Sheet* read = again->getSheet(0);
  ASSERT_EQ(read->lastRow(), kRows + 1);
  for (int r : {1, 4096, 4097, kRows}) {
    EXPECT_EQ(read->readStr(r, 0), "key " + std::to_string(r)) << r;
    EXPECT_EQ(read->readStr(r, 1), "name " + std::to_string(r % 10)) << r;
    EXPECT_TRUE(read->isDate(r, 2)) << r;
  }
}

// What the heap holds, the blocks it maps directly included.
long allocated() {
  const struct mallinfo2 info = mallinfo2();
  return long(info.uordblks + info.hblkhd);
}

// Held as compressed XML, a hundred thousand rows of distinct keys take a fraction of what their
// cells and strings would.
TEST(Streaming, RowsWrittenInOrderAreHeldCompressed) {
  auto book = newBook();
  Sheet* sheet = book->addSheet("Orders");
  [[maybe_unused]] const long before = allocated();
  writeOrders(sheet, nullptr, 100000);
#if !defined(__SANITIZE_ADDRESS__)
  const long held = allocated() - before;
  EXPECT_LT(held, long(6) << 20) << held;   // as cells they take 18 MB
#endif
  // Some megabytes of deflated rows, read back across the blocks they are kept in.
  EXPECT_EQ(sheet->readStr(100000, 0), std::string("key 100000"));
  EXPECT_EQ(sheet->readStr(50001, 1), std::string("name 1"));
}

TEST(Streaming, ReadingOrWritingOutOfOrderReadsTheRowsBack) {
  auto book = newBook();
  Format* date = book->addFormat();
  ASSERT_TRUE(date->setNumFormat(kNumFormatDate));
  Sheet* sheet = book->addSheet("S");
  const std::string text = "  a & b <c>\x01 ";
  ASSERT_TRUE(sheet->writeStr(0, 1, "head"));
  ASSERT_TRUE(sheet->writeStr(0, 0, text.c_str()));   // a row fills in any column order
  ASSERT_TRUE(sheet->writeNum(1, 0, 45355, date));
  ASSERT_TRUE(sheet->writeNum(1, 0, 45356, date));    // the last write to a cell counts
  EXPECT_EQ(sheet->lastRow(), 2);
  EXPECT_EQ(sheet->readStr(0, 0), text);              // a read reads the rows back
  EXPECT_TRUE(sheet->isDate(1, 0));
  EXPECT_EQ(sheet->readNum(1, 0), 45356);
  ASSERT_TRUE(sheet->writeNum(3, 3, 7));
  ASSERT_TRUE(sheet->writeNum(2, 0, 1));              // behind the last row written

  Sheet* other = book->addSheet("T");
  for (int r = 0; r < 3; ++r) ASSERT_TRUE(other->writeNum(r, 0, r));
  ASSERT_TRUE(other->writeNum(0, 1, -1));             // a row left already
  ASSERT_TRUE(other->split(1, 0));                     // after the rows: the head is written last

  auto again = newBook();
  const std::string bytes = saveToString(*book);
  ASSERT_TRUE(again->load(bytes.data(), bytes.size())) << again->errorMessage();
  Sheet* s = again->getSheet(0);
  EXPECT_EQ(s->readStr(0, 0), text);
  EXPECT_STREQ(s->readStr(0, 1), "head");
  EXPECT_EQ(s->readNum(1, 0), 45356);
  EXPECT_EQ(s->readNum(2, 0), 1);
  EXPECT_EQ(s->readNum(3, 3), 7);
  Sheet* t = again->getSheet(1);
  EXPECT_EQ(t->readNum(0, 1), -1);
  EXPECT_EQ(t->readNum(2, 0), 2);
  EXPECT_EQ(t->splitRow(), 1);
}

// A save does not end a sheet: rows written after it, and cells joining the row open at the save,
// are in the next save.
TEST(Streaming, ASavedBookTakesMoreRows) {
  auto book = newBook();
  Sheet* sheet = book->addSheet("S");
  ASSERT_TRUE(sheet->writeNum(0, 0, 1));
  ASSERT_TRUE(sheet->writeStr(1, 0, "open"));
  const std::string first = saveToString(*book);
  ASSERT_TRUE(sheet->writeStr(1, 1, "joins"));
  ASSERT_TRUE(sheet->writeNum(5, 0, 5));
  const std::string second = saveToString(*book);
  for (const std::string* bytes : {&first, &second}) {
    auto again = newBook();
    ASSERT_TRUE(again->load(bytes->data(), bytes->size())) << again->errorMessage();
    Sheet* s = again->getSheet(0);
    EXPECT_EQ(s->readNum(0, 0), 1);
    EXPECT_STREQ(s->readStr(1, 0), "open");
    EXPECT_EQ(s->lastRow(), bytes == &first ? 2 : 6);
    if (bytes == &second) {
      EXPECT_STREQ(s->readStr(1, 1), "joins");
    }
  }
}

}  // namespace
}  // namespace xlsxbook

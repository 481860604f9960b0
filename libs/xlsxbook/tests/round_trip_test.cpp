// What the library writes, it reads back with the same values, types, formats and panes.
#include <gtest/gtest.h>

#include <cmath>

#include "book_ptr.h"

namespace xlsxbook {
namespace {

using testing::newBook;
using testing::saveToString;

TEST(RoundTrip, EveryValueTypeSurvives) {
  auto book = newBook();
  Format* date = book->addFormat();
  ASSERT_TRUE(date->setNumFormat(kNumFormatDate));
  const int custom = book->addCustomNumFormat("yyyy-mm-dd hh:mm");
  ASSERT_GE(custom, 164);
  Format* stamp = book->addFormat();
  ASSERT_TRUE(stamp->setNumFormat(custom));
  Sheet* sheet = book->addSheet("Data & <more>");
  ASSERT_NE(sheet, nullptr);
  const std::string tricky[] = {"", " padded ", "line\nbreak\r\nend", "tab\there", "_x0041_ literal",
                                "bell\x07", "quote \" and 'apostrophe'", "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"};
  const double numbers[] = {0, -1.5, 1e-300, 1.7976931348623157e308, 0.1 + 0.2, 123456789012345678.0};
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(sheet->writeStr(i, 0, tricky[i].c_str()));
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(sheet->writeNum(i, 1, numbers[i]));
  const double when = book->datePack(2024, 2, 29, 23, 59, 58, 500);
  ASSERT_TRUE(sheet->writeNum(0, 2, when, date));
  ASSERT_TRUE(sheet->writeNum(1, 2, when, stamp));
  ASSERT_TRUE(sheet->split(1, 0));
  Sheet* second = book->addSheet("Empty");
  ASSERT_NE(second, nullptr);

  auto again = newBook();
  const std::string bytes = saveToString(*book);
  ASSERT_TRUE(again->load(bytes.data(), bytes.size())) << again->errorMessage();
  ASSERT_EQ(again->sheetCount(), 2);
  Sheet* read = again->getSheet(0);
  EXPECT_STREQ(read->name(), "Data & <more>");
  EXPECT_STREQ(again->getSheet(1)->name(), "Empty");
  EXPECT_EQ(again->getSheet(1)->lastRow(), 0);
  EXPECT_EQ(read->lastRow(), 8);
  EXPECT_EQ(read->lastCol(), 3);
  for (int i = 0; i < 8; ++i) EXPECT_STREQ(read->readStr(i, 0), tricky[i].c_str()) << i;
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(read->cellType(i, 1), CellType::Number);
    EXPECT_EQ(read->readNum(i, 1), numbers[i]) << i;
    EXPECT_FALSE(read->isDate(i, 1));
  }
  EXPECT_TRUE(read->isDate(0, 2));
  EXPECT_TRUE(read->isDate(1, 2));
  EXPECT_EQ(read->readNum(0, 2), when);
  int y, mo, d, h, mi, s, ms;
  ASSERT_TRUE(again->dateUnpack(read->readNum(0, 2), &y, &mo, &d, &h, &mi, &s, &ms));
  EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}), (std::vector<int>{2024, 2, 29, 23, 59, 58, 500}));
  EXPECT_EQ(read->splitRow(), 1);
  EXPECT_EQ(read->splitCol(), 0);
  EXPECT_EQ(read->readStr(0, 1), nullptr);  // a number is no string
  EXPECT_EQ(read->cellType(20, 20), CellType::Empty);
}

TEST(RoundTrip, OverwritesAndOutOfOrderWritesKeepTheLastValue) {
  auto book = newBook();
  Sheet* sheet = book->addSheet("S");
  ASSERT_TRUE(sheet->writeNum(5, 5, 1));
  ASSERT_TRUE(sheet->writeNum(0, 0, 2));
  ASSERT_TRUE(sheet->writeStr(5, 5, "replaced"));
  ASSERT_TRUE(sheet->writeNum(2, 1, 3));
  ASSERT_TRUE(sheet->writeNum(2, 1, 4));
  EXPECT_STREQ(sheet->readStr(5, 5), "replaced");
  EXPECT_EQ(sheet->readNum(2, 1), 4);
  ASSERT_TRUE(sheet->writeNum(0, 0, 9));  // a write after a read
  auto again = newBook();
  const std::string bytes = saveToString(*book);
  ASSERT_TRUE(again->load(bytes.data(), bytes.size())) << again->errorMessage();
  Sheet* read = again->getSheet(0);
  EXPECT_EQ(read->readNum(0, 0), 9);
  EXPECT_EQ(read->readNum(2, 1), 4);
  EXPECT_STREQ(read->readStr(5, 5), "replaced");
  EXPECT_EQ(read->lastRow(), 6);
  EXPECT_EQ(read->lastCol(), 6);
}

TEST(RoundTrip, ReadsBetweenWritesSeeEveryCell) {
  // Appends in order keep the row index up to date; rows are skipped and cells added to the open row.
  auto book = newBook();
  Sheet* sheet = book->addSheet("S");
  EXPECT_EQ(sheet->cellType(0, 0), CellType::Empty);
  for (int r = 0; r < 3000; r += 3) {
    for (int c = 0; c < 4; c += 1 + r % 2) {
      ASSERT_TRUE(sheet->writeNum(r, c, r * 10 + c));
      ASSERT_EQ(sheet->readNum(r, c), r * 10 + c) << r << "," << c;
      ASSERT_EQ(sheet->cellType(r + 1, c), CellType::Empty);
    }
    ASSERT_EQ(sheet->readNum(r / 2 - r / 2 % 3, 0), (r / 2 - r / 2 % 3) * 10);
  }
  EXPECT_EQ(sheet->lastRow(), 2998);
  ASSERT_TRUE(sheet->writeNum(1, 1, -1));  // out of order: the index is rebuilt
  EXPECT_EQ(sheet->readNum(1, 1), -1);
  EXPECT_EQ(sheet->readNum(2997, 2), 29972);
}

TEST(RoundTrip, Date1904SystemIsKept) {
  auto book = newBook();
  book->setDate1904(true);
  Format* date = book->addFormat();
  date->setNumFormat(kNumFormatDate);
  const double serial = book->datePack(1998, 7, 5);
  EXPECT_EQ(serial, 34519);
  book->addSheet("S")->writeNum(0, 0, serial, date);
  auto again = newBook();
  const std::string bytes = saveToString(*book);
  ASSERT_TRUE(again->load(bytes.data(), bytes.size())) << again->errorMessage();
  EXPECT_TRUE(again->isDate1904());
  int y, mo, d;
  ASSERT_TRUE(again->dateUnpack(again->getSheet(0)->readNum(0, 0), &y, &mo, &d, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(y * 10000 + mo * 100 + d, 19980705);
}

TEST(Writing, ThePackageIsAPlainDeflatedZipWithEveryPart) {
  auto book = newBook();
  book->addSheet("One")->writeStr(0, 0, "x");
  book->addSheet("Two")->writeNum(0, 0, 1);
  const std::string zip = saveToString(*book);
  std::vector<std::string> names;
  for (std::size_t at = zip.find("PK\x03\x04"); at != std::string::npos && at + 30 <= zip.size();
       at = zip.find("PK\x03\x04", at + 4)) {
    auto u16 = [&zip](std::size_t off) { return unsigned(static_cast<unsigned char>(zip[off])) | unsigned(static_cast<unsigned char>(zip[off + 1])) << 8; };
    const std::string name = zip.substr(at + 30, u16(at + 26));
    names.push_back(name);
    // Version 2.0 and no extra field: no Zip64 records, which some programs refuse in small files.
    EXPECT_EQ(u16(at + 4), 20u) << name;
    EXPECT_EQ(u16(at + 8), 8u) << name;  // deflated
    EXPECT_EQ(u16(at + 28), 0u) << name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "docProps/app.xml",
                                             "docProps/core.xml", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                             "xl/styles.xml", "xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml",
                                             "xl/sharedStrings.xml"}));
}

TEST(Writing, RefusesWhatSpreadsheetProgramsWouldNotOpen) {
  auto book = newBook();
  struct Case {
    const char* name;
    const char* message;
  } cases[] = {
      {"", "empty"},
      {"0123456789012345678901234567890X", "32 characters"},
      {"a/b", "'/'"},
      {"a[1]", "'['"},
      {"'quoted'", "apostrophe"},
      {"DATA", "exists already"},
  };
  ASSERT_NE(book->addSheet("data"), nullptr);
  ASSERT_NE(book->addSheet("0123456789012345678901234567890"), nullptr);  // 31 characters
  for (const Case& c : cases) {
    EXPECT_EQ(book->addSheet(c.name), nullptr) << c.name;
    EXPECT_NE(std::string(book->errorMessage()).find(c.message), std::string::npos)
        << c.name << ": " << book->errorMessage();
  }
  Sheet* sheet = book->getSheet(0);
  EXPECT_FALSE(sheet->writeNum(kMaxRows, 0, 1));
  EXPECT_FALSE(sheet->writeNum(0, kMaxCols, 1));
  EXPECT_FALSE(sheet->writeNum(0, 0, std::nan("")));
  EXPECT_FALSE(sheet->writeStr(0, 0, "\xFF\xFE"));
  EXPECT_FALSE(sheet->writeStr(0, 0, std::string(32768, 'x').c_str()));
  EXPECT_TRUE(sheet->writeStr(0, 0, std::string(32767, 'x').c_str()));
  EXPECT_TRUE(sheet->writeNum(kMaxRows - 1, kMaxCols - 1, 1));
  EXPECT_FALSE(book->addFormat()->setNumFormat(200));
  auto other = newBook();
  EXPECT_FALSE(sheet->writeNum(1, 1, 1, other->addFormat()));
  EXPECT_NE(std::string(book->errorMessage()).find("another workbook"), std::string::npos);
  EXPECT_EQ(book->getSheet(2), nullptr);

  auto empty = newBook();
  const char* data;
  std::size_t size;
  EXPECT_FALSE(empty->save(&data, &size));
  EXPECT_NE(std::string(empty->errorMessage()).find("without sheets"), std::string::npos);
}

}  // namespace
}  // namespace xlsxbook

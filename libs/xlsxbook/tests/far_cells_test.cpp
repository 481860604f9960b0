// A sheet whose one cell is far away (XFD1048576) costs what one cell costs: its cells are
// enumerated without walking the grid, lookups build nothing sized by the last row, and xlsx-dump
// prints the cells that exist.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "book_ptr.h"

namespace xlsxbook {
namespace {

using testing::newBook;

constexpr int kLastRow = kMaxRows - 1, kLastCol = kMaxCols - 1;

std::vector<std::pair<int, int>> cellsOf(const Sheet& sheet) {
  std::vector<std::pair<int, int>> cells;
  for (std::size_t i = 0; i < sheet.cellCount(); ++i) {
    int row = -1, col = -1;
    EXPECT_TRUE(sheet.cellAt(i, &row, &col));
    cells.emplace_back(row, col);
  }
  return cells;
}

TEST(FarCells, ExistingCellsAreEnumeratedInRowAndColumnOrder) {
  auto book = newBook();
  Sheet* sheet = book->addSheet("S");
  ASSERT_TRUE(sheet->writeNum(kLastRow, kLastCol, 1));
  ASSERT_TRUE(sheet->writeStr(0, 0, "a"));
  ASSERT_TRUE(sheet->writeNum(5, 2, 3));
  ASSERT_TRUE(sheet->writeStr(0, 0, "b"));  // replaces "a"
  const std::vector<std::pair<int, int>> expected = {{0, 0}, {5, 2}, {kLastRow, kLastCol}};
  EXPECT_EQ(cellsOf(*sheet), expected);
  int row, col;
  EXPECT_FALSE(sheet->cellAt(3, &row, &col));
  EXPECT_STREQ(book->errorMessage(), "cell index 3 is outside the sheet's 3 cells");

  auto again = newBook();
  const std::string bytes = testing::saveToString(*book);
  ASSERT_TRUE(again->load(bytes.data(), bytes.size())) << again->errorMessage();
  EXPECT_EQ(cellsOf(*again->getSheet(0)), expected);
  EXPECT_STREQ(again->getSheet(0)->readStr(0, 0), "b");
}

#if !defined(__SANITIZE_ADDRESS__)
// The sanitizers' allocator keeps its own books, which mallinfo2 does not see.
TEST(FarCells, LookupsTakeNoMemoryForTheRowsBeforeAFarCell) {
  auto book = newBook();
  Sheet* sheet = book->addSheet("S");
  ASSERT_TRUE(sheet->writeNum(kLastRow, kLastCol, 1));
  // The first lookup reads the written row back into a cell, which gives back the memory the
  // sheet wrote with: the difference may be below zero.
  const long before = long(mallinfo2().uordblks);
  EXPECT_EQ(sheet->cellType(kLastRow, kLastCol), CellType::Number);
  EXPECT_EQ(sheet->cellType(kLastRow, 0), CellType::Empty);
  EXPECT_LT(long(mallinfo2().uordblks) - before, long(64) << 10);
}
#endif

std::string runDump(const std::string& arguments, int* status) {
  FILE* pipe = popen((std::string(XLSX_DUMP_TOOL) + " " + arguments + " 2>&1").c_str(), "r");
  std::string out;
  char buf[4096];
  std::size_t n;
  // A grid walk would print gigabytes; a megabyte is plenty to see it.
  while (out.size() < (std::size_t(1) << 20) && (n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  *status = pclose(pipe);
  return out;
}

TEST(FarCells, DumpToolPrintsTheCellsThatExist) {
  auto book = newBook();
  ASSERT_TRUE(book->addSheet("S")->writeNum(kLastRow, kLastCol, 1));
  const std::string path = ::testing::TempDir() + "far_cell.xlsx";
  std::ofstream(path, std::ios::binary) << testing::saveToString(*book);
  const std::string header = "sheet 1: S (1048576 rows, 16384 columns, 1 cells)\n";
  const std::pair<std::string, std::string> modes[] = {{path, "XFD1048576,1\n"},
                                                       {"--typed " + path, "XFD1048576\tnumber\t1\n"}};
  for (const auto& [arguments, cells] : modes) {
    int status = 0;
    const std::string out = runDump(arguments, &status);
    EXPECT_TRUE(out == header + cells) << out.size() << " bytes: " << out.substr(0, 200);
    EXPECT_EQ(status, 0) << arguments;
  }
  int status = 0;
  const std::string out = runDump(::testing::TempDir(), &status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(out.find("it is a directory"), std::string::npos) << out;
}

}  // namespace
}  // namespace xlsxbook

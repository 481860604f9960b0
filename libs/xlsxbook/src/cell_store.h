// The cells of one sheet: 16 bytes each, kept sorted by row and column so that rows stream out in
// order and a cell is found by a binary search. Nothing is sized by the sheet's extent, so one cell
// far away costs what one cell near costs.
#ifndef XLSXBOOK_CELL_STORE_H
#define XLSXBOOK_CELL_STORE_H

#include <cstdint>
#include <vector>

#include "xlsxbook/xlsxbook.h"

namespace xlsxbook {

struct Cell {
  // row (20 bits) | column (14 bits) | unused (11 bits) | type (3 bits) | style (16 bits)
  std::uint64_t key;
  // A Number's double bits, a Boolean's 0 or 1, or the string pool index of a String or Error.
  std::uint64_t value;

  int row() const { return int(key >> 44); }
  int col() const { return int((key >> 30) & 0x3FFF); }
  CellType type() const { return CellType((key >> 16) & 0x7); }
  std::uint32_t style() const { return std::uint32_t(key & 0xFFFF); }
  std::uint64_t position() const { return key >> 30; }
  double number() const;
};

Cell makeCell(int row, int col, CellType type, std::uint32_t style, std::uint64_t value);
Cell makeNumberCell(int row, int col, double number, std::uint32_t style);

class CellStore {
 public:
  // Adds or replaces the cell at its position. Row and column must be in range.
  void put(const Cell& cell);
  // nullptr when no cell is stored there.
  const Cell* find(int row, int col) const;
  // The cells in row and column order.
  const std::vector<Cell>& sorted() const;

  int lastRow() const { return lastRow_; }
  int lastCol() const { return lastCol_; }
  std::size_t size() const { return cells_.size(); }
  void reserve(std::size_t n) { cells_.reserve(n); }

 private:
  void normalize() const;

  mutable std::vector<Cell> cells_;
  mutable bool sorted_ = true;
  mutable std::size_t cursor_ = 0;  // the cell found last
  int lastRow_ = 0;
  int lastCol_ = 0;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_CELL_STORE_H

#include "cell_store.h"

#include <algorithm>
#include <cstring>

namespace xlsxbook {

double Cell::number() const {
  double d;
  std::memcpy(&d, &value, sizeof d);
  return d;
}

Cell makeCell(int row, int col, CellType type, std::uint32_t style, std::uint64_t value) {
  const std::uint64_t key = std::uint64_t(row) << 44 | std::uint64_t(col) << 30 |
                            std::uint64_t(type) << 16 | (style & 0xFFFF);
  return Cell{key, value};
}

Cell makeNumberCell(int row, int col, double number, std::uint32_t style) {
  std::uint64_t bits;
  std::memcpy(&bits, &number, sizeof bits);
  return makeCell(row, col, CellType::Number, style, bits);
}

void CellStore::put(const Cell& cell) {
  if (!cells_.empty() && sorted_) {
    const std::uint64_t last = cells_.back().position();
    if (cell.position() == last) {
      cells_.back() = cell;
      return;
    }
    if (cell.position() < last) sorted_ = false;
  }
  cells_.push_back(cell);
  lastRow_ = std::max(lastRow_, cell.row() + 1);
  lastCol_ = std::max(lastCol_, cell.col() + 1);
}

void CellStore::normalize() const {
  if (sorted_) return;
  std::stable_sort(cells_.begin(), cells_.end(),
                   [](const Cell& a, const Cell& b) { return a.position() < b.position(); });
  // Of several writes to one position the last one counts.
  std::size_t out = 0;
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    if (out > 0 && cells_[out - 1].position() == cells_[i].position())
      cells_[out - 1] = cells_[i];
    else
      cells_[out++] = cells_[i];
  }
  cells_.resize(out);
  sorted_ = true;
}

const Cell* CellStore::find(int row, int col) const {
  if (row < 0 || col < 0 || row >= lastRow_ || col >= lastCol_) return nullptr;
  normalize();
  const std::uint64_t want = std::uint64_t(row) << 14 | std::uint64_t(col);
  // Cells are mostly read in order, each cell several times (its type, then its value): try the
  // last hit and the one after it before searching.
  if (cursor_ < cells_.size() && cells_[cursor_].position() == want) return &cells_[cursor_];
  const std::size_t next = cursor_ + 1;
  if (next < cells_.size() && cells_[next].position() == want) return &cells_[cursor_ = next];
  const Cell* begin = cells_.data();
  const Cell* end = begin + cells_.size();
  const Cell* at = std::lower_bound(begin, end, want,
                                    [](const Cell& c, std::uint64_t p) { return c.position() < p; });
  if (at == end || at->position() != want) return nullptr;
  cursor_ = std::size_t(at - cells_.data());
  return at;
}

const std::vector<Cell>& CellStore::sorted() const {
  normalize();
  return cells_;
}

}  // namespace xlsxbook

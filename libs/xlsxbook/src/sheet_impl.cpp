#include <cmath>
#include <cstring>
#include <new>

#include "book_impl.h"
#include "cell_ref.h"
#include "failure.h"
#include "limits.h"
#include "package_parts.h"
#include "utf8.h"

namespace xlsxbook {

void SheetImpl::startStreaming() { stream_ = std::make_unique<RowStream>(&book_->strings()); }

const CellStore& SheetImpl::settled() const {
  if (!stream_) return cells_;
  std::unique_ptr<RowStream> stream = std::move(stream_);
  try {
    std::unique_ptr<ByteSource> xml = stream->xml();
    readWrittenRows(xml.get(), book_, const_cast<SheetImpl*>(this));
  } catch (const std::exception& e) {   // out of memory: the cells read back so far stay
    book_->fail(std::string("cannot read back the rows written to sheet '") + name_ + "': " + e.what());
  }
  return cells_;
}

bool SheetImpl::streams(int row) {
  if (!stream_) return false;
  if (stream_->accepts(row)) return true;
  settled();
  return false;
}

bool SheetImpl::cellAt(std::size_t index, int* row, int* col) const {
  const std::vector<Cell>& cells = settled().sorted();
  if (index >= cells.size())
    return book_->fail("cell index " + std::to_string(index) + " is outside the sheet's " +
                       std::to_string(cells.size()) + " cells");
  if (!row || !col) return book_->fail("cellAt needs places for the row and the column");
  *row = cells[index].row();
  *col = cells[index].col();
  return true;
}

CellType SheetImpl::cellType(int row, int col) const {
  const Cell* cell = settled().find(row, col);
  return cell ? cell->type() : CellType::Empty;
}

bool SheetImpl::isDate(int row, int col) const {
  const Cell* cell = settled().find(row, col);
  return cell && cell->type() == CellType::Number && book_->styles().isDateXf(cell->style());
}

double SheetImpl::readNum(int row, int col) const {
  const Cell* cell = settled().find(row, col);
  return cell && cell->type() == CellType::Number ? cell->number() : 0.0;
}

const char* SheetImpl::readStr(int row, int col) const {
  const Cell* cell = settled().find(row, col);
  if (!cell || cell->type() != CellType::String) return nullptr;
  return book_->strings().c_str(std::uint32_t(cell->value));
}

bool SheetImpl::readBool(int row, int col) const {
  const Cell* cell = settled().find(row, col);
  return cell && cell->type() == CellType::Boolean && cell->value != 0;
}

const char* SheetImpl::readError(int row, int col) const {
  const Cell* cell = settled().find(row, col);
  if (!cell || cell->type() != CellType::Error) return nullptr;
  return book_->strings().c_str(std::uint32_t(cell->value));
}

bool SheetImpl::checkWrite(int row, int col, Format* format, std::uint32_t* style) {
  if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxCols)
    return book_->fail("cell (" + std::to_string(row) + ", " + std::to_string(col) +
                       ") is outside the sheet: rows are 0 to " + std::to_string(kMaxRows - 1) +
                       ", columns 0 to " + std::to_string(kMaxCols - 1));
  const auto* impl = static_cast<const FormatImpl*>(format);
  if (impl && impl->book() != book_) return book_->fail("the format belongs to another workbook");
  *style = impl ? impl->xf() : 0;
  return true;
}

// Runs a write that allocates; running out of memory fails the write, as every failure does.
template <class Write>
bool SheetImpl::store(int row, int col, Write write) {
  try {
    write();
  } catch (const std::bad_alloc&) {
    return book_->fail("out of memory while writing the cell " + cellName(row, col));
  } catch (const Failure& e) {
    return book_->fail(e.what());
  }
  return true;
}

bool SheetImpl::writeNum(int row, int col, double value, Format* format) {
  std::uint32_t style;
  if (!checkWrite(row, col, format, &style)) return false;
  if (!std::isfinite(value)) return book_->fail("cannot write a number that is not finite into a cell");
  return store(row, col, [&] {
    if (streams(row)) stream_->put(makeNumberCell(row, col, value, style));
    else cells_.put(makeNumberCell(row, col, value, style));
  });
}

bool SheetImpl::writeStr(int row, int col, const char* value, Format* format) {
  std::uint32_t style;
  if (!checkWrite(row, col, format, &style)) return false;
  if (!value) return book_->fail("cannot write a null string into a cell");
  const std::string_view text(value);
  if (!isValidUtf8(text)) return book_->fail("cannot write a string that is not valid UTF-8");
  const std::size_t chars = countUtf16Units(text);
  if (chars > kMaxCellChars)
    return book_->fail("a cell holds at most " + std::to_string(kMaxCellChars) + " characters, not " +
                       std::to_string(chars));
  return store(row, col, [&] {
    if (streams(row)) stream_->putString(row, col, style, text);
    else cells_.put(makeCell(row, col, CellType::String, style, book_->strings().intern(text)));
  });
}

bool SheetImpl::split(int row, int col) {
  if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxCols)
    return book_->fail("split position (" + std::to_string(row) + ", " + std::to_string(col) +
                       ") is outside the sheet");
  setSplit(row, col);
  return true;
}

}  // namespace xlsxbook

// The rows of a sheet being written, kept as compressed worksheet XML instead of cells: a sheet
// written row after row (as writers of large tables do) holds only the row it is filling and the
// deflated XML of the rows before it, so that its memory follows the compressed size of its part.
//
// Strings go into the shared-strings table while it pays, that is while a column's strings repeat;
// a column whose strings are mostly new (keys, identifiers) writes them inline in its cells, so that
// a million distinct strings are not held until the book is saved.
//
// The deflated rows end on a flush point, not on the end of a stream: the worksheet part is their
// deflated head, the rows and the deflated tail one after the other, one valid deflate stream.
#ifndef XLSXBOOK_ROW_STREAM_H
#define XLSXBOOK_ROW_STREAM_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "byte_source.h"
#include "cell_store.h"

typedef struct z_stream_s z_stream;

namespace xlsxbook {

class StringPool;

// Deflated data, in pieces, with the CRC-32 and the size of what it inflates to.
struct Deflated {
  std::vector<std::string_view> pieces;
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  std::uint64_t compressedSize() const;
};

// Deflates text into a part segment that ends on a flush point (final: the end of the stream).
// The output goes into blocks that never move, so that it is never copied as it grows.
class Deflater {
 public:
  Deflater();
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  void add(std::string_view text);
  // Flushes what was added; with final the stream ends and takes nothing more.
  void flush(bool final);
  // Valid until the next add or flush.
  Deflated result() const;

 private:
  void run(std::string_view text, int mode);

  std::unique_ptr<z_stream> z_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;   // of the last block
  std::uint32_t crc_ = 0;
  std::uint64_t size_ = 0;
};

class RowStream {
 public:
  explicit RowStream(StringPool* strings) : strings_(*strings) {}

  // Whether a cell of this row may still be written: the open row or one after it.
  bool accepts(int row) const { return row >= openRow_; }
  // Cells of the open row or of a later one, which closes the open row (row >= openRow()).
  void put(const Cell& cell);
  void putString(int row, int col, std::uint32_t style, std::string_view text);

  int lastRow() const { return lastRow_; }
  int lastCol() const { return lastCol_; }
  bool empty() const { return lastRow_ == 0; }
  // The closed rows, deflated up to a flush point; the stream takes more rows after it.
  Deflated rows();
  // The XML of the row still open, which later cells may join.
  void appendOpenRow(std::string* out) const;
  // The rows written so far as the sheetData element of a worksheet, for reading them back.
  std::unique_ptr<ByteSource> xml();

 private:
  struct Pending {
    Cell cell;
    bool isInline;        // cell.value is an offset into rowText_, length in textLength
    std::uint32_t textLength;
  };
  struct ColumnStrings {
    std::uint32_t seen = 0, added = 0;
    bool inlined = false;
  };

  void open(int row);
  void closeRow();
  bool shares(int col, std::string_view text, std::uint32_t* index);

  StringPool& strings_;
  std::vector<Pending> row_;
  std::string rowText_;
  std::string chunk_;   // XML of closed rows not deflated yet
  Deflater deflater_;
  std::vector<ColumnStrings> columns_;
  int openRow_ = 0;
  int lastRow_ = 0, lastCol_ = 0;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_ROW_STREAM_H

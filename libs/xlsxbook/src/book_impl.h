// The workbook object behind the public Book interface.
#ifndef XLSXBOOK_BOOK_IMPL_H
#define XLSXBOOK_BOOK_IMPL_H

#include <memory>
#include <string>
#include <vector>

#include "cell_store.h"
#include "output_buffer.h"
#include "row_stream.h"
#include "string_pool.h"
#include "styles.h"
#include "xlsxbook/xlsxbook.h"

namespace xlsxbook {

class BookImpl;
class Failure;

class FormatImpl final : public Format {
 public:
  FormatImpl(BookImpl* book, std::uint32_t xf) : book_(book), xf_(xf) {}
  bool setNumFormat(int id) override;
  int numFormat() const override;
  std::uint32_t xf() const { return xf_; }
  const BookImpl* book() const { return book_; }

 private:
  BookImpl* book_;
  std::uint32_t xf_;
};

// A sheet added to a book is written row by row (RowStream) for as long as its cells come in row
// order; the first cell written to a row left already, or the first read of a cell, reads the
// written rows back into cells, which the sheet keeps from then on. A loaded sheet keeps cells.
class SheetImpl final : public Sheet {
 public:
  SheetImpl(BookImpl* book, std::string name) : book_(book), name_(std::move(name)) {}

  const char* name() const override { return name_.c_str(); }
  int lastRow() const override { return stream_ ? stream_->lastRow() : cells_.lastRow(); }
  int lastCol() const override { return stream_ ? stream_->lastCol() : cells_.lastCol(); }
  std::size_t cellCount() const override { return settled().sorted().size(); }
  bool cellAt(std::size_t index, int* row, int* col) const override;
  CellType cellType(int row, int col) const override;
  bool isDate(int row, int col) const override;
  double readNum(int row, int col) const override;
  const char* readStr(int row, int col) const override;
  bool readBool(int row, int col) const override;
  const char* readError(int row, int col) const override;
  bool writeNum(int row, int col, double value, Format* format) override;
  bool writeStr(int row, int col, const char* value, Format* format) override;
  bool split(int row, int col) override;
  int splitRow() const override { return splitRow_; }
  int splitCol() const override { return splitCol_; }

  CellStore& cells() { return cells_; }
  const CellStore& cells() const { return cells_; }
  void setSplit(int row, int col) { splitRow_ = row, splitCol_ = col; }
  // Rows from now on are written as they come (sheets added to a book, not loaded ones).
  void startStreaming();
  // The rows written as they came, or nullptr when the sheet keeps cells.
  RowStream* rowStream() const { return stream_.get(); }

 private:
  bool checkWrite(int row, int col, Format* format, std::uint32_t* style);
  template <class Write>
  bool store(int row, int col, Write write);
  // Whether a cell of the row goes to the row stream; when it cannot, the sheet settles.
  bool streams(int row);
  // The cells, after reading back the rows written as they came.
  const CellStore& settled() const;

  BookImpl* book_;
  std::string name_;
  // Reading back the written rows changes how the sheet keeps its cells, not what it holds, so a
  // read may do it.
  mutable CellStore cells_;
  mutable std::unique_ptr<RowStream> stream_;
  int splitRow_ = 0;
  int splitCol_ = 0;
};

class BookImpl final : public Book {
 public:
  BookImpl() = default;
  BookImpl(const BookImpl&) = delete;
  BookImpl& operator=(const BookImpl&) = delete;

  bool load(const void* data, std::size_t size) override;
  bool save(const char** data, std::size_t* size) override;
  int sheetCount() const override { return int(sheets_.size()); }
  Sheet* getSheet(int index) override;
  Sheet* addSheet(const char* name) override;
  Format* addFormat() override;
  int addCustomNumFormat(const char* code) override;
  bool dateUnpack(double value, int* year, int* month, int* day, int* hour, int* minute, int* second,
                  int* msec) const override;
  double datePack(int year, int month, int day, int hour, int minute, int second,
                  int msec) const override;
  bool isDate1904() const override { return date1904_; }
  void setDate1904(bool on) override { date1904_ = on; }
  const char* errorMessage() const override { return error_.c_str(); }
  const char* errorPlace() const override { return errorPlace_.c_str(); }
  const char* errorReason() const override { return errorReason_.c_str(); }
  void release() override { delete this; }

  // For the reader, the writer and the sheets.
  bool fail(std::string message);
  bool fail(const Failure& failure);
  void succeed() { fail("ok"); }
  void clear();
  StringPool& strings() { return strings_; }
  const StringPool& strings() const { return strings_; }
  Styles& styles() { return styles_; }
  const Styles& styles() const { return styles_; }
  SheetImpl* appendSheet(std::string name);
  const std::vector<std::unique_ptr<SheetImpl>>& sheets() const { return sheets_; }

 private:
  std::vector<std::unique_ptr<SheetImpl>> sheets_;
  std::vector<std::unique_ptr<FormatImpl>> formats_;
  StringPool strings_;
  Styles styles_;
  bool date1904_ = false;
  std::string error_ = "ok";
  std::string errorPlace_;
  std::string errorReason_ = "ok";
  OutputBuffer saved_;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_BOOK_IMPL_H

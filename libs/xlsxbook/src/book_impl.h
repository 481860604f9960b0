// The workbook object behind the public Book interface.
#ifndef XLSXBOOK_BOOK_IMPL_H
#define XLSXBOOK_BOOK_IMPL_H

#include <memory>
#include <string>
#include <vector>

#include "cell_store.h"
#include "string_pool.h"
#include "styles.h"
#include "xlsxbook/xlsxbook.h"

namespace xlsxbook {

class BookImpl;

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

class SheetImpl final : public Sheet {
 public:
  SheetImpl(BookImpl* book, std::string name) : book_(book), name_(std::move(name)) {}

  const char* name() const override { return name_.c_str(); }
  int lastRow() const override { return cells_.lastRow(); }
  int lastCol() const override { return cells_.lastCol(); }
  std::size_t cellCount() const override { return cells_.sorted().size(); }
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

 private:
  bool checkWrite(int row, int col, Format* format, std::uint32_t* style);
  template <class Write>
  bool store(int row, int col, Write write);

  BookImpl* book_;
  std::string name_;
  CellStore cells_;
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
  void release() override { delete this; }

  // For the reader, the writer and the sheets.
  bool fail(std::string message);
  void succeed() { error_ = "ok"; }
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
  std::string saved_;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_BOOK_IMPL_H

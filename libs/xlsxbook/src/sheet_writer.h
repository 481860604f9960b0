// Generators of the two large parts: a worksheet and the shared-strings table.
#ifndef XLSXBOOK_SHEET_WRITER_H
#define XLSXBOOK_SHEET_WRITER_H

#include <string>
#include <string_view>

#include "cell_store.h"
#include "zip_writer.h"

namespace xlsxbook {

class SheetImpl;
class StringPool;

// The XML of one cell (a String cell's value is its index in the shared strings), and of a cell
// holding its string inline.
void appendCellXml(const Cell& cell, const StringPool& strings, std::string* out);
void appendInlineStringCell(const Cell& cell, std::string_view text, std::string* out);
// What comes before the rows of a worksheet (its extent, its frozen panes) and after them.
void appendWorksheetHead(const SheetImpl& sheet, bool selected, std::string* out);
void appendWorksheetTail(std::string* out);

class WorksheetGenerator final : public PartGenerator {
 public:
  WorksheetGenerator(const SheetImpl& sheet, const StringPool& strings, bool selected)
      : sheet_(sheet), strings_(strings), selected_(selected) {}
  bool next(std::string* chunk) override;
  void rewind() override { phase_ = Phase::Head, cell_ = 0, openRow_ = -1; }

 private:
  void head(std::string* out) const;

  void cells(std::string* out);

  const SheetImpl& sheet_;
  const StringPool& strings_;
  const bool selected_;
  enum class Phase { Head, Cells, Tail, Done } phase_ = Phase::Head;
  std::size_t cell_ = 0;
  int openRow_ = -1;
};

class SharedStringsGenerator final : public PartGenerator {
 public:
  explicit SharedStringsGenerator(const StringPool& pool) : pool_(pool) {}
  bool next(std::string* chunk) override;
  void rewind() override { started_ = false, index_ = 0; }

 private:
  const StringPool& pool_;
  bool started_ = false;
  std::size_t index_ = 0;
};

}  // namespace xlsxbook

#endif  // XLSXBOOK_SHEET_WRITER_H

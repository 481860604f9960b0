// Streams a worksheet part into a sheet's cells. Formulas are not evaluated: a formula cell takes
// the value its program cached when it saved the file, which is what its author saw.
#include <algorithm>

#include "book_impl.h"
#include "cell_ref.h"
#include "cell_text.h"
#include "limits.h"
#include "failure.h"
#include "package_parts.h"
#include "utf8.h"
#include "xml_scanner.h"
#include "zip_reader.h"

namespace xlsxbook {
namespace {

using Event = XmlScanner::Event;

class WorksheetReader {
 public:
  // partBytes: the uncompressed size of the part, which bounds how many cells it can hold.
  WorksheetReader(XmlScanner* xml, std::uint64_t partBytes, std::uint32_t sharedCount,
                  std::uint64_t* cellsLeft, BookImpl* book, SheetImpl* sheet)
      : xml_(*xml), partBytes_(partBytes), sharedCount_(sharedCount), cellsLeft_(*cellsLeft), book_(*book),
        sheet_(*sheet) {}
  void run();

 private:
  enum class State { Outside, SheetData, Row, Cell, Value, InlineString, InlineText, Skip };

  void onStart();
  void onEnd();
  void beginRow();
  void beginCell();
  void commitCell();
  Cell valueCell();  // of a number, shared string, boolean, error or ISO date
  [[noreturn]] void cellFail(const std::string& what) const;
  // Fails at a place of the sheet; the message is the sheet's name and the reason.
  [[noreturn]] void sheetFail(const std::string& place, const std::string& reason) const;
  // "sheet 'Orders'", or with " row 17" or " cell C17" where the reader stands in a row or cell.
  std::string place(State state) const;
  std::string sheetPlace() const { return "sheet '" + std::string(sheet_.name()) + "'"; }
  void readPane();
  void reserveCells();

  XmlScanner& xml_;
  const std::uint64_t partBytes_;
  const std::uint32_t sharedCount_;
  std::uint64_t& cellsLeft_;
  BookImpl& book_;
  SheetImpl& sheet_;

  State state_ = State::Outside;
  State resume_ = State::Outside;  // where a skipped element returns to
  std::size_t skipDepth_ = 0;
  int row_ = -1;
  int nextCol_ = 0;
  int col_ = 0;
  std::string type_;
  std::uint32_t style_ = 0;
  bool hasValue_ = false;
  bool hasFormula_ = false;
  std::string text_;
};

// A failure of the part below the rows and cells (XML that is not well-formed, data that does
// not inflate) is placed where the reader stood.
void WorksheetReader::run() {
  try {
    for (Event e; (e = xml_.next()) != Event::Eof;) {
      if (e == Event::Start) onStart();
      else if (e == Event::End) onEnd();
      else if (state_ == State::Value || state_ == State::InlineText) xml_.appendText(&text_);
    }
  } catch (const Failure& e) {
    if (!e.place().empty()) throw;
    throw Failure(e.what(), place(state_), e.what());
  }
}

std::string WorksheetReader::place(State state) const {
  switch (state) {
    case State::Row: return sheetPlace() + " row " + std::to_string(row_ + 1);
    case State::Cell:
    case State::Value:
    case State::InlineString:
    case State::InlineText: return sheetPlace() + " cell " + cellName(row_, col_);
    case State::Skip: return place(resume_);
    case State::Outside:
    case State::SheetData: break;
  }
  return sheetPlace();
}

void WorksheetReader::onStart() {
  const std::string_view name = xml_.name();
  switch (state_) {
    case State::Outside:
      if (name == "sheetData") state_ = State::SheetData;
      else if (name == "pane") readPane();
      else if (name == "dimension") reserveCells();
      return;
    case State::SheetData:
      if (name == "row") beginRow();
      else resume_ = state_, state_ = State::Skip, skipDepth_ = xml_.depth();
      return;
    case State::Row:
      if (name == "c") beginCell();
      else resume_ = state_, state_ = State::Skip, skipDepth_ = xml_.depth();
      return;
    case State::Cell:
      if (name == "v") state_ = State::Value, hasValue_ = true;
      else if (name == "is") state_ = State::InlineString, hasValue_ = true;
      else {
        hasFormula_ = hasFormula_ || name == "f";
        resume_ = state_, state_ = State::Skip, skipDepth_ = xml_.depth();
      }
      return;
    case State::InlineString:
      if (name == "t") state_ = State::InlineText;
      else if (name == "rPh") resume_ = state_, state_ = State::Skip, skipDepth_ = xml_.depth();
      return;
    case State::Value:
    case State::InlineText:
      cellFail("unexpected element <" + std::string(name) + "> inside a value");
    case State::Skip:
      return;
  }
}

void WorksheetReader::onEnd() {
  switch (state_) {
    case State::Skip:
      if (xml_.depth() < skipDepth_) state_ = resume_;
      return;
    case State::SheetData:
      state_ = State::Outside;
      return;
    case State::Row:
      state_ = State::SheetData;
      return;
    case State::Cell:
      commitCell();
      state_ = State::Row;
      return;
    case State::Value:
      state_ = State::Cell;
      return;
    case State::InlineText:
      state_ = State::InlineString;
      return;
    case State::InlineString:
      if (xml_.name() == "is") state_ = State::Cell;
      return;
    case State::Outside:
      return;
  }
}

void WorksheetReader::beginRow() {
  state_ = State::Row;
  nextCol_ = 0;
  std::string_view r;
  if (!xml_.attribute("r", &r)) {
    ++row_;
  } else {
    int number = 0;
    if (!parseNumber(r, &number) || number < 1 || number > kMaxRows)
      sheetFail(sheetPlace(), "a row numbered '" + std::string(r) + "', expected 1 to " + std::to_string(kMaxRows));
    row_ = number - 1;
  }
  if (row_ >= kMaxRows) sheetFail(sheetPlace(), "more than " + std::to_string(kMaxRows) + " rows");
}

void WorksheetReader::beginCell() {
  state_ = State::Cell;
  hasValue_ = hasFormula_ = false;
  text_.clear();
  std::string_view attr;
  if (xml_.attribute("r", &attr)) {
    const std::string row = place(State::Row);
    if (!parseCellRef(attr, &row_, &col_))
      sheetFail(row, "a cell reference '" + std::string(attr) + "' that is not a cell of the sheet (A1 to XFD1048576)");
  } else {
    col_ = nextCol_;
    if (row_ < 0) row_ = 0;
  }
  if (col_ >= kMaxCols) cellFail("the row has more than " + std::to_string(kMaxCols) + " columns");
  nextCol_ = col_ + 1;
  type_.clear();
  if (xml_.attribute("t", &attr)) type_.assign(attr);
  style_ = 0;
  if (xml_.attribute("s", &attr) && (!parseNumber(attr, &style_) || style_ > kMaxStyles))
    cellFail("style index '" + std::string(attr) + "' is not a number from 0 to " + std::to_string(kMaxStyles));
}

void WorksheetReader::commitCell() {
  if (cellsLeft_-- == 0)
    throw Failure("the workbook holds more than " + std::to_string(kMaxLoadedCells) +
                  " cells, more than one load may read");
  const bool isText = type_ == "str" || type_ == "inlineStr";
  // No value, or an empty one where text is not expected: formatting only, or a formula that was
  // never calculated.
  if (!hasValue_ || (!isText && trimXmlSpace(text_).empty())) {
    sheet_.cells().put(makeCell(row_, col_, CellType::Blank, style_, 0));
  } else if (isText) {
    decodeOoxmlEscapes(&text_);
    if (!isValidUtf8(text_)) cellFail("the text is not valid UTF-8");
    sheet_.cells().put(makeCell(row_, col_, CellType::String, style_, book_.strings().add(text_)));
  } else {
    sheet_.cells().put(valueCell());
  }
}

Cell WorksheetReader::valueCell() {
  const std::string_view v = trimXmlSpace(text_);
  auto shown = [v] { return std::string(v.substr(0, 40)); };  // only built for a message
  if (type_.empty() || type_ == "n") {
    double number;
    if (!parseCellNumber(v, &number)) cellFail("the value '" + shown() + "' is not a number");
    return makeNumberCell(row_, col_, number, style_);
  }
  if (type_ == "s") {
    std::uint32_t index;
    if (!parseNumber(v, &index) || index >= sharedCount_)
      cellFail("shared string '" + shown() + "' does not exist; the table has " + std::to_string(sharedCount_) +
               " strings");
    return makeCell(row_, col_, CellType::String, style_, index);
  }
  if (type_ == "b") {
    if (v != "0" && v != "1" && v != "true" && v != "false")
      cellFail("the boolean value '" + shown() + "' is neither 0 nor 1");
    return makeCell(row_, col_, CellType::Boolean, style_, v == "1" || v == "true");
  }
  if (type_ == "e") {
    if (!isValidUtf8(v)) cellFail("the error code is not valid UTF-8");
    return makeCell(row_, col_, CellType::Error, style_, book_.strings().add(v));
  }
  if (type_ == "d") {
    double serial;
    if (!parseIsoDate(v, book_.isDate1904(), &serial))
      cellFail("the date '" + shown() + "' is not an ISO 8601 date the workbook can hold");
    return makeNumberCell(row_, col_, serial, style_);
  }
  cellFail("unknown cell type '" + type_.substr(0, 20) + "'");
}

void WorksheetReader::cellFail(const std::string& what) const {
  throw Failure(sheetPlace() + ", cell " + cellName(row_, col_) + ": " + what, sheetPlace() + " cell " + cellName(row_, col_), what);
}

void WorksheetReader::sheetFail(const std::string& place, const std::string& reason) const {
  throw Failure(sheetPlace() + " has " + reason, place, reason);
}

void WorksheetReader::readPane() {
  std::string_view state, value;
  if (!xml_.attribute("state", &state) || (state != "frozen" && state != "frozenSplit")) return;
  double x = 0, y = 0;
  if (xml_.attribute("xSplit", &value)) parseNumber(value, &x);
  if (xml_.attribute("ySplit", &value)) parseNumber(value, &y);
  if (x >= 0 && x < kMaxCols && y >= 0 && y < kMaxRows) sheet_.setSplit(int(y), int(x));
}

// The sheet's declared extent saves the cell store from growing step by step; it is only a hint,
// trusted no further than the part's size allows.
void WorksheetReader::reserveCells() {
  constexpr std::uint64_t kMinBytesPerCell = 16;  // <c r="A1"><v>1</v></c> is 23
  std::string_view ref;
  if (!xml_.attribute("ref", &ref)) return;
  const std::size_t colon = ref.find(':');
  int r0, c0, r1, c1;
  if (colon == std::string_view::npos || !parseCellRef(ref.substr(0, colon), &r0, &c0) ||
      !parseCellRef(ref.substr(colon + 1), &r1, &c1) || r1 < r0 || c1 < c0)
    return;
  const std::uint64_t cells = std::uint64_t(r1 - r0 + 1) * std::uint64_t(c1 - c0 + 1);
  sheet_.cells().reserve(std::size_t(std::min(cells, partBytes_ / kMinBytesPerCell)));
}

}  // namespace

void readWrittenRows(ByteSource* xml, BookImpl* book, SheetImpl* sheet) {
  XmlScanner scanner(xml, std::string("the rows written to sheet '") + sheet->name() + "'");
  std::uint64_t cellsLeft = kMaxLoadedCells;
  WorksheetReader(&scanner, 0, std::uint32_t(book->strings().size()), &cellsLeft, book, sheet).run();
}

void readWorksheet(ZipReader& zip, const std::string& part, std::uint32_t sharedCount,
                   std::uint64_t* cellsLeft, BookImpl* book, SheetImpl* sheet) {
  std::uint64_t index;
  if (!zip.find(part, &index)) throw Failure("the archive lacks the worksheet part " + part);
  PartStream stream(&zip, index, part);
  XmlScanner xml(&stream, part);
  WorksheetReader(&xml, stream.declaredSize(), sharedCount, cellsLeft, book, sheet).run();
}

}  // namespace xlsxbook

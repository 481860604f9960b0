// xlsxbook: reads and writes .xlsx workbooks in memory.
//
// Rules for the whole interface:
// - Text is UTF-8 everywhere (sheet names, cell strings, messages).
// - Rows and columns are 0-based. A sheet holds at most kMaxRows rows and kMaxCols columns.
// - A Book owns its sheets and formats; their pointers stay valid until load() or release().
//   Strings returned by the read operations stay valid until load() or release().
// - Operations that can fail return false or nullptr; errorMessage() then says why. No operation
//   throws or aborts on bad input.
// - A Book is used by one thread at a time.
#ifndef XLSXBOOK_XLSXBOOK_H
#define XLSXBOOK_XLSXBOOK_H

#include <cstddef>

namespace xlsxbook {

constexpr int kMaxRows = 1048576;
constexpr int kMaxCols = 16384;

// What a cell holds. A formula cell reports the type of its cached value; a formula without a
// cached value, and a cell that only carries formatting, is Blank.
enum class CellType { Empty, Number, String, Boolean, Blank, Error };

// Number formats that are built into every workbook, by their fixed ids.
enum BuiltinNumFormat { kNumFormatGeneral = 0, kNumFormatDate = 14, kNumFormatDateTime = 22 };

class Format {
 public:
  // A built-in id (0 to 163) or an id returned by Book::addCustomNumFormat.
  virtual bool setNumFormat(int id) = 0;
  virtual int numFormat() const = 0;

 protected:
  ~Format() = default;
};

class Sheet {
 public:
  virtual const char* name() const = 0;
  // One past the last row and column that hold a cell (0 for an empty sheet).
  virtual int lastRow() const = 0;
  virtual int lastCol() const = 0;

  // The cells that hold something (Blank ones included) in row and column order: cellCount() of
  // them, the index-th at (*row, *col). This costs what the sheet holds, unlike a walk over the grid
  // up to lastRow() and lastCol(), which one far-away cell makes a billion cells large. cellAt fails
  // for an index outside 0 to cellCount() - 1.
  virtual std::size_t cellCount() const = 0;
  virtual bool cellAt(std::size_t index, int* row, int* col) const = 0;

  virtual CellType cellType(int row, int col) const = 0;
  // True when the cell holds a number shown with a date or time format.
  virtual bool isDate(int row, int col) const = 0;
  // The number of a Number cell; 0 for any other cell.
  virtual double readNum(int row, int col) const = 0;
  // The text of a String cell; nullptr for any other cell.
  virtual const char* readStr(int row, int col) const = 0;
  virtual bool readBool(int row, int col) const = 0;
  // The error code of an Error cell ("#DIV/0!", "#N/A", ...); nullptr for any other cell.
  virtual const char* readError(int row, int col) const = 0;

  // format may be nullptr (the default format). Writing a cell replaces what it held.
  virtual bool writeNum(int row, int col, double value, Format* format = nullptr) = 0;
  virtual bool writeStr(int row, int col, const char* value, Format* format = nullptr) = 0;

  // Freezes the rows above `row` and the columns left of `col` (split(1, 0) freezes a header row).
  virtual bool split(int row, int col) = 0;
  virtual int splitRow() const = 0;
  virtual int splitCol() const = 0;

 protected:
  ~Sheet() = default;
};

class Book {
 public:
  // Replaces the book's contents with the workbook in data[0, size). All sheets and rows are read.
  virtual bool load(const void* data, std::size_t size) = 0;
  // Serialises the book; *data stays valid until the next save(), load() or release(). Fails for a
  // book without sheets, which spreadsheet programs refuse to open.
  virtual bool save(const char** data, std::size_t* size) = 0;

  virtual int sheetCount() const = 0;
  virtual Sheet* getSheet(int index) = 0;
  // Names are 1 to 31 characters, without : \ / ? * [ ], not starting or ending with an apostrophe,
  // and unique regardless of case.
  virtual Sheet* addSheet(const char* name) = 0;

  virtual Format* addFormat() = 0;
  // Registers a format code such as "yyyy-mm-dd hh:mm"; returns its id, or 0 on failure.
  virtual int addCustomNumFormat(const char* code) = 0;

  // Date numbers of the book's date system (1900 with its leap day 1900-02-29, or 1904).
  // dateUnpack fails for negative or huge numbers; datePack gives -1 for a date before the system's
  // start or with a field out of range.
  virtual bool dateUnpack(double value, int* year, int* month, int* day, int* hour, int* minute,
                          int* second, int* msec) const = 0;
  virtual double datePack(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                          int msec = 0) const = 0;
  virtual bool isDate1904() const = 0;
  virtual void setDate1904(bool on) = 0;

  // The reason of the last failure, or "ok".
  virtual const char* errorMessage() const = 0;
  // Where in a sheet the last failure of load() lies: "sheet 'Orders' cell C17", "sheet 'Orders'
  // row 17" or "sheet 'Orders'"; "" when it lies in no sheet (the archive, the workbook part).
  // errorReason() is then the message without the place, errorMessage() itself where there is none.
  virtual const char* errorPlace() const = 0;
  virtual const char* errorReason() const = 0;
  // Frees the book, its sheets and formats.
  virtual void release() = 0;

 protected:
  ~Book() = default;
};

// A new, empty .xlsx workbook. Never nullptr.
Book* createBook();

}  // namespace xlsxbook

#endif  // XLSXBOOK_XLSXBOOK_H

#include "book_impl.h"

#include <new>

#include "dates.h"
#include "failure.h"
#include "limits.h"
#include "package.h"
#include "utf8.h"

namespace xlsxbook {
namespace {

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x + 32);
    if (y >= 'A' && y <= 'Z') y = char(y + 32);
    if (x != y) return false;
  }
  return true;
}

// Empty when the name is acceptable, otherwise what is wrong with it.
std::string checkSheetName(std::string_view name) {
  if (name.empty()) return "a sheet name cannot be empty";
  if (!isValidUtf8(name)) return "the sheet name is not valid UTF-8";
  const std::size_t chars = countUtf16Units(name);
  if (chars > kMaxSheetNameChars)
    return "sheet name has " + std::to_string(chars) + " characters, at most " +
           std::to_string(kMaxSheetNameChars) + " are allowed";
  const std::size_t bad = name.find_first_of(":\\/?*[]");
  if (bad != std::string_view::npos)
    return std::string("sheet name contains '") + name[bad] + "', which is not allowed (: \\ / ? * [ ])";
  if (name.front() == '\'' || name.back() == '\'')
    return "a sheet name cannot begin or end with an apostrophe";
  return {};
}

}  // namespace

bool BookImpl::fail(std::string message) {
  errorPlace_.clear();
  errorReason_ = message;
  error_ = std::move(message);
  return false;
}

bool BookImpl::fail(const Failure& failure) {
  error_ = failure.what();
  errorPlace_ = failure.place();
  errorReason_ = failure.reason();
  return false;
}

void BookImpl::clear() {
  sheets_.clear();
  formats_.clear();
  strings_.clear();
  styles_.reset();
  date1904_ = false;
  OutputBuffer none;
  saved_.swap(none);
}

bool BookImpl::load(const void* data, std::size_t size) {
  clear();
  try {
    if (!data && size > 0) throw Failure("no data to load");
    readPackage(data, size, this);
  } catch (const Failure& e) {
    clear();
    return fail(e);
  } catch (const std::bad_alloc&) {
    clear();
    return fail("out of memory while loading the workbook");
  } catch (const std::exception& e) {
    clear();
    return fail(std::string("cannot load the workbook: ") + e.what());
  }
  succeed();
  return true;
}

bool BookImpl::save(const char** data, std::size_t* size) {
  if (!data || !size) return fail("save needs places for the data pointer and the size");
  {
    OutputBuffer before;   // what the last save gave is let go first: it is valid until this one
    saved_.swap(before);
  }
  try {
    writePackage(*this, &saved_);
  } catch (const Failure& e) {
    saved_.clear();
    return fail(e.what());
  } catch (const std::bad_alloc&) {
    saved_.clear();
    return fail("out of memory while saving the workbook");
  } catch (const std::exception& e) {
    saved_.clear();
    return fail(std::string("cannot save the workbook: ") + e.what());
  }
  *data = saved_.data();
  *size = saved_.size();
  succeed();
  return true;
}

Sheet* BookImpl::getSheet(int index) {
  if (index < 0 || index >= sheetCount()) {
    fail("sheet index " + std::to_string(index) + " is out of range: the workbook has " +
         std::to_string(sheetCount()) + " sheets");
    return nullptr;
  }
  return sheets_[std::size_t(index)].get();
}

SheetImpl* BookImpl::appendSheet(std::string name) {
  sheets_.push_back(std::make_unique<SheetImpl>(this, std::move(name)));
  return sheets_.back().get();
}

Sheet* BookImpl::addSheet(const char* name) {
  if (!name) return fail("a sheet name is required"), nullptr;
  std::string problem = checkSheetName(name);
  if (problem.empty() && sheets_.size() >= kMaxSheets) problem = "the workbook has the most sheets it can hold";
  for (const auto& sheet : sheets_)
    if (problem.empty() && equalIgnoringAsciiCase(sheet->name(), name))
      problem = std::string("a sheet named '") + sheet->name() + "' exists already";
  if (!problem.empty()) return fail(problem), nullptr;
  SheetImpl* sheet = appendSheet(name);
  try {
    sheet->startStreaming();
  } catch (const std::exception&) {   // no compressor to be had: the sheet keeps its cells
  }
  return sheet;
}

Format* BookImpl::addFormat() {
  if (!styles_.addXf(0)) return fail("the workbook has the most cell formats it can hold"), nullptr;
  formats_.push_back(std::make_unique<FormatImpl>(this, std::uint32_t(styles_.xfCount() - 1)));
  return formats_.back().get();
}

int BookImpl::addCustomNumFormat(const char* code) {
  if (!code || !*code) return fail("a number format code cannot be empty"), 0;
  if (!isValidUtf8(code)) return fail("the number format code is not valid UTF-8"), 0;
  const int id = styles_.addCustomFormat(code);
  if (id == 0) fail("the workbook has the most number formats it can hold");
  return id;
}

bool FormatImpl::setNumFormat(int id) {
  if (!book_->styles().hasNumFmt(id))
    return book_->fail("number format " + std::to_string(id) +
                       " is neither built in (0 to 163) nor added to the workbook");
  book_->styles().setXfNumFmt(xf_, id);
  return true;
}

int FormatImpl::numFormat() const { return book_->styles().xfNumFmt(xf_); }

bool BookImpl::dateUnpack(double value, int* year, int* month, int* day, int* hour, int* minute,
                          int* second, int* msec) const {
  DateParts p;
  if (!unpackDate(value, date1904_, &p)) return false;
  if (year) *year = p.year;
  if (month) *month = p.month;
  if (day) *day = p.day;
  if (hour) *hour = p.hour;
  if (minute) *minute = p.minute;
  if (second) *second = p.second;
  if (msec) *msec = p.msec;
  return true;
}

double BookImpl::datePack(int year, int month, int day, int hour, int minute, int second,
                          int msec) const {
  return packDate(DateParts{year, month, day, hour, minute, second, msec}, date1904_);
}

Book* createBook() { return new BookImpl(); }

}  // namespace xlsxbook

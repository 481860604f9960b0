// A streaming XML scanner for the large parts of a workbook (worksheets, shared strings): it holds
// one window of the part in memory, so memory does not grow with the part, and it checks that
// elements nest and close. Names are reported without their namespace prefix, since programs
// differ in the prefixes they write (x:row and row are the same element).
#ifndef XLSXBOOK_XML_SCANNER_H
#define XLSXBOOK_XML_SCANNER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "byte_source.h"

namespace xlsxbook {

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view data) : data_(data) {}
  std::size_t read(char* buffer, std::size_t n) override;

 private:
  std::string_view data_;
};

class XmlScanner {
 public:
  enum class Event { Start, End, Text, Eof };

  // partName names the part in messages.
  XmlScanner(ByteSource* source, std::string partName);

  // The next event. An empty element gives Start then End. Throws Failure on malformed XML.
  Event next();

  // Of the current Start or End: the local name.
  std::string_view name() const { return name_; }
  // Of the current Start: the raw value of an attribute by local name, or false.
  bool attribute(std::string_view localName, std::string_view* value) const;
  // Of the current Text: the text with character references resolved, appended to out.
  void appendText(std::string* out) const;
  // Depth of the current element (1 for the root).
  std::size_t depth() const { return stack_.size(); }

  // Throws Failure naming the part and the byte offset (spreadsheet programs write a whole sheet on
  // one line, so line numbers would not help).
  [[noreturn]] void fail(const std::string& what) const;

 private:
  struct Attribute {
    std::string_view name;
    std::string_view value;
  };
  enum class Scan { Done, NeedMore };

  bool refill();
  void checkEncoding();
  Scan scanMarkup();
  Scan scanStartTag(std::size_t at);
  // Reads one name="value" pair starting at *at and advances *at past it.
  Scan scanAttribute(std::string_view qname, std::size_t* at);
  Scan scanEndTag(std::size_t at);
  Scan skipUntil(std::size_t from, std::string_view terminator, std::size_t* after);
  Scan scanText();
  void pushElement(std::string_view qname);
  void popElement(std::string_view qname);

  ByteSource* source_;
  std::string part_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;   // first unconsumed byte
  std::size_t end_ = 0;   // one past the last byte read
  bool eof_ = false;
  bool started_ = false;  // the encoding has been checked
  std::size_t offsetBefore_ = 0;  // offset in the part of buffer_[0]

  Event event_ = Event::Eof;
  std::string_view name_;
  std::string_view text_;
  bool textIsCdata_ = false;
  bool pendingEnd_ = false;
  bool sawRoot_ = false;
  std::vector<Attribute> attributes_;
  std::vector<std::string> stack_;
  std::string endName_;  // the name of a pending End, which outlives its stack entry
};

// Resolves the five predefined entities and character references; false on a malformed one.
bool decodeXmlText(std::string_view raw, std::string* out);
// Resolves the _xHHHH_ escapes that spreadsheet programs use for control characters in strings.
void decodeOoxmlEscapes(std::string* text);

}  // namespace xlsxbook

#endif  // XLSXBOOK_XML_SCANNER_H

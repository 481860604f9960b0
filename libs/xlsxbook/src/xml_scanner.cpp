#include "xml_scanner.h"

#include <algorithm>
#include <cstring>

#include "failure.h"
#include "limits.h"

namespace xlsxbook {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

std::string_view localName(std::string_view qname) {
  const std::size_t colon = qname.rfind(':');
  return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

}  // namespace

std::size_t MemorySource::read(char* buffer, std::size_t n) {
  n = std::min(n, data_.size());
  if (n) std::memcpy(buffer, data_.data(), n);
  data_.remove_prefix(n);
  return n;
}

XmlScanner::XmlScanner(ByteSource* source, std::string partName)
    : source_(source), part_(std::move(partName)), buffer_(kXmlChunkBytes) {
  attributes_.reserve(kMaxXmlAttributes);
}

void XmlScanner::fail(const std::string& what) const {
  throw Failure("part " + part_ + " is not well-formed XML: " + what + " (at byte " +
                std::to_string(offsetBefore_ + pos_) + ")");
}

bool XmlScanner::refill() {
  if (eof_) return false;
  if (pos_ > 0) {
    offsetBefore_ += pos_;
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == buffer_.size()) {
    if (buffer_.size() >= kMaxXmlTokenBytes)
      fail("a tag or text run is longer than " + std::to_string(kMaxXmlTokenBytes) + " bytes");
    buffer_.resize(std::min(buffer_.size() * 2, kMaxXmlTokenBytes));
  }
  const std::size_t got = source_->read(buffer_.data() + end_, buffer_.size() - end_);
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ += got;
  if (!started_) checkEncoding();
  return true;
}

void XmlScanner::checkEncoding() {
  // Decided on the first bytes: a UTF-8 byte order mark is skipped, UTF-16 is refused by name.
  const std::string_view head(buffer_.data(), end_);
  if (head.size() < 3 && !eof_) return;
  started_ = true;
  if (head.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
  else if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF" ||
           (head.size() >= 2 && (head[0] == '\0' || head[1] == '\0')))
    fail("the part is encoded in UTF-16; only UTF-8 parts can be read");
}

XmlScanner::Event XmlScanner::next() {
  if (pendingEnd_) {
    pendingEnd_ = false;
    endName_ = stack_.back();
    stack_.pop_back();
    name_ = localName(endName_);
    return event_ = Event::End;
  }
  for (;;) {
    if (pos_ >= end_ && !refill()) {
      if (!stack_.empty()) fail("the part ends inside <" + stack_.back() + ">");
      if (!sawRoot_) fail("the part has no root element");
      return event_ = Event::Eof;
    }
    event_ = Event::Eof;  // stays so when a comment or instruction was skipped
    const Scan scan = buffer_[pos_] == '<' ? scanMarkup() : scanText();
    if (scan == Scan::NeedMore) {
      // At the end of the data the scan is tried once more, knowing that nothing follows.
      const bool wasEof = eof_;
      if (!refill() && wasEof) fail("the part ends in the middle of markup");
      continue;
    }
    if (event_ != Event::Eof) return event_;
  }
}

XmlScanner::Scan XmlScanner::scanText() {
  const char* begin = buffer_.data() + pos_;
  const char* lt = static_cast<const char*>(std::memchr(begin, '<', end_ - pos_));
  if (!lt && !eof_) return Scan::NeedMore;
  const std::size_t length = lt ? std::size_t(lt - begin) : end_ - pos_;
  text_ = std::string_view(begin, length);
  textIsCdata_ = false;
  pos_ += length;
  if (stack_.empty()) {
    if (!std::all_of(text_.begin(), text_.end(), isSpace)) fail("text outside the root element");
    return Scan::Done;
  }
  event_ = Event::Text;
  return Scan::Done;
}

XmlScanner::Scan XmlScanner::skipUntil(std::size_t from, std::string_view terminator, std::size_t* after) {
  if (from > end_) return Scan::NeedMore;
  const std::size_t found = std::string_view(buffer_.data(), end_).find(terminator, from);
  if (found == std::string_view::npos) return Scan::NeedMore;
  *after = found + terminator.size();
  return Scan::Done;
}

XmlScanner::Scan XmlScanner::scanMarkup() {
  constexpr std::string_view kCdata = "<![CDATA[";
  if (end_ - pos_ < kCdata.size() && !eof_) return Scan::NeedMore;
  const std::string_view head(buffer_.data() + pos_, std::min(end_ - pos_, kCdata.size()));
  std::size_t after = 0;
  if (head.size() > 1 && head[1] == '/') return scanEndTag(pos_);
  if (head.size() > 1 && head[1] == '?') {
    if (skipUntil(pos_ + 2, "?>", &after) == Scan::NeedMore) return Scan::NeedMore;
  } else if (head.substr(0, 4) == "<!--") {
    if (skipUntil(pos_ + 4, "-->", &after) == Scan::NeedMore) return Scan::NeedMore;
  } else if (head == kCdata) {
    if (skipUntil(pos_ + kCdata.size(), "]]>", &after) == Scan::NeedMore) return Scan::NeedMore;
    if (stack_.empty()) fail("CDATA outside the root element");
    text_ = std::string_view(buffer_.data() + pos_ + kCdata.size(), after - 3 - pos_ - kCdata.size());
    textIsCdata_ = true;
    event_ = Event::Text;
  } else if (head.size() > 1 && head[1] == '!') {
    fail("document type declarations and other <! constructs are not allowed in a workbook part");
  } else {
    return scanStartTag(pos_);
  }
  pos_ = after;
  return Scan::Done;
}

XmlScanner::Scan XmlScanner::scanStartTag(std::size_t at) {
  const char* b = buffer_.data();
  std::size_t i = at + 1;
  while (i < end_ && !isSpace(b[i]) && b[i] != '/' && b[i] != '>') ++i;
  if (i >= end_) return Scan::NeedMore;
  const std::string_view qname(b + at + 1, i - at - 1);
  if (qname.empty() || qname.find_first_of("<\"'=") != std::string_view::npos) fail("a malformed start tag");
  attributes_.clear();
  for (;;) {
    while (i < end_ && isSpace(b[i])) ++i;
    if (i >= end_) return Scan::NeedMore;
    if (b[i] == '>' || b[i] == '/') break;
    if (scanAttribute(qname, &i) == Scan::NeedMore) return Scan::NeedMore;
  }
  const bool selfClosing = b[i] == '/';
  if (selfClosing) {
    if (i + 1 >= end_) return Scan::NeedMore;
    if (b[i + 1] != '>') fail("'/' inside the start tag <" + std::string(qname) + ">");
    ++i;
  }
  pushElement(qname);
  name_ = localName(qname);
  pendingEnd_ = selfClosing;
  pos_ = i + 1;
  event_ = Event::Start;
  return Scan::Done;
}

XmlScanner::Scan XmlScanner::scanAttribute(std::string_view qname, std::size_t* at) {
  const char* b = buffer_.data();
  std::size_t i = *at;
  while (i < end_ && !isSpace(b[i]) && b[i] != '=' && b[i] != '>' && b[i] != '/') ++i;
  const std::string_view name(b + *at, i - *at);
  auto malformed = [&](const char* what) {
    fail("attribute '" + std::string(name) + "' of <" + std::string(qname) + "> " + what);
  };
  if (name.empty()) malformed("has no name");
  while (i < end_ && isSpace(b[i])) ++i;
  if (i + 1 >= end_) return Scan::NeedMore;
  if (b[i] != '=') malformed("has no value");
  ++i;
  while (i < end_ && isSpace(b[i])) ++i;
  if (i >= end_) return Scan::NeedMore;
  const char quote = b[i];
  if (quote != '"' && quote != '\'') malformed("is not quoted");
  const char* close = static_cast<const char*>(std::memchr(b + i + 1, quote, end_ - i - 1));
  if (!close) return Scan::NeedMore;
  if (attributes_.size() >= kMaxXmlAttributes)
    fail("<" + std::string(qname) + "> has more than " + std::to_string(kMaxXmlAttributes) + " attributes");
  attributes_.push_back({localName(name), std::string_view(b + i + 1, std::size_t(close - b) - i - 1)});
  *at = std::size_t(close - b) + 1;
  return Scan::Done;
}

XmlScanner::Scan XmlScanner::scanEndTag(std::size_t at) {
  const char* b = buffer_.data();
  const char* close = static_cast<const char*>(std::memchr(b + at, '>', end_ - at));
  if (!close) return Scan::NeedMore;
  std::string_view qname(b + at + 2, std::size_t(close - b) - at - 2);
  while (!qname.empty() && isSpace(qname.back())) qname.remove_suffix(1);
  popElement(qname);
  name_ = localName(qname);
  pos_ = std::size_t(close - b) + 1;
  event_ = Event::End;
  return Scan::Done;
}

void XmlScanner::pushElement(std::string_view qname) {
  if (stack_.empty() && sawRoot_) fail("a second root element <" + std::string(qname) + ">");
  if (stack_.size() >= kMaxXmlDepth) fail("elements nest deeper than " + std::to_string(kMaxXmlDepth));
  sawRoot_ = true;
  stack_.emplace_back(qname);
}

void XmlScanner::popElement(std::string_view qname) {
  if (stack_.empty()) fail("end tag </" + std::string(qname) + "> without a start tag");
  if (stack_.back() != qname)
    fail("end tag </" + std::string(qname) + "> does not match the open <" + stack_.back() + ">");
  stack_.pop_back();
}

bool XmlScanner::attribute(std::string_view local, std::string_view* value) const {
  for (const Attribute& a : attributes_)
    if (a.name == local) {
      *value = a.value;
      return true;
    }
  return false;
}

void XmlScanner::appendText(std::string* out) const {
  if (textIsCdata_) {
    out->append(text_);
  } else if (!decodeXmlText(text_, out)) {
    fail("a malformed entity or character reference in text");
  }
}

}  // namespace xlsxbook

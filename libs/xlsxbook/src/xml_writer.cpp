#include "xml_writer.h"

#include <charconv>

namespace xlsxbook {
namespace {

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool looksLikeEscape(std::string_view text, std::size_t at) {
  if (at + 7 > text.size() || text[at + 1] != 'x' || text[at + 6] != '_') return false;
  for (std::size_t k = 2; k < 6; ++k)
    if (!isHex(text[at + k])) return false;
  return true;
}

void appendUnitEscape(unsigned unit, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  char buf[7] = {'_', 'x', kHex[unit >> 12 & 15], kHex[unit >> 8 & 15], kHex[unit >> 4 & 15], kHex[unit & 15], '_'};
  out->append(buf, sizeof buf);
}

}  // namespace

void appendEscaped(std::string_view text, bool attribute, std::string* out) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const char* replacement = nullptr;
    if (c == '&') replacement = "&amp;";
    else if (c == '<') replacement = "&lt;";
    else if (c == '>') replacement = "&gt;";
    else if (c == '"' && attribute) replacement = "&quot;";
    else if (c == '\n' && attribute) replacement = "&#10;";
    else if (!(c < 0x20 && c != '\t' && c != '\n') && !(c == '_' && looksLikeEscape(text, i)))
      continue;
    out->append(text, from, i - from);
    if (replacement) out->append(replacement);
    else appendUnitEscape(c, out);
    from = i + 1;
  }
  out->append(text, from, std::string_view::npos);
}

void appendNumber(double value, std::string* out) {
  char buf[32];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  out->append(buf, std::size_t(result.ptr - buf));
}

void appendInt(long value, std::string* out) {
  char buf[24];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  out->append(buf, std::size_t(result.ptr - buf));
}

bool needsSpacePreserve(std::string_view text) {
  if (text.empty()) return false;
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  return space(text.front()) || space(text.back()) || text.find('\n') != std::string_view::npos;
}

}  // namespace xlsxbook

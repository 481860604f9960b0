// Character-level decoding of XML text and attribute values.
#include <cstring>

#include "utf8.h"
#include "xml_scanner.h"

namespace xlsxbook {
namespace {

bool parseCharRef(std::string_view ref, std::uint32_t* cp) {
  // ref is what stands between "&#" and ";".
  int base = 10;
  if (!ref.empty() && (ref[0] == 'x' || ref[0] == 'X')) base = 16, ref.remove_prefix(1);
  if (ref.empty() || ref.size() > 8) return false;
  std::uint32_t value = 0;
  for (char c : ref) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = value * std::uint32_t(base) + std::uint32_t(digit);
  }
  *cp = value;
  return value != 0;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool decodeXmlText(std::string_view raw, std::string* out) {
  for (;;) {
    const std::size_t amp = raw.find('&');
    out->append(raw.substr(0, amp));
    if (amp == std::string_view::npos) return true;
    raw.remove_prefix(amp + 1);
    const std::size_t semi = raw.find(';');
    if (semi == std::string_view::npos || semi > 12) return false;
    const std::string_view ref = raw.substr(0, semi);
    if (ref == "lt") out->push_back('<');
    else if (ref == "gt") out->push_back('>');
    else if (ref == "amp") out->push_back('&');
    else if (ref == "quot") out->push_back('"');
    else if (ref == "apos") out->push_back('\'');
    else {
      std::uint32_t cp;
      if (ref.empty() || ref[0] != '#' || !parseCharRef(ref.substr(1), &cp) || !appendUtf8(cp, out))
        return false;
    }
    raw.remove_prefix(semi + 1);
  }
}

void decodeOoxmlEscapes(std::string* text) {
  // _xHHHH_ stands for the UTF-16 unit HHHH; _x005F_ escapes a literal underscore.
  std::size_t at = text->find("_x");
  if (at == std::string::npos) return;
  std::string out;
  out.reserve(text->size());
  std::size_t from = 0;
  for (; at != std::string::npos; at = text->find("_x", at)) {
    if (at + 7 > text->size() || (*text)[at + 6] != '_') {
      ++at;
      continue;
    }
    std::uint32_t unit = 0;
    bool ok = true;
    for (std::size_t k = 2; k < 6; ++k) {
      const int d = hexDigit((*text)[at + k]);
      ok = ok && d >= 0;
      unit = unit << 4 | std::uint32_t(d < 0 ? 0 : d);
    }
    if (!ok || (unit >= 0xD800 && unit <= 0xDFFF)) {
      ++at;
      continue;
    }
    out.append(*text, from, at - from);
    appendUtf8(unit, &out);
    at += 7;
    from = at;
  }
  out.append(*text, from, std::string::npos);
  text->swap(out);
}

}  // namespace xlsxbook

#include "utf8.h"

namespace xlsxbook {

bool isValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int n;
    std::uint32_t cp;
    if ((c & 0xE0) == 0xC0) n = 1, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) n = 2, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) n = 3, cp = c & 0x07;
    else return false;
    if (i + std::size_t(n) >= s.size()) return false;
    for (int k = 1; k <= n; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + std::size_t(k)]);
      if ((d & 0xC0) != 0x80) return false;
      cp = cp << 6 | (d & 0x3F);
    }
    static const std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += std::size_t(n) + 1;
  }
  return true;
}

std::size_t countUtf16Units(std::string_view s) {
  std::size_t units = 0;
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

bool appendUtf8(std::uint32_t cp, std::string* out) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  if (cp < 0x80) {
    out->push_back(char(cp));
  } else if (cp < 0x800) {
    out->push_back(char(0xC0 | cp >> 6));
    out->push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(char(0xE0 | cp >> 12));
    out->push_back(char(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(char(0xF0 | cp >> 18));
    out->push_back(char(0x80 | (cp >> 12 & 0x3F)));
    out->push_back(char(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(char(0x80 | (cp & 0x3F)));
  }
  return true;
}

}  // namespace xlsxbook

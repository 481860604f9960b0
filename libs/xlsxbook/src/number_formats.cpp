#include "number_formats.h"

namespace xlsxbook {
namespace {

bool isElapsedTime(std::string_view bracket) {
  // [h], [hh], [mm], [ss] and so on: one letter repeated.
  if (bracket.empty()) return false;
  const char c = char(bracket[0] | 0x20);
  if (c != 'h' && c != 'm' && c != 's') return false;
  for (char b : bracket)
    if (char(b | 0x20) != c) return false;
  return true;
}

bool isDateToken(char c) {
  switch (c | 0x20) {
    case 'd': case 'm': case 'y': case 'h': case 's':
      return true;
    default:
      return false;
  }
}

}  // namespace

bool isBuiltinDateFormat(int id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
         (id >= 50 && id <= 58) || (id >= 71 && id <= 81);
}

bool isDateFormatCode(std::string_view code) {
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"') {
      const std::size_t end = code.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      i = end;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // an escaped literal, a padding width or a fill character follows
    } else if (c == '[') {
      const std::size_t end = code.find(']', i + 1);
      if (end == std::string_view::npos) return false;
      if (isElapsedTime(code.substr(i + 1, end - i - 1))) return true;
      i = end;
    } else if (isDateToken(c)) {
      return true;
    }
  }
  return false;
}

}  // namespace xlsxbook

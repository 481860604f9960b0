#include "cell_text.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "dates.h"

namespace xlsxbook {
namespace {

bool isXmlSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// Milliseconds from the digits after a decimal point: ".5" is 500, ".25" 250, ".123456" 123.
int fractionToMs(std::string_view digits) {
  int ms = 0, scale = 100;
  for (std::size_t i = 0; i < digits.size() && i < 3; ++i, scale /= 10) {
    if (digits[i] < '0' || digits[i] > '9') break;
    ms += (digits[i] - '0') * scale;
  }
  return ms;
}

}  // namespace

std::string_view trimXmlSpace(std::string_view s) {
  while (!s.empty() && isXmlSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isXmlSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool parseCellNumber(std::string_view text, double* out) {
  if (parseNumber(text, out)) return std::isfinite(*out);
  text = trimXmlSpace(text);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  if (ec != std::errc::result_out_of_range || end != text.data() + text.size()) return false;
  const std::string copy(text);
  const double approx = std::strtod(copy.c_str(), nullptr);
  *out = std::isinf(approx) ? std::copysign(std::numeric_limits<double>::max(), approx) : approx;
  return true;
}

bool parseIsoDate(std::string_view s, bool date1904, double* serial) {
  DateParts p;
  bool hasDate = false;
  auto field = [&s](std::size_t at, std::size_t n, int* out) {
    return at + n <= s.size() && parseNumber(s.substr(at, n), out);
  };
  std::size_t time = 0;
  if (s.size() >= 10 && s[4] == '-' && s[7] == '-') {
    if (!field(0, 4, &p.year) || !field(5, 2, &p.month) || !field(8, 2, &p.day)) return false;
    hasDate = true;
    time = s.size() > 10 && (s[10] == 'T' || s[10] == ' ') ? 11 : s.size();
  }
  if (time < s.size()) {
    if (time + 8 > s.size() || s[time + 2] != ':' || s[time + 5] != ':' || !field(time, 2, &p.hour) ||
        !field(time + 3, 2, &p.minute) || !field(time + 6, 2, &p.second))
      return false;
    if (time + 8 < s.size() && s[time + 8] == '.') p.msec = fractionToMs(s.substr(time + 9));
  }
  if (!hasDate) {  // a time of day alone is the fraction of a day
    const double day = packDate(DateParts{1900, 1, 1, p.hour, p.minute, p.second, p.msec}, false);
    *serial = day - std::floor(day);
    return day >= 0 && time < s.size();
  }
  *serial = packDate(p, date1904);
  return *serial >= 0;
}

}  // namespace xlsxbook

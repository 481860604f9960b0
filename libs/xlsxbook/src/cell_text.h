// The text forms of cell values in worksheet XML: numbers, indices and ISO 8601 dates.
#ifndef XLSXBOOK_CELL_TEXT_H
#define XLSXBOOK_CELL_TEXT_H

#include <charconv>
#include <string_view>

namespace xlsxbook {

std::string_view trimXmlSpace(std::string_view s);

// A whole number or decimal, surrounding white space allowed; false for anything else.
template <typename T>
bool parseNumber(std::string_view text, T* out) {
  text = trimXmlSpace(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// A cell's number. Numbers that a program rounded past the largest double (1.797693134862316e+308)
// or below the smallest are kept as the nearest double rather than refused; "inf" and "nan" fail.
bool parseCellNumber(std::string_view text, double* out);

// "2024-03-01", "2024-03-01T13:45:00.25", "13:45:00" (the forms of t="d" cells) as a date number.
bool parseIsoDate(std::string_view text, bool date1904, double* serial);

}  // namespace xlsxbook

#endif  // XLSXBOOK_CELL_TEXT_H

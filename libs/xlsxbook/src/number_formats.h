// Which number formats show a number as a date or time.
#ifndef XLSXBOOK_NUMBER_FORMATS_H
#define XLSXBOOK_NUMBER_FORMATS_H

#include <string_view>

namespace xlsxbook {

// True for the built-in ids that are dates or times, including the ids that East Asian locales
// reserve for their date formats.
bool isBuiltinDateFormat(int id);

// True when a format code has a date or time token (d, m, y, h, s) outside quoted text,
// escaped characters and bracketed sections; elapsed-time brackets such as [h] count as time.
// The era letters e and g are left out: an E is far more often the exponent of 0.00E+00.
bool isDateFormatCode(std::string_view code);

}  // namespace xlsxbook

#endif  // XLSXBOOK_NUMBER_FORMATS_H

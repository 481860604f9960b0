// Appending XML text to a buffer: escaping and number formatting for the streaming writers.
#ifndef XLSXBOOK_XML_WRITER_H
#define XLSXBOOK_XML_WRITER_H

#include <string>
#include <string_view>

namespace xlsxbook {

// Escapes &, <, > (and " in attributes). Characters that XML 1.0 cannot carry (controls other than
// tab and line feed; a carriage return would be lost to line-end normalisation) become _xHHHH_, and a literal "_x" that would read as such an escape has
// its underscore escaped, so that text survives the round trip.
void appendEscaped(std::string_view text, bool attribute, std::string* out);
// The shortest text that reads back as the same double.
void appendNumber(double value, std::string* out);
void appendInt(long value, std::string* out);
// True when text needs xml:space="preserve" to keep its whitespace.
bool needsSpacePreserve(std::string_view text);

}  // namespace xlsxbook

#endif  // XLSXBOOK_XML_WRITER_H

#include "formats/json/json_text.hpp"

#include <charconv>

namespace flk {
namespace {

// The escapes that the parser accepts but whose text the host cannot hold: \u0000 (the host's
// strings end at a NUL, so "k\u0000a" and "k\u0000b" would both arrive as "k"), and the low half
// of a surrogate pair without the high half before it (the parser refuses a high half alone).
// Backslashes stand only inside strings in a document the parser accepted, each one starting an
// escape, so the text need not be parsed again to find them.
bool escapesHostCanHold(std::string_view body) {
    constexpr size_t kEscape = 6;   // \uXXXX
    for (size_t at = body.find('\\'); at != std::string_view::npos; at = body.find('\\', at)) {
        if (at + kEscape > body.size() || body[at + 1] != 'u') {
            at += 2;   // an escape of one character
            continue;
        }
        unsigned unit = 0;
        std::from_chars(body.data() + at + 2, body.data() + at + kEscape, unit, 16);
        if (unit == 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return false;
        // A high half is followed by its low half, which the parser checked.
        at += unit >= 0xD800 && unit <= 0xDBFF ? 2 * kEscape : kEscape;
    }
    return true;
}

}  // namespace

JsonText JsonText::read(std::istream& input) { return JsonText(StreamBuffer::read(input, kPadding)); }

bool JsonText::holdsOnlyHostText() const { return escapesHostCanHold(std::string_view(body(), bodySize())); }

}  // namespace flk

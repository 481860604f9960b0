#include "formats/json/json_text.hpp"

#include "formats/json/json_limits.hpp"

#include <rapidjson/error/en.h>

#include <charconv>

namespace flk {

// The escapes that the parser accepts but that stand for no text: the low half of a surrogate
// pair without the high half before it (the parser refuses a high half alone); and whether a NUL
// (\u0000) stands in the text, which is text, refused only where it would reach a name or a
// string of the model. Backslashes stand only inside strings in a document the parser accepted,
// each one starting an escape, so the text need not be parsed again to find them.
void JsonText::scanEscapes() {
    constexpr size_t kEscape = 6;   // \uXXXX
    std::string_view body = view();
    for (size_t at = body.find('\\'); at != std::string_view::npos; at = body.find('\\', at)) {
        if (at + kEscape > body.size() || body[at + 1] != 'u') {
            at += 2;   // an escape of one character
            continue;
        }
        unsigned unit = 0;
        std::from_chars(body.data() + at + 2, body.data() + at + kEscape, unit, 16);
        if (unit == 0) holdsNul_ = true;
        if (unit >= 0xDC00 && unit <= 0xDFFF && halfSurrogate_ == std::string_view::npos) halfSurrogate_ = at;
        // A high half is followed by its low half, which the parser checked.
        at += unit >= 0xD800 && unit <= 0xDBFF ? 2 * kEscape : kEscape;
    }
}

namespace {

// The parser's own words, without the full stop that would end the sentence they stand in.
std::string parserReason(rapidjson::ParseErrorCode code) {
    if (code == rapidjson::kParseErrorTermination)
        return "values nested more than " + std::to_string(kMaxJsonDepth) + " deep";
    std::string reason = rapidjson::GetParseError_En(code);
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    return reason;
}

}  // namespace

JsonText::JsonText(StreamBuffer bytes) : bytes_(std::move(bytes)), bodyStart_(bytes_.byteOrderMarkLength()) {
    scanEscapes();
}

JsonText JsonText::read(std::istream& input) { return JsonText(StreamBuffer::read(input, kPadding)); }

bool JsonText::wellFormed(rapidjson::ParseResult result, size_t parsedTo, JsonProblem& problem) const {
    if (result.IsError()) {
        problem = {result.Offset(), parserReason(result.Code())};
    } else if (parsedTo != bodySize()) {
        problem = {parsedTo, "a NUL byte, which JSON text cannot hold"};
    } else if (halfSurrogate_ != std::string_view::npos) {
        problem = {halfSurrogate_, "an escape for the low half of a surrogate pair without its high half"};
    } else {
        return true;
    }
    return false;
}

}  // namespace flk
